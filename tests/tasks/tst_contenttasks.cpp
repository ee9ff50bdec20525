// The content kinds: folders, names, packing of projects, placing of media, media tags.
#include "CloudTestEnvironment.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSConfigEngine.h"
#include "KSZip.h"
#include "TestTasks.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QThreadPool>

class TestContentTasks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void kindsAndFolders();
    void projectPreparation();
    void projectRoundTrip();
    void mediaPlacement();
    void mediaTags();

private:
    void launchOnThread(KSCloudDiskTask *task);
    // Uploads a folder-type task, answering its folder creation the way the editor does.
    bool uploadFolderTask(KSCloudDiskTask *task);
    static QString makeProject(const QString &folder, const QString &file);

    CloudTestEnvironment *m_env = nullptr;
    IKSCloudDisk *m_service = nullptr;
};

namespace {

void writeText(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
}

QStringList entriesOf(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(folder).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

bool ffmpeg(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-y"} + arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

void TestContentTasks::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    m_service = m_env->startService();
    m_service->setTqidToken(m_env->accountParam());
    QTRY_VERIFY(m_service->isServiceReady());
    QThreadPool::globalInstance()->waitForDone();
}

void TestContentTasks::cleanup()
{
    delete m_env;
    m_env = nullptr;
}

void TestContentTasks::launchOnThread(KSCloudDiskTask *task)
{
    QThread *thread = QThread::create([task]() { task->launch(); });
    thread->start();
    while (!thread->wait(10))
        QCoreApplication::processEvents();
    delete thread;
    QCoreApplication::processEvents();
}

bool TestContentTasks::uploadFolderTask(KSCloudDiskTask *task)
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    QMetaObject::Connection answer
        = connect(presenter, &KSCloudDiskViewPresenter::sigFolderCreated, this, [presenter](const QString &taskId) {
              KSCloudDiskTask *found = presenter->findTask(taskId);
              found->setStatus(RootFolderSynced, true);
              presenter->doTaskStateChanged(found);
          });
    QSignalSpy finished(presenter, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy refreshed(presenter, &KSCloudDiskViewPresenter::sigRefreshInfoFinished);
    if (!presenter->findTask(task->taskId()))
        listTask(presenter, task);
    presenter->queuedTask(task);
    const bool done = finished.wait(20000) && refreshed.wait(10000);
    disconnect(answer);
    return done;
}

QString TestContentTasks::makeProject(const QString &folder, const QString &file)
{
    writeText(folder + "/project.json", "{\"tracks\":3}");
    writeText(folder + "/ProjectFolder/Timeline/thumb.fsthumb", "picture");
    writeText(folder + "/ProjectFolder/media/clip 01.mp4", QByteArray(3000, 'v'));
    writeText(folder + "/ProjectFolder/Übersicht.txt", "utf-8 name");
    return KSQuaZip::CompressDirWithUTF8(file, folder) ? file : QString();
}

void TestContentTasks::kindsAndFolders()
{
    QObject parent;
    const QString sep = QDir::separator();
    struct Expected {
        int itemType;
        int fileType;
        QString folder;
    };
    for (const Expected &e : {Expected{5, 8, "CustomColor"}, Expected{6, 10, "CustomSpeed"},
             Expected{7, 9, "CustomMask"}, Expected{9, 12, "CustomAIColorPalette"}, Expected{3, 9, ""}}) {
        KSCloudDiskCustomPresetTask task(&parent, e.itemType, "/p/My Preset", "My Preset", 0);
        QCOMPARE(task.fileType(), e.fileType);
        QCOMPARE(task.cloudFolder(), e.folder + sep + "My Preset");
        QVERIFY(task.isPresetTask());
    }
    KSCloudDiskProjectArchiveTask archive(&parent, "/x/Trip.vqpbundle", 0);
    QCOMPARE(archive.cloudFolder(), QStringLiteral("ProjectArchive/Trip"));
    QVERIFY(!archive.isPresetTask());
    KSCloudDiskProjectTask project(&parent, "/x/Trip.vqp", "file-1", 42);
    QCOMPARE(project.cloudFolder(), QStringLiteral("Project/Trip.vqp"));
    QCOMPARE(project.operation(), int(DownloadOperation));
    QCOMPARE(project.totalSize(), 42LL);
    KSCloudDiskCloudMediaTask media(&parent, "/x/clip.final.mp4", QString(), "/Holiday", 1);
    QCOMPARE(media.cloudFolder(), QStringLiteral("Cutlane/My Cloud Media/Holiday"));
    QCOMPARE(media.itemName(), QStringLiteral("clip"));
    QVERIFY(media.isMediaTask());
    KSCloudDiskVideoTask video(&parent, "/x/export.mp4", "share-code");
    QCOMPARE(video.shareCode(), QStringLiteral("share-code"));
    QCOMPARE(video.cloudFolder(), QStringLiteral("My Videos/Cutlane/"));
    KSCloudDiskCutLongToShortTask shortClip(&parent, "/x/s.mp4", "file-2");
    QCOMPARE(shortClip.overwrite(), 2);
    QCOMPARE(shortClip.fileType(), 13);
    KSCloudDiskAudioToVideoTask fromAudio(&parent, "/x/a.mp4", "/Songs", "a.mp4", 0);
    QCOMPARE(fromAudio.cloudFolder(), QStringLiteral("Assets/Cutlane/Audio2Video//Songs"));
    KSCloudDiskProjectTemplateTask shared(&parent, "/x/T", "code", "T");
    QCOMPARE(shared.shareCode(), QStringLiteral("code"));
    QCOMPARE(shared.trackingTypeName(), QStringLiteral("media_project_template"));
    KSCloudDiskCustomTitleTask title(&parent, "/x/Big Title", QString(), 0);
    QCOMPARE(title.name(), QStringLiteral("Big Title"));
    QCOMPARE(title.trackingPresetName(), QStringLiteral("title_preset"));
    QVERIFY(QFileInfo(title.localDownloadFolder()).isDir());
    QVERIFY(title.localDownloadFolder().endsWith("/CloudDisk/CustomTitle/Download/" + title.taskId()));
}

void TestContentTasks::projectPreparation()
{
    QObject parent;
    // A project named only by spaces unpacks into "Untitled".
    const QString blank = makeProject(m_env->path("src"), m_env->path("   .vqp"));
    QVERIFY(!blank.isEmpty());
    KSCloudDiskProjectTask untitled(&parent, blank, 0);
    QVERIFY(untitled.prepareUploadPath());
    QVERIFY(untitled.tempPath().endsWith("/Untitled"));
    QCOMPARE(entriesOf(untitled.tempPath()), entriesOf(m_env->path("src")));
    untitled.clean();
    QVERIFY(!QFileInfo::exists(untitled.tempPath()));

    // A damaged container fails instead of uploading an empty folder.
    writeText(m_env->path("broken.vqp"), "PK\x03\x04 not really a zip");
    KSCloudDiskProjectTask broken(&parent, m_env->path("broken.vqp"), 0);
    QVERIFY(!broken.prepareUploadPath());

    // An archive holds a project container; without one its preparation fails.
    writeText(m_env->path("archive-src/media/a.mp4"), "media");
    QVERIFY(KSQuaZip::CompressDirWithUTF8(m_env->path("Empty.vqpbundle"), m_env->path("archive-src")));
    KSCloudDiskProjectArchiveTask empty(&parent, m_env->path("Empty.vqpbundle"), 0);
    QVERIFY(!empty.prepareUploadPath());
    QVERIFY(QFile::copy(blank, m_env->path("archive-src/Trip.vqp")));
    QVERIFY(KSQuaZip::CompressDirWithUTF8(m_env->path("Trip.vqpbundle"), m_env->path("archive-src")));
    KSCloudDiskProjectArchiveTask archive(&parent, m_env->path("Trip.vqpbundle"), 0);
    QVERIFY(archive.prepareUploadPath());
    QVERIFY(!QFileInfo::exists(archive.tempPath() + "/Trip.vqp"));
    QCOMPARE(entriesOf(archive.tempPath() + "/Trip_vqp"), entriesOf(m_env->path("src")));
    QVERIFY(QFileInfo::exists(archive.tempPath() + "/media/a.mp4"));
}

void TestContentTasks::projectRoundTrip()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    const QString file = makeProject(m_env->path("src"), m_env->path("a.vqp"));
    QVERIFY(!file.isEmpty());
    auto *up = new KSCloudDiskProjectTask(presenter, file, 0);
    listTask(presenter, up);
    QVERIFY(uploadFolderTask(up));
    QCOMPARE(up->status(), int(Finished));
    QVERIFY(!up->thumbnailFileId().isEmpty()); // ProjectFolder/Timeline/thumb.fsthumb
    QVERIFY(up->newName().endsWith("/a.vqp"));
    QVERIFY(!QFileInfo::exists(up->tempPath())); // the working copy is gone

    // Downloaded beside a.vqp and "a (1).vqp", it becomes "a (2).vqp" with the same entries.
    const QString dest = m_env->path("dest");
    writeText(dest + "/a.vqp", "other");
    writeText(dest + "/a (1).vqp", "other");
    auto *down = new KSCloudDiskProjectTask(presenter, dest + "/a.vqp", up->fileId(), 0);
    listTask(presenter, down);
    QSignalSpy downloaded(presenter, &KSCloudDiskViewPresenter::downloadFinished);
    presenter->queuedTask(down);
    QVERIFY(downloaded.wait(20000));
    QCOMPARE(down->filePath(), dest + "/a (2).vqp");
    QVERIFY(KSVblLibzip::ExtractDir(dest + "/a (2).vqp", m_env->path("check")));
    QCOMPARE(entriesOf(m_env->path("check")), entriesOf(m_env->path("src")));
    QFile clip(m_env->path("check/ProjectFolder/media/clip 01.mp4"));
    QVERIFY(clip.open(QIODevice::ReadOnly));
    QCOMPARE(clip.readAll(), QByteArray(3000, 'v'));
    QCOMPARE(QDir(dest).entryList(QDir::Files).size(), 3);
}

void TestContentTasks::mediaPlacement()
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    writeText(m_env->path("clip.mp4"), QByteArray(50000, 'c'));
    auto *up = new KSCloudDiskCloudMediaTask(presenter, m_env->path("clip.mp4"), QString(), "/Trips", 0);
    listTask(presenter, up);
    QSignalSpy uploaded(presenter, &KSCloudDiskViewPresenter::uploadFinished);
    QSignalSpy refreshed(presenter, &KSCloudDiskViewPresenter::sigRefreshInfoFinished);
    presenter->queuedTask(up);
    QVERIFY(uploaded.wait(20000));
    QVERIFY(refreshed.wait(10000));
    QCOMPARE(up->newName(), QStringLiteral("/Cutlane/My Cloud Media/Trips/clip.mp4"));

    QSignalSpy downloaded(presenter, &KSCloudDiskViewPresenter::downloadFinished);
    auto download = [&]() {
        auto *task = new KSCloudDiskCloudMediaTask(presenter, m_env->path("dest/clip.mp4"), up->fileId(), 50000);
        listTask(presenter, task);
        QDir().mkpath(m_env->path("dest"));
        presenter->queuedTask(task);
        return downloaded.wait(20000) ? task : nullptr;
    };
    QVERIFY(download());
    // The same content again: still one copy, and no working file left.
    KSCloudDiskTask *again = download();
    QVERIFY(again);
    QCOMPARE(QDir(m_env->path("dest")).entryList(QDir::Files), QStringList{"clip.mp4"});
    QVERIFY(!QFileInfo::exists(again->tempPath()));
    // A different file in the way is kept; the download takes the next free "_n" name.
    writeText(m_env->path("dest/clip.mp4"), "edited by hand");
    KSCloudDiskTask *third = download();
    QVERIFY(third);
    QCOMPARE(third->filePath(), m_env->path("dest/clip_1.mp4"));
    QCOMPARE(QDir(m_env->path("dest")).entryList(QDir::Files), QStringList({"clip.mp4", "clip_1.mp4"}));
    QFile kept(m_env->path("dest/clip.mp4"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("edited by hand"));
}

void TestContentTasks::mediaTags()
{
    QVERIFY2(!QStandardPaths::findExecutable("ffmpeg").isEmpty(), "ffmpeg is needed to make test media");
    QObject parent;
    const QString video = m_env->path("ntsc.mp4");
    QVERIFY(ffmpeg({"-f", "lavfi", "-i", "testsrc=size=64x48:rate=24000/1001", "-t", "1.0", "-c:v", "mpeg4", video}));
    const QMap<QString, QVariant> v = KSCloudDiskVideoTask(&parent, video, 0).mediaMetadata();
    QCOMPARE(v.value("fps").toString(), QStringLiteral("23.97"));
    QCOMPARE(v.value("frame_count").toString(), QStringLiteral("24"));
    QCOMPARE(v.value("media_duration").toString(), QStringLiteral("1.0013"));
    QCOMPARE(v.value("video_width").toString(), QStringLiteral("64"));
    QCOMPARE(v.value("video_height").toString(), QStringLiteral("48"));
    QCOMPARE(v.value("video_codec").toString(), QStringLiteral("mpeg4"));
    QVERIFY(!v.contains("audio_codec"));
    QVERIFY(!v.contains("image_width"));
    QCOMPARE(v.value("file_source").toString(), KSConfigHelper::GetCBSUrl("PID"));
    QVERIFY(v.value("file_modified").toString().toLongLong() > 0);

    const QString both = m_env->path("both.mp4");
    QVERIFY(ffmpeg({"-f", "lavfi", "-i", "testsrc=size=32x32:rate=25", "-f", "lavfi", "-i", "sine=frequency=440", "-t",
        "2", "-c:v", "mpeg4", "-c:a", "aac", "-ac", "2", both}));
    const QMap<QString, QVariant> b = KSCloudDiskCloudMediaTask(&parent, both, QString(), QString(), 0).mediaMetadata();
    QCOMPARE(b.value("fps").toString(), QStringLiteral("25"));
    QCOMPARE(b.value("media_duration").toString(), QStringLiteral("2.0000"));
    QCOMPARE(b.value("audio_channels").toString(), QStringLiteral("2"));
    QCOMPARE(b.value("audio_codec").toString(), QStringLiteral("aac"));
    QVERIFY(b.contains("video_bitrate") && b.contains("audio_samplerate"));

    const QString tone = m_env->path("tone.wav");
    QVERIFY(ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=1.5", "-ar", "22050", tone}));
    const QMap<QString, QVariant> a = KSCloudDiskCloudMediaTask(&parent, tone, QString(), QString(), 0).mediaMetadata();
    QCOMPARE(a.value("audio_samplerate").toString(), QStringLiteral("22050"));
    QCOMPARE(a.value("audio_channels").toString(), QStringLiteral("1"));
    QCOMPARE(a.value("media_duration").toString(), QStringLiteral("1.5000"));
    QVERIFY(!a.contains("video_codec"));

    const QString picture = m_env->path("still.png");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(picture));
    const QMap<QString, QVariant> p
        = KSCloudDiskCloudMediaTask(&parent, picture, QString(), QString(), 0).mediaMetadata();
    QCOMPARE(p.value("image_width").toString(), QStringLiteral("40"));
    QCOMPARE(p.value("image_height").toString(), QStringLiteral("30"));
    QVERIFY(!p.contains("media_duration"));

    // Not media, or not there: no tags at all.
    writeText(m_env->path("notes.txt"), "text");
    QVERIFY(KSCloudDiskCloudMediaTask(&parent, m_env->path("notes.txt"), QString(), QString(), 0)
                .mediaMetadata()
                .isEmpty());
    QVERIFY(KSCloudDiskCloudMediaTask(&parent, m_env->path("nothing.mp4"), QString(), QString(), 0)
                .mediaMetadata()
                .isEmpty());
}

QTEST_MAIN(TestContentTasks)
#include "tst_contenttasks.moc"
