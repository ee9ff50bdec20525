#include "KSCloudDiskContentTask.h"

#include "IKSAppInfo.h"
#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTrackEvent.h"
#include "KSDir.h"
#include "KSLocale.h"
#include "KSTrackEvent.h"
#include "KSZip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const KSCloudDiskContentTask::Kind kProject{"Project/", "Project", "start_page", ""};
const KSCloudDiskContentTask::Kind kArchive{"ProjectArchive/", "ProjectArchive", "start_page", ""};
const KSCloudDiskContentTask::Kind kTemplate{
    "ProjectTemplate/", "ProjectTemplate", "media_project_template", "media_project_template"};
const KSCloudDiskContentTask::Kind kVideo{"My Videos/Cutlane/", "Video", "export_format_set", ""};
const KSCloudDiskContentTask::Kind kTitle{"CustomTitle/", "CustomTitle", "title", "title_preset"};
const KSCloudDiskContentTask::Kind kEffect{"CustomEffect/", "CustomEffect", "effect", "effect_preset"};
const KSCloudDiskContentTask::Kind kAdjustLayer{
    "CustomAdjustLayer/", "CustomAdjustLayer", "custom_adjust_layer", "adjustment_layer_preset"};
const KSCloudDiskContentTask::Kind kCloudMedia{"Cutlane/My Cloud Media", "CloudMedia", "cloud_media", ""};
const KSCloudDiskContentTask::Kind kColor{"CustomColor/", "CustomColor", "custom_color", "color_preset"};
const KSCloudDiskContentTask::Kind kMask{"CustomMask/", "CustomMask", "custom_mask_preset", "mask_preset"};
const KSCloudDiskContentTask::Kind kCompoundClip{
    "CustomCompoundClip/", "CustomCompoundClip", "custom_compound_clip", "compound_clip_preset"};
const KSCloudDiskContentTask::Kind kColorLayer{
    "CustomColorLayer/", "CustomColorLayer", "custom_color_layer", "custom_color_layer_preset"};
const KSCloudDiskContentTask::Kind kLongToShort{"Assets/Cutlane/Video2Short/", "CutLongToShort", "", ""};
const KSCloudDiskContentTask::Kind kAudioToVideo{"Assets/Cutlane/Audio2Video/", "AudioToVideo", "", ""};

// Folder, file type and analytics name of a property preset, by the item type of its manager.
struct PresetKind {
    const char *folder;
    int fileType;
    const char *trackingName;
};

PresetKind presetKind(int itemType)
{
    switch (itemType) {
    case 5:
        return {"CustomColor", CustomColorFile, "color_preset"};
    case 6:
        return {"CustomSpeed", CustomSpeedPresetFile, "speed_ramping_preset"};
    case 7:
        return {"CustomMask", CustomMaskPresetFile, "mask_preset"};
    case 9:
        return {"CustomAIColorPalette", AIColorPaletteFile, "ai_color_palette_preset"};
    default:
        return {"", CustomMaskPresetFile, ""};
    }
}

QString appFolder()
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::AppFolder);
}

QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString ensured(const QString &folder)
{
    QDir().mkpath(folder);
    return folder;
}

} // namespace

KSCloudDiskContentTask::KSCloudDiskContentTask(
    QObject *parent, const QString &name, int operation, int overwrite, const Kind &kind)
    : KSCloudDiskTask(parent, name, operation, overwrite)
    , m_kind(kind)
{ }

void KSCloudDiskContentTask::setDownloadSource(const QString &path, const QString &fileId, qint64 fileSize)
{
    setFilePath(path);
    setFileId(fileId);
    setFileSize(fileSize);
    // The announced size stands for the total until the library reports its own.
    setTotalSize(fileSize);
}

QString KSCloudDiskContentTask::itemName() const
{
    if (isMediaTask())
        return QFileInfo(filePath()).baseName();
    return filePath().section(QLatin1Char('/'), -1);
}

QString KSCloudDiskContentTask::trackingTypeName() const
{
    return QString::fromLatin1(m_kind.typeName);
}

QString KSCloudDiskContentTask::trackingPresetName() const
{
    return QString::fromLatin1(m_kind.presetName);
}

QString KSCloudDiskContentTask::defaultDownloadFolder() const
{
    return ensured(downloadRoot());
}

QString KSCloudDiskContentTask::downloadRoot() const
{
    return appFolder() + QStringLiteral("/CloudDisk/") + QString::fromLatin1(m_kind.downloadName)
        + QStringLiteral("/Download/") + taskId();
}

QStringList KSCloudDiskContentTask::workingFolders() const
{
    // Only a download works in its own folder; an upload sends the user's item where it is.
    return isDownload() ? QStringList{downloadRoot()} : QStringList();
}

qint64 KSCloudDiskContentTask::trackedSize() const
{
    if (isPresetTask())
        return KSDir::getDirFileTotalSize(filePath());
    return QFileInfo(filePath()).size();
}

void KSCloudDiskContentTask::reportUploadFailure(const QString &reason)
{
    KSCloudDiskUploadFailedEvent(
        QFileInfo(filePath()).suffix(), trackedSize(), trackingTypeName(), reason, trackingPresetName())
        .sendEvent();
    const int type = fileType();
    const bool syncedKind = type == ProjectTemplateFile || type == CustomTitleFile || type == CustomEffectFile
        || type == CustomCompoundClipFile;
    if (autoSync() && syncedKind)
        sendAutoSyncFailure(reason);
}

void KSCloudDiskContentTask::reportDownloadFailure()
{
    KSCloudDiskDownloadFailedEvent(
        QFileInfo(filePath()).suffix(), trackedSize(), fileId(), trackingTypeName(), failedCode(), trackingPresetName())
        .sendEvent();
}

void KSCloudDiskContentTask::placeMediaDownload()
{
    const QString downloaded = tempPath();
    QString destination = filePath();
    if (QFileInfo::exists(destination)) {
        if (KSUtility::getQuickFileMD5HexString(destination) == KSUtility::getQuickFileMD5HexString(downloaded)) {
            // The same content is already there: one copy is enough, the working file goes.
            QFile::remove(downloaded);
            finish();
            return;
        }
        const QFileInfo info(destination);
        for (int n = 1;; ++n) {
            destination
                = QStringLiteral("%1/%2_%3.%4").arg(info.path(), info.completeBaseName()).arg(n).arg(info.suffix());
            if (!QFileInfo::exists(destination))
                break;
        }
        setFilePath(destination);
    }
    if (!QFile::rename(downloaded, destination)) {
        KSLOG_WARN("download finished but could not be placed: %s", qPrintable(destination));
        failKeepingDownload();
        return;
    }
    finish();
}

// Projects.

KSCloudDiskProjectTask::KSCloudDiskProjectTask(
    QObject *parent, const QString &name, int operation, int overwrite, const Kind &kind)
    : KSCloudDiskContentTask(parent, name, operation, overwrite, kind)
{ }

KSCloudDiskProjectTask::KSCloudDiskProjectTask(QObject *parent, const QString &path, int overwrite)
    : KSCloudDiskContentTask(parent, fileNameOf(path), UploadOperation, overwrite, kProject)
{
    setFilePath(path);
}

KSCloudDiskProjectTask::KSCloudDiskProjectTask(
    QObject *parent, const QString &path, const QString &fileId, qint64 fileSize)
    : KSCloudDiskContentTask(parent, fileNameOf(path), DownloadOperation, 0, kProject)
{
    setDownloadSource(path, fileId, fileSize);
}

KSCloudDiskProjectTask::KSCloudDiskProjectTask(QObject *parent, const QString &path, const QString &shareCode)
    : KSCloudDiskContentTask(parent, fileNameOf(path), DownloadOperation, 0, kProject)
{
    setFilePath(path);
    setShareCode(shareCode);
}

QString KSCloudDiskProjectTask::cloudFolder() const
{
    return QString::fromLatin1(kind().folder) + itemName();
}

QString KSCloudDiskProjectTask::localDownloadFolder() const
{
    return defaultDownloadFolder();
}

bool KSCloudDiskProjectTask::unpackInto(const QString &uploadRoot)
{
    QDir().mkpath(uploadRoot);
    QString name = QFileInfo(filePath()).completeBaseName().trimmed();
    if (name.isEmpty())
        name = QCoreApplication::translate("KSCloudDiskProjectTask", "Untitled");
    setTempPath(uploadRoot + QLatin1Char('/') + name);
    if (!QFileInfo::exists(filePath())) {
        reportUploadFailure(QStringLiteral("file not exist"));
        setFailure(LocalFileMissing, tr("The file does not exist: %1").arg(filePath()));
        return false;
    }
    if (!KSVblLibzip::ExtractDir(filePath(), tempPath())) {
        // A damaged container must not turn into an empty upload.
        const QString why = KSVblLibzip::lastError();
        KSLOG_WARN("unpack project failed: %s, %s", qPrintable(filePath()), qPrintable(why));
        setFailure(ProjectContainerRefused, tr("The project file cannot be unpacked: %1").arg(why));
        return false;
    }
    return true;
}

bool KSCloudDiskProjectTask::prepareUploadPath()
{
    return unpackInto(uploadRoot());
}

QString KSCloudDiskProjectTask::uploadRoot() const
{
    return appFolder() + QStringLiteral("/CloudDisk/Project/Upload/") + taskId();
}

QStringList KSCloudDiskProjectTask::workingFolders() const
{
    // The unpacked copy of an upload is kept while the task may still be retried; it goes with the
    // finished or removed task.
    return isUpload() ? QStringList{uploadRoot()} : KSCloudDiskContentTask::workingFolders();
}

void KSCloudDiskProjectTask::setNewName(const QString &name)
{
    QString stored = name;
    if (stored.endsWith(QLatin1Char('/')))
        stored.chop(1);
    KSCloudDiskTask::setNewName(stored + QLatin1Char('.') + QFileInfo(filePath()).suffix());
}

QString KSCloudDiskProjectTask::findThumbnail(const QString &projectFolderId)
{
    QString projectFolder;
    if (!getChildFileID(projectFolderId, QStringLiteral("ProjectFolder"), false, projectFolder))
        return QString();
    QString pictures;
    if (!getChildFileID(projectFolder, QStringLiteral("Timeline"), false, pictures)) {
        QString anon;
        if (!getChildFileID(projectFolder, QStringLiteral("Anon"), false, anon)
            || !getChildFileID(anon, QStringLiteral("Cover"), false, pictures))
            return QString();
    }
    QString thumbnail;
    return getChildFileID(pictures, QStringLiteral("thumb.fsthumb"), true, thumbnail) ? thumbnail : QString();
}

void KSCloudDiskProjectTask::afterUpload()
{
    clean();
    const QString thumbnail = findThumbnail(fileId());
    if (!thumbnail.isEmpty())
        setThumbnailFileId(thumbnail);
    finish();
    refreshDiskInfoAfterUpload();
}

QString KSCloudDiskProjectTask::freeDestination() const
{
    const QFileInfo info(filePath());
    QString destination = filePath();
    for (int n = 1; QFileInfo::exists(destination); ++n) {
        destination
            = QStringLiteral("%1/%2 (%3).%4").arg(info.path(), info.completeBaseName()).arg(n).arg(info.suffix());
    }
    return destination;
}

bool KSCloudDiskProjectTask::packTo(const QString &file)
{
    if (KSQuaZip::CompressDirWithUTF8(file, tempPath()))
        return true;
    KSLOG_WARN("pack project failed: %s", qPrintable(file));
    return false;
}

void KSCloudDiskProjectTask::afterDownload()
{
    const QString destination = freeDestination();
    setFilePath(destination);
    // The download stays in its working folder until it is packed: a failed pack loses nothing.
    if (!packTo(destination)) {
        failKeepingDownload();
        return;
    }
    clean();
    finish();
}

// Project archives: a zip that holds a project container beside its media.

KSCloudDiskProjectArchiveTask::KSCloudDiskProjectArchiveTask(QObject *parent, const QString &path, int overwrite)
    : KSCloudDiskProjectTask(parent, fileNameOf(path), UploadOperation, overwrite, kArchive)
{
    setFilePath(path);
}

KSCloudDiskProjectArchiveTask::KSCloudDiskProjectArchiveTask(
    QObject *parent, const QString &path, const QString &fileId, qint64 fileSize)
    : KSCloudDiskProjectTask(parent, fileNameOf(path), DownloadOperation, 0, kArchive)
{
    setDownloadSource(path, fileId, fileSize);
}

KSCloudDiskProjectArchiveTask::KSCloudDiskProjectArchiveTask(
    QObject *parent, const QString &path, const QString &shareCode)
    : KSCloudDiskProjectTask(parent, fileNameOf(path), DownloadOperation, 0, kArchive)
{
    setFilePath(path);
    setShareCode(shareCode);
}

QString KSCloudDiskProjectArchiveTask::cloudFolder() const
{
    const QString item = itemName();
    const int dot = item.lastIndexOf(QLatin1Char('.'));
    return QStringLiteral("ProjectArchive/%1").arg(dot < 0 ? item : item.left(dot));
}

QString KSCloudDiskProjectArchiveTask::localDownloadFolder() const
{
    // Beside the destination, so packing the archive back is a move on the same disk; hidden, as it
    // is ours and not the user's.
    return ensured(QStringLiteral("%1/.%2").arg(QFileInfo(filePath()).path(), taskId()));
}

QString KSCloudDiskProjectArchiveTask::uploadRoot() const
{
    return appFolder() + QStringLiteral("/CloudDisk/ProjectArchive/Upload/") + taskId();
}

QStringList KSCloudDiskProjectArchiveTask::workingFolders() const
{
    if (isUpload())
        return {uploadRoot()};
    return {QStringLiteral("%1/.%2").arg(QFileInfo(filePath()).path(), taskId())};
}

QString KSCloudDiskProjectArchiveTask::innerSuffix() const
{
    return QFileInfo(filePath()).suffix().remove(QStringLiteral("bundle"));
}

QString KSCloudDiskProjectArchiveTask::innerFolderName() const
{
    return QFileInfo(filePath()).completeBaseName() + QLatin1Char('_') + innerSuffix();
}

bool KSCloudDiskProjectArchiveTask::prepareUploadPath()
{
    if (!unpackInto(uploadRoot()))
        return false;
    const QStringList inner
        = QDir(tempPath()).entryList({QStringLiteral("*.") + innerSuffix()}, QDir::Files, QDir::Name);
    if (inner.isEmpty()) {
        KSLOG_WARN("project archive holds no project: %s", qPrintable(filePath()));
        setFailure(ProjectContainerRefused, tr("The project archive holds no project."));
        return false;
    }
    const QString container = tempPath() + QLatin1Char('/') + inner.first();
    if (!KSVblLibzip::ExtractDir(container, tempPath() + QLatin1Char('/') + innerFolderName())) {
        const QString why = KSVblLibzip::lastError();
        KSLOG_WARN("unpack project failed: %s, %s", qPrintable(container), qPrintable(why));
        setFailure(ProjectContainerRefused, tr("The project file cannot be unpacked: %1").arg(why));
        return false;
    }
    return QFile::remove(container);
}

void KSCloudDiskProjectArchiveTask::afterUpload()
{
    clean();
    QString projectFolder;
    if (getChildFileID(fileId(), innerFolderName(), false, projectFolder)) {
        const QString thumbnail = findThumbnail(projectFolder);
        if (!thumbnail.isEmpty())
            setThumbnailFileId(thumbnail);
    }
    finish();
    refreshDiskInfoAfterUpload();
}

void KSCloudDiskProjectArchiveTask::afterDownload()
{
    const QString innerFolder = tempPath() + QLatin1Char('/') + innerFolderName();
    if (QFileInfo(innerFolder).isDir()) {
        const QString container = tempPath() + QLatin1Char('/') + QFileInfo(filePath()).completeBaseName()
            + QLatin1Char('.') + innerSuffix();
        if (!KSQuaZip::CompressDirWithUTF8(container, innerFolder)) {
            KSLOG_WARN("pack project failed: %s", qPrintable(container));
            failKeepingDownload();
            return;
        }
        QDir(innerFolder).removeRecursively();
    }
    KSCloudDiskProjectTask::afterDownload();
}

void KSCloudDiskProjectArchiveTask::clean()
{
    QString path = tempPath();
    if (path.endsWith(QLatin1Char('/')))
        path.chop(1); // the library names folders with a trailing slash
    if (path.isEmpty())
        return;
    const QFileInfo working(path);
    if (working.isDir())
        QDir(path).removeRecursively();
    QDir parentFolder = working.dir();
    if (parentFolder.exists() && parentFolder.isEmpty()) {
        const bool removed = parentFolder.rmdir(parentFolder.absolutePath());
        KSLOG_INFO("download project finished remove cache folder result: %d", int(removed));
    }
}

// Exported videos.

KSCloudDiskVideoTask::KSCloudDiskVideoTask(QObject *parent, const QString &path, int overwrite)
    : KSCloudDiskContentTask(parent, fileNameOf(path), UploadOperation, overwrite, kVideo)
{
    setFilePath(path);
    setFileSize(QFileInfo(path).size());
    setTotalSize(fileSize());
}

KSCloudDiskVideoTask::KSCloudDiskVideoTask(QObject *parent, const QString &path, const QString &fileId, qint64 fileSize)
    : KSCloudDiskContentTask(parent, fileNameOf(path), DownloadOperation, 0, kVideo)
{
    setDownloadSource(path, fileId, fileSize);
}

KSCloudDiskVideoTask::KSCloudDiskVideoTask(QObject *parent, const QString &path, const QString &shareCode)
    : KSCloudDiskContentTask(parent, fileNameOf(path), DownloadOperation, 0, kVideo)
{
    setFilePath(path);
    setShareCode(shareCode);
}

QString KSCloudDiskVideoTask::cloudFolder() const
{
    return QString::fromLatin1(kind().folder);
}

QString KSCloudDiskVideoTask::localDownloadFolder() const
{
    return defaultDownloadFolder();
}

// Presets.

KSCloudDiskPresetTask::KSCloudDiskPresetTask(
    QObject *parent, const QString &path, const QString &name, int overwrite, const Kind &kind)
    : KSCloudDiskContentTask(parent, name.isEmpty() ? fileNameOf(path) : name, UploadOperation, overwrite, kind)
{
    setFilePath(path);
}

KSCloudDiskPresetTask::KSCloudDiskPresetTask(
    QObject *parent, const QString &path, const QString &fileId, const QString &name, qint64 fileSize, const Kind &kind)
    : KSCloudDiskContentTask(parent, name.isEmpty() ? fileNameOf(path) : name, DownloadOperation, 0, kind)
{
    setDownloadSource(path, fileId, fileSize);
}

QString KSCloudDiskPresetTask::cloudFolder() const
{
    return QString::fromLatin1(kind().folder) + itemName();
}

QString KSCloudDiskPresetTask::localDownloadFolder() const
{
    return defaultDownloadFolder();
}

#define KSCLOUDDISK_PRESET_TASK_DEFINITION(Class, KindValue)                                                           \
    Class::Class(QObject *parent, const QString &path, const QString &name, int overwrite)                             \
        : KSCloudDiskPresetTask(parent, path, name, overwrite, KindValue)                                              \
    { }                                                                                                                \
    Class::Class(QObject *parent, const QString &path, const QString &fileId, const QString &name, qint64 fileSize)    \
        : KSCloudDiskPresetTask(parent, path, fileId, name, fileSize, KindValue)                                       \
    { }

KSCLOUDDISK_PRESET_TASK_DEFINITION(KSCloudDiskCustomTitleTask, kTitle)
KSCLOUDDISK_PRESET_TASK_DEFINITION(KSCloudDiskCustomEffectTask, kEffect)
KSCLOUDDISK_PRESET_TASK_DEFINITION(KSCloudDiskCustomAdjustLayerTask, kAdjustLayer)
KSCLOUDDISK_PRESET_TASK_DEFINITION(KSCloudDiskCustomColorTask, kColor)
KSCLOUDDISK_PRESET_TASK_DEFINITION(KSCloudDiskCustomMaskPresetTask, kMask)
KSCLOUDDISK_PRESET_TASK_DEFINITION(KSCloudDiskCustomCompoundClipTask, kCompoundClip)
KSCLOUDDISK_PRESET_TASK_DEFINITION(KSCloudDiskCustomColorLayerTask, kColorLayer)

KSCloudDiskProjectTemplateTask::KSCloudDiskProjectTemplateTask(
    QObject *parent, const QString &path, const QString &name, int overwrite)
    : KSCloudDiskPresetTask(parent, path, name, overwrite, kTemplate)
{ }

KSCloudDiskProjectTemplateTask::KSCloudDiskProjectTemplateTask(
    QObject *parent, const QString &path, const QString &fileId, const QString &name, qint64 fileSize)
    : KSCloudDiskPresetTask(parent, path, fileId, name, fileSize, kTemplate)
{ }

KSCloudDiskProjectTemplateTask::KSCloudDiskProjectTemplateTask(
    QObject *parent, const QString &path, const QString &shareCode, const QString &name)
    : KSCloudDiskPresetTask(parent, path, QString(), name, 0, kTemplate)
{
    setFileId(QString());
    setShareCode(shareCode);
}

// Property presets: the item type decides the folder, the file type and the analytics name.
namespace {
KSCloudDiskContentTask::Kind propertyPresetKind(int itemType)
{
    const PresetKind preset = presetKind(itemType);
    return {"", preset.folder, preset.trackingName, preset.trackingName};
}
} // namespace

KSCloudDiskCustomPresetTask::KSCloudDiskCustomPresetTask(
    QObject *parent, int itemType, const QString &path, const QString &name, int overwrite)
    : KSCloudDiskPresetTask(parent, path, name, overwrite, propertyPresetKind(itemType))
    , m_itemType(itemType)
{ }

KSCloudDiskCustomPresetTask::KSCloudDiskCustomPresetTask(
    QObject *parent, int itemType, const QString &path, const QString &fileId, const QString &name, qint64 fileSize)
    : KSCloudDiskPresetTask(parent, path, fileId, name, fileSize, propertyPresetKind(itemType))
    , m_itemType(itemType)
{ }

int KSCloudDiskCustomPresetTask::fileType() const
{
    return presetKind(m_itemType).fileType;
}

QString KSCloudDiskCustomPresetTask::cloudFolder() const
{
    return QString::fromLatin1(presetKind(m_itemType).folder) + QDir::separator() + itemName();
}

QString KSCloudDiskCustomPresetTask::localDownloadFolder() const
{
    return ensured(downloadRoot());
}

QString KSCloudDiskCustomPresetTask::downloadRoot() const
{
    return appFolder() + QStringLiteral("/CloudDisk/") + QString::fromLatin1(presetKind(m_itemType).folder)
        + QStringLiteral("/Download/") + taskId();
}

// Cloud media.

KSCloudDiskCloudMediaTask::KSCloudDiskCloudMediaTask(
    QObject *parent, const QString &path, const QString &name, const QString &folderPath, int overwrite)
    : KSCloudDiskContentTask(parent, name.isEmpty() ? fileNameOf(path) : name, UploadOperation, overwrite, kCloudMedia)
{
    setFilePath(path);
    setFolderPath(folderPath);
}

KSCloudDiskCloudMediaTask::KSCloudDiskCloudMediaTask(
    QObject *parent, const QString &path, const QString &fileId, qint64 fileSize)
    : KSCloudDiskContentTask(parent, fileNameOf(path), DownloadOperation, 0, kCloudMedia)
{
    setDownloadSource(path, fileId, fileSize);
}

KSCloudDiskCloudMediaTask::KSCloudDiskCloudMediaTask(QObject *parent, const QString &path, const QString &shareCode)
    : KSCloudDiskContentTask(parent, fileNameOf(path), DownloadOperation, 0, kCloudMedia)
{
    setFilePath(path);
    setShareCode(shareCode);
}

QString KSCloudDiskCloudMediaTask::cloudFolder() const
{
    return QString::fromLatin1(kind().folder) + folderPath();
}

QString KSCloudDiskCloudMediaTask::localDownloadFolder() const
{
    return defaultDownloadFolder();
}

void KSCloudDiskCloudMediaTask::afterDownload()
{
    placeMediaDownload();
}

// Long-to-short and audio-to-video results.

KSCloudDiskGeneratedMediaTask::KSCloudDiskGeneratedMediaTask(QObject *parent, const QString &path,
    const QString &folderPath, const QString &name, int overwrite, const Kind &kind)
    : KSCloudDiskContentTask(parent, name.isEmpty() ? fileNameOf(path) : name, UploadOperation, overwrite, kind)
{
    setFilePath(path);
    setFolderPath(folderPath);
}

KSCloudDiskGeneratedMediaTask::KSCloudDiskGeneratedMediaTask(
    QObject *parent, const QString &path, const QString &fileId, const Kind &kind)
    : KSCloudDiskContentTask(parent, fileNameOf(path), DownloadOperation, 2, kind)
{
    setFilePath(path);
    setFileId(fileId);
}

QString KSCloudDiskGeneratedMediaTask::cloudFolder() const
{
    return QString::fromLatin1(kind().folder) + folderPath();
}

QString KSCloudDiskGeneratedMediaTask::localDownloadFolder() const
{
    return defaultDownloadFolder();
}

void KSCloudDiskGeneratedMediaTask::afterDownload()
{
    placeMediaDownload();
}

KSCloudDiskCutLongToShortTask::KSCloudDiskCutLongToShortTask(
    QObject *parent, const QString &path, const QString &folderPath, const QString &name, int overwrite)
    : KSCloudDiskGeneratedMediaTask(parent, path, folderPath, name, overwrite, kLongToShort)
{ }

KSCloudDiskCutLongToShortTask::KSCloudDiskCutLongToShortTask(
    QObject *parent, const QString &path, const QString &fileId)
    : KSCloudDiskGeneratedMediaTask(parent, path, fileId, kLongToShort)
{ }

KSCloudDiskAudioToVideoTask::KSCloudDiskAudioToVideoTask(
    QObject *parent, const QString &path, const QString &folderPath, const QString &name, int overwrite)
    : KSCloudDiskGeneratedMediaTask(parent, path, folderPath, name, overwrite, kAudioToVideo)
{ }

KSCloudDiskAudioToVideoTask::KSCloudDiskAudioToVideoTask(QObject *parent, const QString &path, const QString &fileId)
    : KSCloudDiskGeneratedMediaTask(parent, path, fileId, kAudioToVideo)
{ }
