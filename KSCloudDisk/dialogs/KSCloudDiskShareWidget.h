#ifndef KSCLOUDDISKSHAREWIDGET_H
#define KSCLOUDDISKSHAREWIDGET_H

#include "KSWidgets.h"
#include "ui_KSCloudDiskShareWidget.h"

// The link options of the share dialog: password mode and password, validity, and the
// permissions that only media links of the first category carry.
class KSCloudDiskShareWidget : public KSWidget, public Ui::KSCloudDiskShareWidget
{
    Q_OBJECT
public:
    explicit KSCloudDiskShareWidget(QWidget *parent = nullptr);
    ~KSCloudDiskShareWidget() override;

    bool withPassword() const;
    // Empty without a password; otherwise the field, completed first when too short.
    QString password();
    int validityDays() const;
    qint64 validitySeconds() const;
    void setPermissionVisible(bool visible);
    bool allowDownload() const;
    bool allowComment() const;
    // Whether the last input was turned down or replaced because it broke the password rule.
    bool passwordRefused() const;

signals:
    void sigPasswordModeChanged();

protected:
    void retranslateUi() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onModeChanged();
    void fillPassword();
    void setPasswordRefused(bool refused);

    bool m_passwordRefused = false;
};

#endif
