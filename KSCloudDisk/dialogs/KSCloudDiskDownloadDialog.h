#ifndef KSCLOUDDISKDOWNLOADDIALOG_H
#define KSCLOUDDISKDOWNLOADDIALOG_H

#include "KSWidgets.h"
#include "ui_KSCloudDiskDownloadDialog.h"

class IKSCloudDisk;
class KSCloudDiskTask;
class KSCloudDiskViewPresenter;

// Shows the one shared-file download the editor waits for (a file opened from a share link): its
// progress, sending it to the background, cancelling it, and a retry when it fails. The task is
// always the presenter's current share download; the dialog keeps none of its own.
class KSCloudDiskDownloadDialog : public KSFramelessDialog, public Ui::KSCloudDiskDownloadDialog
{
    Q_OBJECT
public:
    KSCloudDiskDownloadDialog(IKSCloudDisk *service, QWidget *parent = nullptr);
    ~KSCloudDiskDownloadDialog() override;

    // Set while the failure question of a load dialog is open.
    static bool isHandlingFailure();

public slots:
    void slotCancelClicked();
    void slotBackgroundClicked();

protected:
    bool acceptCloseRequest(CloseReason reason) override;
    void retranslateUi() override;

private:
    void refreshProgress(const QString &taskId);
    void onDownloadFinished(const QString &taskId, const QString &filePath, const QString &fileName, int fileType);
    void dealWithTaskFailed();
    void setCancelEnabled(bool enabled);

    IKSCloudDisk *m_service = nullptr;
    KSCloudDiskViewPresenter *m_presenter = nullptr;
};

#endif
