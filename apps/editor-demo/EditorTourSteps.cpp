// The steps of the tour, in the order a user meets the windows.
#include "EditorTour.h"

#include "EditorHost.h"
#include "EditorMainWindow.h"
#include "IKSCloudDisk.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSWidgets.h"
#include "TQDriveAdmin.h"
#include "TQDriveCodes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QProgressBar>
#include <QTabWidget>
#include <QWindow>

namespace {

using Kind = EditorItemManager::Kind;
using Action = EditorLibraryPage::Action;

// Slow enough that a running and a paused row can be pictured, short enough for a loaded machine.
constexpr qint64 kSlowBytesPerSecond = 32 * 1024;
constexpr qint64 kShareBytesPerSecond = 32 * 1024;
constexpr int kShortStepMs = 30000;
constexpr int kTransferStepMs = 60000;

const QString kProject = QStringLiteral("Demo Project.vqp");
const QString kSecondProject = QStringLiteral("Summer Trip.vqp");
const QString kTemplate = QStringLiteral("Demo Template");
const QString kPreset = QStringLiteral("Warm Look");
const QString kLargeMedia = QStringLiteral("Beach Still.png");
const QString kSmallMedia = QStringLiteral("Title Card.png");

bool isRunning(const KSCloudDiskTask *task)
{
    return task && task->status() == Running && task->transSize() > 0;
}

QWidget *floatingWidget()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("KSCloudDiskFloatingWidget") && widget->isVisible())
            return widget;
    }
    return nullptr;
}

// Closes a plug-in window through its title bar, as the user would.
void closeByTitleBar(QWidget *dialog)
{
    if (auto *frameless = qobject_cast<KSFramelessDialog *>(dialog)) {
        if (QAbstractButton *close = frameless->titleBar()->button(KSTitleBar::CloseButton)) {
            close->click();
            return;
        }
    }
    dialog->close();
}

} // namespace

void EditorTour::buildSteps()
{
    connect(m_window, &EditorMainWindow::cloudUnavailable, this, &EditorTour::fail);
    addSignInSteps();
    addUploadSteps();
    addFailureSteps();
    addDownloadSteps();
    addShareSteps();
    addExportAndLinkSteps();
    addQuitSteps();
}

void EditorTour::addSignInSteps()
{
    addStep(tr("show the editor"), kShortStepMs, [this]() {
        m_window->show();
        when([this]() { return m_window->windowHandle() && m_window->windowHandle()->isExposed(); },
            [this]() {
                after(300, [this]() {
                    if (shoot(m_window, QStringLiteral("main-window")))
                        stepDone();
                });
            });
    });
    addStep(tr("open the cloud storage with consent"), kTransferStepMs, [this]() {
        if (m_window->isCloudReady()) {
            fail(tr("the account's cloud storage is open already: the tour needs a fresh data folder"));
            return;
        }
        whenModal(QStringLiteral("KSCloudDiskActivateDialog"), [this](QWidget *dialog) {
            if (!shoot(dialog, QStringLiteral("consent")))
                return;
            auto *policy = dialog->findChild<QAbstractButton *>(QStringLiteral("chkPolicy"));
            if (!policy) {
                fail(tr("the consent dialog has no policy check box"));
                return;
            }
            policy->click();
            if (!clickButton(dialog, QStringLiteral("btnOpen")))
                return;
            QPointer<QWidget> guard = dialog;
            when(
                [guard]() {
                    auto *ok = guard ? guard->findChild<QWidget *>(QStringLiteral("btnOk")) : nullptr;
                    return !guard || (ok && ok->isVisible());
                },
                [this, guard]() {
                    if (!guard) {
                        fail(tr("the consent dialog closed without opening the storage"));
                        return;
                    }
                    after(300, [this, guard]() {
                        if (guard && shoot(guard, QStringLiteral("consent-opened")))
                            clickButton(guard, QStringLiteral("btnOk"));
                    });
                });
        });
        when([this]() { return m_window->isCloudReady(); }, [this]() { stepDone(); });
    });
    addStep(tr("the editor signed in"), kShortStepMs, [this]() {
        m_window->tabs()->setCurrentWidget(m_window->page(Kind::Projects));
        shootMainAfterStatus(QStringLiteral("main-ready"));
    });
}

void EditorTour::addUploadSteps()
{
    addStep(tr("upload a project, a template and a preset"), kTransferStepMs, [this]() {
        if (!act(Kind::Projects, kProject, Action::UploadAction)
            || !act(Kind::Templates, kTemplate, Action::UploadAction)
            || !act(Kind::Presets, kPreset, Action::UploadAction))
            return;
        when(
            [this]() {
                return item(Kind::Projects, kProject)->record().cloudState == CloudItemInCloud
                    && item(Kind::Templates, kTemplate)->record().cloudState == CloudItemInCloud
                    && item(Kind::Presets, kPreset)->record().cloudState == CloudItemInCloud;
            },
            [this]() { stepDone(); });
    });
    addStep(tr("start two slow uploads, pause one"), kTransferStepMs, [this]() {
        TQDriveAdmin::setThrottle(kSlowBytesPerSecond);
        if (!act(Kind::Media, kLargeMedia, Action::UploadAction)
            || !act(Kind::Projects, kSecondProject, Action::UploadAction))
            return;
        // A project first makes its cloud folder; only a moving transfer can be paused. It is paused
        // at once, before any picture, so that a slow machine still finds it running.
        when(
            [this]() {
                return isRunning(taskFor(Kind::Media, kLargeMedia))
                    && isRunning(taskFor(Kind::Projects, kSecondProject));
            },
            [this]() {
                presenter()->slotPauseUploadTask(taskFor(Kind::Projects, kSecondProject));
                whenPaused(Kind::Projects, kSecondProject, [this]() {
                    m_window->tabs()->setCurrentWidget(m_window->page(Kind::Media));
                    after(300, [this]() {
                        if (shoot(m_window, QStringLiteral("status-busy")))
                            stepDone();
                    });
                });
            });
    });
    addStep(tr("Transfer Center: a running and a paused upload"), kTransferStepMs, [this]() {
        whenModal(QStringLiteral("KSTransferCenterDlg"), [this](QWidget *dialog) {
            if (!isRunning(taskFor(Kind::Media, kLargeMedia))) {
                fail(tr("the upload of %1 ended before it was pictured: the drive is not slow enough for this "
                        "machine")
                         .arg(kLargeMedia));
                return;
            }
            if (!shoot(dialog, QStringLiteral("transfers-upload-running")))
                return;
            presenter()->slotPauseUploadTask(taskFor(Kind::Media, kLargeMedia));
            QPointer<QWidget> guard = dialog;
            whenPaused(Kind::Media, kLargeMedia, [this, guard]() {
                after(300, [this, guard]() {
                    if (guard && shoot(guard, QStringLiteral("transfers-upload-paused")))
                        closeByTitleBar(guard);
                });
            });
        });
        m_window->openTransferCenter(EditorMainWindow::UploadTab);
        stepDone();
    });
    addStep(
        tr("every upload paused"), kShortStepMs, [this]() { shootMainAfterStatus(QStringLiteral("status-paused")); });
    addStep(tr("resume the uploads"), kTransferStepMs, [this]() {
        TQDriveAdmin::setThrottle(0);
        for (KSCloudDiskTask *task : {taskFor(Kind::Media, kLargeMedia), taskFor(Kind::Projects, kSecondProject)}) {
            if (task)
                presenter()->slotStartUploadTask(task);
        }
        when(
            [this]() {
                return item(Kind::Media, kLargeMedia)->record().cloudState == CloudItemInCloud
                    && item(Kind::Projects, kSecondProject)->record().cloudState == CloudItemInCloud;
            },
            [this]() { stepDone(); });
    });
}

void EditorTour::addFailureSteps()
{
    addStep(tr("an upload that fails"), kTransferStepMs, [this]() {
        // The drive fails the next transfer once it has moved its first bytes.
        TQDriveAdmin::failTransferAfter(QString(), 1, TQDrive::StorageFailed);
        if (!act(Kind::Media, kSmallMedia, Action::UploadAction))
            return;
        when([this]() { return item(Kind::Media, kSmallMedia)->record().cloudState == CloudItemUploadFailed; },
            [this]() { stepDone(); });
    });
    addStep(tr("Transfer Center: the failed upload"), kShortStepMs, [this]() {
        whenModal(QStringLiteral("KSTransferCenterDlg"), [this](QWidget *dialog) {
            if (shoot(dialog, QStringLiteral("transfers-upload-failed")))
                closeByTitleBar(dialog);
        });
        m_window->openTransferCenter(EditorMainWindow::UploadTab);
        shootMainAfterStatus(QStringLiteral("status-failed"));
    });
    addStep(tr("upload the failed item again"), kTransferStepMs, [this]() {
        // The library starts a new upload; the failed row is cleared from the list, as the user
        // would. (A retry from the Transfer Center reaches the cloud, but the library no longer
        // follows that task once it has failed.)
        if (KSCloudDiskTask *failed = taskFor(Kind::Media, kSmallMedia))
            presenter()->slotRemoveUploadTask(failed);
        if (!act(Kind::Media, kSmallMedia, Action::UploadAction))
            return;
        when([this]() { return item(Kind::Media, kSmallMedia)->record().cloudState == CloudItemInCloud; },
            [this]() { stepDone(); });
    });
}

void EditorTour::addDownloadSteps()
{
    addStep(tr("download a project to a chosen folder"), kTransferStepMs, [this]() {
        whenModal(QStringLiteral("KSCloudSpaceSelectDownloadAddressDialog"), [this](QWidget *dialog) {
            if (shoot(dialog, QStringLiteral("download-address")))
                clickButton(dialog, QStringLiteral("btnDownload"));
        });
        const int before = m_downloads;
        if (!act(Kind::Projects, kProject, Action::DownloadAction))
            return;
        when([this, before]() { return m_downloads > before; }, [this]() { stepDone(); });
    });
    addStep(tr("download a template, a preset and a picture"), kTransferStepMs, [this]() {
        m_window->setAskForDownloadFolder(false);
        TQDriveAdmin::setThrottle(kSlowBytesPerSecond);
        const int before = m_downloads;
        if (!act(Kind::Templates, kTemplate, Action::DownloadAction)
            || !act(Kind::Presets, kPreset, Action::DownloadAction)
            || !act(Kind::Media, kLargeMedia, Action::DownloadAction))
            return;
        when([this]() { return isRunning(taskFor(Kind::Media, kLargeMedia)); },
            [this, before]() {
                whenModal(QStringLiteral("KSTransferCenterDlg"), [this](QWidget *dialog) {
                    if (shoot(dialog, QStringLiteral("transfers-download")))
                        closeByTitleBar(dialog);
                });
                m_window->openTransferCenter(EditorMainWindow::DownloadTab);
                TQDriveAdmin::setThrottle(0);
                when([this, before]() { return m_downloads >= before + 3; }, [this]() { stepDone(); });
            });
    });
    addStep(tr("Transfer Center: finished transfers and sync settings"), kShortStepMs, [this]() {
        whenModal(QStringLiteral("KSTransferCenterDlg"), [this](QWidget *dialog) {
            if (shoot(dialog, QStringLiteral("transfers-done")))
                closeByTitleBar(dialog);
        });
        m_window->openTransferCenter(EditorMainWindow::DoneTab);
        if (m_failed)
            return;
        whenModal(QStringLiteral("KSTransferCenterDlg"), [this](QWidget *dialog) {
            if (shoot(dialog, QStringLiteral("sync-settings")))
                closeByTitleBar(dialog);
        });
        m_window->openTransferCenter(EditorMainWindow::SyncSettingsTab);
        stepDone();
    });
}

void EditorTour::addShareSteps()
{
    addStep(tr("share a project"), kShortStepMs, [this]() {
        whenModal(QStringLiteral("KSCloudDiskShareDialog"), [this](QWidget *dialog) {
            if (!shoot(dialog, QStringLiteral("share-dialog")) || !clickButton(dialog, QStringLiteral("btnCreateLink")))
                return;
            QPointer<QWidget> guard = dialog;
            IKSCloudDisk *service = m_host->service();
            when(
                [guard, service]() {
                    auto *create = guard ? guard->findChild<QWidget *>(QStringLiteral("btnCreateLink")) : nullptr;
                    auto *error = guard ? guard->findChild<QWidget *>(QStringLiteral("lblErrorTip")) : nullptr;
                    return !guard || (error && error->isVisible())
                        || (create && create->isEnabled() && !service->isSharing()
                            && !service->getShareResult().linkId.isEmpty());
                },
                [this, guard, service]() {
                    auto *error = guard ? guard->findChild<QWidget *>(QStringLiteral("lblErrorTip")) : nullptr;
                    if (!guard || (error && error->isVisible())) {
                        fail(tr("no share link was made"));
                        return;
                    }
                    const KSCloudShareResult result = service->getShareResult();
                    m_shareCode = result.accessCode.isEmpty() ? result.linkId
                                                              : result.linkId + QLatin1Char(':') + result.accessCode;
                    after(300, [this, guard]() {
                        if (guard && shoot(guard, QStringLiteral("share-link")))
                            clickButton(guard, QStringLiteral("btnCancel"));
                    });
                });
        });
        if (act(Kind::Projects, kProject, Action::ShareAction) && !m_failed)
            stepDone();
    });
    addStep(tr("remove a project from the cloud"), kShortStepMs, [this]() {
        whenModal(QStringLiteral("KSCloudDiskRemoveDialog"), [this](QWidget *dialog) {
            if (shoot(dialog, QStringLiteral("remove-dialog")))
                clickButton(dialog, QStringLiteral("yesButton"));
        });
        if (!act(Kind::Projects, kSecondProject, Action::RemoveAction))
            return;
        when([this]() { return item(Kind::Projects, kSecondProject)->cloudFileId().isEmpty(); },
            [this]() { stepDone(); });
    });
}

void EditorTour::addExportAndLinkSteps()
{
    addStep(tr("export a video and upload it"), kTransferStepMs, [this]() {
        TQDriveAdmin::setThrottle(kSlowBytesPerSecond);
        whenModal(QStringLiteral("KExportUploadDlg"), [this](QWidget *dialog) {
            QPointer<QWidget> guard = dialog;
            when(
                [guard]() {
                    auto *bar
                        = guard ? guard->findChild<QProgressBar *>(QStringLiteral("exportUploadProgressBar")) : nullptr;
                    return !guard || (bar && bar->value() > 0);
                },
                [this, guard]() {
                    if (!guard || !shoot(guard, QStringLiteral("export-upload")))
                        return;
                    TQDriveAdmin::setThrottle(0);
                    // Once through, the export offers to share the new cloud file.
                    whenModal(QStringLiteral("KSCloudDiskShareDialog"), [this](QWidget *share) {
                        if (shoot(share, QStringLiteral("export-share")))
                            clickButton(share, QStringLiteral("btnCancel"));
                    });
                });
        });
        m_window->tabs()->setCurrentWidget(m_window->page(Kind::Media));
        m_window->page(Kind::Media)->selectItem(kLargeMedia);
        m_window->exportVideo();
        if (m_failed)
            return;
        when([this]() { return QApplication::activeModalWidget() == nullptr; }, [this]() { stepDone(); });
    });
    addStep(tr("open the share link"), kTransferStepMs, [this]() {
        TQDriveAdmin::setThrottle(kShareBytesPerSecond);
        if (m_shareCode.isEmpty() || !m_window->openShareLink(m_shareCode)) {
            fail(tr("the share link could not be opened"));
            return;
        }
        when(
            [this]() {
                const KSCloudDiskTask *task = presenter()->downloadShareTask();
                return floatingWidget() && task && task->transSize() > 0;
            },
            [this]() {
                after(300, [this]() {
                    if (!shootOver(floatingWidget(), QStringLiteral("floating-widget")))
                        return;
                    whenModal(QStringLiteral("KSCloudDiskDownloadDialog"), [this](QWidget *dialog) {
                        if (shoot(dialog, QStringLiteral("load-dialog")))
                            clickButton(dialog, QStringLiteral("btnBackground"));
                    });
                    m_host->service()->showDownloadDialog(m_window);
                    TQDriveAdmin::setThrottle(0);
                    if (!m_failed && !floatingWidget())
                        m_host->service()->showFloatingWidget(m_window, false);
                    when(
                        [this]() {
                            const KSCloudDiskTask *task = presenter()->downloadShareTask();
                            return task && task->status() == Finished && floatingWidget();
                        },
                        [this]() {
                            after(300, [this]() {
                                if (!shootOver(floatingWidget(), QStringLiteral("floating-widget-finished")))
                                    return;
                                m_host->service()->closeFloatingWidget();
                                presenter()->removeDownloadShareTask();
                                stepDone();
                            });
                        });
                });
            });
    });
}

void EditorTour::addQuitSteps()
{
    addStep(tr("quit while an upload runs"), kTransferStepMs, [this]() {
        TQDriveAdmin::setThrottle(kShareBytesPerSecond);
        if (!act(Kind::Projects, kSecondProject, Action::UploadAction))
            return;
        when([this]() { return isRunning(taskFor(Kind::Projects, kSecondProject)); },
            [this]() {
                whenModal(QStringLiteral("KSMessageDialog"), [this](QWidget *dialog) {
                    auto *box = qobject_cast<KSFramelessDialog *>(dialog);
                    if (!shoot(dialog, QStringLiteral("quit-confirmation")))
                        return;
                    // "Cancel" comes first: the editor stays.
                    if (!box || box->buttonCount() < 2) {
                        fail(tr("the quit question has no buttons"));
                        return;
                    }
                    box->button(0)->click();
                });
                m_window->close();
                if (m_failed)
                    return;
                if (!m_window->isVisible()) {
                    fail(tr("the editor quit although the user stayed"));
                    return;
                }
                TQDriveAdmin::setThrottle(0);
                when([this]() { return item(Kind::Projects, kSecondProject)->record().cloudState == CloudItemInCloud; },
                    [this]() { shootMainAfterStatus(QStringLiteral("main-final")); });
            });
    });
}
