// Carrying the editor's account into the cloud drive: login, service opening, tokens, the guard.
#include "CloudTestEnvironment.h"
#include "IKSCloudDiskService.h"
#include "IKSTQIDAccount.h"
#include "KSBaseLog.h"
#include "KSCloudDiskViewPresenter.h"
#include "TQDriveCodes.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

class TestCloudAccount : public QObject
{
    Q_OBJECT

private slots:
    void queryAnswers_data();
    void queryAnswers();
    void openingAnswers_data();
    void openingAnswers();
    void openThenLogIn();
    void failedPrivateLogin();
    void guardDropsSecondRequest();
    void signOut();
    void expiredToken();

private:
    static QStringList callsOf(const char *function);
};

QStringList TestCloudAccount::callsOf(const char *function)
{
    QStringList requests;
    for (const auto &c : TQDriveAdmin::calls()) {
        if (c.function == QLatin1String(function))
            requests << c.request;
    }
    return requests;
}

namespace {
// Service states as the service reports them through its queries.
int stateOf(IKSCloudDisk *s)
{
    if (s->isServiceReady())
        return Ready;
    if (s->isServiceOpened())
        return Opened;
    if (s->needOpenService())
        return NotOpened;
    return -1;
}
} // namespace

void TestCloudAccount::queryAnswers_data()
{
    QTest::addColumn<int>("driveState");
    QTest::addColumn<QByteArray>("scripted"); // empty: the drive answers for itself
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("unavailable");
    QTest::addColumn<QVector<int>>("operations");

    const QVector<int> loginOnly{Login};
    QTest::newRow("0: not opened") << int(TQDriveAdmin::NotOpened) << QByteArray() << int(NotOpened) << false
                                   << loginOnly;
    QTest::newRow("381300: opened") << int(TQDriveAdmin::Opened) << QByteArray() << int(Ready) << false
                                    << QVector<int>{DiskInfo, Login};
    QTest::newRow("381301") << int(TQDriveAdmin::UnavailableNotOpened) << QByteArray() << int(NotOpened) << true
                            << loginOnly;
    QTest::newRow("381305") << int(TQDriveAdmin::UnavailableOpened) << QByteArray() << int(Opened) << true << loginOnly;
    QTest::newRow("other code") << int(TQDriveAdmin::Opened) << QByteArray(R"({"code":500004,"data":null})") << -1
                                << false << loginOnly;
    QTest::newRow("no code") << int(TQDriveAdmin::Opened) << QByteArray(R"({"data":{"dc":"SG"}})") << -1 << false
                             << loginOnly;
    QTest::newRow("not json") << int(TQDriveAdmin::Opened) << QByteArray("<html>busy</html>") << -1 << false
                              << loginOnly;
}

void TestCloudAccount::queryAnswers()
{
    QFETCH(int, driveState);
    QFETCH(QByteArray, scripted);
    QFETCH(int, state);
    QFETCH(bool, unavailable);
    QFETCH(QVector<int>, operations);

    CloudTestEnvironment env{TQDriveAdmin::ServiceState(driveState)};
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    OperationRecorder recorder;
    service->attach(&recorder);
    if (!scripted.isEmpty())
        TQDriveAdmin::answerNextCalls("Drive_QueryService", 1, scripted);
    TQDriveAdmin::clearCalls();
    KSLogCapture capture;
    QSignalSpy refreshed(service->getPresenter(), &KSCloudDiskViewPresenter::sigRefreshInfoFinished);

    TQDriveAdmin::delayNextCalls("Drive_QueryService", 1, 100);
    service->setTqidToken(env.accountParam());
    QVERIFY(service->isLoggingIn());
    QTRY_COMPARE(recorder.operations(), operations);
    QVERIFY(!service->isLoggingIn());
    QCOMPARE(stateOf(service), state);
    QCOMPARE(service->isServiceUnavailable(), unavailable);
    QCOMPARE(refreshed.count(), operations.contains(DiskInfo) ? 1 : 0);

    // The query carries the account's product data and token, compactly.
    const QJsonObject query = QJsonDocument::fromJson(callsOf("Drive_QueryService").value(0).toUtf8()).object();
    QCOMPARE(query.keys(), QStringList({"did", "pid", "plang", "pver", "token"}));
    QCOMPARE(query.value("pid").toInt(), 1051);
    QCOMPARE(query.value("did").toString(), QStringLiteral("test-device"));
    QCOMPARE(callsOf("Drive_Login").value(0), QStringLiteral(R"({"is_public":true,"token":"***"})"));
    const QStringList log = capture.messages();
    const bool privateLogin = state == Ready;
    QCOMPARE(log.contains("start cds login"), privateLogin);
    QCOMPARE(log.contains("go to end before cds login"), !privateLogin);
    QCOMPARE(callsOf("Drive_Login").size(), privateLogin ? 2 : 1);
    if (privateLogin) {
        QVERIFY(service->getSpaceId() == env.account().spaceId);
        QVERIFY(service->getDiskInfo().valid);
        QCOMPARE(callsOf("Drive_SetUserProInfo").size(), 1);
    }
    // The host's mirror follows every change.
    IKSCloudDiskService *mirror = IKSCloudDiskService::liveInstance(4);
    QVERIFY(mirror);
    QCOMPARE(mirror->serviceState(), state == -1 ? int(Unanswered) : state);
    QCOMPARE(mirror->isServiceUnavailable(), unavailable);
    // The token never reaches a log line.
    const QString token = env.accountParam().token;
    for (const QString &line : log)
        QVERIFY2(!line.contains(token), qPrintable(line));
}

void TestCloudAccount::openingAnswers_data()
{
    QTest::addColumn<QByteArray>("scripted");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("unavailable");

    QTest::newRow("0") << QByteArray() << int(Opened) << false;
    QTest::newRow("381300") << QByteArray(R"({"code":381300,"data":{}})") << int(Opened) << false;
    QTest::newRow("381305") << QByteArray(R"({"code":381305,"data":{}})") << int(Opened) << true;
    QTest::newRow("381301") << QByteArray(R"({"code":381301,"data":{}})") << int(NotOpened) << true;
    QTest::newRow("other") << QByteArray(R"({"code":7,"data":{}})") << int(NotOpened) << false;
    QTest::newRow("no answer") << QByteArray("-") << int(NotOpened) << false;
}

void TestCloudAccount::openingAnswers()
{
    QFETCH(QByteArray, scripted);
    QFETCH(int, state);
    QFETCH(bool, unavailable);

    CloudTestEnvironment env(TQDriveAdmin::NotOpened);
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    OperationRecorder recorder;
    service->attach(&recorder);
    service->setTqidToken(env.accountParam());
    QTRY_COMPARE(recorder.operations(), QVector<int>{Login});
    QCOMPARE(stateOf(service), int(NotOpened));
    // The worker posts its notification just before it ends; a request in between would be dropped.
    QThreadPool::globalInstance()->waitForDone();

    TQDriveAdmin::delayNextCalls("Drive_OpenService", 1, 100);
    if (scripted == "-")
        TQDriveAdmin::failNextCalls("Drive_OpenService", 1, 0);
    else if (!scripted.isEmpty())
        TQDriveAdmin::answerNextCalls("Drive_OpenService", 1, scripted);
    service->registerAccount(env.accountParam());
    QVERIFY(service->isOpeningService());
    QTRY_COMPARE(recorder.operations(), (QVector<int>{Login, OpenService}));
    QVERIFY(!service->isOpeningService());
    QCOMPARE(stateOf(service), state);
    QCOMPARE(service->isServiceUnavailable(), unavailable);
}

void TestCloudAccount::openThenLogIn()
{
    CloudTestEnvironment env(TQDriveAdmin::NotOpened);
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    OperationRecorder recorder;
    service->attach(&recorder);
    service->registerAccount(env.accountParam());
    QTRY_COMPARE(recorder.operations(), QVector<int>{OpenService});
    QCOMPARE(stateOf(service), int(Opened));
    QThreadPool::globalInstance()->waitForDone();
    // Opening is not signing in: a new login reaches Ready and gives the presenter the account.
    QSignalSpy account(service->getPresenter(), &KSCloudDiskViewPresenter::sigAccountChanged);
    service->refreshAccount();
    QTRY_VERIFY(service->isServiceReady());
    QCOMPARE(service->getPresenter()->email(), QStringLiteral("editor@example.com"));
    QCOMPARE(account.count(), 1);
    QCOMPARE(service->getSpaceId(), env.account().spaceId);

    // Clearing the account signs out and forgets the space.
    service->clearAccount();
    QTRY_COMPARE(service->getSpaceId(), quint64(0));
    QVERIFY(!service->isServiceReady());
    QCOMPARE(service->getPresenter()->email(), QString());
    QVERIFY(!service->getDiskInfo().valid);
}

void TestCloudAccount::failedPrivateLogin()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    OperationRecorder recorder;
    service->attach(&recorder);
    // The public sign-in and the private one both fail.
    TQDriveAdmin::failNextCalls("Drive_Login", 2, 140011);
    KSLogCapture capture;
    service->setTqidToken(env.accountParam());
    QTRY_COMPARE(recorder.operations(), (QVector<int>{DiskInfo, Login}));
    QCOMPARE(stateOf(service), int(Opened));
    QCOMPARE(service->getSpaceId(), quint64(0));
    QVERIFY(capture.messages().contains("CDS_Login: 140011"));
    QVERIFY(!capture.messages().contains("begin init space id"));
}

void TestCloudAccount::guardDropsSecondRequest()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    OperationRecorder recorder;
    service->attach(&recorder);
    KSLogCapture capture;
    TQDriveAdmin::clearCalls();

    // A share while the login runs is dropped, and so is a sign-out.
    TQDriveAdmin::delayNextCalls("Drive_QueryService", 1, 300);
    service->setTqidToken(env.accountParam());
    KSCloudShareParam share;
    share.fileId = QStringLiteral("x");
    service->share(share);
    QVERIFY(!service->isSharing());
    QVERIFY(service->isLoggingIn());
    service->setTqidToken(KSCloudAccountParam());
    QTRY_COMPARE(recorder.operations(), (QVector<int>{DiskInfo, Login}));
    QVERIFY(service->isServiceReady());
    QCOMPARE(callsOf("Drive_Logout").size(), 0);
    QCOMPARE(callsOf("Drive_ShareFile").size(), 0);
    QCOMPARE(capture.messages("APP@RES"),
        QStringList({"previous task is not finished, abandon this task.",
            "previous task is not finished, abandon this task."}));
    for (const KSLogRecord &r : capture.records()) {
        if (r.logger == QLatin1String("APP@RES"))
            QCOMPARE(r.level, int(KSLogWarning));
    }

    // Once it has ended, the next request goes through; a login while it shares is dropped.
    QThreadPool::globalInstance()->waitForDone();
    TQDriveAdmin::delayNextCalls("Drive_ShareFile", 1, 300);
    TQDriveAdmin::clearCalls();
    service->share(share);
    QVERIFY(service->isSharing());
    service->setTqidToken(env.accountParam());
    QVERIFY(!service->isLoggingIn());
    QTRY_COMPARE(recorder.operations().last(), int(Share));
    QVERIFY(!service->isSharing());
    QCOMPARE(callsOf("Drive_QueryService").size(), 0);
    QCOMPARE(capture.messages("APP@RES").size(), 3);
}

void TestCloudAccount::signOut()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    service->setTqidToken(env.accountParam());
    QTRY_VERIFY(service->isServiceReady());
    QThreadPool::globalInstance()->waitForDone();
    KSLogCapture capture;
    service->setTqidToken(KSCloudAccountParam());
    QCOMPARE(stateOf(service), -1);
    QCOMPARE(IKSCloudDiskService::liveInstance(4)->serviceState(), int(SignedOut));
    QVERIFY(capture.messages().contains("CDS_Logout: 0"));
    // The library is signed out too.
    const QByteArray list
        = QByteArray(R"({"space_id":)") + QByteArray::number(env.account().spaceId) + R"(,"parent_file_id":"root"})";
    char *out = nullptr;
    QCOMPARE(Drive_GetFileList(list, &out), qint64(1));
    QCOMPARE(QJsonDocument::fromJson(out).object().value("code").toInt(), int(TQDrive::NotSignedIn));
    Drive_FreeBuf(out);
}

void TestCloudAccount::expiredToken()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    service->setTqidToken(env.accountParam());
    QTRY_VERIFY(service->isServiceReady());
    QThreadPool::globalInstance()->waitForDone();
    QSignalSpy expired(service->getPresenter(), &KSCloudDiskViewPresenter::sigTokenExpire);
    QSignalSpy refresh(service->getPresenter(), &KSCloudDiskViewPresenter::sigRefreshToken);
    KSLogCapture capture;
    QVERIFY(TQDriveAdmin::expireToken(env.accountParam().token));

    // The blocking refresh runs on a worker, as its callers do; the library reports the expiry
    // from its own thread, and the service handles it on its own.
    int code = 0;
    QThread *worker = QThread::create([&]() { code = service->syncRefreshDiskInfo(0); });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
    QCOMPARE(code, 140013);
    QCOMPARE(refresh.count(), 1);
    QTRY_COMPARE(expired.count(), 1);
    QTRY_VERIFY(!service->isLoggingIn());
    QTest::qWait(100);
    QCOMPARE(expired.count(), 1);
    int updates = 0;
    quint64 callbackThread = 0;
    for (const KSLogRecord &r : capture.records()) {
        if (r.message == QLatin1String("update tqid token")) {
            ++updates;
            QCOMPARE(r.threadId, quint64(quintptr(QThread::currentThreadId())));
        }
        if (r.message == QLatin1String("cds token expire call back"))
            callbackThread = r.threadId;
    }
    QCOMPARE(updates, 1);
    QVERIFY(callbackThread != 0 && callbackThread != quint64(quintptr(QThread::currentThreadId())));
}

QTEST_MAIN(TestCloudAccount)
#include "tst_cloudaccount.moc"
