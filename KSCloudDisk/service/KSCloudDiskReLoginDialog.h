#ifndef KSCLOUDDISKRELOGINDIALOG_H
#define KSCLOUDDISKRELOGINDIALOG_H

#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <memory>

class IKSCloudDisk;

// Logs the service in again, or waits for a login under way. It accepts once the service is ready,
// needs opening, or is closed to the account; any other outcome leaves the user a retry. While a
// login runs the user cannot close it.
class KSCLOUDDISK_API KSCloudDiskReLoginDialog : public KSFramelessDialog
{
    Q_OBJECT
public:
    enum Mode {
        PlainMode = 0, // starts on the "Refresh" page
        WaitingMode = 1, // starts waiting
        WaitingWithCloseMode = 2, // starts waiting; its button gives up the wait
    };
    Q_ENUM(Mode)

    KSCloudDiskReLoginDialog(IKSCloudDisk *service, int mode, QWidget *parent = nullptr);
    ~KSCloudDiskReLoginDialog() override;

    int mode() const;
    bool isWaiting() const;

protected:
    bool acceptCloseRequest(CloseReason reason) override;
    void retranslateUi() override;

private:
    void setWaiting(bool waiting);
    void checkLogin();
    void onPageButtonClicked();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
