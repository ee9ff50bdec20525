// The drive on real WebDAV servers started on 127.0.0.1; which one comes from TQDRIVE_TEST_SERVER
// (apache, lighttpd, nginx, rclone), one CTest entry per server.
#include "CuttingProxy.h"
#include "DriveSandbox.h"
#include "TQDriveCodes.h"
#include "WebDavTestServer.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QtTest>

namespace {

constexpr qint64 kMiB = 1 << 20;

QJsonObject uploadItem(const QString &parent, const QString &path, int mode = 1)
{
    return {{"file_id", parent}, {"path", path}, {"check_name_mode", mode}, {"hidden", false}, {"tags", QJsonArray()}};
}

QJsonObject downloadItem(const QString &fileId, const QString &saveDir)
{
    return {{"file_id", fileId}, {"save_dir", saveDir}};
}

QMap<QString, QByteArray> treeOf(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains("/.DAV")) // Apache's store of dead properties
            continue;
        tree.insert(QDir(root).relativeFilePath(path), it.fileInfo().isDir() ? QByteArray("dir") : fileHash(path));
    }
    return tree;
}

QStringList names(const QJsonObject &listing)
{
    QStringList out;
    for (const QJsonValue &v : listing.value("data").toArray())
        out << v.toObject().value("name").toString();
    return out;
}

int expiredCalls = 0;
void onExpired(void *)
{
    ++expiredCalls;
}

} // namespace

class TestDriveWebDav : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void capabilities();
    void filesRoundTrip();
    void resumeThroughCuts_data();
    void resumeThroughCuts();
    void killedClientResumes();
    void replacedBetweenRuns();
    void pauseAndCancel();
    void refusedPassword();

private:
    SandboxServer serverConfig(const QUrl &url) const;
    QString uploadTo(DriveSandbox &drive, const QString &uid, const QString &parent, const QString &path, int mode = 1);

    WebDavTestServer::Kind m_kind = WebDavTestServer::Kind::Apache;
    std::unique_ptr<WebDavTestServer> m_server;
};

SandboxServer TestDriveWebDav::serverConfig(const QUrl &url) const
{
    return SandboxServer{url, m_server->user(), m_server->password()};
}

QString TestDriveWebDav::uploadTo(
    DriveSandbox &drive, const QString &uid, const QString &parent, const QString &path, int mode)
{
    ReportLog log;
    if (Drive_UploadFile(drive.request({{"custom_uid", uid}, {"upload", QJsonArray{uploadItem(parent, path, mode)}}}),
            &ReportLog::callback, &log)
            != 0
        || !log.waitFinal(60000) || log.finalCode() != 0)
        return QString();
    return currentOf(log.final()).value("file_id").toString();
}

void TestDriveWebDav::initTestCase()
{
    const QString name = qEnvironmentVariable("TQDRIVE_TEST_SERVER", QStringLiteral("apache"));
    const QMap<QString, WebDavTestServer::Kind> kinds{{"apache", WebDavTestServer::Kind::Apache},
        {"lighttpd", WebDavTestServer::Kind::Lighttpd}, {"nginx", WebDavTestServer::Kind::Nginx},
        {"rclone", WebDavTestServer::Kind::Rclone}};
    QVERIFY2(kinds.contains(name), qPrintable(name));
    m_kind = kinds.value(name);
    // The keychain is the desktop's; the tests keep the password in the drive folder's own file.
    qputenv("TQDRIVE_KEYCHAIN", "off");
    QString error;
    m_server = WebDavTestServer::start(m_kind, &error);
    QVERIFY2(m_server, qPrintable(error));
}

void TestDriveWebDav::cleanupTestCase()
{
    m_server.reset();
}

void TestDriveWebDav::capabilities()
{
    DriveSandbox drive(0, serverConfig(m_server->url()));
    QVERIFY(drive.isReady());
    const QJsonObject found = TQDriveAdmin::serverCapabilities();
    const WebDavTestServer::Capabilities expected = WebDavTestServer::expectedCapabilities(m_kind);
    QCOMPARE(found.value("ranged_put").toBool(), expected.rangedPut);
    QCOMPARE(found.value("dead_properties").toBool(), expected.deadProperties);
    QCOMPARE(found.value("quota").toBool(), expected.quota);
    QCOMPARE(found.value("file_ids").toBool(), false);
    // The probe leaves nothing behind but the hidden folder, which no listing shows.
    QCOMPARE(QDir(m_server->servedFolder() + "/.tqdrive").entryList({"probe-*"}, QDir::Files).size(), 0);
    QCOMPARE(drive.list("root").value("data").toArray().size(), 0);
    const QJsonObject space = drive.spaceInfo().value("data").toObject();
    if (!expected.quota)
        QCOMPARE(space.value("total_size").toDouble(), 0.0);
}

void TestDriveWebDav::filesRoundTrip()
{
    DriveSandbox drive(0, serverConfig(m_server->url()));
    QVERIFY(drive.isReady());
    const QString local = drive.path("My Project");
    QDir().mkpath(local + "/media/raw");
    QDir().mkpath(local + "/empty");
    writeFile(local + "/project.json", 5000, 1);
    writeFile(local + "/media/clip.mp4", 3 * kMiB + 17, 3);
    writeFile(local + "/media/raw/b.wav", 0, 5);
    const QString target = drive.createDir("root", "Projects/p1").value("data").toObject().value("file_id").toString();
    QVERIFY(!target.isEmpty());
    const QString folderId = uploadTo(drive, "up", target, local);
    QVERIFY(!folderId.isEmpty());
    QCOMPARE(names(drive.list(target)), QStringList{"My Project"});
    // The server holds exactly what was sent, staging gone.
    QCOMPARE(treeOf(m_server->servedFolder() + "/Projects/p1/My Project"), treeOf(local));

    // A second upload of the same folder keeps both; one into the first with "fail" is refused.
    QVERIFY(!uploadTo(drive, "up2", target, local).isEmpty());
    QCOMPARE(names(drive.list(target)), (QStringList{"My Project", "My Project (1)"}));
    QVERIFY(uploadTo(drive, "up3", target, local, 2).isEmpty());

    QDir().mkpath(drive.path("down"));
    ReportLog down;
    QCOMPARE(Drive_DownloadFile(drive.request({{"custom_uid", "down"},
                                    {"download", QJsonArray{downloadItem(folderId, drive.path("down"))}}}),
                 &ReportLog::callback, &down),
        0);
    QVERIFY(down.waitFinal(60000));
    QCOMPARE(down.finalCode(), 0);
    QCOMPARE(treeOf(drive.path("down/My Project")), treeOf(local));

    // Ids stay with entries across a rename; recycled entries leave the listing, deleted ones the server.
    QCOMPARE(Drive_RenameFile(drive.request({{"file_id", folderId}, {"new_file_name", "Renamed"}})), 0);
    const QJsonArray after = drive.list(target).value("data").toArray();
    QCOMPARE(names(drive.list(target)), (QStringList{"My Project (1)", "Renamed"}));
    QVERIFY(std::any_of(after.begin(), after.end(), [&](const QJsonValue &v) {
        return v.toObject().value("file_id").toString() == folderId && v.toObject().value("name") == "Renamed";
    }));
    QVERIFY(!Drive_IsBePunishedFile(drive.request({{"file_id", folderId}})));
    QCOMPARE(Drive_RecycleFile(drive.request({{"file_id", folderId}})), 0);
    QCOMPARE(names(drive.list(target)), QStringList{"My Project (1)"});
    QVERIFY(!QFileInfo::exists(m_server->servedFolder() + "/Projects/p1/Renamed"));
    const QString copyId = after.first().toObject().value("file_id").toString();
    QCOMPARE(Drive_DeleteFile(drive.request({{"file_id", copyId}})), 0);
    QVERIFY(!QFileInfo::exists(m_server->servedFolder() + "/Projects/p1/My Project (1)"));
    QCOMPARE(names(drive.list(target)), QStringList());

    // A plain server has no share links: a code of its own, not a failure of the storage.
    const QJsonObject share = DriveSandbox::answer([&](char **o) {
        return Drive_ShareFile(drive.request({{"file_id", target}, {"expires_in", 3600}}), o);
    });
    QCOMPARE(share.value("code").toInt(), int(TQDrive::NotSupported));

    // The password is in no file of the drive but the owner-only credentials file.
    QDirIterator files(TQDriveAdmin::driveRoot(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (files.fileName() == "server-credentials.json") {
            QCOMPARE(files.fileInfo().permissions() & 0x0077, QFileDevice::Permissions());
            continue;
        }
        QVERIFY2(!readAll(path).contains(m_server->password().toUtf8()), qPrintable(path));
    }
}

void TestDriveWebDav::resumeThroughCuts_data()
{
    QTest::addColumn<bool>("upload");
    QTest::newRow("upload") << true;
    QTest::newRow("download") << false;
}

void TestDriveWebDav::resumeThroughCuts()
{
    QFETCH(bool, upload);
    CuttingProxy proxy(QStringLiteral("127.0.0.1"), m_server->port());
    QString error;
    QVERIFY2(proxy.start(&error), qPrintable(error));
    DriveSandbox drive(0, serverConfig(proxy.proxied(m_server->url())));
    QVERIFY(drive.isReady());
    const qint64 size = 40 * kMiB + 123;
    const QString local = drive.path(QStringLiteral("%1.bin").arg(QString::fromLatin1(QTest::currentDataTag())));
    writeFile(local, size, 7);
    QString fileId;
    if (!upload) {
        fileId = uploadTo(drive, "seed", "root", local);
        QVERIFY(!fileId.isEmpty());
        QDir().mkpath(drive.path("down"));
        // A file changed a moment ago has no version to resume against on servers whose ETag counts
        // whole seconds (and rclone caches the times it reports): it is given two seconds to settle.
        QTest::qWait(2100);
        // The transfer threads end with the session, and their open connections with them: the
        // download's connection is a new one, which the proxy cuts.
        drive.uninit();
        QVERIFY(drive.init() && drive.login());
    }
    const auto direction = upload ? CuttingProxy::Direction::ClientToServer : CuttingProxy::Direction::ServerToClient;
    proxy.setCut(direction, upload ? 36 * kMiB : 30 * kMiB);
    const QByteArray start = upload
        ? drive.request({{"custom_uid", "cut"}, {"upload", QJsonArray{uploadItem("root", local)}}})
        : drive.request({{"custom_uid", "cut"}, {"download", QJsonArray{downloadItem(fileId, drive.path("down"))}}});
    ReportLog first;
    QCOMPARE(upload ? Drive_UploadFile(start, &ReportLog::callback, &first)
                    : Drive_DownloadFile(start, &ReportLog::callback, &first),
        0);
    QVERIFY(first.waitFinal(60000));
    QCOMPARE(first.finalCode(), int(TQDrive::ServerUnreachable));
    QVERIFY(proxy.connectionsCut() > 0);

    proxy.clearCut();
    const qint64 before = proxy.bytesForwarded(direction);
    ReportLog second;
    const QByteArray resume = drive.shortRequest("cut");
    QCOMPARE(upload ? Drive_ResumeUploadFile(resume, &ReportLog::callback, &second)
                    : Drive_ResumeDownloadFile(resume, &ReportLog::callback, &second),
        0);
    QVERIFY(second.waitFinal(60000));
    QVERIFY2(second.finalCode() == 0, readAll(drive.path("tqcorekit.log")).constData());
    const qint64 resent = proxy.bytesForwarded(direction) - before;
    // Where the server keeps a partial upload, only the segment the cut broke is sent again;
    // elsewhere the file starts over. Downloads always resume where the part ends.
    if (!upload || WebDavTestServer::expectedCapabilities(m_kind).rangedPut)
        QVERIFY2(resent < size / 2, readAll(drive.path("tqcorekit.log")).constData());
    else
        QVERIFY2(resent >= size, qPrintable(QString::number(resent)));
    const QString name = QFileInfo(local).fileName();
    const QString copy = upload ? m_server->servedFolder() + "/" + name : drive.path("down/" + name);
    if (QTest::currentTestFailed() || second.finalCode() != 0)
        qDebug().noquote() << readAll(drive.path("tqcorekit.log"));
    QCOMPARE(QFileInfo(copy).size(), size);
    QCOMPARE(fileHash(copy), fileHash(local));
}

void TestDriveWebDav::killedClientResumes()
{
    CuttingProxy proxy(QStringLiteral("127.0.0.1"), m_server->port());
    QString error;
    QVERIFY2(proxy.start(&error), qPrintable(error));
    DriveSandbox drive(0, serverConfig(proxy.proxied(m_server->url())));
    QVERIFY(drive.isReady());
    const qint64 size = 40 * kMiB + 5;
    const QString local = drive.path("killed.bin");
    writeFile(local, size, 9);

    // Another program on the same drive folder uploads it, slowly, and dies half way.
    QProcess tool;
    tool.setProgram(QStringLiteral(TQDRIVE_TOOL));
    tool.setArguments(
        {"--root", TQDriveAdmin::driveRoot(), "--token", drive.token(), "--limit-rate", "10000000", "upload", local});
    tool.start();
    QVERIFY(tool.waitForStarted());
    const auto up = CuttingProxy::Direction::ClientToServer;
    QTRY_VERIFY_WITH_TIMEOUT(proxy.bytesForwarded(up) > 20 * kMiB, 30000);
    tool.kill();
    QVERIFY(tool.waitForFinished());

    const QJsonArray transfers
        = DriveSandbox::answer([&](char **o) { return Drive_GetTransferList(drive.request({}), o); })
              .value("data")
              .toArray();
    QCOMPARE(transfers.size(), 1);
    QVERIFY(!transfers.first().toObject().value("owner_alive").toBool());
    const qint64 before = proxy.bytesForwarded(up);
    ReportLog log;
    const QString uid = transfers.first().toObject().value("custom_uid").toString();
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest(uid), &ReportLog::callback, &log), 0);
    QVERIFY(log.waitFinal(60000));
    QVERIFY2(log.finalCode() == 0, readAll(drive.path("tqcorekit.log")).constData());
    const qint64 resent = proxy.bytesForwarded(up) - before;
    // More than one 16 MiB segment had gone out when it died: at least that one is not sent again
    // (a server may keep the broken segment's bytes too, or, like lighttpd, drop them).
    if (WebDavTestServer::expectedCapabilities(m_kind).rangedPut)
        QVERIFY2(resent < size - 15 * kMiB, qPrintable(QString::number(resent)));
    else
        QVERIFY2(resent >= size, qPrintable(QString::number(resent)));
    QCOMPARE(fileHash(m_server->servedFolder() + "/killed.bin"), fileHash(local));
}

void TestDriveWebDav::replacedBetweenRuns()
{
    CuttingProxy proxy(QStringLiteral("127.0.0.1"), m_server->port());
    QString error;
    QVERIFY2(proxy.start(&error), qPrintable(error));
    DriveSandbox drive(0, serverConfig(proxy.proxied(m_server->url())));
    QVERIFY(drive.isReady());
    const qint64 size = 24 * kMiB;
    const QString local = drive.path("replaced.bin");
    writeFile(local, size, 21);
    const QString fileId = uploadTo(drive, "seed", "root", local);
    QVERIFY(!fileId.isEmpty());
    drive.uninit(); // a new connection, which the proxy cuts
    QVERIFY(drive.init() && drive.login());
    QDir().mkpath(drive.path("down"));
    proxy.setCut(CuttingProxy::Direction::ServerToClient, 12 * kMiB);
    ReportLog first;
    QCOMPARE(Drive_DownloadFile(drive.request({{"custom_uid", "r"},
                                    {"download", QJsonArray{downloadItem(fileId, drive.path("down"))}}}),
                 &ReportLog::callback, &first),
        0);
    QVERIFY(first.waitFinal(60000));
    QCOMPARE(first.finalCode(), int(TQDrive::ServerUnreachable));

    // Another client replaces the file (same size, other bytes) before the download resumes.
    proxy.clearCut();
    const QString replacement = drive.path("other.bin");
    writeFile(replacement, size, 22);
    QVERIFY(QFile::remove(m_server->servedFolder() + "/replaced.bin"));
    QVERIFY(QFile::copy(replacement, m_server->servedFolder() + "/replaced.bin"));
    ReportLog second;
    QCOMPARE(Drive_ResumeDownloadFile(drive.shortRequest("r"), &ReportLog::callback, &second), 0);
    QVERIFY(second.waitFinal(60000));
    // Never a mix of both versions: one of them whole (a server may go on serving the old one from
    // its cache), or, where the drive knows the planned content's hash, a refusal.
    const QString copy = drive.path("down/replaced.bin");
    if (second.finalCode() == 0) {
        QVERIFY(fileHash(copy) == fileHash(replacement) || fileHash(copy) == fileHash(local));
    } else {
        QCOMPARE(second.finalCode(), int(TQDrive::ContentDamaged));
        QVERIFY(WebDavTestServer::expectedCapabilities(m_kind).deadProperties);
        QVERIFY(!QFileInfo::exists(copy));
    }
}

void TestDriveWebDav::pauseAndCancel()
{
    DriveSandbox drive(0, serverConfig(m_server->url()));
    QVERIFY(drive.isReady());
    const QString local = drive.path("slow.bin");
    writeFile(local, 12 * kMiB, 31);
    TQDriveAdmin::setThrottle(4 * kMiB);
    ReportLog log;
    QCOMPARE(Drive_UploadFile(drive.request({{"custom_uid", "s"}, {"upload", QJsonArray{uploadItem("root", local)}}}),
                 &ReportLog::callback, &log),
        0);
    QVERIFY(log.waitTransferred(2 * kMiB));
    // Both are seen within a chunk, with the request still running.
    QCOMPARE(Drive_PauseUploadFile(drive.shortRequest("s")), 0);
    const QJsonObject listed
        = DriveSandbox::answer([&](char **o) { return Drive_GetTransferList(drive.request({}), o); });
    QCOMPARE(listed.value("data").toArray().first().toObject().value("state").toString(), QStringLiteral("paused"));
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest("s"), &ReportLog::callback, &log), 0);
    QVERIFY(log.waitTransferred(4 * kMiB));
    QCOMPARE(Drive_CancelUploadFile(drive.shortRequest("s")), 0);
    // Nothing is left on the server: not the file, not its staging.
    QVERIFY(!QFileInfo::exists(m_server->servedFolder() + "/slow.bin"));
    QVERIFY2(
        QDir(m_server->servedFolder() + "/.tqdrive/staging").entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty(),
        readAll(drive.path("tqcorekit.log")).constData());
}

void TestDriveWebDav::refusedPassword()
{
    SandboxServer wrong = serverConfig(m_server->url());
    wrong.password += "x";
    expiredCalls = 0;
    Drive_SetTokenExpireCallback(&onExpired, nullptr);
    DriveSandbox drive(0, wrong);
    QVERIFY(!drive.isReady());
    const QByteArray login
        = QJsonDocument(QJsonObject{{"token", drive.token()}, {"is_public", false}}).toJson(QJsonDocument::Compact);
    QCOMPARE(Drive_Login(login.constData()), int(TQDrive::TokenExpired));
    QTRY_VERIFY(expiredCalls > 0);
}

QTEST_GUILESS_MAIN(TestDriveWebDav)
#include "tst_drivewebdav.moc"
