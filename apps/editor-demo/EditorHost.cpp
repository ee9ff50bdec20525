#include "EditorHost.h"

#include "IKSAppInfo.h"
#include "IKSTQIDAccount.h"
#include "KSBaseLog.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSLazySingleton.h"
#include "TQDriveAdmin.h"
#include "TQDriveCodes.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>

// Told on the service's thread; hands every report to the host's thread.
class EditorHost::Observer : public IKSCloudDiskEventObserver
{
public:
    explicit Observer(EditorHost *host)
        : m_host(host)
    { }
    void onCloudDiskOperationDone(KSCloudDiskOperation operation) override
    {
        QPointer<EditorHost> host = m_host;
        QMetaObject::invokeMethod(
            m_host,
            [host, operation]() {
                if (host)
                    host->onOperationDone(operation);
            },
            Qt::QueuedConnection);
    }

private:
    EditorHost *m_host;
};

EditorHost::EditorHost(QObject *parent)
    : QObject(parent)
{ }

EditorHost::~EditorHost()
{
    stop();
}

QString EditorHost::hostLog() const
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::LogFolder) + QStringLiteral("/host.log");
}

KSCloudDiskViewPresenter *EditorHost::presenter() const
{
    return m_service ? m_service->getPresenter() : nullptr;
}

bool EditorHost::signInAccount()
{
    IKSTQIDAccount *account = getTQIDAccount();
    if (account->signIn(m_email, KLoginSource(1)))
        return true;
    // A drive that has never seen this address: the account is made as the account service would
    // at registration, with its cloud space still to be opened by the user's consent.
    TQDriveAdmin::AccountInfo info;
    bool created = false;
    const int code = TQDriveAdmin::ensureAccount(m_email, &info, &created);
    if (code != TQDrive::Ok) {
        m_error = tr("Cannot create the account %1 in %2 (code %3).").arg(m_email, TQDriveAdmin::driveRoot()).arg(code);
        return false;
    }
    if (created)
        TQDriveAdmin::setServiceState(info.accountId, TQDriveAdmin::NotOpened);
    if (account->signIn(m_email, KLoginSource(1)))
        return true;
    m_error = tr("Cannot sign %1 in (see %2).").arg(m_email, hostLog());
    return false;
}

bool EditorHost::start(const QString &root, const QString &email)
{
    if (m_service)
        return true;
    m_email = email;
    m_root = QDir(root).absolutePath();
    if (!QDir().mkpath(m_root + QStringLiteral("/host")) || !QDir().mkpath(m_root + QStringLiteral("/drive"))) {
        m_error = tr("Cannot create the folder %1.").arg(m_root);
        return false;
    }
    KSHostPaths::setRoot(m_root + QStringLiteral("/host"));
    TQDriveAdmin::setDriveRoot(m_root + QStringLiteral("/drive"));
    if (!signInAccount())
        return false;

    IKSAppInfo *app = IKSAppInfo::getInstance();
    KSCloudDiskInitParam param;
    param.productId = app->getValue(IKSAppInfo::ProductId).toInt();
    param.productVersion = app->productVersion();
    param.deviceId = app->deviceId();
    param.logFolder = app->getFolder(IKSAppInfo::LogFolder);
    m_service = getCloudDisk();
    m_service->init(param);
    m_observer = new Observer(this);
    m_service->attach(m_observer);
    // The proxy joins the libraries to the cloud: made before the first sign-in it must see, and
    // before the host's own answer to a created folder, so that it answers first for its items.
    KSCloudDiskItemManagerProxy::instance();
    KSCloudDiskViewPresenter *p = m_service->getPresenter();
    connect(p, &KSCloudDiskViewPresenter::sigFolderCreated, this, &EditorHost::onFolderCreated);
    p->startCloudDiskTask();
    p->startThumbnilTask();
    KSLOG_INFO("editor demo host started for the account %s", qPrintable(m_email));
    signIn();
    return true;
}

void EditorHost::signIn()
{
    if (m_service)
        m_service->updateTqidToken();
}

EditorHost::Readiness EditorHost::readiness() const
{
    if (!m_service)
        return SignInFailed;
    if (m_service->isServiceReady())
        return Ready;
    if (m_service->isServiceUnavailable())
        return Unavailable;
    if (m_service->needOpenService())
        return NeedsConsent;
    return SignInFailed;
}

void EditorHost::loadTaskLists()
{
    KSCloudDiskViewPresenter *p = presenter();
    if (!p || m_listsLoaded)
        return;
    m_listsLoaded = true;
    p->setEmail(getTQIDAccount()->email());
}

void EditorHost::onOperationDone(int operation)
{
    emit operationDone(operation);
    // A login that the service starts by itself (after the consent) ends here too.
    if (operation == Login && m_service && !m_service->isLoggingIn())
        emit signInFinished();
}

void EditorHost::onFolderCreated(const QString &taskId)
{
    KSCloudDiskViewPresenter *p = presenter();
    KSCloudDiskTask *task = p ? p->findTask(taskId) : nullptr;
    // The proxy answers for the items of the libraries; a task no library knows goes on here.
    if (!task || task->status() != FolderCreated)
        return;
    task->setStatus(RootFolderSynced, true);
    p->doTaskStateChanged(task);
}

void EditorHost::stop()
{
    if (!m_service)
        return;
    // Reports already posted (a transfer that has just ended) are taken before the plug-in goes.
    QCoreApplication::processEvents();
    m_service->detach(m_observer);
    delete m_observer;
    m_observer = nullptr;
    m_service = nullptr;
    KSLazySingletonManager::instance()->releaseAll();
    KSLOG_INFO("editor demo host stopped");
}
