#include "KSLongToShortCloudDiskDataCenter.h"

#include "IKSAILongToShortEditor.h"
#include "KSBaseLog.h"

#include <atomic>

namespace {

std::atomic<IKSAILongToShortEditor *> s_editor{nullptr};

} // namespace

IKSAILongToShortEditor *KSVBLMODEL::geAILongToShortEditor()
{
    return s_editor.load();
}

void KSVBLMODEL::setAILongToShortEditor(IKSAILongToShortEditor *editor)
{
    s_editor.store(editor);
}

class KSLongToShortCloudDiskDataCenterPrivate
{
public:
    // Where a task sits: its job and, for a further clip, its group and place in it.
    struct Location {
        QString key;
        QString groupKey;
        int index = -1; // -1: the job's own upload
    };
    bool locate(const QString &taskId, Location &where) const;

    QMap<QString, KLongToShortUploadTaskInfo> jobs;
};

bool KSLongToShortCloudDiskDataCenterPrivate::locate(const QString &taskId, Location &where) const
{
    if (taskId.isEmpty())
        return false;
    for (auto job = jobs.cbegin(); job != jobs.cend(); ++job) {
        if (job->taskId == taskId) {
            where = {job.key(), QString(), -1};
            return true;
        }
        for (auto group = job->parts.cbegin(); group != job->parts.cend(); ++group) {
            for (int i = 0; i < group->size(); ++i) {
                if (group->at(i).taskId == taskId) {
                    where = {job.key(), group.key(), i};
                    return true;
                }
            }
        }
    }
    return false;
}

KSLongToShortCloudDiskDataCenter::KSLongToShortCloudDiskDataCenter(QObject *parent)
    : QObject(parent)
    , d_ptr(new KSLongToShortCloudDiskDataCenterPrivate)
{ }

KSLongToShortCloudDiskDataCenter::~KSLongToShortCloudDiskDataCenter() = default;

void KSLongToShortCloudDiskDataCenter::insertLongToShortTaskInfo(const QString &key, KLongToShortUploadTaskInfo info)
{
    Q_D(KSLongToShortCloudDiskDataCenter);
    d->jobs.insert(key, std::move(info));
}

QMap<QString, KLongToShortUploadTaskInfo> KSLongToShortCloudDiskDataCenter::getLongToShortUploadTaskInfoMap() const
{
    Q_D(const KSLongToShortCloudDiskDataCenter);
    return d->jobs;
}

bool KSLongToShortCloudDiskDataCenter::updateProgress(
    const QString &taskId, qlonglong total, qlonglong transferred, QString &key)
{
    Q_D(KSLongToShortCloudDiskDataCenter);
    KSLongToShortCloudDiskDataCenterPrivate::Location where;
    // A size of 0 gives no percentage; such a report changes nothing.
    if (total <= 0 || !d->locate(taskId, where))
        return false;
    // Only its end brings an upload to 100: a job at 100 then means every clip has ended, and the
    // results go to the editor once, with the last clip.
    const int progress = qMin(99, int(double(transferred) / double(total) * 100.0));
    KLongToShortUploadTaskInfo &job = d->jobs[where.key];
    if (where.index < 0)
        job.taskProgress = progress;
    else
        job.parts[where.groupKey][where.index].progress = progress;
    key = where.key;
    return true;
}

int KSLongToShortCloudDiskDataCenter::calculateUploadProgress(const QString &key)
{
    Q_D(KSLongToShortCloudDiskDataCenter);
    const auto it = d->jobs.find(key);
    if (it == d->jobs.end())
        return 0;
    int sum = 0;
    int count = 0;
    for (const QList<KLongToShortUploadPartInfo> &group : qAsConst(it->parts)) {
        for (const KLongToShortUploadPartInfo &part : group) {
            sum += part.progress;
            ++count;
        }
    }
    // A job of its own upload alone goes as far as that upload.
    it->uploadProgress = count > 0 ? sum / count : it->taskProgress;
    return it->uploadProgress;
}

void KSLongToShortCloudDiskDataCenter::taskProgressChanged(
    const QString &taskId, qlonglong totalSize, qlonglong transSize)
{
    QString key;
    if (updateProgress(taskId, totalSize, transSize, key))
        calculateUploadProgress(key);
}

bool KSLongToShortCloudDiskDataCenter::dealwithLongToShortFinishedTaskInfo(
    QString &key, QString &groupKey, const QString &fileId, const QString &taskId, bool succeeded)
{
    Q_D(KSLongToShortCloudDiskDataCenter);
    KSLongToShortCloudDiskDataCenterPrivate::Location where;
    if (!d->locate(taskId, where))
        return false;
    key = where.key;
    groupKey = where.groupKey;
    KLongToShortUploadTaskInfo &job = d->jobs[where.key];
    // An ended upload counts as complete either way: a failed clip must not hold the job back.
    if (where.index < 0) {
        job.succeeded = succeeded;
        job.fileId = fileId;
        job.taskProgress = 100;
    } else {
        KLongToShortUploadPartInfo &part = job.parts[where.groupKey][where.index];
        part.succeeded = succeeded;
        part.fileId = fileId;
        part.progress = 100;
    }
    return true;
}

void KSLongToShortCloudDiskDataCenter::taskUploadFinished(
    QString &key, QString &groupKey, const QString &fileId, QString taskId)
{
    if (!dealwithLongToShortFinishedTaskInfo(key, groupKey, fileId, taskId, true))
        return;
    const int progress = calculateUploadProgress(key);
    KSLOG_INFO("上传进度：%d", progress);
    if (progress != 100)
        return;
    KSLOG_INFO("upload task finished, task id = %s", qUtf8Printable(key));
    syncTaskInfoToVBL(key, groupKey);
}

void KSLongToShortCloudDiskDataCenter::taskFailed(QString &key, QString &groupKey, const QString &taskId)
{
    if (dealwithLongToShortFinishedTaskInfo(key, groupKey, QString(), taskId, false))
        calculateUploadProgress(key);
}

void KSLongToShortCloudDiskDataCenter::syncTaskInfoToVBL(const QString &key, const QString &)
{
    Q_D(KSLongToShortCloudDiskDataCenter);
    IKSAILongToShortEditor *editor = KSVBLMODEL::geAILongToShortEditor();
    if (!editor) {
        KSLOG_WARN("no long-to-short editor for the results of %s", qUtf8Printable(key));
        return;
    }
    const KLongToShortUploadTaskInfo job = d->jobs.value(key);
    editor->changeResults({key, job.fileId, job.result});
    for (auto group = job.parts.cbegin(); group != job.parts.cend(); ++group) {
        KSAILongToShortChangeScriptParam script{key, group.key(), {}};
        for (const KLongToShortUploadPartInfo &part : group.value())
            script.usedAssets.append({part.fileId, part.localPath});
        editor->changeScript(script);
    }
}
