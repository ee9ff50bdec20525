#ifndef KSTRANSFERCENTERTOOLBAR_H
#define KSTRANSFERCENTERTOOLBAR_H

#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <QList>

class KSCloudDiskTask;
class QComboBox;

// The bar above a task page: the filter of the done page and the batch commands of every page.
class KSCLOUDDISK_API KSTransferCenterToolbar : public KSWidget
{
    Q_OBJECT
public:
    // type: 0 upload, 1 download, 2 done.
    explicit KSTransferCenterToolbar(int type, QWidget *parent = nullptr);
    ~KSTransferCenterToolbar() override;

    int type() const;
    // Enables the batch commands from the statuses of the page's tasks.
    void updateButtonStates(const QList<KSCloudDiskTask *> *tasks);
    QComboBox *filterComboBox() const;
    KSPushButton *startAllButton() const;
    KSPushButton *stopAllButton() const;
    KSPushButton *clearAllButton() const;

signals:
    void sigStartAll();
    void sigStopAll();
    void sigClearAll();
    // -1 for every task, else the filter category 0-4.
    void sigFilterTypeChanged(int index);

public slots:
    void slotTypeIndexChanged(int index);

protected:
    void retranslateUi() override;

private:
    QString tabName() const;
    void onClearAllClicked();

    int m_type;
    QComboBox *m_filter = nullptr;
    KSPushButton *m_startAll = nullptr;
    KSPushButton *m_stopAll = nullptr;
    KSPushButton *m_clearAll = nullptr;
};

#endif
