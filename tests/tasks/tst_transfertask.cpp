// Transfer tasks run by the real worker against the local drive.
#include "CloudTestEnvironment.h"
#include "KSBaseLog.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSProject.h"
#include "TQDriveCodes.h"
#include "TestTasks.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>

class TestTransferTask : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void folderUploadRunsThreeTimes();
    void mediaRoundTrip();
    void pausedBeforeStart();
    void reportsIgnoredOrSizesOnly();
    void restartedAndPartialStarts();
    void diskChecks();
    void refusedStarts();
    void uploadedFoldersRule();
    void setStatusKeepsFinished();

private:
    IKSCloudDisk *readyService();
    QStringList callsOf(const char *function) const;
    void feed(KSCloudDiskTask *task, const QJsonObject &report);
    // Runs one stage on a thread of its own, as the worker would.
    void launchOnThread(KSCloudDiskTask *task);

    CloudTestEnvironment *m_env = nullptr;
    IKSCloudDisk *m_service = nullptr;
};

namespace {

void writeFile(const QString &path, int size, char fill)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray(size, fill));
}

QByteArray sha256Of(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

QJsonObject progress(
    int status, int currentStatus, const QString &origin = QString(), const QString &fileId = QString(), int code = 0)
{
    return {{"status", status}, {"code", code}, {"all", QJsonObject{{"total_size", 1000}, {"transferred_size", 400}}},
        {"current",
            QJsonObject{{"status", currentStatus}, {"origin_path", origin}, {"file_id", fileId}, {"path", "/cloud/x/"},
                {"code", 0}}}};
}

} // namespace

void TestTransferTask::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    m_service = readyService();
    QVERIFY(m_service);
}

void TestTransferTask::cleanup()
{
    delete m_env;
    m_env = nullptr;
    m_service = nullptr;
}

IKSCloudDisk *TestTransferTask::readyService()
{
    IKSCloudDisk *service = m_env->startService();
    service->setTqidToken(m_env->accountParam());
    if (!QTest::qWaitFor([service]() { return service->isServiceReady() && !service->isLoggingIn(); }, 10000))
        return nullptr;
    QThreadPool::globalInstance()->waitForDone();
    return service;
}

QStringList TestTransferTask::callsOf(const char *function) const
{
    QStringList requests;
    for (const auto &c : TQDriveAdmin::calls()) {
        if (c.function == QLatin1String(function))
            requests << c.request;
    }
    return requests;
}

void TestTransferTask::feed(KSCloudDiskTask *task, const QJsonObject &report)
{
    const QString info = QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact));
    QVERIFY(QMetaObject::invokeMethod(task, "taskCallback", Q_ARG(QString, task->taskId()), Q_ARG(QString, info)));
}

void TestTransferTask::launchOnThread(KSCloudDiskTask *task)
{
    QThread *thread = QThread::create([task]() { task->launch(); });
    thread->start();
    while (!thread->wait(10))
        QCoreApplication::processEvents();
    delete thread;
    QCoreApplication::processEvents();
}

void TestTransferTask::folderUploadRunsThreeTimes()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    const QString local = m_env->path("My Title");
    writeFile(local + "/title.json", 300, 'a');
    writeFile(local + "/thumbnail.png", 100, 'b');
    writeFile(local + "/fonts/font.ttf", 5000, 'c');
    auto *task = new TestFolderTask(presenter, local, UploadOperation);
    task->setListed(true);
    // The editor's answer to a created folder: its synchronisation went well.
    QStringList created;
    connect(presenter, &KSCloudDiskViewPresenter::sigFolderCreated, this,
        [&](const QString &taskId, const QString &fileId) {
            created << fileId;
            KSCloudDiskTask *found = presenter->findTask(taskId);
            QCOMPARE(found->status(), int(FolderCreated));
            found->setStatus(RootFolderSynced, true);
            presenter->doTaskStateChanged(found);
        });
    QSignalSpy finished(presenter, &KSCloudDiskViewPresenter::uploadFinished);
    KSLogCapture capture;
    presenter->queuedTask(task);
    QVERIFY(finished.wait(15000));

    QCOMPARE(task->status(), int(Finished));
    QCOMPARE(created.size(), 1);
    const QString itemFolder = created.first();
    QVERIFY(task->fileId() != itemFolder); // the uploaded tree lives inside the item's folder
    QCOMPARE(finished.first().at(1).toString(), task->fileId());
    QCOMPARE(task->newName(), QStringLiteral("My Title"));
    QVERIFY(!task->thumbnailFileId().isEmpty());
    QCOMPARE(finished.first().at(3).toString(), task->thumbnailFileId());
    QCOMPARE(task->uploadedFolderIds(), QStringList{task->fileId()});
    // Three stages: the folder, the transfer, the completion.
    const QStringList log = capture.messages();
    const int folderLine
        = log.indexOf(QRegularExpression("\\[cloud disk\\] create root dir success, task_status=0, file_id=.*"));
    const int startLine = log.indexOf("CDS_Upload: 0");
    const int thumbLine = log.lastIndexOf(QRegularExpression("CDS_GetDirList: \\{.*thumbnail.png.*"));
    QVERIFY(folderLine >= 0 && folderLine < startLine && startLine < thumbLine);
    QVERIFY(log.indexOf(QRegularExpression("CDS_CreateDir: \\{\"code\":0.*")) >= 0);

    // What the cloud holds is the tree, under the project root's "CustomTitle/My Title".
    const QByteArray list = QByteArray(R"({"space_id":)") + QByteArray::number(m_service->getSpaceId())
        + R"(,"parent_file_id":")" + task->fileId().toUtf8() + "\"}";
    char *out = nullptr;
    Drive_GetFileList(list, &out);
    const QJsonArray entries = QJsonDocument::fromJson(out).object().value("data").toArray();
    Drive_FreeBuf(out);
    QStringList names;
    for (const QJsonValue &v : entries)
        names << v.toObject().value("name").toString();
    QCOMPARE(names, QStringList({"fonts", "thumbnail.png", "title.json"}));
    const QJsonObject upload = QJsonDocument::fromJson(callsOf("Drive_UploadFile").value(0).toUtf8()).object();
    const QJsonObject item = upload.value("upload").toArray().first().toObject();
    QCOMPARE(item.value("file_id").toString(), itemFolder);
    QCOMPARE(item.value("check_name_mode").toInt(), 1);
    QVERIFY(!item.contains("custom_name"));
    QCOMPARE(upload.value("custom_uid").toString(), task->taskId());
    QVERIFY(callsOf("Drive_UploadFile").value(0).contains("\"space_id\":" + QString::number(m_service->getSpaceId())));
}

void TestTransferTask::mediaRoundTrip()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    const QString local = m_env->path("clip.mp4");
    writeFile(local, 200000, 'm');
    auto *up = new TestMediaTask(presenter, local, UploadOperation);
    QSignalSpy uploaded(presenter, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy progressed(presenter, &KSCloudDiskViewPresenter::taskProgressChanged);
    KSLogCapture capture;
    presenter->queuedTask(up);
    QVERIFY(uploaded.wait(15000));
    QCOMPARE(up->status(), int(Finished));
    QCOMPARE(up->newName(), QStringLiteral("/Cutlane/My Cloud Media/clip.mp4"));
    QCOMPARE(up->contentHashName(), QStringLiteral("sha256"));
    QCOMPARE(up->contentHash().toLatin1(), sha256Of(local));
    QCOMPARE(up->transSize(), 200000LL);
    QVERIFY(progressed.count() >= 1);
    QCOMPARE(capture.messages().count("CDS_Upload: 0"), 1);
    QVERIFY(callsOf("Drive_UploadFile").value(0).contains(R"("custom_name":"clip.mp4")"));
    QVERIFY(callsOf("Drive_UploadFile").value(0).contains(R"("parent_file_id")"));

    // Download it back: into a working folder first, then moved into place, here from another file
    // system when the machine has a memory one.
    QTemporaryDir memoryDir(QStringLiteral("/dev/shm/kscd-XXXXXX"));
    const QString work = memoryDir.isValid() ? memoryDir.path() : m_env->path("work");
    QDir().mkpath(work);
    QDir().mkpath(m_env->path("dest"));
    auto *down = new TestMediaTask(presenter, m_env->path("dest/clip.mp4"), DownloadOperation, work);
    down->setFileId(up->fileId());
    down->setFileSize(200000);
    QSignalSpy downloaded(presenter, &KSCloudDiskViewPresenter::downloadFinished);
    presenter->queuedTask(down);
    QVERIFY(downloaded.wait(15000));
    QCOMPARE(down->status(), int(Finished));
    QCOMPARE(sha256Of(m_env->path("dest/clip.mp4")), sha256Of(local));
    QCOMPARE(QDir(work).entryList(QDir::Files), QStringList());
    QCOMPARE(downloaded.first().at(1).toString(), m_env->path("dest/clip.mp4"));
}

void TestTransferTask::pausedBeforeStart()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    writeFile(m_env->path("p/a.txt"), 10, 'x');
    auto *task = new TestFolderTask(presenter, m_env->path("p"), UploadOperation);
    task->setFileId(QStringLiteral("root"));
    task->setStatus(Paused);
    QSignalSpy failed(presenter, qOverload<const QString &>(&KSCloudDiskViewPresenter::taskFailed));
    TQDriveAdmin::clearCalls();
    launchOnThread(task);
    QCOMPARE(callsOf("Drive_UploadFile").size(), 0);
    QCOMPARE(task->status(), int(Paused));
    QCOMPARE(task->failedCode(), 0);
    QVERIFY(task->failures.isEmpty());
    QCOMPARE(failed.count(), 0);

    // Paused while still queued: the library knows nothing of it yet, and the worker skips it.
    writeFile(m_env->path("q.mp4"), 10, 'q');
    auto *queued = new TestMediaTask(presenter, m_env->path("q.mp4"), UploadOperation);
    QCOMPARE(queued->pause(), 0);
    QCOMPARE(queued->status(), int(Paused));
    TQDriveAdmin::clearCalls();
    presenter->queuedTask(queued);
    QTest::qWait(100);
    QCOMPARE(callsOf("Drive_UploadFile").size(), 0);
}

void TestTransferTask::reportsIgnoredOrSizesOnly()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    auto *task = new TestMediaTask(presenter, m_env->path("m.mp4"), UploadOperation);
    QSignalSpy progressed(presenter, &KSCloudDiskViewPresenter::taskProgressChanged);
    QSignalSpy states(presenter, &KSCloudDiskViewPresenter::sigTaskStateChanged);

    // Paused: progress changes only the sizes.
    task->setStatus(Paused);
    feed(task, progress(1, 1));
    QCOMPARE(task->transSize(), 400LL);
    QCOMPARE(task->status(), int(Paused));
    QCOMPARE(progressed.count(), 0);
    // Failed, cancelled, or a report with a code: nothing at all.
    for (int status : {int(Failed), int(Cancelled)}) {
        task->setStatus(status);
        task->setTransSize(0);
        feed(task, progress(1, 1));
        feed(task, progress(3, 3, "x", "id"));
        feed(task, progress(4, 4));
        QCOMPARE(task->transSize(), 0LL);
        QCOMPARE(task->status(), status);
        QCOMPARE(task->fileId(), QString());
    }
    task->setStatus(Waiting);
    feed(task, progress(3, 3, "x", "id", 7));
    QCOMPARE(task->status(), int(Waiting));
    QCOMPARE(task->transSize(), 0LL);
    // The first progress makes it run.
    feed(task, progress(1, 1));
    QCOMPARE(task->status(), int(Running));
    QTRY_COMPARE(progressed.count(), 2); // the report itself, then the state change it caused
    QCOMPARE(states.count(), 0);
    feed(task, progress(1, 1));
    QCOMPARE(states.count(), 1);
}

void TestTransferTask::restartedAndPartialStarts()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    const QString local = m_env->path("r.mp4");
    writeFile(local, 1000, 'r');
    // A restarted task with nothing to resume starts afresh.
    auto *restarted = new TestMediaTask(presenter, local, UploadOperation);
    restarted->setRestarted(true);
    QSignalSpy uploaded(presenter, &KSCloudDiskViewPresenter::uploadFinished);
    TQDriveAdmin::clearCalls();
    presenter->queuedTask(restarted);
    QVERIFY(uploaded.wait(15000));
    QStringList order;
    for (const auto &c : TQDriveAdmin::calls()) {
        if (c.function.contains("UploadFile"))
            order << QStringLiteral("%1=%2").arg(c.function).arg(c.result);
    }
    QCOMPARE(order, QStringList({"Drive_ResumeUploadFile=8", "Drive_UploadFile=0"}));

    // A fresh start told that the transfer already exists resumes it.
    auto *fresh = new TestMediaTask(presenter, local, UploadOperation);
    TQDriveAdmin::failNextCalls("Drive_UploadFile", 1, 27);
    TQDriveAdmin::clearCalls();
    launchOnThread(fresh);
    order.clear();
    for (const auto &c : TQDriveAdmin::calls()) {
        if (c.function.contains("UploadFile"))
            order << QStringLiteral("%1=%2").arg(c.function).arg(c.result);
    }
    QCOMPARE(order, QStringList({"Drive_UploadFile=27", "Drive_ResumeUploadFile=8"}));
    QCOMPARE(fresh->status(), int(Failed));
    QCOMPARE(fresh->failedCode(), 8);

    // Overwrite modes: 1 replaces; 2 overwrites only a project the recent list knows in the cloud.
    auto modeOf = [&](int overwrite) {
        auto *task = new TestMediaTask(presenter, local, UploadOperation);
        task->setOverwrite(overwrite);
        TQDriveAdmin::failNextCalls("Drive_UploadFile", 1, 500004);
        TQDriveAdmin::clearCalls();
        launchOnThread(task);
        const QJsonObject request = QJsonDocument::fromJson(callsOf("Drive_UploadFile").value(0).toUtf8()).object();
        return request.value("upload").toArray().first().toObject().value("check_name_mode").toInt();
    };
    QCOMPARE(modeOf(0), 1);
    QCOMPARE(modeOf(1), 5);
    QCOMPARE(modeOf(2), 1);
    IKSProjectRecentManager::getInstance()->addRecentProject(local)->setFileId("cloud-copy");
    QCOMPARE(modeOf(2), 4);
    IKSProjectRecentManager::getInstance()->removeRecentProject(local);
}

void TestTransferTask::diskChecks()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    QDir().mkpath(m_env->path("work"));
    // More bytes announced than the disk has free: code 18 before any request.
    auto *huge = new TestMediaTask(presenter, m_env->path("huge.mp4"), DownloadOperation, m_env->path("work"));
    huge->setFileId(QStringLiteral("any"));
    huge->setFileSize(qint64(1) << 60);
    TQDriveAdmin::clearCalls();
    launchOnThread(huge);
    QCOMPARE(huge->status(), int(Failed));
    QCOMPARE(huge->failedCode(), 18);
    QVERIFY(TQDriveAdmin::calls().isEmpty());

    // A folder that cannot be written: 99999000.
    auto *blocked
        = new TestMediaTask(presenter, m_env->path("missing/dir/x.mp4"), DownloadOperation, m_env->path("work"));
    blocked->setFileId(QStringLiteral("any"));
    QVERIFY(!blocked->checkDiskInfo());
    QCOMPARE(blocked->failedCode(), 99999000);

    // 10.5 MiB used of 10.2 MiB compare as 10 and 10: not expired. A download passes; an upload
    // still finds no free space.
    auto figures = []() {
        TQDriveAdmin::answerNextCalls(
            "Drive_GetSpaceInfo", 1, QByteArray(R"({"code":0,"data":{"used_size":11010048,"total_size":10695475}})"));
    };
    auto *down = new TestMediaTask(presenter, m_env->path("d.mp4"), DownloadOperation, m_env->path("work"));
    figures();
    QVERIFY(down->checkDiskInfo());
    writeFile(m_env->path("u.mp4"), 10, 'u');
    auto *up = new TestMediaTask(presenter, m_env->path("u.mp4"), UploadOperation);
    figures();
    QVERIFY(!up->checkDiskInfo());
    QCOMPARE(up->failedCode(), 20);
    TQDriveAdmin::answerNextCalls(
        "Drive_GetSpaceInfo", 1, QByteArray(R"({"code":0,"data":{"used_size":12582912,"total_size":10695475}})"));
    QVERIFY(!up->checkDiskInfo());
    QCOMPARE(up->failedCode(), 99999001);
    // A space without a quota (total 0) is not an expired membership.
    TQDriveAdmin::answerNextCalls(
        "Drive_GetSpaceInfo", 1, QByteArray(R"({"code":0,"data":{"used_size":12582912,"total_size":0}})"));
    up->setFailedCode(0);
    QVERIFY(up->checkDiskInfo());

    // A download that cannot be put in place keeps its copy, and a retry tries the placing again.
    writeFile(m_env->path("work/kept.mp4"), 100, 'k');
    auto *stuck
        = new TestMediaTask(presenter, m_env->path("no/such/folder/kept.mp4"), DownloadOperation, m_env->path("work"));
    stuck->setTempPath(m_env->path("work/kept.mp4"));
    launchOnThread(stuck);
    QCOMPARE(stuck->status(), int(Failed));
    QVERIFY(QFileInfo::exists(m_env->path("work/kept.mp4")));
    QDir().mkpath(m_env->path("no/such/folder"));
    QSignalSpy placed(presenter, &KSCloudDiskViewPresenter::downloadFinished);
    launchOnThread(stuck);
    QTRY_COMPARE(placed.count(), 1);
    QVERIFY(QFileInfo::exists(m_env->path("no/such/folder/kept.mp4")));

    // A download from a share link needs no account and skips the disk checks.
    writeFile(m_env->path("s.mp4"), 5000, 's');
    auto *source = new TestMediaTask(presenter, m_env->path("s.mp4"), UploadOperation);
    QSignalSpy uploaded(presenter, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy refreshed(presenter, &KSCloudDiskViewPresenter::sigRefreshInfoFinished);
    presenter->queuedTask(source);
    QVERIFY(uploaded.wait(15000));
    // The completion step ends with a delayed refresh of the space figures; let it pass.
    QVERIFY(refreshed.wait(10000));
    const QByteArray shareRequest = QByteArray(R"({"space_id":)") + QByteArray::number(m_service->getSpaceId())
        + R"(,"file_id":")" + source->fileId().toUtf8() + R"(","expires_in":0,"code":"","type":0})";
    char *out = nullptr;
    Drive_ShareFile(shareRequest, &out);
    const QString shareId = QJsonDocument::fromJson(out).object().value("data").toObject().value("id").toString();
    Drive_FreeBuf(out);
    QDir().mkpath(m_env->path("shared"));
    auto *shared = new TestMediaTask(presenter, m_env->path("shared/s.mp4"), DownloadOperation, m_env->path("work"));
    shared->setShareCode(shareId);
    TQDriveAdmin::clearCalls();
    QSignalSpy sharedDone(presenter, &KSCloudDiskViewPresenter::downloadShareFinished);
    presenter->queuedTask(shared);
    QVERIFY(sharedDone.wait(15000));
    QCOMPARE(callsOf("Drive_GetSpaceInfo").size(), 0);
    QVERIFY(callsOf("Drive_DownloadFile").value(0).contains("\"share_id\":\"" + shareId + "\""));
    QCOMPARE(sha256Of(m_env->path("shared/s.mp4")), sha256Of(m_env->path("s.mp4")));
}

void TestTransferTask::refusedStarts()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    writeFile(m_env->path("f.mp4"), 100, 'f');
    QSignalSpy failed(presenter, qOverload<const QString &>(&KSCloudDiskViewPresenter::taskFailed));

    // The library refuses the start: failed, the quota refusal named as the cloud space.
    auto *refused = new TestMediaTask(presenter, m_env->path("f.mp4"), UploadOperation);
    refused->setListed(true);
    TQDriveAdmin::failNextCalls("Drive_UploadFile", 1, int(TQDrive::QuotaExceeded));
    launchOnThread(refused);
    QCOMPARE(refused->status(), int(Failed));
    QCOMPARE(refused->failedCode(), int(CloudSpaceInsufficient));
    QCOMPARE(refused->failures, QStringList{"SDK error"});

    // Folder creation without an answer: 99999003, and the task fails instead of waiting for ever.
    writeFile(m_env->path("t/a.txt"), 10, 'a');
    auto *folder = new TestFolderTask(presenter, m_env->path("t"), UploadOperation);
    TQDriveAdmin::failNextCalls("Drive_CreateDir", 1, 0);
    launchOnThread(folder);
    QCOMPARE(folder->status(), int(Failed));
    QCOMPARE(folder->failedCode(), 99999003);
    // ... and with a refusal, on a retry, its own code.
    folder->setStatus(Waiting, true);
    TQDriveAdmin::failNextCalls("Drive_CreateDir", 1, 1, int(TQDrive::NameClash));
    launchOnThread(folder);
    QCOMPARE(folder->failedCode(), int(TQDrive::NameClash));
    QVERIFY(folder->failedReason().contains(QString::number(TQDrive::NameClash)));

    // A missing file never reaches the library.
    auto *missing = new TestMediaTask(presenter, m_env->path("nothing.mp4"), UploadOperation);
    launchOnThread(missing);
    QCOMPARE(missing->status(), int(Failed));
    QCOMPARE(missing->failures, QStringList{"file not exist"});

    // A download whose cloud file is gone fails by the library's report.
    QDir().mkpath(m_env->path("work"));
    auto *gone = new TestMediaTask(presenter, m_env->path("g.mp4"), DownloadOperation, m_env->path("work"));
    gone->setFileId(QStringLiteral("0000000000000000"));
    launchOnThread(gone);
    QCOMPARE(gone->status(), int(Failed));
    QCOMPARE(gone->failedCode(), int(TQDrive::FileNotFound));
    QCOMPARE(gone->failures, QStringList{"download"});
    // Every failure is reported exactly once: the refused start, the two folder creations, the
    // missing file, the gone download.
    QTRY_COMPARE(failed.count(), 5);
    QTest::qWait(50);
    QCOMPARE(failed.count(), 5);
}

void TestTransferTask::uploadedFoldersRule()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    const QString top = m_env->path("tree");
    QDir().mkpath(top + "/a/b");
    QDir().mkpath(m_env->path("other"));
    auto *task = new TestFolderTask(presenter, top, UploadOperation);
    feed(task, progress(1, 3, top + "/", "top"));
    feed(task, progress(1, 3, top + "/a/", "a")); // below a recorded folder: not recorded
    feed(task, progress(1, 3, top + "/a/b/", "b"));
    feed(task, progress(1, 3, top + "/missing/", "m")); // not a folder on disk
    feed(task, progress(1, 3, m_env->path("other") + "/", "o"));
    QCOMPARE(task->uploadedFolders().keys(), QStringList({m_env->path("other") + "/", top + "/"}));
    QCOMPARE(task->uploadedFolderIds(), QStringList({"o", "top"}));
    // The top folder's report names the uploaded item.
    QCOMPARE(task->fileId(), QStringLiteral("top"));
    QCOMPARE(task->newName(), QStringLiteral("tree"));

    // A resumed download reports only what was left, so an inner item may come first; the
    // completion report names the top folder, and that is what gets put in place.
    QObject stranger;
    auto *download = new TestFolderTask(&stranger, m_env->path("dest"), DownloadOperation);
    QJsonObject inner = progress(1, 3);
    inner.insert("current", QJsonObject{{"status", 3}, {"path", "/work/tree/a/b/"}, {"code", 0}});
    feed(download, inner);
    QCOMPARE(download->tempPath(), QStringLiteral("/work/tree/a/b/"));
    QJsonObject done = progress(3, 3);
    done.insert("current", QJsonObject{{"status", 3}, {"path", "/work/tree/"}, {"code", 0}});
    feed(download, done);
    QCOMPARE(download->tempPath(), QStringLiteral("/work/tree/"));
    QCOMPARE(download->status(), int(Transferred));
}

void TestTransferTask::setStatusKeepsFinished()
{
    auto *task = new TestMediaTask(m_service->getPresenter(), m_env->path("a.mp4"), UploadOperation);
    auto *twin = new TestMediaTask(m_service->getPresenter(), m_env->path("a.mp4"), UploadOperation);
    QVERIFY(task->taskId() != twin->taskId());
    QVERIFY(task->taskId().startsWith('{'));
    KSLogCapture capture;
    task->setStatus(Finished, true);
    task->setStatus(Failed, true);
    QCOMPARE(task->status(), int(Finished));
    QCOMPARE(capture.messages(), QStringList{"error status will be set, " + task->taskId()});
    task->setStatus(Failed, false);
    QCOMPARE(task->status(), int(Failed));

    // Tasks of any other parent run but report nothing.
    QObject stranger;
    auto *orphan = new TestMediaTask(&stranger, m_env->path("a.mp4"), UploadOperation);
    QSignalSpy progressed(m_service->getPresenter(), &KSCloudDiskViewPresenter::taskProgressChanged);
    feed(orphan, progress(1, 1));
    QCOMPARE(orphan->status(), int(Running));
    QCoreApplication::processEvents();
    QCOMPARE(progressed.count(), 0);
}

QTEST_MAIN(TestTransferTask)
#include "tst_transfertask.moc"
