#ifndef KEXPORTUPLOADDLG_H
#define KEXPORTUPLOADDLG_H

#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <QPointer>

class KSCloudDiskTask;
class KSCloudDiskViewPresenter;
class QLabel;

// Follows the upload of an exported video: progress while it runs, the reason and "Retry" when it
// fails; it closes itself once the file has been transferred. Every way it ends gives result 1;
// lastStatus() tells the outcome.
class KSCLOUDDISK_API KExportUploadDlg : public KSFramelessDialog
{
    Q_OBJECT
public:
    KExportUploadDlg(KSCloudDiskViewPresenter *presenter, QWidget *parent = nullptr);
    ~KExportUploadDlg() override;

    // A KSTaskStatus value, -1 before the first report.
    int lastStatus() const { return m_lastStatus; }
    KSCloudDiskTask *task() const { return m_task; }
    // After a transferred upload: offers the share dialog for the new cloud file.
    bool runShareStep();

public slots:
    void slotTaskStateChanged(KSCloudDiskTask *task);
    void slotRetry();
    void slotCancel();

protected:
    bool acceptCloseRequest(CloseReason reason) override;
    void retranslateUi() override;

private:
    void showNormalLook();
    void showFailure(int failedCode);
    void setChunkColor(int colorIndex);
    QString failureText(int failedCode) const;

    KSProgressBar *m_progressBar = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_tipLabel = nullptr;
    QLabel *m_errorTextLabel = nullptr;
    QLabel *m_errorIconLabel = nullptr;
    QLabel *m_percentLabel = nullptr;
    KSPushButton *m_retryButton = nullptr;
    KSPushButton *m_cancelButton = nullptr;
    QPointer<KSCloudDiskViewPresenter> m_presenter;
    QPointer<KSCloudDiskTask> m_task;
    int m_lastStatus = -1;
    int m_chunkColor = 7;
};

#endif
