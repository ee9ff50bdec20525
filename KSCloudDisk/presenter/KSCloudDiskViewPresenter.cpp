#include "KSCloudDiskViewPresenter.h"

#include "KSBaseLog.h"
#include "KSCloudDiskOperationTask.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskTaskWorker.h"
#include "KSCloudDiskTrackEvent.h"

#include <QFileInfo>

#include <algorithm>

class KSCloudDiskViewPresenterPrivate
{
public:
    IKSCloudDisk *service = nullptr;
    QString email;
    bool destroying = false;
    KSCloudDiskTaskWorker *worker = nullptr;
    QList<KSCloudDiskTask *> uploadList;
    QList<KSCloudDiskTask *> downloadList;
    QList<KSCloudDiskTask *> doneList;
};

KSCloudDiskViewPresenter::KSCloudDiskViewPresenter(IKSCloudDisk *service, QObject *parent)
    : QObject(parent)
    , d_ptr(new KSCloudDiskViewPresenterPrivate)
{
    Q_D(KSCloudDiskViewPresenter);
    d->service = service;
    qRegisterMetaType<KSCloudFolderEntries>("KSCloudFolderEntries");
    startCloudDiskTask();
}

void KSCloudDiskViewPresenter::startCloudDiskTask()
{
    Q_D(KSCloudDiskViewPresenter);
    d->worker = new KSCloudDiskTaskWorker(this);
    d->worker->start();
}

void KSCloudDiskViewPresenter::downloadThumb(const QString &fileId, const QString &path)
{
    queuedTask(new KSCloudDiskDownloadThumbTask(this, fileId, path));
}

void KSCloudDiskViewPresenter::removeFile(const QString &fileId)
{
    queuedTask(new KSCloudDiskRemoveFileTask(this, fileId));
}

void KSCloudDiskViewPresenter::deleteFile(const QString &fileId, bool flag, int retryCount)
{
    queuedTask(new KSCloudDiskDeleteFileTask(this, fileId, flag, retryCount));
}

void KSCloudDiskViewPresenter::loadFolderFiles(const QString &fileId, const QString &path)
{
    queuedTask(new KSCloudDiskLoadFolderFilesTask(this, fileId, path));
}

void KSCloudDiskViewPresenter::createDir(const QString &parentId, const QString &name)
{
    queuedTask(new KSCloudDiskCreateDirTask(this, parentId, name));
}

void KSCloudDiskViewPresenter::renameFile(const QString &fileId, const QString &newName)
{
    queuedTask(new KSCloudDiskRenameFileTask(this, fileId, newName));
}

KSCloudDiskViewPresenter::~KSCloudDiskViewPresenter()
{
    Q_D(KSCloudDiskViewPresenter);
    d->destroying = true;
    if (d->worker->isRunning())
        d->worker->stop();
}

IKSCloudDisk *KSCloudDiskViewPresenter::service() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->service;
}

QString KSCloudDiskViewPresenter::email() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->email;
}

void KSCloudDiskViewPresenter::setEmail(const QString &email)
{
    Q_D(KSCloudDiskViewPresenter);
    if (!email.isEmpty() && email == d->email)
        return;
    d->email = email;
    emit sigAccountChanged(email);
}

bool KSCloudDiskViewPresenter::hasRunningTask() const
{
    for (const KSCloudDiskTask *task : findChildren<KSCloudDiskTask *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (task->status() < Paused && !task->removed())
            return true;
    }
    return false;
}

bool KSCloudDiskViewPresenter::isDestroying() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->destroying || d->worker->isDestroying();
}

void KSCloudDiskViewPresenter::pauseAllTask()
{
    for (KSCloudDiskTask *task : findChildren<KSCloudDiskTask *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (task->status() < Paused)
            task->pause();
    }
}

void KSCloudDiskViewPresenter::aboutToQuit()
{
    Q_D(KSCloudDiskViewPresenter);
    d->destroying = true;
    d->worker->stop();
}

KSCloudDiskTask *KSCloudDiskViewPresenter::findTask(const QString &taskId) const
{
    for (KSCloudDiskTask *task : findChildren<KSCloudDiskTask *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (task->taskId() == taskId)
            return task;
    }
    return nullptr;
}

QList<KSCloudDiskTask *> *KSCloudDiskViewPresenter::uploadTaskList()
{
    Q_D(KSCloudDiskViewPresenter);
    d->uploadList.erase(std::remove_if(d->uploadList.begin(), d->uploadList.end(),
                            [](const KSCloudDiskTask *task) { return task->status() == Finished; }),
        d->uploadList.end());
    return &d->uploadList;
}

QList<KSCloudDiskTask *> *KSCloudDiskViewPresenter::downloadTaskList()
{
    Q_D(KSCloudDiskViewPresenter);
    return &d->downloadList;
}

QList<KSCloudDiskTask *> *KSCloudDiskViewPresenter::doneTaskList()
{
    Q_D(KSCloudDiskViewPresenter);
    return &d->doneList;
}

void KSCloudDiskViewPresenter::queuedTask(KSCDBaseTask *task)
{
    Q_D(KSCloudDiskViewPresenter);
    d->worker->addTask(task);
}

void KSCloudDiskViewPresenter::doTaskStateChanged(IKSCDBaseTask *baseTask)
{
    auto *task = dynamic_cast<KSCloudDiskTask *>(baseTask);
    if (!task)
        return;
    int status = task->status();
    if (status == RootFolderSyncFailed) {
        KSLOG_WARN_TO("APP@RES",
            "[cloud disk] sync root folder to crc failed, continu upload. file_id=%s, file_path=%s",
            qPrintable(task->fileId()), qPrintable(task->filePath()));
        task->setStatus(Failed, true);
        // Reported as the failure it now is; otherwise nothing would ever tell the views.
        status = Failed;
    } else if (status == RootFolderSynced && task->isUpload()) {
        KSLOG_INFO_TO("APP@RES",
            "[cloud disk] sync root folder to crc success, continu upload. file_id=%s, file_path=%s",
            qPrintable(task->fileId()), qPrintable(task->filePath()));
        queuedTask(task);
    }
    if (task->listed() && !task->removed() && status <= Failed)
        emit sigTaskStateChanged(task);
    switch (status) {
    case Running:
        emit taskProgressChanged(task->taskId(), task->totalSize(), task->transSize());
        break;
    case Transferred:
        emit taskFinished(task->taskId());
        break;
    case Failed:
        emit taskFailed(task->taskId(), false, task->failedCode());
        break;
    default:
        break;
    }
}

void KSCloudDiskViewPresenter::taskProgressFinished(const QString &taskId)
{
    KSCloudDiskTask *task = findTask(taskId);
    if (!task)
        return;
    task->setStatus(Finished, true);
    const QString suffix = QFileInfo(task->filePath()).suffix();
    if (task->isDownload()) {
        if (!task->shareCode().isEmpty()) {
            emit downloadShareFinished();
        } else {
            KSCloudDiskDownloadSuccessEvent(
                suffix, task->totalSize(), task->fileId(), QString(), false, task->trackingPresetName())
                .sendEvent();
        }
        emit downloadFinished(task->taskId(), task->filePath(), task->name(), task->fileType(), task->fileId());
        return;
    }
    KSCloudDiskUploadSuccessEvent(suffix, task->totalSize(), task->fileId(), QString(), task->trackingPresetName())
        .sendEvent();
    emit uploadFinished(task->taskId(), task->fileId(), task->newName(), task->thumbnailFileId());
}

void KSCloudDiskViewPresenter::showMessage(int operation, int errorCode) const
{
    KSLOG_WARN("Cloud disk operation failed, operation = %d, errorCode = %d", operation, errorCode);
}
