#include "KSCloudDiskViewPresenter.h"

#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskOperationTask.h"
#include "KSCloudDiskStatusButtons.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskTaskWorker.h"
#include "KSCloudDiskTrackEvent.h"
#include "KSCloudDiskViewHost.h"
#include "KSCloudTaskSerializeHelper.h"
#include "KSConfigEngine.h"
#include "KSCustomEvent.h"
#include "KSDir.h"
#include "KSDriveAnswer.h"
#include "KSLongToShortCloudDiskDataCenter.h"
#include "KSTransferCenterThumbnilExtractManager.h"
#include "KSTransferCenterUrlDownloadManager.h"
#include "KSWidgets.h"
#include "TQCoreKit.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <atomic>

namespace {

constexpr int kTokenExpired = 140013;
// An editor that cannot renew the token would otherwise have the task retried back to back forever.
constexpr int kTokenRetryLimit = 3;
// The notices' code for a failed synchronisation.
constexpr int kSyncFailed = 19;

enum ListKind {
    UploadList = KSCloudTaskSerializeHelper::UploadList,
    DownloadList = KSCloudTaskSerializeHelper::DownloadList,
    DoneList = KSCloudTaskSerializeHelper::DoneList,
    AllLists = KSCloudTaskSerializeHelper::AllLists,
};

// The analytics' name of a content type's preset kind.
QString presetTypeOf(int fileType)
{
    switch (fileType) {
    case ProjectTemplateFile:
        return QStringLiteral("media_project_template");
    case CustomTitleFile:
        return QStringLiteral("title_preset");
    case CustomAdjustLayerFile:
        return QStringLiteral("adjustment_layer_preset");
    case CustomColorFile:
        return QStringLiteral("color_preset");
    case CustomMaskPresetFile:
        return QStringLiteral("mask_preset");
    case CustomSpeedPresetFile:
        return QStringLiteral("speed_ramping_preset");
    case CustomCompoundClipFile:
        return QStringLiteral("compound_clip_preset");
    case AIColorPaletteFile:
        return QStringLiteral("ai_color_palette_preset");
    case CustomColorLayerFile:
        return QStringLiteral("color_layer_preset");
    default:
        return QString();
    }
}

bool isValidUrl(const QString &address)
{
    return !address.isEmpty() && QUrl(address, QUrl::StrictMode).isValid();
}

void sendTransferCenterClick(const QString &tab, const QString &button)
{
    KSCloudDiskCustomEvent(QStringLiteral("transfer_center_click"))
        .send({{QStringLiteral("transfer_center_tab"), tab}, {QStringLiteral("transfer_center_btn"), button}});
}

QString suffixOf(const QString &path)
{
    return QFileInfo(path).suffix();
}

} // namespace

class KSCloudDiskViewPresenterPrivate
{
    Q_DECLARE_PUBLIC(KSCloudDiskViewPresenter)
public:
    explicit KSCloudDiskViewPresenterPrivate(KSCloudDiskViewPresenter *q)
        : q_ptr(q)
    { }

    QList<KSCloudDiskTask *> &listOf(const KSCloudDiskTask *task)
    {
        return task->isDownload() ? downloadList : uploadList;
    }
    static int kindOf(const KSCloudDiskTask *task) { return task->isDownload() ? DownloadList : UploadList; }
    void emitCountChanged(int kind);
    void save(int kind);

    void appendTask(KSCloudDiskTask *task);
    void appendTasks(const QList<KSCloudDiskTask *> &tasks, QList<KSCloudDiskTask *> &list);
    void appendTaskList(const QList<KSCloudDiskTask *> &tasks);
    void queuedTaskList(const QList<KSCloudDiskTask *> &tasks);
    void updateCloudStatus();
    bool moveToDone(KSCloudDiskTask *task);
    void settleFinished();
    void loadTaskList();
    // Queues the unfinished tasks among these again, as a sign-in does; paused and finished ones stay.
    void restartTasks(const QList<KSCloudDiskTask *> &uploads, const QList<KSCloudDiskTask *> &downloads);
    void cleanUpOrphans();
    KSCloudDiskTask *findRemovedTask(const QString &taskId) const;
    void registerThumbnail(KSCloudDiskTask *task);
    void thumbnailReady(const QString &taskId);

    // Shared steps of the single-task and whole-list slots.
    void restart(KSCloudDiskTask *task);
    void startTask(KSCloudDiskTask *task, const QString &tab);
    void pauseTask(KSCloudDiskTask *task, const QString &tab);
    void removeTask(KSCloudDiskTask *task, const QString &tab);
    void startAll(QList<KSCloudDiskTask *> &list, int kind);
    void pauseAll(QList<KSCloudDiskTask *> &list, int kind);
    void removeAll(QList<KSCloudDiskTask *> &list, int kind);
    void pauseLibraryTransfers();

    // Requests.
    QString locationOf(const KSCloudDiskTask *task) const;
    // Lists the task (or keeps it in the background) and hands it to the worker; its id.
    QString enqueue(KSCloudDiskTask *task, bool listed);
    QString addPresetUpload(KSCloudDiskTask *task, bool listed);
    // A project template is no preset: its begin event names no preset type.
    QString addPresetDownload(KSCloudDiskTask *task, bool listed, bool presetType = true);
    QString addProjectDownload(KSCloudDiskTask *task, const QString &thumbnailPath);
    QString addShareDownload(KSCloudDiskTask *task);
    QString resolveMediaFolder(const QString &subPath) const;
    bool folderExists(const QString &parentId, const QString &name) const;

    // Task reports.
    void trackAutoSyncToCloud(KSCloudDiskTask *task);
    void removeTempFile(KSCloudDiskTask *task);
    QWidget *dialogParent(QWidget *parent) const;
    bool inBackground(KSCloudDiskTask *task) const { return backgroundList.contains(task); }

    KSCloudDiskViewPresenter *q_ptr;
    IKSCloudDisk *service = nullptr;
    QString email;
    // Read by tasks on the worker thread.
    std::atomic<bool> destroying{false};
    bool retryInProgress = false;
    bool saveProject2Cloud = false;
    bool restartOnSignIn = true;
    KSCloudTaskSerializeHelper *serializer = nullptr;
    KSTransferCenterUrlDownloadManager *urlDownloadManager = nullptr;
    KSTransferCenterThumbnilExtractManager *thumbnailExtractManager = nullptr;
    KSCloudDiskTaskWorker *worker = nullptr;
    KSCloudDiskViewHost *viewHost = nullptr;
    KSCloudDiskStatusButtons *statusButtons = nullptr;
    QSet<qint64> loadedCategoryIds;
    QList<KSCloudDiskTask *> uploadList;
    QList<KSCloudDiskTask *> downloadList;
    QList<KSCloudDiskTask *> doneList;
    QList<KSCloudDiskTask *> backgroundList;
    // Retired tasks stay alive: the library and the worker queue may still point at them.
    QList<KSCloudDiskTask *> removedList;
    // Expired-token retries in a row, per task id.
    QHash<QString, int> tokenRetries;
    QPointer<KSLongToShortCloudDiskDataCenter> longToShortDataCenter;
};

// ---------------------------------------------------------------------------------------------
// Construction and lifetime

KSCloudDiskViewPresenter::KSCloudDiskViewPresenter(QObject *parent)
    : QObject(parent)
    , d_ptr(new KSCloudDiskViewPresenterPrivate(this))
{
    Q_D(KSCloudDiskViewPresenter);
    d->service = dynamic_cast<IKSCloudDisk *>(parent);
    qRegisterMetaType<KSCloudFolderEntries>("KSCloudFolderEntries");
    qRegisterMetaType<KSCloudDiskTask *>("KSCloudDiskTask*");
    qRegisterMetaType<IKSCDBaseTask *>("IKSCDBaseTask*");

    d->serializer = new KSCloudTaskSerializeHelper(this);
    d->serializer->start();
    d->urlDownloadManager = new KSTransferCenterUrlDownloadManager(this);
    connect(d->urlDownloadManager, &KSTransferCenterThumbnailManager::sigFinish, this,
        [d](const QString &taskId) { d->thumbnailReady(taskId); });
    d->thumbnailExtractManager = new KSTransferCenterThumbnilExtractManager(this);
    connect(d->thumbnailExtractManager, &KSTransferCenterThumbnailManager::sigFinish, this,
        [d](const QString &taskId) { d->thumbnailReady(taskId); });
    d->urlDownloadManager->start();
    d->worker = new KSCloudDiskTaskWorker(this);
    d->viewHost = new KSCloudDiskViewHost(this, d->urlDownloadManager, d->thumbnailExtractManager);
    d->statusButtons = new KSCloudDiskStatusButtons(this, &d->uploadList, &d->downloadList);
    new KSCustomEventListener(KSCustomEventManager::instance(), this, QStringLiteral("NotifySearchCustomFinished"),
        [d](const KSCustomEventPtr &event) { d->loadedCategoryIds.insert(event->payload().toLongLong()); });
}

KSCloudDiskViewPresenter::~KSCloudDiskViewPresenter()
{
    Q_D(KSCloudDiskViewPresenter);
    d->destroying = true;
    d->viewHost->destroyTransferCenter();
    KSLOG_INFO("KSCloudDiskViewPresenter m_taskSerializeHelper");
    d->serializer->requestStop();
    d->serializer->wait();
    KSLOG_INFO("KSCloudDiskViewPresenter m_urlDownloadManager");
    d->urlDownloadManager->requestStop();
    d->thumbnailExtractManager->requestStop();
    d->urlDownloadManager->wait();
    d->thumbnailExtractManager->wait();
    // The worker runs tasks that call back into this object: it must end before the tasks and the
    // lists go.
    if (d->worker->isRunning())
        d->worker->stop();
    KSLOG_INFO("KSCloudDiskViewPresenter destructed");
}

void KSCloudDiskViewPresenter::setRestartOnSignIn(bool restart)
{
    Q_D(KSCloudDiskViewPresenter);
    d->restartOnSignIn = restart;
}

void KSCloudDiskViewPresenter::restartUnfinishedTasks()
{
    Q_D(KSCloudDiskViewPresenter);
    if (d->email.isEmpty())
        return;
    // Only what nothing runs yet: a task this program has already queued or started keeps going.
    auto idle = [](const QList<KSCloudDiskTask *> &list) {
        QList<KSCloudDiskTask *> tasks;
        for (KSCloudDiskTask *task : list) {
            if (!task->queuedOnce())
                tasks.append(task);
        }
        return tasks;
    };
    d->restartTasks(idle(d->uploadList), idle(d->downloadList));
    d->cleanUpOrphans();
}

void KSCloudDiskViewPresenter::startCloudDiskTask()
{
    Q_D(KSCloudDiskViewPresenter);
    if (!d->worker->isRunning())
        d->worker->start(QThread::InheritPriority);
}

void KSCloudDiskViewPresenter::startThumbnilTask()
{
    Q_D(KSCloudDiskViewPresenter);
    if (!d->thumbnailExtractManager->isRunning())
        d->thumbnailExtractManager->start(QThread::InheritPriority);
}

IKSCloudDisk *KSCloudDiskViewPresenter::service() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->service;
}

QString KSCloudDiskViewPresenter::email() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->email;
}

KSLongToShortCloudDiskDataCenter *KSCloudDiskViewPresenter::getLontToShortDataCenter()
{
    Q_D(KSCloudDiskViewPresenter);
    if (!d->longToShortDataCenter)
        d->longToShortDataCenter = new KSLongToShortCloudDiskDataCenter(this);
    return d->longToShortDataCenter;
}

void KSCloudDiskViewPresenter::showCloudDiskView(QWidget *parent, int mode)
{
    d_func()->viewHost->showCloudDiskView(parent, mode);
}

void KSCloudDiskViewPresenter::hideDiskCloudView()
{
    d_func()->viewHost->hideDiskCloudView();
}

void KSCloudDiskViewPresenter::setDlgParent(QWidget *parent)
{
    d_func()->viewHost->setDlgParent(parent);
}

void KSCloudDiskViewPresenter::unsetDlgParent(QWidget *parent)
{
    d_func()->viewHost->unsetDlgParent(parent);
}

bool KSCloudDiskViewPresenter::isCloudDiskViewVisible() const
{
    return d_func()->viewHost->isCloudDiskViewVisible();
}

QWidget *KSCloudDiskViewPresenter::takeCloudDiskView()
{
    return d_func()->viewHost->takeCloudDiskView();
}

void KSCloudDiskViewPresenter::closeCloudDiskView()
{
    d_func()->viewHost->closeCloudDiskView();
}

bool KSCloudDiskViewPresenter::eventFilter(QObject *watched, QEvent *event)
{
    return QObject::eventFilter(watched, event);
}

void KSCloudDiskViewPresenter::adjustPos()
{
    d_func()->viewHost->adjustPos();
}

void KSCloudDiskViewPresenter::addAssociatedButton(KSToolButton *button)
{
    d_func()->statusButtons->addButton(button);
}

void KSCloudDiskViewPresenter::removeAssociatedButton(KSToolButton *button)
{
    d_func()->statusButtons->removeButton(button);
}

void KSCloudDiskViewPresenter::updateAssociatedButton()
{
    d_func()->statusButtons->updateButtons();
}

void KSCloudDiskViewPresenter::slotTimerOut()
{
    d_func()->statusButtons->slotTimerOut();
}

void KSCloudDiskViewPresenter::showBubble(int count, bool isDownload, QWidget *parent)
{
    d_func()->statusButtons->showBubble(count, isDownload, parent);
}

void KSCloudDiskViewPresenter::hideBubble()
{ }

bool KSCloudDiskViewPresenter::isCategoryIdLoaded(const qint64 &categoryId) const
{
    return d_func()->loadedCategoryIds.contains(categoryId);
}

void KSCloudDiskViewPresenter::removeLoadedCategoryId(const qint64 &categoryId)
{
    d_func()->loadedCategoryIds.remove(categoryId);
}

bool KSCloudDiskViewPresenter::isSaveProject2Cloud() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->saveProject2Cloud;
}

void KSCloudDiskViewPresenter::setIsSaveProject2Cloud(bool saveToCloud)
{
    Q_D(KSCloudDiskViewPresenter);
    d->saveProject2Cloud = saveToCloud;
}

bool KSCloudDiskViewPresenter::isDestroying() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->destroying || d->worker->isDestroying();
}

void KSCloudDiskViewPresenter::setEmail(const QString &email)
{
    Q_D(KSCloudDiskViewPresenter);
    if (!email.isEmpty()) {
        if (email == d->email)
            return;
        d->email = email;
        d->loadTaskList();
        emit sigLoadAllTask();
        emit sigAccountChanged(email);
        return;
    }
    d->urlDownloadManager->clear();
    d->thumbnailExtractManager->clear();
    d->email.clear();
    // Share downloads outlive the account: the link needs none. They keep running, so they are not
    // flagged (the worker skips a removed task, and its reports would be ignored).
    for (int i = d->backgroundList.size() - 1; i >= 0; --i) {
        KSCloudDiskTask *task = d->backgroundList.at(i);
        if (task->shareCode().isEmpty()) {
            task->setRemoved(true);
            d->removedList.append(task);
            d->backgroundList.removeAt(i);
        }
    }
    for (QList<KSCloudDiskTask *> *list : {&d->uploadList, &d->downloadList, &d->doneList}) {
        for (KSCloudDiskTask *task : qAsConst(*list))
            task->setRemoved(true);
        d->removedList.append(*list);
        list->clear();
    }
    emit sigDownloadTaskCountChanged();
    emit sigUploadTaskCountChanged();
    emit sigDoneTaskCountChanged();
    emit sigAccountChanged(QString());
}

void KSCloudDiskViewPresenterPrivate::pauseLibraryTransfers()
{
    for (QList<KSCloudDiskTask *> *list : {&backgroundList, &uploadList, &downloadList}) {
        const QList<KSCloudDiskTask *> tasks = *list;
        for (KSCloudDiskTask *task : tasks) {
            // The saved status is what the next sign-in resumes from; the pause must not change it.
            const int status = task->status();
            task->pause();
            static_cast<IKSCDBaseTask *>(task)->setStatus(status);
        }
    }
}

void KSCloudDiskViewPresenterPrivate::settleFinished()
{
    // A task that finished while this thread was busy (quitting, signing out) has not been through
    // the state handling yet; saved as it stands it would vanish from the upload list and never
    // reach the done list.
    for (const int kind : {int(UploadList), int(DownloadList)}) {
        QList<KSCloudDiskTask *> &list = kind == UploadList ? uploadList : downloadList;
        const QList<KSCloudDiskTask *> tasks = list;
        for (KSCloudDiskTask *task : tasks) {
            if (task->status() == Finished && task->listed() && !task->removed())
                moveToDone(task);
        }
    }
}

bool KSCloudDiskViewPresenterPrivate::moveToDone(KSCloudDiskTask *task)
{
    Q_Q(KSCloudDiskViewPresenter);
    const int kind = kindOf(task);
    // Only from its list: a second report of the same completion must not list it twice.
    if (listOf(task).removeAll(task) == 0)
        return false;
    doneList.prepend(task);
    save(DoneList);
    save(kind);
    emitCountChanged(kind);
    emit q->sigDoneTaskCountChanged();
    return true;
}

void KSCloudDiskViewPresenter::pauseAllTask()
{
    Q_D(KSCloudDiskViewPresenter);
    d->settleFinished();
    d->serializer->save(AllLists, false);
    d->pauseLibraryTransfers();
}

void KSCloudDiskViewPresenter::aboutToQuit()
{
    Q_D(KSCloudDiskViewPresenter);
    d->destroying = true;
    d->serializer->requestStop();
    d->serializer->wait();
    d->settleFinished();
    d->serializer->save(AllLists, false);
    d->worker->stop();
    d->pauseLibraryTransfers();
}

// ---------------------------------------------------------------------------------------------
// Lists

void KSCloudDiskViewPresenterPrivate::emitCountChanged(int kind)
{
    Q_Q(KSCloudDiskViewPresenter);
    switch (kind) {
    case UploadList:
        emit q->sigUploadTaskCountChanged();
        break;
    case DownloadList:
        emit q->sigDownloadTaskCountChanged();
        break;
    case DoneList:
        emit q->sigDoneTaskCountChanged();
        break;
    default:
        break;
    }
}

void KSCloudDiskViewPresenterPrivate::save(int kind)
{
    // Marks the list; the serializer's thread writes it within its next pass.
    serializer->save(kind, true);
}

void KSCloudDiskViewPresenterPrivate::appendTasks(const QList<KSCloudDiskTask *> &tasks, QList<KSCloudDiskTask *> &list)
{
    // A new transfer of the same local file replaces the old entry (the old task object lives on),
    // and within a batch the later one wins. One pass over the list: a batch of thousands would
    // otherwise scan it once per task.
    QHash<QString, KSCloudDiskTask *> newest;
    for (KSCloudDiskTask *task : tasks)
        newest.insert(task->filePath(), task);
    list.erase(std::remove_if(
                   list.begin(), list.end(), [&](const KSCloudDiskTask *t) { return newest.contains(t->filePath()); }),
        list.end());
    for (KSCloudDiskTask *task : tasks) {
        if (newest.value(task->filePath()) == task)
            list.append(task);
    }
}

void KSCloudDiskViewPresenterPrivate::appendTask(KSCloudDiskTask *task)
{
    if (!task->listed()) {
        backgroundList.append(task);
    } else {
        appendTasks({task}, listOf(task));
        save(kindOf(task));
        emitCountChanged(kindOf(task));
    }
    updateCloudStatus();
}

void KSCloudDiskViewPresenterPrivate::appendTaskList(const QList<KSCloudDiskTask *> &tasks)
{
    if (tasks.isEmpty())
        return;
    KSCloudDiskTask *first = tasks.first();
    if (!first->listed()) {
        backgroundList.append(tasks);
    } else {
        appendTasks(tasks, listOf(first));
        save(kindOf(first));
        emitCountChanged(kindOf(first));
    }
    updateCloudStatus();
}

void KSCloudDiskViewPresenterPrivate::queuedTaskList(const QList<KSCloudDiskTask *> &tasks)
{
    worker->addTasks(tasks);
}

void KSCloudDiskViewPresenterPrivate::updateCloudStatus()
{
    Q_Q(KSCloudDiskViewPresenter);
    int uploads = 0;
    int downloads = 0;
    for (const KSCloudDiskTask *task : qAsConst(backgroundList)) {
        if (!task->shareCode().isEmpty() || task->status() >= Paused)
            continue;
        if (task->isDownload())
            ++downloads;
        else
            ++uploads;
    }
    emit q->sigCloudDiskStatus(uploads >= 1, downloads >= 1);
}

void KSCloudDiskViewPresenterPrivate::registerThumbnail(KSCloudDiskTask *task)
{
    if (task->isUpload()) {
        thumbnailExtractManager->addTask(task->taskId(), task->filePath());
    } else if (isValidUrl(task->thumbnailUrl())) {
        urlDownloadManager->addTask(task->taskId(), task->thumbnailUrl());
    } else if (!task->thumbnailLocalPath().isEmpty() && QFileInfo::exists(task->thumbnailLocalPath())) {
        task->loadThumbnail();
    }
}

void KSCloudDiskViewPresenterPrivate::thumbnailReady(const QString &taskId)
{
    Q_Q(KSCloudDiskViewPresenter);
    if (KSCloudDiskTask *task = q->findTask(taskId))
        task->loadThumbnail();
    emit q->sigThumbnilDownloadFinish(taskId);
}

void KSCloudDiskViewPresenterPrivate::loadTaskList()
{
    if (email.isEmpty())
        return;
    // Tasks requested before the sign-in are in the lists already and queued: only what the files add
    // is split and queued here, or those would run twice.
    const int uploadsBefore = uploadList.size();
    const int downloadsBefore = downloadList.size();
    const int doneBefore = doneList.size();
    serializer->load(AllLists);
    const QList<KSCloudDiskTask *> uploads = uploadList.mid(uploadsBefore);
    const QList<KSCloudDiskTask *> downloads = downloadList.mid(downloadsBefore);
    for (KSCloudDiskTask *task : uploads)
        thumbnailExtractManager->addTask(task->taskId(), task->filePath());
    for (KSCloudDiskTask *task : downloads) {
        if (isValidUrl(task->thumbnailUrl()))
            urlDownloadManager->addTask(task->taskId(), task->thumbnailUrl());
    }
    for (KSCloudDiskTask *task : doneList.mid(doneBefore))
        registerThumbnail(task);
    if (!restartOnSignIn)
        return;
    restartTasks(uploads, downloads);
    cleanUpOrphans();
}

void KSCloudDiskViewPresenterPrivate::cleanUpOrphans()
{
    Q_Q(KSCloudDiskViewPresenter);
    // Drive transfers that no task knows (a crash between the drive's start and the list's save, a
    // task removed while the drive was away) would hold their staged data for ever.
    q->queuedTask(new KSCloudDiskOrphanTransfersTask(q, serializer->accountFolder()));
}

void KSCloudDiskViewPresenterPrivate::restartTasks(
    const QList<KSCloudDiskTask *> &uploads, const QList<KSCloudDiskTask *> &downloads)
{
    QList<KSCloudDiskTask *> resumeBatch;
    QList<KSCloudDiskTask *> requeueBatch;
    auto split = [&](KSCloudDiskTask *task) {
        switch (task->status()) {
        case Running:
        case Transferred:
            resumeBatch.append(task);
            break;
        case Failed:
            task->setRetry(true);
            Q_FALLTHROUGH();
        case Waiting:
        case Cancelled:
            requeueBatch.append(task);
            break;
        default:
            break;
        }
    };
    for (KSCloudDiskTask *task : uploads)
        split(task);
    for (KSCloudDiskTask *task : downloads)
        split(task);
    for (KSCloudDiskTask *task : qAsConst(resumeBatch)) {
        task->setRestarted(true);
        static_cast<IKSCDBaseTask *>(task)->setStatus(Waiting);
        task->setFailedCode(0);
    }
    queuedTaskList(resumeBatch);
    for (KSCloudDiskTask *task : qAsConst(requeueBatch)) {
        static_cast<IKSCDBaseTask *>(task)->setStatus(Waiting);
        task->setFailedCode(0);
    }
    queuedTaskList(requeueBatch);
}

QList<KSCloudDiskTask *> *KSCloudDiskViewPresenter::uploadTaskList()
{
    Q_D(KSCloudDiskViewPresenter);
    // A task that finished on the worker while its completion is still on its way belongs in the
    // done list: dropped here, it would never get there, and its completion would find nothing.
    const QList<KSCloudDiskTask *> tasks = d->uploadList;
    for (KSCloudDiskTask *task : tasks) {
        if (task->status() != Finished)
            continue;
        if (task->listed() && !task->removed())
            d->moveToDone(task);
        else
            d->uploadList.removeAll(task);
    }
    return &d->uploadList;
}

QList<KSCloudDiskTask *> *KSCloudDiskViewPresenter::storedList(int kind)
{
    Q_D(KSCloudDiskViewPresenter);
    switch (kind) {
    case UploadList:
        return &d->uploadList;
    case DownloadList:
        return &d->downloadList;
    case DoneList:
        return &d->doneList;
    default:
        return nullptr;
    }
}

bool KSCloudDiskViewPresenter::persistTask(KSCloudDiskTask *task)
{
    Q_D(KSCloudDiskViewPresenter);
    // Without an account nothing is kept on disk at all (the sign-in's clean-up takes care of what
    // the drive keeps).
    if (!task || task->isPersisted() || !task->listed() || d->email.isEmpty())
        return true;
    const int kind = d->kindOf(task);
    // Out of its list (replaced by a newer transfer of the same file, removed): nothing to write.
    if (!storedList(kind)->contains(task))
        return true;
    return d->serializer->save(kind, false) && task->isPersisted();
}

QList<KSCloudDiskTask *> *KSCloudDiskViewPresenter::downloadTaskList()
{
    Q_D(KSCloudDiskViewPresenter);
    return &d->downloadList;
}

QList<KSCloudDiskTask *> *KSCloudDiskViewPresenter::doneTaskList()
{
    Q_D(KSCloudDiskViewPresenter);
    return &d->doneList;
}

QList<KSCloudDiskTask *> KSCloudDiskViewPresenter::allTask() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->backgroundList;
}

KSCloudDiskTask *KSCloudDiskViewPresenter::findTask(const QString &taskId) const
{
    Q_D(const KSCloudDiskViewPresenter);
    for (const QList<KSCloudDiskTask *> *list : {&d->backgroundList, &d->uploadList, &d->downloadList, &d->doneList}) {
        for (KSCloudDiskTask *task : *list) {
            if (task->taskId() == taskId)
                return task;
        }
    }
    return nullptr;
}

IKSCDBaseTask *KSCloudDiskViewPresenter::findAbstractTask(const QString &taskId) const
{
    return findTask(taskId);
}

KSCloudDiskTask *KSCloudDiskViewPresenterPrivate::findRemovedTask(const QString &taskId) const
{
    for (KSCloudDiskTask *task : removedList) {
        if (task->taskId() == taskId)
            return task;
    }
    return nullptr;
}

KSCloudDiskTask *KSCloudDiskViewPresenter::findRemovedTask(const QString &taskId) const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->findRemovedTask(taskId);
}

KSCloudDiskTask *KSCloudDiskViewPresenter::downloadShareTask() const
{
    Q_D(const KSCloudDiskViewPresenter);
    for (KSCloudDiskTask *task : d->backgroundList) {
        if (!task->shareCode().isEmpty())
            return task;
    }
    return nullptr;
}

bool KSCloudDiskViewPresenter::hasRunningTask() const
{
    Q_D(const KSCloudDiskViewPresenter);
    auto running = [](const KSCloudDiskTask *task) { return task->status() < Paused; };
    return std::any_of(d->uploadList.cbegin(), d->uploadList.cend(), running)
        || std::any_of(d->downloadList.cbegin(), d->downloadList.cend(), running);
}

QList<KSProjectRecentInfo> KSCloudDiskViewPresenter::allRunningTaskFileId() const
{
    Q_D(const KSCloudDiskViewPresenter);
    QList<KSProjectRecentInfo> running;
    for (const KSCloudDiskTask *task : d->downloadList) {
        if (task->status() != Waiting && task->status() != Running)
            continue;
        KSProjectRecentInfo info;
        info.setFileId(task->fileId());
        info.setTaskId(task->taskId());
        running.append(info);
    }
    return running;
}

void KSCloudDiskViewPresenter::queuedTask(KSCDBaseTask *task)
{
    Q_D(KSCloudDiskViewPresenter);
    d->worker->addTask(task);
}

void KSCloudDiskViewPresenter::removeTask(KSCloudDiskTask *task)
{
    removeTask(QList<KSCloudDiskTask *>{task});
}

void KSCloudDiskViewPresenter::removeTask(const QList<KSCloudDiskTask *> &tasks)
{
    Q_D(KSCloudDiskViewPresenter);
    for (KSCloudDiskTask *task : tasks) {
        if (!task)
            continue;
        d->backgroundList.removeAll(task);
        d->removedList.append(task);
    }
    d->save(AllLists);
}

void KSCloudDiskViewPresenter::removeDownloadShareTask(KSCloudDiskTask *task)
{
    Q_D(KSCloudDiskViewPresenter);
    if (!task)
        task = downloadShareTask();
    if (task)
        d->backgroundList.removeAll(task);
    // This presenter has no Qt parent to ask; its service is a QObject when it is the plug-in's own.
    if (auto *service = dynamic_cast<QObject *>(d->service))
        QMetaObject::invokeMethod(service, "resetFloatingWidgetOldPos");
}

// ---------------------------------------------------------------------------------------------
// Start, pause, retry and remove

void KSCloudDiskViewPresenterPrivate::restart(KSCloudDiskTask *task)
{
    Q_Q(KSCloudDiskViewPresenter);
    task->setStatus(Waiting, true);
    if (!task->queuedOnce()) {
        q->queuedTask(task);
        return;
    }
    // Ran before: the library keeps its transfer and picks up where it stopped; its reports drive
    // the task from here. Queued as well, the task would start that running transfer a second time
    // and fail on it.
    const int result = task->resume();
    if (result == 0)
        return;
    if (task->isNothingToResume(result)) {
        // Paused before the library ever had it (still in the worker's queue): a fresh start.
        task->setRestarted(false);
        task->setStatus(Waiting, true);
        q->queuedTask(task);
        return;
    }
    // Left paused, so that the user can start it again; a waiting task would refuse every start.
    task->setStatus(Paused, true);
}

void KSCloudDiskViewPresenterPrivate::startTask(KSCloudDiskTask *task, const QString &tab)
{
    Q_Q(KSCloudDiskViewPresenter);
    sendTransferCenterClick(tab, QStringLiteral("start"));
    if (!task || task->status() < Paused || task->status() == Finished)
        return;
    restart(task);
    q->doTaskStateChanged(task);
    q->updateAssociatedButton();
}

void KSCloudDiskViewPresenterPrivate::pauseTask(KSCloudDiskTask *task, const QString &tab)
{
    Q_Q(KSCloudDiskViewPresenter);
    sendTransferCenterClick(tab, QStringLiteral("pause"));
    if (!task || task->status() == Finished)
        return;
    task->setStatus(Paused, true);
    task->pause();
    q->doTaskStateChanged(task);
    q->updateAssociatedButton();
}

void KSCloudDiskViewPresenterPrivate::removeTask(KSCloudDiskTask *task, const QString &tab)
{
    Q_Q(KSCloudDiskViewPresenter);
    sendTransferCenterClick(tab, QStringLiteral("delete"));
    if (!task)
        return;
    task->setRemoved(true);
    const int status = task->status();
    static_cast<IKSCDBaseTask *>(task)->setStatus(Cancelled);
    const int kind = kindOf(task);
    listOf(task).removeAll(task);
    emitCountChanged(kind);
    emit q->taskCancel({task->taskId()});
    task->abort();
    task->removeWorkingFolders();
    if (task->isUpload() && status == Failed)
        removeTempFile(task);
    removedList.append(task);
    serializer->forget({task->taskId()});
    save(kind);
}

void KSCloudDiskViewPresenterPrivate::startAll(QList<KSCloudDiskTask *> &list, int kind)
{
    Q_Q(KSCloudDiskViewPresenter);
    const QList<KSCloudDiskTask *> tasks = list;
    for (KSCloudDiskTask *task : tasks) {
        if (task->status() >= Paused && task->status() != Finished)
            restart(task);
    }
    if (kind == UploadList)
        emit q->sigAllUploadTaskStateChanged();
    else
        emit q->sigAllDownloadTaskStateChanged();
    save(kind);
    q->updateAssociatedButton();
}

void KSCloudDiskViewPresenterPrivate::pauseAll(QList<KSCloudDiskTask *> &list, int kind)
{
    Q_Q(KSCloudDiskViewPresenter);
    const QList<KSCloudDiskTask *> tasks = list;
    for (KSCloudDiskTask *task : tasks) {
        if (task->status() == Finished)
            continue;
        task->setStatus(Paused, true);
        task->pause();
    }
    q->updateAssociatedButton();
    // After the pause reports queued by the library calls, so the views see the final states.
    QTimer::singleShot(0, q, [this, kind] {
        Q_Q(KSCloudDiskViewPresenter);
        if (kind == UploadList) {
            KScopeDebugger("p7_45442 timer4");
            emit q->sigAllUploadTaskStateChanged();
        } else {
            KScopeDebugger("p7_45442 timer5");
            emit q->sigAllDownloadTaskStateChanged();
        }
        save(kind);
    });
}

void KSCloudDiskViewPresenterPrivate::removeAll(QList<KSCloudDiskTask *> &list, int kind)
{
    Q_Q(KSCloudDiskViewPresenter);
    const QList<KSCloudDiskTask *> tasks = list;
    list.clear();
    emitCountChanged(kind);
    QStringList ids;
    for (KSCloudDiskTask *task : tasks) {
        ids.append(task->taskId());
        task->setRemoved(true);
        const int status = task->status();
        static_cast<IKSCDBaseTask *>(task)->setStatus(Cancelled);
        task->abort();
        task->removeWorkingFolders();
        if (task->isUpload() && status == Failed)
            removeTempFile(task);
    }
    emit q->taskCancel(ids);
    removedList.append(tasks);
    serializer->forget(ids);
    save(kind);
}

void KSCloudDiskViewPresenter::slotStartUploadTask(KSCloudDiskTask *task)
{
    d_func()->startTask(task, QStringLiteral("upload"));
}

void KSCloudDiskViewPresenter::slotStartDownloadTask(KSCloudDiskTask *task)
{
    d_func()->startTask(task, QStringLiteral("download"));
}

void KSCloudDiskViewPresenter::slotPauseUploadTask(KSCloudDiskTask *task)
{
    d_func()->pauseTask(task, QStringLiteral("upload"));
}

void KSCloudDiskViewPresenter::slotPauseDownloadTask(KSCloudDiskTask *task)
{
    d_func()->pauseTask(task, QStringLiteral("download"));
}

void KSCloudDiskViewPresenter::slotRetryUploadTask(KSCloudDiskTask *task)
{
    Q_D(KSCloudDiskViewPresenter);
    sendTransferCenterClick(QStringLiteral("upload"), QStringLiteral("refresh"));
    if (!task || task->status() == Finished)
        return;
    d->retryInProgress = true;
    // Waiting before it is queued: the worker may take it at once, and would run a failed task's
    // stage as if it were still failed.
    task->setStatus(Waiting, true);
    queuedTask(task);
    doTaskStateChanged(task);
    updateAssociatedButton();
    emit retryUpload(task->taskId(), task->filePath(), task->folderPath(), task->fileType());
}

void KSCloudDiskViewPresenter::slotRetryDownloadTask(KSCloudDiskTask *task)
{
    sendTransferCenterClick(QStringLiteral("download"), QStringLiteral("refresh"));
    if (!task || task->status() < Paused || task->status() == Finished)
        return;
    task->setStatus(Waiting, true);
    queuedTask(task);
    doTaskStateChanged(task);
    updateAssociatedButton();
}

void KSCloudDiskViewPresenter::slotRemoveUploadTask(KSCloudDiskTask *task)
{
    d_func()->removeTask(task, QStringLiteral("upload"));
}

void KSCloudDiskViewPresenter::slotRemoveDownloadTask(KSCloudDiskTask *task)
{
    d_func()->removeTask(task, QStringLiteral("download"));
}

void KSCloudDiskViewPresenter::slotStartAllUploadTask()
{
    Q_D(KSCloudDiskViewPresenter);
    d->startAll(d->uploadList, UploadList);
}

void KSCloudDiskViewPresenter::slotStartAllDownloadTask()
{
    Q_D(KSCloudDiskViewPresenter);
    d->startAll(d->downloadList, DownloadList);
}

void KSCloudDiskViewPresenter::slotPauseAllUploadTask()
{
    Q_D(KSCloudDiskViewPresenter);
    d->pauseAll(d->uploadList, UploadList);
}

void KSCloudDiskViewPresenter::slotPauseAllDownloadTask()
{
    Q_D(KSCloudDiskViewPresenter);
    d->pauseAll(d->downloadList, DownloadList);
}

void KSCloudDiskViewPresenter::slotRemoveAllUploadTask()
{
    Q_D(KSCloudDiskViewPresenter);
    d->removeAll(d->uploadList, UploadList);
}

void KSCloudDiskViewPresenter::slotRemoveAllDownloadTask()
{
    Q_D(KSCloudDiskViewPresenter);
    d->removeAll(d->downloadList, DownloadList);
}

void KSCloudDiskViewPresenter::slotRemoveDoneTask(KSCloudDiskTask *task)
{
    Q_D(KSCloudDiskViewPresenter);
    sendTransferCenterClick(QStringLiteral("done"), QStringLiteral("delete"));
    if (!task)
        return;
    task->setRemoved(true);
    static_cast<IKSCDBaseTask *>(task)->setStatus(Cancelled);
    d->doneList.removeAll(task);
    emit sigDoneTaskCountChanged();
    d->removedList.append(task);
    d->serializer->forget({task->taskId()});
    d->save(DoneList);
}

void KSCloudDiskViewPresenter::slotRemoveAllDoneTask()
{
    Q_D(KSCloudDiskViewPresenter);
    const QList<KSCloudDiskTask *> tasks = d->doneList;
    d->doneList.clear();
    emit sigDoneTaskCountChanged();
    d->removedList.append(tasks);
    QStringList ids;
    for (const KSCloudDiskTask *task : tasks)
        ids.append(task->taskId());
    d->serializer->forget(ids);
    d->save(DoneList);
}

// ---------------------------------------------------------------------------------------------
// Transfer requests

QString KSCloudDiskViewPresenterPrivate::locationOf(const KSCloudDiskTask *task) const
{
    switch (task->fileType()) {
    case ProjectFile:
    case ProjectArchiveFile:
        return saveProject2Cloud ? QStringLiteral("project_file_save") : QStringLiteral("start_page");
    case ProjectTemplateFile:
        return QStringLiteral("media_project_template");
    case VideoFile:
        return QStringLiteral("export_format_set");
    case CustomTitleFile:
        return QStringLiteral("custom_title");
    case CustomAdjustLayerFile:
        return QStringLiteral("custom_adjust_layer");
    case CloudMediaFile:
        return QStringLiteral("cloud_media");
    case CustomColorFile:
        return QStringLiteral("custom_color");
    case CustomMaskPresetFile:
        return QStringLiteral("custom_mask");
    case CustomSpeedPresetFile:
        return QStringLiteral("custom_speed");
    case CustomCompoundClipFile:
        return QStringLiteral("custom_compound_clip");
    case AIColorPaletteFile:
        return QStringLiteral("custom_ai_color_palette");
    case CustomColorLayerFile:
        return QStringLiteral("custom_color_layer");
    default:
        return QString();
    }
}

QString KSCloudDiskViewPresenterPrivate::enqueue(KSCloudDiskTask *task, bool listed)
{
    Q_Q(KSCloudDiskViewPresenter);
    task->setListed(listed);
    appendTask(task);
    q->queuedTask(task);
    return task->taskId();
}

QString KSCloudDiskViewPresenterPrivate::addPresetUpload(KSCloudDiskTask *task, bool listed)
{
    task->setAutoSync(KSCloudDiskItemManagerProxy::inAutoSync());
    enqueue(task, listed);
    KSCloudDiskBeginUploadEvent(
        QString(), KSDir::getDirFileTotalSize(task->filePath()), locationOf(task), presetTypeOf(task->fileType()))
        .sendEvent();
    return task->taskId();
}

QString KSCloudDiskViewPresenterPrivate::addPresetDownload(KSCloudDiskTask *task, bool listed, bool presetType)
{
    task->setAutoSync(KSCloudDiskItemManagerProxy::inAutoSync());
    enqueue(task, listed);
    KSCloudDiskBeginDownloadEvent(QString(), task->fileSize(), task->fileId(), locationOf(task),
        presetType ? presetTypeOf(task->fileType()) : QString())
        .sendEvent();
    return task->taskId();
}

QString KSCloudDiskViewPresenterPrivate::addProjectDownload(KSCloudDiskTask *task, const QString &thumbnailPath)
{
    const QString location = QStringLiteral("start_page_cutlane_cloud");
    task->setExtraData(task->taskId(), QVariantMap{{QStringLiteral("location"), location}});
    if (!thumbnailPath.isEmpty()) {
        task->setThumbnailUrl(QUrl::fromLocalFile(thumbnailPath).toString());
        urlDownloadManager->addTask(task->taskId(), task->thumbnailUrl());
    }
    enqueue(task, true);
    KSCloudDiskBeginDownloadEvent(suffixOf(task->filePath()), task->fileSize(), task->fileId(), location, QString())
        .sendEvent();
    return task->taskId();
}

QString KSCloudDiskViewPresenterPrivate::addShareDownload(KSCloudDiskTask *task)
{
    Q_Q(KSCloudDiskViewPresenter);
    task->setListed(false);
    backgroundList.append(task);
    q->queuedTask(task);
    return task->taskId();
}

QString KSCloudDiskViewPresenter::uploadProject(const QString &filePath, KSTaskOverwriteMode mode)
{
    Q_D(KSCloudDiskViewPresenter);
    const QString id = d->enqueue(new KSCloudDiskProjectTask(this, filePath, mode), true);
    KSCloudDiskBeginUploadEvent(suffixOf(filePath), QFileInfo(filePath).size(), QStringLiteral("start_page"))
        .sendEvent();
    return id;
}

QString KSCloudDiskViewPresenter::uploadProjectArchive(const QString &filePath, KSTaskOverwriteMode mode)
{
    Q_D(KSCloudDiskViewPresenter);
    auto *task = new KSCloudDiskProjectArchiveTask(this, filePath, mode);
    d->thumbnailExtractManager->addTask(task->taskId(), filePath);
    return d->enqueue(task, true);
}

QString KSCloudDiskViewPresenter::uploadProjectTemplate(
    const QString &name, const QString &folder, KSTaskOverwriteMode mode)
{
    Q_D(KSCloudDiskViewPresenter);
    auto *task = new KSCloudDiskProjectTemplateTask(this, folder, name, mode);
    d->thumbnailExtractManager->addTask(task->taskId(), folder);
    return d->addPresetUpload(task, true);
}

#define KSCLOUDDISK_PRESET_UPLOAD(Method, Class, Listed)                                                               \
    QString KSCloudDiskViewPresenter::Method(const QString &name, const QString &folder, KSTaskOverwriteMode mode)     \
    {                                                                                                                  \
        return d_func()->addPresetUpload(new Class(this, folder, name, mode), Listed);                                 \
    }
#define KSCLOUDDISK_PRESET_DOWNLOAD(Method, Class, Listed)                                                             \
    QString KSCloudDiskViewPresenter::Method(                                                                          \
        const QString &fileId, const QString &name, const QString &folder, qint64 size)                                \
    {                                                                                                                  \
        return d_func()->addPresetDownload(new Class(this, folder, fileId, name, size), Listed);                       \
    }

KSCLOUDDISK_PRESET_UPLOAD(uploadCustomTitle, KSCloudDiskCustomTitleTask, false)
KSCLOUDDISK_PRESET_UPLOAD(uploadCustomEffect, KSCloudDiskCustomEffectTask, false)
KSCLOUDDISK_PRESET_UPLOAD(uploadCustomAdjustLayer, KSCloudDiskCustomAdjustLayerTask, false)
KSCLOUDDISK_PRESET_UPLOAD(uploadCustomColor, KSCloudDiskCustomColorTask, false)
KSCLOUDDISK_PRESET_UPLOAD(uploadCustomColorLayer, KSCloudDiskCustomColorLayerTask, false)
KSCLOUDDISK_PRESET_UPLOAD(uploadCustomMaskPreset, KSCloudDiskCustomMaskPresetTask, false)
KSCLOUDDISK_PRESET_UPLOAD(uploadCustomCompoundClip, KSCloudDiskCustomCompoundClipTask, true)
KSCLOUDDISK_PRESET_DOWNLOAD(downloadCustomTitle, KSCloudDiskCustomTitleTask, false)
KSCLOUDDISK_PRESET_DOWNLOAD(downloadCustomEffect, KSCloudDiskCustomEffectTask, false)
KSCLOUDDISK_PRESET_DOWNLOAD(downloadCustomAdjustLayer, KSCloudDiskCustomAdjustLayerTask, false)
KSCLOUDDISK_PRESET_DOWNLOAD(downloadCustomColor, KSCloudDiskCustomColorTask, false)
KSCLOUDDISK_PRESET_DOWNLOAD(downloadCustomColorLayer, KSCloudDiskCustomColorLayerTask, false)
KSCLOUDDISK_PRESET_DOWNLOAD(downloadCustomMaskPreset, KSCloudDiskCustomMaskPresetTask, false)
KSCLOUDDISK_PRESET_DOWNLOAD(downloadCustomCompoundClip, KSCloudDiskCustomCompoundClipTask, true)

QString KSCloudDiskViewPresenter::uploadPropertyCustomPreset(
    CloudDiskItemType type, const QString &name, const QString &folder, KSTaskOverwriteMode mode)
{
    return d_func()->addPresetUpload(new KSCloudDiskCustomPresetTask(this, type, folder, name, mode), false);
}

QString KSCloudDiskViewPresenter::downloadPropertyCustomPreset(
    CloudDiskItemType type, const QString &fileId, const QString &name, const QString &folder, qint64 size)
{
    return d_func()->addPresetDownload(new KSCloudDiskCustomPresetTask(this, type, folder, fileId, name, size), false);
}

QString KSCloudDiskViewPresenter::uploadAudioToVideoFile(
    const QString &name, const QString &filePath, const QString &folderPath, KSTaskOverwriteMode mode)
{
    return d_func()->enqueue(new KSCloudDiskAudioToVideoTask(this, filePath, folderPath, name, mode), false);
}

QString KSCloudDiskViewPresenter::uploadCutLongToShortFile(
    const QString &name, const QString &filePath, const QString &folderPath, KSTaskOverwriteMode mode)
{
    return d_func()->enqueue(new KSCloudDiskCutLongToShortTask(this, filePath, folderPath, name, mode), false);
}

QString KSCloudDiskViewPresenter::downloadAudioToVideoFile(const QString &filePath, const QString &fileId)
{
    return d_func()->enqueue(new KSCloudDiskAudioToVideoTask(this, filePath, fileId), false);
}

QString KSCloudDiskViewPresenter::downloadCutLongToShortFile(const QString &filePath, const QString &fileId)
{
    return d_func()->enqueue(new KSCloudDiskCutLongToShortTask(this, filePath, fileId), false);
}

QString KSCloudDiskViewPresenter::downloadProject(const QString &fileId, const QString &filePath, qint64 size)
{
    return d_func()->addProjectDownload(new KSCloudDiskProjectTask(this, filePath, fileId, size), QString());
}

QString KSCloudDiskViewPresenter::downloadProjectArchive(
    const QString &fileId, const QString &filePath, qint64 size, const QString &thumbnailPath)
{
    return d_func()->addProjectDownload(new KSCloudDiskProjectArchiveTask(this, filePath, fileId, size), thumbnailPath);
}

QString KSCloudDiskViewPresenter::downloadProjectTemplate(
    const QString &fileId, const QString &name, const QString &filePath, qint64 size, const QString &thumbnailPath)
{
    Q_D(KSCloudDiskViewPresenter);
    auto *task = new KSCloudDiskProjectTemplateTask(this, filePath, fileId, name, size);
    if (!thumbnailPath.isEmpty()) {
        task->setThumbnailUrl(QUrl::fromLocalFile(thumbnailPath).toString());
        d->urlDownloadManager->addTask(task->taskId(), task->thumbnailUrl());
    }
    return d->addPresetDownload(task, true, false);
}

QString KSCloudDiskViewPresenter::downloadShareProject(const QString &shareCode, const QString &filePath)
{
    return d_func()->addShareDownload(new KSCloudDiskProjectTask(this, filePath, shareCode));
}

QString KSCloudDiskViewPresenter::downloadShareProjectArchive(const QString &shareCode, const QString &filePath)
{
    return d_func()->addShareDownload(new KSCloudDiskProjectArchiveTask(this, filePath, shareCode));
}

QString KSCloudDiskViewPresenter::downloadShareProjectTemplate(
    const QString &shareCode, const QString &name, const QString &filePath)
{
    const QString itemName = name.isEmpty() ? QFileInfo(filePath).fileName() : name;
    return d_func()->addShareDownload(new KSCloudDiskProjectTemplateTask(this, filePath, shareCode, itemName));
}

QStringList KSCloudDiskViewPresenter::uploadCloudMedia(const QList<KSCloudTaskParam> &params)
{
    Q_D(KSCloudDiskViewPresenter);
    KSLOG_INFO("upload cloud media count %d", int(params.size()));
    QList<KSCloudDiskTask *> tasks;
    QStringList ids;
    for (const KSCloudTaskParam &param : params) {
        const QString location = param.location.isEmpty() ? QStringLiteral("cloud_media") : param.location;
        KSCloudDiskBeginUploadEvent(suffixOf(param.filePath), QFileInfo(param.filePath).size(), location).sendEvent();
        auto *task
            = new KSCloudDiskCloudMediaTask(this, param.filePath, param.name, param.folderPath, param.overwriteMode);
        task->setListed(param.showInTransferCenter);
        d->thumbnailExtractManager->addTask(task->taskId(), param.filePath);
        tasks.append(task);
        ids.append(task->taskId());
    }
    d->appendTaskList(tasks);
    d->queuedTaskList(tasks);
    updateAssociatedButton();
    return ids;
}

QStringList KSCloudDiskViewPresenter::downloadCloudMedia(const QList<KSCloudTaskParam> &params)
{
    Q_D(KSCloudDiskViewPresenter);
    QList<KSCloudDiskTask *> tasks;
    QStringList ids;
    for (const KSCloudTaskParam &param : params) {
        auto *task = new KSCloudDiskCloudMediaTask(this, param.filePath, param.fileId, param.fileSize);
        task->setListed(true);
        KSLOG_INFO("download file: %s", qPrintable(param.filePath));
        KSLOG_INFO("thumbnial url: %s", qPrintable(param.thumbnailUrl));
        if (isValidUrl(param.thumbnailUrl)) {
            d->urlDownloadManager->addTask(task->taskId(), param.thumbnailUrl);
            task->setThumbnailUrl(param.thumbnailUrl);
        } else if (!param.thumbnailLocalPath.isEmpty() && QFileInfo::exists(param.thumbnailLocalPath)) {
            task->setThumbnailLocalPath(param.thumbnailLocalPath);
            task->loadThumbnail();
        }
        KSCloudDiskBeginDownloadEvent(suffixOf(param.filePath), param.fileSize, param.fileId,
            param.location.isEmpty() ? QStringLiteral("cloud_media") : param.location)
            .sendEvent();
        if (!param.location.isEmpty())
            task->setExtraData(task->taskId(), QVariantMap{{QStringLiteral("location"), param.location}});
        tasks.append(task);
        ids.append(task->taskId());
    }
    d->appendTaskList(tasks);
    d->queuedTaskList(tasks);
    updateAssociatedButton();
    return ids;
}

QStringList KSCloudDiskViewPresenter::uploadVideo(const QList<KSCloudTaskParam> &params)
{
    Q_D(KSCloudDiskViewPresenter);
    QStringList ids;
    for (const KSCloudTaskParam &param : params) {
        const qint64 size = QFileInfo(param.filePath).size();
        KSCloudDiskBeginUploadEvent(suffixOf(param.filePath), size, QStringLiteral("export_format_set")).sendEvent();
        auto *task = new KSCloudDiskVideoTask(this, param.filePath, param.overwriteMode);
        task->setFileSize(size);
        ids.append(d->enqueue(task, param.showInTransferCenter));
    }
    updateAssociatedButton();
    return ids;
}

// ---------------------------------------------------------------------------------------------
// Cloud folder operations

void KSCloudDiskViewPresenter::downloadThumb(const QString &fileId, const QString &savePath)
{
    queuedTask(new KSCloudDiskDownloadThumbTask(this, fileId, savePath));
}

void KSCloudDiskViewPresenter::removeFile(const QString &fileId)
{
    queuedTask(new KSCloudDiskRemoveFileTask(this, fileId));
}

void KSCloudDiskViewPresenter::deleteFile(const QString &fileId, bool retry, int retryCount)
{
    queuedTask(new KSCloudDiskDeleteFileTask(this, fileId, retry, retryCount));
}

void KSCloudDiskViewPresenter::loadFolderFiles(const QString &fileId, const QString &filter)
{
    queuedTask(new KSCloudDiskLoadFolderFilesTask(this, fileId, filter));
}

void KSCloudDiskViewPresenter::createDir(const QString &parentFileId, const QString &path)
{
    queuedTask(new KSCloudDiskCreateDirTask(this, parentFileId, path));
}

void KSCloudDiskViewPresenter::renameFile(const QString &fileId, const QString &newName)
{
    queuedTask(new KSCloudDiskRenameFileTask(this, fileId, newName));
}

QString KSCloudDiskViewPresenterPrivate::resolveMediaFolder(const QString &subPath) const
{
    int code = 0;
    return KSCloudDiskCreateDirTask::create(
        QStringLiteral("root"), QStringLiteral("Cutlane/My Cloud Media") + subPath, &code);
}

bool KSCloudDiskViewPresenterPrivate::folderExists(const QString &parentId, const QString &name) const
{
    const QJsonObject request{{QStringLiteral("space_id"), QString::number(service->getSpaceId())},
        {QStringLiteral("parent_file_id"), parentId}, {QStringLiteral("type"), QStringLiteral("folder")},
        {QStringLiteral("names"), QJsonObject{{QStringLiteral("values"), QJsonArray{name}}}}};
    QString json = QString::fromUtf8(QJsonDocument(request).toJson(QJsonDocument::Compact));
    service->fixSpaceIdInJson(json);
    const QByteArray text = json.toUtf8();
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_SearchFile(text, out); });
    KSLOG_INFO("CDS_Search: %d", int(answer.result()));
    if (answer.result() == 0 || !answer.hasAnswer())
        return false;
    KSLOG_INFO("CDS_Search: %s", answer.logText().constData());
    return answer.code() == 0 && !answer.data().toArray().isEmpty();
}

bool KSCloudDiskViewPresenter::checkFolderExist(const QString &folderName, const QString &subPath)
{
    Q_D(KSCloudDiskViewPresenter);
    const QString folderId = d->resolveMediaFolder(subPath);
    return !folderId.isEmpty() && d->folderExists(folderId, folderName);
}

QStringList KSCloudDiskViewPresenter::renameDuplicateFolders(const QStringList &localFolders, const QString &subPath)
{
    Q_D(KSCloudDiskViewPresenter);
    const QString folderId = d->resolveMediaFolder(subPath);
    if (folderId.isEmpty())
        return localFolders;
    QStringList renamed;
    for (const QString &entry : localFolders) {
        const bool driveRoot = entry.size() == 3;
        // Split by hand: for "C:/media/Holiday" QFileInfo on a system without drive letters would
        // see a relative path and put the working folder in front of it.
        QString path = QDir::fromNativeSeparators(entry);
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        const QString base = driveRoot ? entry.left(1) : path.mid(slash + 1);
        QString candidate = base;
        for (int n = 1; d->folderExists(folderId, candidate); ++n)
            candidate = QStringLiteral("%1(%2)").arg(base).arg(n);
        if (driveRoot) {
            renamed.append(candidate + QLatin1Char('/'));
            continue;
        }
        const QString parentPath = slash < 0 ? QString() : slash == 0 ? QStringLiteral("/") : path.left(slash + 1);
        renamed.append(parentPath + candidate);
    }
    return renamed;
}

// ---------------------------------------------------------------------------------------------
// Task reports

void KSCloudDiskViewPresenter::doTaskStateChanged(IKSCDBaseTask *baseTask)
{
    Q_D(KSCloudDiskViewPresenter);
    auto *task = dynamic_cast<KSCloudDiskTask *>(baseTask);
    if (!task)
        return;
    int status = task->status();
    if (status == Running || status == Transferred)
        d->tokenRetries.remove(task->taskId());
    if (status == Failed && task->failedCode() == kTokenExpired
        && d->tokenRetries.value(task->taskId()) < kTokenRetryLimit) {
        ++d->tokenRetries[task->taskId()];
        emit sigRefreshToken();
        if (task->isUpload()) {
            slotRetryUploadTask(task);
            KSLOG_INFO("ERROR_CODE_TOKEN_EXPIRED, retry upload. taskId=%s, filePath=%s", qPrintable(task->taskId()),
                qPrintable(task->filePath()));
        } else {
            slotRetryDownloadTask(task);
            KSLOG_INFO("ERROR_CODE_TOKEN_EXPIRED, retry download. taskId=%s, filePath=%s", qPrintable(task->taskId()),
                qPrintable(task->filePath()));
        }
        return;
    }
    if (status == RootFolderSyncFailed) {
        KSLOG_WARN_TO("APP@RES",
            "[cloud disk] sync root folder to crc failed, continu upload. file_id=%s, file_path=%s",
            qPrintable(task->fileId()), qPrintable(task->filePath()));
        task->setStatus(Failed, true);
        // Nothing runs the task again after this answer: unless it is reported as the failure it now
        // is, the views and the caller never learn that the upload stopped.
        status = Failed;
        if (task->failedCode() == 0)
            task->setFailedCode(kSyncFailed);
    } else if (status == RootFolderSynced && task->isUpload()) {
        KSLOG_INFO_TO("APP@RES",
            "[cloud disk] sync root folder to crc success, continu upload. file_id=%s, file_path=%s",
            qPrintable(task->fileId()), qPrintable(task->filePath()));
        queuedTask(task);
    }
    if (task->listed()) {
        if (task->removed())
            return;
        if (status <= Failed) {
            if (!d->retryInProgress)
                emit sigSendTaskErrorType(task->failedCode(), task->operation());
            else if (status == Failed)
                d->retryInProgress = false;
            emit sigTaskStateChanged(task);
            d->save(d->kindOf(task));
        } else if (task->status() == Finished) {
            d->moveToDone(task);
        }
    }
    switch (status) {
    case Running:
        emit taskProgressChanged(task->taskId(), task->totalSize(), task->transSize());
        break;
    case Transferred:
        emit taskFinished(task->taskId());
        break;
    case Failed:
        emit taskFailed(task->taskId(), false, task->failedCode());
        if (!task->autoSync() && task->shareCode().isEmpty() && !task->listed() && task->fileType() != LongToShortFile
            && task->fileType() != AudioToVideoFile && task->isUpload())
            showMessage(task->operation(), task->failedCode());
        break;
    default:
        break;
    }
}

void KSCloudDiskViewPresenter::taskProgressFinished(const QString &taskId)
{
    Q_D(KSCloudDiskViewPresenter);
    KSCloudDiskTask *task = findTask(taskId);
    if (!task)
        return;
    task->setStatus(Finished, true);
    const QString presetType = presetTypeOf(task->fileType());
    const QString suffix = suffixOf(task->filePath());
    if (task->isDownload()) {
        if (!task->shareCode().isEmpty()) {
            emit downloadShareFinished();
        } else {
            QString location = d->locationOf(task);
            bool defaultFolder = false;
            const QVariant extra = task->extraData(task->taskId());
            if (task->hasExtraData()) {
                location = extra.toMap().value(QStringLiteral("location")).toString();
                defaultFolder
                    = KSConfigEngine::instance()
                          ->getValue(1, QStringLiteral("CLOUD_SPACE"), QStringLiteral("DEFAULT_FOLDER"), false)
                          .toBool();
            }
            KSCloudDiskDownloadSuccessEvent(
                suffix, task->totalSize(), task->fileId(), location, defaultFolder, presetType)
                .sendEvent();
        }
        emit downloadFinished(task->taskId(), task->filePath(), task->name(), task->fileType(), task->fileId());
        if (task->fileType() == CloudMediaFile)
            emit downloadCloudMediaFinished(task->filePath());
        return;
    }
    d->trackAutoSyncToCloud(task);
    KSCloudDiskUploadSuccessEvent(suffix, task->totalSize(), task->fileId(), d->locationOf(task), presetType)
        .sendEvent();
    emit uploadFinished(task->taskId(), task->fileId(), task->newName(), task->thumbnailFileId());
    if (task->fileType() == VideoFile) {
        emit uploadVideoFinished(
            task->filePath(), task->fileId(), task->newName(), task->contentHashName(), task->contentHash());
    } else if (task->fileType() == CloudMediaFile) {
        emit uploadCloudMediaFinished(task->filePath(), task->fileId(), task->newName());
    }
}

void KSCloudDiskViewPresenterPrivate::trackAutoSyncToCloud(KSCloudDiskTask *task)
{
    if (!task->autoSync())
        return;
    QString type;
    if (dynamic_cast<KSCloudDiskCustomTitleTask *>(task))
        type = QStringLiteral("title");
    else if (dynamic_cast<KSCloudDiskCustomAdjustLayerTask *>(task))
        type = QStringLiteral("adjustment_layer");
    else if (qobject_cast<KSCloudDiskProjectTemplateTask *>(task))
        type = QStringLiteral("template");
    else if (dynamic_cast<KSCloudDiskCustomCompoundClipTask *>(task))
        type = QStringLiteral("compound_clip");
    else if (qobject_cast<KSCloudDiskCustomPresetTask *>(task) && task->fileType() == AIColorPaletteFile)
        type = QStringLiteral("ai_color_palette");
    if (type.isEmpty())
        return;
    KSGeneralEvent(QStringLiteral("auto_sync_to_cloud"))
        .add(QStringLiteral("sync_status"), 1)
        .add(QStringLiteral("sync_file_type"), type);
}

void KSCloudDiskViewPresenterPrivate::removeTempFile(KSCloudDiskTask *task)
{
    Q_Q(KSCloudDiskViewPresenter);
    switch (task->fileType()) {
    case VideoFile:
    case CloudMediaFile:
    case LongToShortFile:
    case AudioToVideoFile:
        return;
    default:
        break;
    }
    const QStringList ids = task->uploadedFolderIds();
    for (const QString &fileId : ids) {
        QMetaObject::invokeMethod(
            q, [q, fileId] { q->deleteFile(fileId, false, 0); }, Qt::QueuedConnection);
    }
}

QWidget *KSCloudDiskViewPresenterPrivate::dialogParent(QWidget *parent) const
{
    if (parent)
        return parent;
    if (QWidget *widget = viewHost->dlgParent())
        return widget;
    return QApplication::activeWindow();
}

bool KSCloudDiskViewPresenter::taskSpaceNotEnough(KSCloudDiskTask *task, QWidget *parent, qint64 size)
{
    Q_D(KSCloudDiskViewPresenter);
    Q_UNUSED(size)
    // A listed task's failure shows in the transfer center.
    if (task && !d->inBackground(task))
        return false;
    if (task) {
        static_cast<IKSCDBaseTask *>(task)->setStatus(Failed);
        task->setFailedCode(CloudSpaceInsufficient);
    }
    d->save(AllLists);
    KSCloudDiskWindowPopupEvent(QStringLiteral("cloud_space_insufficient")).sendEvent();
    if (dynamic_cast<KSCloudDiskCustomTitleTask *>(task))
        return false;
    const KSCloudDiskInfo info = d->service->getDiskInfo();
    const double mib = 1048576.0;
    const double remaining = std::max<double>(double(info.totalSize - info.usedSize), 0.0) / mib;
    const QString text
        = tr("The cloud space is insufficient. The remaining space is %1 MB (%2 MB has been used, the "
             "total capacity is %3 MB).")
              .arg(QString::number(remaining, 'f', 1), QString::number(double(info.usedSize) / mib, 'f', 1),
                  QString::number(double(info.totalSize) / mib, 'f', 1));
    if (!KOldMessageDialog::question(
            d->dialogParent(parent), tr("Insufficient Storage Available"), text, tr("Buy"), tr("Cancel")))
        return false;
    KSCloudDiskBtnClickEvent(QStringLiteral("cloud_space_insufficient"), QStringLiteral("buy"), QString()).sendEvent();
    bool abort = false;
    emit sigOpenExpandPage(abort, false);
    return !abort;
}

void KSCloudDiskViewPresenter::taskBePunished(KSCloudDiskTask *task, QWidget *parent)
{
    Q_D(KSCloudDiskViewPresenter);
    if (task && !d->inBackground(task))
        return;
    KOldMessageDialog::information(d->dialogParent(parent), QString(),
        tr("Cloud backup files contain illegal content cannot be downloaded, if you have any questions, please "
           "contact customer service."));
}

void KSCloudDiskViewPresenter::taskNotWritable(KSCloudDiskTask *task, QWidget *parent, const QString &path)
{
    Q_D(KSCloudDiskViewPresenter);
    if (task && !d->inBackground(task))
        return;
    KOldMessageDialog::information(d->dialogParent(parent), QString(),
        tr("Local directory \"%1\" is not write, please modify the local permission before downloading.").arg(path));
}

void KSCloudDiskViewPresenter::showMessage(int operation, int errorCode) const
{
    if (KSCloudDiskItemManagerProxy::inAutoSync())
        return;
    QString text;
    switch (errorCode) {
    case 13:
    case CloudSpaceInsufficient:
    case 24:
    case MembershipExpired:
        if (operation == UploadOperation)
            text = tr("Insufficient space. Please expand cloud storage.");
        else if (operation == DownloadOperation)
            text = tr("Download failed: File does not exist");
        break;
    case 19:
        text = tr("Sync failed");
        break;
    default:
        if (operation == UploadOperation)
            text = tr("Network error. Please check network.");
        else if (operation == DownloadOperation)
            text = tr("Download failed. Please check your network.");
        break;
    }
    if (!text.isEmpty()) {
        KSCustomEventManager::instance()->dispatch(KSCustomEventPtr::create(
            QStringLiteral("ShowToast"), QVariantMap{{QStringLiteral("text"), text}, {QStringLiteral("flag"), false}}));
    }
    KSLOG_WARN("Cloud disk operation failed, operation = %d, errorCode = %d", operation, errorCode);
}
