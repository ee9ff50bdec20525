// The drive on a Nextcloud-like server (the in-test stand-in): chunked uploads resumed after a broken
// connection, the server's file ids, quota, trash bin and share links.
#include "CuttingProxy.h"
#include "DriveSandbox.h"
#include "NextcloudTestServer.h"
#include "TQDriveCodes.h"

#include <QDateTime>
#include <QtTest>

namespace {

constexpr qint64 kMiB = 1 << 20;

QString uploadTo(DriveSandbox &drive, const QString &uid, const QString &parent, const QString &path, ReportLog &log)
{
    const QJsonObject item{{"file_id", parent}, {"path", path}, {"check_name_mode", 1}};
    if (Drive_UploadFile(drive.request({{"custom_uid", uid}, {"upload", QJsonArray{item}}}), &ReportLog::callback, &log)
            != 0
        || !log.waitFinal(60000) || log.finalCode() != 0)
        return QString();
    return currentOf(log.final()).value("file_id").toString();
}

} // namespace

class TestDriveNextcloud : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void chunkedUploadResumes();
    void trashAndShareLinks();

private:
    std::unique_ptr<NextcloudTestServer> m_server;
};

void TestDriveNextcloud::initTestCase()
{
    qputenv("TQDRIVE_KEYCHAIN", "off");
    QString error;
    m_server = NextcloudTestServer::start(&error);
    QVERIFY2(m_server, qPrintable(error));
}

void TestDriveNextcloud::chunkedUploadResumes()
{
    CuttingProxy proxy(QStringLiteral("127.0.0.1"), m_server->url().port());
    QString error;
    QVERIFY2(proxy.start(&error), qPrintable(error));
    m_server->setQuota(qint64(3) << 30);
    DriveSandbox drive(0, {proxy.proxied(m_server->filesUrl()), m_server->user(), m_server->password()});
    QVERIFY(drive.isReady());
    const QJsonObject found = TQDriveAdmin::serverCapabilities();
    QVERIFY(found.value("file_ids").toBool());
    QVERIFY(found.value("quota").toBool());
    QVERIFY(!found.value("ranged_put").toBool());
    QCOMPARE(qint64(drive.spaceInfo().value("data").toObject().value("total_size").toDouble()), qint64(3) << 30);

    const qint64 size = 25 * kMiB + 7;
    const QString local = drive.path("big.bin");
    writeFile(local, size, 11);
    proxy.setCut(CuttingProxy::Direction::ClientToServer, 15 * kMiB);
    ReportLog first;
    QVERIFY(uploadTo(drive, "big", "root", local, first).isEmpty());
    QCOMPARE(first.finalCode(), int(TQDrive::ServerUnreachable));

    proxy.clearCut();
    const qint64 before = proxy.bytesForwarded(CuttingProxy::Direction::ClientToServer);
    ReportLog second;
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest("big"), &ReportLog::callback, &second), 0);
    QVERIFY(second.waitFinal(60000));
    QVERIFY2(second.finalCode() == 0, readAll(drive.path("tqcorekit.log")).constData());
    // The first chunk arrived whole and is not sent again; the broken second one is.
    const qint64 resent = proxy.bytesForwarded(CuttingProxy::Direction::ClientToServer) - before;
    QVERIFY2(resent < size - 9 * kMiB, qPrintable(QString::number(resent)));
    QCOMPARE(fileHash(m_server->filesFolder() + "/big.bin"), fileHash(local));
    // The file's id is the server's own, so it survives whatever another client does to the file.
    QCOMPARE(
        currentOf(second.final()).value("file_id").toString(), QStringLiteral("oc%1").arg(m_server->fileId("big.bin")));
    const QStringList requests = m_server->requestLog();
    QVERIFY(std::any_of(requests.begin(), requests.end(),
        [](const QString &r) { return r.startsWith("MOVE /remote.php/dav/uploads/tester/") && r.endsWith("/.file"); }));
}

void TestDriveNextcloud::trashAndShareLinks()
{
    DriveSandbox drive(0, {m_server->filesUrl(), m_server->user(), m_server->password()});
    QVERIFY(drive.isReady());
    writeFile(drive.path("a.txt"), 1000, 1);
    writeFile(drive.path("b.txt"), 2000, 2);
    ReportLog upA;
    ReportLog upB;
    const QString a = uploadTo(drive, "a", "root", drive.path("a.txt"), upA);
    const QString b = uploadTo(drive, "b", "root", drive.path("b.txt"), upB);
    QVERIFY(!a.isEmpty() && !b.isEmpty());

    // A link with the access code as its password, ending on the first midnight after the asked time.
    const QDateTime asked = QDateTime::currentDateTimeUtc().addSecs(26 * 3600);
    const QJsonObject share = DriveSandbox::answer([&](char **o) {
        return Drive_ShareFile(drive.request({{"file_id", a}, {"code", "Kx7pQ2"}, {"expires_in", 26 * 3600}}), o);
    });
    QCOMPARE(share.value("code").toInt(), 0);
    QVERIFY(share.value("data").toObject().value("url").toString().contains("/s/"));
    const QJsonObject link = m_server->shares().last().toObject();
    QVERIFY(!link.value("password").toString().isEmpty());
    QCOMPARE(link.value("path").toString(), QStringLiteral("/a.txt"));
    const QDate expiry = QDate::fromString(link.value("expiration").toString().left(10), Qt::ISODate);
    QCOMPARE(expiry, asked.date().addDays(1));
    QCOMPARE(qint64(share.value("data").toObject().value("expires_at").toDouble()),
        QDateTime(expiry, QTime(0, 0), Qt::UTC).toSecsSinceEpoch());

    // Recycled goes to the server's trash bin; deleted leaves no trace there.
    const int trashed = m_server->trashItems().size();
    QCOMPARE(Drive_RecycleFile(drive.request({{"file_id", a}})), 0);
    QCOMPARE(m_server->trashItems().size(), trashed + 1);
    QCOMPARE(Drive_DeleteFile(drive.request({{"file_id", b}})), 0);
    QCOMPARE(m_server->trashItems().size(), trashed + 1);
    QVERIFY(!QFileInfo::exists(m_server->filesFolder() + "/a.txt"));
    QVERIFY(!QFileInfo::exists(m_server->filesFolder() + "/b.txt"));

    // A revoked app password: the token-expired code; a new one kept, the next token carries on.
    m_server->setPassword("renewed-app-password");
    QCOMPARE(drive.list("root").value("code").toInt(), int(TQDrive::TokenExpired));
    QVERIFY(TQDriveAdmin::setServerPassword(m_server->filesUrl(), m_server->user(), "renewed-app-password"));
    QCOMPARE(Drive_UpdateToken(drive.token().toUtf8().constData()), 0);
    QCOMPARE(drive.list("root").value("code").toInt(), 0);
}

QTEST_GUILESS_MAIN(TestDriveNextcloud)
#include "tst_drivenextcloud.moc"
