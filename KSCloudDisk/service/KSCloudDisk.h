#ifndef KSCLOUDDISK_H
#define KSCLOUDDISK_H

#include "IKSCloudDisk.h"
#include "KSLazySingleton.h"
#include "KSSubject.h"

#include <QFuture>
#include <QMutex>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <atomic>

class IKSCloudDiskService;
class IKSCloudDiskStateSink;
class KSCloudDiskViewPresenter;
class QTimer;
class QJsonObject;

// The one service object of the plug-in: carries the editor's account into the cloud drive, keeps
// the space figures, runs share requests and tells observers when each request has ended.
class KSCloudDisk : public QObject, public KSLazySingleton<KSCloudDisk>, public IKSCloudDisk
{
    Q_OBJECT
public:
    static KSCloudDisk *instance();
    static KSCloudDisk *create();
    // Deletes the service; the host's registry calls it at shutdown. A later create() builds anew.
    static void release();

    void init(const KSCloudDiskInitParam &param) override;
    bool isServiceUnavailable() const override;
    bool isServiceReady() const override;
    bool isServiceOpened() const override;
    bool needOpenService() const override;
    KSCloudShareResult getShareResult() const override;
    KSCloudDiskInfo getDiskInfo() const override;
    void registerAccount(const KSCloudAccountParam &param) override;
    void updateTqidToken() override;
    void setTqidToken(const KSCloudAccountParam &param) override;
    void share(const KSCloudShareParam &param) override;
    void refreshDiskInfo(const QString &token) override;
    void refreshAccount() override;
    void clearAccount() override;
    int syncRefreshDiskInfo(int delayMs) override;
    void updateToken(const QString &token, bool pushToLibrary) override;
    bool isLoggingIn() const override;
    bool isOpeningService() const override;
    bool isSharing() const override;
    bool isRefreshingDiskInfo() const override;
    QString getDataCenter() const override;
    // The state the one-line queries read; the readiness flows tell SignedOut from Unanswered by it.
    KSCloudServiceState serviceState() const;
    bool waitLoginFinished(QWidget *parent, int mode) override;
    bool showActivateDialog(QWidget *parent, bool logInAfterwards) override;
    bool showReLoginDialog(QWidget *parent) override;
    bool showShareDialog(QWidget *parent, const QString &fileName, const QString &fileId, int kind, qint64 size,
        const QString &suffix, const QString &source) override;
    bool showRemoveDialog(QWidget *parent, const QString &text) override;
    bool showDownloadDialog(QWidget *parent) override;
    bool showSelectDownloadAddressDialog(QWidget *parent, QString &path, IKSCloudDiskItem *item) override;
    bool confirmQuit(QWidget *parent) override;
    bool checkDiskSpace(QWidget *parent, qint64 requiredBytes) override;
    void pauseAllTasks() override;
    void showFloatingWidget(QWidget *parent, bool resetPosition) override;
    void closeFloatingWidget() override;
    bool isFloatingWidgetVisible() const override;
    void openBuyStoragePage() override;
    void openCutlaneIOPage() override;
    KSCloudDiskViewPresenter *getPresenter() const override;
    void attach(IKSCloudDiskEventObserver *observer) override;
    void detach(IKSCloudDiskEventObserver *observer) override;
    void detachAll() override;
    KSWebPageRequest *getPurchaseUrl(bool checkStorage) override;
    bool ensureServiceReady(QWidget *parent, bool interactive) override;
    bool checkServiceReady(QWidget *parent) override;
    quint64 getSpaceId() const override;
    void fixSpaceIdInJson(QString &json) const override;

    // Called by the library on any thread when the access token has expired.
    static void cdsTokenExpireCallback(void *context);

public slots:
    void notifyEvent(KSCloudDiskOperation operation);
    void tokenExpire();
    void resetFloatingWidgetOldPos();

public:
    // One refresh of the disk information delayMs from now, off the caller's thread; calls made while
    // one is pending join it. A finished upload asks for it, and the worker goes on meanwhile.
    void refreshDiskInfoLater(int delayMs);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KSCloudDisk();
    ~KSCloudDisk() override;

    // True (and logged) when an account or share request still runs: the new one is dropped.
    bool previousTaskRunning() const;
    void loginWorker(const KSCloudAccountParam &param);
    void openServiceWorker(const KSCloudAccountParam &param);
    void shareWorker(const KSCloudShareParam &param);
    void initSpaceId();
    void clearSpace();
    void stopLaterRefresh();
    void initSensorsUserProInfo();
    void initSensors();
    // Reads a space record into the disk information and the host mirror; the lock is held.
    void readSpaceRecord(const QJsonObject &record);
    void setServiceStateLocked(KSCloudServiceState state);
    void setServiceUnavailableLocked(bool unavailable);
    void postNotify(KSCloudDiskOperation operation);
    QByteArray serviceRequest(const KSCloudAccountParam &param) const;
    bool activateFromEvent(QWidget *parent);

    KSCloudServiceState m_serviceState = SignedOut;
    int m_productId = -1;
    QString m_productVersion;
    QString m_deviceId;
    QString m_logFolder;
    KSCloudDiskViewPresenter *m_presenter = nullptr;
    QPointer<QWidget> m_floatingWidget;
    KSCloudAccountOp m_accountOp = AccountOpNone;
    KSCloudShareResult m_shareResult;
    KSCloudDiskInfo m_diskInfo;
    IKSCloudDiskService *m_hostService = nullptr;
    IKSCloudDiskStateSink *m_stateSink = nullptr;
    bool m_serviceUnavailable = false;
    bool m_refreshingDiskInfo = false;
    // Set under m_mutex when the release begins: no request starts pool work after it.
    bool m_releasing = false;
    QFuture<void> m_infoFuture;
    QFuture<void> m_taskFuture;
    QTimer *m_laterRefresh = nullptr;
    QFuture<void> m_laterRefreshFuture;
    mutable QMutex m_mutex;
    QString m_accessToken;
    QString m_dataCenter;
    QPoint m_floatingWidgetPos;
    // Read without the lock (getSpaceId) while login workers write it.
    std::atomic<quint64> m_spaceId{0};
    KSSubject<IKSCloudDiskEventObserver> m_observers;
};

#endif
