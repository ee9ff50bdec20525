#ifndef KSCLOUDDISKTASK_H
#define KSCLOUDDISKTASK_H

#include "KSCDBaseTask.h"

#include <QMap>
#include <QMutex>
#include <QPixmap>
#include <QVariant>

#include <functional>

class KSCloudDiskViewPresenter;

enum KSTaskStatus : int {
    Waiting = 0,
    Running = 1,
    Paused = 2,
    Transferred = 3,
    Failed = 4,
    Cancelled = 5,
    Finished = 6,
    FolderCreated = 7,
    RootFolderSynced = 8,
    RootFolderSyncFailed = 9,
};

enum KSTaskOperation : int {
    UploadOperation = 1,
    DownloadOperation = 2,
};

enum KSCloudFileType : int {
    ProjectFile = 0,
    ProjectArchiveFile = 1,
    ProjectTemplateFile = 2,
    VideoFile = 3,
    CustomTitleFile = 4,
    CustomEffectFile = 5,
    CustomAdjustLayerFile = 6,
    CloudMediaFile = 7,
    CustomColorFile = 8,
    CustomMaskPresetFile = 9,
    CustomSpeedPresetFile = 10,
    CustomCompoundClipFile = 11,
    AIColorPaletteFile = 12,
    LongToShortFile = 13,
    OtherFile = 15,
    AudioToVideoFile = 16,
    CustomColorLayerFile = 17,
};

// Failure codes the plug-in itself stores in failedCode.
enum KSTaskFailure : int {
    LocalDiskTooSmall = 18,
    CloudSpaceInsufficient = 20,
    DownloadFolderNotWritable = 99999000,
    MembershipExpired = 99999001,
    FolderCreationUnanswered = 99999003,
    // The task lists could not be written: a transfer whose task is not on disk would be lost by a
    // crash while the drive kept it.
    TaskListNotSaved = 99999004,
    // The project container cannot be unpacked safely (damaged, or an entry leaving its folder).
    ProjectContainerRefused = 99999005,
    // The cloud folder of the item could not be found or created.
    CloudFolderUnavailable = 99999006,
    LocalFileMissing = 99999007,
};

// One progress, completion or error report of the cloud-drive library.
struct KSTaskCallbackInfo {
    int status = -1;
    int code = -1;
    qint64 totalSize = 0;
    qint64 transferredSize = 0;
    int currentStatus = -1;
    int currentCode = 0;
    QString originPath;
    QString fileId;
    QString path;
    QString contentHash;
    QString contentHashName;

    static KSTaskCallbackInfo parse(const QString &info);
};

// One upload or download from creation to completion. Lives on the GUI thread as a child of the
// coordinator; its stages run on the worker thread (launch) and report back by queued calls.
class KSCLOUDDISK_API KSCloudDiskTask : public KSCDBaseTask
{
    Q_OBJECT
public:
    KSCloudDiskTask(QObject *parent, const QString &name, int operation, int overwrite);
    ~KSCloudDiskTask() override;

    // IKSCDBaseTask
    QString filePath() const override { return m_filePath; }
    int fileType() const override = 0;
    void setStatus(int status) override { m_status.store(status); }

    // The coordinator's setter: a finished task keeps its state when asked to.
    void setStatus(int status, bool keepFinished);

    void launch() override;
    void clean() override;

    virtual bool beforeUpload();
    virtual void afterUpload();
    virtual void afterDownload();
    virtual void reportUploadFailure(const QString &reason) = 0;
    virtual void reportDownloadFailure() = 0;
    virtual bool prepareUploadPath();
    virtual QString cloudFolder() const = 0;
    virtual QString localDownloadFolder() const = 0;
    void loadThumbnail();
    // Folders this task made for itself (unpacked copies, download working folders); removed once
    // the task is finished or removed.
    virtual QStringList workingFolders() const;
    void removeWorkingFolders() const;
    virtual void setNewName(const QString &name);
    virtual bool isPresetTask() const;
    // The names the failure analytics give this kind of item ("title", "title_preset", ...).
    virtual QString trackingTypeName() const;
    virtual QString trackingPresetName() const;
    // The "tags" of a media upload: what the host reads of the file's media information.
    virtual QMap<QString, QVariant> mediaMetadata() const;
    // True when the host's recent-projects list has a record for this item (an overwrite of
    // mode 2 then replaces the cloud copy).
    virtual bool hasRecentProjectRecord() const;

    // Predicates.
    bool isUpload() const { return m_operation == UploadOperation; }
    bool isDownload() const { return m_operation == DownloadOperation; }
    bool isMediaTask() const;
    bool isShareInvalid() const { return m_failedCode == 381405 || m_failedCode == 381413; }
    // What the user is told when the download of a shared link fails: damaged, gone, or offline.
    QString shareDownloadFailureText() const;
    // The library's answer to a resume when it holds no transfer of this task.
    bool isNothingToResume(int code) const { return code == (isUpload() ? 8 : 9); }

    // Library requests of the running task; pause/resume/abort pick the form by operation.
    bool checkDiskInfo();
    bool getRootFileID(QString &id);
    bool createDir(const QString &parentId, const QString &name, QString &id, bool hidden,
        const QMap<QString, QVariant> &metadata);
    bool getChildFileID(const QString &parentId, const QString &name, bool wantFile, QString &id);
    bool upload(bool isFile, const QString &parentId, const QString &path, bool hidden,
        const QMap<QString, QVariant> &metadata);
    bool uploadFile(const QString &parentId, const QString &path, const QMap<QString, QVariant> &metadata);
    bool uploadDir(const QString &parentId, const QString &path, const QMap<QString, QVariant> &metadata);
    bool download(bool isFile, const QString &fileId, const QString &saveDir);
    bool downloadShared(bool isFile, const QString &shareCode, const QString &saveDir);
    bool downloadFile(const QString &fileId, const QString &saveDir);
    bool downloadDir(const QString &fileId, const QString &saveDir);
    bool downloadSharedFile(const QString &shareCode, const QString &saveDir);
    bool downloadSharedDir(const QString &shareCode, const QString &saveDir);
    int pauseUpload();
    int pauseDownload();
    int resumeUpload();
    int resumeDownload();
    int abortUpload();
    int abortDownload();
    int pause();
    int resume();
    int abort();
    int isBePunished();

    // Fields.
    bool retry() const { return m_retry; }
    void setRetry(bool retry) { m_retry = retry; }
    qint64 timeStamp() const { return m_timeStamp; }
    void setTimeStamp(qint64 timeStamp) { m_timeStamp = timeStamp; }
    QString taskId() const { return m_taskId; }
    void setTaskId(const QString &taskId);
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    int operation() const { return m_operation; }
    void setOperation(int operation) { m_operation = operation; }
    int overwrite() const { return m_overwrite; }
    void setOverwrite(int overwrite) { m_overwrite = overwrite; }
    void setFilePath(const QString &path) { m_filePath = path; }
    QString folderPath() const { return m_folderPath; }
    void setFolderPath(const QString &path) { m_folderPath = path; }
    qint64 fileSize() const { return m_fileSize; }
    void setFileSize(qint64 size) { m_fileSize = size; }
    QString shareCode() const { return m_shareCode; }
    void setShareCode(const QString &code) { m_shareCode = code; }
    int status() const { return m_status.load(); }
    int failedCode() const { return m_failedCode.load(); }
    void setFailedCode(int code) { m_failedCode.store(code); }
    // Why the task failed, in words the user can act on; empty while it has not failed.
    QString failedReason() const;
    void setFailedReason(const QString &reason);
    qint64 totalSize() const { return m_totalSize; }
    void setTotalSize(qint64 size) { m_totalSize = size; }
    qint64 transSize() const { return m_transSize; }
    void setTransSize(qint64 size) { m_transSize = size; }
    QString thumbnailFileId() const { return m_thumbnailFileId; }
    void setThumbnailFileId(const QString &id) { m_thumbnailFileId = id; }
    QString newName() const { return m_newName; }
    QString tempPath() const { return m_tempPath; }
    void setTempPath(const QString &path) { m_tempPath = path; }
    QString contentHashName() const { return m_contentHashName; }
    QString contentHash() const { return m_contentHash; }
    QPixmap thumbnail() const { return m_thumbnail; }
    void setThumbnail(const QPixmap &thumbnail) { m_thumbnail = thumbnail; }
    QString thumbnailUrl() const { return m_thumbnailUrl; }
    void setThumbnailUrl(const QString &url) { m_thumbnailUrl = url; }
    QString thumbnailLocalPath() const { return m_thumbnailLocalPath; }
    void setThumbnailLocalPath(const QString &path) { m_thumbnailLocalPath = path; }
    bool thumbnailLoaded() const { return m_thumbnailLoaded; }
    bool queuedOnce() const { return m_queuedOnce; }
    void setQueuedOnce(bool queued) { m_queuedOnce = queued; }
    bool restarted() const { return m_restarted; }
    void setRestarted(bool restarted) { m_restarted = restarted; }
    bool removed() const { return m_removed.load(); }
    void setRemoved(bool removed) { m_removed.store(removed); }
    // Set once the task's list was written with this task in it; read by the worker before it lets
    // the drive start a transfer.
    bool isPersisted() const { return m_persisted.load(); }
    void setPersisted(bool persisted) { m_persisted.store(persisted); }
    bool listed() const { return m_listed; }
    void setListed(bool listed) { m_listed = listed; }
    bool transferCompleted() const { return m_transferCompleted; }
    QMap<QString, QString> uploadedFolders() const { return m_uploadedFolders; }
    // Cloud ids of the recorded folders, in key order.
    QStringList uploadedFolderIds() const;
    bool autoSync() const { return m_autoSync; }
    void setAutoSync(bool autoSync) { m_autoSync = autoSync; }
    void setExtraData(const QString &key, const QVariant &value) { m_extraData.insert(key, value); }
    QVariant extraData(const QString &key) const { return m_extraData.value(key); }
    bool hasExtraData() const { return !m_extraData.isEmpty(); }

    // True when a live task object carries this id (any thread).
    static bool isLiveTaskId(const QString &taskId);

protected:
    // Runs fn on the coordinator's thread and waits for it; false when there is no coordinator or
    // the worker is being stopped (the GUI thread may then be waiting for this thread).
    bool callOnCoordinatorThread(const std::function<void()> &fn);
    // Ends the stage in Failed with a code and a reason, unless a code is already set.
    void setFailure(int code, const QString &reason);
    void finish();
    // The used space changed: the service refreshes its figures a little later, on its own.
    void refreshDiskInfoAfterUpload();
    void fail();
    void failKeepingDownload();
    // The local path an upload sends: the item itself, or its unpacked copy.
    QString uploadedPath() const;
    void sendUploadFailedTracking(const QVariant &reason);
    // The general event of a failed automatic sync, with the kind's sync type.
    void sendAutoSyncFailure(const QString &reason);

private:
    Q_INVOKABLE void taskCallback(const QString &taskId, const QString &info);
    Q_INVOKABLE void taskFinish();
    Q_INVOKABLE void doTaskStateChanged();

    static void libraryCallback(const char *taskId, const char *info, void *context);
    void dealWithUpload();
    bool startUploadTransfer();
    void dealWithDownload();
    bool startTransfer(bool upload, const QByteArray &full);
    // 1 on disk (or not listed), 0 the list could not be written, -1 the editor is closing.
    int ensurePersisted();
    int shortCall(const std::function<int(const char *)> &call, const char *logFormat, int statusOnSuccess);
    int pausedOrUnstarted(int result);
    QByteArray shortRequest() const;
    void recordUploadedFolder(const QString &originPath, const QString &fileId);
    void invokeOnSelf(const char *method);

    bool m_retry = false;
    qint64 m_timeStamp = 0;
    QString m_taskId;
    QString m_name;
    int m_operation = UploadOperation;
    int m_overwrite = 0;
    QString m_filePath;
    QString m_folderPath;
    qint64 m_fileSize = 0;
    QString m_shareCode;
    std::atomic<int> m_status{Waiting};
    std::atomic<int> m_failedCode{0};
    mutable QMutex m_reasonMutex;
    QString m_failedReason;
    qint64 m_totalSize = 0;
    qint64 m_transSize = 0;
    QString m_thumbnailFileId;
    QString m_newName;
    QString m_tempPath;
    QString m_contentHashName;
    QString m_contentHash;
    QPixmap m_thumbnail;
    QString m_thumbnailUrl;
    QString m_thumbnailLocalPath;
    bool m_thumbnailLoaded = false;
    bool m_queuedOnce = false;
    bool m_restarted = false;
    std::atomic<bool> m_removed{false};
    std::atomic<bool> m_persisted{false};
    bool m_listed = false;
    bool m_transferCompleted = false;
    QMap<QString, QString> m_uploadedFolders;
    bool m_autoSync = false;
    QMap<QString, QVariant> m_extraData;
};

#endif
