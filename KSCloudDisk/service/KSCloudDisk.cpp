#include "KSCloudDisk.h"

#include "IKSAppInfo.h"
#include "IKSCloudDiskItemManager.h"
#include "IKSCloudDiskService.h"
#include "IKSTQIDAccount.h"
#include "KSBaseLog.h"
#include "KSCloudDiskDownloadDialog.h"
#include "KSCloudDiskFloatingWidget.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskReadiness.h"
#include "KSCloudDiskRemoveDialog.h"
#include "KSCloudDiskShareDialog.h"
#include "KSCloudDiskTranslator.h"
#include "KSCloudDiskTrackEvent.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCloudSpaceSelectDownloadAddressDialog.h"
#include "KSConfigEngine.h"
#include "KSCustomEvent.h"
#include "KSDriveAnswer.h"
#include "KSLocale.h"
#include "KSNetwork.h"
#include "TQCoreKit.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>
#include <QtConcurrent>

#include <algorithm>
#include <atomic>

namespace {

// The unlocked first test of getCloudDisk reads it while another thread may be writing it.
std::atomic<KSCloudDisk *> s_instance{nullptr};
QMutex s_creationMutex;

constexpr int kTokenMissing = 99999004;
constexpr int kTokenExpired = 140013;
constexpr int kQueryUnavailableNotOpened = 381301;
constexpr int kQueryOpened = 381300;
constexpr int kQueryUnavailableOpened = 381305;

bool onMainThread()
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

void dispatchPileInsertion(const char *name)
{
    KSCustomEventManager::instance()->dispatch(
        KSCustomEventPtr::create(QString::fromLatin1(name), QStringLiteral("KSCloudDisk release")));
}

// The language the drive's pages use: the country for long codes ("zh_CN" gives "CN").
QString pageLanguage()
{
    const QString language = KSLocale::languageCode();
    return language.size() > 2 ? KSLocale::countryCode() : language;
}

} // namespace

IKSCloudDiskEventObserver::~IKSCloudDiskEventObserver() = default;

extern "C" IKSCloudDisk *getCloudDisk()
{
    return KSCloudDisk::create();
}

extern "C" IKSCloudDisk *getCloudDiskNoCreate()
{
    return s_instance.load(std::memory_order_acquire);
}

KSCloudDisk *KSCloudDisk::instance()
{
    return s_instance.load(std::memory_order_acquire);
}

KSCloudDisk *KSCloudDisk::create()
{
    if (KSCloudDisk *existing = s_instance.load(std::memory_order_acquire))
        return existing;
    QMutexLocker lock(&s_creationMutex);
    KSCloudDisk *service = s_instance.load(std::memory_order_acquire);
    if (!service) {
        service = new KSCloudDisk;
        s_instance.store(service, std::memory_order_release);
        KSLazySingletonManager::instance()->add(service);
    }
    return service;
}

void KSCloudDisk::release()
{
    if (!s_instance.load(std::memory_order_acquire))
        return;
    QMutexLocker lock(&s_creationMutex);
    KSCloudDisk *service = s_instance.load(std::memory_order_acquire);
    if (!service)
        return;
    KSLazySingletonManager::instance()->remove(service);
    // Deleted before the pointer is cleared: pool workers still running during teardown keep
    // reaching this instance instead of creating a new one.
    delete service;
    s_instance.store(nullptr, std::memory_order_release);
}

KSCloudDisk::KSCloudDisk()
{
    qRegisterMetaType<KSCloudDiskOperation>("KSCloudDiskOperation");
    m_presenter = new KSCloudDiskViewPresenter(this);
    // Made before the move below: a child has to be created on its parent's thread.
    m_laterRefresh = new QTimer(this);
    m_laterRefresh->setSingleShot(true);
    connect(m_laterRefresh, &QTimer::timeout, this, [this] {
        // The previous refresh still waits for the network: ask again once it is done, without
        // holding this (the GUI) thread.
        if (m_laterRefreshFuture.isRunning()) {
            m_laterRefresh->start(200);
            return;
        }
        m_laterRefreshFuture = QtConcurrent::run(QThreadPool::globalInstance(), [this] { syncRefreshDiskInfo(0); });
    });
    // Notifications and slots run on the GUI thread, whichever thread asked for the service first.
    if (QCoreApplication::instance() && thread() != QCoreApplication::instance()->thread()) {
        moveToThread(QCoreApplication::instance()->thread());
        m_presenter->moveToThread(QCoreApplication::instance()->thread());
    }
    // Before the first window: some sources are translation ids, never meant to show as written.
    KSCloudDiskTranslator::install();
}

void KSCloudDisk::stopLaterRefresh()
{
    // Disconnected first (thread-safe): a timeout already on its way starts nothing.
    m_laterRefresh->disconnect(this);
    if (m_laterRefresh->thread() == QThread::currentThread()) {
        m_laterRefresh->stop();
        return;
    }
    // A timer can only be stopped on its own thread; deleted there, it stops with it. Left to this
    // object's destruction on a foreign thread, it would stay armed and fire at freed memory.
    QTimer *timer = m_laterRefresh;
    timer->setParent(nullptr);
    m_laterRefresh = nullptr;
    QMetaObject::invokeMethod(timer, "deleteLater", Qt::QueuedConnection);
}

void KSCloudDisk::refreshDiskInfoLater(int delayMs)
{
    QMetaObject::invokeMethod(this, [this, delayMs] {
        if (m_laterRefresh && !m_laterRefresh->isActive())
            m_laterRefresh->start(delayMs);
    });
}

KSCloudDisk::~KSCloudDisk()
{
    const bool mainThread = onMainThread();
    if (mainThread)
        dispatchPileInsertion("NotifyBeginPileInsetionEvent");
    KSLOG_INFO("delete cloud disk");
    // From here no request starts new pool work: a request racing the release would otherwise
    // replace the future being waited for, and its worker would outlive this object.
    QFuture<void> task;
    {
        QMutexLocker lock(&m_mutex);
        m_releasing = true;
        task = m_taskFuture;
    }
    task.waitForFinished();
    KSLOG_INFO("done wait future");
    QFuture<void> info;
    {
        QMutexLocker lock(&m_mutex);
        info = m_infoFuture;
    }
    info.waitForFinished();
    KSLOG_INFO("done wait info future");
    stopLaterRefresh();
    m_laterRefreshFuture.waitForFinished();
    m_presenter->aboutToQuit();
    KSLOG_INFO("done about to quit");
    Drive_Uninit();
    KSLOG_INFO("done cds exit");
    delete m_presenter;
    m_presenter = nullptr;
    KSLOG_INFO("done delete presenter");
    if (m_hostService) {
        m_hostService->release();
        m_hostService = nullptr;
        m_stateSink = nullptr;
    }
    KSLOG_INFO("done release service");
    if (mainThread)
        dispatchPileInsertion("NotifyEndPileInsetionEvent");
}

void KSCloudDisk::init(const KSCloudDiskInitParam &param)
{
    {
        QMutexLocker lock(&m_mutex);
        // A second init replaces the mirror instead of leaking the first one.
        if (m_hostService)
            m_hostService->release();
        m_hostService = IKSCloudDiskService::createInstance(4);
        m_stateSink = m_hostService ? dynamic_cast<IKSCloudDiskStateSink *>(m_hostService->stateReceiver()) : nullptr;
        m_productId = param.productId;
        m_productVersion = param.productVersion;
        m_deviceId = param.deviceId;
        m_logFolder = param.logFolder;
    }
    Drive_SetTokenExpireCallback(&KSCloudDisk::cdsTokenExpireCallback, this);
    const QByteArray request = KSDriveAnswer::compact({{QStringLiteral("pid"), param.productId},
        {QStringLiteral("pname"), QStringLiteral("Cutlane")}, {QStringLiteral("pver"), param.productVersion},
        {QStringLiteral("did"), param.deviceId}, {QStringLiteral("net_timeout"), 30}, {QStringLiteral("log_level"), 4},
        {QStringLiteral("log_path"), param.logFolder}});
    const int result = Drive_Init(request.constData());
    KSLOG_INFO("CDS_Init: %d", result);
    initSensors();
    // The editor may init more than once; a second listener would run the whole flow a second time.
    const QString activate = QStringLiteral("NotifyActivateCloudDisk");
    const auto listeners = findChildren<KSCustomEventListener *>(QString(), Qt::FindDirectChildrenOnly);
    const bool listening = std::any_of(listeners.cbegin(), listeners.cend(),
        [&](const KSCustomEventListener *listener) { return listener->eventName() == activate; });
    if (!listening) {
        new KSCustomEventListener(
            KSCustomEventManager::instance(), this, activate, [this](const KSCustomEventPtr &event) {
                event->setResult(activateFromEvent(qvariant_cast<QWidget *>(event->payload())));
            });
    }
}

void KSCloudDisk::initSensors()
{
    IKSAppInfo *app = IKSAppInfo::getInstance();
    QString version;
    {
        QMutexLocker lock(&m_mutex);
        version = m_productVersion;
    }
    const QByteArray request = KSDriveAnswer::compact({{QStringLiteral("did"), app->deviceId()},
        {QStringLiteral("pid"), app->getValue(IKSAppInfo::SensorsProductId).toLongLong()},
        {QStringLiteral("pver"), version}, {QStringLiteral("pbrand"), QStringLiteral("Orvane")},
        {QStringLiteral("plang"), pageLanguage()}, {QStringLiteral("oszone"), KSUtility::GetTimeZone()},
        {QStringLiteral("osbit"), KSUtility::GetOsSystemBit()}, {QStringLiteral("ostype"), QStringLiteral("windows")},
        {QStringLiteral("os_version"), KSUtility::GetOsVersion()},
        {QStringLiteral("oslang"), KSUtility::GetSysLanguageSimple()}});
    const int result = Drive_InitSensors(request.constData());
    KSLOG_INFO("CDS_InitSensors %s: %d", result == 0 ? "success" : "failed", result);
}

bool KSCloudDisk::isServiceUnavailable() const
{
    QMutexLocker lock(&m_mutex);
    return m_serviceUnavailable;
}

bool KSCloudDisk::isServiceReady() const
{
    QMutexLocker lock(&m_mutex);
    return m_serviceState == Ready;
}

bool KSCloudDisk::isServiceOpened() const
{
    QMutexLocker lock(&m_mutex);
    return m_serviceState == Opened;
}

bool KSCloudDisk::needOpenService() const
{
    QMutexLocker lock(&m_mutex);
    return m_serviceState == NotOpened;
}

KSCloudShareResult KSCloudDisk::getShareResult() const
{
    QMutexLocker lock(&m_mutex);
    return m_shareResult;
}

KSCloudDiskInfo KSCloudDisk::getDiskInfo() const
{
    QMutexLocker lock(&m_mutex);
    return m_diskInfo;
}

bool KSCloudDisk::isLoggingIn() const
{
    QMutexLocker lock(&m_mutex);
    return m_accountOp == AccountOpLogin;
}

bool KSCloudDisk::isOpeningService() const
{
    QMutexLocker lock(&m_mutex);
    return m_accountOp == AccountOpOpenService;
}

bool KSCloudDisk::isSharing() const
{
    QMutexLocker lock(&m_mutex);
    return m_accountOp == AccountOpShare;
}

bool KSCloudDisk::isRefreshingDiskInfo() const
{
    QMutexLocker lock(&m_mutex);
    return m_refreshingDiskInfo;
}

QString KSCloudDisk::getDataCenter() const
{
    QMutexLocker lock(&m_mutex);
    return m_dataCenter;
}

quint64 KSCloudDisk::getSpaceId() const
{
    return m_spaceId;
}

KSCloudDiskViewPresenter *KSCloudDisk::getPresenter() const
{
    return m_presenter;
}

void KSCloudDisk::setServiceStateLocked(KSCloudServiceState state)
{
    m_serviceState = state;
    if (m_stateSink)
        m_stateSink->setServiceState(state);
}

void KSCloudDisk::setServiceUnavailableLocked(bool unavailable)
{
    m_serviceUnavailable = unavailable;
    if (m_stateSink)
        m_stateSink->setServiceUnavailable(unavailable);
}

bool KSCloudDisk::previousTaskRunning() const
{
    // The request is over once its operation is back to none: its worker posts the notification
    // just before it ends, and a request made from that notification must not be dropped.
    if (m_taskFuture.isFinished() || m_accountOp == AccountOpNone)
        return false;
    KSLOG_WARN_TO("APP@RES", "previous task is not finished, abandon this task.");
    return true;
}

QByteArray KSCloudDisk::serviceRequest(const KSCloudAccountParam &param) const
{
    return KSDriveAnswer::compact({{QStringLiteral("pid"), param.productId},
        {QStringLiteral("pver"), param.productVersion}, {QStringLiteral("plang"), param.language},
        {QStringLiteral("did"), param.deviceId}, {QStringLiteral("token"), param.token}});
}

void KSCloudDisk::setTqidToken(const KSCloudAccountParam &param)
{
    QMutexLocker lock(&m_mutex);
    if (m_releasing || previousTaskRunning())
        return;
    if (param.token.isEmpty()) {
        lock.unlock();
        m_presenter->pauseAllTask();
        const int result = Drive_Logout();
        KSLOG_INFO("CDS_Logout: %d", result);
        lock.relock();
        setServiceStateLocked(SignedOut);
        return;
    }
    lock.unlock();
    updateToken(param.token, false);
    lock.relock();
    m_accountOp = AccountOpLogin;
    m_taskFuture = QtConcurrent::run(QThreadPool::globalInstance(), [this, param]() { loginWorker(param); });
}

void KSCloudDisk::loginWorker(const KSCloudAccountParam &param)
{
    const QByteArray query = serviceRequest(param);
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_QueryService(query, out); });
    KSLOG_INFO("CDS_QueryService: %d", int(answer.result()));
    const QByteArray publicLogin
        = KSDriveAnswer::compact({{QStringLiteral("token"), param.token}, {QStringLiteral("is_public"), true}});
    KSLOG_INFO("CDS_LoginPublic: %d", Drive_Login(publicLogin.constData()));

    QMutexLocker lock(&m_mutex);
    setServiceStateLocked(Unanswered);
    setServiceUnavailableLocked(false);
    if (answer.hasAnswer()) {
        KSLOG_INFO("CDS_QueryService: %s", answer.logText().constData());
        m_dataCenter = answer.data().toObject().value(QLatin1String("dc")).toString();
        switch (answer.code()) {
        case 0:
            setServiceStateLocked(NotOpened);
            break;
        case kQueryUnavailableNotOpened:
            setServiceStateLocked(NotOpened);
            setServiceUnavailableLocked(true);
            break;
        case kQueryOpened:
            setServiceStateLocked(Opened);
            break;
        case kQueryUnavailableOpened:
            setServiceStateLocked(Opened);
            setServiceUnavailableLocked(true);
            break;
        default:
            break;
        }
    }
    if (!m_serviceUnavailable && m_serviceState == Opened) {
        // The space id stays while the new one is asked for: a re-login of the same account must not
        // pull it from under a running stage. initSpaceId replaces it, or clears it when the login or
        // the space list fails, so another account's space never survives into this one.
        lock.unlock();
        KSLOG_INFO("start cds login");
        const QByteArray login
            = KSDriveAnswer::compact({{QStringLiteral("token"), param.token}, {QStringLiteral("is_public"), false}});
        const int result = Drive_Login(login.constData());
        KSLOG_INFO("CDS_Login: %d", result);
        if (result == 0)
            initSpaceId();
        else
            clearSpace();
        lock.relock();
        if (result == 0) {
            setServiceStateLocked(Ready);
            initSensorsUserProInfo();
        }
        m_accountOp = AccountOpNone;
        lock.unlock();
        postNotify(DiskInfo);
    } else {
        KSLOG_INFO("go to end before cds login");
        m_accountOp = AccountOpNone;
        lock.unlock();
    }
    postNotify(Login);
}

void KSCloudDisk::registerAccount(const KSCloudAccountParam &param)
{
    QMutexLocker lock(&m_mutex);
    if (m_releasing || previousTaskRunning())
        return;
    lock.unlock();
    updateToken(param.token, false);
    lock.relock();
    m_accountOp = AccountOpOpenService;
    m_taskFuture = QtConcurrent::run(QThreadPool::globalInstance(), [this, param]() { openServiceWorker(param); });
}

void KSCloudDisk::openServiceWorker(const KSCloudAccountParam &param)
{
    const QByteArray request = serviceRequest(param);
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_OpenService(request, out); });
    KSLOG_INFO("CDS_OpenService: %d", int(answer.result()));
    QMutexLocker lock(&m_mutex);
    if (answer.hasAnswer()) {
        KSLOG_INFO("CDS_OpenService: %s", answer.logText().constData());
        switch (answer.code()) {
        case 0:
        case kQueryOpened:
            setServiceStateLocked(Opened);
            setServiceUnavailableLocked(false);
            break;
        case kQueryUnavailableOpened:
            setServiceStateLocked(Opened);
            setServiceUnavailableLocked(true);
            break;
        case kQueryUnavailableNotOpened:
            setServiceStateLocked(NotOpened);
            setServiceUnavailableLocked(true);
            break;
        default:
            break;
        }
    }
    m_accountOp = AccountOpNone;
    lock.unlock();
    postNotify(OpenService);
}

void KSCloudDisk::initSensorsUserProInfo()
{
    const QString firstVisit = KSConfigEngine::instance()
                                   ->getValue(1, QStringLiteral("Common"), QStringLiteral("FirstVisitDateNew"),
                                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                                   .toString();
    const QDateTime visited = QDateTime::fromString(firstVisit, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    const bool firstDay = visited.isValid() ? visited.date() == QDate::currentDate() : true;
    const QByteArray request = KSDriveAnswer::compact(
        {{QStringLiteral("uid"), getTQIDAccount()->userId()}, {QStringLiteral("is_first_day"), firstDay}});
    const int result = Drive_SetUserProInfo(request.constData());
    KSLOG_INFO("CDS_SetUserProInfo %s: %d", result == 0 ? "success" : "failed", result);
}

void KSCloudDisk::updateToken(const QString &token, bool pushToLibrary)
{
    {
        QMutexLocker lock(&m_mutex);
        m_accessToken = token;
    }
    if (pushToLibrary) {
        const int result = Drive_UpdateToken(token.toUtf8().constData());
        KSLOG_INFO("CDS_UpdateToken: %d", result);
    }
}

void KSCloudDisk::updateTqidToken()
{
    KSLOG_INFO("update tqid token");
    IKSAppInfo *app = IKSAppInfo::getInstance();
    KSCloudAccountParam param;
    param.token = getTQIDAccount()->accessToken();
    param.language = KSLocale::clientLanguageCode2(1);
    param.productVersion = app->productVersion();
    param.deviceId = app->deviceId();
    param.productId = app->getValue(IKSAppInfo::ProductId).toInt();
    setTqidToken(param);
}

void KSCloudDisk::refreshAccount()
{
    IKSTQIDAccount *account = getTQIDAccount();
    const QString token = account->accessToken();
    const QString email = account->email();
    updateToken(token, false);
    updateTqidToken();
    refreshDiskInfo(token);
    m_presenter->setEmail(email);
}

void KSCloudDisk::clearAccount()
{
    updateToken(QString(), false);
    setTqidToken(KSCloudAccountParam());
    refreshDiskInfo(QString());
    m_presenter->setEmail(QString());
}

void KSCloudDisk::cdsTokenExpireCallback(void *context)
{
    KSLOG_INFO("cds token expire call back");
    if (context)
        QMetaObject::invokeMethod(static_cast<KSCloudDisk *>(context), "tokenExpire", Qt::AutoConnection);
}

void KSCloudDisk::tokenExpire()
{
    KSLOG_INFO("token expire prepare to update token");
    updateTqidToken();
    emit m_presenter->sigTokenExpire();
}

void KSCloudDisk::clearSpace()
{
    QMutexLocker lock(&m_mutex);
    m_spaceId = 0;
    m_diskInfo = KSCloudDiskInfo();
}

void KSCloudDisk::initSpaceId()
{
    KSLOG_INFO("begin init space id");
    bool found = false;
    const KSDriveAnswer answer = KSDriveAnswer::take([](char **out) { return Drive_GetSpaceList("", out); });
    KSLOG_INFO("CDS_GetSpaceList: %d", int(answer.result()));
    if (answer.hasAnswer()) {
        KSLOG_INFO("CDS_GetSpaceList: %s", answer.logText().constData());
        if (answer.code() == 0) {
            for (const QJsonValue &value : answer.data().toArray()) {
                const QJsonObject space = value.toObject();
                if (space.value(QLatin1String("is_default")).toVariant().toLongLong() == 0)
                    continue;
                QMutexLocker lock(&m_mutex);
                m_spaceId = space.value(QLatin1String("space_id")).toVariant().toULongLong();
                if (m_stateSink)
                    m_stateSink->setDefaultSpaceId(m_spaceId);
                readSpaceRecord(space);
                found = true;
                break;
            }
        }
    }
    if (!found)
        clearSpace();
    KSLOG_INFO("end init space id");
}

void KSCloudDisk::readSpaceRecord(const QJsonObject &record)
{
    auto number = [&](const char *key) { return record.value(QLatin1String(key)).toVariant().toLongLong(); };
    m_diskInfo.level = int(number("level"));
    m_diskInfo.expiredTime = number("expired_time");
    m_diskInfo.usedSize = number("used_size");
    m_diskInfo.totalSize = number("total_size");
    m_diskInfo.valid = true;
    m_diskInfo.fileSizeLimit = number("file_size_limit");
    if (!m_stateSink)
        return;
    KSCloudSpaceRecord host;
    host.expiredTime = m_diskInfo.expiredTime;
    host.fileSizeLimit = m_diskInfo.fileSizeLimit;
    host.valid = 1;
    host.level = m_diskInfo.level;
    host.levelAlias = record.value(QLatin1String("level_alias")).toString();
    host.name = record.value(QLatin1String("name")).toString();
    host.platform = int(number("platform"));
    host.singleFileUploadSize = number("single_file_upload_size");
    host.spaceId = record.value(QLatin1String("space_id")).toVariant().toULongLong();
    host.totalSize = m_diskInfo.totalSize;
    host.usedSize = m_diskInfo.usedSize;
    m_stateSink->setSpaceRecord(m_spaceId, host);
}

void KSCloudDisk::refreshDiskInfo(const QString &token)
{
    // One refresh at a time: the caller waits for the previous one.
    m_infoFuture.waitForFinished();
    quint64 spaceId = 0;
    {
        QMutexLocker lock(&m_mutex);
        if (token.isEmpty()) {
            m_diskInfo = KSCloudDiskInfo();
            m_spaceId = 0;
            return;
        }
        spaceId = m_spaceId;
    }
    if (spaceId == 0)
        return;
    updateToken(token, false);
    QMutexLocker lock(&m_mutex);
    if (m_releasing)
        return;
    m_refreshingDiskInfo = true;
    m_infoFuture = QtConcurrent::run(QThreadPool::globalInstance(), [this, spaceId]() {
        const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_GetSpaceInfo(spaceId, out); });
        KSLOG_INFO("CDS_GetDiskInfo: %d", int(answer.result()));
        {
            QMutexLocker lock(&m_mutex);
            m_diskInfo.valid = false;
            if (answer.result() > 0 && answer.hasAnswer()) {
                KSLOG_INFO("CDS_GetDiskInfo: %s", answer.logText().constData());
                if (answer.code() == 0)
                    readSpaceRecord(answer.data().toObject());
            }
            m_refreshingDiskInfo = false;
        }
        postNotify(DiskInfo);
    });
}

int KSCloudDisk::syncRefreshDiskInfo(int delayMs)
{
    quint64 spaceId = 0;
    {
        QMutexLocker lock(&m_mutex);
        if (m_accessToken.isEmpty())
            return kTokenMissing;
        spaceId = m_spaceId;
    }
    if (delayMs > 0)
        QThread::msleep(ulong(delayMs));
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_GetSpaceInfo(spaceId, out); });
    KSLOG_INFO("CDS_GetDiskInfo: %d", int(answer.result()));
    int kept = 0;
    {
        QMutexLocker lock(&m_mutex);
        if (answer.result() > 0 && answer.hasAnswer()) {
            KSLOG_INFO("CDS_GetDiskInfo: %s", answer.logText().constData());
            const int code = answer.code();
            if (code == 0)
                readSpaceRecord(answer.data().toObject());
            else
                kept = code;
        }
    }
    // Outside the lock: a receiver on this thread renews the token, which takes the lock again.
    if (kept == kTokenExpired)
        emit m_presenter->sigRefreshToken();
    postNotify(DiskInfo);
    return kept;
}

void KSCloudDisk::fixSpaceIdInJson(QString &json) const
{
    const QString digits = QString::number(m_spaceId);
    // Walks the JSON strings one by one, so an escaped quote inside a longer text can never be
    // taken for the start of the id, and only a string that is exactly the id is touched.
    QString out;
    out.reserve(json.size());
    int i = 0;
    while (i < json.size()) {
        if (json.at(i) != QLatin1Char('"')) {
            out.append(json.at(i++));
            continue;
        }
        int end = i + 1;
        while (end < json.size() && json.at(end) != QLatin1Char('"'))
            end += json.at(end) == QLatin1Char('\\') ? 2 : 1;
        if (end >= json.size()) {
            out.append(json.midRef(i));
            break;
        }
        const QStringRef content = json.midRef(i + 1, end - i - 1);
        if (content == digits)
            out.append(digits);
        else
            out.append(json.midRef(i, end - i + 1));
        i = end + 1;
    }
    json = out;
}

void KSCloudDisk::share(const KSCloudShareParam &param)
{
    QMutexLocker lock(&m_mutex);
    if (m_releasing || previousTaskRunning())
        return;
    lock.unlock();
    updateToken(param.token, false);
    lock.relock();
    m_accountOp = AccountOpShare;
    m_taskFuture = QtConcurrent::run(QThreadPool::globalInstance(), [this, param]() { shareWorker(param); });
}

void KSCloudDisk::shareWorker(const KSCloudShareParam &param)
{
    syncRefreshDiskInfo(0);
    QJsonArray tags;
    for (auto it = param.tags.cbegin(); it != param.tags.cend(); ++it)
        tags.append(QJsonObject{{it.key(), QJsonValue::fromVariant(it.value())}});
    QString request = QString::fromUtf8(KSDriveAnswer::compact(
        {{QStringLiteral("file_id"), param.fileId}, {QStringLiteral("expires_in"), param.expiresIn},
            {QStringLiteral("code"), param.accessCode}, {QStringLiteral("space_id"), QString::number(m_spaceId)},
            {QStringLiteral("type"), param.type}, {QStringLiteral("tags"), tags}}));
    fixSpaceIdInJson(request);
    const QByteArray text = request.toUtf8();
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_ShareFile(text, out); });
    KSLOG_INFO("CDS_Share: %d", int(answer.result()));
    QMutexLocker lock(&m_mutex);
    m_shareResult = KSCloudShareResult();
    // No answer is a failure, not an empty success the share dialog would show as a link.
    if (!answer.hasAnswer())
        m_shareResult.code = -1;
    if (answer.hasAnswer()) {
        KSLOG_INFO("CDS_Share: %s", answer.logText().constData());
        m_shareResult.code = answer.code();
        if (m_shareResult.code == 0) {
            const QJsonObject data = answer.data().toObject();
            m_shareResult.linkId = data.value(QLatin1String("id")).toString();
            m_shareResult.linkAddress = data.value(QLatin1String("url")).toString();
            m_shareResult.accessCode = data.value(QLatin1String("code")).toString();
        }
    }
    m_accountOp = AccountOpNone;
    lock.unlock();
    postNotify(Share);
}

void KSCloudDisk::postNotify(KSCloudDiskOperation operation)
{
    QMetaObject::invokeMethod(this, "notifyEvent", Qt::AutoConnection, Q_ARG(KSCloudDiskOperation, operation));
    if (operation == DiskInfo)
        emit m_presenter->sigRefreshInfoFinished();
}

void KSCloudDisk::notifyEvent(KSCloudDiskOperation operation)
{
    m_observers.notify(
        [operation](IKSCloudDiskEventObserver *observer) { observer->onCloudDiskOperationDone(operation); });
}

void KSCloudDisk::attach(IKSCloudDiskEventObserver *observer)
{
    m_observers.attach(observer);
}

void KSCloudDisk::detach(IKSCloudDiskEventObserver *observer)
{
    m_observers.detach(observer);
}

void KSCloudDisk::detachAll()
{
    m_observers.detachAll();
}

void KSCloudDisk::pauseAllTasks()
{
    m_presenter->pauseAllTask();
    m_presenter->setEmail(QString());
}

void KSCloudDisk::openCutlaneIOPage()
{
    emit m_presenter->sigOpenCutlaneIOPage();
}

void KSCloudDisk::openBuyStoragePage()
{
    KSCloudDiskReadiness(this).openBuyStoragePage();
}

KSWebPageRequest *KSCloudDisk::getPurchaseUrl(bool checkStorage)
{
    return KSCloudDiskReadiness(this).purchasePageRequest(checkStorage);
}

KSCloudServiceState KSCloudDisk::serviceState() const
{
    QMutexLocker lock(&m_mutex);
    return m_serviceState;
}

// The flows live in KSCloudDiskReadiness; the service only hands itself over.
bool KSCloudDisk::waitLoginFinished(QWidget *parent, int mode)
{
    return KSCloudDiskReadiness(this).waitLoginFinished(parent, mode);
}

bool KSCloudDisk::showActivateDialog(QWidget *parent, bool logInAfterwards)
{
    return KSCloudDiskReadiness(this).showActivateDialog(parent, logInAfterwards);
}

bool KSCloudDisk::showReLoginDialog(QWidget *parent)
{
    return KSCloudDiskReadiness(this).showReLoginDialog(parent);
}

bool KSCloudDisk::showShareDialog(QWidget *parent, const QString &fileName, const QString &fileId, int kind,
    qint64 size, const QString &suffix, const QString &source)
{
    KSCloudDiskShareDialog dialog(this, fileId, kind, size, suffix, source, parent);
    dialog.setFileName(fileName);
    KSCloudDiskWindowPopupEvent(QStringLiteral("cloud_share")).sendEvent();
    dialog.exec();
    return !dialog.resultAddress().isEmpty();
}

bool KSCloudDisk::showRemoveDialog(QWidget *parent, const QString &text)
{
    KSCloudDiskRemoveDialog dialog(m_presenter, text, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool KSCloudDisk::showDownloadDialog(QWidget *parent)
{
    if (KSCloudDiskItemManagerProxy::inAutoSync())
        return false;
    KSCloudDiskDownloadDialog dialog(this, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool KSCloudDisk::showSelectDownloadAddressDialog(QWidget *parent, QString &path, IKSCloudDiskItem *item)
{
    QString name;
    if (item && item->cloudRecord())
        name = item->cloudRecord()->fileName;
    const QString lower = name.toLower();
    const int mode = lower.endsWith(QStringLiteral(".vqpbundle")) || lower.endsWith(QStringLiteral(".vqp")) ? 1 : 2;
    KSCloudSpaceSelectDownloadAddressDialog dialog(parent, mode, QString(), name);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    path = dialog.resultPath();
    if (!QDir(path).exists())
        QDir().mkpath(path);
    return true;
}

bool KSCloudDisk::confirmQuit(QWidget *parent)
{
    return KSCloudDiskReadiness(this).confirmQuit(parent);
}

bool KSCloudDisk::checkDiskSpace(QWidget *parent, qint64 requiredBytes)
{
    return KSCloudDiskReadiness(this).checkDiskSpace(parent, requiredBytes);
}

bool KSCloudDisk::ensureServiceReady(QWidget *parent, bool interactive)
{
    return KSCloudDiskReadiness(this).ensureServiceReady(parent, interactive);
}

bool KSCloudDisk::checkServiceReady(QWidget *parent)
{
    return KSCloudDiskReadiness(this).checkServiceReady(parent);
}

bool KSCloudDisk::activateFromEvent(QWidget *parent)
{
    return KSCloudDiskReadiness(this).activateFromEvent(parent);
}

void KSCloudDisk::showFloatingWidget(QWidget *parent, bool resetPosition)
{
    if (m_floatingWidget)
        return;
    if (!parent) {
        KSLOG_INFO("parent is null!!!");
        return;
    }
    QWidget *window = parent;
    while (auto *up = qobject_cast<QWidget *>(window->parent()))
        window = up;
    auto *widget = new KSCloudDiskFloatingWidget(m_presenter, window);
    widget->installEventFilter(this);
    m_floatingWidget = widget;
    if (resetPosition || m_floatingWidgetPos.isNull()) {
        const int margin = KSCloudDiskFloatingWidget::kEdgeMargin;
        m_floatingWidgetPos
            = window->geometry().bottomRight() - QPoint(widget->width() + margin, widget->height() + margin);
    }
    widget->move(m_floatingWidgetPos);
    widget->show();
}

void KSCloudDisk::closeFloatingWidget()
{
    if (!m_floatingWidget)
        return;
    QWidget *widget = m_floatingWidget;
    m_floatingWidget = nullptr;
    widget->removeEventFilter(this);
    delete widget;
}

bool KSCloudDisk::isFloatingWidgetVisible() const
{
    return m_floatingWidget && m_floatingWidget->isVisible();
}

void KSCloudDisk::resetFloatingWidgetOldPos()
{
    m_floatingWidgetPos = QPoint();
}

bool KSCloudDisk::eventFilter(QObject *watched, QEvent *event)
{
    if (m_floatingWidget && watched == m_floatingWidget && event->type() == QEvent::Move)
        m_floatingWidgetPos = m_floatingWidget->pos();
    return QObject::eventFilter(watched, event);
}
