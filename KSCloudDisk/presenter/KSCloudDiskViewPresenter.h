#ifndef KSCLOUDDISKVIEWPRESENTER_H
#define KSCLOUDDISKVIEWPRESENTER_H

#include "KSCloudDiskTypes.h"
#include "KSProject.h"
#include "KSTrackLifeCycle.h"
#include "kscloudglobal.h"

#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QStringList>

class IKSCDBaseTask;
class IKSCloudDisk;
class KSCDBaseTask;
class KSCloudDiskTask;
class KSCloudDiskViewPresenterPrivate;
class KSLongToShortCloudDiskDataCenter;
class KSToolButton;
class QWidget;

// Owns every transfer task of the signed-in account: the lists the transfer center shows, their
// persistence, the hand-off to the worker thread and the editor's transfer requests. Lives on the
// GUI thread; tasks report back to it there.
class KSCLOUDDISK_API KSCloudDiskViewPresenter : public QObject, public kscore::KSTrackLifeCycle
{
    Q_OBJECT
public:
    // The parent is the cloud-disk service, which the presenter works for; it deletes the presenter
    // itself at release, after the drive has shut down.
    explicit KSCloudDiskViewPresenter(QObject *parent = nullptr);
    ~KSCloudDiskViewPresenter() override;

    IKSCloudDisk *service() const;
    QString email() const;
    // Signing in loads the account's lists and restarts what was left; an empty address signs out
    // and retires every task.
    void setEmail(const QString &email);
    // On by default, as the editor expects: a sign-in restarts the unfinished tasks it loads. A host
    // that only looks at the lists turns it off, and restarts them itself when it means to.
    void setRestartOnSignIn(bool restart);
    void restartUnfinishedTasks();
    bool isSaveProject2Cloud() const;
    void setIsSaveProject2Cloud(bool saveToCloud);

    // The editor starts the threads once it is ready for transfers and thumbnails.
    void startCloudDiskTask();
    void startThumbnilTask();
    bool isDestroying() const;
    // Before sign-out: saves the lists and pauses every transfer in the library, statuses kept, so
    // the next sign-in resumes them.
    void pauseAllTask();
    // Before the drive shuts down: final save, worker stopped, transfers paused in the library.
    void aboutToQuit();

    // Lists. The presenter owns the tasks; the lists only point. The upload list first hands its
    // finished tasks on to the done list.
    QList<KSCloudDiskTask *> *uploadTaskList();
    QList<KSCloudDiskTask *> *downloadTaskList();
    QList<KSCloudDiskTask *> *doneTaskList();
    // The tasks the transfer center does not show.
    QList<KSCloudDiskTask *> allTask() const;
    KSCloudDiskTask *findTask(const QString &taskId) const;
    IKSCDBaseTask *findAbstractTask(const QString &taskId) const;
    // The running download of a shared link, or null.
    KSCloudDiskTask *downloadShareTask() const;
    bool hasRunningTask() const;
    // (cloud file id, task id) of each download still waiting or running.
    QList<KSProjectRecentInfo> allRunningTaskFileId() const;

    // Hands a task to the worker's queue; the newest runs first.
    void queuedTask(KSCDBaseTask *task);
    // Writes the task's list now unless the task is already on disk; false when it could not be
    // written. The worker asks before the drive may start the task's transfer.
    bool persistTask(KSCloudDiskTask *task);
    void removeTask(KSCloudDiskTask *task);
    void removeTask(const QList<KSCloudDiskTask *> &tasks);
    // Null means the current share download.
    void removeDownloadShareTask(KSCloudDiskTask *task = nullptr);

    // Handles one status report of a task, on the GUI thread.
    Q_INVOKABLE void doTaskStateChanged(IKSCDBaseTask *task);
    // Tells the user, in a toast, why an operation (1 upload, 2 download) failed.
    void showMessage(int operation, int errorCode) const;

    // Transfer requests. Each answers the new task's id at once; the transfer runs on the worker and
    // its outcome arrives through the signals below.
    QString uploadProject(const QString &filePath, KSTaskOverwriteMode mode);
    QString uploadProjectArchive(const QString &filePath, KSTaskOverwriteMode mode);
    QString uploadProjectTemplate(const QString &name, const QString &folder, KSTaskOverwriteMode mode);
    QString uploadCustomTitle(const QString &name, const QString &folder, KSTaskOverwriteMode mode);
    QString uploadCustomEffect(const QString &name, const QString &folder, KSTaskOverwriteMode mode);
    QString uploadCustomAdjustLayer(const QString &name, const QString &folder, KSTaskOverwriteMode mode);
    QString uploadCustomColor(const QString &name, const QString &folder, KSTaskOverwriteMode mode);
    QString uploadCustomColorLayer(const QString &name, const QString &folder, KSTaskOverwriteMode mode);
    QString uploadCustomMaskPreset(const QString &name, const QString &folder, KSTaskOverwriteMode mode);
    QString uploadCustomCompoundClip(const QString &name, const QString &folder, KSTaskOverwriteMode mode);
    QString uploadPropertyCustomPreset(
        CloudDiskItemType type, const QString &name, const QString &folder, KSTaskOverwriteMode mode);
    QString uploadAudioToVideoFile(
        const QString &name, const QString &filePath, const QString &folderPath, KSTaskOverwriteMode mode);
    QString uploadCutLongToShortFile(
        const QString &name, const QString &filePath, const QString &folderPath, KSTaskOverwriteMode mode);
    QString downloadProject(const QString &fileId, const QString &filePath, qint64 size);
    QString downloadProjectArchive(
        const QString &fileId, const QString &filePath, qint64 size, const QString &thumbnailPath);
    QString downloadProjectTemplate(
        const QString &fileId, const QString &name, const QString &filePath, qint64 size, const QString &thumbnailPath);
    QString downloadCustomTitle(const QString &fileId, const QString &name, const QString &folder, qint64 size);
    QString downloadCustomEffect(const QString &fileId, const QString &name, const QString &folder, qint64 size);
    QString downloadCustomAdjustLayer(const QString &fileId, const QString &name, const QString &folder, qint64 size);
    QString downloadCustomColor(const QString &fileId, const QString &name, const QString &folder, qint64 size);
    QString downloadCustomColorLayer(const QString &fileId, const QString &name, const QString &folder, qint64 size);
    QString downloadCustomMaskPreset(const QString &fileId, const QString &name, const QString &folder, qint64 size);
    QString downloadCustomCompoundClip(const QString &fileId, const QString &name, const QString &folder, qint64 size);
    QString downloadPropertyCustomPreset(
        CloudDiskItemType type, const QString &fileId, const QString &name, const QString &folder, qint64 size);
    QString downloadAudioToVideoFile(const QString &filePath, const QString &fileId);
    QString downloadCutLongToShortFile(const QString &filePath, const QString &fileId);
    QString downloadShareProject(const QString &shareCode, const QString &filePath);
    QString downloadShareProjectArchive(const QString &shareCode, const QString &filePath);
    QString downloadShareProjectTemplate(const QString &shareCode, const QString &name, const QString &filePath);
    QStringList uploadCloudMedia(const QList<KSCloudTaskParam> &params);
    QStringList downloadCloudMedia(const QList<KSCloudTaskParam> &params);
    QStringList uploadVideo(const QList<KSCloudTaskParam> &params);

    // Short cloud operations, run on the worker; each answers with the signal of the same family.
    void downloadThumb(const QString &fileId, const QString &savePath);
    void removeFile(const QString &fileId);
    void deleteFile(const QString &fileId, bool retry, int retryCount = 0);
    void loadFolderFiles(const QString &fileId, const QString &filter);
    void createDir(const QString &parentFileId, const QString &path);
    void renameFile(const QString &fileId, const QString &newName);

    // Blocking look-ups in "Cutlane/My Cloud Media/<subPath>" (created when missing), made before a
    // media upload. Every failure counts as "not there".
    bool checkFolderExist(const QString &folderName, const QString &subPath);
    // Each local folder with its last component renamed "name(1)", "name(2)", ... until it is free in
    // the cloud folder; a drive root "D:/" becomes "D/".
    QStringList renameDuplicateFolders(const QStringList &localFolders, const QString &subPath);

    // The bookkeeping of the long-to-short jobs, made on first call; it lives as long as the presenter.
    KSLongToShortCloudDiskDataCenter *getLontToShortDataCenter();

    // The transfer center. Modes 0, 1 and 3 open that tab; 2 follows an export's upload; any other
    // keeps the tab shown last. Runs modally; thumbnails load only meanwhile.
    void showCloudDiskView(QWidget *parent, int mode);
    void hideDiskCloudView();
    // The window's parent, and the task dialogs' fallback parent while that widget lives.
    void setDlgParent(QWidget *parent);
    void unsetDlgParent(QWidget *parent);
    bool isCloudDiskViewVisible() const;
    QWidget *takeCloudDiskView();
    void closeCloudDiskView();

    // The editor's cloud buttons, showing the state of all transfers.
    void addAssociatedButton(KSToolButton *button);
    void removeAssociatedButton(KSToolButton *button);
    // "N item(s) has been added to the Transfer Center.", whose link opens the matching tab.
    void showBubble(int count, bool isDownload, QWidget *parent);
    void hideBubble();

    // Categories whose cloud search results the editor has loaded.
    bool isCategoryIdLoaded(const qint64 &categoryId) const;
    void removeLoadedCategoryId(const qint64 &categoryId);

public slots:
    void slotStartUploadTask(KSCloudDiskTask *task);
    void slotPauseUploadTask(KSCloudDiskTask *task);
    void slotRetryUploadTask(KSCloudDiskTask *task);
    void slotRemoveUploadTask(KSCloudDiskTask *task);
    void slotStartDownloadTask(KSCloudDiskTask *task);
    void slotPauseDownloadTask(KSCloudDiskTask *task);
    void slotRetryDownloadTask(KSCloudDiskTask *task);
    void slotRemoveDownloadTask(KSCloudDiskTask *task);
    void slotStartAllUploadTask();
    void slotPauseAllUploadTask();
    void slotRemoveAllUploadTask();
    void slotStartAllDownloadTask();
    void slotPauseAllDownloadTask();
    void slotRemoveAllDownloadTask();
    void slotRemoveDoneTask(KSCloudDiskTask *task);
    void slotRemoveAllDoneTask();

signals:
    // Lists.
    void sigUploadTaskCountChanged();
    void sigDownloadTaskCountChanged();
    void sigDoneTaskCountChanged();
    void sigAllUploadTaskStateChanged();
    void sigAllDownloadTaskStateChanged();
    void sigLoadAllTask();
    void sigTaskStateChanged(KSCloudDiskTask *task);
    void taskCancel(const QStringList &taskIds);
    // Whether background (unlisted) uploads or downloads are running.
    void sigCloudDiskStatus(bool isUpload, bool isDownload);
    void retryUpload(const QString &taskId, const QString &filePath, const QString &folderPath, int fileType);
    void sigThumbnilDownloadFinish(const QString &taskId);

    // Task reports.
    void taskProgressChanged(const QString &taskId, qlonglong totalSize, qlonglong transSize);
    void taskFinished(const QString &taskId);
    // A task's own failure step names only itself; the state handling adds the details.
    void taskFailed(const QString &taskId);
    void taskFailed(const QString &taskId, bool userCancel, int errorCode);
    void sigSendTaskErrorType(int errorType, int operationType);
    void uploadFinished(const QString &taskId, const QString &fileId, const QString &newName, const QString &thumbId);
    void uploadVideoFinished(const QString &filePath, const QString &fileId, const QString &newName,
        const QString &hashName, const QString &hash);
    void uploadCloudMediaFinished(const QString &filePath, const QString &fileId, const QString &newName);
    void downloadFinished(
        const QString &taskId, const QString &filePath, const QString &fileName, int fileType, const QString &fileId);
    void downloadCloudMediaFinished(const QString &filePath);
    void downloadShareFinished();
    void sigFolderCreated(const QString &taskId, const QString &fileId);

    // Short operations.
    void downloadThumbFinished(const QString &fileId, const QString &filePath, bool succeed);
    void removeFinished(const QString &fileId, bool succeed);
    // fileList holds a KSCloudFolderEntries.
    void loadFolderFilesFinished(const QString &fileId, const QVariant &fileList);
    void createDirFinished(const QString &fileId, bool succeed, int errCode);
    void renameFinished(const QString &fileId, bool succeed, int errCode);

    // The editor's part: account, token and pages.
    void sigAccountChanged(const QString &email);
    void sigTokenExpire();
    void sigRefreshToken();
    void sigRefreshInfoFinished();
    void sigOpenCutlaneIOPage();
    // The editor opens the page that sells more cloud space; it sets abort when it cannot.
    void sigOpenExpandPage(bool &abort, bool active);
    void sigGetShareUrl(const QString &objectId, QObject *dlg);
    void sigOpenProject(const QString &path);
    void sigLocationProjectTemplate(const QString &path);
    void sigTorrentDownloadFinished(CloudDiskItemType type, const QString &path, const QString &name);
    void sigCloseExportProgressDlg();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void slotTimerOut();

private:
    friend class TestPresenterLists;
    void updateAssociatedButton();
    void adjustPos();
    friend class KSCloudTaskSerializeHelper;
    // The list of that kind as it is, for the serializer.
    QList<KSCloudDiskTask *> *storedList(int kind);
    // Tasks taken out of the lists; they live on for late library reports.
    KSCloudDiskTask *findRemovedTask(const QString &taskId) const;
    // Completion handling; a task's finish step waits for it from the worker thread.
    Q_INVOKABLE void taskProgressFinished(const QString &taskId);
    // Dialogs a task on the worker thread may ask for by name, waiting for the answer.
    Q_INVOKABLE bool taskSpaceNotEnough(KSCloudDiskTask *task, QWidget *parent, qint64 size);
    Q_INVOKABLE void taskBePunished(KSCloudDiskTask *task, QWidget *parent);
    Q_INVOKABLE void taskNotWritable(KSCloudDiskTask *task, QWidget *parent, const QString &path);

    Q_DECLARE_PRIVATE(KSCloudDiskViewPresenter)
    QScopedPointer<KSCloudDiskViewPresenterPrivate> d_ptr;
};

#endif
