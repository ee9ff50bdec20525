// The transfer center's thumbnail threads: cache hits, pausing, retries, clearing, and pictures
// taken from folders, project containers, pictures and videos.
#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSTransferCenterThumbnilExtractManager.h"
#include "KSTransferCenterUrlDownloadManager.h"
#include "KSZip.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Serves "/<name>" with bodies[name]; while `hold` is set, requests wait for release().
class PictureServer : public QTcpServer
{
public:
    PictureServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this]() {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket]() {
                const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                socket->setProperty("request", request);
                if (!request.contains("\r\n\r\n"))
                    return;
                socket->setProperty("path", QString(request.split(' ').value(1)));
                requests << socket->property("path").toString();
                held << socket;
                if (!hold)
                    release();
            });
        });
    }
    QString address(const QString &name) const { return QString("http://127.0.0.1:%1/%2").arg(serverPort()).arg(name); }
    void release()
    {
        hold = false;
        for (QTcpSocket *socket : qAsConst(held)) {
            const QByteArray body = bodies.value(socket->property("path").toString().mid(1));
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size())
                + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        }
        held.clear();
    }
    QHash<QString, QByteArray> bodies;
    QStringList requests;
    QList<QTcpSocket *> held;
    bool hold = false;
};

// Collects the finished task ids on the test thread.
class Finished : public QObject
{
public:
    template<typename Manager>
    explicit Finished(Manager *manager)
    {
        connect(
            manager, &Manager::sigFinish, this, [this](const QString &id) { ids << id; }, Qt::QueuedConnection);
    }
    QStringList ids;
};

QString cacheOf(const QString &taskId)
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::AppFolder) + "/CloudDisk/" + taskId + ".png";
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray png(QRgb color)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    image.save(&buffer, "PNG");
    return data;
}

QString makeMedia(const QString &out, const QStringList &args)
{
    const QString tool = QStandardPaths::findExecutable("ffmpeg");
    if (tool.isEmpty())
        return "the ffmpeg tool is not installed; it makes the test videos (scripts/install-deps.sh installs it)";
    QProcess process;
    process.start(tool, QStringList{"-nostdin", "-v", "error", "-y"} + args + QStringList{out});
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return "ffmpeg failed for " + out + ": " + QString::fromLocal8Bit(process.readAllStandardError());
    return QString();
}

template<typename Manager>
void stop(Manager &manager)
{
    manager.requestStop();
    QVERIFY2(manager.wait(3000), "the manager did not stop promptly");
}

} // namespace

class TestThumbnailManagers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KSHostPaths::setRoot(m_root.path()); }
    void downloadCacheHitsPauseAndOrder();
    void downloadRetriesAndDrops();
    void downloadSurvivesClear();
    void extractFoldersAndProjects();
    void extractMedia();

private:
    QString file(const QString &name) const { return m_files.filePath(name); }
    QTemporaryDir m_root;
    QTemporaryDir m_files;
};

void TestThumbnailManagers::downloadCacheHitsPauseAndOrder()
{
    PictureServer server;
    server.bodies = {{"a", "picture a"}, {"hit", "fresh"}, {"b", "picture b"}};
    writeFile(cacheOf("hit"), "cached");
    KSTransferCenterUrlDownloadManager manager;
    Finished finished(&manager);
    manager.start();
    manager.addTask("a", server.address("a"));
    manager.addTask("hit", server.address("hit"));
    manager.addTask("b", server.address("b"));
    // Paused from the start: nothing is fetched or signalled.
    QTest::qWait(1500);
    QVERIFY(finished.ids.isEmpty() && server.requests.isEmpty());
    manager.setPaused(false);
    QTRY_COMPARE(finished.ids, (QStringList{"a", "hit", "b"}));
    QCOMPARE(server.requests, (QStringList{"/a", "/b"}));
    QCOMPARE(readFile(cacheOf("a")), QByteArray("picture a"));
    QCOMPARE(readFile(cacheOf("b")), QByteArray("picture b"));
    QCOMPARE(readFile(cacheOf("hit")), QByteArray("cached"));
    stop(manager);
}

void TestThumbnailManagers::downloadRetriesAndDrops()
{
    const QString empty = file("empty.png");
    writeFile(empty, QByteArray());
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString closed = QString("http://127.0.0.1:%1/x.png").arg(probe.serverPort());
    probe.close();
    KSLogCapture log;
    KSTransferCenterUrlDownloadManager manager;
    Finished finished(&manager);
    manager.setPaused(false);
    manager.addTask("empty", QUrl::fromLocalFile(empty).toString());
    manager.addTask("closed", closed);
    manager.addTask("noscheme", "relative/x.png");
    manager.addTask("bad", "http://[oops");
    // A cache hit after them: once it is signalled, every entry before it had its first attempt,
    // and the failed ones went behind it.
    writeFile(cacheOf("mark1"), "x");
    manager.addTask("mark1", "relative/any.png");
    manager.start();
    QTRY_COMPARE(finished.ids, QStringList{"mark1"});
    QTRY_VERIFY(log.messages().filter("GET " + closed + " failed").size() >= 2);

    // The failed ones are still queued: they finish once there is something to get...
    writeFile(empty, "picture");
    writeFile(cacheOf("closed"), "c");
    // ...while the invalid ones were dropped and do not come back for a cache that appears later.
    writeFile(cacheOf("noscheme"), "n");
    writeFile(cacheOf("bad"), "b");
    QTRY_VERIFY(finished.ids.contains("empty") && finished.ids.contains("closed"));
    QCOMPARE(readFile(cacheOf("empty")), QByteArray("picture"));
    writeFile(cacheOf("mark2"), "x");
    manager.addTask("mark2", "relative/any.png");
    QTRY_COMPARE(finished.ids.last(), QString("mark2"));
    finished.ids.sort();
    QCOMPARE(finished.ids, (QStringList{"closed", "empty", "mark1", "mark2"}));
    stop(manager);
}

void TestThumbnailManagers::downloadSurvivesClear()
{
    PictureServer server;
    server.bodies = {{"slow", "slow picture"}};
    server.hold = true;
    writeFile(cacheOf("queued"), "q");
    writeFile(cacheOf("after"), "a");
    KSTransferCenterUrlDownloadManager manager;
    Finished finished(&manager);
    manager.setPaused(false);
    manager.start();
    manager.addTask("slow", server.address("slow"));
    manager.addTask("queued", "relative/any.png");
    QTRY_COMPARE(server.requests, QStringList{"/slow"});
    manager.clear();
    server.release();
    QTRY_COMPARE(finished.ids, QStringList{"slow"});
    QCOMPARE(readFile(cacheOf("slow")), QByteArray("slow picture"));
    // "queued" was cleared: it would come before this one.
    manager.addTask("after", "relative/any.png");
    QTRY_COMPARE(finished.ids, (QStringList{"slow", "after"}));
    stop(manager);
}

void TestThumbnailManagers::extractFoldersAndProjects()
{
    writeFile(file("withCover/Thumbnail.png"), png(qRgb(255, 0, 0)));
    QVERIFY(QDir().mkpath(file("bare")));
    writeFile(file("project/Thumbnail.png"), png(qRgb(0, 0, 255)));
    writeFile(file("project/ProjectFolder/Timeline/thumb.fsthumb"), png(qRgb(0, 255, 0)));
    QVERIFY(KSQuaZip::CompressDirWithUTF8(file("Project.VQP"), file("project")));
    writeFile(file("plain/ProjectFolder/project.xml"), "<project/>");
    QVERIFY(KSQuaZip::CompressDirWithUTF8(file("plain.vqp"), file("plain")));
    writeFile(cacheOf("x-hit"), "hit");

    KSTransferCenterThumbnilExtractManager manager;
    Finished finished(&manager);
    manager.setPaused(false);
    manager.addTask("x-hit", file("gone/elsewhere.mp4"));
    manager.addTask("x-folder", file("withCover"));
    manager.addTask("x-bare", file("bare"));
    manager.addTask("x-project", file("Project.VQP"));
    manager.addTask("x-plain", file("plain.vqp"));
    writeFile(cacheOf("x-mark"), "x");
    manager.addTask("x-mark", file("gone/elsewhere.mp4"));
    manager.start();
    QTRY_COMPARE(finished.ids, (QStringList{"x-hit", "x-folder", "x-bare", "x-project", "x-mark"}));
    QCOMPARE(readFile(cacheOf("x-hit")), QByteArray("hit"));
    QCOMPARE(readFile(cacheOf("x-folder")), png(qRgb(255, 0, 0)));
    QVERIFY(!QFile::exists(cacheOf("x-bare")) && !QFile::exists(cacheOf("x-plain")));
    QCOMPARE(QImage(cacheOf("x-project")).pixel(4, 3), qRgb(0, 255, 0));
    stop(manager);
}

void TestThumbnailManagers::extractMedia()
{
    QString why
        = makeMedia(file("clip.mp4"), {"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-t", "1", "-c:v", "mpeg4"});
    QVERIFY2(why.isEmpty(), qPrintable(why));
    why = makeMedia(file("tone.wav"), {"-f", "lavfi", "-i", "sine=frequency=440:duration=1"});
    QVERIFY2(why.isEmpty(), qPrintable(why));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    QVERIFY(picture.save(file("picture.png")));
    writeFile(file("notes.txt"), "not a picture");

    KSLogCapture log;
    KSTransferCenterThumbnilExtractManager manager;
    Finished finished(&manager);
    manager.start();
    manager.setPaused(false);
    for (const char *name : {"picture.png", "clip.mp4", "tone.wav", "notes.txt", "gone.mp4"})
        manager.addTask(QString("m-") + name, file(name));
    writeFile(cacheOf("m-mark"), "x");
    manager.addTask("m-mark", file("gone.mp4"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.ids, (QStringList{"m-picture.png", "m-clip.mp4", "m-mark"}), 30000);
    const QImage still(cacheOf("m-picture.png"));
    QVERIFY(still.size() == QSize(40, 30) && still.pixel(20, 15) == qRgb(255, 0, 0));
    QCOMPARE(QImage(cacheOf("m-clip.mp4")).size(), QSize(64, 48));
    for (const char *name : {"tone.wav", "notes.txt", "gone.mp4"})
        QVERIFY2(!QFile::exists(cacheOf(QString("m-") + name)), name);
    QCOMPARE(log.messages().count("transfer center: file not exist"), 1);
    stop(manager);
}

QTEST_GUILESS_MAIN(TestThumbnailManagers)
#include "tst_thumbnailmanagers.moc"
