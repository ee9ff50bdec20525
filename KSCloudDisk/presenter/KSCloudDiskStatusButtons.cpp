#include "KSCloudDiskStatusButtons.h"

#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCustomEvent.h"
#include "KSLocale.h"
#include "KSWidgets.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

namespace {

constexpr int kStatusIntervalMs = 1000;
constexpr int kAnimationIntervalMs = 300;

bool onGuiThread()
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

void dispatchScope(const QString &name)
{
    KSCustomEventManager::instance()->dispatch(
        KSCustomEventPtr::create(name, QStringLiteral("KSCloudDiskViewPresenter::updateAssociatedButton")));
}

// A timer made on a thread without an event loop would never fire: the service may be created on
// any thread and moves the presenter to the GUI thread afterwards, the queued start with it.
void startOnGuiThread(QTimer *timer)
{
    if (timer->thread() == QThread::currentThread() && onGuiThread())
        timer->start();
    else
        QMetaObject::invokeMethod(timer, "start", Qt::QueuedConnection);
}

} // namespace

KSCloudDiskStatusButtons::KSCloudDiskStatusButtons(KSCloudDiskViewPresenter *presenter,
    const QList<KSCloudDiskTask *> *uploads, const QList<KSCloudDiskTask *> *downloads)
    : QObject(presenter)
    , m_presenter(presenter)
    , m_uploads(uploads)
    , m_downloads(downloads)
{
    m_statusTimer = new QTimer(this);
    m_statusTimer->setInterval(kStatusIntervalMs);
    connect(m_statusTimer, &QTimer::timeout, this, &KSCloudDiskStatusButtons::slotTimerOut);
    startOnGuiThread(m_statusTimer);
    m_animationTimer = new QTimer(this);
    m_animationTimer->setInterval(kAnimationIntervalMs);
    connect(m_animationTimer, &QTimer::timeout, this, &KSCloudDiskStatusButtons::slotAnimationStep);
    startOnGuiThread(m_animationTimer);
}

KSCloudDiskStatusButtons::~KSCloudDiskStatusButtons()
{
    // Released off the GUI thread, the service takes the presenter with it: a timer can only be
    // stopped on its own thread, and destroyed here it would stay armed and fire at freed memory.
    for (QTimer *timer : {m_statusTimer, m_animationTimer}) {
        if (timer->thread() == QThread::currentThread())
            continue;
        timer->disconnect(this);
        timer->setParent(nullptr);
        QMetaObject::invokeMethod(timer, "deleteLater", Qt::QueuedConnection);
    }
}

void KSCloudDiskStatusButtons::addButton(KSToolButton *button)
{
    if (!button || buttons().contains(button))
        return;
    m_buttons.append(button);
}

void KSCloudDiskStatusButtons::removeButton(KSToolButton *button)
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons.at(i) == button) {
            m_buttons.removeAt(i);
            return;
        }
    }
}

QList<KSToolButton *> KSCloudDiskStatusButtons::buttons() const
{
    QList<KSToolButton *> alive;
    for (const QPointer<KSToolButton> &button : m_buttons) {
        if (button)
            alive.append(button);
    }
    return alive;
}

QStringList KSCloudDiskStatusButtons::imageSet(const QString &name)
{
    QStringList images;
    for (const char *state : {"disabled", "pressed", "hover", "normal"})
        images.append(QStringLiteral(":/Resource/icon24_%1-%2.png").arg(name, QLatin1String(state)));
    return images;
}

QStringList KSCloudDiskStatusButtons::busyFrameSet(int frame)
{
    QStringList images;
    for (const char *state : {"disabled", "pressed", "hover", "normal"})
        images.append(QStringLiteral(":/Resource/icon24_delivery-") + QLatin1String(state) + QLatin1Char('0')
            + QString::number(frame + 1) + QStringLiteral(".png"));
    return images;
}

void KSCloudDiskStatusButtons::setImages(const QStringList &images)
{
    for (KSToolButton *button : buttons())
        button->setImageButton(images);
}

void KSCloudDiskStatusButtons::updateButtons()
{
    const bool gui = onGuiThread();
    if (gui)
        dispatchScope(QStringLiteral("NotifyBeginPileInsetionEvent"));
    int uploads = 0, downloads = 0;
    int runningUploads = 0, runningDownloads = 0;
    int pausedUploads = 0, pausedDownloads = 0;
    int failedUploads = 0, failedDownloads = 0;
    // Custom titles sync in the background; the user never started them, so they never show.
    auto counted
        = [](const KSCloudDiskTask *task) { return task->status() != Finished && task->fileType() != CustomTitleFile; };
    for (const KSCloudDiskTask *task : *m_downloads) {
        if (!counted(task))
            continue;
        ++downloads;
        const int status = task->status();
        // A waiting download has not reached the drive yet; a waiting upload is already preparing.
        runningDownloads += status == Running;
        pausedDownloads += status == Paused;
        failedDownloads += status == Failed || status == Cancelled;
    }
    for (const KSCloudDiskTask *task : *m_uploads) {
        if (!counted(task))
            continue;
        ++uploads;
        const int status = task->status();
        runningUploads += status == Waiting || status == Running;
        pausedUploads += status == Paused;
        failedUploads += status == Failed || status == Cancelled;
    }
    // Nothing runs any more: the next animation step stops instead of painting over the new set.
    m_animating = runningUploads > 0 || runningDownloads > 0;
    if (uploads == 0 && downloads == 0) {
        setImages(imageSet(QStringLiteral("no_task")));
    } else if (m_animating) {
        // Restarting an active timer would hold the next frame back on every status tick.
        if (!m_animationTimer->isActive())
            m_animationTimer->start();
    } else if (pausedUploads == uploads && pausedDownloads == downloads) {
        setImages(imageSet(QStringLiteral("pause all")));
    } else if (failedUploads == uploads && failedDownloads == downloads) {
        setImages(imageSet(QStringLiteral("all failed")));
    } else {
        setImages(imageSet(QStringLiteral("no_task")));
    }
    if (gui)
        dispatchScope(QStringLiteral("NotifyEndPileInsetionEvent"));
}

void KSCloudDiskStatusButtons::slotAnimationStep()
{
    m_frame %= kFrameCount;
    if (!m_animating) {
        m_animationTimer->stop();
        m_frame = (m_frame + 1) % kFrameCount;
        return;
    }
    setImages(busyFrameSet(m_frame));
    m_frame = (m_frame + 1) % kFrameCount;
}

void KSCloudDiskStatusButtons::slotTimerOut()
{
    // Cleared every tick: the animation only goes on while the lists still hold a running task.
    m_animating = false;
    if (!buttons().isEmpty())
        updateButtons();
}

void KSCloudDiskStatusButtons::showBubble(int count, bool isDownload, QWidget *parent)
{
    const QString text = tr("%1 item(s) has been added to the Transfer Center.").arg(count);
    QWidget *anchor = parent ? parent : KSUtility::gGetMainWindow();
    // The template and advanced-subtitle editors are modal over the main window: a notice behind
    // them would go unseen.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible()
            && (window->inherits("KAdvanceSSEditDialog") || window->inherits("KTemplateEditDialog")))
            anchor = window;
    }
    QPointer<KSCloudDiskViewPresenter> presenter = m_presenter;
    KSToast::showToastBySequence(
        text, tr("Click to view"), QStringLiteral(":/Resource/icon24_success.png"), anchor, [presenter, isDownload] {
            if (presenter)
                presenter->showCloudDiskView(nullptr, isDownload ? 1 : 0);
        });
}
