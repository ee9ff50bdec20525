// The cloud-disk service as the editor sees it.
#ifndef IKSCLOUDDISK_H
#define IKSCLOUDDISK_H

#include "KSCloudDiskTypes.h"
#include "KSTrackLifeCycle.h"

class QWidget;
class IKSCloudDiskItem;
class KSCloudDiskViewPresenter;

// Told when an account, share or disk-information request of the service has ended, on the
// service's thread. Observers are life-tracked: one destroyed without detaching is skipped.
class KSCLOUDDISK_API IKSCloudDiskEventObserver : public kscore::KSTrackLifeCycle
{
public:
    ~IKSCloudDiskEventObserver() override;
    virtual void onCloudDiskOperationDone(KSCloudDiskOperation operation) = 0;
};

class IKSCloudDisk
{
public:
    virtual void init(const KSCloudDiskInitParam &param) = 0;
    virtual bool isServiceUnavailable() const = 0;
    virtual bool isServiceReady() const = 0;
    virtual bool isServiceOpened() const = 0;
    virtual bool needOpenService() const = 0;
    virtual KSCloudShareResult getShareResult() const = 0;
    virtual KSCloudDiskInfo getDiskInfo() const = 0;
    virtual void registerAccount(const KSCloudAccountParam &param) = 0;
    virtual void updateTqidToken() = 0;
    virtual void setTqidToken(const KSCloudAccountParam &param) = 0;
    virtual void share(const KSCloudShareParam &param) = 0;
    virtual void refreshDiskInfo(const QString &token) = 0;
    virtual void refreshAccount() = 0;
    virtual void clearAccount() = 0;
    virtual int syncRefreshDiskInfo(int delayMs) = 0;
    virtual void updateToken(const QString &token, bool pushToLibrary) = 0;
    virtual bool isLoggingIn() const = 0;
    virtual bool isOpeningService() const = 0;
    virtual bool isSharing() const = 0;
    virtual bool isRefreshingDiskInfo() const = 0;
    virtual QString getDataCenter() const = 0;
    virtual bool waitLoginFinished(QWidget *parent, int mode) = 0;
    virtual bool showActivateDialog(QWidget *parent, bool logInAfterwards) = 0;
    virtual bool showReLoginDialog(QWidget *parent) = 0;
    virtual bool showShareDialog(QWidget *parent, const QString &fileName, const QString &fileId, int kind, qint64 size,
        const QString &suffix, const QString &source)
        = 0;
    virtual bool showRemoveDialog(QWidget *parent, const QString &text) = 0;
    virtual bool showDownloadDialog(QWidget *parent) = 0;
    virtual bool showSelectDownloadAddressDialog(QWidget *parent, QString &path, IKSCloudDiskItem *item) = 0;
    virtual bool confirmQuit(QWidget *parent) = 0;
    virtual bool checkDiskSpace(QWidget *parent, qint64 requiredBytes) = 0;
    virtual void pauseAllTasks() = 0;
    virtual void showFloatingWidget(QWidget *parent, bool resetPosition) = 0;
    virtual void closeFloatingWidget() = 0;
    virtual bool isFloatingWidgetVisible() const = 0;
    virtual void openBuyStoragePage() = 0;
    virtual void openCutlaneIOPage() = 0;
    virtual KSCloudDiskViewPresenter *getPresenter() const = 0;
    virtual void attach(IKSCloudDiskEventObserver *observer) = 0;
    virtual void detach(IKSCloudDiskEventObserver *observer) = 0;
    virtual void detachAll() = 0;
    // A new request the caller owns.
    virtual KSWebPageRequest *getPurchaseUrl(bool checkStorage) = 0;
    virtual bool ensureServiceReady(QWidget *parent, bool interactive) = 0;
    virtual bool checkServiceReady(QWidget *parent) = 0;
    virtual quint64 getSpaceId() const = 0;
    virtual void fixSpaceIdInJson(QString &json) const = 0;

protected:
    // The service belongs to the host's registry: nobody deletes it through this interface.
    ~IKSCloudDisk() = default;
};

extern "C" {
// The service, created on first call.
KSCLOUDDISK_API IKSCloudDisk *getCloudDisk();
// The service when it exists, else null; never creates one.
KSCLOUDDISK_API IKSCloudDisk *getCloudDiskNoCreate();
}

#endif
