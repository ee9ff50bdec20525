#ifndef KSCLOUDDISKREMOVEDIALOG_H
#define KSCLOUDDISKREMOVEDIALOG_H

#include "KSWidgets.h"

class KSCloudDiskViewPresenter;
class QLabel;

// Asks before a cloud file goes to the cloud recycle bin and stays open until the removal has
// answered: accepted when it succeeded, open with a tip when it failed.
class KSCloudDiskRemoveDialog : public KOldMessageDialog
{
    Q_OBJECT
public:
    KSCloudDiskRemoveDialog(KSCloudDiskViewPresenter *presenter, const QString &fileId, QWidget *parent = nullptr);
    ~KSCloudDiskRemoveDialog() override;

    bool isBusy() const;
    QLabel *errorTip() const;

public slots:
    void slotButtonClick(int id);
    void slotRemoveFinished(const QString &fileId, bool succeed);

protected:
    bool acceptCloseRequest() override;
    void changeEvent(QEvent *event) override;

private:
    void setBusy(bool busy);
    void applyTipColour();

    KSCloudDiskViewPresenter *m_presenter = nullptr;
    QString m_fileId;
    bool m_busy = false;
    QLabel *m_errorTip = nullptr;
};

#endif
