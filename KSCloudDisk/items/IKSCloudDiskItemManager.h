// What the editor's item libraries and the plug-in exchange about an item that lives in the cloud:
// the item, the library's manager of that kind of item, and a watcher of one transfer.
#ifndef IKSCLOUDDISKITEMMANAGER_H
#define IKSCLOUDDISKITEMMANAGER_H

#include "KSCloudDiskTypes.h"
#include "kscloudglobal.h"

#include <QString>

// Whether the cloud can be used at all for the signed-in account.
enum CloudLoadState : int {
    CloudLoadNoAccount = -1,
    CloudLoadSignedIn = 0,
    // The account has not opened the cloud service yet.
    CloudLoadNeedOpenService = 1,
    // Neither ready nor waiting to be opened: unavailable, or the opening failed.
    CloudLoadUnavailable = 2,
    CloudLoadReady = 3,
};

// Where an item is with respect to the cloud, as its record shows it.
enum KSCloudItemState : int {
    CloudItemLocal = 1,
    CloudItemInCloud = 2,
    CloudItemUploading = 4,
    CloudItemDownloading = 5,
    CloudItemDownloadFailed = 6,
    CloudItemUploadFailed = 7,
};

// The editor's kinds of finished download; the plug-in always reports a plain one.
enum CloudDiskItemDownloadType : int {
    CloudDiskItemDownloadNormal = 0,
};

// The item's cloud record, kept by the item and written by the plug-in.
struct KSCloudItemRecord {
    QString localFilePath;
    QString fileName;
    int cloudState = CloudItemLocal;
    qint64 totalSize = 0;
    qint64 transSize = 0;
};

// An editor object kept alive by counted references. An item that also is one stays alive while
// the plug-in remembers it.
class KSCLOUDDISK_API IKSVBLObject
{
public:
    virtual void addRef() = 0;
    virtual void release() = 0;

protected:
    ~IKSVBLObject() = default;
};

class KSCLOUDDISK_API IKSCloudDiskItem
{
public:
    virtual QString cloudFileId() const = 0;
    virtual void setCloudFileId(const QString &fileId) = 0;
    virtual void setThumbnailId(const QString &thumbnailId) = 0;
    virtual CloudDiskItemType itemType() const = 0;
    virtual KSCloudItemRecord *cloudRecord() = 0;

protected:
    // Items belong to the editor; nobody deletes one through this interface.
    ~IKSCloudDiskItem() = default;
};

// One library of the editor: starts the transfers of its items and hears how they ended.
class KSCLOUDDISK_API IKSCloudDiskItemManager
{
public:
    // Both answer the task id of the transfer started, empty when none started.
    virtual QString upload(IKSCloudDiskItem *item) = 0;
    virtual bool share(IKSCloudDiskItem *item) = 0;
    virtual QString download(IKSCloudDiskItem *item) = 0;
    virtual void downloadThumbnail(IKSCloudDiskItem *item, const QString &savePath) = 0;
    virtual bool deleteItem(IKSCloudDiskItem *item) = 0;
    virtual bool rename(IKSCloudDiskItem *item, const QString &name) = 0;
    virtual bool preview(IKSCloudDiskItem *item) = 0;
    virtual void loadFromCloud() = 0;
    virtual bool onUploadFinished(IKSCloudDiskItem *item) = 0;
    virtual void onDownloadFinished(IKSCloudDiskItem *item, CloudDiskItemDownloadType type) = 0;
    virtual void onRemoveFinished(const QString &fileId) = 0;
    virtual void autoSync(CloudDiskItemType type) = 0;
    virtual void updateView() = 0;
    virtual IKSCloudDiskItem *getCloudDiskItemByPath(const QString &path) = 0;
    // The upload of a folder item has made its cloud folder: true lets the upload go on.
    virtual bool afterCreateFolder(IKSCloudDiskItem *item) = 0;

protected:
    ~IKSCloudDiskItemManager() = default;
};

// Watches one task; told on the GUI thread.
class KSCLOUDDISK_API IKSCloudDiskTaskObserver
{
public:
    virtual ~IKSCloudDiskTaskObserver() = default;
    virtual void onTaskFinished() = 0;
    virtual void onTaskFailed() = 0;
    virtual void onProgressChanged(qint64 totalSize, qint64 transSize) = 0;
};

#endif
