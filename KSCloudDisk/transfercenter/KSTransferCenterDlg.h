#ifndef KSTRANSFERCENTERDLG_H
#define KSTRANSFERCENTERDLG_H

#include "KSWidgets.h"
#include "kscloudglobal.h"

class QLabel;

// The frameless window of the transfer center; the presenter gives it the panel as its content.
class KSCLOUDDISK_API KSTransferCenterDlg : public KSFramelessDialog
{
    Q_OBJECT
public:
    explicit KSTransferCenterDlg(QWidget *parent = nullptr);
    ~KSTransferCenterDlg() override;

    QLabel *titleLabel() const;

protected:
    void retranslateUi() override;
    void showEvent(QShowEvent *event) override;

private:
    void placeTitleLabel();

    QLabel *m_titleLabel = nullptr;
};

#endif
