#include "KSCloudDiskFloatingWidget.h"

#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kSide = 48;
constexpr int kRingWidth = 4;
constexpr int kRingInset = 4;
constexpr int kRingColor = 7;
constexpr int kFailedRingColor = 69;

// Whole percent, halves rounded up. Integer arithmetic keeps sizes beyond a double's exact range exact.
int percentOf(qint64 done, qint64 total)
{
    if (total < 1)
        return 0;
    const qint64 bounded = qBound<qint64>(0, done, total);
    return int((bounded * 200 + total) / (2 * total));
}

} // namespace

KSCloudDiskFloatingWidget::KSCloudDiskFloatingWidget(KSCloudDiskViewPresenter *presenter, QWidget *parent)
    : KSWidget(parent)
    , m_presenter(presenter)
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kSide, kSide);
    setObjectName(QStringLiteral("KSCloudDiskFloatingWidget"));
    setStyleKey(QStringLiteral("CloudDisk/KSCloudDiskFloatingWidget"));

    m_progressLabel = new QLabel(this);
    m_progressLabel->setObjectName(QStringLiteral("lblProgress"));
    m_progressLabel->setAlignment(Qt::AlignCenter);
    // Presses on the text must drag the widget like presses anywhere else on it.
    m_progressLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_progressLabel->setProperty("Status", QString());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_progressLabel);
    retranslateUi();

    if (parent)
        parent->installEventFilter(this);
    if (!presenter)
        return;
    connect(presenter, &KSCloudDiskViewPresenter::taskProgressChanged, this, &KSCloudDiskFloatingWidget::onTaskReport);
    connect(presenter, &KSCloudDiskViewPresenter::taskFinished, this, &KSCloudDiskFloatingWidget::onTaskReport);
    // The state handling's form: it is not sent for an expired token, whose download goes on by itself.
    connect(presenter, qOverload<const QString &, bool, int>(&KSCloudDiskViewPresenter::taskFailed), this,
        &KSCloudDiskFloatingWidget::onTaskReport);
    connect(presenter, &KSCloudDiskViewPresenter::downloadFinished, this, &KSCloudDiskFloatingWidget::onTaskReport);
    // Without its presenter the widget has nothing left to show or do.
    connect(presenter, &QObject::destroyed, this, &QObject::deleteLater);
    if (KSCloudDiskTask *task = presenter->downloadShareTask())
        showTask(task);
}

KSCloudDiskFloatingWidget::~KSCloudDiskFloatingWidget() = default;

QPoint KSCloudDiskFloatingWidget::clampedPosition(const QPoint &pos) const
{
    const QWidget *window = parentWidget();
    if (!window)
        return pos;
    const QRect area = window->geometry();
    return QPoint(qMax(area.left() + kEdgeMargin, qMin(pos.x(), area.right() - kEdgeMargin - width())),
        qMax(area.top() + kEdgeMargin, qMin(pos.y(), area.bottom() - kEdgeMargin - height())));
}

void KSCloudDiskFloatingWidget::retranslateUi()
{
    m_progressLabel->setText(tr("%1%").arg(m_percent));
}

void KSCloudDiskFloatingWidget::onTaskReport(const QString &taskId)
{
    if (!m_presenter)
        return;
    KSCloudDiskTask *task = m_presenter->findTask(taskId);
    if (task && !task->shareCode().isEmpty())
        showTask(task);
}

void KSCloudDiskFloatingWidget::showTask(KSCloudDiskTask *task)
{
    m_percent = percentOf(task->transSize(), task->totalSize());
    switch (task->status()) {
    case Waiting:
    case Running:
        // Under way again (retried from the load dialog too): a failure shown before is over.
        setProgressStatus(QString());
        break;
    case Transferred:
        m_percent = 100;
        break;
    case Failed:
        setProgressStatus(QStringLiteral("Failed"));
        break;
    case Finished:
        m_percent = 100;
        setProgressStatus(QStringLiteral("Finished"));
        break;
    default:
        break;
    }
    retranslateUi();
    update();
}

void KSCloudDiskFloatingWidget::setProgressStatus(const QString &status)
{
    KSUIStyle::setStyleProperty(m_progressLabel, "Status", status);
}

void KSCloudDiskFloatingWidget::paintEvent(QPaintEvent *event)
{
    KSWidget::paintEvent(event);
    const KSCloudDiskTask *task = m_presenter ? m_presenter->downloadShareTask() : nullptr;
    if (!task || m_percent <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = KSSkinManager::instance()->getColor(task->status() == Failed ? kFailedRingColor : kRingColor);
    painter.setPen(QPen(color, kRingWidth, Qt::SolidLine, Qt::FlatCap));
    const QRectF ring = QRectF(rect()).adjusted(kRingInset, kRingInset, -kRingInset, -kRingInset);
    // Qt counts angles in sixteenths of a degree, counter-clockwise from 3 o'clock.
    painter.drawArc(ring, 90 * 16, -qRound(m_percent * 360 * 16 / 100.0));
}

bool KSCloudDiskFloatingWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != parentWidget())
        return KSWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Move: {
        const auto *moved = static_cast<QMoveEvent *>(event);
        move(clampedPosition(pos() + moved->pos() - moved->oldPos()));
        break;
    }
    case QEvent::Resize:
        move(clampedPosition(pos()));
        break;
    case QEvent::Close: {
        // The window may still refuse to close (unsaved work); it has decided once the event is handled.
        const QPointer<QWidget> window = parentWidget();
        const QPointer<KSCloudDiskViewPresenter> presenter = m_presenter;
        if (!presenter)
            break;
        QTimer::singleShot(0, presenter, [window, presenter] {
            IKSCloudDisk *service = presenter ? presenter->service() : nullptr;
            if (service && (!window || !window->isVisible()))
                service->closeFloatingWidget();
        });
        break;
    }
    default:
        break;
    }
    return KSWidget::eventFilter(watched, event);
}

void KSCloudDiskFloatingWidget::moveEvent(QMoveEvent *event)
{
    KSWidget::moveEvent(event);
    // Whoever moved the widget (the window system, the host), it stays over its window.
    const QPoint allowed = clampedPosition(pos());
    if (allowed != pos())
        move(allowed);
}

void KSCloudDiskFloatingWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        KSWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_dragOffset = event->globalPos() - pos();
    event->accept();
}

void KSCloudDiskFloatingWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        KSWidget::mouseMoveEvent(event);
        return;
    }
    move(clampedPosition(event->globalPos() - m_dragOffset));
    event->accept();
}

void KSCloudDiskFloatingWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    KSWidget::mouseReleaseEvent(event);
}

void KSCloudDiskFloatingWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_presenter) {
        KSWidget::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    m_dragging = false;
    // The action may delete this widget, which must not happen inside the widget's own handler.
    const QPointer<KSCloudDiskFloatingWidget> self(this);
    QMetaObject::invokeMethod(
        m_presenter,
        [self] {
            if (self)
                self->runDoubleClickAction();
        },
        Qt::QueuedConnection);
}

void KSCloudDiskFloatingWidget::closeEvent(QCloseEvent *event)
{
    // Only the service takes the widget away (closeFloatingWidget): a hidden widget that still exists
    // would keep the next showFloatingWidget from showing anything.
    event->ignore();
}

// Every path below may end with this widget deleted: after that only locals are used.
void KSCloudDiskFloatingWidget::runDoubleClickAction()
{
    KSCloudDiskTask *task = m_presenter ? m_presenter->downloadShareTask() : nullptr;
    if (!task)
        return;
    if (task->status() == Finished) {
        offerLoadedFile(task);
        return;
    }
    if (task->status() == Failed) {
        offerRetry(task);
        return;
    }
    IKSCloudDisk *service = m_presenter->service();
    if (!service)
        return;
    const QPointer<QWidget> window = parentWidget();
    service->closeFloatingWidget();
    service->showDownloadDialog(window);
}

void KSCloudDiskFloatingWidget::offerLoadedFile(KSCloudDiskTask *task)
{
    QString text;
    QString accept;
    const char *request = nullptr;
    switch (task->fileType()) {
    case ProjectFile:
    case ProjectArchiveFile:
        text = tr("The \"%1\" file has been loaded. Do you want to open the file now?")
                   .arg(QFileInfo(task->filePath()).fileName());
        accept = tr("Open now");
        request = "sigOpenProject";
        break;
    case ProjectTemplateFile:
        text = tr("The \"%1\" file has been loaded. You can drag the project template to the timeline to use in the "
                  "Media - Template - Custom directory.")
                   .arg(task->name());
        accept = tr("Use Now");
        request = "sigLocationProjectTemplate";
        break;
    default:
        return;
    }
    const QString path = task->filePath();
    const QPointer<KSCloudDiskFloatingWidget> self(this);
    const QPointer<KSCloudDiskViewPresenter> presenter = m_presenter;
    const QString answer = KSMessageDialog::showMessage(parentWidget(), tr("Load complete tip"), text,
        {{tr("Cancel"), KSFramelessDialog::SecondaryRole}, {accept, KSFramelessDialog::PrimaryRole}});
    if (answer != accept || !presenter)
        return;
    if (self)
        self->hide();
    if (!QMetaObject::invokeMethod(presenter, request, Q_ARG(QString, path)))
        KSLOG_WARN("the presenter has no %s: %s is not opened", request, qPrintable(path));
    presenter->removeDownloadShareTask(task);
    if (IKSCloudDisk *service = presenter->service())
        service->closeFloatingWidget();
}

void KSCloudDiskFloatingWidget::offerRetry(KSCloudDiskTask *task)
{
    const QString message = task->shareDownloadFailureText();
    const QString refresh = tr("Refresh");
    const QString cancel = tr("Cancel");
    const QPointer<KSCloudDiskFloatingWidget> self(this);
    const QPointer<KSCloudDiskViewPresenter> presenter = m_presenter;
    const QString answer = KSMessageDialog::showMessage(parentWidget(), QString(), message,
        {{cancel, KSFramelessDialog::SecondaryRole}, {refresh, KSFramelessDialog::PrimaryRole}});
    if (!presenter)
        return;
    if (answer == refresh) {
        task->setTotalSize(0);
        task->setTempPath(QString());
        static_cast<IKSCDBaseTask *>(task)->setStatus(Waiting);
        presenter->queuedTask(task);
        if (self) {
            self->showTask(task);
            self->setProgressStatus(QString());
        }
        return;
    }
    // Closing the box any other way leaves the download where it is: the user may decide later.
    if (answer == cancel) {
        presenter->removeDownloadShareTask(task);
        if (IKSCloudDisk *service = presenter->service())
            service->closeFloatingWidget();
    }
}
