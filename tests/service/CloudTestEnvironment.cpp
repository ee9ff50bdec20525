#include "CloudTestEnvironment.h"

#include "IKSAppInfo.h"
#include "IKSTQIDAccount.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSLazySingleton.h"
#include "KSLocale.h"

#include <QTest>
#include <QThreadPool>

CloudTestEnvironment::CloudTestEnvironment(const QString &root)
    : m_root(root)
{
    KSHostPaths::setRoot(path(QStringLiteral("host")));
    TQDriveAdmin::setDriveRoot(path(QStringLiteral("drive")));
    TQDriveAdmin::resetControls();
    if (!TQDriveAdmin::findAccount(QStringLiteral("editor@example.com"), &m_account)) {
        if (TQDriveAdmin::createAccount(QStringLiteral("editor@example.com"), 0, &m_account) != 0)
            return;
        TQDriveAdmin::setServiceState(m_account.accountId, TQDriveAdmin::Opened);
    }
    m_ready = getTQIDAccount()->signIn(QStringLiteral("editor@example.com"), KLoginSource(1));
}

CloudTestEnvironment::CloudTestEnvironment(TQDriveAdmin::ServiceState state, quint64 spaceId)
    : m_root(m_dir.path())
{
    KSHostPaths::setRoot(path(QStringLiteral("host")));
    TQDriveAdmin::setDriveRoot(path(QStringLiteral("drive")));
    TQDriveAdmin::resetControls();
    if (TQDriveAdmin::createAccount(QStringLiteral("editor@example.com"), spaceId, &m_account) != 0)
        return;
    TQDriveAdmin::setServiceState(m_account.accountId, state);
    m_ready = getTQIDAccount()->signIn(QStringLiteral("editor@example.com"), KLoginSource(1));
}

CloudTestEnvironment::~CloudTestEnvironment()
{
    releaseService();
    getTQIDAccount()->signOut();
    TQDriveAdmin::resetControls();
}

IKSCloudDisk *CloudTestEnvironment::startService(bool startThreads)
{
    IKSCloudDisk *service = getCloudDisk();
    KSCloudDiskInitParam param;
    param.productId = 1051;
    param.productVersion = QStringLiteral("3.2.0");
    param.deviceId = QStringLiteral("test-device");
    param.logFolder = path(QStringLiteral("logs"));
    service->init(param);
    if (startThreads) {
        service->getPresenter()->startCloudDiskTask();
        service->getPresenter()->startThumbnilTask();
    }
    return service;
}

bool CloudTestEnvironment::logIn(IKSCloudDisk *service) const
{
    // What the editor does when its account has signed in: the service logs in with the account's
    // token and the presenter loads the account's task lists.
    service->refreshAccount();
    const bool ready = QTest::qWaitFor([service] { return service->isServiceReady(); }, 10000);
    // The login worker posts its notification just before it ends; the next request must not meet it.
    QThreadPool::globalInstance()->waitForDone();
    return ready;
}

KSCloudAccountParam CloudTestEnvironment::accountParam() const
{
    KSCloudAccountParam param;
    param.token = getTQIDAccount()->accessToken();
    param.language = KSLocale::clientLanguageCode2(1);
    param.productVersion = QStringLiteral("3.2.0");
    param.deviceId = QStringLiteral("test-device");
    param.productId = 1051;
    return param;
}

void OperationRecorder::onCloudDiskOperationDone(KSCloudDiskOperation operation)
{
    QMutexLocker lock(&m_mutex);
    m_operations.append(operation);
}

QVector<int> OperationRecorder::operations() const
{
    QMutexLocker lock(&m_mutex);
    return m_operations;
}

void releaseService()
{
    KSLazySingletonManager::instance()->releaseAll();
}
