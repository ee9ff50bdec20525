// The task list of one transfer-center page. Rows are plain items carrying a task pointer; six row
// widgets are laid over the rows in view and re-bound on every scroll, resize and refresh, so the
// cost of a page does not grow with the number of tasks.
#ifndef KSTRANSFERCENTERLISTWIDGET_H
#define KSTRANSFERCENTERLISTWIDGET_H

#include "kscloudglobal.h"

#include <QList>
#include <QListWidget>

class KSCloudDiskTask;
class KSCloudDiskViewPresenter;
class KSTransferCenterLimitItemWidget;
class KSTransferCenterTaskItemWidget;

class KSCLOUDDISK_API KSTransferCenterListWidget : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int PoolSize = 6;
    static constexpr int RowHeight = 56;

    // type: 0 upload, 1 download, otherwise done.
    KSTransferCenterListWidget(KSCloudDiskViewPresenter *presenter, int type, QWidget *parent = nullptr);
    ~KSTransferCenterListWidget() override;

    int type() const { return m_type; }
    // The presenter's live list: read, never copied or owned.
    void setTaskList(QList<KSCloudDiskTask *> *tasks);
    QList<KSCloudDiskTask *> *taskList() const { return m_tasks; }
    int taskCount() const;
    void setMaxCount(int count);
    int maxCount() const { return m_maxCount; }
    int filterType() const { return m_filterType; }

    // Rows follow the task list again, then the widgets are re-bound.
    void rebuildRows();
    void rebindVisibleWidgets();
    void refreshTask(KSCloudDiskTask *task);
    void refreshVisibleRows();
    void reloadThumbnail(KSCloudDiskTask *task);

    QList<KSTransferCenterTaskItemWidget *> rowWidgets() const { return m_pool; }
    KSTransferCenterLimitItemWidget *limitWidget() const { return m_limitWidget; }
    QListWidgetItem *limitItem() const { return m_limitItem; }
    // Task rows shown under the current filter.
    int shownTaskRowCount() const;

signals:
    void sigDelete(KSCloudDiskTask *task);
    void sigStart(KSCloudDiskTask *task);
    void sigPause(KSCloudDiskTask *task);
    void sigRetry(KSCloudDiskTask *task);
    void sigOpen(KSCloudDiskTask *task);
    void sigShare(KSCloudDiskTask *task);
    void sigLinkActivated(KSCloudDiskTask *task);
    void sigFilterCountChanged(int count);

public slots:
    void slotFilterTypeChanged(int index);
    void slotScrollbarValueChanged(int value);
    void slotItemSelectionChanged();

protected:
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int taskRowCount() const { return count() - 1; }
    bool isFilteredOut(KSCloudDiskTask *task) const;
    int firstVisibleRow() const;
    void updateLimitRowHidden();

    KSCloudDiskViewPresenter *m_presenter = nullptr;
    QList<KSTransferCenterTaskItemWidget *> m_pool;
    KSTransferCenterLimitItemWidget *m_limitWidget = nullptr;
    int m_maxCount = 2147483647;
    QList<KSCloudDiskTask *> *m_tasks = nullptr;
    QListWidgetItem *m_limitItem = nullptr;
    int m_filterType = -1;
    int m_type = 0;
    bool m_rebinding = false;
};

#endif
