#ifndef KSCLOUDDISKSHAREDIALOG_H
#define KSCLOUDDISKSHAREDIALOG_H

#include "IKSCloudDisk.h"
#include "KSObserverConnector.h"
#include "KSProject.h"
#include "KSWidgets.h"

#include <QPointer>

class KSCloudDiskShareWidget;
class QLabel;

// Makes a share link for a cloud file: project and other files through the service's drive share,
// media files through the host's cloud-resource service. Either way the host turns the share object
// into the final address (sigGetShareUrl -> slotGetShareUrl), which goes to the clipboard.
class KSCloudDiskShareDialog : public KSFramelessDialog,
                               public IKSCloudDiskEventObserver,
                               public IKSCloudResouceReplyObserver
{
    Q_OBJECT
public:
    enum ButtonId { CancelButton = 0, CreateLinkButton = 1 };

    KSCloudDiskShareDialog(IKSCloudDisk *service, const QString &fileId, int fileType, qint64 size,
        const QString &suffix, const QString &source, QWidget *parent = nullptr);
    ~KSCloudDiskShareDialog() override;

    void setFileName(const QString &fileName);
    QString resultAddress() const;
    int shareCategory() const;
    bool isBusy() const;
    KSCloudDiskShareWidget *shareWidget() const;

    // 0 drive share, 1-4 cloud resources (1 with permissions), from the host's file classification.
    static int categoryOfSuffix(const QString &suffix);
    static QString projectTypeCode(const QString &suffix);

    void onCloudDiskOperationDone(KSCloudDiskOperation operation) override;
    void onCloudResourceReply(const KSCloudResourceReply &reply) override;

public slots:
    void slotButtonClicked(int id);
    void slotGetShareUrl(const QString &address);

protected:
    bool acceptCloseRequest(CloseReason reason) override;
    void retranslateUi() override;
    bool event(QEvent *event) override;

private:
    void setBusy(bool busy);
    void createLink();
    void onDriveShareDone();
    bool storageFull() const;
    void showError(const QString &text);
    QString failureText(int code) const;
    QString sourceDetail() const;
    QString accessToken() const;

    IKSCloudDisk *m_service = nullptr;
    QPointer<KSToast> m_toast;
    QString m_fileId;
    int m_fileType = 0;
    qint64 m_size = 0;
    QString m_suffix;
    QString m_source;
    QString m_fileName;
    QString m_result;
    int m_category = 0;
    bool m_busy = false;
    KSObserverConnector<IKSMediaItemManager, KSCloudDiskShareDialog> m_mediaConnector;
    KSCloudDiskShareWidget *m_shareWidget = nullptr;
    QLabel *m_errorTip = nullptr;
    int m_cancelButton = -1;
    int m_createButton = -1;
};

#endif
