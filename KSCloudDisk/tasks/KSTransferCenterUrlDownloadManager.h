#ifndef KSTRANSFERCENTERURLDOWNLOADMANAGER_H
#define KSTRANSFERCENTERURLDOWNLOADMANAGER_H

#include "KSTransferCenterThumbnailManager.h"

// Fetches cloud thumbnails from their addresses. A failed fetch is tried again after everything
// else queued; an invalid address is dropped.
class KSCLOUDDISK_API KSTransferCenterUrlDownloadManager : public KSTransferCenterThumbnailManager
{
    Q_OBJECT

public:
    explicit KSTransferCenterUrlDownloadManager(QObject *parent = nullptr);
    // Joins the thread here: once the base destructor runs, handle() is no longer this class's.
    ~KSTransferCenterUrlDownloadManager() override;

protected:
    // source: the thumbnail's address.
    void handle(const QString &taskId, const QString &url) override;
};

#endif
