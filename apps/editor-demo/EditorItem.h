// One asset of an editor library (a project file, a template or preset folder, a media file) as
// the cloud plug-in sees it: where it lives on disk, its cloud file and its transfer record.
#ifndef EDITORITEM_H
#define EDITORITEM_H

#include "IKSCloudDiskItemManager.h"

#include <QString>

class EditorItem final : public IKSCloudDiskItem
{
public:
    EditorItem(CloudDiskItemType type, const QString &localPath);
    ~EditorItem() = default;

    QString cloudFileId() const override { return m_fileId; }
    void setCloudFileId(const QString &fileId) override { m_fileId = fileId; }
    void setThumbnailId(const QString &thumbnailId) override { m_thumbnailId = thumbnailId; }
    CloudDiskItemType itemType() const override { return m_type; }
    KSCloudItemRecord *cloudRecord() override { return &m_record; }

    const KSCloudItemRecord &record() const { return m_record; }
    QString thumbnailId() const { return m_thumbnailId; }
    QString name() const { return m_name; }
    QString localPath() const { return m_localPath; }
    bool isFolder() const;
    // Bytes on disk, a folder's files summed.
    qint64 localSize() const;
    QString suffix() const;

    // The size the cloud copy had when it was uploaded, for the download request.
    qint64 cloudSize() const { return m_cloudSize; }
    void setCloudSize(qint64 size) { m_cloudSize = size; }
    // The name the cloud gave or the user chose, empty while it is the local name.
    QString cloudName() const { return m_cloudName; }
    void setCloudName(const QString &name) { m_cloudName = name; }

private:
    CloudDiskItemType m_type;
    QString m_localPath;
    QString m_name;
    QString m_fileId;
    QString m_thumbnailId;
    QString m_cloudName;
    qint64 m_cloudSize = 0;
    KSCloudItemRecord m_record;
};

#endif
