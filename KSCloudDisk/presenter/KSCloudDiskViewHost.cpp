#include "KSCloudDiskViewHost.h"

#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTrackEvent.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSTransferCenterThumbnailManager.h"
#include "KSWidgets.h"

#include "KExportUploadDlg.h"
#include "KSCloudDiskTask.h"
#include "KSTransferCenterDlg.h"
#include "KSTransferCenterPanel.h"

namespace {

// One window per process, whichever presenter shows it.
QPointer<KSFramelessDialog> s_dialog;
QPointer<QWidget> s_panel;

KSFramelessDialog *newDialog(QWidget *parent)
{
    return new KSTransferCenterDlg(parent);
}

QWidget *newPanel(KSCloudDiskViewPresenter *presenter)
{
    return new KSTransferCenterPanel(presenter);
}

void showTab(QWidget *panel, int tab)
{
    static_cast<KSTransferCenterPanel *>(panel)->showTab(tab);
}

// Out of the dialog without a parent, so that deleting the dialog spares it.
void takePanel()
{
    if (s_dialog && s_panel && s_dialog->contentWidget() == s_panel)
        s_dialog->takeContentWidget();
}

void putPanel()
{
    if (s_dialog && s_panel)
        s_dialog->setContentWidget(s_panel);
}

} // namespace

KSCloudDiskViewHost::KSCloudDiskViewHost(KSCloudDiskViewPresenter *presenter,
    KSTransferCenterThumbnailManager *urlDownloads, KSTransferCenterThumbnailManager *thumbnailExtracts)
    : QObject(presenter)
    , m_presenter(presenter)
    , m_urlDownloads(urlDownloads)
    , m_thumbnailExtracts(thumbnailExtracts)
{ }

KSCloudDiskViewHost::~KSCloudDiskViewHost() = default;

KSFramelessDialog *KSCloudDiskViewHost::transferCenterDialog()
{
    return s_dialog;
}

QWidget *KSCloudDiskViewHost::transferCenterPanel()
{
    return s_panel;
}

void KSCloudDiskViewHost::setThumbnailsPaused(bool paused)
{
    m_urlDownloads->setPaused(paused);
    m_thumbnailExtracts->setPaused(paused);
}

void KSCloudDiskViewHost::showCloudDiskView(QWidget *parent, int mode)
{
    if (mode == 2) {
        const QPointer<KSCloudDiskViewHost> self(this);
        const QPointer<KExportUploadDlg> dialog = new KExportUploadDlg(m_presenter, parent);
        dialog->exec();
        // The parent, or the presenter with this host, may have gone inside the dialog's event loop.
        if (self && dialog && dialog->lastStatus() == Transferred) {
            emit m_presenter->sigCloseExportProgressDlg();
            dialog->runShareStep();
        }
        delete dialog;
        return;
    }
    IKSCloudDisk *service = m_presenter->service();
    if (service && !service->waitLoginFinished(parent, 0))
        return;
    if (!s_dialog)
        s_dialog = newDialog(nullptr);
    if (!s_panel)
        s_panel = newPanel(m_presenter);
    if (mode == 0 || mode == 1 || mode == 3)
        showTab(s_panel, mode);
    putPanel();
    KSCloudDiskWindowPopupEvent(QStringLiteral("cloud_management")).sendEvent();
    setThumbnailsPaused(false);
    KSLOG_INFO("start show transfer center");
    const QPointer<KSCloudDiskViewHost> self(this);
    const QPointer<KSFramelessDialog> dialog = s_dialog;
    dialog->exec();
    KSLOG_INFO("end transfer center");
    // The presenter may have ended inside the window's event loop, its threads with it.
    if (self)
        setThumbnailsPaused(true);
}

void KSCloudDiskViewHost::hideDiskCloudView()
{
    if (s_dialog)
        s_dialog->close();
}

void KSCloudDiskViewHost::setDlgParent(QWidget *parent)
{
    m_dlgParent = parent;
    if (s_dialog) {
        if (s_dialog->parentWidget() == parent) {
            putPanel();
            return;
        }
        takePanel();
        delete s_dialog;
    }
    s_dialog = newDialog(parent);
    putPanel();
}

void KSCloudDiskViewHost::unsetDlgParent(QWidget *parent)
{
    if (!parent || !s_dialog || s_dialog->parentWidget() != parent)
        return;
    takePanel();
    delete s_dialog;
}

void KSCloudDiskViewHost::destroyTransferCenter()
{
    if (s_dialog) {
        KSLOG_INFO("KSCloudDiskViewPresenter delete dlg1");
        delete s_dialog;
        KSLOG_INFO("KSCloudDiskViewPresenter delete dlg2");
    }
    // A panel left without a window still points at this presenter.
    delete s_panel;
}

bool KSCloudDiskViewHost::isCloudDiskViewVisible() const
{
    return false;
}

QWidget *KSCloudDiskViewHost::takeCloudDiskView()
{
    return nullptr;
}

void KSCloudDiskViewHost::closeCloudDiskView()
{ }

void KSCloudDiskViewHost::adjustPos()
{
    KScopeDebugger("p7_45442 timer3");
}
