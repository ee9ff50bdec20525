#ifndef KSCLOUDDISKITEMMANAGERPROXY_H
#define KSCLOUDDISKITEMMANAGERPROXY_H

#include "IKSCloudDisk.h"
#include "IKSCloudDiskItemManager.h"
#include "IKSTQIDAccount.h"
#include "KSLazySingleton.h"
#include "kscloudglobal.h"

#include <QObject>
#include <QScopedPointer>
#include <QStringList>

#include <optional>

class KSCloudDiskItemManagerProxyPrivate;

// The process-wide link between the editor's item libraries and the cloud. The libraries register
// their managers per item type; the editor asks the proxy about any item, and the proxy routes the
// request to the item's manager, remembers which transfer belongs to which item, keeps the items'
// cloud records in step with the transfers, tells each task's observer, keeps the drive's token
// fresh and knows whether the cloud can be used at all. GUI thread, except where said.
class KSCLOUDDISK_API KSCloudDiskItemManagerProxy : public QObject,
                                                    public IKSTQIDEventObserver,
                                                    public IKSCloudDiskEventObserver,
                                                    public IKSCloudDiskItemManager,
                                                    public KSLazySingleton<KSCloudDiskItemManagerProxy>
{
    Q_OBJECT
public:
    // Created on first call (with the service, when there is none yet); the host's lifetime registry
    // releases it.
    static KSCloudDiskItemManagerProxy *instance();
    static void release();

    // One manager per type: a second one for the same type is refused.
    void registerManager(CloudDiskItemType type, IKSCloudDiskItemManager *manager);
    // Forgets the manager and every item of its type.
    void unRegisterManager(CloudDiskItemType type);
    // Observers are not owned; any thread.
    void registerObserver(const QString &taskId, IKSCloudDiskTaskObserver *observer);
    void unRegisterObserver(const QString &taskId);
    // Under a task id while its transfer runs, under the cloud file id once in the cloud.
    void addCloudDiskItem(const QString &key, IKSCloudDiskItem *item);
    std::optional<IKSCloudDiskItem *> getCloudDiskItem(const QString &key) const;

    CloudLoadState getCloudState() const;
    // True while a manager runs its automatic sync: the tasks it makes are marked as part of it and
    // their failures stay silent. Any thread.
    static bool inAutoSync();
    static void setInAutoSync(bool inAutoSync);
    // The items a library has just read: their records follow whether they are in the cloud. Starts
    // the upload that waited for the sign-in.
    void updateCloudDiskInfo(const QList<IKSCloudDiskItem *> &items);
    void resetCloudDiskInfo();

    // IKSCloudDiskItemManager: routed to the item's manager.
    QString upload(IKSCloudDiskItem *item) override;
    bool share(IKSCloudDiskItem *item) override;
    QString download(IKSCloudDiskItem *item) override;
    void downloadThumbnail(IKSCloudDiskItem *item, const QString &savePath) override;
    bool deleteItem(IKSCloudDiskItem *item) override;
    bool rename(IKSCloudDiskItem *item, const QString &name) override;
    bool preview(IKSCloudDiskItem *item) override;
    void loadFromCloud() override;
    bool onUploadFinished(IKSCloudDiskItem *item) override;
    void onDownloadFinished(IKSCloudDiskItem *item, CloudDiskItemDownloadType type) override;
    void onRemoveFinished(const QString &fileId) override;
    // Runs the type's sync now when the service is ready, or after the next login that finds it so.
    void autoSync(CloudDiskItemType type) override;
    void updateView() override;
    IKSCloudDiskItem *getCloudDiskItemByPath(const QString &path) override;
    bool afterCreateFolder(IKSCloudDiskItem *item) override;

    // The account's events; any thread.
    void onTQIDResponse(KSTQIDResponseCode code) override;
    // The service's; any thread.
    void onCloudDiskOperationDone(KSCloudDiskOperation operation) override;

public slots:
    void slotTaskCancel(const QStringList &taskIds);
    void slotTaskFailed(const QString &taskId, bool userCancel);
    void slotUploadFinished(
        const QString &taskId, const QString &fileId, const QString &newName, const QString &thumbId);
    void slotDownloadFinished(const QString &taskId, const QString &filePath, const QString &fileName, int fileType);
    void slotDownloadThumbFinished(const QString &fileId, const QString &filePath, bool succeed);
    void slotRemoveFinished(const QString &fileId, bool succeed);
    void slotRetryUpload(const QString &taskId, const QString &filePath);
    void slotRetryDownload(const QString &taskId, const QString &fileId);
    void slotProgressChanged(const QString &taskId, qlonglong totalSize, qlonglong transSize);
    void slotFolderCreated(const QString &taskId, const QString &fileId);

private:
    KSCloudDiskItemManagerProxy();
    ~KSCloudDiskItemManagerProxy() override;
    void connectSignals();
    IKSCloudDiskItem *getItemByTaskId(const QString &taskId);
    void operationDone(KSCloudDiskOperation operation);
    // The auto-sync types that waited for the service, run once it is ready.
    void runPendingAutoSync();

    Q_DECLARE_PRIVATE(KSCloudDiskItemManagerProxy)
    QScopedPointer<KSCloudDiskItemManagerProxyPrivate> d_ptr;
};

#endif
