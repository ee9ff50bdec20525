// The servers the WebDAV backend is tested against: each real server starts, authenticates and has
// the capabilities its header claims; the proxy cuts exactly where told; the Nextcloud stand-in
// follows the dialect (chunked upload, ids, ranges, trash bin, share links).
#include "CuttingProxy.h"
#include "NextcloudTestServer.h"
#include "WebDavTestServer.h"

#include <QCryptographicHash>
#include <QDate>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

namespace {

struct Answer {
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
};

class Client
{
public:
    Client(const QString &user, const QString &password)
        : m_auth("Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64())
    { }

    Answer send(const QByteArray &verb, const QUrl &url, const QByteArray &body = QByteArray(),
        const QList<QPair<QByteArray, QByteArray>> &headers = {})
    {
        QNetworkRequest request(url);
        request.setRawHeader("Authorization", m_auth);
        for (const auto &header : headers)
            request.setRawHeader(header.first, header.second);
        if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/xml"));
        QNetworkReply *reply = m_nam.sendCustomRequest(request, verb, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        Answer answer{
            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->error(), reply->readAll()};
        if (!reply->isFinished())
            answer.error = QNetworkReply::TimeoutError;
        reply->abort();
        reply->deleteLater();
        return answer;
    }

    // A cut only applies to connections opened after it was set.
    void forgetConnections() { m_nam.clearConnectionCache(); }

private:
    QNetworkAccessManager m_nam;
    QByteArray m_auth;
};

QByteArray randomBytes(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char(QRandomGenerator::global()->bounded(256));
    return data;
}

QByteArray propfindOf(const QByteArray &props)
{
    return "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\" xmlns:t=\"urn:x-tqdrive-test\"><d:prop>" + props
        + "</d:prop></d:propfind>";
}

} // namespace

Q_DECLARE_METATYPE(WebDavTestServer::Kind)

class TestWebDavSupport : public QObject
{
    Q_OBJECT
private slots:
    void realServer_data();
    void realServer();
    void nextcloudDialect();
};

void TestWebDavSupport::realServer_data()
{
    QTest::addColumn<WebDavTestServer::Kind>("kind");
    for (auto kind : {WebDavTestServer::Kind::Apache, WebDavTestServer::Kind::Lighttpd, WebDavTestServer::Kind::Nginx,
             WebDavTestServer::Kind::Rclone})
        QTest::newRow(qPrintable(WebDavTestServer::kindName(kind))) << kind;
}

void TestWebDavSupport::realServer()
{
    QFETCH(WebDavTestServer::Kind, kind);
    QString error;
    const std::unique_ptr<WebDavTestServer> server = WebDavTestServer::start(kind, &error);
    QVERIFY2(server, qPrintable(error));
    Client client(server->user(), server->password());
    const QUrl file = server->url().resolved(QUrl(QStringLiteral("a.bin")));

    const QByteArray content = randomBytes(300 * 1024);
    QVERIFY(QList<int>({201, 204}).contains(client.send("PUT", file, content).status));
    QCOMPARE(client.send("GET", file).body, content);
    QFile served(server->servedFolder() + QStringLiteral("/a.bin"));
    QVERIFY(served.open(QIODevice::ReadOnly));
    QCOMPARE(served.readAll(), content);
    QCOMPARE(Client(server->user(), QStringLiteral("wrong")).send("GET", file).status, 401);

    const WebDavTestServer::Capabilities expected = WebDavTestServer::expectedCapabilities(kind);
    const QUrl small = server->url().resolved(QUrl(QStringLiteral("small.txt")));
    QVERIFY(client.send("PUT", small, "0123456789abcdefghij").status / 100 == 2);
    client.send("PUT", small, "ABCDE", {{"Content-Range", "bytes 10-14/20"}});
    QCOMPARE(client.send("GET", small).body == "0123456789ABCDEfghij", expected.rangedPut);

    client.send("PROPPATCH", small,
        "<?xml version=\"1.0\"?><d:propertyupdate xmlns:d=\"DAV:\" xmlns:t=\"urn:x-tqdrive-test\"><d:set><d:prop>"
        "<t:id>kept-42</t:id></d:prop></d:set></d:propertyupdate>");
    const QUrl moved = server->url().resolved(QUrl(QStringLiteral("moved.txt")));
    QVERIFY(client.send("MOVE", small, {}, {{"Destination", moved.toEncoded()}}).status / 100 == 2);
    const Answer props = client.send("PROPFIND", moved, propfindOf("<t:id/>"), {{"Depth", "0"}});
    QCOMPARE(props.status, 207);
    QCOMPARE(props.body.contains("kept-42"), expected.deadProperties);
    const Answer quota = client.send(
        "PROPFIND", server->url(), propfindOf("<d:quota-available-bytes/><d:quota-used-bytes/>"), {{"Depth", "0"}});
    QCOMPARE(quota.status, 207);
    QCOMPARE(quota.body.contains("quota-available-bytes>") && !quota.body.contains("404 Not Found"), expected.quota);

    // Through the proxy: a download and an upload each broken after exactly N bytes, then a clean pass.
    CuttingProxy proxy(QStringLiteral("127.0.0.1"), server->port());
    QVERIFY2(proxy.start(&error), qPrintable(error));
    const QUrl viaProxy = proxy.proxied(file);
    const qint64 cutAt = 64 * 1024;
    proxy.setCut(CuttingProxy::Direction::ServerToClient, cutAt);
    const Answer broken = client.send("GET", viaProxy);
    // QNetworkAccessManager does not always flag a body cut short; the size does.
    QVERIFY(broken.body.size() < cutAt);
    QVERIFY(proxy.connectionsCut() >= 1);
    QCOMPARE(proxy.bytesForwarded(CuttingProxy::Direction::ServerToClient), cutAt * proxy.connectionsCut());

    const int cutsBefore = proxy.connectionsCut();
    const qint64 upBefore = proxy.bytesForwarded(CuttingProxy::Direction::ClientToServer);
    proxy.setCut(CuttingProxy::Direction::ClientToServer, cutAt);
    client.forgetConnections();
    const QByteArray other = randomBytes(200 * 1024);
    QVERIFY(client.send("PUT", viaProxy, other).error != QNetworkReply::NoError);
    const int uploadCuts = proxy.connectionsCut() - cutsBefore;
    QVERIFY(uploadCuts >= 1);
    // The client may still be sending a retried GET's request line and headers (a few hundred bytes)
    // when the count is taken: only those may come on top of the exact cuts.
    const qint64 upForwarded = proxy.bytesForwarded(CuttingProxy::Direction::ClientToServer) - upBefore;
    QVERIFY2(upForwarded >= cutAt * uploadCuts && upForwarded < cutAt * uploadCuts + 1024,
        qPrintable(QStringLiteral("%1 bytes forwarded for %2 cut(s)").arg(upForwarded).arg(uploadCuts)));

    proxy.clearCut();
    client.forgetConnections();
    if (expected.atomicPut) {
        QCOMPARE(client.send("GET", viaProxy).body, content);
    } else { // written in place: the old file is gone, at most what arrived of the new one is there
        auto servedNow = [&] {
            QFile in(server->servedFolder() + QStringLiteral("/a.bin"));
            return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        };
        QTRY_VERIFY(servedNow() != content && servedNow().size() < cutAt && other.startsWith(servedNow()));
    }

    // A cut armed for the next connection breaks that one only.
    const QUrl fresh = server->url().resolved(QUrl(QStringLiteral("c.bin")));
    QVERIFY(client.send("PUT", fresh, content).status / 100 == 2);
    proxy.setCut(CuttingProxy::Direction::ClientToServer, 0, CuttingProxy::Scope::NextConnection);
    const int cutsNow = proxy.connectionsCut();
    client.forgetConnections();
    client.send("GET", proxy.proxied(fresh)); // takes the armed cut (and may retry on a clean connection)
    client.forgetConnections();
    QCOMPARE(client.send("GET", proxy.proxied(fresh)).body, content);
    QCOMPARE(proxy.connectionsCut(), cutsNow + 1);
}

void TestWebDavSupport::nextcloudDialect()
{
    QString error;
    const std::unique_ptr<NextcloudTestServer> server = NextcloudTestServer::start(&error);
    QVERIFY2(server, qPrintable(error));
    Client client(server->user(), server->password());
    const QUrl files = server->filesUrl();
    const QUrl upload = server->url().resolved(QUrl(QStringLiteral("remote.php/dav/uploads/tester/up-1")));
    const QUrl target = files.resolved(QUrl(QStringLiteral("docs/big%20file.bin")));
    const QList<QPair<QByteArray, QByteArray>> destination{{"Destination", target.toEncoded()}};

    // Chunked upload v2, with the chunks listed before the final MOVE, as a resuming client does.
    QCOMPARE(client.send("MKCOL", files.resolved(QUrl(QStringLiteral("docs")))).status, 201);
    QCOMPARE(client.send("MKCOL", upload, {}, destination).status, 201);
    const QByteArray first = randomBytes(100 * 1024);
    const QByteArray second = randomBytes(30 * 1024);
    QCOMPARE(client.send("PUT", upload.toString() + QStringLiteral("/2"), second, destination).status, 201);
    QCOMPARE(client.send("PUT", upload.toString() + QStringLiteral("/1"), first, destination).status, 201);
    const Answer chunks = client.send("PROPFIND", upload, propfindOf("<d:getcontentlength/>"), {{"Depth", "1"}});
    QCOMPARE(chunks.status, 207);
    QVERIFY(chunks.body.contains("up-1/1</d:href>") && chunks.body.contains("<d:getcontentlength>102400<"));
    QVERIFY(chunks.body.contains("up-1/2</d:href>") && chunks.body.contains("<d:getcontentlength>30720<"));
    const QUrl assembled(upload.toString() + QStringLiteral("/.file"));
    QCOMPARE(client.send("MOVE", assembled, {}, {destination.first(), {"OC-Total-Length", "1"}}).status, 400);
    QCOMPARE(client.send("MOVE", assembled, {}, {destination.first(), {"OC-Total-Length", "133120"}}).status, 201);
    QCOMPARE(client.send("GET", target).body, first + second);
    const Answer ranged = client.send("GET", target, {}, {{"Range", "bytes=102000-102499"}});
    QCOMPARE(ranged.status, 206);
    QCOMPARE(ranged.body, (first + second).mid(102000, 500));
    const Answer stale = client.send("GET", target, {}, {{"Range", "bytes=100-"}, {"If-Range", "\"old\""}});
    QCOMPARE(stale.status, 200); // another version: the whole file, never a splice of two
    QCOMPARE(stale.body.size(), 133120);
    QCOMPARE(client.send("GET", target, {}, {{"Range", "bytes=133120-"}}).status, 416);
    const qint64 id = server->fileId(QStringLiteral("docs/big file.bin"));
    QVERIFY(id > 0);
    const Answer listing = client.send("PROPFIND", target, propfindOf("<oc:fileid/>"), {{"Depth", "0"}});
    QVERIFY(listing.body.contains("<oc:fileid>" + QByteArray::number(id) + "</oc:fileid>"));

    // A link share with a password and an expiry; the API refuses requests without its CSRF header.
    const QUrl shares
        = server->url().resolved(QUrl(QStringLiteral("ocs/v2.php/apps/files_sharing/api/v1/shares?format=json")));
    const QByteArray tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate).toLatin1();
    const QList<QPair<QByteArray, QByteArray>> form{
        {"OCS-APIRequest", "true"}, {"Content-Type", "application/x-www-form-urlencoded"}};
    const QByteArray fields = "path=%2Fdocs%2Fbig+file.bin&shareType=3&password=s%26cret+1&expireDate=";
    QCOMPARE(client.send("POST", shares, fields + tomorrow, {form.last()}).status, 401);
    QCOMPARE(
        client.send("POST", shares, fields + QDate::currentDate().toString(Qt::ISODate).toLatin1(), form).status, 404);
    const Answer created = client.send("POST", shares, fields + tomorrow, form);
    QCOMPARE(created.status, 200);
    const QJsonObject share = QJsonDocument::fromJson(created.body)
                                  .object()
                                  .value(QStringLiteral("ocs"))
                                  .toObject()
                                  .value(QStringLiteral("data"))
                                  .toObject();
    QCOMPARE(share[QStringLiteral("path")].toString(), QStringLiteral("/docs/big file.bin"));
    QCOMPARE(share[QStringLiteral("expiration")].toString(), QString::fromLatin1(tomorrow + " 00:00:00"));
    QCOMPARE(qint64(share[QStringLiteral("file_source")].toDouble()), id);
    QCOMPARE(share[QStringLiteral("token")].toString().size(), 15);
    // Kept as a hash of the decoded form field ('+' a space, %26 an ampersand).
    QCOMPARE(share[QStringLiteral("password")].toString().toLatin1(),
        "1|" + QCryptographicHash::hash("s&cret 1", QCryptographicHash::Sha256).toHex());
    QVERIFY(!created.body.contains("s&cret 1"));
    QCOMPARE(server->shares().size(), 1);
    const Answer v1 = client.send("GET",
        server->url().resolved(QUrl(QStringLiteral("ocs/v1.php/apps/files_sharing/api/v1/shares"))), {}, {form.first()});
    QCOMPARE(v1.status, 200);
    QVERIFY(v1.body.contains("<statuscode>100</statuscode>") && v1.body.contains("<token>"));

    // Quota: reported on folders, and a PUT beyond it refused with 507.
    server->setQuota(133120 + 1000);
    const Answer quota = client.send("PROPFIND", files, propfindOf("<d:quota-available-bytes/>"), {{"Depth", "0"}});
    QVERIFY(quota.body.contains("<d:quota-available-bytes>1000<"));
    QCOMPARE(client.send("PUT", files.resolved(QUrl(QStringLiteral("over.bin"))), randomBytes(1001)).status, 507);
    server->setQuota(-1);

    // Deleting recycles: the trash bin lists the file, a restore brings it back with its id.
    QCOMPARE(client.send("DELETE", target).status, 204);
    QCOMPARE(client.send("GET", target).status, 404);
    QCOMPARE(server->shares().size(), 0);
    const QUrl trash = server->url().resolved(QUrl(QStringLiteral("remote.php/dav/trashbin/tester/trash")));
    const Answer trashed = client.send("PROPFIND", trash, propfindOf("<d:getetag/>"), {{"Depth", "1"}});
    QVERIFY(trashed.body.contains("<nc:trashbin-original-location>docs/big file.bin<"));
    QCOMPARE(server->trashItems().size(), 1);
    const QString item = server->trashItems().first();
    const QUrl restoreTo
        = server->url().resolved(QUrl(QStringLiteral("remote.php/dav/trashbin/tester/restore/") + item));
    QCOMPARE(client
                 .send("MOVE", QUrl(trash.toString() + QLatin1Char('/') + item), {},
                     {{"Destination", restoreTo.toEncoded()}})
                 .status,
        201);
    QCOMPARE(server->fileId(QStringLiteral("docs/big file.bin")), id);
    QCOMPARE(client.send("GET", target).body, first + second);

    server->setPassword(QStringLiteral("revoked"));
    QCOMPARE(client.send("GET", target).status, 401);
}

QTEST_GUILESS_MAIN(TestWebDavSupport)
#include "tst_webdavsupport.moc"
