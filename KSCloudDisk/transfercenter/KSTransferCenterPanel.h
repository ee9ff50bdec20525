#ifndef KSTRANSFERCENTERPANEL_H
#define KSTRANSFERCENTERPANEL_H

#include "IKSTQIDAccount.h"
#include "KSTransferCenterTabWidget.h"
#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <QPointer>
#include <memory>

class KSCloudDiskTask;
class KSCloudDiskViewPresenter;
class KSSyncSettingWidget;
class KSTransferCenterToolbar;
class QStackedWidget;

// The content of the transfer center: the tab column and one page per tab, wired to the presenter.
// It only forwards the user's commands; the presenter creates and removes the tasks.
class KSCLOUDDISK_API KSTransferCenterPanel : public KSWidget, public IKSTQIDEventObserver
{
    Q_OBJECT
public:
    explicit KSTransferCenterPanel(KSCloudDiskViewPresenter *presenter, QWidget *parent = nullptr);
    ~KSTransferCenterPanel() override;

    // Opens the given tab (0-3); other values are ignored.
    void showTab(int index);
    int currentTab() const;
    // The tab a new panel opens on: the one current when the last panel changed tab.
    static int lastTabIndex();

    KSTransferCenterTabWidget *tabWidget() const;
    QStackedWidget *pageStack() const;
    QWidget *page(int index) const;
    // The toolbar of the upload, download or done page.
    KSTransferCenterToolbar *toolbar(int type) const;
    KSSyncSettingWidget *syncSettingPage() const;

    // Any thread.
    void onTQIDResponse(KSTQIDResponseCode code) override;

public slots:
    void slotCurrentTabChanged(KSTransferCenterTabIndex index);
    void slotLinkCutlaneIO(const QString &url);
    void slotBtClicked(int index);
    void slotTaskStateChanged(KSCloudDiskTask *task);
    void slotAllUploadTaskStateChanged();
    void slotAllDownloadTaskStateChanged();
    void slotThumbnilDownloadFinish(const QString &taskId);
    void slotRemoveAllTask();
    void slotLoadAllTask();
    void slotDownloadTaskCountChanged();
    void slotUploadTaskCountChanged();
    void slotDoneTaskCountChanged();
    void slotOpen(KSCloudDiskTask *task);
    void slotShare(KSCloudDiskTask *task);
    void slotLinkActivated(KSCloudDiskTask *task);

private:
    void showToast(const QString &iconPath, const QString &text);
    void updateTabCounts();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
