// One transfer task class per kind of asset: where it lives in the cloud, where a download lands
// before it is moved into place, how it is packed, and how its failures are named in analytics.
#ifndef KSCLOUDDISKCONTENTTASK_H
#define KSCLOUDDISKCONTENTTASK_H

#include "KSCloudDiskTask.h"

// Shared behaviour of the content kinds: names, folders and failure analytics from a few values.
class KSCLOUDDISK_API KSCloudDiskContentTask : public KSCloudDiskTask
{
    Q_OBJECT
public:
    void reportUploadFailure(const QString &reason) override;
    void reportDownloadFailure() override;
    QString trackingTypeName() const override;
    QString trackingPresetName() const override;
    QStringList workingFolders() const override;

    // The item's name in its cloud folder: the last path component, or the base name of a media file.
    QString itemName() const;

    struct Kind {
        const char *folder; // cloud folder below the root, before the item name
        const char *downloadName; // "<app>/CloudDisk/<downloadName>/Download/<task id>"
        const char *typeName; // failure analytics
        const char *presetName;
    };

protected:
    KSCloudDiskContentTask(QObject *parent, const QString &name, int operation, int overwrite, const Kind &kind);
    QString defaultDownloadFolder() const;
    // Where defaultDownloadFolder() is, without making it.
    virtual QString downloadRoot() const;
    // The fields every download form sets: destination, cloud file and announced size.
    void setDownloadSource(const QString &path, const QString &fileId, qint64 fileSize);
    // Sizes the failure analytics report: the folder's total for presets, the file's size otherwise.
    qint64 trackedSize() const;
    const Kind &kind() const { return m_kind; }
    // Media downloads: keeps a different file already at the destination and skips a copy of the
    // same content.
    void placeMediaDownload();

private:
    Kind m_kind;
};

class KSCLOUDDISK_API KSCloudDiskProjectTask : public KSCloudDiskContentTask
{
    Q_OBJECT
public:
    KSCloudDiskProjectTask(QObject *parent, const QString &path, int overwrite);
    KSCloudDiskProjectTask(QObject *parent, const QString &path, const QString &fileId, qint64 fileSize);
    KSCloudDiskProjectTask(QObject *parent, const QString &path, const QString &shareCode);
    int fileType() const override { return ProjectFile; }
    QString cloudFolder() const override;
    QString localDownloadFolder() const override;
    bool prepareUploadPath() override;
    void setNewName(const QString &name) override;
    void afterUpload() override;
    void afterDownload() override;
    QStringList workingFolders() const override;

protected:
    // The per-task folder the project is unpacked into for an upload.
    virtual QString uploadRoot() const;
    KSCloudDiskProjectTask(QObject *parent, const QString &name, int operation, int overwrite, const Kind &kind);
    // Unpacks the project file into a working folder named after it.
    bool unpackInto(const QString &uploadRoot);
    // The thumbnail inside an uploaded project folder; empty when any step is missing.
    QString findThumbnail(const QString &projectFolderId);
    // The first name free beside the local path: "a.vqp", "a (1).vqp", "a (2).vqp", ...
    QString freeDestination() const;
    bool packTo(const QString &file);
};

class KSCLOUDDISK_API KSCloudDiskProjectArchiveTask : public KSCloudDiskProjectTask
{
    Q_OBJECT
public:
    KSCloudDiskProjectArchiveTask(QObject *parent, const QString &path, int overwrite);
    KSCloudDiskProjectArchiveTask(QObject *parent, const QString &path, const QString &fileId, qint64 fileSize);
    KSCloudDiskProjectArchiveTask(QObject *parent, const QString &path, const QString &shareCode);
    int fileType() const override { return ProjectArchiveFile; }
    QString cloudFolder() const override;
    QString localDownloadFolder() const override;
    bool prepareUploadPath() override;
    void afterUpload() override;
    void afterDownload() override;
    void clean() override;
    QStringList workingFolders() const override;

protected:
    QString uploadRoot() const override;

private:
    // "vqp" for "vqpbundle": the suffix of the project inside the archive.
    QString innerSuffix() const;
    QString innerFolderName() const;
};

class KSCLOUDDISK_API KSCloudDiskVideoTask : public KSCloudDiskContentTask
{
    Q_OBJECT
public:
    KSCloudDiskVideoTask(QObject *parent, const QString &path, int overwrite);
    KSCloudDiskVideoTask(QObject *parent, const QString &path, const QString &fileId, qint64 fileSize);
    KSCloudDiskVideoTask(QObject *parent, const QString &path, const QString &shareCode);
    int fileType() const override { return VideoFile; }
    QString cloudFolder() const override;
    QString localDownloadFolder() const override;
};

// The preset kinds share their shape: a folder stored under a folder of its kind.
class KSCLOUDDISK_API KSCloudDiskPresetTask : public KSCloudDiskContentTask
{
    Q_OBJECT
public:
    bool isPresetTask() const override { return true; }
    QString cloudFolder() const override;
    QString localDownloadFolder() const override;

protected:
    KSCloudDiskPresetTask(QObject *parent, const QString &path, const QString &name, int overwrite, const Kind &kind);
    KSCloudDiskPresetTask(QObject *parent, const QString &path, const QString &fileId, const QString &name,
        qint64 fileSize, const Kind &kind);
};

#define KSCLOUDDISK_PRESET_TASK(Class, Type)                                                                           \
    class KSCLOUDDISK_API Class : public KSCloudDiskPresetTask                                                         \
    {                                                                                                                  \
    public:                                                                                                            \
        Class(QObject *parent, const QString &path, const QString &name, int overwrite);                               \
        Class(QObject *parent, const QString &path, const QString &fileId, const QString &name, qint64 fileSize);      \
        int fileType() const override { return Type; }                                                                 \
    };

class KSCLOUDDISK_API KSCloudDiskProjectTemplateTask : public KSCloudDiskPresetTask
{
    Q_OBJECT
public:
    KSCloudDiskProjectTemplateTask(QObject *parent, const QString &path, const QString &name, int overwrite);
    KSCloudDiskProjectTemplateTask(
        QObject *parent, const QString &path, const QString &fileId, const QString &name, qint64 fileSize);
    KSCloudDiskProjectTemplateTask(QObject *parent, const QString &path, const QString &shareCode, const QString &name);
    int fileType() const override { return ProjectTemplateFile; }
};

KSCLOUDDISK_PRESET_TASK(KSCloudDiskCustomTitleTask, CustomTitleFile)
KSCLOUDDISK_PRESET_TASK(KSCloudDiskCustomEffectTask, CustomEffectFile)
KSCLOUDDISK_PRESET_TASK(KSCloudDiskCustomAdjustLayerTask, CustomAdjustLayerFile)
KSCLOUDDISK_PRESET_TASK(KSCloudDiskCustomColorTask, CustomColorFile)
KSCLOUDDISK_PRESET_TASK(KSCloudDiskCustomMaskPresetTask, CustomMaskPresetFile)
KSCLOUDDISK_PRESET_TASK(KSCloudDiskCustomCompoundClipTask, CustomCompoundClipFile)
KSCLOUDDISK_PRESET_TASK(KSCloudDiskCustomColorLayerTask, CustomColorLayerFile)

// A property preset of the editor's item managers; its kind follows the item type.
class KSCLOUDDISK_API KSCloudDiskCustomPresetTask : public KSCloudDiskPresetTask
{
    Q_OBJECT
public:
    KSCloudDiskCustomPresetTask(QObject *parent, int itemType, const QString &path, const QString &name, int overwrite);
    KSCloudDiskCustomPresetTask(QObject *parent, int itemType, const QString &path, const QString &fileId,
        const QString &name, qint64 fileSize);
    int fileType() const override;
    int itemType() const { return m_itemType; }
    QString cloudFolder() const override;
    QString localDownloadFolder() const override;

protected:
    QString downloadRoot() const override;

private:
    int m_itemType;
};

class KSCLOUDDISK_API KSCloudDiskCloudMediaTask : public KSCloudDiskContentTask
{
    Q_OBJECT
public:
    KSCloudDiskCloudMediaTask(
        QObject *parent, const QString &path, const QString &name, const QString &folderPath, int overwrite);
    KSCloudDiskCloudMediaTask(QObject *parent, const QString &path, const QString &fileId, qint64 fileSize);
    KSCloudDiskCloudMediaTask(QObject *parent, const QString &path, const QString &shareCode);
    int fileType() const override { return CloudMediaFile; }
    QString cloudFolder() const override;
    QString localDownloadFolder() const override;
    void afterDownload() override;

signals:
    void sigThumbnilFinished();
};

// Results of the editor's long-to-short and audio-to-video tools; they report no failures.
class KSCLOUDDISK_API KSCloudDiskGeneratedMediaTask : public KSCloudDiskContentTask
{
    Q_OBJECT
public:
    QString cloudFolder() const override;
    QString localDownloadFolder() const override;
    void reportUploadFailure(const QString &) override { }
    void reportDownloadFailure() override { }
    void afterDownload() override;

protected:
    KSCloudDiskGeneratedMediaTask(QObject *parent, const QString &path, const QString &folderPath, const QString &name,
        int overwrite, const Kind &kind);
    KSCloudDiskGeneratedMediaTask(QObject *parent, const QString &path, const QString &fileId, const Kind &kind);
};

class KSCLOUDDISK_API KSCloudDiskCutLongToShortTask : public KSCloudDiskGeneratedMediaTask
{
    Q_OBJECT
public:
    KSCloudDiskCutLongToShortTask(
        QObject *parent, const QString &path, const QString &folderPath, const QString &name, int overwrite);
    KSCloudDiskCutLongToShortTask(QObject *parent, const QString &path, const QString &fileId);
    int fileType() const override { return LongToShortFile; }
};

class KSCLOUDDISK_API KSCloudDiskAudioToVideoTask : public KSCloudDiskGeneratedMediaTask
{
    Q_OBJECT
public:
    KSCloudDiskAudioToVideoTask(
        QObject *parent, const QString &path, const QString &folderPath, const QString &name, int overwrite);
    KSCloudDiskAudioToVideoTask(QObject *parent, const QString &path, const QString &fileId);
    int fileType() const override { return AudioToVideoFile; }
};

#endif
