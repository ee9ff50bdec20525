// The default space, its figures and refreshes, membership status, share requests and observers.
#include "CloudTestEnvironment.h"
#include "IKSCloudDiskService.h"
#include "KSBaseLog.h"
#include "KSCloudDiskHelper.h"
#include "KSCloudDiskViewPresenter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

class TestCloudSpace : public QObject
{
    Q_OBJECT

private slots:
    void spaceAndRefresh();
    void noDefaultSpace();
    void blockingRefresh();
    void fixSpaceId_data();
    void fixSpaceId();
    void shareRequests();
    void cloudStatus_data();
    void cloudStatus();
    void observerDestroyedWithoutDetaching();

private:
    static IKSCloudDisk *readyService(CloudTestEnvironment &env);
    static bool logIn(IKSCloudDisk *service, const CloudTestEnvironment &env);
    static int blockingRefresh(IKSCloudDisk *service);
};

namespace {
const quint64 kBigSpace = (quint64(1) << 53) + 11;

QStringList requestsOf(const char *function)
{
    QStringList requests;
    for (const auto &c : TQDriveAdmin::calls()) {
        if (c.function == QLatin1String(function))
            requests << c.request;
    }
    return requests;
}
} // namespace

IKSCloudDisk *TestCloudSpace::readyService(CloudTestEnvironment &env)
{
    IKSCloudDisk *service = env.startService();
    return logIn(service, env) && service->isServiceReady() ? service : nullptr;
}

// Waits for the login's own notifications, so none reaches an observer a test attaches later.
bool TestCloudSpace::logIn(IKSCloudDisk *service, const CloudTestEnvironment &env)
{
    OperationRecorder login;
    service->attach(&login);
    service->setTqidToken(env.accountParam());
    const bool done = QTest::qWaitFor([&login]() { return login.operations().contains(Login); }, 10000);
    service->detach(&login);
    // The worker posts its notification just before it ends; the next request must not meet it.
    QThreadPool::globalInstance()->waitForDone();
    return done;
}

// Callers of the blocking refresh are worker threads.
int TestCloudSpace::blockingRefresh(IKSCloudDisk *service)
{
    int code = -99;
    QThread *worker = QThread::create([&]() { code = service->syncRefreshDiskInfo(0); });
    worker->start();
    worker->wait();
    delete worker;
    return code;
}

void TestCloudSpace::spaceAndRefresh()
{
    CloudTestEnvironment env(TQDriveAdmin::Opened, kBigSpace);
    QVERIFY(env.isReady());
    QVERIFY(TQDriveAdmin::setSpaceInfo(env.account().accountId,
        {{"level", 3}, {"level_alias", "pro"}, {"expired_time", 1900000000}, {"total_size", 1 << 30},
            {"file_size_limit", 1 << 28}}));
    IKSCloudDisk *service = readyService(env);
    QVERIFY(service);
    QCOMPARE(service->getSpaceId(), kBigSpace);
    KSCloudDiskInfo info = service->getDiskInfo();
    QVERIFY(info.valid);
    QCOMPARE(info.level, 3);
    QCOMPARE(info.expiredTime, 1900000000LL);
    QCOMPARE(info.totalSize, 1LL << 30);
    QCOMPARE(info.fileSizeLimit, 1LL << 28);

    IKSCloudDiskService *mirror = IKSCloudDiskService::liveInstance(4);
    QVERIFY(mirror);
    QCOMPARE(mirror->defaultSpaceId(), kBigSpace);
    const KSCloudSpaceRecord record = mirror->spaceRecord();
    QCOMPARE(record.spaceId, kBigSpace);
    QCOMPARE(record.levelAlias, QStringLiteral("pro"));
    QCOMPARE(record.valid, 1);
    QCOMPARE(record.reserved, 0LL);
    QCOMPARE(record.name, QStringLiteral("Default"));

    // A refresh after the space changed brings the new figures and tells observers.
    OperationRecorder recorder;
    service->attach(&recorder);
    QSignalSpy finished(service->getPresenter(), &KSCloudDiskViewPresenter::sigRefreshInfoFinished);
    QVERIFY(TQDriveAdmin::setSpaceInfo(env.account().accountId, {{"total_size", 2LL << 30}}));
    service->refreshDiskInfo(env.accountParam().token);
    QTRY_COMPARE(recorder.operations(), QVector<int>{DiskInfo});
    QCOMPARE(finished.count(), 1);
    QVERIFY(!service->isRefreshingDiskInfo());
    QCOMPARE(service->getDiskInfo().totalSize, 2LL << 30);
    QCOMPARE(mirror->spaceRecord().totalSize, 2LL << 30);

    // A failed refresh keeps the numbers but marks them not valid; observers still hear of it.
    TQDriveAdmin::failNextCalls("Drive_GetSpaceInfo", 1, 0);
    service->refreshDiskInfo(env.accountParam().token);
    QTRY_COMPARE(recorder.operations().size(), 2);
    QVERIFY(!service->getDiskInfo().valid);
    QCOMPARE(service->getDiskInfo().totalSize, 2LL << 30);

    // An empty token clears everything without asking the library.
    TQDriveAdmin::clearCalls();
    service->refreshDiskInfo(QString());
    QCOMPARE(service->getSpaceId(), quint64(0));
    QCOMPARE(service->getDiskInfo().totalSize, 0LL);
    QCOMPARE(requestsOf("Drive_GetSpaceInfo").size(), 0);
}

void TestCloudSpace::noDefaultSpace()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    TQDriveAdmin::answerNextCalls(
        "Drive_GetSpaceList", 1, R"({"code":0,"data":[{"space_id":77,"is_default":0,"total_size":5}]})");
    QVERIFY(logIn(service, env));
    QVERIFY(service->isServiceReady());
    QCOMPARE(service->getSpaceId(), quint64(0));
    QVERIFY(!service->getDiskInfo().valid);
    OperationRecorder recorder;
    service->attach(&recorder);
    TQDriveAdmin::clearCalls();
    service->refreshDiskInfo(env.accountParam().token);
    QTest::qWait(100);
    QCOMPARE(requestsOf("Drive_GetSpaceInfo").size(), 0);
    QVERIFY(recorder.operations().isEmpty());
}

void TestCloudSpace::blockingRefresh()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    // No token stored: answered without the library.
    TQDriveAdmin::clearCalls();
    QCOMPARE(blockingRefresh(service), 99999004);
    QCOMPARE(requestsOf("Drive_GetSpaceInfo").size(), 0);

    QVERIFY(logIn(service, env));
    QSignalSpy refreshToken(service->getPresenter(), &KSCloudDiskViewPresenter::sigRefreshToken);
    OperationRecorder recorder;
    service->attach(&recorder);
    QCOMPARE(blockingRefresh(service), 0);
    TQDriveAdmin::failNextCalls("Drive_GetSpaceInfo", 1, 1, 140013);
    QCOMPARE(blockingRefresh(service), 140013);
    QCOMPARE(refreshToken.count(), 1);
    TQDriveAdmin::failNextCalls("Drive_GetSpaceInfo", 1, 1, 403001);
    QCOMPARE(blockingRefresh(service), 403001);
    QCOMPARE(refreshToken.count(), 1);
    // A library failure is not the service's answer: 0, and the figures stay as they were.
    TQDriveAdmin::failNextCalls("Drive_GetSpaceInfo", 1, 0);
    QCOMPARE(blockingRefresh(service), 0);
    QVERIFY(service->getDiskInfo().valid);
    QTRY_COMPARE(recorder.operations(), (QVector<int>{DiskInfo, DiskInfo, DiskInfo, DiskInfo}));
}

void TestCloudSpace::fixSpaceId_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("fixed");

    QTest::newRow("key") << QString(R"({"space_id":"9007199254741003","x":1})")
                         << QString(R"({"space_id":9007199254741003,"x":1})");
    QTest::newRow("longer number") << QString(R"({"a":"90071992547410031","space_id":"9007199254741003"})")
                                   << QString(R"({"a":"90071992547410031","space_id":9007199254741003})");
    QTest::newRow("digits inside text") << QString(R"({"name":"clip 9007199254741003.mp4"})")
                                        << QString(R"({"name":"clip 9007199254741003.mp4"})");
    QTest::newRow("escaped quotes") << QString(R"({"name":"a\"9007199254741003\"b"})")
                                    << QString(R"({"name":"a\"9007199254741003\"b"})");
    QTest::newRow("other quoted id") << QString(R"({"space_id":"9007199254741003","b":["9007199254741003"]})")
                                     << QString(R"({"space_id":9007199254741003,"b":[9007199254741003]})");
    QTest::newRow("nothing") << QString(R"({"a":1})") << QString(R"({"a":1})");
}

void TestCloudSpace::fixSpaceId()
{
    QFETCH(QString, json);
    QFETCH(QString, fixed);
    CloudTestEnvironment env(TQDriveAdmin::Opened, (quint64(1) << 53) + 11);
    QVERIFY(env.isReady());
    IKSCloudDisk *service = readyService(env);
    QVERIFY(service);
    service->fixSpaceIdInJson(json);
    QCOMPARE(json, fixed);
}

void TestCloudSpace::shareRequests()
{
    CloudTestEnvironment env(TQDriveAdmin::Opened, kBigSpace);
    QVERIFY(env.isReady());
    IKSCloudDisk *service = readyService(env);
    QVERIFY(service);
    OperationRecorder recorder;
    service->attach(&recorder);
    const QByteArray dirRequest = QByteArray(R"({"space_id":)") + QByteArray::number(kBigSpace)
        + R"(,"parent_file_id":"root","name":"Shared"})";
    char *out = nullptr;
    Drive_CreateDir(dirRequest, &out);
    const QString folderId = QJsonDocument::fromJson(out).object().value("data").toObject().value("file_id").toString();
    Drive_FreeBuf(out);
    QVERIFY(!folderId.isEmpty());

    TQDriveAdmin::clearCalls();
    KSCloudShareParam param;
    param.token = env.accountParam().token;
    param.fileId = folderId;
    param.accessCode = QStringLiteral("ab12");
    param.expiresIn = 86400;
    param.type = 2;
    service->share(param);
    QTRY_COMPARE(recorder.operations().count(Share), 1);
    // Empty tags travel as an empty array, the big space id as an exact bare number; the access code
    // is not kept in the record.
    QCOMPARE(requestsOf("Drive_ShareFile").value(0),
        QStringLiteral(R"({"code":"***","expires_in":86400,"file_id":"%1","space_id":9007199254741003,)"
                       R"("tags":[],"type":2})")
            .arg(folderId));
    KSCloudShareResult result = service->getShareResult();
    QCOMPARE(result.code, 0);
    QVERIFY(!result.linkId.isEmpty());
    QVERIFY(result.linkAddress.endsWith(result.linkId));
    QCOMPARE(result.accessCode, QStringLiteral("ab12"));

    // Tags go in key order, one member each.
    param.tags = {{"zeta", 1}, {"alpha", QStringLiteral("x")}, {"mid", true}};
    TQDriveAdmin::clearCalls();
    service->share(param);
    QTRY_COMPARE(recorder.operations().count(Share), 2);
    const QJsonArray tags
        = QJsonDocument::fromJson(requestsOf("Drive_ShareFile").value(0).toUtf8()).object().value("tags").toArray();
    QCOMPARE(
        QJsonDocument(tags).toJson(QJsonDocument::Compact), QByteArray(R"([{"alpha":"x"},{"mid":true},{"zeta":1}])"));

    // A refusal keeps its code and no link; no answer at all is a failure too (-1), not a success.
    param.fileId = QStringLiteral("missing");
    service->share(param);
    QTRY_COMPARE(recorder.operations().count(Share), 3);
    result = service->getShareResult();
    QCOMPARE(result.code, 404001);
    QVERIFY(result.linkId.isEmpty() && result.linkAddress.isEmpty());
    TQDriveAdmin::failNextCalls("Drive_ShareFile", 1, 0);
    service->share(param);
    QTRY_COMPARE(recorder.operations().count(Share), 4);
    result = service->getShareResult();
    QCOMPARE(result.code, -1);
    QVERIFY(result.linkId.isEmpty());
}

void TestCloudSpace::cloudStatus_data()
{
    QTest::addColumn<qint64>("used");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("expired");
    QTest::addColumn<QString>("status");

    const qint64 mib = 1048576;
    // 10.5 MiB used of 10.2 MiB compare as 10 and 10: still within the plan.
    QTest::newRow("free, whole MiB") << qint64(10.5 * mib) << qint64(10.2 * mib) << 0LL << QString("free");
    QTest::newRow("free, run out") << 11 * mib << 10 * mib << 0LL << QString("free_run_out");
    QTest::newRow("paid") << 5 * mib << 10 * mib << 1900000000LL << QString("paid");
    QTest::newRow("paid, run out") << 12 * mib << 10 * mib << 1900000000LL << QString("paid_run_out");
}

void TestCloudSpace::cloudStatus()
{
    QFETCH(qint64, used);
    QFETCH(qint64, total);
    QFETCH(qint64, expired);
    QFETCH(QString, status);

    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    QCOMPARE(KSCloudDiskHelper::getCloudStatus(), QStringLiteral("not_login"));
    service->setTqidToken(env.accountParam());
    QTRY_VERIFY(service->isServiceReady());
    TQDriveAdmin::answerNextCalls("Drive_GetSpaceInfo", 1,
        QStringLiteral(R"({"code":0,"data":{"used_size":%1,"total_size":%2,"expired_time":%3,"level":1}})")
            .arg(used)
            .arg(total)
            .arg(expired)
            .toUtf8());
    QCOMPARE(blockingRefresh(service), 0);
    QCOMPARE(KSCloudDiskHelper::getCloudStatus(), status);
}

void TestCloudSpace::observerDestroyedWithoutDetaching()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = readyService(env);
    QVERIFY(service);
    OperationRecorder first;
    auto *gone = new OperationRecorder;
    OperationRecorder last;
    service->attach(&first);
    service->attach(gone);
    service->attach(&last);
    service->attach(&last); // once is enough
    delete gone;
    KSLogCapture capture;
    QCOMPARE(blockingRefresh(service), 0);
    QTRY_COMPARE(last.operations(), QVector<int>{DiskInfo});
    QCOMPARE(first.operations(), QVector<int>{DiskInfo});
    QVERIFY(capture.messages().contains("observer has free, please detach, OperationRecorder"));
    service->detach(&first);
    service->detach(nullptr);
    QVERIFY(capture.messages().contains("observer is nullptr"));
    QCOMPARE(blockingRefresh(service), 0);
    QTRY_COMPARE(last.operations().size(), 2);
    QCOMPARE(first.operations().size(), 1);
}

QTEST_MAIN(TestCloudSpace)
#include "tst_cloudspace.moc"
