#ifndef KSCLOUDDISKACTIVATEDIALOG_H
#define KSCLOUDDISKACTIVATEDIALOG_H

#include "IKSCloudDisk.h"
#include "KSWidgets.h"

#include <memory>

// Asks the user's consent to the policies and opens the cloud service for the account. It stays
// open until the user confirms the opened service (accepted) or leaves it (rejected); it cannot be
// closed while the opening request runs.
class KSCLOUDDISK_API KSCloudDiskActivateDialog : public KSFramelessDialog, public IKSCloudDiskEventObserver
{
    Q_OBJECT
public:
    explicit KSCloudDiskActivateDialog(IKSCloudDisk *service, QWidget *parent = nullptr);
    ~KSCloudDiskActivateDialog() override;

    void onCloudDiskOperationDone(KSCloudDiskOperation operation) override;

    // The region shown for a data centre code; empty for a code the dialog does not know.
    static QString regionName(const QString &dataCenter);

protected:
    bool acceptCloseRequest(CloseReason reason) override;
    void retranslateUi() override;

private slots:
    void slotAuthorizeClicked();

private:
    enum Tip { NoTip, PolicyTip, FailedTip };
    enum Stage { ConsentStage, OpeningStage, OpenedStage };
    void setStage(Stage stage);
    void showTip(Tip tip);
    QString policyText() const;

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
