// Sign-in, service state, tokens, the space record and the handling of bad requests.
#include "DriveSandbox.h"
#include "TQDriveCodes.h"

#include <QAtomicInt>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

class TestDriveSession : public QObject
{
    Q_OBJECT

private slots:
    void serviceStates_data();
    void serviceStates();
    void tokenExpiry();
    void spaceRecord();
    void badRequests_data();
    void badRequests();
    void faultsAndCallRecord();
    void serverConfiguration_data();
    void serverConfiguration();
};

void TestDriveSession::serviceStates_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("queryCode");
    QTest::addColumn<int>("openCode");
    QTest::addColumn<int>("loginResult");
    QTest::addColumn<int>("stateAfterOpen");

    QTest::newRow("not opened") << int(TQDriveAdmin::NotOpened) << 0 << 0 << int(TQDrive::ServiceNotOpened)
                                << int(TQDriveAdmin::Opened);
    QTest::newRow("opened") << int(TQDriveAdmin::Opened) << int(TQDrive::ServiceOpened) << int(TQDrive::ServiceOpened)
                            << 0 << int(TQDriveAdmin::Opened);
    QTest::newRow("unavailable") << int(TQDriveAdmin::UnavailableNotOpened) << int(TQDrive::ServiceUnavailable)
                                 << int(TQDrive::ServiceUnavailable) << int(TQDrive::ServiceUnavailable)
                                 << int(TQDriveAdmin::UnavailableNotOpened);
    QTest::newRow("opened, unavailable") << int(TQDriveAdmin::UnavailableOpened)
                                         << int(TQDrive::ServiceOpenedUnavailable)
                                         << int(TQDrive::ServiceOpenedUnavailable)
                                         << int(TQDrive::ServiceOpenedUnavailable)
                                         << int(TQDriveAdmin::UnavailableOpened);
}

void TestDriveSession::serviceStates()
{
    QFETCH(int, state);
    QFETCH(int, queryCode);
    QFETCH(int, openCode);
    QFETCH(int, loginResult);
    QFETCH(int, stateAfterOpen);

    DriveSandbox drive;
    QVERIFY(drive.isReady());
    Drive_Logout();
    QVERIFY(TQDriveAdmin::setServiceState(drive.account().accountId, TQDriveAdmin::ServiceState(state), "dc-7"));
    const QByteArray query
        = QJsonDocument(QJsonObject{{"pid", 1}, {"pver", "1"}, {"plang", "en"}, {"did", "d"}, {"token", drive.token()}})
              .toJson(QJsonDocument::Compact);
    const QJsonObject answer = DriveSandbox::answer([&](char **o) { return Drive_QueryService(query, o); });
    QCOMPARE(answer.value("code").toInt(), queryCode);
    QCOMPARE(answer.value("data").toObject().value("dc").toString(), QStringLiteral("dc-7"));

    // Signed out, nothing that needs the account works.
    QCOMPARE(drive.list("root").value("code").toInt(), int(TQDrive::NotSignedIn));
    QCOMPARE(drive.login() ? 0 : 1, loginResult == 0 ? 0 : 1);
    if (loginResult != 0) {
        const QByteArray login
            = QJsonDocument(QJsonObject{{"token", drive.token()}, {"is_public", false}}).toJson(QJsonDocument::Compact);
        QCOMPARE(Drive_Login(login), loginResult);
    }
    // A public sign-in never needs the service.
    QCOMPARE(Drive_Login(R"({"token":"","is_public":true})"), 0);

    const QJsonObject opened = DriveSandbox::answer([&](char **o) { return Drive_OpenService(query, o); });
    QCOMPARE(opened.value("code").toInt(), openCode);
    const QJsonObject again = DriveSandbox::answer([&](char **o) { return Drive_QueryService(query, o); });
    const int expectedAfter = stateAfterOpen == TQDriveAdmin::Opened ? int(TQDrive::ServiceOpened) : queryCode;
    QCOMPARE(again.value("code").toInt(), expectedAfter);
    if (stateAfterOpen == TQDriveAdmin::Opened) {
        QVERIFY(drive.login());
        QCOMPARE(drive.list("root").value("code").toInt(), 0);
    }
}

namespace {
QAtomicInt expiryCalls;
QThread *expiryThread = nullptr;
void onExpired(void *context)
{
    expiryThread = QThread::currentThread();
    if (context == &expiryCalls)
        expiryCalls.fetchAndAddOrdered(1);
}
} // namespace

void TestDriveSession::tokenExpiry()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    expiryCalls = 0;
    Drive_SetTokenExpireCallback(&onExpired, &expiryCalls);
    QVERIFY(TQDriveAdmin::expireToken(drive.token()));

    // Every call needing the token answers 140013; the callback fires once for this expiry.
    QCOMPARE(drive.list("root").value("code").toInt(), int(TQDrive::TokenExpired));
    QCOMPARE(drive.spaceInfo().value("code").toInt(), int(TQDrive::TokenExpired));
    const QByteArray upload = drive.request(
        {{"custom_uid", "u1"}, {"upload", QJsonArray{QJsonObject{{"file_id", "root"}, {"path", drive.root()}}}}});
    QCOMPARE(Drive_UploadFile(upload, nullptr, nullptr), int(TQDrive::TokenExpired));
    QTRY_COMPARE(expiryCalls.loadAcquire(), 1);
    QTest::qWait(50);
    QCOMPARE(expiryCalls.loadAcquire(), 1);
    QVERIFY(expiryThread != QThread::currentThread());

    // A renewed token is used from then on; its own expiry is reported again.
    const QString renewed = TQDriveAdmin::issueToken(drive.account().accountId);
    QCOMPARE(Drive_UpdateToken(renewed.toUtf8().constData()), 0);
    QCOMPARE(drive.list("root").value("code").toInt(), 0);
    QVERIFY(TQDriveAdmin::expireToken(renewed));
    QCOMPARE(drive.list("root").value("code").toInt(), int(TQDrive::TokenExpired));
    QTRY_COMPARE(expiryCalls.loadAcquire(), 2);

    // An unknown token is not an expired one.
    QCOMPARE(Drive_UpdateToken("tq-not-a-token"), 0);
    QCOMPARE(drive.list("root").value("code").toInt(), int(TQDrive::TokenInvalid));
    QTest::qWait(50);
    QCOMPARE(expiryCalls.loadAcquire(), 2);
    // A short-lived token runs out by itself.
    const QString shortLived = TQDriveAdmin::issueToken(drive.account().accountId, 100);
    QCOMPARE(Drive_UpdateToken(shortLived.toUtf8().constData()), 0);
    QCOMPARE(drive.list("root").value("code").toInt(), 0);
    QTest::qWait(150);
    QCOMPARE(drive.list("root").value("code").toInt(), int(TQDrive::TokenExpired));
    QTRY_COMPARE(expiryCalls.loadAcquire(), 3);
}

void TestDriveSession::spaceRecord()
{
    const quint64 bigId = (quint64(1) << 53) + 7; // not representable as a double
    DriveSandbox drive(bigId);
    QVERIFY(drive.isReady());
    QVERIFY(TQDriveAdmin::setSpaceInfo(drive.account().accountId,
        {{"level", 2}, {"level_alias", "pro"}, {"expired_time", 1893456000}, {"total_size", 1 << 30},
            {"file_size_limit", 1 << 20}}));

    const QJsonObject list = DriveSandbox::answer([](char **o) { return Drive_GetSpaceList("", o); });
    QCOMPARE(list.value("code").toInt(), 0);
    QVERIFY2(list.value("raw").toString().contains("\"space_id\":9007199254740999"),
        qPrintable(list.value("raw").toString()));
    const QJsonObject space = list.value("data").toArray().first().toObject();
    QCOMPARE(space.value("space_id").toVariant().toULongLong(), bigId);
    QCOMPARE(space.value("is_default").toInt(), 1);
    QCOMPARE(space.value("level").toInt(), 2);
    QCOMPARE(space.value("level_alias").toString(), QStringLiteral("pro"));
    QCOMPARE(space.value("expired_time").toVariant().toLongLong(), 1893456000LL);
    QCOMPARE(space.value("total_size").toVariant().toLongLong(), 1LL << 30);
    QCOMPARE(space.value("used_size").toVariant().toLongLong(), 0LL);
    for (const char *key : {"name", "platform", "file_size_limit", "single_file_upload_size"})
        QVERIFY2(space.contains(key), key);

    const QJsonObject info = drive.spaceInfo();
    QCOMPARE(info.value("code").toInt(), 0);
    QCOMPARE(info.value("data").toObject().value("space_id").toVariant().toULongLong(), bigId);
    const QJsonObject other = DriveSandbox::answer([&](char **o) { return Drive_GetSpaceInfo(bigId + 1, o); });
    QCOMPARE(other.value("code").toInt(), int(TQDrive::WrongSpace));

    // Requests carry the id as an exact number; a neighbouring id or a quoted one is refused.
    QCOMPARE(drive.createDir("root", "ok").value("code").toInt(), 0);
    QByteArray quoted = R"({"space_id":"9007199254740999","parent_file_id":"root","name":"x"})";
    QCOMPARE(DriveSandbox::answer([&](char **o) { return Drive_CreateDir(quoted, o); }).value("code").toInt(),
        int(TQDrive::BadArgument));
    QByteArray neighbour = R"({"space_id":9007199254741000,"parent_file_id":"root","name":"x"})";
    QCOMPARE(DriveSandbox::answer([&](char **o) { return Drive_CreateDir(neighbour, o); }).value("code").toInt(),
        int(TQDrive::WrongSpace));
}

void TestDriveSession::badRequests_data()
{
    QTest::addColumn<QByteArray>("function");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("code");

    QTest::newRow("not json") << QByteArray("Drive_CreateDir") << QByteArray("{\"parent_file_id\":")
                              << int(TQDrive::BadJson);
    QTest::newRow("array") << QByteArray("Drive_GetFileList") << QByteArray("[1,2]") << int(TQDrive::BadJson);
    QTest::newRow("empty") << QByteArray("Drive_RenameFile") << QByteArray("") << int(TQDrive::BadJson);
    QTest::newRow("missing name") << QByteArray("Drive_CreateDir")
                                  << QByteArray(R"({"space_id":@,"parent_file_id":"root"})")
                                  << int(TQDrive::BadArgument);
    QTest::newRow("name not text") << QByteArray("Drive_CreateDir")
                                   << QByteArray(R"({"space_id":@,"parent_file_id":"root","name":5})")
                                   << int(TQDrive::BadArgument);
    QTest::newRow("dot dot") << QByteArray("Drive_CreateDir")
                             << QByteArray(R"({"space_id":@,"parent_file_id":"root","name":"a/../b"})")
                             << int(TQDrive::BadName);
    QTest::newRow("backslash") << QByteArray("Drive_CreateDir")
                               << QByteArray(R"({"space_id":@,"parent_file_id":"root","name":"a\\b"})")
                               << int(TQDrive::BadName);
    QTest::newRow("nul") << QByteArray("Drive_CreateDir")
                         << QByteArray(R"({"space_id":@,"parent_file_id":"root","name":"a\u0000b"})")
                         << int(TQDrive::BadName);
    QTest::newRow("too long") << QByteArray("Drive_CreateDir")
                              << QByteArray(
                                     R"({"space_id":@,"parent_file_id":"root","name":")" + QByteArray(256, 'n') + "\"}")
                              << int(TQDrive::BadName);
    QTest::newRow("only slashes") << QByteArray("Drive_CreateDir")
                                  << QByteArray(R"({"space_id":@,"parent_file_id":"root","name":"//"})")
                                  << int(TQDrive::BadName);
    QTest::newRow("unknown parent") << QByteArray("Drive_CreateDir")
                                    << QByteArray(R"({"space_id":@,"parent_file_id":"feedfeedfeedfeed","name":"a"})")
                                    << int(TQDrive::ParentNotFound);
    QTest::newRow("rename to slash") << QByteArray("Drive_RenameFile")
                                     << QByteArray(R"({"space_id":@,"file_id":"@DIR","new_file_name":"x/y"})")
                                     << int(TQDrive::BadName);
    QTest::newRow("rename root") << QByteArray("Drive_RenameFile")
                                 << QByteArray(R"({"space_id":@,"file_id":"root","new_file_name":"x"})")
                                 << int(TQDrive::BadArgument);
    QTest::newRow("delete root") << QByteArray("Drive_DeleteFile") << QByteArray(R"({"space_id":@,"file_id":"root"})")
                                 << int(TQDrive::BadArgument);
    QTest::newRow("delete unknown") << QByteArray("Drive_DeleteFile")
                                    << QByteArray(R"({"space_id":@,"file_id":"nope"})") << int(TQDrive::FileNotFound);
    QTest::newRow("space id fraction") << QByteArray("Drive_GetFileList")
                                       << QByteArray(R"({"space_id":1.5,"parent_file_id":"root"})")
                                       << int(TQDrive::BadArgument);
    QTest::newRow("upload two items")
        << QByteArray("Drive_UploadFile")
        << QByteArray(
               R"({"space_id":@,"custom_uid":"u","upload":[{"file_id":"root","path":"/tmp"},{"file_id":"root","path":"/tmp"}]})")
        << int(TQDrive::BadArgument);
    QTest::newRow("upload no uid") << QByteArray("Drive_UploadFile")
                                   << QByteArray(R"({"space_id":@,"upload":[{"file_id":"root","path":"/tmp"}]})")
                                   << int(TQDrive::BadArgument);
    QTest::newRow("upload bad mode")
        << QByteArray("Drive_UploadFile")
        << QByteArray(
               R"({"space_id":@,"custom_uid":"u","upload":[{"file_id":"root","path":"/tmp","check_name_mode":3}]})")
        << int(TQDrive::BadArgument);
    QTest::newRow("upload missing path")
        << QByteArray("Drive_UploadFile")
        << QByteArray(R"({"space_id":@,"custom_uid":"u","upload":[{"file_id":"root","path":"/nonexistent/x"}]})")
        << int(TQDrive::LocalPathMissing);
    QTest::newRow("upload hostile name")
        << QByteArray("Drive_UploadFile")
        << QByteArray(
               R"({"space_id":@,"custom_uid":"u","upload":[{"parent_file_id":"root","path":"/etc/hostname","custom_name":".."}]})")
        << int(TQDrive::BadName);
    QTest::newRow("download no save dir")
        << QByteArray("Drive_DownloadFile")
        << QByteArray(
               R"({"space_id":@,"custom_uid":"u","download":[{"file_id":"@DIR","save_dir":"/nonexistent/dir"}]})")
        << int(TQDrive::SaveFolderMissing);
    QTest::newRow("share negative expiry")
        << QByteArray("Drive_ShareFile")
        << QByteArray(R"({"space_id":@,"file_id":"@DIR","expires_in":-1,"code":"","type":0,"tags":[]})")
        << int(TQDrive::BadArgument);
}

void TestDriveSession::badRequests()
{
    QFETCH(QByteArray, function);
    QFETCH(QByteArray, request);
    QFETCH(int, code);

    DriveSandbox drive;
    QVERIFY(drive.isReady());
    const QString dirId = drive.createDir("root", "keep").value("data").toObject().value("file_id").toString();
    QVERIFY(!dirId.isEmpty());
    const QJsonObject before = drive.list("root");
    request.replace("\"space_id\":@", "\"space_id\":" + QByteArray::number(drive.account().spaceId));
    request.replace("@DIR", dirId.toUtf8());

    int got = 0;
    if (function == "Drive_CreateDir")
        got = DriveSandbox::answer([&](char **o) { return Drive_CreateDir(request, o); }).value("code").toInt();
    else if (function == "Drive_GetFileList")
        got = DriveSandbox::answer([&](char **o) { return Drive_GetFileList(request, o); }).value("code").toInt();
    else if (function == "Drive_ShareFile")
        got = DriveSandbox::answer([&](char **o) { return Drive_ShareFile(request, o); }).value("code").toInt();
    else if (function == "Drive_RenameFile")
        got = Drive_RenameFile(request);
    else if (function == "Drive_DeleteFile")
        got = Drive_DeleteFile(request);
    else if (function == "Drive_UploadFile")
        got = Drive_UploadFile(request, &ReportLog::callback, nullptr);
    else if (function == "Drive_DownloadFile")
        got = Drive_DownloadFile(request, &ReportLog::callback, nullptr);
    QCOMPARE(got, code);

    // Nothing changed, and the library still works.
    QCOMPARE(drive.list("root").value("data"), before.value("data"));
    QCOMPARE(drive.list(dirId).value("data").toArray().size(), 0);
    QCOMPARE(Drive_GetFileList(nullptr, nullptr), 0);
}

void TestDriveSession::faultsAndCallRecord()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    TQDriveAdmin::clearCalls();

    TQDriveAdmin::failNextCalls("Drive_CreateDir", 1, 0);
    TQDriveAdmin::failNextCalls("Drive_GetFileList", 2, 0, 500004);
    const QJsonObject silent = drive.createDir("root", "a");
    QCOMPARE(silent.value("result").toInt(), 0);
    QVERIFY(!silent.contains("raw"));
    QCOMPARE(drive.list("root").value("code").toInt(), 500004);
    QCOMPARE(drive.list("root").value("code").toInt(), 500004);
    // Faults are used up, and the failed creation really did nothing.
    QCOMPARE(drive.list("root").value("data").toArray().size(), 0);
    QCOMPARE(drive.createDir("root", "a").value("code").toInt(), 0);
    // Any answer text, even a broken one, can be scripted.
    TQDriveAdmin::answerNextCalls("Drive_GetFileList", 1, "{\"data\":[]}");
    const QJsonObject scripted = drive.list("root");
    QCOMPARE(scripted.value("raw").toString(), QStringLiteral("{\"data\":[]}"));
    QVERIFY(!scripted.contains("code"));
    // A delayed call is slow once, then the network is fast again.
    TQDriveAdmin::delayNextCalls("Drive_GetFileList", 1, 200);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(drive.list("root").value("code").toInt(), 0);
    QVERIFY(clock.elapsed() >= 200);
    clock.restart();
    QCOMPARE(drive.list("root").value("code").toInt(), 0);
    QVERIFY(clock.elapsed() < 200);
    TQDriveAdmin::failNextCalls("Drive_DeleteFile", 1, 12345);
    QCOMPARE(Drive_DeleteFile(drive.request({{"file_id", "x"}})), 12345);

    QCOMPARE(Drive_UpdateToken(drive.token().toUtf8().constData()), 0);
    QVERIFY(drive.login());
    const QVector<TQDriveAdmin::CallRecord> calls = TQDriveAdmin::calls();
    QStringList names;
    for (const auto &c : calls)
        names << c.function;
    QCOMPARE(names,
        QStringList({"Drive_CreateDir", "Drive_GetFileList", "Drive_GetFileList", "Drive_GetFileList",
            "Drive_CreateDir", "Drive_GetFileList", "Drive_GetFileList", "Drive_GetFileList", "Drive_DeleteFile",
            "Drive_UpdateToken", "Drive_Login"}));
    QVERIFY(calls.at(4).request.contains("\"name\":\"a\""));
    QCOMPARE(calls.at(4).result, 1);
    QVERIFY(calls.at(4).answer.contains("\"code\":0"));
    // A token is never kept.
    QCOMPARE(calls.at(9).request, QStringLiteral("***"));
    QCOMPARE(calls.at(10).request, QStringLiteral(R"({"is_public":false,"token":"***"})"));

    // Nor does the drive's log keep a secret, though it names a transfer by whatever its uid holds.
    drive.uninit();
    QVERIFY(Drive_Init(QJsonDocument(QJsonObject{{"log_path", drive.root()}}).toJson()) == 0 && drive.login());
    writeFile(drive.path("f.bin"), 10, 1);
    const QString uid = QStringLiteral(R"({"password":"Hv3kW9qTz2"})");
    TQDriveAdmin::failTransferAfter(uid, 0, 500002);
    ReportLog log;
    const QJsonObject item{{"file_id", "root"}, {"path", drive.path("f.bin")}};
    QCOMPARE(Drive_UploadFile(
                 drive.request({{"custom_uid", uid}, {"upload", QJsonArray{item}}}), &ReportLog::callback, &log),
        0);
    QVERIFY(log.waitFinal());
    const QByteArray text = readAll(drive.path("tqcorekit.log"));
    QVERIFY2(text.contains(R"(transfer {"password":"***"} failed)") && !text.contains("Hv3kW9qTz2"), text.constData());
}

QTEST_GUILESS_MAIN(TestDriveSession)
void TestDriveSession::serverConfiguration_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("code");
    QTest::newRow("local") << "local"
                           << ""
                           << "" << int(TQDrive::Ok);
    QTest::newRow("unknown backend") << "ftp"
                                     << ""
                                     << "" << int(TQDrive::BadArgument);
    QTest::newRow("no user") << "webdav"
                             << "https://dav.example.com/u/"
                             << "" << int(TQDrive::BadArgument);
    QTest::newRow("credentials in the url") << "webdav"
                                            << "https://me:pw@dav.example.com/"
                                            << "me" << int(TQDrive::BadArgument);
    QTest::newRow("not http") << "webdav"
                              << "ftp://dav.example.com/"
                              << "me" << int(TQDrive::BadArgument);
    QTest::newRow("http to another machine") << "webdav"
                                             << "http://dav.example.com/"
                                             << "me" << int(TQDrive::InsecureServer);
    QTest::newRow("http to 127.0.0.2") << "webdav"
                                       << "http://127.0.0.2:8080/dav/"
                                       << "me" << int(TQDrive::Ok);
    QTest::newRow("http to ::1") << "webdav"
                                 << "http://[::1]:8080/"
                                 << "me" << int(TQDrive::Ok);
    QTest::newRow("http to localhost") << "webdav"
                                       << "http://localhost/"
                                       << "me" << int(TQDrive::Ok);
    QTest::newRow("https anywhere") << "webdav"
                                    << "https://dav.example.com/remote.php/dav/files/me/"
                                    << "me" << int(TQDrive::Ok);
}

void TestDriveSession::serverConfiguration()
{
    QFETCH(QString, backend);
    QFETCH(QString, url);
    QFETCH(QString, user);
    QFETCH(int, code);
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    drive.uninit();
    QJsonObject init{{"pid", 1}, {"pname", "Cutlane"}, {"pver", "1.0"}, {"did", "test"}, {"backend", backend}};
    if (!url.isEmpty())
        init.insert("server_url", url);
    if (!user.isEmpty())
        init.insert("server_user", user);
    QCOMPARE(Drive_Init(QJsonDocument(init).toJson(QJsonDocument::Compact).constData()), code);
    // Nothing is asked of a server before sign-in, and an unusable configuration leaves the library closed.
    QCOMPARE(Drive_Uninit(), code == TQDrive::Ok ? 0 : int(TQDrive::NotInitialized));
}

#include "tst_drivesession.moc"
