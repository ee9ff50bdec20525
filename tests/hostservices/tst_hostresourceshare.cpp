// The project's cloud-resource service: share objects made on the local drive, answered through
// the observers on their own thread.
#include "DriveSandbox.h"
#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSObserverConnector.h"
#include "KSProject.h"
#include "TQDriveCodes.h"

#include <QDateTime>
#include <QDir>
#include <QTest>
#include <QThread>
#include <QUuid>

class TestHostResourceShare : public QObject
{
    Q_OBJECT

private slots:
    void shares();
    void failuresAndLifetimes();
};

namespace {

class Recorder : public IKSCloudResouceReplyObserver
{
public:
    explicit Recorder(IKSMediaItemManager *manager) { connector.connect(manager, this); }
    void onCloudResourceReply(const KSCloudResourceReply &reply) override
    {
        replies << reply;
        threads << QThread::currentThread();
    }

    QVector<KSCloudResourceReply> replies;
    QVector<QThread *> threads;
    KSObserverConnector<IKSMediaItemManager, Recorder> connector;
};

QString upload(DriveSandbox &drive, const QString &localPath)
{
    ReportLog log;
    const QJsonObject item{{"parent_file_id", "root"}, {"path", localPath}};
    const QByteArray request
        = drive.request({{"custom_uid", QUuid::createUuid().toString()}, {"upload", QJsonArray{item}}});
    if (Drive_UploadFile(request, &ReportLog::callback, &log) != 0 || !log.waitFinal() || log.finalCode() != 0)
        return QString();
    return currentOf(log.final()).value("file_id").toString();
}

// Downloads a share the way anybody holding the link would: the final code.
int fetch(const QString &shareId, const QString &folder)
{
    QDir().mkpath(folder);
    ReportLog log;
    const QJsonObject item{{"share_id", shareId}, {"save_dir", folder}};
    const QByteArray request
        = QJsonDocument(QJsonObject{{"custom_uid", QUuid::createUuid().toString()}, {"download", QJsonArray{item}}})
              .toJson(QJsonDocument::Compact);
    const int started = Drive_DownloadFile(request, &ReportLog::callback, &log);
    return started != 0 ? started : (log.waitFinal() ? log.finalCode() : -2);
}

} // namespace

void TestHostResourceShare::shares()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    KSHostPaths::setRoot(drive.path("host"));
    writeFile(drive.path("clip.mp4"), 150000, 7);
    const QString fileId = upload(drive, drive.path("clip.mp4"));
    QVERIFY(!fileId.isEmpty());

    IKSMediaItemManager *manager = IKSProjectManager::getInstance()->getMediaItemManager();
    Recorder recorder(manager);
    KSLogCapture logs;
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const qint64 request
        = manager->createResourceShare(fileId, 2, QStringLiteral("Ab12"), true, false, true, 3600, drive.token());
    QVERIFY(recorder.replies.isEmpty()); // answered later, never from inside the call
    QTRY_COMPARE(recorder.replies.size(), 1);
    const KSCloudResourceReply reply = recorder.replies.constFirst();
    QCOMPARE(recorder.threads.constFirst(), QThread::currentThread());
    QCOMPARE(reply.kind, int(KSCloudResourceShareCreated));
    QCOMPARE(reply.requestId, request);
    QCOMPARE(reply.code, 0);
    QVERIFY(!reply.objectId.isEmpty());
    QVERIFY(reply.address.endsWith(reply.objectId));
    QVERIFY(reply.expiresAt >= before + 3600 && reply.expiresAt <= before + 3700);
    QCOMPARE(manager->shareAddress(reply.objectId), reply.address);

    // The link works for anybody holding its code, and only with it.
    QCOMPARE(fetch(reply.objectId, drive.path("visitor")), int(TQDrive::ShareCodeWrong));
    QCOMPARE(fetch(reply.objectId + ":Ab12", drive.path("visitor")), 0);
    QCOMPARE(fileHash(drive.path("visitor/clip.mp4")), fileHash(drive.path("clip.mp4")));

    // A link the drive made already becomes a share object without end.
    manager->registerDriveShare(reply.objectId, 8, QStringLiteral("Ab12"), true, false, false, -1, drive.token());
    QTRY_COMPARE(recorder.replies.size(), 2);
    QCOMPARE(recorder.replies.at(1).code, 0);
    QCOMPARE(recorder.replies.at(1).objectId, reply.objectId);
    QCOMPARE(recorder.replies.at(1).expiresAt, 0);

    const QString logged = logs.messages().join(QLatin1Char('\n'));
    QVERIFY2(!logged.contains(QLatin1String("Ab12")) && !logged.contains(drive.token()), qPrintable(logged));
    QVERIFY(logged.contains(QLatin1String("password ***")));
}

void TestHostResourceShare::failuresAndLifetimes()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    KSHostPaths::setRoot(drive.path("host"));
    IKSProjectManager *projects = IKSProjectManager::getInstance();
    IKSMediaItemManager *manager = projects->getMediaItemManager();
    Recorder recorder(manager);

    manager->createResourceShare("0000000000000000", 2, QString(), true, true, true, 0, drive.token());
    manager->createResourceShare("0000000000000000", 2, QString(), true, true, true, 0, "tq-unknown");
    manager->registerDriveShare("not-a-share", 8, QString(), true, false, false, 0, drive.token());
    {
        // Goes before its answer arrives: its connector detaches it, so nothing calls it.
        Recorder gone(manager);
        manager->createResourceShare("0000000000000000", 2, QString(), true, true, true, 0, drive.token());
    }
    QTRY_COMPARE(recorder.replies.size(), 4);
    QMap<int, int> codes;
    for (const KSCloudResourceReply &reply : qAsConst(recorder.replies)) {
        QCOMPARE(reply.kind, int(KSCloudResourceShareCreated));
        QVERIFY(reply.objectId.isEmpty() && reply.address.isEmpty());
        ++codes[reply.code];
    }
    QCOMPARE(codes,
        (QMap<int, int>{
            {int(TQDrive::FileNotFound), 2}, {int(TQDrive::TokenInvalid), 1}, {int(TQDrive::BadArgument), 1}}));

    // Another project gets another manager; the old one answers nothing more and its observers'
    // connectors let go of it.
    manager->createResourceShare("0000000000000000", 2, QString(), true, true, true, 0, drive.token());
    projects->setCurrentProject(drive.path("other.vqp"));
    QVERIFY(!recorder.connector.isConnected());
    QCOMPARE(projects->currentProjectPath(), drive.path("other.vqp"));
    Recorder next(projects->getMediaItemManager());
    QVERIFY(next.connector.isConnected());
    next.connector.subject()->createResourceShare("0000000000000000", 2, QString(), true, true, true, 0, "");
    QTRY_COMPARE(next.replies.size(), 1);
    QCOMPARE(next.replies.constFirst().code, int(TQDrive::NotSignedIn));
    QTest::qWait(100);
    QCOMPARE(recorder.replies.size(), 4);
}

QTEST_MAIN(TestHostResourceShare)
#include "tst_hostresourceshare.moc"
