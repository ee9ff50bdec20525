#include "KSCloudDiskTask.h"

#include "IKSAppInfo.h"
#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDisk.h"
#include "KSCloudDiskTrackEvent.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSConfigEngine.h"
#include "KSDir.h"
#include "KSDriveAnswer.h"
#include "KSLocalMediaItem.h"
#include "KSProject.h"
#include "TQCoreKit.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QSemaphore>
#include <QSet>
#include <QThread>
#include <QUuid>

#include <memory>

namespace {

// Tasks that still exist: a library report for a task already destroyed is dropped instead of
// being delivered to freed memory.
QMutex s_liveMutex;
QSet<const KSCloudDiskTask *> s_liveTasks;
// The ids of those tasks: the sign-in clean-up asks, from the worker thread, whether a transfer of
// the drive still belongs to a task.
QMultiHash<QString, const KSCloudDiskTask *> s_liveIds;

constexpr qint64 kMiB = 1048576;
constexpr int kNoSuchTransfer = 29;
constexpr int kQuotaExceeded = 413002;

// The library's quota refusal is the condition the task's own disk check names: the views and the
// notices know the cloud space by that one code.
int failureCodeOf(int libraryCode)
{
    return libraryCode == kQuotaExceeded ? int(CloudSpaceInsufficient) : libraryCode;
}

QJsonArray tagsOf(const QMap<QString, QVariant> &metadata)
{
    QJsonArray tags;
    for (auto it = metadata.cbegin(); it != metadata.cend(); ++it)
        tags.append(QJsonObject{{it.key(), QJsonValue::fromVariant(it.value())}});
    return tags;
}

} // namespace

KSTaskCallbackInfo KSTaskCallbackInfo::parse(const QString &info)
{
    const QJsonObject o = QJsonDocument::fromJson(info.toUtf8()).object();
    const QJsonObject all = o.value(QLatin1String("all")).toObject();
    const QJsonObject current = o.value(QLatin1String("current")).toObject();
    KSTaskCallbackInfo r;
    r.status = o.value(QLatin1String("status")).toInt(-1);
    r.code = o.value(QLatin1String("code")).toInt(-1);
    r.totalSize = all.value(QLatin1String("total_size")).toVariant().toLongLong();
    r.transferredSize = all.value(QLatin1String("transferred_size")).toVariant().toLongLong();
    r.currentStatus = current.value(QLatin1String("status")).toInt(-1);
    r.currentCode = current.value(QLatin1String("code")).toInt(0);
    r.originPath = current.value(QLatin1String("origin_path")).toString();
    r.fileId = current.value(QLatin1String("file_id")).toString();
    r.path = current.value(QLatin1String("path")).toString();
    r.contentHash = current.value(QLatin1String("content_hash")).toString();
    r.contentHashName = current.value(QLatin1String("content_hash_name")).toString();
    return r;
}

KSCloudDiskTask::KSCloudDiskTask(QObject *parent, const QString &name, int operation, int overwrite)
    : KSCDBaseTask(parent)
    , m_timeStamp(QDateTime::currentMSecsSinceEpoch())
    , m_taskId(QUuid::createUuid().toString())
    , m_name(name)
    , m_operation(operation)
    , m_overwrite(overwrite)
{
    QMutexLocker lock(&s_liveMutex);
    s_liveTasks.insert(this);
    s_liveIds.insert(m_taskId, this);
}

KSCloudDiskTask::~KSCloudDiskTask()
{
    QMutexLocker lock(&s_liveMutex);
    s_liveTasks.remove(this);
    s_liveIds.remove(m_taskId, this);
}

void KSCloudDiskTask::setTaskId(const QString &taskId)
{
    QMutexLocker lock(&s_liveMutex);
    s_liveIds.remove(m_taskId, this);
    m_taskId = taskId;
    s_liveIds.insert(m_taskId, this);
}

bool KSCloudDiskTask::isLiveTaskId(const QString &taskId)
{
    QMutexLocker lock(&s_liveMutex);
    return s_liveIds.contains(taskId);
}

QString KSCloudDiskTask::failedReason() const
{
    QMutexLocker lock(&m_reasonMutex);
    return m_failedReason;
}

void KSCloudDiskTask::setFailedReason(const QString &reason)
{
    QMutexLocker lock(&m_reasonMutex);
    m_failedReason = reason;
}

void KSCloudDiskTask::setFailure(int code, const QString &reason)
{
    if (m_failedCode.load() == 0)
        m_failedCode.store(code);
    if (failedReason().isEmpty())
        setFailedReason(reason);
}

void KSCloudDiskTask::setStatus(int status, bool keepFinished)
{
    if (m_status == Finished && status != Finished)
        KSLOG_WARN("error status will be set, %s", qPrintable(m_taskId));
    if (keepFinished && m_status == Finished)
        return;
    m_status.store(status);
    if (status == Waiting || status == Running)
        setFailedReason(QString());
}

bool KSCloudDiskTask::isMediaTask() const
{
    const int type = fileType();
    return type == VideoFile || type == CloudMediaFile || type == LongToShortFile || type == AudioToVideoFile;
}

QString KSCloudDiskTask::shareDownloadFailureText() const
{
    if (m_failedCode == 19 || m_failedCode == 24)
        return tr("Sorry, the file is corrupted!");
    if (isShareInvalid())
        return tr("The file is no longer available, please contact the sharer to re-share it.");
    return tr("Your computer seems to be offline,causing a connection error.Please check your connection and "
              "try again.");
}

bool KSCloudDiskTask::prepareUploadPath()
{
    return false;
}

void KSCloudDiskTask::setNewName(const QString &name)
{
    m_newName = name;
}

bool KSCloudDiskTask::isPresetTask() const
{
    return false;
}

QString KSCloudDiskTask::trackingTypeName() const
{
    return QString();
}

QString KSCloudDiskTask::trackingPresetName() const
{
    return QString();
}

QMap<QString, QVariant> KSCloudDiskTask::mediaMetadata() const
{
    QMap<QString, QVariant> tags;
    const QFileInfo file(filePath());
    if (!file.exists())
        return tags;
    std::unique_ptr<IKSLocalMediaItem> item(KSLocalMediaItemFactory::createTempLocalMediaItem(filePath()));
    if (!item)
        return tags;
    const KSMediaInfo info = item->mediaInfo();
    if (!info.valid)
        return tags;
    double fps = 0;
    if (info.fpsNumerator > 0 && info.fpsDenominator > 0) {
        fps = info.fpsNumerator == 24000 && info.fpsDenominator == 1001
            ? 23.97
            : double(info.fpsNumerator) / double(info.fpsDenominator);
    }
    tags.insert(QStringLiteral("frame_count"), QString::number(info.frameCount));
    tags.insert(QStringLiteral("fps"), QString::number(fps, 'g', 6));
    const int kind = info.streamKind;
    const bool timed = kind == KSMediaVideoOnly || kind == KSMediaAudioOnly || kind == KSMediaVideoAudio;
    if (timed && !info.stillPicture) {
        // Sound alone has no frames to count: its own duration stands in.
        const double seconds = fps > 0 ? double(info.frameCount) / fps : info.durationMs / 1000.0;
        tags.insert(QStringLiteral("media_duration"), QString::number(seconds, 'f', 4));
        if (kind == KSMediaVideoOnly || kind == KSMediaVideoAudio) {
            tags.insert(QStringLiteral("video_width"), QString::number(info.width));
            tags.insert(QStringLiteral("video_height"), QString::number(info.height));
            tags.insert(QStringLiteral("video_codec"), info.videoCodec);
            tags.insert(QStringLiteral("video_framerate"), info.videoFramerate);
            tags.insert(QStringLiteral("video_bitrate"), QString::number(info.videoBitrate));
        }
        if (kind == KSMediaAudioOnly || kind == KSMediaVideoAudio) {
            tags.insert(QStringLiteral("audio_codec"), info.audioCodec);
            tags.insert(QStringLiteral("audio_channels"), QString::number(info.audioChannels));
            tags.insert(QStringLiteral("audio_samplerate"), QString::number(info.audioSampleRate));
            tags.insert(QStringLiteral("audio_bitrate"), QString::number(info.audioBitrate));
        }
    } else if ((timed && info.stillPicture) || kind == KSMediaImage) {
        tags.insert(QStringLiteral("image_width"), QString::number(info.width));
        tags.insert(QStringLiteral("image_height"), QString::number(info.height));
    }
    tags.insert(QStringLiteral("file_source"), KSConfigHelper::GetCBSUrl(QStringLiteral("PID")));
    tags.insert(QStringLiteral("file_created"), QString::number(file.birthTime().toMSecsSinceEpoch()));
    tags.insert(QStringLiteral("file_modified"), QString::number(file.lastModified().toMSecsSinceEpoch()));
    return tags;
}

bool KSCloudDiskTask::hasRecentProjectRecord() const
{
    // The editor records the cloud copy of a recent project: a file id for this path means the
    // cloud already holds this project, which the upload then replaces.
    // The entry belongs to the GUI thread, which may change or delete it at any time: it is read
    // there.
    bool found = false;
    const QString path = filePath();
    auto look = [&found, path] {
        const KSProjectRecentInfo *info = IKSProjectRecentManager::getInstance()->find(path);
        found = info && !info->fileId().isEmpty();
    };
    if (!coordinator() || coordinator()->thread() == QThread::currentThread())
        look();
    else
        const_cast<KSCloudDiskTask *>(this)->callOnCoordinatorThread(look);
    return found;
}

QStringList KSCloudDiskTask::workingFolders() const
{
    return QStringList();
}

void KSCloudDiskTask::removeWorkingFolders() const
{
    for (const QString &folder : workingFolders()) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir() && !QDir(folder).removeRecursively())
            KSLOG_WARN("working folder could not be removed: %s", qPrintable(folder));
    }
}

QStringList KSCloudDiskTask::uploadedFolderIds() const
{
    return m_uploadedFolders.values();
}

void KSCloudDiskTask::clean()
{
    if (!m_tempPath.isEmpty() && QFileInfo(m_tempPath).isDir())
        QDir(m_tempPath).removeRecursively();
}

void KSCloudDiskTask::loadThumbnail()
{
    const QString cached = IKSAppInfo::getInstance()->getFolder(IKSAppInfo::AppFolder) + QStringLiteral("/CloudDisk/")
        + m_taskId + QStringLiteral(".png");
    if (QFileInfo::exists(cached))
        m_thumbnail = QPixmap(cached);
    else if (!m_thumbnailLocalPath.isEmpty() && QFileInfo(m_thumbnailLocalPath).isFile())
        m_thumbnail = QPixmap(m_thumbnailLocalPath);
    m_thumbnailLoaded = true;
}

void KSCloudDiskTask::invokeOnSelf(const char *method)
{
    QMetaObject::invokeMethod(this, method, Qt::AutoConnection);
}

void KSCloudDiskTask::taskFinish()
{
    static_cast<IKSCDBaseTask *>(this)->setStatus(Finished);
    if (KSCloudDiskViewPresenter *c = coordinator())
        emit c->sigTaskStateChanged(this);
}

void KSCloudDiskTask::doTaskStateChanged()
{
    if (KSCloudDiskViewPresenter *c = coordinator())
        c->doTaskStateChanged(this);
}

void KSCloudDiskTask::finish()
{
    static_cast<IKSCDBaseTask *>(this)->setStatus(Finished);
    m_timeStamp = QDateTime::currentMSecsSinceEpoch();
    removeWorkingFolders();
    invokeOnSelf("doTaskStateChanged");
    invokeOnSelf("taskFinish");
    KSCloudDiskViewPresenter *c = coordinator();
    if (!c || isStopping())
        return;
    const QString taskId = m_taskId;
    callOnCoordinatorThread([c, taskId] {
        QMetaObject::invokeMethod(c, "taskProgressFinished", Qt::DirectConnection, Q_ARG(QString, taskId));
    });
}

bool KSCloudDiskTask::callOnCoordinatorThread(const std::function<void()> &fn)
{
    KSCloudDiskViewPresenter *c = coordinator();
    if (!c)
        return false;
    if (c->thread() == QThread::currentThread()) {
        fn();
        return true;
    }
    // Like a blocking queued call, but gives up when the worker is being stopped: the GUI thread may
    // itself be waiting for the worker then, and a plain blocking call would never return. fn may
    // refer to the caller's frame, so once given up it must never run: the guard decides that under
    // one lock.
    struct Guard {
        QMutex mutex;
        bool cancelled = false;
        QSemaphore done;
    };
    auto guard = std::make_shared<Guard>();
    QMetaObject::invokeMethod(
        c,
        [fn, guard]() {
            QMutexLocker lock(&guard->mutex);
            if (!guard->cancelled)
                fn();
            guard->done.release();
        },
        Qt::QueuedConnection);
    while (!guard->done.tryAcquire(1, 20)) {
        if (isStopping() || c->isDestroying()) {
            QMutexLocker lock(&guard->mutex);
            if (guard->done.tryAcquire(1, 0))
                return true;
            guard->cancelled = true;
            return false;
        }
    }
    return true;
}

void KSCloudDiskTask::refreshDiskInfoAfterUpload()
{
    // Not on this thread: two seconds per upload held every queued task back.
    static_cast<KSCloudDisk *>(getCloudDisk())->refreshDiskInfoLater(2000);
}

void KSCloudDiskTask::fail()
{
    static_cast<IKSCDBaseTask *>(this)->setStatus(Failed);
    if (failedReason().isEmpty())
        setFailedReason(tr("The transfer failed (code %1).").arg(m_failedCode.load()));
    clean();
    invokeOnSelf("doTaskStateChanged");
    if (KSCloudDiskViewPresenter *c = coordinator())
        QMetaObject::invokeMethod(c, "taskFailed", Qt::AutoConnection, Q_ARG(QString, m_taskId));
}

QByteArray KSCloudDiskTask::shortRequest() const
{
    return spaceRequest({{QStringLiteral("custom_uid"), m_taskId}});
}

void KSCloudDiskTask::sendAutoSyncFailure(const QString &reason)
{
    const int type = fileType();
    const QString syncType = type == ProjectTemplateFile ? QStringLiteral("media_project_template")
        : type == CustomTitleFile                        ? QStringLiteral("title")
        : type == CustomCompoundClipFile                 ? QStringLiteral("custom_compound_clip")
                                                         : QString();
    KSGeneralEvent(QStringLiteral("auto_sync_to_cloud"))
        .add(QStringLiteral("sync_status"), 0)
        .add(QStringLiteral("sync_file_type"), syncType)
        .add(QStringLiteral("fail_reason"), reason)
        .add(QStringLiteral("error_code"), m_failedCode.load());
}

void KSCloudDiskTask::sendUploadFailedTracking(const QVariant &reason)
{
    const QString suffix = QFileInfo(m_filePath).suffix();
    if (reason.type() == QVariant::Int)
        KSCloudDiskUploadFailedEvent(suffix, m_totalSize, trackingTypeName(), reason.toInt()).sendEvent();
    else
        KSCloudDiskUploadFailedEvent(suffix, m_totalSize, trackingTypeName(), reason.toString()).sendEvent();
}

void KSCloudDiskTask::launch()
{
    // The editor is closing: the task keeps its saved state and the next session runs it. Started
    // now it would only fail its disk check and tell the user about a failure that is none.
    if (KSCloudDiskViewPresenter *c = coordinator(); c && c->isDestroying())
        return;
    if (m_operation == UploadOperation)
        dealWithUpload();
    else
        dealWithDownload();
}

void KSCloudDiskTask::dealWithUpload()
{
    if (m_status == Transferred) {
        afterUpload();
        return;
    }
    if (m_status == Waiting) {
        // A new first stage: what an earlier run failed with no longer holds.
        m_failedCode = 0;
        setFailedReason(QString());
        if (beforeUpload())
            return;
    } else if (m_status == RootFolderSyncFailed) {
        KSLOG_WARN("upload failed. sync folder to crc failed.");
    } else if (startUploadTransfer()) {
        return;
    }
    if (!m_autoSync && m_listed && coordinator()) {
        if (KSCloudDiskViewPresenter *presenter = getCloudDisk()->getPresenter())
            presenter->showMessage(m_operation, m_failedCode.load());
    }
    fail();
}

bool KSCloudDiskTask::beforeUpload()
{
    QString path = filePath();
    if (fileType() == ProjectFile || fileType() == ProjectArchiveFile) {
        if (!prepareUploadPath()) {
            KSLOG_WARN("extract project failed. file_path=%s", qPrintable(filePath()));
            setFailure(ProjectContainerRefused, tr("The project file cannot be unpacked."));
            return false;
        }
        path = m_tempPath;
    }
    if (!QFileInfo::exists(path)) {
        reportUploadFailure(QStringLiteral("file not exist"));
        setFailure(LocalFileMissing, tr("The file does not exist: %1").arg(path));
        return false;
    }
    if (!checkDiskInfo()) {
        KSLOG_WARN("[cloud disk]upload failed, cloud disk not support.");
        return false;
    }
    // A stage that ends without an answer to wait for has failed: left waiting, the task would hold
    // its caller and every later resume for ever.
    QString root;
    if (!getRootFileID(root)) {
        setFailure(CloudFolderUnavailable, tr("The cloud root folder could not be read."));
        return false;
    }
    QString folderId;
    if (!createDir(root, cloudFolder(), folderId, false, QMap<QString, QVariant>())) {
        setFailure(CloudFolderUnavailable,
            tr("The cloud folder \"%1\" could not be created (code %2).").arg(cloudFolder()).arg(m_failedCode.load()));
        return false;
    }
    if (!isMediaTask()) {
        setFileId(folderId);
        KSLOG_INFO(
            "[cloud disk] create root dir success, task_status=%d, file_id=%s", m_status.load(), qPrintable(folderId));
        static_cast<IKSCDBaseTask *>(this)->setStatus(FolderCreated);
        const QString taskId = m_taskId;
        QMetaObject::invokeMethod(this, [this, taskId, folderId]() {
            if (KSCloudDiskViewPresenter *c = coordinator())
                emit c->sigFolderCreated(taskId, folderId);
        });
        return true;
    }
    if (!uploadFile(folderId, filePath(), mediaMetadata())) {
        reportUploadFailure(QStringLiteral("SDK error"));
        fail();
    }
    return true;
}

bool KSCloudDiskTask::startUploadTransfer()
{
    const QString path = fileType() == ProjectFile || fileType() == ProjectArchiveFile ? m_tempPath : filePath();
    bool started = false;
    if (!isMediaTask())
        started = QFileInfo(path).isDir() && upload(false, fileId(), path, false, QMap<QString, QVariant>());
    else
        started = uploadFile(fileId(), path, mediaMetadata());
    if (!started)
        reportUploadFailure(QStringLiteral("SDK error"));
    return started;
}

bool KSCloudDiskTask::checkDiskInfo()
{
    KSCloudDiskViewPresenter *c = coordinator();
    if (c && c->isDestroying())
        return false;
    if (isDownload()) {
        const QString folder = QFileInfo(filePath()).path();
        if (!KSDir::IsPathWriteable(folder)) {
            KSLOG_INFO("path has no write permissions: path = %s", qPrintable(folder));
            m_failedCode = DownloadFolderNotWritable;
            setFailedReason(tr("The download folder is not writable: %1").arg(folder));
            return false;
        }
    }
    IKSCloudDisk *service = getCloudDisk();
    const int refreshed = service->syncRefreshDiskInfo(0);
    if (refreshed != 0) {
        m_failedCode = refreshed;
        setFailedReason(tr("The cloud space could not be read (code %1).").arg(refreshed));
        return false;
    }
    const KSCloudDiskInfo info = service->getDiskInfo();
    // A total of 0 is a space without a quota, not an expired one.
    if (info.totalSize > 0 && info.usedSize / kMiB > info.totalSize / kMiB) {
        if (isDownload())
            return true;
        m_failedCode = MembershipExpired;
        setFailedReason(tr("The cloud membership has expired."));
        sendUploadFailedTracking(QStringLiteral("membership expired"));
        return false;
    }
    if (isDownload())
        return true;
    qint64 size = 0;
    switch (fileType()) {
    case ProjectFile:
    case ProjectArchiveFile:
        size = KSDir::getDirFileTotalSize(m_tempPath);
        break;
    case ProjectTemplateFile:
        size = KSDir::getDirFileTotalSize(filePath());
        break;
    case VideoFile:
    case CloudMediaFile:
        size = QFileInfo(filePath()).size();
        break;
    default:
        break;
    }
    const qint64 freeSize = info.totalSize - info.usedSize;
    if (freeSize < size && info.totalSize >= 1) {
        KSLOG_WARN("upload failed, space is insufficient. fileSize = %lld, freeSize = %lld", size, freeSize);
        m_failedCode = CloudSpaceInsufficient;
        setFailedReason(tr("There is not enough cloud space."));
        sendUploadFailedTracking(QStringLiteral("space is insufficient"));
        return false;
    }
    return true;
}

bool KSCloudDiskTask::getRootFileID(QString &id)
{
    if (isMediaTask()) {
        id = QStringLiteral("root");
        return true;
    }
    const QByteArray request = spaceRequest(QJsonObject());
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_GetProRootFileID(request, out); });
    KSLOG_INFO("CDS_GetProRootFileID: %d", int(answer.result()));
    if (!answer.hasAnswer())
        return false;
    KSLOG_INFO("CDS_GetProRootFileID: %s", answer.logText().constData());
    const QJsonValue fileId = answer.data().toObject().value(QLatin1String("file_id"));
    if (answer.code() != 0 || !fileId.isString())
        return false;
    id = fileId.toString();
    return true;
}

bool KSCloudDiskTask::createDir(
    const QString &parentId, const QString &name, QString &id, bool hidden, const QMap<QString, QVariant> &metadata)
{
    const QByteArray request
        = spaceRequest({{QStringLiteral("parent_file_id"), parentId}, {QStringLiteral("name"), name},
            {QStringLiteral("hidden"), hidden}, {QStringLiteral("tags"), tagsOf(metadata)}});
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_CreateDir(request, out); });
    KSLOG_INFO("CDS_CreateDir: %d", int(answer.result()));
    if (!answer.hasAnswer()) {
        KSLOG_INFO("create dir failed!");
        m_failedCode = FolderCreationUnanswered;
        return false;
    }
    KSLOG_INFO("CDS_CreateDir: %s", answer.logText().constData());
    const int code = answer.code();
    const QJsonValue fileId = answer.data().toObject().value(QLatin1String("file_id"));
    if (code == 0 && fileId.isString()) {
        id = fileId.toString();
        return true;
    }
    if (code != 0)
        m_failedCode = code;
    return false;
}

bool KSCloudDiskTask::getChildFileID(const QString &parentId, const QString &name, bool wantFile, QString &id)
{
    const QByteArray request = spaceRequest({{QStringLiteral("parent_file_id"), parentId}});
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_GetFileList(request, out); });
    KSLOG_INFO("CDS_GetDirList: %d", int(answer.result()));
    if (!answer.hasAnswer())
        return false;
    KSLOG_INFO("CDS_GetDirList: %s", answer.logText().constData());
    if (answer.code() != 0)
        return false;
    const QString wantedType = wantFile ? QStringLiteral("file") : QStringLiteral("folder");
    for (const QJsonValue &value : answer.data().toArray()) {
        const QJsonObject entry = value.toObject();
        if (entry.value(QLatin1String("type")).toString() != wantedType)
            continue;
        if (entry.value(QLatin1String("name")).toString().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QJsonValue fileId = entry.value(QLatin1String("file_id"));
        if (fileId.isString()) {
            id = fileId.toString();
            return true;
        }
    }
    return false;
}

bool KSCloudDiskTask::upload(
    bool isFile, const QString &parentId, const QString &path, bool hidden, const QMap<QString, QVariant> &metadata)
{
    int checkNameMode = 1;
    if (m_overwrite == 1)
        checkNameMode = 5;
    else if (m_overwrite == 2 && hasRecentProjectRecord())
        checkNameMode = 4;
    QJsonObject item{{isMediaTask() ? QStringLiteral("parent_file_id") : QStringLiteral("file_id"), parentId},
        {QStringLiteral("check_name_mode"), checkNameMode}, {QStringLiteral("path"), path},
        {QStringLiteral("hidden"), hidden}, {QStringLiteral("tags"), tagsOf(metadata)}};
    if (isFile)
        item.insert(QStringLiteral("custom_name"), m_name);
    const QByteArray full
        = spaceRequest({{QStringLiteral("custom_uid"), m_taskId}, {QStringLiteral("upload"), QJsonArray{item}}});
    return startTransfer(true, full);
}

bool KSCloudDiskTask::startTransfer(bool isUpload, const QByteArray &full)
{
    // Paused or removed between being taken by the worker and this start: the stage ends without a
    // request.
    if (m_status == Paused || m_status == Cancelled || removed())
        return true;
    const int persisted = ensurePersisted();
    if (persisted < 0)
        return true; // the editor is closing: the next session starts it
    if (persisted == 0) {
        KSLOG_WARN("task list not saved, transfer not started: %s", qPrintable(m_taskId));
        m_failedCode = TaskListNotSaved;
        setFailedReason(tr("The task list could not be saved, so the transfer was not started."));
        static_cast<IKSCDBaseTask *>(this)->setStatus(Failed);
        return false;
    }
    const QByteArray brief = shortRequest();
    auto fresh = isUpload ? &Drive_UploadFile : &Drive_DownloadFile;
    auto resumed = isUpload ? &Drive_ResumeUploadFile : &Drive_ResumeDownloadFile;
    // Set before the library is asked: its first report may reach the task's thread before the
    // call returns, and must not be overwritten by a late "waiting". A removal on the GUI thread in
    // the meantime keeps its "cancelled".
    int current = m_status.load();
    if (current != Cancelled)
        m_status.compare_exchange_strong(current, Waiting);
    m_failedCode = 0;
    int result = 0;
    if (m_restarted) {
        result = resumed(brief.constData(), &KSCloudDiskTask::libraryCallback, this);
        if (isNothingToResume(result))
            result = fresh(full.constData(), &KSCloudDiskTask::libraryCallback, this);
    } else {
        result = fresh(full.constData(), &KSCloudDiskTask::libraryCallback, this);
        if (result == 27)
            result = resumed(brief.constData(), &KSCloudDiskTask::libraryCallback, this);
    }
    if (isUpload)
        KSLOG_INFO("CDS_Upload: %d", result);
    else
        KSLOG_INFO("CDS_Download: %d", result);
    // Removed while the drive stored its plan: the GUI thread's cancel may have found nothing yet.
    if (result == 0 && removed()) {
        KSLOG_INFO("task removed while its transfer started, cancelling: %s", qPrintable(m_taskId));
        abort();
        return true;
    }
    // Only a refusal writes the code: a report handled on the GUI thread since the call may already
    // have set one, which a late 0 must not erase.
    if (result != 0) {
        m_failedCode = failureCodeOf(result);
        setFailedReason(tr("The drive refused the transfer (code %1).").arg(result));
        // A refused start is reported once, by the caller's failure step.
        static_cast<IKSCDBaseTask *>(this)->setStatus(Failed);
    } else {
        invokeOnSelf("doTaskStateChanged");
    }
    return result == 0;
}

int KSCloudDiskTask::ensurePersisted()
{
    KSCloudDiskViewPresenter *c = coordinator();
    if (!m_listed || isPersisted() || !c)
        return 1;
    bool saved = false;
    if (!callOnCoordinatorThread([this, c, &saved] { saved = c->persistTask(this); }))
        return -1;
    return saved ? 1 : 0;
}

bool KSCloudDiskTask::uploadFile(const QString &parentId, const QString &path, const QMap<QString, QVariant> &metadata)
{
    if (!QFileInfo(path).isFile())
        return false;
    return upload(true, parentId, path, false, metadata);
}

bool KSCloudDiskTask::uploadDir(const QString &parentId, const QString &path, const QMap<QString, QVariant> &metadata)
{
    if (!QFileInfo(path).isDir())
        return false;
    return upload(false, parentId, path, false, metadata);
}

bool KSCloudDiskTask::download(bool, const QString &fileId, const QString &saveDir)
{
    QJsonObject item{{QStringLiteral("file_id"), fileId}, {QStringLiteral("save_dir"), saveDir}};
    if (m_overwrite != 2)
        item.insert(QStringLiteral("check_name_mode"), m_overwrite == 1 ? 4 : 1);
    return startTransfer(false,
        spaceRequest({{QStringLiteral("custom_uid"), m_taskId}, {QStringLiteral("download"), QJsonArray{item}}}));
}

bool KSCloudDiskTask::downloadShared(bool, const QString &shareCode, const QString &saveDir)
{
    QJsonObject item{{QStringLiteral("share_id"), shareCode}, {QStringLiteral("save_dir"), saveDir}};
    if (m_overwrite != 2)
        item.insert(QStringLiteral("check_name_mode"), m_overwrite == 1 ? 4 : 1);
    return startTransfer(false,
        spaceRequest({{QStringLiteral("custom_uid"), m_taskId}, {QStringLiteral("download"), QJsonArray{item}}}));
}

bool KSCloudDiskTask::downloadFile(const QString &fileId, const QString &saveDir)
{
    return QFileInfo(saveDir).isDir() && download(true, fileId, saveDir);
}

bool KSCloudDiskTask::downloadDir(const QString &fileId, const QString &saveDir)
{
    return QFileInfo(saveDir).isDir() && download(false, fileId, saveDir);
}

bool KSCloudDiskTask::downloadSharedFile(const QString &shareCode, const QString &saveDir)
{
    return QFileInfo(saveDir).isDir() && downloadShared(true, shareCode, saveDir);
}

bool KSCloudDiskTask::downloadSharedDir(const QString &shareCode, const QString &saveDir)
{
    return QFileInfo(saveDir).isDir() && downloadShared(false, shareCode, saveDir);
}

void KSCloudDiskTask::dealWithDownload()
{
    if (!m_tempPath.isEmpty()) {
        afterDownload();
        return;
    }
    m_failedCode = 0;
    setFailedReason(QString());
    const QString folder = QFileInfo(filePath()).path();
    if (KSDir::getDiskFreeSpace(folder) * kMiB < m_fileSize) {
        m_failedCode = LocalDiskTooSmall;
        setFailedReason(tr("There is not enough space on the local disk."));
        fail();
        return;
    }
    const QString saveDir = localDownloadFolder();
    bool started = false;
    if (m_shareCode.isEmpty()) {
        started = checkDiskInfo() && (isMediaTask() ? downloadFile(fileId(), saveDir) : downloadDir(fileId(), saveDir));
    } else {
        started = isMediaTask() ? downloadSharedFile(m_shareCode, saveDir) : downloadSharedDir(m_shareCode, saveDir);
    }
    if (!started) {
        reportDownloadFailure();
        fail();
    }
}

int KSCloudDiskTask::shortCall(const std::function<int(const char *)> &call, const char *logFormat, int statusOnSuccess)
{
    const QByteArray request = shortRequest();
    const int result = call(request.constData());
    KSLOG_AT(KSBaseLog::defaultLogger(), KSLogInfo, logFormat, result);
    if (result == 0) {
        static_cast<IKSCDBaseTask *>(this)->setStatus(statusOnSuccess);
        m_failedCode = 0;
    }
    return result;
}

int KSCloudDiskTask::pauseUpload()
{
    return pausedOrUnstarted(shortCall(&Drive_PauseUploadFile, "CDS_PauseUpload: %d", Paused));
}

int KSCloudDiskTask::pauseDownload()
{
    return pausedOrUnstarted(shortCall(&Drive_PauseDownloadFile, "CDS_PauseDownload: %d", Paused));
}

int KSCloudDiskTask::pausedOrUnstarted(int result)
{
    // The library knows no transfer of this task yet: it is still queued, and pausing it means the
    // worker must not start it.
    if (result == kNoSuchTransfer && m_status == Waiting) {
        static_cast<IKSCDBaseTask *>(this)->setStatus(Paused);
        m_failedCode = 0;
        return 0;
    }
    return result;
}

int KSCloudDiskTask::resumeUpload()
{
    // With its callback: after a restart the library has no earlier one to keep.
    return shortCall(
        [this](
            const char *request) { return Drive_ResumeUploadFile(request, &KSCloudDiskTask::libraryCallback, this); },
        "CDS_ResumeUpload: %d", Waiting);
}

int KSCloudDiskTask::resumeDownload()
{
    return shortCall(
        [this](
            const char *request) { return Drive_ResumeDownloadFile(request, &KSCloudDiskTask::libraryCallback, this); },
        "CDS_ResumeDownload: %d", Waiting);
}

int KSCloudDiskTask::abortUpload()
{
    return shortCall(&Drive_CancelUploadFile, "CDS_CancelUpload: %d", Cancelled);
}

int KSCloudDiskTask::abortDownload()
{
    return shortCall(&Drive_CancelDownloadFile, "CDS_CancelDownload: %d", Cancelled);
}

int KSCloudDiskTask::pause()
{
    return m_operation == DownloadOperation ? pauseDownload() : pauseUpload();
}

int KSCloudDiskTask::resume()
{
    return m_operation == DownloadOperation ? resumeDownload() : resumeUpload();
}

int KSCloudDiskTask::abort()
{
    return m_operation == DownloadOperation ? abortDownload() : abortUpload();
}

int KSCloudDiskTask::isBePunished()
{
    const QByteArray request = spaceRequest({{QStringLiteral("file_id"), fileId()}});
    const int result = Drive_IsBePunishedFile(request.constData()) ? 1 : 0;
    KSLOG_INFO("CDS_IsBePunished: %d", result);
    return result;
}

void KSCloudDiskTask::libraryCallback(const char *taskId, const char *info, void *context)
{
    if (!context)
        return;
    const QString id = QString::fromUtf8(taskId);
    const QString text = QString::fromUtf8(info);
    auto *task = static_cast<KSCloudDiskTask *>(context);
    QMutexLocker lock(&s_liveMutex);
    if (!s_liveTasks.contains(task))
        return;
    // Posted while the task is known to live; a task destroyed later takes the posted call with it.
    QMetaObject::invokeMethod(
        task, [task, id, text]() { task->taskCallback(id, text); }, Qt::AutoConnection);
}

void KSCloudDiskTask::recordUploadedFolder(const QString &originPath, const QString &fileId)
{
    if (!QFileInfo(originPath).isDir())
        return;
    bool insert = m_uploadedFolders.isEmpty();
    for (auto it = m_uploadedFolders.cbegin(); !insert && it != m_uploadedFolders.cend(); ++it) {
        if (!originPath.startsWith(it.key()))
            insert = true;
    }
    if (insert)
        m_uploadedFolders.insert(originPath, fileId);
}

void KSCloudDiskTask::taskCallback(const QString &taskId, const QString &info)
{
    const KSTaskCallbackInfo report = KSTaskCallbackInfo::parse(info);
    // A report about another transfer (an address reused after a task was destroyed) is not ours.
    if (!taskId.isEmpty() && taskId != m_taskId)
        return;
    if (m_status == Failed || m_status == Cancelled || report.code != 0)
        return;
    KSCloudDiskViewPresenter *c = coordinator();
    switch (report.status) {
    case 1:
        // A progress report that arrives after the completion is history: the task does not go back
        // to running.
        if (m_status == Transferred || m_status == Finished)
            return;
        m_totalSize = report.totalSize;
        m_transSize = report.transferredSize;
        if (report.currentStatus == 3 && !isMediaTask()) {
            if (isUpload()) {
                if (report.originPath.compare(uploadedPath() + QLatin1Char('/'), Qt::CaseInsensitive) == 0) {
                    setFileId(report.fileId);
                    setNewName(isPresetTask() ? m_name : report.path);
                }
                recordUploadedFolder(report.originPath, report.fileId);
            } else if (m_tempPath.isEmpty()) {
                m_tempPath = report.path;
            }
        }
        if (m_status == Paused)
            return;
        if (m_status == Running) {
            if (c)
                emit c->sigTaskStateChanged(this);
        } else {
            static_cast<IKSCDBaseTask *>(this)->setStatus(Running);
            invokeOnSelf("doTaskStateChanged");
        }
        if (c)
            emit c->taskProgressChanged(m_taskId, m_totalSize, m_transSize);
        return;
    case 3:
        // The library tells a completion again to whoever resumes a finished transfer; the task
        // completes once.
        if (m_status == Transferred || m_status == Finished)
            return;
        m_transferCompleted = true;
        m_totalSize = report.totalSize;
        m_transSize = report.transferredSize;
        if (!isMediaTask()) {
            static_cast<IKSCDBaseTask *>(this)->setStatus(Transferred);
            // The completion report names the top item. A resumed transfer does not report the items
            // it finished before, so the item reports alone may have named an inner one or none.
            if (isDownload() && !report.path.isEmpty())
                m_tempPath = report.path;
            if (isUpload() && report.originPath.compare(uploadedPath() + QLatin1Char('/'), Qt::CaseInsensitive) == 0) {
                setFileId(report.fileId);
                setNewName(isPresetTask() ? m_name : report.path);
            }
            const bool ready = isUpload() ? !fileId().isEmpty() : !m_tempPath.isEmpty();
            if (ready) {
                invokeOnSelf("doTaskStateChanged");
                if (c)
                    c->queuedTask(this);
            }
            return;
        }
        if (m_status == Paused)
            return;
        static_cast<IKSCDBaseTask *>(this)->setStatus(Transferred);
        if (isUpload()) {
            setFileId(report.fileId);
            setNewName(report.path);
            m_contentHashName = report.contentHashName;
            m_contentHash = report.contentHash;
        } else {
            m_tempPath = report.path;
        }
        invokeOnSelf("doTaskStateChanged");
        if (c)
            c->queuedTask(this);
        return;
    case 4:
        m_failedCode = failureCodeOf(report.currentCode);
        setFailedReason(tr("The transfer failed (code %1).").arg(report.currentCode));
        // An upload keeps its working copy (an unpacked project): a retry resumes sending it. A
        // download forgets the library's path, so a retry asks the library again.
        // The working folder stays: the drive keeps the failed transfer and its partial files there,
        // and a retry resumes into it. It goes with the task when the task is removed.
        if (isDownload())
            m_tempPath.clear();
        if (isUpload()) {
            KSLOG_INFO("upload error, error code  = %d", m_failedCode.load());
            sendUploadFailedTracking(m_failedCode.load());
            if (m_autoSync)
                sendAutoSyncFailure(QStringLiteral("SDK error"));
        } else {
            if (m_shareCode.isEmpty()) {
                KSCloudDiskDownloadFailedEvent(
                    QFileInfo(m_filePath).suffix(), m_totalSize, fileId(), trackingTypeName(), m_failedCode.load())
                    .sendEvent();
            }
            KSLOG_INFO("download error, error code  = %d", m_failedCode.load());
        }
        static_cast<IKSCDBaseTask *>(this)->setStatus(Failed);
        invokeOnSelf("doTaskStateChanged");
        return;
    case 5:
        m_tempPath.clear();
        return;
    default:
        return;
    }
}

void KSCloudDiskTask::afterUpload()
{
    if (!isMediaTask()) {
        QString id;
        if (getChildFileID(fileId(), QStringLiteral("thumbnail.png"), true, id))
            m_thumbnailFileId = id;
    }
    finish();
    refreshDiskInfoAfterUpload();
}

void KSCloudDiskTask::afterDownload()
{
    bool placed = false;
    if (!isMediaTask()) {
        placed = KSDir::copyDirectoryFiles(m_tempPath, filePath(), true);
        if (placed)
            clean();
    } else {
        // QFile::rename copies and removes when the two folders are on different file systems.
        placed = QFile::rename(m_tempPath, filePath());
    }
    // Reporting a download as done while its data is not where the user expects it would lose it.
    if (!placed) {
        KSLOG_WARN("download finished but could not be placed: %s", qPrintable(filePath()));
        failKeepingDownload();
        return;
    }
    finish();
}

void KSCloudDiskTask::failKeepingDownload()
{
    // Like fail(), but the downloaded copy stays and the task keeps its path to it: a retry tries
    // to put it in place again instead of losing the only copy.
    static_cast<IKSCDBaseTask *>(this)->setStatus(Failed);
    invokeOnSelf("doTaskStateChanged");
    if (KSCloudDiskViewPresenter *c = coordinator())
        QMetaObject::invokeMethod(c, "taskFailed", Qt::AutoConnection, Q_ARG(QString, m_taskId));
}

QString KSCloudDiskTask::uploadedPath() const
{
    return isPresetTask() ? QDir::fromNativeSeparators(filePath()) : m_tempPath;
}
