// The task lists on disk: coalesced saves, order, the legacy file, damaged files and crashes.
#include "IKSAppInfo.h"
#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCloudTaskSerializeHelper.h"
#include "KSLazySingleton.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestTaskSerializer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void coalescedSaves();
    void orderAndFields();
    void legacyConversion();
    void badFilesAndRecords();
    void noAccountAndOddEmails();
    void crashWhileSaving();

private:
    QString listFile(const char *name) const;
    void fill(KSCloudDiskViewPresenter *presenter, int count);

    QTemporaryDir *m_dir = nullptr;
    KSCloudDiskViewPresenter *m_presenter = nullptr;
};

namespace {
QJsonObject readJson(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(f.readAll()).object();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}
} // namespace

void TestTaskSerializer::init()
{
    m_dir = new QTemporaryDir;
    KSHostPaths::setRoot(m_dir->filePath("host"));
    m_presenter = getCloudDisk()->getPresenter();
    m_presenter->setEmail("user@example.com");
}

void TestTaskSerializer::cleanup()
{
    KSLazySingletonManager::instance()->releaseAll();
    delete m_dir;
}

QString TestTaskSerializer::listFile(const char *name) const
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::LogFolder) + "/CloudDiskTasks/user@example.com/" + name;
}

void TestTaskSerializer::fill(KSCloudDiskViewPresenter *presenter, int count)
{
    for (int i = 0; i < count; ++i) {
        auto *task = new KSCloudDiskCloudMediaTask(
            presenter, QStringLiteral("/media/clip%1.mp4").arg(i), "name", "/Trips", i % 3);
        task->setStatus(i % 5);
        task->setTotalSize(1000 + i);
        presenter->uploadTaskList()->append(task);
    }
}

void TestTaskSerializer::coalescedSaves()
{
    KSCloudTaskSerializeHelper serializer(m_presenter);
    fill(m_presenter, 3);
    serializer.start();
    KSLogCapture capture;
    for (int i = 0; i < 10; ++i) {
        QVERIFY(serializer.save(KSCloudTaskSerializeHelper::UploadList, true));
        QTest::qWait(50);
    }
    QTRY_COMPARE_WITH_TIMEOUT(capture.messages().filter("save task file:").size(), 1, 5000);
    QTest::qWait(2300); // one more pass: nothing left to write
    QCOMPARE(capture.messages().filter("save task file:").size(), 1);
    QVERIFY(capture.messages().filter("save task file:").first().endsWith("/upload.json"));
    QCOMPARE(readJson(listFile("upload.json")).size(), 3);
    QVERIFY(!QFileInfo::exists(listFile("download.json")));
    serializer.requestStop();
    QVERIFY(serializer.wait(3000));
}

void TestTaskSerializer::orderAndFields()
{
    // Owned by the coordinator, which goes away in the middle of this test.
    auto &serializer = *new KSCloudTaskSerializeHelper(m_presenter);
    fill(m_presenter, 12);
    auto *project = new KSCloudDiskProjectTask(m_presenter, m_dir->filePath("p.vqp"), 2);
    project->setNewName("/Cutlane/Project/p.vqp/p/");
    m_presenter->uploadTaskList()->append(project);
    auto *title = new KSCloudDiskCustomTitleTask(m_presenter, "/t/Title", "Title", 0);
    m_presenter->uploadTaskList()->append(title);
    auto *download = new KSCloudDiskVideoTask(m_presenter, "/videos/v.mp4", "file-9", 4096);
    download->setThumbnailLocalPath("/thumbs/v.png");
    download->setThumbnailUrl("file:///cloud/v.png");
    download->setFailedCode(140013);
    // Paused: sign-in leaves it as saved (a failed one would be queued again with its code cleared).
    static_cast<IKSCDBaseTask *>(download)->setStatus(Paused);
    m_presenter->downloadTaskList()->append(download);
    KSLogCapture capture;
    QVERIFY(serializer.save(KSCloudTaskSerializeHelper::AllLists, false));
    QCOMPARE(capture.messages().first(), QStringLiteral("begin sync save all task"));
    QCOMPARE(capture.messages().last(), QStringLiteral("end sync save all task"));

    const QJsonObject upload = readJson(listFile("upload.json"));
    QStringList keys = upload.keys();
    QCOMPARE(keys.first(), QStringLiteral("100001"));
    QCOMPARE(keys.last(), QStringLiteral("100014"));
    const QJsonObject projectRecord = upload.value("100013").toObject();
    QCOMPARE(projectRecord.value("Overwrite").toString(), QStringLiteral("0")); // mode 2 is saved as 0
    QCOMPARE(projectRecord.value("FileType").toString(), QStringLiteral("0"));
    QVERIFY(projectRecord.contains("ThunbnailLocalPath"));
    for (const QJsonValue &v : projectRecord)
        QVERIFY(v.isString());

    // Read back into a fresh coordinator: the same tasks in the same order, presets left out.
    QStringList ids;
    for (KSCloudDiskTask *t : *m_presenter->uploadTaskList())
        ids << t->taskId();
    ids.removeLast(); // the title
    const QString downloadId = download->taskId();
    KSLazySingletonManager::instance()->releaseAll();
    KSCloudDiskViewPresenter *fresh = getCloudDisk()->getPresenter();
    // Signing in reads the lists back.
    fresh->setEmail("user@example.com");
    QStringList loaded;
    for (KSCloudDiskTask *t : *fresh->uploadTaskList())
        loaded << t->taskId();
    QCOMPARE(loaded, ids);
    const KSCloudDiskTask *first = fresh->uploadTaskList()->first();
    QCOMPARE(first->totalSize(), 1000LL);
    QVERIFY(first->listed());
    QCOMPARE(first->folderPath(), QStringLiteral("/Trips"));
    const KSCloudDiskTask *restoredProject = fresh->uploadTaskList()->last();
    QCOMPARE(restoredProject->overwrite(), 0);
    QCOMPARE(restoredProject->newName(), QStringLiteral("/Cutlane/Project/p.vqp/p.vqp")); // no second suffix
    QCOMPARE(fresh->downloadTaskList()->size(), 1);
    const KSCloudDiskTask *video = fresh->downloadTaskList()->first();
    QCOMPARE(video->fileId(), QStringLiteral("file-9"));
    QCOMPARE(video->fileSize(), 4096LL);
    QCOMPARE(video->failedCode(), 140013);
    QCOMPARE(video->thumbnailLocalPath(), QStringLiteral("/thumbs/v.png"));
    QCOMPARE(video->thumbnailUrl(), QStringLiteral("file:///cloud/v.png"));
    QCOMPARE(video->taskId(), downloadId);
    QVERIFY(fresh->doneTaskList()->isEmpty());
}

void TestTaskSerializer::legacyConversion()
{
    const QString folder = IKSAppInfo::getInstance()->getFolder(IKSAppInfo::LogFolder);
    QByteArray xml = "<CloudDisk><User Email=\"old@example.com\"><Tasks>";
    for (int i = 1; i <= 12; ++i) {
        xml += QStringLiteral("<Item TaskId=\"{t%1}\"><TimeStamp>%2</TimeStamp><FileType>7</FileType>"
                              "<Name>n%1</Name><Operation>1</Operation><Overwrite>0</Overwrite>"
                              "<FilePath>/m/%1.mp4</FilePath><Status>%3</Status></Item>")
                   .arg(i)
                   .arg(1000 + i)
                   .arg(i == 12 ? 6 : 0)
                   .toUtf8();
    }
    xml += "</Tasks></User></CloudDisk>";
    writeBytes(folder + "/CloudDiskTasks.xml", xml);
    {
        KSCloudTaskSerializeHelper converter(m_presenter);
    }
    QVERIFY(!QFileInfo::exists(folder + "/CloudDiskTasks.xml"));
    QVERIFY(QFileInfo::exists(folder + "/CloudDiskTasks.xml.back"));
    const QString user = folder + "/CloudDiskTasks/old@example.com";
    const QJsonObject upload = readJson(user + "/upload.json");
    QCOMPARE(upload.size(), 11);
    QCOMPARE(upload.value("1").toObject().value("TaskId").toString(), QStringLiteral("{t1}"));
    QCOMPARE(readJson(user + "/done.json").value("1").toObject().value("TaskId").toString(), QStringLiteral("{t12}"));

    // Read back in the text order of the keys.
    m_presenter->setEmail("old@example.com");
    KSCloudTaskSerializeHelper reader(m_presenter);
    QVERIFY(reader.load(KSCloudTaskSerializeHelper::UploadList));
    QStringList ids;
    for (KSCloudDiskTask *t : *m_presenter->uploadTaskList())
        ids << t->taskId();
    QCOMPARE(ids.mid(0, 5), QStringList({"{t1}", "{t10}", "{t11}", "{t2}", "{t3}"}));

    // A second start converts nothing, even with the user's folder gone.
    QDir(user).removeRecursively();
    {
        KSCloudTaskSerializeHelper again(m_presenter);
    }
    QVERIFY(!QFileInfo::exists(user));
}

void TestTaskSerializer::badFilesAndRecords()
{
    KSCloudTaskSerializeHelper serializer(m_presenter);
    const QJsonObject good{{"TaskId", "{good}"}, {"FileType", "7"}, {"Operation", "2"}, {"FilePath", "/m/a.mp4"},
        {"FileId", "f"}, {"FileSize", "10"}};
    QJsonObject mistyped = good;
    mistyped.insert("FileSize", 10);
    QJsonObject oversized = good;
    oversized.insert("FilePath", QString(40000, 'x'));
    const QJsonObject truncated{{"TaskId", "{half}"}};
    QJsonObject second = good;
    second.insert("TaskId", "{good2}");
    const QJsonObject all{{"100001", good}, {"100002", mistyped}, {"100003", oversized}, {"100004", truncated},
        {"100005", "not a record"}, {"100006", second}};
    writeBytes(listFile("download.json"), QJsonDocument(all).toJson());
    QVERIFY(serializer.load(KSCloudTaskSerializeHelper::DownloadList));
    QStringList ids;
    for (KSCloudDiskTask *t : *m_presenter->downloadTaskList())
        ids << t->taskId();
    QCOMPARE(ids, QStringList({"{good}", "{good2}"}));

    // An unreadable file is kept aside, and the next save does not destroy it.
    writeBytes(listFile("done.json"), "{\"100001\": {\"TaskId\": \"{lost}\"");
    KSLogCapture capture;
    QVERIFY(!serializer.load(KSCloudTaskSerializeHelper::DoneList));
    QVERIFY(capture.messages().contains("load josn file failed: " + listFile("done.json")));
    const QStringList aside = QDir(QFileInfo(listFile("done.json")).path()).entryList({"done.json.broken-*"});
    QCOMPARE(aside.size(), 1);
    QVERIFY(serializer.save(KSCloudTaskSerializeHelper::DoneList, false));
    QFile kept(QFileInfo(listFile("done.json")).path() + "/" + aside.first());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QVERIFY(kept.readAll().contains("{lost}"));
    // A missing file is logged and the others still load.
    QFile::remove(listFile("upload.json"));
    capture.clear();
    QVERIFY(serializer.load(KSCloudTaskSerializeHelper::AllLists));
    QVERIFY(capture.messages().contains("load upload task failed!"));
}

void TestTaskSerializer::noAccountAndOddEmails()
{
    m_presenter->setEmail(QString());
    KSCloudTaskSerializeHelper serializer(m_presenter);
    fill(m_presenter, 1);
    QVERIFY(!serializer.save(KSCloudTaskSerializeHelper::AllLists, false));
    QVERIFY(!serializer.save(KSCloudTaskSerializeHelper::UploadList, true));
    QVERIFY(!serializer.load(KSCloudTaskSerializeHelper::AllLists));
    const QString tasks = IKSAppInfo::getInstance()->getFolder(IKSAppInfo::LogFolder) + "/CloudDiskTasks";
    QVERIFY(!QFileInfo::exists(tasks));

    // An address that would climb out of the tasks folder stays inside it.
    for (const QString &email : {QStringLiteral("../../escape"), QStringLiteral(".."), QStringLiteral("a/b\\c")}) {
        m_presenter->setEmail(email);
        QVERIFY(serializer.save(KSCloudTaskSerializeHelper::UploadList, false));
        const QString folder = serializer.accountFolder();
        QCOMPARE(QFileInfo(folder).absolutePath(), QDir(tasks).absolutePath());
        QVERIFY(QFileInfo::exists(folder + "/upload.json"));
    }
    QCOMPARE(KSCloudTaskSerializeHelper::folderNameOf("first.last+tag@mail.example.com"),
        QStringLiteral("first.last+tag@mail.example.com"));
    QCOMPARE(
        QDir(IKSAppInfo::getInstance()->getFolder(IKSAppInfo::LogFolder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
        QStringList{"CloudDiskTasks"});
}

void TestTaskSerializer::crashWhileSaving()
{
    // A child process saves a large list over and over; it is killed at random moments. Whatever
    // moment it dies, the list on disk is complete: the old one or the new one.
    const QString root = m_dir->filePath("crash");
    for (int round = 0; round < 12; ++round) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--save-loop", root});
        QVERIFY(child.waitForStarted());
        QTest::qWait(QRandomGenerator::global()->bounded(150, 450));
        child.kill();
        child.waitForFinished();
        const QString path = root + "/userdata/CloudDiskTasks/crash@example.com/upload.json";
        if (!QFileInfo::exists(path))
            continue;
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(doc.object().size(), 2000);
    }
}

// The child side of crashWhileSaving: saves until it is killed.
static int saveLoop(const QString &root)
{
    KSHostPaths::setRoot(root);
    KSCloudDiskViewPresenter *presenter = getCloudDisk()->getPresenter();
    presenter->setEmail("crash@example.com");
    // Signing in loaded the list an earlier round left; this round writes a fresh one.
    presenter->uploadTaskList()->clear();
    for (int i = 0; i < 2000; ++i)
        presenter->uploadTaskList()->append(
            new KSCloudDiskCloudMediaTask(presenter, QStringLiteral("/m/%1.mp4").arg(i), "n", "/f", 0));
    KSCloudTaskSerializeHelper serializer(presenter);
    for (;;)
        serializer.save(KSCloudTaskSerializeHelper::UploadList, false);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--save-loop")
        return saveLoop(QString::fromLocal8Bit(argv[2]));
    TestTaskSerializer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_taskserializer.moc"
