// The coordinator's task lists and requests, with the worker not started so that tasks stay where
// the bookkeeping put them (the renaming cases sign in and use the drive).
#include "CloudTestEnvironment.h"
#include "KSBaseLog.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskOperationTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSTrackEvent.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

class TestPresenterLists : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void appendFindAndRemove();
    void requestsChooseTheirList();
    void signInRestartsWhatWasLeft();
    void startPauseRetry();
    void removeAndRemoveAll();
    void doneListKeepsEverything();
    void renameDuplicateFolders_data();
    void renameDuplicateFolders();

private:
    KSCloudDiskViewPresenter *presenter() const { return getCloudDisk()->getPresenter(); }
    KSCloudDiskCloudMediaTask *listedUpload(const QString &path, int status);
    QJsonObject savedList(const QString &file) const;
    int clicks(const KSAnalyticsCapture &capture, const QString &button) const;

    CloudTestEnvironment *m_env = nullptr;
};

void TestPresenterLists::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    presenter()->setEmail(QStringLiteral("user@example.com"));
}

void TestPresenterLists::cleanup()
{
    delete m_env;
    m_env = nullptr;
}

KSCloudDiskCloudMediaTask *TestPresenterLists::listedUpload(const QString &path, int status)
{
    auto *task = new KSCloudDiskCloudMediaTask(presenter(), path, "n", "/f", 0);
    task->setListed(true);
    static_cast<IKSCDBaseTask *>(task)->setStatus(status);
    presenter()->uploadTaskList()->append(task);
    return task;
}

QJsonObject TestPresenterLists::savedList(const QString &file) const
{
    QFile f(QDir(m_env->path("host")).filePath("userdata/CloudDiskTasks/user@example.com/" + file));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

int TestPresenterLists::clicks(const KSAnalyticsCapture &capture, const QString &button) const
{
    int count = 0;
    for (const KSTrackRecord &record : capture.records()) {
        if (record.name != "transfer_center_click")
            continue;
        for (const auto &property : record.properties) {
            if (property.first == "transfer_center_btn" && property.second.toString() == button)
                ++count;
        }
    }
    return count;
}

void TestPresenterLists::appendFindAndRemove()
{
    KSCloudDiskViewPresenter *p = presenter();
    QSignalSpy uploads(p, &KSCloudDiskViewPresenter::sigUploadTaskCountChanged);
    const QString first = p->uploadProject(m_env->path("a.vqp"), KeepBoth);
    QPointer<KSCloudDiskTask> old = p->findTask(first);
    const QString second = p->uploadProject(m_env->path("a.vqp"), Replace);
    QCOMPARE(uploads.count(), 2);
    QCOMPARE(p->uploadTaskList()->size(), 1);
    QCOMPARE(p->uploadTaskList()->first()->taskId(), second);
    QVERIFY(old); // replaced in the list, still alive for the worker that holds it
    QVERIFY(!p->findTask(first));

    // A finished upload is never handed out in the upload list; a finished download may be.
    KSCloudDiskTask *done = listedUpload(m_env->path("b.mp4"), Finished);
    QVERIFY(!p->uploadTaskList()->contains(done));
    auto *download = new KSCloudDiskCloudMediaTask(p, m_env->path("c.mp4"), "file-1", 10);
    static_cast<IKSCDBaseTask *>(download)->setStatus(Finished);
    p->downloadTaskList()->append(download);
    QVERIFY(p->downloadTaskList()->contains(download));

    // Only waiting or running listed tasks count as running.
    p->downloadTaskList()->clear();
    static_cast<IKSCDBaseTask *>(p->uploadTaskList()->first())->setStatus(Paused);
    listedUpload(m_env->path("d.mp4"), Failed);
    QVERIFY(!p->hasRunningTask());
    listedUpload(m_env->path("e.mp4"), Waiting);
    QVERIFY(p->hasRunningTask());

    // Background tasks leave through removeTask but stay findable among the removed.
    const QString title = p->uploadCustomTitle("T", m_env->path("title"), KeepBoth);
    KSCloudDiskTask *titleTask = p->findTask(title);
    QVERIFY(p->allTask().contains(titleTask));
    p->removeTask(titleTask);
    QVERIFY(!p->findTask(title));
    QCOMPARE(p->findRemovedTask(title), titleTask);
    QCOMPARE(p->findAbstractTask(second), static_cast<IKSCDBaseTask *>(p->findTask(second)));

    // A share download is the background's share task until it is taken out.
    const QString share = p->downloadShareProject("code-1", m_env->path("shared.vqp"));
    QCOMPARE(p->downloadShareTask(), p->findTask(share));
    p->removeDownloadShareTask();
    QVERIFY(!p->downloadShareTask());

    // Within one batch as well: the later entry for a path is the one listed.
    KSCloudTaskParam twice;
    twice.filePath = m_env->path("a.vqp");
    const int listed = p->uploadTaskList()->size();
    const QStringList batch = p->uploadCloudMedia({twice, twice});
    QCOMPARE(p->uploadTaskList()->size(), listed);
    QCOMPARE(p->uploadTaskList()->last()->taskId(), batch.last());
    QVERIFY(!p->findTask(second));
}

void TestPresenterLists::requestsChooseTheirList()
{
    KSCloudDiskViewPresenter *p = presenter();
    QDir().mkpath(m_env->path("clip"));
    QFile f(m_env->path("clip/clip.json"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(3000, 'x'));
    f.close();

    KSAnalyticsCapture capture;
    KSLogCapture log;
    QSignalSpy status(p, &KSCloudDiskViewPresenter::sigCloudDiskStatus);
    const QString compound = p->uploadCustomCompoundClip("Clip", m_env->path("clip"), KeepBoth);
    const QString title = p->uploadCustomTitle("Clip", m_env->path("clip"), KeepBoth);
    QVERIFY(p->uploadTaskList()->contains(p->findTask(compound)));
    QVERIFY(p->allTask().contains(p->findTask(title)));
    QVERIFY(!p->uploadTaskList()->contains(p->findTask(title)));
    // The background title is waiting: the status reports a background upload.
    QCOMPARE(status.last().at(0).toBool(), true);
    QCOMPARE(status.last().at(1).toBool(), false);

    QVERIFY(p->uploadCloudMedia({}).isEmpty());
    QVERIFY(log.messages().contains("upload cloud media count 0"));
    KSCloudTaskParam plain;
    plain.filePath = m_env->path("clip/clip.json");
    plain.showInTransferCenter = false;
    KSCloudTaskParam located = plain;
    located.location = "media_library";
    const QStringList media = p->uploadCloudMedia({plain, located});
    QCOMPARE(media.size(), 2);
    QVERIFY(p->allTask().contains(p->findTask(media.first())));

    KSCloudTaskParam download;
    download.filePath = m_env->path("dl/x.mp4");
    download.fileId = "file-7";
    download.showInTransferCenter = false; // downloads are listed all the same
    download.location = "media_library";
    const QStringList downloads = p->downloadCloudMedia({download});
    KSCloudDiskTask *downloadTask = p->findTask(downloads.first());
    QVERIFY(p->downloadTaskList()->contains(downloadTask));
    QCOMPARE(downloadTask->extraData(downloadTask->taskId()).toMap().value("location").toString(),
        QStringLiteral("media_library"));

    // Begin events: sizes of preset folders, preset kinds and locations.
    QStringList seen;
    for (const KSTrackRecord &record : capture.records()) {
        QMap<QString, QVariant> props;
        for (const auto &pair : record.properties)
            props.insert(pair.first, pair.second);
        seen << QStringLiteral("%1|%2|%3|%4")
                    .arg(props.value("interaction_type").toString(), props.value("location").toString(),
                        props.value("preset_file_type").toString(), props.value("file_size").toString());
    }
    QCOMPARE(seen,
        QStringList({"1|custom_compound_clip|compound_clip_preset|2", "1|custom_title|title_preset|2",
            "1|cloud_media||2", "1|media_library||2", "3|media_library||0"}));
}

void TestPresenterLists::signInRestartsWhatWasLeft()
{
    KSCloudDiskViewPresenter *p = presenter();
    KSCloudTaskParam param;
    param.showInTransferCenter = true;
    QList<KSCloudTaskParam> params;
    for (const char *name : {"failed.mp4", "paused.mp4", "running.mp4"}) {
        param.filePath = m_env->path(name);
        params << param;
    }
    const QStringList ids = p->uploadCloudMedia(params);
    static_cast<IKSCDBaseTask *>(p->findTask(ids[0]))->setStatus(Failed);
    p->findTask(ids[0])->setFailedCode(7);
    static_cast<IKSCDBaseTask *>(p->findTask(ids[1]))->setStatus(Paused);
    static_cast<IKSCDBaseTask *>(p->findTask(ids[2]))->setStatus(Running);
    p->pauseAllTask(); // the sign-out save

    // A new session of the editor.
    releaseService();
    KSCloudDiskViewPresenter *fresh = presenter();
    QSignalSpy loaded(fresh, &KSCloudDiskViewPresenter::sigLoadAllTask);
    fresh->setEmail(QStringLiteral("user@example.com"));
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(fresh->uploadTaskList()->size(), 3);
    KSCloudDiskTask *failed = fresh->findTask(ids[0]);
    KSCloudDiskTask *paused = fresh->findTask(ids[1]);
    KSCloudDiskTask *running = fresh->findTask(ids[2]);
    QVERIFY(failed && paused && running);
    QCOMPARE(failed->status(), int(Waiting));
    QCOMPARE(failed->failedCode(), 0);
    QVERIFY(failed->retry());
    QVERIFY(failed->queuedOnce());
    QVERIFY(!failed->restarted());
    QCOMPARE(running->status(), int(Waiting));
    QVERIFY(running->restarted()); // the library resumes its transfer
    QVERIFY(running->queuedOnce());
    QCOMPARE(paused->status(), int(Paused));
    QVERIFY(!paused->queuedOnce());

    // The same address again changes nothing; signing out retires every listed task.
    fresh->setEmail(QStringLiteral("user@example.com"));
    QCOMPARE(loaded.count(), 1);
    const QString share = fresh->downloadShareProject("code", m_env->path("s.vqp"));
    fresh->setEmail(QString());
    QVERIFY(fresh->uploadTaskList()->isEmpty());
    QVERIFY(paused->removed());
    QCOMPARE(fresh->findRemovedTask(ids[1]), paused);
    QVERIFY(fresh->downloadShareTask()); // a link needs no account
    QCOMPARE(fresh->downloadShareTask()->taskId(), share);
    QVERIFY(!fresh->downloadShareTask()->removed()); // and it still runs
}

void TestPresenterLists::startPauseRetry()
{
    KSCloudDiskViewPresenter *p = presenter();
    KSAnalyticsCapture capture;
    KSCloudDiskTask *running = listedUpload(m_env->path("r.mp4"), Running);
    KSCloudDiskTask *finished = listedUpload(m_env->path("f.mp4"), Finished);
    p->slotStartUploadTask(running);
    p->slotStartUploadTask(finished);
    QCOMPARE(clicks(capture, "start"), 2);
    QCOMPARE(running->status(), int(Running));
    QVERIFY(!running->queuedOnce());
    QCOMPARE(finished->status(), int(Finished));

    // A paused task that never ran is queued by a start.
    KSCloudDiskTask *paused = listedUpload(m_env->path("p.mp4"), Paused);
    QSignalSpy states(p, &KSCloudDiskViewPresenter::sigTaskStateChanged);
    p->slotStartUploadTask(paused);
    QCOMPARE(paused->status(), int(Waiting));
    QVERIFY(paused->queuedOnce());
    QCOMPARE(states.count(), 1);

    // Retrying a running upload queues it again; a running download is left alone.
    QSignalSpy retried(p, &KSCloudDiskViewPresenter::retryUpload);
    p->slotRetryUploadTask(running);
    QVERIFY(running->queuedOnce());
    QCOMPARE(running->status(), int(Waiting));
    QCOMPARE(retried.count(), 1);
    QCOMPARE(retried.first().at(0).toString(), running->taskId());
    QCOMPARE(retried.first().at(2).toString(), QStringLiteral("/f"));
    auto *download = new KSCloudDiskCloudMediaTask(p, m_env->path("d.mp4"), "file-1", 10);
    download->setListed(true);
    static_cast<IKSCDBaseTask *>(download)->setStatus(Running);
    p->downloadTaskList()->append(download);
    states.clear();
    p->slotRetryDownloadTask(download);
    QVERIFY(!download->queuedOnce());
    QCOMPARE(download->status(), int(Running));
    QCOMPARE(states.count(), 0);
    QCOMPARE(clicks(capture, "refresh"), 2);

    // Pausing: a task still waiting in the queue is paused; the lists announce it a turn later.
    QSignalSpy allUploads(p, &KSCloudDiskViewPresenter::sigAllUploadTaskStateChanged);
    p->slotPauseAllUploadTask();
    QCOMPARE(paused->status(), int(Paused));
    QCOMPARE(finished->status(), int(Finished));
    QCOMPARE(allUploads.count(), 0);
    QTRY_COMPARE(allUploads.count(), 1);
    // Started again with no library to resume it (nobody signed in): still paused, so that a later
    // start can succeed; a waiting task would refuse every start.
    p->slotStartAllUploadTask();
    QCOMPARE(allUploads.count(), 2);
    QCOMPARE(paused->status(), int(Paused));
    QCOMPARE(clicks(capture, "pause"), 0); // the toolbar sends its own events
}

void TestPresenterLists::removeAndRemoveAll()
{
    KSCloudDiskViewPresenter *p = presenter();
    KSCloudDiskTask *a = listedUpload(m_env->path("a.mp4"), Failed);
    KSCloudDiskTask *b = listedUpload(m_env->path("b.mp4"), Paused);
    QSignalSpy cancelled(p, &KSCloudDiskViewPresenter::taskCancel);
    QSignalSpy counts(p, &KSCloudDiskViewPresenter::sigUploadTaskCountChanged);
    p->slotRemoveUploadTask(a);
    QCOMPARE(a->status(), int(Cancelled));
    QVERIFY(a->removed());
    QCOMPARE(cancelled.count(), 1);
    QCOMPARE(cancelled.first().first().toStringList(), QStringList{a->taskId()});
    QCOMPARE(counts.count(), 1);
    QCOMPARE(p->findRemovedTask(a->taskId()), a);
    QVERIFY(!p->findTask(a->taskId()));
    p->slotRemoveUploadTask(nullptr);
    QCOMPARE(cancelled.count(), 1);

    // Remove all done: the download list stays, exactly the former done tasks are retired.
    auto *download = new KSCloudDiskCloudMediaTask(p, m_env->path("d.mp4"), "file-1", 10);
    p->downloadTaskList()->append(download);
    QList<KSCloudDiskTask *> done;
    for (int i = 0; i < 3; ++i) {
        KSCloudDiskTask *task = listedUpload(m_env->path(QString("done%1.mp4").arg(i)), Finished);
        p->doTaskStateChanged(task);
        done << task;
    }
    QCOMPARE(p->doneTaskList()->size(), 3);
    QCOMPARE(p->doneTaskList()->first(), done.last()); // newest first
    p->slotRemoveAllDoneTask();
    QVERIFY(p->doneTaskList()->isEmpty());
    QCOMPARE(*p->downloadTaskList(), QList<KSCloudDiskTask *>{download});
    for (KSCloudDiskTask *task : done) {
        QCOMPARE(p->findRemovedTask(task->taskId()), task);
        QCOMPARE(task->status(), int(Finished));
    }
    QVERIFY(!p->findRemovedTask(download->taskId()));

    // Remove all uploads: one cancel with every id, all retired.
    cancelled.clear();
    KSCloudDiskTask *c = listedUpload(m_env->path("c.mp4"), Waiting);
    p->slotRemoveAllUploadTask();
    QVERIFY(p->uploadTaskList()->isEmpty());
    QCOMPARE(cancelled.count(), 1);
    QCOMPARE(cancelled.first().first().toStringList(), QStringList({b->taskId(), c->taskId()}));
    QVERIFY(b->removed() && c->removed());
}

void TestPresenterLists::doneListKeepsEverything()
{
    KSCloudDiskViewPresenter *p = presenter();
    for (int i = 0; i < 250; ++i)
        p->doTaskStateChanged(listedUpload(m_env->path(QString("m%1.mp4").arg(i)), Finished));
    QCOMPARE(p->doneTaskList()->size(), 250);
    QVERIFY(p->uploadTaskList()->isEmpty());
    // One finished while the coordinator was busy: the sign-out save still puts it among the done.
    KSCloudDiskTask *late = listedUpload(m_env->path("late.mp4"), Running);
    static_cast<IKSCDBaseTask *>(late)->setStatus(Finished);
    p->pauseAllTask();
    QCOMPARE(p->doneTaskList()->first(), late);
    QCOMPARE(savedList("done.json").size(), 251);
    QCOMPARE(savedList("upload.json").size(), 0);
}

void TestPresenterLists::renameDuplicateFolders_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("local");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("free drive root") << QStringList() << QStringList{"D:/"} << QStringList{"D/"};
    QTest::newRow("taken drive root") << QStringList{"D"} << QStringList{"D:/"} << QStringList{"D(1)/"};
    QTest::newRow("two taken") << QStringList{"Holiday", "Holiday(1)"} << QStringList{"C:/media/Holiday"}
                               << QStringList{"C:/media/Holiday(2)"};
    QTest::newRow("counter per entry") << QStringList{"Holiday", "Trip"}
                                       << QStringList{"/home/u/Holiday", "/home/u/Trip/", "/home/u/New"}
                                       << QStringList{"/home/u/Holiday(1)", "/home/u/Trip(1)", "/home/u/New"};
}

void TestPresenterLists::renameDuplicateFolders()
{
    QFETCH(QStringList, existing);
    QFETCH(QStringList, local);
    QFETCH(QStringList, expected);
    QVERIFY(m_env->logIn(m_env->startService()));
    KSCloudDiskViewPresenter *p = presenter();
    int code = 0;
    for (const QString &name : existing)
        QVERIFY(!KSCloudDiskCreateDirTask::create("root", "Cutlane/My Cloud Media/sub/" + name, &code).isEmpty());
    QCOMPARE(p->renameDuplicateFolders(local, "/sub"), expected);
    if (!existing.isEmpty())
        QVERIFY(p->checkFolderExist(existing.first(), "/sub"));
    QVERIFY(!p->checkFolderExist("Nothing", "/sub"));
    // A space the drive refuses: the look-ups keep the names and find nothing.
    TQDriveAdmin::failNextCalls("Drive_CreateDir", 2, 1, 500001);
    QCOMPARE(p->renameDuplicateFolders(local, "/sub"), local);
    QVERIFY(!p->checkFolderExist("D", "/sub"));
}

QTEST_MAIN(TestPresenterLists)
#include "tst_presenterlists.moc"
