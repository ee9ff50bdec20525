#include "KSTransferCenterListWidget.h"

#include "KSCloudDiskTask.h"
#include "KSSkin.h"
#include "KSTransferCenterListCellWidget.h"

#include <QScrollBar>
#include <QSignalBlocker>

KSTransferCenterListWidget::KSTransferCenterListWidget(KSCloudDiskViewPresenter *presenter, int type, QWidget *parent)
    : QListWidget(parent)
    , m_presenter(presenter)
    , m_type(type)
{
    setObjectName(QStringLiteral("KSTransferCenterListWidget"));
    KSSkinManager::instance()->applyStyleSheet(this, QStringLiteral("CloudDisk/KSTransferCenterListWidget"));
    setFocusPolicy(Qt::NoFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Whole rows per step: the page's list is at most six rows high, so six widgets cover it.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);

    connect(this, &QListWidget::itemSelectionChanged, this, &KSTransferCenterListWidget::slotItemSelectionChanged);
    connect(
        verticalScrollBar(), &QScrollBar::valueChanged, this, &KSTransferCenterListWidget::slotScrollbarValueChanged);

    for (int i = 0; i < PoolSize; ++i) {
        KSTransferCenterTaskItemWidget *w = nullptr;
        if (type == 0)
            w = new KSTransferCenterUploadTaskItemWidget(viewport());
        else if (type == 1)
            w = new KSTransferCenterDownloadTaskItemWidget(viewport());
        else
            w = new KSTransferCenterFinishTaskItemWidget(viewport());
        w->setObjectName(QStringLiteral("KSTransferCenterListCell"));
        w->hide();
        connect(w, &KSTransferCenterTaskItemWidget::sigDelete, this, &KSTransferCenterListWidget::sigDelete);
        connect(w, &KSTransferCenterTaskItemWidget::sigStart, this, &KSTransferCenterListWidget::sigStart);
        connect(w, &KSTransferCenterTaskItemWidget::sigPause, this, &KSTransferCenterListWidget::sigPause);
        connect(w, &KSTransferCenterTaskItemWidget::sigRetry, this, &KSTransferCenterListWidget::sigRetry);
        connect(w, &KSTransferCenterTaskItemWidget::sigOpen, this, &KSTransferCenterListWidget::sigOpen);
        connect(w, &KSTransferCenterTaskItemWidget::sigShare, this, &KSTransferCenterListWidget::sigShare);
        connect(
            w, &KSTransferCenterTaskItemWidget::sigLinkActivated, this, &KSTransferCenterListWidget::sigLinkActivated);
        connect(w, &KSTransferCenterTaskItemWidget::sigRowPressed, this, [this](QListWidgetItem *item) {
            if (item)
                setCurrentItem(item);
        });
        m_pool << w;
    }

    m_limitItem = new QListWidgetItem;
    m_limitItem->setSizeHint(QSize(0, RowHeight));
    m_limitItem->setFlags(Qt::NoItemFlags);
    addItem(m_limitItem);
    setRowHidden(0, true);
    m_limitWidget = new KSTransferCenterLimitItemWidget(viewport());
    m_limitWidget->hide();
}

KSTransferCenterListWidget::~KSTransferCenterListWidget() = default;

void KSTransferCenterListWidget::setTaskList(QList<KSCloudDiskTask *> *tasks)
{
    m_tasks = tasks;
    rebuildRows();
}

int KSTransferCenterListWidget::taskCount() const
{
    return m_tasks ? m_tasks->size() : 0;
}

void KSTransferCenterListWidget::setMaxCount(int count)
{
    m_maxCount = qMax(0, count);
    rebuildRows();
}

bool KSTransferCenterListWidget::isFilteredOut(KSCloudDiskTask *task) const
{
    return m_filterType != -1 && (!task || KSTransferCenter::filterCategory(task) != m_filterType);
}

void KSTransferCenterListWidget::updateLimitRowHidden()
{
    // setRowHidden lays out every row again even when nothing changes; a scroll must not pay that.
    const bool hide = taskCount() < m_maxCount;
    if (isRowHidden(count() - 1) != hide)
        setRowHidden(count() - 1, hide);
}

void KSTransferCenterListWidget::rebuildRows()
{
    updateLimitRowHidden();
    for (KSTransferCenterTaskItemWidget *w : qAsConst(m_pool))
        w->setItem(nullptr);

    const int n = qMin(taskCount(), m_maxCount);
    while (taskRowCount() > n)
        delete takeItem(0);
    if (taskRowCount() < n) {
        // One insertion for all new rows: per-row inserts each relayout and renumber the rows.
        const int missing = n - taskRowCount();
        insertItems(0, QVector<QString>(missing).toList());
    }

    {
        // Per-row change signals would cost a model look-up and a repaint each; the view is laid out
        // and repainted once below instead.
        const QSignalBlocker blocker(model());
        for (int i = 0; i < n; ++i) {
            QListWidgetItem *row = item(i);
            KSCloudDiskTask *task = m_tasks->at(i);
            if (row->sizeHint().height() != RowHeight)
                row->setSizeHint(QSize(0, RowHeight));
            row->setData(Qt::UserRole, QVariant::fromValue<quint64>(reinterpret_cast<quintptr>(task)));
        }
    }
    for (int i = 0; i < n; ++i) {
        const bool hide = isFilteredOut(m_tasks->at(i));
        if (isRowHidden(i) != hide)
            setRowHidden(i, hide);
    }
    doItemsLayout();
    viewport()->update();
    rebindVisibleWidgets();
}

int KSTransferCenterListWidget::firstVisibleRow() const
{
    const QModelIndex top = indexAt(QPoint(0, 0));
    if (top.isValid() && top.row() < taskRowCount())
        return top.row();
    for (int i = 0; i < taskRowCount(); ++i) {
        if (isRowHidden(i))
            continue;
        if (visualItemRect(item(i)).bottom() > 0)
            return i;
    }
    return taskRowCount();
}

void KSTransferCenterListWidget::rebindVisibleWidgets()
{
    // The view lays itself out while the constructor is still making the pool.
    if (m_rebinding || !m_limitWidget)
        return;
    m_rebinding = true;
    m_limitWidget->hide();
    updateLimitRowHidden();

    const int first = firstVisibleRow();
    const int width = viewport()->width();
    const int height = viewport()->height();

    // The rows in view, then which widget shows each: a widget already on a row keeps it (a scroll
    // only moves it), the others are re-bound.
    QList<QListWidgetItem *> rows;
    QList<QRect> rects;
    for (int i = first; i < count() && rows.size() < PoolSize; ++i) {
        if (isRowHidden(i))
            continue;
        QListWidgetItem *row = item(i);
        const QRect rect = visualItemRect(row);
        if (rect.top() >= height)
            break;
        if (row == m_limitItem) {
            if (i == first) {
                if (!isRowHidden(i))
                    setRowHidden(i, true);
                m_limitWidget->hide();
            } else {
                m_limitWidget->setGeometry(0, rect.top(), width, RowHeight);
                m_limitWidget->show();
            }
            break;
        }
        if (!KSTransferCenter::taskOfItem(row))
            continue;
        rows << row;
        rects << rect;
    }
    QVector<KSTransferCenterTaskItemWidget *> assigned(rows.size(), nullptr);
    QList<KSTransferCenterTaskItemWidget *> spare;
    for (KSTransferCenterTaskItemWidget *w : qAsConst(m_pool)) {
        const int at = w->item() ? rows.indexOf(w->item()) : -1;
        if (at >= 0 && !assigned[at])
            assigned[at] = w;
        else
            spare << w;
    }
    for (int k = 0; k < rows.size(); ++k) {
        KSTransferCenterTaskItemWidget *w = assigned[k];
        if (!w) {
            w = spare.takeFirst();
            w->setItem(rows[k]);
        }
        w->setGeometry(0, rects[k].top(), width, RowHeight);
        w->setSelected(rows[k]->isSelected());
        // A re-bound widget starts without hover: the pointer may be over another row now.
        if (!rows[k]->isSelected())
            w->setDeleteVisible(w->underMouse());
        w->show();
    }
    for (KSTransferCenterTaskItemWidget *w : qAsConst(spare)) {
        w->hide();
        w->setItem(nullptr);
        w->setSelected(false);
    }
    m_rebinding = false;
}

void KSTransferCenterListWidget::refreshTask(KSCloudDiskTask *task)
{
    for (KSTransferCenterTaskItemWidget *w : qAsConst(m_pool)) {
        if (w->item() && w->task() == task)
            w->updateState();
    }
}

void KSTransferCenterListWidget::refreshVisibleRows()
{
    for (KSTransferCenterTaskItemWidget *w : qAsConst(m_pool)) {
        if (w->item())
            w->updateState();
    }
}

void KSTransferCenterListWidget::reloadThumbnail(KSCloudDiskTask *task)
{
    for (KSTransferCenterTaskItemWidget *w : qAsConst(m_pool)) {
        if (w->item() && w->task() == task)
            w->reloadThumbnail();
    }
}

int KSTransferCenterListWidget::shownTaskRowCount() const
{
    int shown = 0;
    for (int i = 0; i < taskRowCount(); ++i) {
        if (!isRowHidden(i))
            ++shown;
    }
    return shown;
}

void KSTransferCenterListWidget::slotFilterTypeChanged(int index)
{
    m_filterType = index;
    int shown = 0;
    for (int i = 0; i < taskRowCount(); ++i) {
        const bool hide = isFilteredOut(KSTransferCenter::taskOfItem(item(i)));
        if (isRowHidden(i) != hide)
            setRowHidden(i, hide);
        if (!hide)
            ++shown;
    }
    doItemsLayout();
    rebindVisibleWidgets();
    emit sigFilterCountChanged(shown);
}

void KSTransferCenterListWidget::slotScrollbarValueChanged(int)
{
    rebindVisibleWidgets();
}

void KSTransferCenterListWidget::slotItemSelectionChanged()
{
    for (KSTransferCenterTaskItemWidget *w : qAsConst(m_pool)) {
        if (w->item())
            w->setSelected(w->item()->isSelected());
    }
}

void KSTransferCenterListWidget::scrollContentsBy(int dx, int dy)
{
    QListWidget::scrollContentsBy(dx, dy);
    rebindVisibleWidgets();
}

void KSTransferCenterListWidget::updateGeometries()
{
    QListWidget::updateGeometries();
    rebindVisibleWidgets();
}

void KSTransferCenterListWidget::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    rebindVisibleWidgets();
}
