// Task reports on the coordinator: list moves, token renewal, notices, dialogs, and whole transfers
// that meet an expired token, a full cloud or the end of the process.
#include "CloudTestEnvironment.h"
#include "IKSAppInfo.h"
#include "IKSTQIDAccount.h"
#include "KSBaseLog.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSConfigEngine.h"
#include "KSTrackEvent.h"
#include "KSWidgets.h"
#include "TQCoreKit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

namespace {

void writeFile(const QString &path, qint64 size, char fill)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray block(1 << 20, fill);
    for (qint64 left = size; left > 0; left -= block.size())
        f.write(block.constData(), qMin<qint64>(left, block.size()));
}

QByteArray sha256Of(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex();
}

KSCloudDiskCloudMediaTask *listedTask(KSCloudDiskViewPresenter *p, const QString &path, int operation, int status)
{
    auto *task = operation == UploadOperation ? new KSCloudDiskCloudMediaTask(p, path, "n", "/f", 0)
                                              : new KSCloudDiskCloudMediaTask(p, path, "file-1", 10);
    task->setListed(true);
    static_cast<IKSCDBaseTask *>(task)->setStatus(status);
    (operation == UploadOperation ? p->uploadTaskList() : p->downloadTaskList())->append(task);
    return task;
}

// Clicks the accepting or rejecting button of the next modal box from inside its own loop (a wait
// here would sit under the box's loop and never return), and records its text.
void answerBox(bool accept, QString *text)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, accept, text] {
        auto *box = qobject_cast<KOldMessageDialog *>(QApplication::activeModalWidget());
        if (!box)
            return;
        *text = box->text();
        poll->deleteLater();
        (accept ? box->yesButton() : box->noButton())->click();
    });
    poll->start(20);
}

} // namespace

class TestPresenterState : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void expiredTokenRetries();
    void listedReports();
    void backgroundFailureNotices();
    void showMessage_data();
    void showMessage();
    void spaceDialog_data();
    void spaceDialog();
    void downloadDialogs();
    void completionSignalsAndEvents();
    void pauseThenStart();
    void tokenExpiresDuringUpload();
    void cloudFullDuringUpload();
    void uploadResumesAfterRestart();

private:
    KSCloudDiskViewPresenter *presenter() const { return getCloudDisk()->getPresenter(); }
    QString cloudChildId(const QString &parentId, const QString &name) const;

    CloudTestEnvironment *m_env = nullptr;
    QStringList m_toasts;
};

void TestPresenterState::initTestCase()
{
    KSToastEvents::install([this](const QString &text) { m_toasts << text; });
}

void TestPresenterState::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    m_toasts.clear();
    KSCloudDiskItemManagerProxy::setInAutoSync(false);
}

void TestPresenterState::cleanup()
{
    delete m_env;
    m_env = nullptr;
}

QString TestPresenterState::cloudChildId(const QString &parentId, const QString &name) const
{
    const QByteArray request = QStringLiteral(R"({"space_id":%1,"parent_file_id":"%2"})")
                                   .arg(getCloudDisk()->getSpaceId())
                                   .arg(parentId)
                                   .toUtf8();
    char *out = nullptr;
    Drive_GetFileList(request.constData(), &out);
    const QJsonObject answer = QJsonDocument::fromJson(out).object();
    Drive_FreeBuf(out);
    for (const QJsonValue &entry : answer.value("data").toArray()) {
        if (entry.toObject().value("name").toString() == name)
            return entry.toObject().value("file_id").toString();
    }
    return QString();
}

void TestPresenterState::expiredTokenRetries()
{
    m_env->startService(false);
    KSCloudDiskViewPresenter *p = presenter();
    KSLogCapture log;
    QSignalSpy refresh(p, &KSCloudDiskViewPresenter::sigRefreshToken);
    QSignalSpy failed(p, qOverload<const QString &, bool, int>(&KSCloudDiskViewPresenter::taskFailed));
    KSCloudDiskTask *download = listedTask(p, m_env->path("d.mp4"), DownloadOperation, Failed);
    download->setFailedCode(140013);
    p->doTaskStateChanged(download);
    QCOMPARE(refresh.count(), 1);
    QCOMPARE(download->status(), int(Waiting));
    QVERIFY(download->queuedOnce());
    QCOMPARE(failed.count(), 0);
    QVERIFY(log.messages().contains(QString("ERROR_CODE_TOKEN_EXPIRED, retry download. taskId=%1, filePath=%2")
                                        .arg(download->taskId(), download->filePath())));

    KSCloudDiskTask *upload = listedTask(p, m_env->path("u.mp4"), UploadOperation, Failed);
    upload->setFailedCode(140013);
    QSignalSpy retried(p, &KSCloudDiskViewPresenter::retryUpload);
    p->doTaskStateChanged(upload);
    QCOMPARE(refresh.count(), 2);
    QCOMPARE(retried.count(), 1);
    QCOMPARE(upload->status(), int(Waiting));
    QCOMPARE(failed.count(), 0);

    // A token the editor cannot renew: a few retries, then the failure it is.
    for (int i = 0; i < 5; ++i) {
        static_cast<IKSCDBaseTask *>(download)->setStatus(Failed);
        download->setFailedCode(140013);
        p->doTaskStateChanged(download);
    }
    QCOMPARE(refresh.count(), 4); // two more retries, then three reports of the failure
    QCOMPARE(failed.count(), 3);
    QCOMPARE(failed.last(), QList<QVariant>({download->taskId(), false, 140013}));
}

void TestPresenterState::listedReports()
{
    m_env->startService(false);
    KSCloudDiskViewPresenter *p = presenter();
    QSignalSpy states(p, &KSCloudDiskViewPresenter::sigTaskStateChanged);
    QSignalSpy errors(p, &KSCloudDiskViewPresenter::sigSendTaskErrorType);
    QSignalSpy failed(p, qOverload<const QString &, bool, int>(&KSCloudDiskViewPresenter::taskFailed));
    QSignalSpy uploads(p, &KSCloudDiskViewPresenter::sigUploadTaskCountChanged);
    QSignalSpy done(p, &KSCloudDiskViewPresenter::sigDoneTaskCountChanged);

    // Finished: out of the upload list, first in the done list, no state signal.
    KSCloudDiskTask *older = listedTask(p, m_env->path("a.mp4"), UploadOperation, Finished);
    p->doTaskStateChanged(older);
    KSCloudDiskTask *finished = listedTask(p, m_env->path("b.mp4"), UploadOperation, Finished);
    p->doTaskStateChanged(finished);
    QCOMPARE(p->doneTaskList()->first(), finished);
    QVERIFY(p->uploadTaskList()->isEmpty());
    QCOMPARE(uploads.count(), 2);
    QCOMPARE(done.count(), 2);
    QCOMPARE(states.count(), 0);
    // The same completion told twice lists the task once.
    p->doTaskStateChanged(finished);
    QCOMPARE(p->doneTaskList()->size(), 2);
    QCOMPARE(done.count(), 2);

    // A removed listed task says nothing at all.
    KSCloudDiskTask *removed = listedTask(p, m_env->path("c.mp4"), UploadOperation, Failed);
    removed->setRemoved(true);
    p->doTaskStateChanged(removed);
    QCOMPARE(states.count() + errors.count() + failed.count(), 0);

    // A failure reports its type, unless the user has just retried an upload: that failure clears
    // the retry and stays quiet, the next one speaks again.
    KSCloudDiskTask *task = listedTask(p, m_env->path("d.mp4"), UploadOperation, Failed);
    task->setFailedCode(7);
    p->doTaskStateChanged(task);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.last(), QList<QVariant>({7, int(UploadOperation)}));
    QCOMPARE(failed.last(), QList<QVariant>({task->taskId(), false, 7}));
    p->slotRetryUploadTask(task); // reports a waiting task: quiet
    QCOMPARE(errors.count(), 1);
    static_cast<IKSCDBaseTask *>(task)->setStatus(Failed);
    p->doTaskStateChanged(task);
    QCOMPARE(errors.count(), 1);
    p->doTaskStateChanged(task);
    QCOMPARE(errors.count(), 2);
    QVERIFY(m_toasts.isEmpty()); // listed failures show in the transfer center

    // The editor's answers to a created folder.
    KSLogCapture log;
    KSCloudDiskTask *synced = listedTask(p, m_env->path("e"), UploadOperation, RootFolderSynced);
    p->doTaskStateChanged(synced);
    QVERIFY(synced->queuedOnce());
    QVERIFY(log.messages("APP@RES").first().startsWith("[cloud disk] sync root folder to crc success"));
    KSCloudDiskTask *unsynced = listedTask(p, m_env->path("f"), UploadOperation, RootFolderSyncFailed);
    failed.clear();
    p->doTaskStateChanged(unsynced);
    QCOMPARE(unsynced->status(), int(Failed));
    QCOMPARE(unsynced->failedCode(), 19); // "Sync failed"
    QVERIFY(log.messages("APP@RES").last().startsWith("[cloud disk] sync root folder to crc failed"));
    QCOMPARE(failed.count(), 1); // the upload stopped: somebody must hear of it
}

void TestPresenterState::backgroundFailureNotices()
{
    m_env->startService(false);
    KSCloudDiskViewPresenter *p = presenter();
    const QString id = p->uploadCustomEffect("E", m_env->path("e"), KeepBoth);
    KSCloudDiskTask *effect = p->findTask(id);
    static_cast<IKSCDBaseTask *>(effect)->setStatus(Failed);
    effect->setFailedCode(CloudSpaceInsufficient);
    p->doTaskStateChanged(effect);
    QCOMPARE(m_toasts, QStringList{"Insufficient space. Please expand cloud storage."});

    // Automatic syncs, generated media and downloads fail silently.
    KSCloudDiskItemManagerProxy::setInAutoSync(true);
    KSCloudDiskTask *synced = p->findTask(p->uploadCustomEffect("S", m_env->path("s"), KeepBoth));
    KSCloudDiskItemManagerProxy::setInAutoSync(false);
    QVERIFY(synced->autoSync());
    KSCloudDiskTask *generated = p->findTask(p->uploadCutLongToShortFile("L", m_env->path("l.mp4"), "/", KeepBoth));
    KSCloudDiskTask *download = p->findTask(p->downloadCustomEffect("file-2", "D", m_env->path("d"), 10));
    for (KSCloudDiskTask *task : {synced, generated, download}) {
        static_cast<IKSCDBaseTask *>(task)->setStatus(Failed);
        task->setFailedCode(7);
        p->doTaskStateChanged(task);
    }
    QCOMPARE(m_toasts.size(), 1);
}

void TestPresenterState::showMessage_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("notice");
    QTest::newRow("upload space") << 1 << 24 << "Insufficient space. Please expand cloud storage.";
    QTest::newRow("upload membership") << 1 << 99999001 << "Insufficient space. Please expand cloud storage.";
    QTest::newRow("upload network") << 1 << 7 << "Network error. Please check network.";
    QTest::newRow("download missing") << 2 << 13 << "Download failed: File does not exist";
    QTest::newRow("download network") << 2 << 7 << "Download failed. Please check your network.";
    QTest::newRow("sync") << 3 << 19 << "Sync failed";
    QTest::newRow("other operation") << 3 << 7 << "";
    QTest::newRow("other operation space") << 3 << 20 << "";
}

void TestPresenterState::showMessage()
{
    QFETCH(int, operation);
    QFETCH(int, code);
    QFETCH(QString, notice);
    KSLogCapture log;
    presenter()->showMessage(operation, code);
    QCOMPARE(m_toasts, notice.isEmpty() ? QStringList() : QStringList{notice});
    QCOMPARE(log.messages().count(
                 QString("Cloud disk operation failed, operation = %1, errorCode = %2").arg(operation).arg(code)),
        1);
    // During an automatic sync nothing at all.
    log.clear();
    m_toasts.clear();
    KSCloudDiskItemManagerProxy::setInAutoSync(true);
    presenter()->showMessage(operation, code);
    KSCloudDiskItemManagerProxy::setInAutoSync(false);
    QVERIFY(m_toasts.isEmpty());
    QVERIFY(log.messages().filter("Cloud disk operation failed").isEmpty());
}

void TestPresenterState::spaceDialog_data()
{
    QTest::addColumn<qint64>("used");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<bool>("buy");
    QTest::addColumn<bool>("editorCanOpen");
    QTest::addColumn<QString>("figures");
    QTest::addColumn<bool>("answer");
    const qint64 mib = 1048576;
    QTest::newRow("buy") << 500 * mib << 1024 * mib << true << true
                         << "524.0 MB (500.0 MB has been used, the total capacity is 1024.0 MB)" << true;
    QTest::newRow("buy refused by the editor") << 500 * mib << 1024 * mib << true << false << "524.0" << false;
    QTest::newRow("cancel") << 500 * mib << 1024 * mib << false << true << "524.0" << false;
    QTest::newRow("over quota") << 1100 * mib << 1024 * mib << false << true << "is 0.0 MB (1100.0 MB" << false;
}

void TestPresenterState::spaceDialog()
{
    QFETCH(qint64, used);
    QFETCH(qint64, total);
    QFETCH(bool, buy);
    QFETCH(bool, editorCanOpen);
    QFETCH(QString, figures);
    QFETCH(bool, answer);
    IKSCloudDisk *service = m_env->startService(false);
    QVERIFY(m_env->logIn(service));
    // The figures as a real service reports them.
    const QJsonObject space{{"space_id", QString::number(service->getSpaceId())}, {"used_size", used},
        {"total_size", total}, {"level", 1}, {"expired_time", 0}};
    TQDriveAdmin::answerNextCalls("Drive_GetSpaceInfo", 1,
        QJsonDocument(QJsonObject{{"code", 0}, {"data", space}}).toJson(QJsonDocument::Compact));
    service->syncRefreshDiskInfo(0);
    QCOMPARE(service->getDiskInfo().usedSize, used);

    KSCloudDiskViewPresenter *p = presenter();
    bool opened = false;
    connect(p, &KSCloudDiskViewPresenter::sigOpenExpandPage, this, [&](bool &abort, bool active) {
        QVERIFY(!active);
        opened = true;
        abort = !editorCanOpen;
    });
    KSCloudDiskTask *effect = p->findTask(p->uploadCustomEffect("E", m_env->path("e"), KeepBoth));
    // Asked by name from a task's thread, which waits for the answer.
    bool result = !answer;
    QThread *asker = QThread::create([&] {
        QMetaObject::invokeMethod(p, "taskSpaceNotEnough", Qt::BlockingQueuedConnection, Q_RETURN_ARG(bool, result),
            Q_ARG(KSCloudDiskTask *, effect), Q_ARG(QWidget *, nullptr), Q_ARG(qint64, 0));
    });
    // The box runs its own loop on this thread: the answer comes from inside it.
    QString text;
    answerBox(buy, &text);
    asker->start();
    QTRY_VERIFY_WITH_TIMEOUT(asker->isFinished(), 10000);
    delete asker;
    QVERIFY2(text.contains(figures), qPrintable(text));
    QCOMPARE(result, answer);
    QCOMPARE(opened, buy);
    QCOMPARE(effect->status(), int(Failed));
    QCOMPARE(effect->failedCode(), int(CloudSpaceInsufficient));

    // Listed tasks and titles get no dialog.
    KSCloudDiskTask *listed = listedTask(p, m_env->path("l.mp4"), UploadOperation, Running);
    bool listedAnswer = true;
    QMetaObject::invokeMethod(p, "taskSpaceNotEnough", Q_RETURN_ARG(bool, listedAnswer),
        Q_ARG(KSCloudDiskTask *, listed), Q_ARG(QWidget *, nullptr), Q_ARG(qint64, 0));
    QVERIFY(!listedAnswer);
    QCOMPARE(listed->status(), int(Running));
    KSCloudDiskTask *title = p->findTask(p->uploadCustomTitle("T", m_env->path("t"), KeepBoth));
    bool titleAnswer = true;
    QMetaObject::invokeMethod(p, "taskSpaceNotEnough", Q_RETURN_ARG(bool, titleAnswer), Q_ARG(KSCloudDiskTask *, title),
        Q_ARG(QWidget *, nullptr), Q_ARG(qint64, 0));
    QVERIFY(!titleAnswer);
    QCOMPARE(title->failedCode(), int(CloudSpaceInsufficient));
    QVERIFY(!QApplication::activeModalWidget());
}

void TestPresenterState::downloadDialogs()
{
    m_env->startService(false);
    KSCloudDiskViewPresenter *p = presenter();
    KSCloudDiskTask *background = p->findTask(p->downloadCustomEffect("file-3", "D", m_env->path("d"), 10));
    QString shown;
    answerBox(true, &shown);
    QMetaObject::invokeMethod(p, "taskBePunished", Q_ARG(KSCloudDiskTask *, background), Q_ARG(QWidget *, nullptr));
    QVERIFY(shown.contains("illegal content"));
    answerBox(true, &shown);
    QMetaObject::invokeMethod(p, "taskNotWritable", Q_ARG(KSCloudDiskTask *, background), Q_ARG(QWidget *, nullptr),
        Q_ARG(QString, "/read/only"));
    QCOMPARE(shown,
        QStringLiteral(
            "Local directory \"/read/only\" is not write, please modify the local permission before downloading."));
    // The transfer center shows a listed task's trouble itself.
    KSCloudDiskTask *listed = listedTask(p, m_env->path("x.mp4"), DownloadOperation, Failed);
    QMetaObject::invokeMethod(
        p, "taskNotWritable", Q_ARG(KSCloudDiskTask *, listed), Q_ARG(QWidget *, nullptr), Q_ARG(QString, "/x"));
    QVERIFY(!QApplication::activeModalWidget());
}

namespace {

QMap<QString, QVariant> propertiesOf(const KSTrackRecord &record)
{
    QMap<QString, QVariant> map;
    for (const auto &pair : record.properties)
        map.insert(pair.first, pair.second);
    return map;
}

// The transfer events of one interaction type ("2" upload success, "4" download success).
QList<QMap<QString, QVariant>> transferEvents(const KSAnalyticsCapture &capture, const QString &interaction)
{
    QList<QMap<QString, QVariant>> events;
    for (const KSTrackRecord &record : capture.records()) {
        const QMap<QString, QVariant> props = propertiesOf(record);
        if (record.name == "cloud_service_use_status" && props.value("interaction_type") == interaction)
            events << props;
    }
    return events;
}

} // namespace

void TestPresenterState::completionSignalsAndEvents()
{
    IKSCloudDisk *service = m_env->startService();
    QVERIFY(m_env->logIn(service));
    KSCloudDiskViewPresenter *p = presenter();
    connect(p, &KSCloudDiskViewPresenter::sigFolderCreated, this, [p](const QString &taskId) {
        KSCloudDiskTask *task = p->findTask(taskId);
        task->setStatus(RootFolderSynced, true);
        p->doTaskStateChanged(task);
    });
    KSAnalyticsCapture capture;
    const QString clip = m_env->path("clip.mp4");
    writeFile(clip, 300000, 'c');

    // An exported video and a media file: their own finished signals besides uploadFinished.
    QSignalSpy uploaded(p, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy video(p, &KSCloudDiskViewPresenter::uploadVideoFinished);
    QSignalSpy media(p, &KSCloudDiskViewPresenter::uploadCloudMediaFinished);
    KSCloudTaskParam param;
    param.filePath = clip;
    param.folderPath = "/";
    const QString videoId = p->uploadVideo({param}).first();
    QTRY_COMPARE_WITH_TIMEOUT(video.count(), 1, 15000);
    QCOMPARE(video.first().at(0).toString(), clip);
    QCOMPARE(video.first().at(4).toByteArray(), sha256Of(clip));
    const QString mediaId = p->uploadCloudMedia({param}).first();
    QTRY_COMPARE_WITH_TIMEOUT(media.count(), 1, 15000);
    QCOMPARE(uploaded.count(), 2);
    QCOMPARE(uploaded.at(1).at(0).toString(), mediaId);
    const QString cloudFile = uploaded.at(1).at(1).toString();
    QCOMPARE(media.first().at(1).toString(), cloudFile);
    QCOMPARE(p->doneTaskList()->size(), 2);
    QCOMPARE(p->doneTaskList()->first()->taskId(), mediaId); // newest first
    QVERIFY(p->findTask(videoId));

    // A download whose caller named a location, with the default folder setting on.
    KSConfigEngine::instance()->setValue(1, "CLOUD_SPACE", "DEFAULT_FOLDER", true);
    QSignalSpy downloaded(p, &KSCloudDiskViewPresenter::downloadFinished);
    QSignalSpy mediaDownloaded(p, &KSCloudDiskViewPresenter::downloadCloudMediaFinished);
    KSCloudTaskParam download;
    download.filePath = m_env->path("back/clip.mp4");
    download.fileId = cloudFile;
    download.fileSize = 300000;
    download.location = "media_library";
    QDir().mkpath(m_env->path("back"));
    const QString downloadId = p->downloadCloudMedia({download}).first();
    QTRY_COMPARE_WITH_TIMEOUT(mediaDownloaded.count(), 1, 15000);
    QCOMPARE(downloaded.first().at(0).toString(), downloadId);
    QCOMPARE(downloaded.first().at(3).toInt(), int(CloudMediaFile));
    QCOMPARE(sha256Of(download.filePath), sha256Of(clip));
    const auto successes = transferEvents(capture, "4");
    QCOMPARE(successes.size(), 1);
    QCOMPARE(successes.first().value("location").toString(), QStringLiteral("media_library"));
    QCOMPARE(successes.first().value("download_to_default_address").toBool(), true);
    const auto uploads = transferEvents(capture, "2");
    QCOMPARE(uploads.size(), 2);
    QCOMPARE(uploads.first().value("location").toString(), QStringLiteral("export_format_set"));

    // An automatic sync of a compound clip reports itself once done.
    const QString folder = m_env->path("Compound");
    writeFile(folder + "/clip.json", 100, 'j');
    KSCloudDiskItemManagerProxy::setInAutoSync(true);
    p->uploadCustomCompoundClip("Compound", folder, KeepBoth);
    KSCloudDiskItemManagerProxy::setInAutoSync(false);
    QTRY_COMPARE_WITH_TIMEOUT(uploaded.count(), 3, 15000);
    QStringList syncs;
    for (const KSTrackRecord &record : capture.records()) {
        if (record.name == "auto_sync_to_cloud")
            syncs << propertiesOf(record).value("sync_file_type").toString() + "/"
                    + propertiesOf(record).value("sync_status").toString();
    }
    QCOMPARE(syncs, QStringList{"compound_clip/1"});
}

void TestPresenterState::pauseThenStart()
{
    // Before sign-in the worker holds the uploads; paused there, the library never had them.
    IKSCloudDisk *service = m_env->startService();
    KSCloudDiskViewPresenter *p = presenter();
    QSignalSpy uploaded(p, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy failed(p, qOverload<const QString &, bool, int>(&KSCloudDiskViewPresenter::taskFailed));
    KSCloudTaskParam queued;
    queued.filePath = m_env->path("queued.mp4");
    queued.folderPath = "/";
    writeFile(queued.filePath, 1 << 20, 'q');
    const QString queuedId = p->uploadCloudMedia({queued}).first();
    p->slotPauseAllUploadTask();
    QCOMPARE(p->findTask(queuedId)->status(), int(Paused));
    QVERIFY(m_env->logIn(service));
    QTest::qWait(300);
    QCOMPARE(uploaded.count(), 0);
    p->slotStartUploadTask(p->findTask(queuedId));
    QVERIFY(uploaded.wait(15000));

    // Paused in the middle of its transfer, started again: the library goes on from there.
    KSCloudTaskParam moving;
    moving.filePath = m_env->path("moving.mp4");
    moving.folderPath = "/";
    writeFile(moving.filePath, 8 << 20, 'm');
    QSignalSpy progress(p, &KSCloudDiskViewPresenter::taskProgressChanged);
    TQDriveAdmin::setThrottle(4 << 20);
    const QString movingId = p->uploadCloudMedia({moving}).first();
    QVERIFY(QTest::qWaitFor([&] { return !progress.isEmpty() && progress.last().at(2).toLongLong() > 0; }, 10000));
    KSCloudDiskTask *task = p->findTask(movingId);
    p->slotPauseUploadTask(task);
    QCOMPARE(task->status(), int(Paused));
    TQDriveAdmin::setThrottle(0);
    p->slotStartUploadTask(task);
    QTRY_COMPARE_WITH_TIMEOUT(uploaded.count(), 2, 15000);
    QCOMPARE(uploaded.last().first().toString(), movingId);
    QCOMPARE(task->contentHash().toLatin1(), sha256Of(moving.filePath));
    QCOMPARE(failed.count(), 0);
}

void TestPresenterState::tokenExpiresDuringUpload()
{
    IKSCloudDisk *service = m_env->startService();
    QVERIFY(m_env->logIn(service));
    KSCloudDiskViewPresenter *p = presenter();
    const QString local = m_env->path("clip.mp4");
    writeFile(local, 6 << 20, 'v');
    // The editor renews the account when asked; the service signs in with the new token.
    int renewals = 0;
    connect(p, &KSCloudDiskViewPresenter::sigRefreshToken, this, [&] {
        ++renewals;
        QVERIFY(getTQIDAccount()->renewToken());
        service->updateTqidToken();
    });
    QSignalSpy uploaded(p, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy progress(p, &KSCloudDiskViewPresenter::taskProgressChanged);
    TQDriveAdmin::setThrottle(4 << 20);
    KSCloudTaskParam param;
    param.filePath = local;
    param.folderPath = "/";
    const QString id = p->uploadCloudMedia({param}).first();
    QVERIFY(QTest::qWaitFor([&] { return !progress.isEmpty() && progress.last().at(2).toLongLong() > 0; }, 10000));
    const QString expired = getTQIDAccount()->accessToken();
    QVERIFY(TQDriveAdmin::expireToken(expired));
    QVERIFY(uploaded.wait(30000));
    TQDriveAdmin::setThrottle(0);
    QCOMPARE(uploaded.first().first().toString(), id);
    QVERIFY(renewals >= 1);
    QVERIFY(getTQIDAccount()->accessToken() != expired);
    KSCloudDiskTask *task = p->findTask(id);
    QCOMPARE(task->status(), int(Finished));
    QCOMPARE(task->contentHash().toLatin1(), sha256Of(local));
    QCOMPARE(p->doneTaskList()->first(), task);
}

void TestPresenterState::cloudFullDuringUpload()
{
    IKSCloudDisk *service = m_env->startService();
    QVERIFY(m_env->logIn(service));
    KSCloudDiskViewPresenter *p = presenter();
    const QString folder = m_env->path("Clip");
    for (int i = 0; i < 6; ++i)
        writeFile(QString("%1/part%2/media.bin").arg(folder).arg(i), 1 << 20, char('a' + i));
    QSignalSpy failed(p, qOverload<const QString &, bool, int>(&KSCloudDiskViewPresenter::taskFailed));
    QSignalSpy errors(p, &KSCloudDiskViewPresenter::sigSendTaskErrorType);
    QSignalSpy progress(p, &KSCloudDiskViewPresenter::taskProgressChanged);
    connect(p, &KSCloudDiskViewPresenter::sigFolderCreated, this, [p](const QString &taskId) {
        KSCloudDiskTask *task = p->findTask(taskId);
        task->setStatus(RootFolderSynced, true);
        p->doTaskStateChanged(task);
    });
    TQDriveAdmin::setThrottle(2 << 20);
    const QString id = p->uploadCustomCompoundClip("Clip", folder, KeepBoth);
    // Part of the folder is in the cloud when the quota drops below what is stored.
    QVERIFY(
        QTest::qWaitFor([&] { return !progress.isEmpty() && progress.last().at(2).toLongLong() >= (2 << 20); }, 15000));
    QVERIFY(TQDriveAdmin::setSpaceInfo(m_env->account().accountId, {{"total_size", 1 << 20}}));
    QVERIFY(failed.wait(15000));
    TQDriveAdmin::setThrottle(0);
    QCOMPARE(failed.last(), QList<QVariant>({id, false, int(CloudSpaceInsufficient)}));
    QCOMPARE(errors.last(), QList<QVariant>({int(CloudSpaceInsufficient), int(UploadOperation)}));

    // Removing the failed upload takes its half-uploaded folder out of the cloud.
    const QString clips = cloudChildId(cloudChildId("root", "Cutlane"), "CustomCompoundClip");
    QVERIFY(!clips.isEmpty());
    const QString item = cloudChildId(clips, "Clip"); // the item's folder, made before the transfer
    QVERIFY(!cloudChildId(item, "Clip").isEmpty());
    p->slotRemoveUploadTask(p->findTask(id));
    QTRY_VERIFY_WITH_TIMEOUT(cloudChildId(item, "Clip").isEmpty(), 10000);

    // A background upload meeting the full cloud tells the user.
    const QString titles = m_env->path("Title");
    writeFile(titles + "/title.json", 2 << 20, 't');
    QVERIFY(m_toasts.isEmpty());
    p->uploadCustomTitle("Title", titles, KeepBoth);
    QTRY_COMPARE_WITH_TIMEOUT(m_toasts, QStringList{"Insufficient space. Please expand cloud storage."}, 15000);
    QTest::qWait(200);
    QCOMPARE(m_toasts.size(), 1); // one failure, one notice
}

void TestPresenterState::uploadResumesAfterRestart()
{
    const QString local = m_env->path("big.mp4");
    writeFile(local, 200 << 20, 'b');
    // An editor session that quits in the middle of the upload.
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"--quit-mid-upload", m_env->path(QString()), local});
    QVERIFY(child.waitForFinished(120000));
    QCOMPARE(child.exitCode(), 0);

    // The next session signs in and finishes it from where it stopped.
    QVERIFY(getTQIDAccount()->signIn("editor@example.com", KLoginSource(1)));
    TQDriveAdmin::clearCalls();
    IKSCloudDisk *service = m_env->startService();
    KSCloudDiskViewPresenter *p = presenter();
    QSignalSpy uploaded(p, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy progress(p, &KSCloudDiskViewPresenter::taskProgressChanged);
    QVERIFY(m_env->logIn(service));
    QVERIFY(uploaded.wait(120000));
    KSCloudDiskTask *task = p->findTask(uploaded.first().first().toString());
    QCOMPARE(task->filePath(), local);
    QCOMPARE(task->contentHash().toLatin1(), sha256Of(local));
    QStringList functions;
    for (const TQDriveAdmin::CallRecord &call : TQDriveAdmin::calls())
        functions << call.function;
    QVERIFY(functions.contains("Drive_ResumeUploadFile"));
    QVERIFY(!functions.contains("Drive_UploadFile"));
    QVERIFY(!progress.isEmpty());
    QVERIFY(progress.first().at(2).toLongLong() > 0); // not from the first byte
}

// The child side of uploadResumesAfterRestart: starts the upload, quits once a fifth is sent.
static int quitMidUpload(const QString &root, const QString &local)
{
    KSHostPaths::setRoot(root + "/host");
    TQDriveAdmin::setDriveRoot(root + "/drive");
    if (!getTQIDAccount()->signIn("editor@example.com", KLoginSource(1)))
        return 2;
    IKSCloudDisk *service = getCloudDisk();
    KSCloudDiskInitParam param;
    param.productId = 1051;
    param.productVersion = "3.2.0";
    param.deviceId = "test-device";
    param.logFolder = root + "/logs";
    service->init(param);
    service->getPresenter()->startCloudDiskTask();
    service->refreshAccount();
    if (!QTest::qWaitFor([service] { return service->isServiceReady(); }, 10000))
        return 3;
    TQDriveAdmin::setThrottle(40 << 20);
    KSCloudDiskViewPresenter *p = service->getPresenter();
    qint64 sent = 0;
    QObject::connect(p, &KSCloudDiskViewPresenter::taskProgressChanged,
        [&](const QString &, qlonglong, qlonglong trans) { sent = trans; });
    KSCloudTaskParam upload;
    upload.filePath = local;
    upload.folderPath = "/";
    p->uploadCloudMedia({upload});
    if (!QTest::qWaitFor([&] { return sent >= (40 << 20); }, 60000))
        return 4;
    // What the host does when the editor closes: the plug-in is released, which saves and pauses.
    releaseService();
    return sent < (200 << 20) ? 0 : 5;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--quit-mid-upload")
        return quitMidUpload(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestPresenterState test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_presenterstate.moc"
