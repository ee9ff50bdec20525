#include "EditorTour.h"

#include "EditorHost.h"
#include "EditorMainWindow.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "TQDriveAdmin.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QTabWidget>

#include <cstdio>

namespace {

constexpr int kPollMs = 40;
// Dialogs are pictured once their layout and first paint are through.
constexpr int kSettleMs = 250;
// The presenter's status timer ticks every second.
constexpr int kStatusPeriodMs = 1200;

void printLine(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

EditorTour::EditorTour(EditorHost *host, EditorMainWindow *window, const QString &folder, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_window(window)
    , m_folder(QDir(folder).absolutePath())
{
    for (Kind kind : {EditorItemManager::Projects, EditorItemManager::Templates, EditorItemManager::Presets,
             EditorItemManager::Media})
        connect(window->manager(kind), &EditorItemManager::itemDownloaded, this, [this]() { ++m_downloads; });
    m_stepTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, [this]() {
        const Step &step = m_steps.at(m_current);
        fail(tr("the step did not end within %1 s").arg(step.timeoutMs / 1000));
    });
}

EditorTour::~EditorTour()
{
    TQDriveAdmin::resetControls();
}

void EditorTour::start()
{
    if (!QDir().mkpath(m_folder)) {
        printLine(tr("editor-demo tour: cannot create %1").arg(m_folder));
        QTimer::singleShot(0, this, [this]() { emit finished(1); });
        return;
    }
    // A caret that blinks or an animation mid-frame makes pictures differ from run to run.
    QApplication::setCursorFlashTime(0);
    buildSteps();
    QTimer::singleShot(0, this, &EditorTour::runNext);
}

void EditorTour::addStep(const QString &name, int timeoutMs, std::function<void()> run)
{
    m_steps.append(Step{name, timeoutMs, std::move(run)});
}

void EditorTour::runNext()
{
    if (m_failed || m_finished)
        return;
    ++m_current;
    if (m_current >= m_steps.size()) {
        m_finished = true;
        printLine(tr("editor-demo tour: %n picture(s) in %1", nullptr, m_screenshots.size()).arg(m_folder));
        emit finished(0);
        return;
    }
    const Step &step = m_steps.at(m_current);
    printLine(tr("editor-demo tour: %1").arg(step.name));
    KSLOG_INFO("editor demo tour: %s", qPrintable(step.name));
    m_stepTimer.start(step.timeoutMs);
    step.run();
}

void EditorTour::stepDone()
{
    if (m_failed || m_finished)
        return;
    m_stepTimer.stop();
    QTimer::singleShot(0, this, &EditorTour::runNext);
}

void EditorTour::fail(const QString &reason)
{
    if (m_failed || m_finished)
        return;
    m_failed = true;
    m_stepTimer.stop();
    const QString step = m_current >= 0 && m_current < m_steps.size() ? m_steps.at(m_current).name : QString();
    printLine(tr("editor-demo tour: FAILED at \"%1\": %2").arg(step, reason));
    KSLOG_ERROR("editor demo tour failed at %s: %s", qPrintable(step), qPrintable(reason));
    TQDriveAdmin::resetControls();
    // Modal loops are unwound before the application is told to end.
    closeDialogs();
    QTimer::singleShot(0, this, [this]() {
        closeDialogs();
        emit finished(1);
    });
}

void EditorTour::closeDialogs()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<QDialog *>(widget); dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

void EditorTour::when(std::function<bool()> condition, std::function<void()> then)
{
    auto *timer = new QTimer(this);
    timer->setInterval(kPollMs);
    connect(timer, &QTimer::timeout, this, [this, timer, condition, then]() {
        if (m_failed) {
            timer->deleteLater();
            return;
        }
        if (!condition())
            return;
        timer->stop();
        timer->deleteLater();
        then();
    });
    timer->start();
}

void EditorTour::after(int ms, std::function<void()> then)
{
    QTimer::singleShot(ms, this, [this, then]() {
        if (!m_failed)
            then();
    });
}

void EditorTour::whenModal(const QString &objectName, std::function<void(QWidget *)> act)
{
    when(
        [objectName]() {
            QWidget *modal = QApplication::activeModalWidget();
            return modal && modal->objectName() == objectName && modal->isVisible();
        },
        [this, act]() {
            QPointer<QWidget> dialog = QApplication::activeModalWidget();
            after(kSettleMs, [this, dialog, act]() {
                if (dialog)
                    act(dialog);
                else
                    fail(tr("the dialog closed before it was pictured"));
            });
        });
}

bool EditorTour::shoot(QWidget *widget, const QString &name)
{
    if (!widget) {
        fail(tr("nothing to picture for %1").arg(name));
        return false;
    }
    return save(widget->grab(), name);
}

bool EditorTour::shootOver(QWidget *floating, const QString &name)
{
    if (!floating || !m_window) {
        fail(tr("nothing to picture for %1").arg(name));
        return false;
    }
    QPixmap picture = m_window->grab();
    QPainter painter(&picture);
    painter.drawPixmap(m_window->mapFromGlobal(floating->mapToGlobal(QPoint(0, 0))), floating->grab());
    painter.end();
    return save(picture, name);
}

bool EditorTour::save(const QPixmap &picture, const QString &name)
{
    const QString file = QDir(m_folder).absoluteFilePath(
        QStringLiteral("%1-%2.png").arg(m_screenshots.size() + 1, 2, 10, QLatin1Char('0')).arg(name));
    const QImage image = picture.toImage();
    if (image.isNull() || image.width() < 8 || image.height() < 8) {
        fail(tr("the picture %1 is empty").arg(name));
        return false;
    }
    if (!image.save(file, "PNG")) {
        fail(tr("cannot write %1").arg(file));
        return false;
    }
    m_screenshots << file;
    printLine(tr("editor-demo tour:   %1").arg(QFileInfo(file).fileName()));
    return true;
}

void EditorTour::shootMainAfterStatus(const QString &name)
{
    after(kStatusPeriodMs, [this, name]() {
        if (shoot(m_window, name))
            stepDone();
    });
}

KSCloudDiskViewPresenter *EditorTour::presenter() const
{
    return m_host ? m_host->presenter() : nullptr;
}

EditorItem *EditorTour::item(Kind kind, const QString &name) const
{
    return m_window ? m_window->manager(kind)->itemByName(name) : nullptr;
}

bool EditorTour::act(Kind kind, const QString &name, EditorLibraryPage::Action action)
{
    EditorLibraryPage *page = m_window ? m_window->page(kind) : nullptr;
    if (!page || !page->selectItem(name)) {
        fail(tr("the library has no item %1").arg(name));
        return false;
    }
    m_window->tabs()->setCurrentWidget(page);
    QAction *qaction = page->action(action);
    if (!qaction->isEnabled()) {
        fail(tr("\"%1\" is not offered for %2").arg(qaction->text(), name));
        return false;
    }
    qaction->trigger();
    return true;
}

KSCloudDiskTask *EditorTour::taskFor(Kind kind, const QString &name) const
{
    KSCloudDiskViewPresenter *p = presenter();
    const EditorItem *wanted = item(kind, name);
    if (!p || !wanted)
        return nullptr;
    return p->findTask(m_window->manager(kind)->lastTaskId(wanted));
}

void EditorTour::whenPaused(Kind kind, const QString &name, std::function<void()> then)
{
    when(
        [this, kind, name]() {
            const KSCloudDiskTask *task = taskFor(kind, name);
            return !task || task->status() == Paused || task->status() == Transferred || task->status() == Finished;
        },
        [this, kind, name, then]() {
            const KSCloudDiskTask *task = taskFor(kind, name);
            if (task && task->status() == Paused) {
                then();
                return;
            }
            fail(tr("the transfer of %1 ended (status %2) before it could be paused: the drive is not slow enough "
                    "for this machine")
                     .arg(name)
                     .arg(task ? task->status() : -1));
        });
}

bool EditorTour::clickButton(QWidget *dialog, const QString &objectName)
{
    auto *button = dialog ? dialog->findChild<QAbstractButton *>(objectName) : nullptr;
    if (!button || !button->isVisible() || !button->isEnabled()) {
        fail(tr("the dialog %1 has no usable button %2").arg(dialog ? dialog->objectName() : QString(), objectName));
        return false;
    }
    button->click();
    return true;
}
