// The worker thread's order and sign-in rules, and the short cloud operations it runs.
#include "CloudTestEnvironment.h"
#include "KSCloudDiskOperationTask.h"
#include "KSCloudDiskTaskWorker.h"
#include "KSCloudDiskViewPresenter.h"
#include "TQDriveCodes.h"
#include "TestTasks.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

namespace {

// Records the order in which the worker runs tasks.
class Recorder
{
public:
    void add(const QString &name)
    {
        QMutexLocker lock(&m_mutex);
        m_names << name;
    }
    QStringList names() const
    {
        QMutexLocker lock(&m_mutex);
        return m_names;
    }

private:
    mutable QMutex m_mutex;
    QStringList m_names;
};

class RecordingTask : public KSCDBaseTask
{
public:
    RecordingTask(QObject *parent, const QString &name, Recorder *recorder)
        : KSCDBaseTask(parent)
        , m_name(name)
        , m_recorder(recorder)
    { }
    void launch() override { m_recorder->add(m_name); }
    void clean() override { }

private:
    QString m_name;
    Recorder *m_recorder;
};

template<typename Call>
QJsonObject driveCall(Call call, const QByteArray &request)
{
    char *out = nullptr;
    call(request.constData(), &out);
    const QJsonObject answer = QJsonDocument::fromJson(out).object();
    Drive_FreeBuf(out);
    return answer;
}

// A transfer task that only records that it ran.
class RecordingTransfer : public TestMediaTask
{
public:
    RecordingTransfer(QObject *parent, const QString &name, Recorder *recorder)
        : TestMediaTask(parent, name, UploadOperation)
        , m_recorder(recorder)
    { }
    void launch() override { m_recorder->add(name()); }

private:
    Recorder *m_recorder;
};

} // namespace

class TestTaskWorker : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newestFirst();
    void signInRules();
    void stopPausesTheRunningTransfer();
    void deleteRetries();
    void thumbnails();
    void folderListing();
    void createAndRename();

private:
    bool logIn();
    QByteArray withSpace(const QByteArray &json) const;
    QString makeFolder(const QString &parent, const QString &name) const;

    CloudTestEnvironment *m_env = nullptr;
    IKSCloudDisk *m_service = nullptr;
};

void TestTaskWorker::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    m_service = m_env->startService();
}

void TestTaskWorker::cleanup()
{
    delete m_env;
    m_env = nullptr;
}

bool TestTaskWorker::logIn()
{
    m_service->setTqidToken(m_env->accountParam());
    const bool ready = QTest::qWaitFor([this]() { return m_service->isServiceReady(); }, 10000);
    QThreadPool::globalInstance()->waitForDone();
    return ready;
}

QByteArray TestTaskWorker::withSpace(const QByteArray &json) const
{
    return QByteArray(R"({"space_id":)") + QByteArray::number(m_service->getSpaceId()) + "," + json.mid(1);
}

QString TestTaskWorker::makeFolder(const QString &parent, const QString &name) const
{
    const QJsonObject answer = driveCall(&Drive_CreateDir,
        withSpace(QStringLiteral(R"({"parent_file_id":"%1","name":"%2"})").arg(parent, name).toUtf8()));
    return answer.value("data").toObject().value("file_id").toString();
}

void TestTaskWorker::newestFirst()
{
    // Signed out, nothing runs yet, so the order is the queue's own.
    KSCloudDiskTaskWorker worker;
    worker.start();
    QObject owner;
    Recorder recorder;
    worker.addTask(new RecordingTask(&owner, "A", &recorder));
    worker.addTask(new RecordingTask(&owner, "B", &recorder));
    worker.addTask(new RecordingTask(&owner, "C", &recorder));
    auto *destroyed = new RecordingTask(&owner, "gone", &recorder);
    worker.addTask(destroyed);
    delete destroyed; // skipped when its turn comes
    auto *paused = new TestMediaTask(&owner, m_env->path("none.mp4"), UploadOperation);
    paused->setStatus(Paused);
    worker.addTask(paused);
    auto *removed = new TestMediaTask(&owner, m_env->path("none.mp4"), UploadOperation);
    removed->setRemoved(true);
    worker.addTask(removed);
    QVERIFY(paused->queuedOnce());
    QTest::qWait(50);
    QVERIFY(recorder.names().isEmpty());
    QVERIFY(logIn());
    QTRY_COMPARE(recorder.names(), QStringList({"C", "B", "A"}));
    QTRY_COMPARE(worker.queuedCount(), 0);
    QVERIFY(paused->failures.isEmpty() && removed->failures.isEmpty());

    // A batch: the last of the list runs first. A paused task runs once it is queued again.
    m_service->setTqidToken(KSCloudAccountParam());
    QVERIFY(!m_service->isServiceReady());
    Recorder batch;
    KSCloudDiskTask *a = new RecordingTransfer(&owner, "a", &batch);
    KSCloudDiskTask *b = new RecordingTransfer(&owner, "b", &batch);
    KSCloudDiskTask *c = new RecordingTransfer(&owner, "c", &batch);
    worker.addTasks({a, b, c});
    QVERIFY(a->queuedOnce() && c->queuedOnce());
    QVERIFY(logIn());
    QTRY_COMPARE(batch.names(), QStringList({"c", "b", "a"}));
    paused->setStatus(Waiting);
    worker.addTask(paused);
    QTRY_COMPARE(paused->failures, QStringList{"file not exist"});
    QVERIFY(!worker.isDestroying());
    worker.stop();
    QVERIFY(worker.isDestroying());
    QVERIFY(worker.isFinished());
}

void TestTaskWorker::signInRules()
{
    QVERIFY(logIn());
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    // A shared file to fetch while signed out.
    const QString local = m_env->path("s.mp4");
    QFile f(local);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 's'));
    f.close();
    auto *source = new TestMediaTask(presenter, local, UploadOperation);
    QSignalSpy uploaded(presenter, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy refreshed(presenter, &KSCloudDiskViewPresenter::sigRefreshInfoFinished);
    presenter->queuedTask(source);
    QVERIFY(uploaded.wait(15000));
    QVERIFY(refreshed.wait(10000));
    const QString shareId = driveCall(&Drive_ShareFile,
        withSpace(QStringLiteral(R"({"file_id":"%1","expires_in":0})").arg(source->fileId()).toUtf8()))
                                .value("data")
                                .toObject()
                                .value("id")
                                .toString();
    QVERIFY(!shareId.isEmpty());
    m_service->setTqidToken(KSCloudAccountParam());
    QVERIFY(!m_service->isServiceReady());

    Recorder recorder;
    presenter->queuedTask(new RecordingTask(presenter, "waits", &recorder));
    QDir().mkpath(m_env->path("work"));
    QDir().mkpath(m_env->path("shared"));
    auto *shared = new TestMediaTask(presenter, m_env->path("shared/s.mp4"), DownloadOperation, m_env->path("work"));
    shared->setShareCode(shareId);
    QSignalSpy sharedDone(presenter, &KSCloudDiskViewPresenter::downloadShareFinished);
    presenter->queuedTask(shared);
    QVERIFY(sharedDone.wait(15000));
    QVERIFY(QFileInfo::exists(m_env->path("shared/s.mp4")));
    QVERIFY(recorder.names().isEmpty());
    QVERIFY(logIn());
    QTRY_COMPARE(recorder.names(), QStringList{"waits"});
}

void TestTaskWorker::stopPausesTheRunningTransfer()
{
    QVERIFY(logIn());
    KSCloudDiskTaskWorker idle;
    idle.start();
    idle.stop(); // an empty queue: returns once the thread ends
    QVERIFY(idle.isFinished());

    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    const QString local = m_env->path("big.mp4");
    QFile f(local);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4 << 20, 'b'));
    f.close();
    TQDriveAdmin::setThrottle(1 << 20);
    KSCloudDiskTaskWorker worker;
    worker.start();
    auto *task = new TestMediaTask(presenter, local, UploadOperation);
    QSignalSpy progress(presenter, &KSCloudDiskViewPresenter::taskProgressChanged);
    worker.addTask(task);
    QVERIFY(progress.wait(10000));
    worker.stop();
    QCOMPARE(task->status(), int(Paused));
    QVERIFY(task->isStopping());
    // What was moved is kept: the transfer resumes instead of starting again.
    TQDriveAdmin::setThrottle(0);
    TQDriveAdmin::clearCalls();
    QCOMPARE(task->resume(), 0);
    QTRY_VERIFY(task->status() == Transferred || task->status() == Finished);
    QCOMPARE(TQDriveAdmin::calls().first().function, QStringLiteral("Drive_ResumeUploadFile"));
    QCOMPARE(TQDriveAdmin::calls().first().result, 0);

    // The last task the worker ran has failed since: a stop leaves it failed (paused, the next
    // sign-in would no longer retry it).
    KSCloudDiskTaskWorker another;
    another.start();
    auto *failing = new TestMediaTask(presenter, local, UploadOperation);
    TQDriveAdmin::failTransferAfter(failing->taskId(), 0, int(TQDrive::LocalReadFailed));
    another.addTask(failing);
    QTRY_COMPARE_WITH_TIMEOUT(failing->status(), int(Failed), 10000);
    another.stop();
    QCOMPARE(failing->status(), int(Failed));
}

void TestTaskWorker::deleteRetries()
{
    QVERIFY(logIn());
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    const QString folder = makeFolder("root", "to delete");
    QSignalSpy removed(presenter, &KSCloudDiskViewPresenter::removeFinished);
    TQDriveAdmin::failNextCalls("Drive_DeleteFile", 4, int(TQDrive::StorageFailed));
    TQDriveAdmin::clearCalls();
    presenter->deleteFile(folder, true);
    QVERIFY(removed.wait(10000));
    QTest::qWait(100);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(0).toString(), folder);
    QCOMPARE(removed.first().at(1).toBool(), false);
    int calls = 0;
    for (const auto &c : TQDriveAdmin::calls())
        calls += c.function == QLatin1String("Drive_DeleteFile");
    QCOMPARE(calls, 4);

    // A try that works ends the retries.
    TQDriveAdmin::failNextCalls("Drive_DeleteFile", 2, int(TQDrive::StorageFailed));
    removed.clear();
    presenter->deleteFile(folder, false);
    QVERIFY(removed.wait(10000));
    QCOMPARE(removed.first().at(1).toBool(), true);

    // Recycling.
    const QString other = makeFolder("root", "to recycle");
    removed.clear();
    presenter->removeFile(other);
    QVERIFY(removed.wait(10000));
    QCOMPARE(removed.first().at(1).toBool(), true);
    presenter->removeFile(QStringLiteral("missing"));
    QVERIFY(removed.wait(10000));
    QCOMPARE(removed.last().at(1).toBool(), false);
}

void TestTaskWorker::thumbnails()
{
    QVERIFY(logIn());
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    const QString picture = m_env->path("thumb.png");
    QFile f(picture);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("new picture");
    f.close();
    auto *up = new TestMediaTask(presenter, picture, UploadOperation);
    QSignalSpy uploaded(presenter, &KSCloudDiskViewPresenter::uploadFinished);
    presenter->queuedTask(up);
    QVERIFY(uploaded.wait(15000));

    const QString target = m_env->path("thumbs/task.png");
    QDir().mkpath(m_env->path("thumbs"));
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old picture");
    old.close();
    QSignalSpy fetched(presenter, &KSCloudDiskViewPresenter::downloadThumbFinished);
    // An answer without a path: the old picture stays and the result is false.
    TQDriveAdmin::answerNextCalls("Drive_SimpleDownloadFile", 1, R"({"code":0,"data":{}})");
    presenter->downloadThumb(up->fileId(), target);
    QVERIFY(fetched.wait(10000));
    QCOMPARE(fetched.last().at(2).toBool(), false);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old picture"));
    old.close();
    // A real answer replaces it.
    presenter->downloadThumb(up->fileId(), target);
    QVERIFY(fetched.wait(10000));
    QCOMPARE(fetched.last().at(0).toString(), up->fileId());
    QCOMPARE(fetched.last().at(1).toString(), target);
    QCOMPARE(fetched.last().at(2).toBool(), true);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("new picture"));
}

void TestTaskWorker::folderListing()
{
    QVERIFY(logIn());
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    QSignalSpy listed(presenter, &KSCloudDiskViewPresenter::loadFolderFilesFinished);
    const QString empty = makeFolder("root", "empty");
    presenter->loadFolderFiles(empty, "base");
    QVERIFY(listed.wait(10000));
    QCOMPARE(listed.last().at(0).toString(), empty);
    QVERIFY(listed.last().at(1).value<KSCloudFolderEntries>().isEmpty());

    // A tree uploaded from disk: files only, each with its folder path.
    const QString local = m_env->path("proj");
    QDir().mkpath(local + "/media/raw");
    for (const QString &name :
        {QStringLiteral("a.txt"), QStringLiteral("media/b.bin"), QStringLiteral("media/raw/c.png")}) {
        QFile f(local + "/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(name.size(), 'x'));
    }
    auto *up = new TestFolderTask(presenter, local, UploadOperation);
    up->setFileId(QStringLiteral("root"));
    up->setStatus(RootFolderSynced);
    QSignalSpy uploaded(presenter, &KSCloudDiskViewPresenter::uploadFinished);
    presenter->queuedTask(up);
    QVERIFY(uploaded.wait(15000));
    presenter->loadFolderFiles(up->fileId(), "proj");
    QVERIFY(listed.wait(10000));
    const KSCloudFolderEntries entries = listed.last().at(1).value<KSCloudFolderEntries>();
    QStringList texts;
    for (const auto &entry : entries) {
        QVERIFY(!entry.first.isEmpty());
        texts << entry.second;
    }
    QCOMPARE(texts.size(), 3);
    QVERIFY(texts.contains("proj/a.txt|5| "));
    QVERIFY(texts.contains("proj/media/b.bin|11| "));
    const QString picture = texts.filter("c.png").value(0);
    QVERIFY(picture.startsWith("proj/media/raw/c.png|15|file://"));
}

void TestTaskWorker::createAndRename()
{
    QVERIFY(logIn());
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    QSignalSpy created(presenter, &KSCloudDiskViewPresenter::createDirFinished);
    QSignalSpy renamed(presenter, &KSCloudDiskViewPresenter::renameFinished);
    presenter->createDir("root", "Albums");
    QVERIFY(created.wait(10000));
    QCOMPARE(created.last(), (QList<QVariant>{"root", true, 0}));
    presenter->createDir("missing", "x");
    QVERIFY(created.wait(10000));
    QCOMPARE(created.last(), (QList<QVariant>{"missing", false, int(TQDrive::ParentNotFound)}));
    TQDriveAdmin::failNextCalls("Drive_CreateDir", 1, 0);
    presenter->createDir("root", "y");
    QVERIFY(created.wait(10000));
    QCOMPARE(created.last(), (QList<QVariant>{"root", false, -1}));

    const QString folder = makeFolder("root", "old name");
    makeFolder("root", "taken");
    presenter->renameFile(folder, "new name");
    QVERIFY(renamed.wait(10000));
    QCOMPARE(renamed.last(), (QList<QVariant>{folder, true, 0}));
    presenter->renameFile(folder, "taken");
    QVERIFY(renamed.wait(10000));
    QCOMPARE(renamed.last(), (QList<QVariant>{folder, false, int(TQDrive::NameClash)}));
    const QJsonArray root
        = driveCall(&Drive_GetFileList, withSpace(R"({"parent_file_id":"root"})")).value("data").toArray();
    QStringList names;
    for (const QJsonValue &v : root)
        names << v.toObject().value("name").toString();
    QCOMPARE(names, QStringList({"Albums", "new name", "taken"}));
}

QTEST_MAIN(TestTaskWorker)
#include "tst_taskworker.moc"
