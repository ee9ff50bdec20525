// One upload, download or done page of the transfer center: toolbar, column header and the task
// list, or a picture when there is nothing to show.
#ifndef KSTRANSFERCENTERTASKWIDGET_H
#define KSTRANSFERCENTERTASKWIDGET_H

#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <QList>

class KSCloudDiskTask;
class KSCloudDiskViewPresenter;
class KSTransferCenterListWidget;
class KSTransferCenterToolbar;
class QLabel;
class QStackedWidget;

class KSCLOUDDISK_API KSTransferCenterTaskWidget : public KSWidget
{
    Q_OBJECT
public:
    // type: 0 upload, 1 download, 2 done.
    KSTransferCenterTaskWidget(KSCloudDiskViewPresenter *presenter, int type, QWidget *parent = nullptr);
    ~KSTransferCenterTaskWidget() override;

    int type() const { return m_type; }
    // The presenter's live list for this page; rows, toolbar and empty state follow it.
    void setTaskList(QList<KSCloudDiskTask *> *tasks);
    QList<KSCloudDiskTask *> *taskList() const;
    // After the list changed: rows rebuilt, widgets re-bound, toolbar and empty state again.
    void refresh();
    void refreshTask(KSCloudDiskTask *task);
    void refreshVisibleRows();
    void reloadThumbnail(KSCloudDiskTask *task);
    void setMaxCount(int count);
    void updateToolbarState();
    void updateEmptyState();

    KSTransferCenterListWidget *listWidget() const { return m_list; }
    KSTransferCenterToolbar *toolbar() const { return m_toolbar; }
    bool isEmptyPageShown() const;
    bool isFilterEmptyPageShown() const;
    QString emptyText() const;
    QString filterEmptyText() const;

protected:
    void retranslateUi() override;

private:
    int m_type = 0;
    QWidget *m_contentPage = nullptr;
    KSTransferCenterToolbar *m_toolbar = nullptr;
    QLabel *m_nameHeader = nullptr;
    QLabel *m_sizeHeader = nullptr;
    QLabel *m_statusHeader = nullptr;
    QStackedWidget *m_innerStack = nullptr;
    KSTransferCenterListWidget *m_list = nullptr;
    QWidget *m_filterEmptyPage = nullptr;
    QLabel *m_filterEmptyPicture = nullptr;
    QLabel *m_filterEmptyText = nullptr;
    QWidget *m_emptyPage = nullptr;
    QLabel *m_emptyPicture = nullptr;
    QLabel *m_emptyText = nullptr;
};

#endif
