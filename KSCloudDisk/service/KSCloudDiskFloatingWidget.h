// The small round window that floats over the editor's main window while a file opened from a share
// link loads in the background: a progress ring with the percentage, and a double click that opens,
// retries or brings back the load dialog.
#ifndef KSCLOUDDISKFLOATINGWIDGET_H
#define KSCLOUDDISKFLOATINGWIDGET_H

#include "KSWidgets.h"

#include <QPoint>
#include <QPointer>

class KSCloudDiskTask;
class KSCloudDiskViewPresenter;
class QLabel;

class KSCloudDiskFloatingWidget : public KSWidget
{
    Q_OBJECT
public:
    // Distance the widget keeps from every edge of the window it floats over.
    static constexpr int kEdgeMargin = 25;

    // `parent` is the editor's top-level window; the widget follows its moves and resizes.
    KSCloudDiskFloatingWidget(KSCloudDiskViewPresenter *presenter, QWidget *parent);
    ~KSCloudDiskFloatingWidget() override;

    // `pos` brought inside the parent's geometry, kEdgeMargin from each edge.
    QPoint clampedPosition(const QPoint &pos) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void retranslateUi() override;

private:
    void onTaskReport(const QString &taskId);
    void showTask(KSCloudDiskTask *task);
    void setProgressStatus(const QString &status);
    void runDoubleClickAction();
    void offerLoadedFile(KSCloudDiskTask *task);
    void offerRetry(KSCloudDiskTask *task);

    QPointer<KSCloudDiskViewPresenter> m_presenter;
    QLabel *m_progressLabel = nullptr;
    int m_percent = 0;
    bool m_dragging = false;
    QPoint m_dragOffset; // from the pointer to the widget's corner, in global coordinates
};

#endif
