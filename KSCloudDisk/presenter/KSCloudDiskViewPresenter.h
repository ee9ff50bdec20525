#ifndef KSCLOUDDISKVIEWPRESENTER_H
#define KSCLOUDDISKVIEWPRESENTER_H

#include "KSTrackLifeCycle.h"
#include "kscloudglobal.h"

#include <QList>
#include <QObject>
#include <QScopedPointer>

class IKSCDBaseTask;
class IKSCloudDisk;
class KSCDBaseTask;
class KSCloudDiskTask;
class KSCloudDiskViewPresenterPrivate;

// Coordinates the transfer tasks of the signed-in account and tells the editor's views about them.
class KSCLOUDDISK_API KSCloudDiskViewPresenter : public QObject, public kscore::KSTrackLifeCycle
{
    Q_OBJECT
public:
    explicit KSCloudDiskViewPresenter(IKSCloudDisk *service, QObject *parent = nullptr);
    ~KSCloudDiskViewPresenter() override;

    IKSCloudDisk *service() const;
    QString email() const;
    // The account whose task lists are shown; empty when signed out.
    void setEmail(const QString &email);
    bool hasRunningTask() const;
    bool isDestroying() const;
    void pauseAllTask();
    // Stops the worker (cancelling the running transfer) before the service shuts the drive down.
    void aboutToQuit();

    // The task of that id among this coordinator's tasks, or null.
    KSCloudDiskTask *findTask(const QString &taskId) const;
    // The lists the transfer center shows; the coordinator owns the tasks, the lists only point.
    // The upload list first drops its finished tasks.
    QList<KSCloudDiskTask *> *uploadTaskList();
    QList<KSCloudDiskTask *> *downloadTaskList();
    QList<KSCloudDiskTask *> *doneTaskList();
    // Hands a task to the worker's queue.
    void queuedTask(KSCDBaseTask *task);
    // Handles one status report of a task, on the GUI thread.
    Q_INVOKABLE void doTaskStateChanged(IKSCDBaseTask *task);
    // Tells the user, in a toast, why an operation (1 upload, 2 download) failed.
    void showMessage(int operation, int errorCode) const;

    // Short cloud operations, run on the worker; each answers with the signal of the same family.
    void downloadThumb(const QString &fileId, const QString &path);
    void removeFile(const QString &fileId);
    void deleteFile(const QString &fileId, bool flag, int retryCount = 0);
    void loadFolderFiles(const QString &fileId, const QString &path);
    void createDir(const QString &parentId, const QString &name);
    void renameFile(const QString &fileId, const QString &newName);

signals:
    void sigTokenExpire();
    void sigRefreshToken();
    void sigRefreshInfoFinished();
    void sigOpenCutlaneIOPage();
    void sigAccountChanged(const QString &email);
    void sigTaskStateChanged(KSCloudDiskTask *task);
    void sigFolderCreated(const QString &taskId, const QString &fileId);
    void taskProgressChanged(const QString &taskId, qlonglong totalSize, qlonglong transSize);
    void taskFinished(const QString &taskId);
    void taskFailed(const QString &taskId);
    void taskFailed(const QString &taskId, bool userCancel, int errorCode);
    void uploadFinished(const QString &taskId, const QString &fileId, const QString &newName, const QString &thumbId);
    void downloadFinished(
        const QString &taskId, const QString &filePath, const QString &fileName, int fileType, const QString &fileId);
    void downloadShareFinished();
    void downloadThumbFinished(const QString &fileId, const QString &filePath, bool succeed);
    void removeFinished(const QString &fileId, bool succeed);
    // fileList holds a KSCloudFolderEntries.
    void loadFolderFilesFinished(const QString &fileId, const QVariant &fileList);
    void createDirFinished(const QString &fileId, bool succeed, int errCode);
    void renameFinished(const QString &fileId, bool succeed, int errCode);

private:
    // Creates and starts the worker thread that runs every task.
    void startCloudDiskTask();
    // Completion handling; a task's finish step waits for it from the worker thread.
    Q_INVOKABLE void taskProgressFinished(const QString &taskId);

    Q_DECLARE_PRIVATE(KSCloudDiskViewPresenter)
    QScopedPointer<KSCloudDiskViewPresenterPrivate> d_ptr;
};

#endif
