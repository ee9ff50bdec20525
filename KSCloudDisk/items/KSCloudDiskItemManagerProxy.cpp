#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskItemManagerProxy_p.h"

#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCustomEvent.h"
#include "KSLocale.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <utility>
#include <vector>

namespace {

// The drive's token lives an hour: renewed a little before.
constexpr int kTokenRefreshMs = 55 * 60 * 1000;
constexpr int kLoginSourceUpload = 20;

std::atomic<KSCloudDiskItemManagerProxy *> s_instance{nullptr};
QMutex s_creationMutex;

void postHostEvent(const QString &name, const QVariant &payload = QVariant())
{
    KSCustomEventManager::instance()->dispatch(KSCustomEventPtr::create(name, payload));
}

void postUpdateAutoSyncCheckBox()
{
    postHostEvent(QStringLiteral("NotifyUpdateAutoSyncCheckBox"));
}

KSCloudItemRecord *recordOf(IKSCloudDiskItem *item)
{
    return item ? item->cloudRecord() : nullptr;
}

void setState(IKSCloudDiskItem *item, int state)
{
    if (KSCloudItemRecord *record = recordOf(item))
        record->cloudState = state;
}

int stateOf(IKSCloudDiskItem *item)
{
    KSCloudItemRecord *record = recordOf(item);
    return record ? record->cloudState : 0;
}

void clearSizes(IKSCloudDiskItem *item)
{
    if (KSCloudItemRecord *record = recordOf(item)) {
        record->totalSize = 0;
        record->transSize = 0;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Item entries

KSCloudItemEntry::KSCloudItemEntry(IKSCloudDiskItem *item)
    : m_item(item)
    , m_reference(dynamic_cast<IKSVBLObject *>(item))
{
    if (m_reference)
        m_reference->addRef();
}

KSCloudItemEntry::~KSCloudItemEntry()
{
    drop();
}

KSCloudItemEntry::KSCloudItemEntry(KSCloudItemEntry &&other) noexcept
    : m_item(std::exchange(other.m_item, nullptr))
    , m_reference(std::exchange(other.m_reference, nullptr))
{ }

KSCloudItemEntry &KSCloudItemEntry::operator=(KSCloudItemEntry &&other) noexcept
{
    if (this != &other) {
        drop();
        m_item = std::exchange(other.m_item, nullptr);
        m_reference = std::exchange(other.m_reference, nullptr);
    }
    return *this;
}

void KSCloudItemEntry::drop()
{
    // The release may destroy the item: nothing of it is touched afterwards.
    IKSVBLObject *reference = std::exchange(m_reference, nullptr);
    m_item = nullptr;
    if (reference)
        reference->release();
}

// ---------------------------------------------------------------------------------------------
// Private data

KSCloudDiskViewPresenter *KSCloudDiskItemManagerProxyPrivate::presenter() const
{
    IKSCloudDisk *current = getCloudDiskNoCreate();
    return current ? current->getPresenter() : nullptr;
}

IKSCloudDiskItemManager *KSCloudDiskItemManagerProxyPrivate::managerOf(CloudDiskItemType type) const
{
    const auto it = managers.find(type);
    if (it == managers.end()) {
        KSLOG_WARN("cloud disk item manager not exist. type=%d", int(type));
        return nullptr;
    }
    return it->second;
}

IKSCloudDiskItemManager *KSCloudDiskItemManagerProxyPrivate::managerOf(IKSCloudDiskItem *item) const
{
    return item ? managerOf(item->itemType()) : nullptr;
}

std::optional<KSCloudItemEntry> KSCloudDiskItemManagerProxyPrivate::takeItem(const QString &key)
{
    const auto it = items.find(key);
    if (it == items.end())
        return std::nullopt;
    std::optional<KSCloudItemEntry> entry(std::move(it->second));
    items.erase(it);
    return entry;
}

IKSCloudDiskTaskObserver *KSCloudDiskItemManagerProxyPrivate::takeObserver(const QString &taskId)
{
    QMutexLocker lock(&observersMutex);
    return observers.take(taskId);
}

// ---------------------------------------------------------------------------------------------
// Lifetime

KSCloudDiskItemManagerProxy *KSCloudDiskItemManagerProxy::instance()
{
    if (KSCloudDiskItemManagerProxy *existing = s_instance.load(std::memory_order_acquire))
        return existing;
    // The service first: registered before the proxy, the host releases it after the proxy, so the
    // proxy never outlives what it observes.
    getCloudDisk();
    QMutexLocker lock(&s_creationMutex);
    KSCloudDiskItemManagerProxy *proxy = s_instance.load(std::memory_order_acquire);
    if (!proxy) {
        proxy = new KSCloudDiskItemManagerProxy;
        s_instance.store(proxy, std::memory_order_release);
        KSLazySingletonManager::instance()->add(proxy);
    }
    return proxy;
}

void KSCloudDiskItemManagerProxy::release()
{
    QMutexLocker lock(&s_creationMutex);
    KSCloudDiskItemManagerProxy *proxy = s_instance.exchange(nullptr);
    if (!proxy)
        return;
    KSLazySingletonManager::instance()->remove(proxy);
    delete proxy;
}

KSCloudDiskItemManagerProxy::KSCloudDiskItemManagerProxy()
    : d_ptr(new KSCloudDiskItemManagerProxyPrivate)
{
    Q_D(KSCloudDiskItemManagerProxy);
    d->tokenTimer = new QTimer(this);
    d->tokenTimer->setObjectName(QStringLiteral("KSCloudDiskItemManagerProxy_Timer"));
    d->tokenTimer->setInterval(kTokenRefreshMs);
    // Its slots, timer and records belong to the GUI thread whichever thread asked first; the timer
    // goes along as a child.
    if (QCoreApplication::instance() && thread() != QCoreApplication::instance()->thread())
        moveToThread(QCoreApplication::instance()->thread());
    IKSTQIDAccount *account = getTQIDAccount();
    account->addObserver(this);
    d->service = getCloudDisk();
    d->serviceObject = dynamic_cast<QObject *>(d->service);
    d->service->attach(this);
    if (account->isLoggedIn())
        QMetaObject::invokeMethod(d->tokenTimer, QOverload<>::of(&QTimer::start));
    connectSignals();
}

KSCloudDiskItemManagerProxy::~KSCloudDiskItemManagerProxy()
{
    Q_D(KSCloudDiskItemManagerProxy);
    KSLOG_INFO("release cloud disk item manager proxy");
    getTQIDAccount()->removeObserver(this);
    if (d->serviceObject)
        d->service->detach(this);
    delete d->tokenTimer;
    d->tokenTimer = nullptr;
}

void KSCloudDiskItemManagerProxy::connectSignals()
{
    Q_D(KSCloudDiskItemManagerProxy);
    connect(d->tokenTimer, &QTimer::timeout, this, [d] {
        KSLOG_INFO("auto refresh cloud disk token.");
        if (KSCloudDiskViewPresenter *presenter = d->presenter())
            emit presenter->sigRefreshToken();
    });
    KSCloudDiskViewPresenter *p = d->presenter();
    if (!p)
        return;
    using P = KSCloudDiskViewPresenter;
    connect(p, &P::taskCancel, this, &KSCloudDiskItemManagerProxy::slotTaskCancel);
    connect(p, QOverload<const QString &, bool, int>::of(&P::taskFailed), this,
        &KSCloudDiskItemManagerProxy::slotTaskFailed);
    connect(p, &P::uploadFinished, this, &KSCloudDiskItemManagerProxy::slotUploadFinished);
    connect(p, &P::downloadFinished, this, &KSCloudDiskItemManagerProxy::slotDownloadFinished);
    connect(p, &P::downloadThumbFinished, this, &KSCloudDiskItemManagerProxy::slotDownloadThumbFinished);
    connect(p, &P::removeFinished, this, &KSCloudDiskItemManagerProxy::slotRemoveFinished);
    connect(p, &P::retryUpload, this, &KSCloudDiskItemManagerProxy::slotRetryUpload);
    connect(p, &P::taskProgressChanged, this, &KSCloudDiskItemManagerProxy::slotProgressChanged);
    connect(p, &P::sigFolderCreated, this, &KSCloudDiskItemManagerProxy::slotFolderCreated);
    // A presenter that announces download retries is heard too; today's retries a download in place.
    if (p->metaObject()->indexOfSignal("retryDownload(QString,QString)") >= 0)
        connect(p, SIGNAL(retryDownload(QString, QString)), this, SLOT(slotRetryDownload(QString, QString)));
}

// ---------------------------------------------------------------------------------------------
// Registry

void KSCloudDiskItemManagerProxy::registerManager(CloudDiskItemType type, IKSCloudDiskItemManager *manager)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (!manager)
        return;
    if (d->managers.count(type)) {
        KSLOG_INFO("cloud disk item manager already exist. type=%d", int(type));
        return;
    }
    d->managers[type] = manager;
}

void KSCloudDiskItemManagerProxy::unRegisterManager(CloudDiskItemType type)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (!d->managers.count(type))
        return;
    // Released only once the map is consistent again: a release may destroy an item.
    std::vector<KSCloudItemEntry> removed;
    for (auto it = d->items.begin(); it != d->items.end();) {
        if (it->second.item()->itemType() == type) {
            KSLOG_INFO("remove item: %s", qUtf8Printable(it->first));
            removed.push_back(std::move(it->second));
            it = d->items.erase(it);
        } else {
            ++it;
        }
    }
    d->managers.erase(type);
}

void KSCloudDiskItemManagerProxy::registerObserver(const QString &taskId, IKSCloudDiskTaskObserver *observer)
{
    Q_D(KSCloudDiskItemManagerProxy);
    QMutexLocker lock(&d->observersMutex);
    d->observers.insert(taskId, observer);
}

void KSCloudDiskItemManagerProxy::unRegisterObserver(const QString &taskId)
{
    Q_D(KSCloudDiskItemManagerProxy);
    QMutexLocker lock(&d->observersMutex);
    d->observers.remove(taskId);
}

void KSCloudDiskItemManagerProxy::addCloudDiskItem(const QString &key, IKSCloudDiskItem *item)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (!item)
        return;
    // The new reference first: replacing an entry by one of the same item must not free it.
    KSCloudItemEntry entry(item);
    const auto it = d->items.find(key);
    if (it == d->items.end()) {
        d->items.emplace(key, std::move(entry));
        return;
    }
    std::swap(it->second, entry);
}

std::optional<IKSCloudDiskItem *> KSCloudDiskItemManagerProxy::getCloudDiskItem(const QString &key) const
{
    Q_D(const KSCloudDiskItemManagerProxy);
    const auto it = d->items.find(key);
    if (it == d->items.end())
        return std::nullopt;
    return it->second.item();
}

IKSCloudDiskItem *KSCloudDiskItemManagerProxy::getItemByTaskId(const QString &taskId)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (std::optional<IKSCloudDiskItem *> item = getCloudDiskItem(taskId))
        return *item;
    // A shared template's download that nobody asked the proxy for: its library knows the item.
    KSCloudDiskViewPresenter *presenter = d->presenter();
    KSCloudDiskTask *task = presenter ? presenter->findTask(taskId) : nullptr;
    if (!task)
        return nullptr;
    // Most tasks belong to no library's item: without a template library that is no fault to log.
    const auto templates = d->managers.find(ProjectTemplateItem);
    return templates != d->managers.end() ? templates->second->getCloudDiskItemByPath(task->filePath()) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// State

CloudLoadState KSCloudDiskItemManagerProxy::getCloudState() const
{
    Q_D(const KSCloudDiskItemManagerProxy);
    return d->loadState;
}

void KSCloudDiskItemManagerProxy::updateCloudDiskInfo(const QList<IKSCloudDiskItem *> &items)
{
    Q_D(KSCloudDiskItemManagerProxy);
    const bool signedIn = getTQIDAccount()->isLoggedIn();
    for (IKSCloudDiskItem *item : items) {
        if (!item)
            continue;
        const QString fileId = item->cloudFileId();
        const int state = stateOf(item);
        if (fileId.isEmpty()) {
            if (!(signedIn && state == CloudItemUploading))
                setState(item, CloudItemLocal);
        } else {
            addCloudDiskItem(fileId, item);
            if (!(signedIn && state == CloudItemDownloading))
                setState(item, CloudItemInCloud);
        }
    }
    if (signedIn && d->pendingUpload) {
        // Held until the upload has taken its own reference.
        const KSCloudItemEntry pending = std::move(*d->pendingUpload);
        d->pendingUpload.reset();
        upload(pending.item());
    }
}

void KSCloudDiskItemManagerProxy::resetCloudDiskInfo()
{
    Q_D(KSCloudDiskItemManagerProxy);
    const std::map<QString, KSCloudItemEntry> dropped = std::move(d->items);
    d->items.clear();
}

// ---------------------------------------------------------------------------------------------
// Routing

QString KSCloudDiskItemManagerProxy::upload(IKSCloudDiskItem *item)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (!item)
        return QString();
    if (!getTQIDAccount()->isLoggedIn()) {
        d->pendingUpload.emplace(item);
        postHostEvent(QStringLiteral("NotifyLogin"), kLoginSourceUpload);
        return QString();
    }
    if (!getCloudDisk()->checkServiceReady(nullptr))
        return QString();
    const int state = stateOf(item);
    if (state != CloudItemLocal && state != CloudItemUploadFailed)
        return QString();
    IKSCloudDiskItemManager *manager = d->managerOf(item);
    const QString taskId = manager ? manager->upload(item) : QString();
    if (!taskId.isEmpty()) {
        addCloudDiskItem(taskId, item);
        setState(item, CloudItemUploading);
    }
    return taskId;
}

bool KSCloudDiskItemManagerProxy::share(IKSCloudDiskItem *item)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (!getTQIDAccount()->isLoggedIn())
        return false;
    IKSCloudDiskItemManager *manager = d->managerOf(item);
    return manager && manager->share(item);
}

QString KSCloudDiskItemManagerProxy::download(IKSCloudDiskItem *item)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (!item || stateOf(item) == CloudItemDownloading)
        return QString();
    IKSCloudDiskItemManager *manager = d->managerOf(item);
    const QString taskId = manager ? manager->download(item) : QString();
    if (!taskId.isEmpty()) {
        setState(item, CloudItemDownloading);
        addCloudDiskItem(taskId, item);
    }
    return taskId;
}

void KSCloudDiskItemManagerProxy::downloadThumbnail(IKSCloudDiskItem *item, const QString &savePath)
{
    Q_D(KSCloudDiskItemManagerProxy);
    KSCloudDiskViewPresenter *presenter = d->presenter();
    if (!item || !presenter)
        return;
    const QString fileId = item->cloudFileId();
    presenter->downloadThumb(fileId, savePath);
    addCloudDiskItem(fileId, item);
}

bool KSCloudDiskItemManagerProxy::deleteItem(IKSCloudDiskItem *item)
{
    Q_D(KSCloudDiskItemManagerProxy);
    IKSCloudDiskItemManager *manager = d->managerOf(item);
    return manager && manager->deleteItem(item);
}

bool KSCloudDiskItemManagerProxy::rename(IKSCloudDiskItem *item, const QString &name)
{
    Q_D(KSCloudDiskItemManagerProxy);
    KSCloudDiskViewPresenter *presenter = d->presenter();
    if (!item || !presenter)
        return false;
    presenter->renameFile(item->cloudFileId(), name);
    return true;
}

bool KSCloudDiskItemManagerProxy::preview(IKSCloudDiskItem *item)
{
    Q_D(KSCloudDiskItemManagerProxy);
    IKSCloudDiskItemManager *manager = d->managerOf(item);
    return manager && manager->preview(item);
}

void KSCloudDiskItemManagerProxy::loadFromCloud()
{
    Q_D(KSCloudDiskItemManagerProxy);
    // A copy: a library may register or leave while it loads.
    const std::map<CloudDiskItemType, IKSCloudDiskItemManager *> managers = d->managers;
    for (const auto &entry : managers)
        entry.second->loadFromCloud();
    if (d->loadState == CloudLoadUnavailable)
        getCloudDisk()->showActivateDialog(KSUtility::gGetMainWindow(), true);
}

bool KSCloudDiskItemManagerProxy::onUploadFinished(IKSCloudDiskItem *item)
{
    Q_D(KSCloudDiskItemManagerProxy);
    IKSCloudDiskItemManager *manager = d->managerOf(item);
    return manager && manager->onUploadFinished(item);
}

void KSCloudDiskItemManagerProxy::onDownloadFinished(IKSCloudDiskItem *item, CloudDiskItemDownloadType type)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (IKSCloudDiskItemManager *manager = d->managerOf(item))
        manager->onDownloadFinished(item, type);
}

void KSCloudDiskItemManagerProxy::onRemoveFinished(const QString &fileId)
{
    Q_D(KSCloudDiskItemManagerProxy);
    const std::optional<KSCloudItemEntry> removed = d->takeItem(fileId);
    const std::map<CloudDiskItemType, IKSCloudDiskItemManager *> managers = d->managers;
    for (const auto &entry : managers) {
        entry.second->onRemoveFinished(fileId);
        entry.second->updateView();
    }
}

void KSCloudDiskItemManagerProxy::updateView()
{ }

IKSCloudDiskItem *KSCloudDiskItemManagerProxy::getCloudDiskItemByPath(const QString &)
{
    return nullptr;
}

bool KSCloudDiskItemManagerProxy::afterCreateFolder(IKSCloudDiskItem *item)
{
    Q_D(KSCloudDiskItemManagerProxy);
    IKSCloudDiskItemManager *manager = d->managerOf(item);
    return manager && manager->afterCreateFolder(item);
}

// ---------------------------------------------------------------------------------------------
// Presenter reports

void KSCloudDiskItemManagerProxy::slotProgressChanged(const QString &taskId, qlonglong totalSize, qlonglong transSize)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (std::optional<IKSCloudDiskItem *> item = getCloudDiskItem(taskId)) {
        if (KSCloudItemRecord *record = recordOf(*item)) {
            record->totalSize = totalSize;
            record->transSize = transSize;
        }
        if (IKSCloudDiskItemManager *manager = d->managerOf(*item))
            manager->updateView();
    }
    IKSCloudDiskTaskObserver *observer = nullptr;
    {
        QMutexLocker lock(&d->observersMutex);
        observer = d->observers.value(taskId);
    }
    if (observer)
        observer->onProgressChanged(totalSize, transSize);
}

void KSCloudDiskItemManagerProxy::slotUploadFinished(
    const QString &taskId, const QString &fileId, const QString &, const QString &thumbId)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (IKSCloudDiskItem *item = getItemByTaskId(taskId)) {
        // The entry moves with its reference, so the item stays held throughout.
        std::optional<KSCloudItemEntry> entry = d->takeItem(taskId);
        if (!entry)
            entry.emplace(item);
        d->items.erase(fileId);
        d->items.emplace(fileId, std::move(*entry));
        item->setCloudFileId(fileId);
        item->setThumbnailId(thumbId);
        onUploadFinished(item);
        setState(item, CloudItemInCloud);
        clearSizes(item);
        if (IKSCloudDiskItemManager *manager = d->managerOf(item)) {
            manager->onUploadFinished(item);
            manager->updateView();
        }
    }
    // An observer of an upload learns of its end as one of a download does, and is not kept on.
    if (IKSCloudDiskTaskObserver *observer = d->takeObserver(taskId))
        observer->onTaskFinished();
}

void KSCloudDiskItemManagerProxy::slotDownloadFinished(
    const QString &taskId, const QString &filePath, const QString &fileName, int)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (IKSCloudDiskItem *item = getItemByTaskId(taskId)) {
        const std::optional<KSCloudItemEntry> held = d->takeItem(taskId);
        if (KSCloudItemRecord *record = recordOf(item)) {
            record->fileName = fileName;
            record->localFilePath = filePath;
        }
        onDownloadFinished(item, CloudDiskItemDownloadNormal);
        setState(item, CloudItemInCloud);
        clearSizes(item);
        if (IKSCloudDiskItemManager *manager = d->managerOf(item))
            manager->updateView();
    }
    if (IKSCloudDiskTaskObserver *observer = d->takeObserver(taskId))
        observer->onTaskFinished();
}

void KSCloudDiskItemManagerProxy::slotTaskCancel(const QStringList &taskIds)
{
    for (const QString &taskId : taskIds)
        slotTaskFailed(taskId, true);
}

void KSCloudDiskItemManagerProxy::slotTaskFailed(const QString &taskId, bool userCancel)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (IKSCloudDiskItem *item = getItemByTaskId(taskId)) {
        // A template stays known: its library resolves it by path again on a retry.
        std::optional<KSCloudItemEntry> held;
        if (item->itemType() != ProjectTemplateItem)
            held = d->takeItem(taskId);
        const int state = stateOf(item);
        if (state == CloudItemUploading)
            setState(item, userCancel ? CloudItemLocal : CloudItemUploadFailed);
        else if (state == CloudItemDownloading)
            setState(item, CloudItemDownloadFailed);
        clearSizes(item);
        if (IKSCloudDiskItemManager *manager = d->managerOf(item))
            manager->updateView();
    }
    if (IKSCloudDiskTaskObserver *observer = d->takeObserver(taskId))
        observer->onTaskFailed();
}

void KSCloudDiskItemManagerProxy::slotRetryUpload(const QString &taskId, const QString &)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (std::optional<IKSCloudDiskItem *> item = getCloudDiskItem(taskId)) {
        setState(*item, CloudItemUploading);
        if (IKSCloudDiskItemManager *manager = d->managerOf(*item))
            manager->updateView();
    }
}

void KSCloudDiskItemManagerProxy::slotRetryDownload(const QString &taskId, const QString &)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (std::optional<IKSCloudDiskItem *> item = getCloudDiskItem(taskId)) {
        setState(*item, CloudItemDownloading);
        if (IKSCloudDiskItemManager *manager = d->managerOf(*item))
            manager->updateView();
    }
}

void KSCloudDiskItemManagerProxy::slotDownloadThumbFinished(
    const QString &fileId, const QString &filePath, bool succeed)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (!succeed) {
        KSLOG_WARN("thumb down failed, fileId is %s,filepath is %s", qUtf8Printable(fileId), qUtf8Printable(filePath));
        return;
    }
    const std::optional<KSCloudItemEntry> held = d->takeItem(fileId);
    if (!held)
        return;
    if (IKSCloudDiskItemManager *manager = d->managerOf(held->item()))
        manager->updateView();
}

void KSCloudDiskItemManagerProxy::slotRemoveFinished(const QString &fileId, bool succeed)
{
    if (!succeed)
        KSLOG_WARN("delete cloud disk item failed. fileId = %s", qUtf8Printable(fileId));
    onRemoveFinished(fileId);
}

void KSCloudDiskItemManagerProxy::slotFolderCreated(const QString &taskId, const QString &fileId)
{
    Q_D(KSCloudDiskItemManagerProxy);
    // Only uploads the proxy started: the editor answers for the others itself.
    const std::optional<IKSCloudDiskItem *> item = getCloudDiskItem(taskId);
    if (!item)
        return;
    (*item)->setCloudFileId(fileId);
    KSCloudDiskViewPresenter *presenter = d->presenter();
    KSCloudDiskTask *task = presenter ? presenter->findTask(taskId) : nullptr;
    if (!task)
        return;
    task->setStatus(afterCreateFolder(*item) ? RootFolderSynced : RootFolderSyncFailed, true);
    presenter->doTaskStateChanged(task);
}

// ---------------------------------------------------------------------------------------------
// Account and service

void KSCloudDiskItemManagerProxy::onTQIDResponse(KSTQIDResponseCode code)
{
    Q_D(KSCloudDiskItemManagerProxy);
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, code] { onTQIDResponse(code); }, Qt::QueuedConnection);
        return;
    }
    IKSTQIDAccount *account = getTQIDAccount();
    switch (code) {
    case KSTQIDSignedIn:
        loadFromCloud();
        d->tokenTimer->start();
        if (d->loadState == CloudLoadNoAccount && account->isLoggedIn()) {
            d->loadState = CloudLoadSignedIn;
            postUpdateAutoSyncCheckBox();
        }
        break;
    case KSTQIDSignedOut: {
        resetCloudDiskInfo();
        d->loadState = CloudLoadNoAccount;
        d->tokenTimer->stop();
        const std::map<CloudDiskItemType, IKSCloudDiskItemManager *> managers = d->managers;
        for (const auto &entry : managers)
            entry.second->updateView();
        postUpdateAutoSyncCheckBox();
        break;
    }
    case KSTQIDTokenRenewed: {
        const QString token = account->accessToken();
        if (token.isEmpty())
            break;
        // The token itself never goes to the log.
        KSLOG_INFO("refresh cloud disk sdk token, token is %s", "***");
        getCloudDisk()->updateToken(token, true);
        break;
    }
    default:
        break;
    }
}

void KSCloudDiskItemManagerProxy::onCloudDiskOperationDone(KSCloudDiskOperation operation)
{
    QMetaObject::invokeMethod(
        this, [this, operation] { operationDone(operation); }, Qt::QueuedConnection);
}

void KSCloudDiskItemManagerProxy::operationDone(KSCloudDiskOperation operation)
{
    Q_D(KSCloudDiskItemManagerProxy);
    IKSCloudDisk *service = getCloudDiskNoCreate();
    if (!service)
        return;
    switch (operation) {
    case Login:
        if (service->isServiceReady()) {
            d->loadState = CloudLoadReady;
            runPendingAutoSync();
            postUpdateAutoSyncCheckBox();
        } else {
            d->loadState = service->needOpenService() ? CloudLoadNeedOpenService : CloudLoadUnavailable;
        }
        break;
    case OpenService:
        if (!service->isServiceOpened())
            d->loadState = CloudLoadUnavailable;
        break;
    default:
        break;
    }
}
