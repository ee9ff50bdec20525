#ifndef KSLONGTOSHORTCLOUDDISKDATACENTER_H
#define KSLONGTOSHORTCLOUDDISKDATACENTER_H

#include "kscloudglobal.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QScopedPointer>
#include <QString>

// One further clip of a long-to-short job.
struct KLongToShortUploadPartInfo {
    QString taskId;
    QString fileId; // filled when its upload ends
    QString localPath;
    bool succeeded = false;
    int progress = 0; // 0-100
};

// One long-to-short job: its own upload and its further clips by group. The editor's own fields
// are carried unchanged.
struct KLongToShortUploadTaskInfo {
    qint64 userValue = 0;
    int uploadProgress = 0; // of the whole job, 0-100
    int userType = 0;
    QString userText;
    QString taskId; // the job's own upload
    QString result; // handed to the editor with the results
    QString fileId; // of the job's own upload, once finished
    int succeeded = 0; // whether the job's own upload succeeded
    int taskProgress = 0; // of the job's own upload, 0-100
    QMap<QString, QList<KLongToShortUploadPartInfo>> parts;
};

class KSLongToShortCloudDiskDataCenterPrivate;

// Keeps per long-to-short job which uploads belong to it and how far each has come, and hands the
// cloud results to the editor's long-to-short editor once all of them have ended. The editor
// inserts the jobs and forwards the presenter's reports of their tasks. GUI thread.
class KSCLOUDDISK_API KSLongToShortCloudDiskDataCenter : public QObject
{
    Q_OBJECT
public:
    explicit KSLongToShortCloudDiskDataCenter(QObject *parent = nullptr);
    ~KSLongToShortCloudDiskDataCenter() override;

    void insertLongToShortTaskInfo(const QString &key, KLongToShortUploadTaskInfo info);
    QMap<QString, KLongToShortUploadTaskInfo> getLongToShortUploadTaskInfoMap() const;

    void taskProgressChanged(const QString &taskId, qlonglong totalSize, qlonglong transSize);
    // key and groupKey receive the job and group of the task (groupKey stays empty for a job's own
    // upload).
    void taskUploadFinished(QString &key, QString &groupKey, const QString &fileId, QString taskId);
    void taskFailed(QString &key, QString &groupKey, const QString &taskId);

private:
    bool updateProgress(const QString &taskId, qlonglong total, qlonglong transferred, QString &key);
    int calculateUploadProgress(const QString &key);
    bool dealwithLongToShortFinishedTaskInfo(
        QString &key, QString &groupKey, const QString &fileId, const QString &taskId, bool succeeded);
    void syncTaskInfoToVBL(const QString &key, const QString &groupKey);

    Q_DECLARE_PRIVATE(KSLongToShortCloudDiskDataCenter)
    QScopedPointer<KSLongToShortCloudDiskDataCenterPrivate> d_ptr;
};

#endif
