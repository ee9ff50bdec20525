#ifndef KSCLOUDDISKCHECKDISKINFODIALOG_H
#define KSCLOUDDISKCHECKDISKINFODIALOG_H

#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <memory>

class IKSCloudDisk;

// A waiting box that refreshes the disk information and waits, about five seconds at most, for the
// service to be ready, then closes by itself. The user cannot close it meanwhile.
class KSCLOUDDISK_API KSCloudDiskCheckDiskInfoDialog : public KSFramelessDialog
{
    Q_OBJECT
public:
    KSCloudDiskCheckDiskInfoDialog(IKSCloudDisk *service, const QString &text, QWidget *parent = nullptr);
    ~KSCloudDiskCheckDiskInfoDialog() override;

    // The name of the host event that tells the dialog its check has ended.
    static QString checkDoneEventName();

protected:
    bool acceptCloseRequest(CloseReason reason) override;
    void showEvent(QShowEvent *event) override;

private:
    void onCheckDone();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
