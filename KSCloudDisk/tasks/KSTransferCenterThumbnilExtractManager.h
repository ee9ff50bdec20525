#ifndef KSTRANSFERCENTERTHUMBNILEXTRACTMANAGER_H
#define KSTRANSFERCENTERTHUMBNILEXTRACTMANAGER_H

#include "KSTransferCenterThumbnailManager.h"

// Makes the thumbnails of local files (project folders, project containers, pictures and videos).
// A folder without a picture is signalled too; the list then shows its default picture.
class KSCLOUDDISK_API KSTransferCenterThumbnilExtractManager : public KSTransferCenterThumbnailManager
{
    Q_OBJECT

public:
    explicit KSTransferCenterThumbnilExtractManager(QObject *parent = nullptr);
    // Joins the thread here: once the base destructor runs, handle() is no longer this class's.
    ~KSTransferCenterThumbnilExtractManager() override;

protected:
    // source: the task's local path.
    void handle(const QString &taskId, const QString &localPath) override;
};

#endif
