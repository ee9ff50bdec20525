// The transfer engine under kills, races and a second program on the same account: no task is lost,
// no stage waits for ever, nothing of ours is left on disk.
#include "CloudTestEnvironment.h"
#include "IKSAppInfo.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCloudTaskSerializeHelper.h"
#include "KSTrackEvent.h"
#include "TQCoreKit.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <zip.h>

#include <cstdio>

namespace {

void writeFile(const QString &path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.write(QByteArray(int(size), 'x')) == size);
}

bool writeZip(const QString &file, const QList<QPair<QByteArray, QByteArray>> &entries)
{
    zip_t *archive = zip_open(QFile::encodeName(file).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    if (!archive)
        return false;
    for (const auto &entry : entries) {
        zip_source_t *source = zip_source_buffer(archive, entry.second.constData(), entry.second.size(), 0);
        if (!source || zip_file_add(archive, entry.first.constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

KSCloudTaskParam mediaParam(const QString &path, const QString &folder = QStringLiteral("/robust"))
{
    KSCloudTaskParam param;
    param.filePath = path;
    param.folderPath = folder;
    param.showInTransferCenter = true;
    return param;
}

QString listsFolder()
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::LogFolder) + "/CloudDiskTasks/editor@example.com";
}

// (custom uid, kind) of every unfinished transfer the drive holds for the signed-in account.
QStringList driveTransfers()
{
    char *out = nullptr;
    if (!Drive_GetTransferList("{}", &out) || !out)
        return {QStringLiteral("<no answer>")};
    const QJsonObject answer = QJsonDocument::fromJson(out).object();
    Drive_FreeBuf(out);
    QStringList uids;
    for (const QJsonValue &t : answer.value("data").toArray())
        uids << t.toObject().value("custom_uid").toString();
    return uids;
}

QStringList doneIds(const QString &folder)
{
    QFile f(folder + "/done.json");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList ids;
    const QJsonObject lists = QJsonDocument::fromJson(f.readAll()).object();
    for (const QJsonValue &record : lists)
        ids << record.toObject().value("TaskId").toString();
    return ids;
}

void printLine(const QString &line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

class TestTransferRobustness : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void finishedTaskReachesDoneOnce();
    void stageFailuresEndTheTask();
    void removedWhileStarting();
    void requestsBeforeSignInRunOnce();
    void lateReportsAndExactSpaceIds();
    void workingFoldersAndEvents();
    void serviceEdges();
    void crashKeepsEveryStartedTask();
    void twoProgramsKeepEveryRecord();

private:
    KSCloudDiskViewPresenter *presenter() const { return getCloudDisk()->getPresenter(); }
    IKSCloudDisk *signedIn(bool threads = true);

    CloudTestEnvironment *m_env = nullptr;
};

void TestTransferRobustness::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
}

void TestTransferRobustness::cleanup()
{
    delete m_env;
    m_env = nullptr;
}

IKSCloudDisk *TestTransferRobustness::signedIn(bool threads)
{
    IKSCloudDisk *service = m_env->startService(threads);
    if (!m_env->logIn(service))
        return nullptr;
    return service;
}

void TestTransferRobustness::finishedTaskReachesDoneOnce()
{
    QVERIFY(signedIn(false));
    KSCloudDiskViewPresenter *p = presenter();
    auto *task = new KSCloudDiskCloudMediaTask(p, m_env->path("a.bin"), "a", "/f", 0);
    task->setListed(true);
    p->uploadTaskList()->append(task);
    QSignalSpy finished(p, &KSCloudDiskViewPresenter::uploadFinished);

    // The worker's finish step marks the task before the GUI thread hears of it; a reader of the
    // upload list in between (the serializer) must not make it vanish.
    static_cast<IKSCDBaseTask *>(task)->setStatus(Finished);
    QVERIFY(!p->uploadTaskList()->contains(task));
    QCOMPARE(p->doneTaskList()->count(task), 1);
    QVERIFY(QMetaObject::invokeMethod(p, "taskProgressFinished", Q_ARG(QString, task->taskId())));
    QCOMPARE(finished.count(), 1);
    p->doTaskStateChanged(task); // the queued state report, late
    QCOMPARE(p->doneTaskList()->count(task), 1);
}

void TestTransferRobustness::stageFailuresEndTheTask()
{
    QVERIFY(signedIn());
    KSCloudDiskViewPresenter *p = presenter();
    QSignalSpy failed(p, qOverload<const QString &, bool, int>(&KSCloudDiskViewPresenter::taskFailed));
    auto expectFailure = [&](const QString &id, int code) {
        QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
        QCOMPARE(failed.takeFirst().at(0).toString(), id);
        KSCloudDiskTask *task = p->findTask(id);
        QVERIFY(task);
        QCOMPARE(task->status(), int(Failed));
        if (code)
            QCOMPARE(task->failedCode(), code);
        QVERIFY(task->failedCode() != 0);
        QVERIFY(!task->failedReason().isEmpty());
    };

    // A cloud folder the drive refuses: the task fails at once instead of waiting for an answer.
    writeFile(m_env->path("f.bin"), 1000);
    expectFailure(p->uploadCloudMedia({mediaParam(m_env->path("f.bin"), "/a/../../b")}).first(), 0);

    // A folder creation that never answers.
    const QString project = m_env->path("work/film.vqp");
    QDir().mkpath(m_env->path("work"));
    QVERIFY(writeZip(project, {{"ProjectFolder/a.txt", "a"}}));
    TQDriveAdmin::failNextCalls("Drive_CreateDir", 1, 0);
    expectFailure(p->uploadProject(project, KeepBoth), FolderCreationUnanswered);

    // A container with an entry that leaves its folder: refused with its own code and the reason.
    const QString hostile = m_env->path("work/hostile.vqp");
    QVERIFY(writeZip(hostile, {{"ProjectFolder/a.txt", "a"}, {"../../evil.txt", "evil"}}));
    expectFailure(p->uploadProject(hostile, KeepBoth), ProjectContainerRefused);
    QVERIFY(!QFileInfo::exists(m_env->path("evil.txt")));
}

void TestTransferRobustness::removedWhileStarting()
{
    QVERIFY(signedIn());
    KSCloudDiskViewPresenter *p = presenter();
    writeFile(m_env->path("gone.bin"), 200000);
    // The user removes the task while the drive is still storing its plan.
    TQDriveAdmin::delayNextCalls("Drive_UploadFile", 1, 1500);
    const QString id = p->uploadCloudMedia({mediaParam(m_env->path("gone.bin"))}).first();
    KSCloudDiskTask *task = p->findTask(id);
    QTest::qWait(700);
    p->slotRemoveUploadTask(task);
    QTest::qWait(2500);
    QVERIFY(!driveTransfers().contains(id));
    QCOMPARE(task->status(), int(Cancelled));
    QVERIFY(!p->checkFolderExist(QStringLiteral("gone.bin"), QStringLiteral("/robust")));
}

void TestTransferRobustness::requestsBeforeSignInRunOnce()
{
    IKSCloudDisk *service = m_env->startService(true);
    KSCloudDiskViewPresenter *p = presenter();
    TQDriveAdmin::setThrottle(1 << 20);
    writeFile(m_env->path("early.bin"), 600000);
    QSignalSpy finished(p, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy failed(p, qOverload<const QString &, bool, int>(&KSCloudDiskViewPresenter::taskFailed));
    const QString id = p->uploadCloudMedia({mediaParam(m_env->path("early.bin"))}).first();
    // A retry clicked while the task still waits queues nothing more.
    p->slotRetryUploadTask(p->findTask(id));
    QVERIFY(m_env->logIn(service));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
    QTest::qWait(1000);
    QCOMPARE(finished.count(), 1);
    QVERIFY2(failed.isEmpty(), "a second run of the same task met its own transfer");
}

void TestTransferRobustness::lateReportsAndExactSpaceIds()
{
    // Space ids above 2^63 arrive exactly.
    delete m_env;
    const quint64 bigSpace = (quint64(1) << 63) + 12345;
    m_env = new CloudTestEnvironment(TQDriveAdmin::Opened, bigSpace);
    QVERIFY(m_env->isReady());
    IKSCloudDisk *service = signedIn(false);
    QVERIFY(service);
    QCOMPARE(service->getSpaceId(), bigSpace);

    // A progress report that arrives after the completion does not bring the task back to running.
    KSCloudDiskViewPresenter *p = presenter();
    auto *task = new KSCloudDiskCloudMediaTask(p, m_env->path("late.bin"), "late", "/f", 0);
    static_cast<IKSCDBaseTask *>(task)->setStatus(Transferred);
    const QString progress = QStringLiteral(
        R"({"status":1,"code":0,"all":{"total_size":10,"transferred_size":5},"current":{"status":1,"code":0}})");
    QVERIFY(QMetaObject::invokeMethod(task, "taskCallback", Q_ARG(QString, task->taskId()), Q_ARG(QString, progress)));
    QCOMPARE(task->status(), int(Transferred));
    QCOMPARE(task->transSize(), qint64(0));
}

void TestTransferRobustness::workingFoldersAndEvents()
{
    QVERIFY(signedIn());
    KSCloudDiskViewPresenter *p = presenter();
    const QString appFolder = IKSAppInfo::getInstance()->getFolder(IKSAppInfo::AppFolder);

    // The unpacked copy of an uploaded project goes with the finished task.
    const QString project = m_env->path("work/keep.vqp");
    QDir().mkpath(m_env->path("work"));
    QVERIFY(writeZip(project, {{"ProjectFolder/a.txt", "a"}}));
    QSignalSpy finished(p, &KSCloudDiskViewPresenter::uploadFinished);
    const QString id = p->uploadProject(project, KeepBoth);
    // The editor's answer to the folder creation (no item manager here).
    connect(p, &KSCloudDiskViewPresenter::sigFolderCreated, this, [p](const QString &taskId) {
        KSCloudDiskTask *task = p->findTask(taskId);
        static_cast<IKSCDBaseTask *>(task)->setStatus(RootFolderSynced);
        p->doTaskStateChanged(task);
    });
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
    QTRY_VERIFY(!QFileInfo::exists(appFolder + "/CloudDisk/Project/Upload/" + id));

    // An archive download works in a hidden folder beside the destination; a failure keeps it for
    // the retry to resume into, and it goes with the removed task.
    auto *archive = new KSCloudDiskProjectArchiveTask(p, m_env->path("dest/film.vqpbundle"), "file-1", 10);
    archive->setListed(true);
    p->downloadTaskList()->append(archive);
    QDir().mkpath(m_env->path("dest"));
    const QString working = archive->localDownloadFolder();
    QVERIFY(QFileInfo(working).fileName().startsWith('.'));
    const QString failure = QStringLiteral(R"({"status":4,"code":0,"current":{"status":4,"code":500002}})");
    QVERIFY(
        QMetaObject::invokeMethod(archive, "taskCallback", Q_ARG(QString, archive->taskId()), Q_ARG(QString, failure)));
    QVERIFY(QFileInfo(working).isDir());
    p->slotRemoveDownloadTask(archive);
    QCOMPARE(
        QDir(m_env->path("dest")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    // A project template is no preset: its begin event names no preset type.
    KSAnalyticsCapture capture;
    p->downloadProjectTemplate("file-2", "Intro", m_env->path("dest/Intro"), 10, QString());
    bool seen = false;
    for (const KSTrackRecord &record : capture.records()) {
        for (const auto &property : record.properties) {
            QVERIFY2(property.first != "preset_file_type", qPrintable(property.second.toString()));
            seen = seen || (property.first == "interaction_type" && property.second.toString() == "3");
        }
    }
    QVERIFY(seen);
}

void TestTransferRobustness::serviceEdges()
{
    IKSCloudDisk *service = signedIn();
    QVERIFY(service);
    const quint64 space = service->getSpaceId();
    QVERIFY(space != 0);

    // A re-login of the same account keeps the space id while it runs: a stage of a running task
    // reads it at any moment.
    TQDriveAdmin::delayNextCalls("Drive_Login", 1, 1000);
    service->refreshAccount();
    for (int i = 0; i < 8; ++i) {
        QTest::qWait(100);
        QCOMPARE(service->getSpaceId(), space);
    }
    QThreadPool::globalInstance()->waitForDone();
    QCOMPARE(service->getSpaceId(), space);

    // A release from another thread with the refresh that follows an upload armed: the timer is
    // stopped on its own thread, never fires into the released service.
    writeFile(m_env->path("small.bin"), 1000);
    QSignalSpy finished(presenter(), &KSCloudDiskViewPresenter::uploadFinished);
    presenter()->uploadCloudMedia({mediaParam(m_env->path("small.bin"))});
    QVERIFY(finished.wait(10000));
    QCoreApplication::processEvents();
    QThread *releasing = QThread::create([] { releaseService(); });
    releasing->start();
    while (!releasing->wait(10))
        QCoreApplication::processEvents();
    delete releasing;
    QTest::qWait(2500);
    QVERIFY(!getCloudDiskNoCreate());
}

void TestTransferRobustness::crashKeepsEveryStartedTask()
{
    // Children upload under a throttle and are killed at random moments. Every task whose transfer
    // the drive had begun must be in the lists on disk, and after the next sign-in the drive holds no
    // transfer that no task knows.
    const QString root = m_env->path("crash");
    for (int round = 0; round < 10; ++round) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {"--crash-child", root, QString::number(round)});
        QVERIFY(child.waitForStarted());
        QTest::qWait(QRandomGenerator::global()->bounded(900, 2600));
        child.kill();
        child.waitForFinished();
        const QStringList started = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        KSHostPaths::setRoot(root + "/host");
        const QSet<QString> stored = KSCloudTaskSerializeHelper::storedTaskIds(listsFolder());
        for (const QString &line : started)
            QVERIFY2(stored.contains(line.section(' ', 1)),
                qPrintable(QStringLiteral("round %1 lost %2").arg(round).arg(line)));
    }
    delete m_env;
    m_env = new CloudTestEnvironment(root);
    QVERIFY(m_env->isReady());
    QVERIFY(signedIn());
    const QSet<QString> stored = KSCloudTaskSerializeHelper::storedTaskIds(listsFolder());
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const QString &uid : driveTransfers()) {
                if (!stored.contains(uid) && !KSCloudDiskTask::isLiveTaskId(uid))
                    return false;
            }
            return true;
        }(),
        15000);
}

void TestTransferRobustness::twoProgramsKeepEveryRecord()
{
    // Two programs upload into one account at the same time; both programs' finished tasks end in
    // the done list.
    for (int pair = 0; pair < 3; ++pair) {
        const QString root = m_env->path(QStringLiteral("pair%1").arg(pair));
        {
            CloudTestEnvironment shared(root); // the account, before either child looks for it
            QVERIFY(shared.isReady());
        }
        QProcess first;
        QProcess second;
        first.start(QCoreApplication::applicationFilePath(), {"--upload-child", root, "a"});
        second.start(QCoreApplication::applicationFilePath(), {"--upload-child", root, "b"});
        QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);
        const QStringList finished = QString::fromUtf8(first.readAllStandardOutput() + second.readAllStandardOutput())
                                         .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(finished.size(), 6);
        KSHostPaths::setRoot(root + "/host");
        const QStringList done = doneIds(listsFolder());
        for (const QString &id : finished)
            QVERIFY2(done.contains(id), qPrintable(QStringLiteral("pair %1 lost %2").arg(pair).arg(id)));
    }
}

// Uploads under a throttle until it is killed; prints each task once the drive reports it running.
static int crashChild(const QString &root, const QString &round)
{
    CloudTestEnvironment env(root);
    IKSCloudDisk *service = env.startService(true);
    if (!env.isReady() || !env.logIn(service))
        return 2;
    TQDriveAdmin::setThrottle(3 << 20);
    KSCloudDiskViewPresenter *p = service->getPresenter();
    QSet<QString> reported;
    QObject::connect(p, &KSCloudDiskViewPresenter::taskProgressChanged, [&reported](const QString &id) {
        if (!reported.contains(id)) {
            reported.insert(id);
            printLine("started " + id);
        }
    });
    int n = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const QString file = QStringLiteral("%1/files/%2-%3.bin").arg(root, round).arg(n++);
        writeFile(file, 1 << 20);
        p->uploadCloudMedia({mediaParam(file)});
    });
    timer.start(120);
    return QCoreApplication::exec();
}

// Uploads three files, waits for them and quits as the editor does; prints each finished task.
static int uploadChild(const QString &root, const QString &tag)
{
    CloudTestEnvironment env(root);
    IKSCloudDisk *service = env.startService(true);
    if (!env.isReady() || !env.logIn(service))
        return 2;
    KSCloudDiskViewPresenter *p = service->getPresenter();
    QStringList ids;
    for (int i = 0; i < 3; ++i) {
        const QString file = QStringLiteral("%1/files/%2-%3.bin").arg(root, tag).arg(i);
        writeFile(file, 50000);
        ids += p->uploadCloudMedia({mediaParam(file)});
    }
    int finished = 0;
    QObject::connect(p, &KSCloudDiskViewPresenter::uploadFinished, [&](const QString &id) {
        if (ids.contains(id)) {
            ++finished;
            printLine(id);
        }
    });
    if (!QTest::qWaitFor([&] { return finished == ids.size(); }, 30000))
        return 3;
    return 0;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == "--crash-child")
        return crashChild(args.at(2), args.at(3));
    if (args.size() == 4 && args.at(1) == "--upload-child")
        return uploadChild(args.at(2), args.at(3));
    TestTransferRobustness test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_transferrobustness.moc"
