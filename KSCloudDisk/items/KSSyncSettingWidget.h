#ifndef KSSYNCSETTINGWIDGET_H
#define KSSYNCSETTINGWIDGET_H

#include "IKSCloudDisk.h"
#include "IKSTQIDAccount.h"
#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <QScopedPointer>

class KSSyncSettingWidgetPrivate;

// The "Sync settings" page of the transfer center: turns the editor's automatic sync on and off and
// chooses what it syncs. The switches themselves live in the editor (IKSAutoSyncHelper); the page
// writes them on the user's actions and follows their changes from anywhere else.
class KSCLOUDDISK_API KSSyncSettingWidget : public KSWidget,
                                            public IKSTQIDEventObserver,
                                            public IKSCloudDiskEventObserver
{
    Q_OBJECT
public:
    explicit KSSyncSettingWidget(QWidget *parent = nullptr);
    ~KSSyncSettingWidget() override;

    // Any thread.
    void onTQIDResponse(KSTQIDResponseCode code) override;
    void onCloudDiskOperationDone(KSCloudDiskOperation operation) override;

signals:
    void toggleMain(bool checked);
    void toggleFavorite(bool checked);
    // The customization box.
    void togglePreset(bool checked);
    void toggleCustomTitle(bool checked);
    void toggleCustomProject(bool checked);

protected:
    void retranslateUi() override;

private slots:
    void slotPresetClicked(bool checked);

private:
    Q_DECLARE_PRIVATE(KSSyncSettingWidget)
    QScopedPointer<KSSyncSettingWidgetPrivate> d_ptr;
};

#endif
