// The long-to-short bookkeeping fed, as the editor feeds it, with the presenter's reports of real
// uploads through the worker and the local drive.
#include "CloudTestEnvironment.h"
#include "IKSAILongToShortEditor.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSLongToShortCloudDiskDataCenter.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

class TestLongToShortEditor final : public IKSAILongToShortEditor
{
public:
    void changeResults(const KSAILongToShortChangeResultsParam &param) override { results << param; }
    void changeScript(const KSAILongToShortChangeScriptParam &param) override { scripts << param; }
    QList<KSAILongToShortChangeResultsParam> results;
    QList<KSAILongToShortChangeScriptParam> scripts;
};

struct EditorGoesFirst {
    ~EditorGoesFirst() { KSVBLMODEL::setAILongToShortEditor(nullptr); }
};

KLongToShortUploadPartInfo part(const QString &taskId, const QString &path)
{
    KLongToShortUploadPartInfo info;
    info.taskId = taskId;
    info.localPath = path;
    return info;
}

} // namespace

class TestLongToShort : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void jobOfThreeClips();

private:
    CloudTestEnvironment *m_env = nullptr;
};

void TestLongToShort::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
}

void TestLongToShort::cleanup()
{
    delete m_env;
    m_env = nullptr;
}

void TestLongToShort::jobOfThreeClips()
{
    // Without the worker running, every upload waits in the queue until the job is recorded.
    IKSCloudDisk *service = m_env->startService(false);
    QVERIFY(m_env->logIn(service));
    KSCloudDiskViewPresenter *p = service->getPresenter();
    KSLongToShortCloudDiskDataCenter *center = p->getLontToShortDataCenter();
    QCOMPARE(center->parent(), p);
    QCOMPARE(p->getLontToShortDataCenter(), center);
    TestLongToShortEditor editor;
    KSVBLMODEL::setAILongToShortEditor(&editor);
    const EditorGoesFirst editorGoesFirst;

    QMap<QString, QString> fileIds;
    connect(p, &KSCloudDiskViewPresenter::taskProgressChanged, center,
        &KSLongToShortCloudDiskDataCenter::taskProgressChanged);
    connect(p, &KSCloudDiskViewPresenter::uploadFinished, this,
        [center, &fileIds](const QString &taskId, const QString &fileId) {
            fileIds.insert(taskId, fileId);
            QString key, group;
            center->taskUploadFinished(key, group, fileId, taskId);
        });
    QMap<QString, int> progressAfterFailure;
    connect(p, QOverload<const QString &, bool, int>::of(&KSCloudDiskViewPresenter::taskFailed), this,
        [center, &progressAfterFailure](const QString &taskId) {
            QString key, group;
            center->taskFailed(key, group, taskId);
            progressAfterFailure.insert(key, center->getLongToShortUploadTaskInfoMap().value(key).uploadProgress);
        });

    const QString clip1 = m_env->path("missing.bin"), clip2 = m_env->path("clip2.bin"),
                  clip3 = m_env->path("clip3.bin");
    for (const QString &clip : {clip2, clip3}) {
        QFile f(clip);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(clip == clip2 ? 200000 : 400000, 'v')) > 0);
    }
    // The worker takes the newest first: the missing clips fail before the others move a byte.
    const QString t2 = p->uploadCutLongToShortFile("clip2", clip2, "/", KeepBoth);
    const QString t3 = p->uploadCutLongToShortFile("clip3", clip3, "/", KeepBoth);
    const QString t1 = p->uploadCutLongToShortFile("clip1", clip1, "/", KeepBoth);
    const QString lone = p->uploadCutLongToShortFile("lone", clip1, "/", KeepBoth);

    KLongToShortUploadTaskInfo job;
    job.userValue = 7;
    job.result = "result-1";
    job.parts.insert("g1", {part(t1, clip1), part(t2, clip2)});
    job.parts.insert("g2", {part(t3, clip3)});
    center->insertLongToShortTaskInfo("job", job);
    KLongToShortUploadTaskInfo single;
    single.parts.insert("g", {part(lone, clip1)});
    center->insertLongToShortTaskInfo("single", single);

    // Combined progress: the mean of the clips in whole percent, a clip reaching 100 only when it
    // ends; strangers change nothing.
    center->taskProgressChanged(t2, 1000, 405);
    center->taskProgressChanged(t3, 1000, 1000);
    center->taskProgressChanged("stranger", 1000, 1000);
    QCOMPARE(center->getLongToShortUploadTaskInfoMap().value("job").uploadProgress, (0 + 40 + 99) / 3);

    KSLogCapture log;
    p->startCloudDiskTask();
    QTRY_COMPARE_WITH_TIMEOUT(editor.results.size(), 1, 30000);
    QVERIFY(p->findTask(t2)->status() == Finished && p->findTask(t3)->status() == Finished);
    // A failed clip counts as done for the progress but hands nothing over by itself.
    QCOMPARE(progressAfterFailure.value("job"), (100 + 40 + 99) / 3);
    QCOMPARE(progressAfterFailure.value("single"), 100);

    const KLongToShortUploadTaskInfo done = center->getLongToShortUploadTaskInfoMap().value("job");
    QCOMPARE(done.uploadProgress, 100);
    QCOMPARE(done.userValue, qint64(7));
    QCOMPARE(editor.results.first().key + "|" + editor.results.first().result, QString("job|result-1"));
    QStringList handed;
    for (const KSAILongToShortChangeScriptParam &script : qAsConst(editor.scripts)) {
        for (const KSUsedAssetInfo &asset : script.usedAssets)
            handed << script.groupKey + "|" + asset.fileId + "|" + asset.localPath;
    }
    QVERIFY(!fileIds.value(t2).isEmpty() && !fileIds.value(t3).isEmpty());
    QCOMPARE(handed,
        QStringList(
            {"g1||" + clip1, "g1|" + fileIds.value(t2) + "|" + clip2, "g2|" + fileIds.value(t3) + "|" + clip3}));
    QVERIFY(!done.parts.value("g1").at(0).succeeded);
    QVERIFY(done.parts.value("g1").at(1).succeeded);
    QCOMPARE(log.messages().count("upload task finished, task id = job"), 1);
    QVERIFY(log.messages().contains(QString::fromUtf8("上传进度：100")));
    QCOMPARE(editor.results.size(), 1);
}

QTEST_MAIN(TestLongToShort)
#include "tst_longtoshort.moc"
