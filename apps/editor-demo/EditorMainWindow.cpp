#include "EditorMainWindow.h"

#include "EditorHost.h"
#include "EditorLibraryPage.h"
#include "IKSTQIDAccount.h"
#include "KSBaseLog.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSConfigEngine.h"
#include "KSLocale.h"
#include "KSProject.h"
#include "KSSkin.h"
#include "KSTransferCenterPanel.h"
#include "KSWidgets.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace {

constexpr int kStatusMessageMs = 8000;

const EditorItemManager::Kind kKinds[]
    = {EditorItemManager::Projects, EditorItemManager::Templates, EditorItemManager::Presets, EditorItemManager::Media};

QString folderName(EditorItemManager::Kind kind)
{
    switch (kind) {
    case EditorItemManager::Projects:
        return QStringLiteral("projects");
    case EditorItemManager::Templates:
        return QStringLiteral("templates");
    case EditorItemManager::Presets:
        return QStringLiteral("presets");
    case EditorItemManager::Media:
        return QStringLiteral("media");
    }
    return QString();
}

} // namespace

EditorMainWindow::EditorMainWindow(
    EditorHost *host, const QString &libraryRoot, const QString &downloadRoot, QWidget *parent)
    : QMainWindow(parent)
    , m_host(host)
    , m_downloadRoot(QDir(downloadRoot).absolutePath())
    , m_exportFolder(QDir(libraryRoot).absoluteFilePath(QStringLiteral("exports")))
{
    // Its look is the skin's section of its name, as for every kit widget.
    KSSkinManager::instance()->followObjectName(this);
    setObjectName(QStringLiteral("EditorMainWindow"));
    auto *content = new KSWidget(this);
    content->setObjectName(QStringLiteral("EditorMainContent"));
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildTitleBar(content);
    layout->addWidget(m_titleBar);
    m_tabs = new QTabWidget(content);
    m_tabs->setObjectName(QStringLiteral("libraryTabs"));
    m_tabs->setDocumentMode(true);
    layout->addWidget(m_tabs, 1);
    setCentralWidget(content);
    statusBar()->setObjectName(QStringLiteral("editorStatusBar"));

    for (EditorItemManager::Kind kind : kKinds) {
        auto *manager = new EditorItemManager(kind, QDir(libraryRoot).absoluteFilePath(folderName(kind)),
            QDir(m_downloadRoot).absoluteFilePath(folderName(kind)), this);
        manager->setDialogParent(this);
        manager->setFolderChooser(
            [this](EditorItem *item, QString *folder) { return chooseDownloadFolder(item, folder); });
        manager->reload();
        auto *page = new EditorLibraryPage(manager, m_tabs);
        m_tabs->addTab(page, page->title());
        m_managers << manager;
        m_pages << page;
        connect(manager, &EditorItemManager::itemUploaded, this,
            [this](EditorItem *item) { showStatus(tr("%1 is in the cloud now.").arg(item->name())); });
        connect(manager, &EditorItemManager::itemDownloaded, this, [this](EditorItem *item, const QString &path) {
            showStatus(tr("%1 was downloaded to %2.").arg(item->name(), QDir::toNativeSeparators(path)));
        });
    }
    buildMenus();
    retranslateUi();
    resize(1000, 640);

    if (m_host && m_host->service()) {
        // Task dialogs that a transfer raises come up over the editor.
        KSUtility::setMainWindow(this);
        connectPresenter();
        connect(m_host, &EditorHost::signInFinished, this, &EditorMainWindow::onSignInFinished);
    }
}

EditorMainWindow::~EditorMainWindow()
{
    KSCloudDiskViewPresenter *p = m_host ? m_host->presenter() : nullptr;
    if (p) {
        p->removeAssociatedButton(m_statusButton);
        p->unsetDlgParent(this);
    }
    if (IKSCloudDisk *service = getCloudDiskNoCreate())
        service->closeFloatingWidget();
}

void EditorMainWindow::buildTitleBar(QWidget *parent)
{
    auto *bar = new KSWidget(parent);
    bar->setObjectName(QStringLiteral("editorTitleBar"));
    m_titleBar = bar;
    m_titleLabel = new QLabel(bar);
    m_titleLabel->setObjectName(QStringLiteral("editorTitleLabel"));
    QFont titleFont = m_titleLabel->font();
    titleFont.setBold(true);
    m_titleLabel->setFont(titleFont);
    m_accountLabel = new QLabel(bar);
    m_accountLabel->setObjectName(QStringLiteral("editorAccountLabel"));
    m_statusButton = new KSToolButton(bar);
    m_statusButton->setObjectName(QStringLiteral("cloudStatusButton"));
    m_statusButton->setIconSize(QSize(24, 24));
    m_statusButton->setFixedSize(32, 32);
    m_statusButton->setFocusPolicy(Qt::TabFocus);
    // Idle until the plug-in drives the button: the icon set's disabled, pressed, hover, normal.
    QStringList idle;
    for (const char *state : {"disabled", "pressed", "hover", "normal"})
        idle << QStringLiteral(":/Resource/icon24_no_task-%1.png").arg(QLatin1String(state));
    m_statusButton->setImageButton(idle);
    connect(m_statusButton, &QToolButton::clicked, this, [this]() { openTransferCenter(-1); });

    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(16, 8, 12, 8);
    layout->setSpacing(12);
    layout->addWidget(m_titleLabel);
    layout->addStretch(1);
    layout->addWidget(m_accountLabel);
    layout->addWidget(m_statusButton);
}

void EditorMainWindow::buildMenus()
{
    menuBar()->setObjectName(QStringLiteral("editorMenuBar"));
    m_fileMenu = menuBar()->addMenu(QString());
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));
    m_exportAction = m_fileMenu->addAction(QString(), this, &EditorMainWindow::exportVideo);
    m_exportAction->setObjectName(QStringLiteral("actionExport"));
    m_shareLinkAction = m_fileMenu->addAction(QString(), this, &EditorMainWindow::askForShareLink);
    m_shareLinkAction->setObjectName(QStringLiteral("actionOpenShareLink"));
    m_fileMenu->addSeparator();
    m_quitAction = m_fileMenu->addAction(QString(), this, &QWidget::close);
    m_quitAction->setObjectName(QStringLiteral("actionQuit"));
    m_quitAction->setShortcut(QKeySequence::Quit);

    m_cloudMenu = menuBar()->addMenu(QString());
    m_cloudMenu->setObjectName(QStringLiteral("cloudMenu"));
    const char *names[]
        = {"actionTransfersUpload", "actionTransfersDownload", "actionTransfersDone", "actionSyncSettings"};
    for (int tab = UploadTab; tab <= SyncSettingsTab; ++tab) {
        if (tab == SyncSettingsTab)
            m_cloudMenu->addSeparator();
        QAction *action = m_cloudMenu->addAction(QString(), this, [this, tab]() { openTransferCenter(tab); });
        action->setObjectName(QLatin1String(names[tab]));
        m_transferActions << action;
    }
}

void EditorMainWindow::retranslateUi()
{
    setWindowTitle(tr("Cutlane Editor (demo)"));
    m_titleLabel->setText(tr("Cutlane Editor"));
    m_accountLabel->setText(m_host ? m_host->email() : QString());
    m_statusButton->setToolTip(tr("Transfer Center"));
    m_statusButton->setAccessibleName(tr("Transfer Center"));
    m_fileMenu->setTitle(tr("&File"));
    m_exportAction->setText(tr("&Export video and upload..."));
    m_shareLinkAction->setText(tr("Open &share link..."));
    m_quitAction->setText(tr("&Quit"));
    m_cloudMenu->setTitle(tr("&Cloud"));
    m_transferActions.at(UploadTab)->setText(tr("Transfer Center: &uploads"));
    m_transferActions.at(DownloadTab)->setText(tr("Transfer Center: &downloads"));
    m_transferActions.at(DoneTab)->setText(tr("Transfer Center: &finished"));
    m_transferActions.at(SyncSettingsTab)->setText(tr("&Sync settings..."));
    for (int i = 0; i < m_pages.size(); ++i)
        m_tabs->setTabText(i, m_pages.at(i)->title());
}

void EditorMainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QMainWindow::changeEvent(event);
}

EditorLibraryPage *EditorMainWindow::page(EditorItemManager::Kind kind) const
{
    return m_pages.value(int(kind));
}

EditorItemManager *EditorMainWindow::manager(EditorItemManager::Kind kind) const
{
    return m_managers.value(int(kind));
}

void EditorMainWindow::showStatus(const QString &text)
{
    statusBar()->showMessage(text, kStatusMessageMs);
}

// ---------------------------------------------------------------------------------------------
// Sign-in and consent

void EditorMainWindow::onSignInFinished()
{
    if (m_consentRunning || m_ready || !m_host)
        return;
    switch (m_host->readiness()) {
    case EditorHost::Ready:
        onCloudReady();
        break;
    case EditorHost::NeedsConsent:
        // Not from inside the service's report: the dialog runs its own loop.
        QTimer::singleShot(0, this, &EditorMainWindow::askConsent);
        break;
    case EditorHost::Unavailable:
        emit cloudUnavailable(tr("The cloud service is not available for %1.").arg(m_host->email()));
        break;
    case EditorHost::SignInFailed:
        emit cloudUnavailable(tr("The cloud sign-in failed (see %1).").arg(m_host->hostLog()));
        break;
    }
}

void EditorMainWindow::askConsent()
{
    if (m_consentRunning || m_ready || !m_host || !m_host->service())
        return;
    m_consentRunning = true;
    const bool opened = m_host->service()->showActivateDialog(this, true);
    m_consentRunning = false;
    if (opened && m_host && m_host->readiness() == EditorHost::Ready)
        onCloudReady();
    else if (!opened)
        emit cloudUnavailable(tr("The cloud storage was not opened."));
}

void EditorMainWindow::onCloudReady()
{
    if (m_ready || !m_host)
        return;
    m_ready = true;
    m_host->loadTaskLists();
    KSCloudDiskViewPresenter *p = m_host->presenter();
    p->setDlgParent(this);
    p->addAssociatedButton(m_statusButton);
    for (EditorItemManager *manager : qAsConst(m_managers)) {
        manager->registerWithProxy();
        manager->reload();
    }
    showStatus(tr("Signed in to the cloud as %1.").arg(m_host->email()));
    KSLOG_INFO("editor demo: cloud ready");
    emit cloudReady();
}

// ---------------------------------------------------------------------------------------------
// The plug-in's hub signals

void EditorMainWindow::connectPresenter()
{
    KSCloudDiskViewPresenter *p = m_host->presenter();
    connect(p, &KSCloudDiskViewPresenter::sigOpenProject, this, &EditorMainWindow::onOpenProject);
    connect(p, &KSCloudDiskViewPresenter::sigLocationProjectTemplate, this, &EditorMainWindow::onLocateTemplate);
    connect(p, &KSCloudDiskViewPresenter::sigOpenExpandPage, this, &EditorMainWindow::onOpenExpandPage);
    connect(p, &KSCloudDiskViewPresenter::sigGetShareUrl, this, &EditorMainWindow::onGetShareUrl);
    connect(p, &KSCloudDiskViewPresenter::sigOpenCutlaneIOPage, this, [this]() {
        const QString address = KSConfigHelper::GetCBSUrl(QStringLiteral("CloudDiskHomePageC119"));
        if (!address.isEmpty())
            QDesktopServices::openUrl(QUrl(address));
    });
    // The account renews its token; the proxy hands the new one to the drive library.
    auto renew = [this]() {
        KSLOG_INFO("editor demo: renewing the account token");
        if (!getTQIDAccount()->renewToken())
            showStatus(tr("The account token could not be renewed."));
    };
    connect(p, &KSCloudDiskViewPresenter::sigRefreshToken, this, renew);
    connect(p, &KSCloudDiskViewPresenter::sigTokenExpire, this, renew);
    connect(p, &KSCloudDiskViewPresenter::sigTorrentDownloadFinished, this,
        [this](CloudDiskItemType, const QString &, const QString &name) {
            for (EditorItemManager *manager : qAsConst(m_managers))
                manager->reload();
            showStatus(tr("%1 was loaded.").arg(name));
        });
}

void EditorMainWindow::onOpenProject(const QString &path)
{
    m_tabs->setCurrentWidget(page(EditorItemManager::Projects));
    showStatus(tr("Opening the project %1.").arg(QDir::toNativeSeparators(path)));
    KSLOG_INFO("editor demo: open project %s", qPrintable(path));
}

void EditorMainWindow::onLocateTemplate(const QString &path)
{
    EditorLibraryPage *templates = page(EditorItemManager::Templates);
    m_tabs->setCurrentWidget(templates);
    templates->manager()->reload();
    templates->selectItem(QFileInfo(path).fileName());
    showStatus(tr("The template %1 is in Templates.").arg(QFileInfo(path).fileName()));
}

void EditorMainWindow::onOpenExpandPage(bool &abort, bool)
{
    IKSCloudDisk *service = m_host ? m_host->service() : nullptr;
    abort = service == nullptr;
    if (service)
        service->openBuyStoragePage();
}

void EditorMainWindow::onGetShareUrl(const QString &objectId, QObject *dialog)
{
    // The share dialog waits for the editor's address of the share object, which the project's
    // media item manager made.
    IKSProjectManager *projects = IKSProjectManager::getInstance();
    IKSMediaItemManager *resources = projects ? projects->getMediaItemManager() : nullptr;
    const QString address = resources && !objectId.isEmpty() ? resources->shareAddress(objectId) : QString();
    if (address.isEmpty())
        KSLOG_WARN("editor demo: no address for the share object %s", qPrintable(objectId));
    QMetaObject::invokeMethod(dialog, "slotGetShareUrl", Qt::QueuedConnection, Q_ARG(QString, address));
}

// ---------------------------------------------------------------------------------------------
// Menus

bool EditorMainWindow::chooseDownloadFolder(EditorItem *item, QString *folder)
{
    IKSCloudDisk *service = m_host ? m_host->service() : nullptr;
    if (!m_askForDownloadFolder || !service)
        return true;
    QString chosen = *folder;
    if (!service->showSelectDownloadAddressDialog(this, chosen, item))
        return false;
    *folder = chosen;
    return true;
}

void EditorMainWindow::openTransferCenter(int tab)
{
    KSCloudDiskViewPresenter *p = m_host ? m_host->presenter() : nullptr;
    if (!p)
        return;
    if (tab == DoneTab) {
        // The plug-in opens the finished tab on no mode of its own: it is chosen once the window runs.
        QTimer::singleShot(0, this, []() {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *panel = modal ? modal->findChild<KSTransferCenterPanel *>() : nullptr)
                panel->showTab(KSTransferCenterTabDone);
        });
    }
    // Mode 5 keeps the tab shown last.
    const int mode = (tab == UploadTab || tab == DownloadTab || tab == SyncSettingsTab) ? tab : 5;
    p->showCloudDiskView(this, mode);
}

void EditorMainWindow::exportVideo()
{
    KSCloudDiskViewPresenter *p = m_host ? m_host->presenter() : nullptr;
    EditorItemManager *media = manager(EditorItemManager::Media);
    EditorItem *source = page(EditorItemManager::Media)->currentItem();
    if (!source && !media->items().isEmpty())
        source = media->items().constFirst();
    if (!p || !source)
        return;
    // The demo renders nothing: the export is the media item's file under a new name.
    QDir().mkpath(m_exportFolder);
    const QString name = tr("Export %1").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")));
    const QString target = QDir(m_exportFolder).absoluteFilePath(name + QLatin1Char('.') + source->suffix());
    if (!QFile::copy(source->localPath(), target)) {
        KSCommonTipDialog::showTip(this, tr("Export"), tr("Cannot write the export %1.").arg(target));
        return;
    }
    m_lastExport = target;
    KSCloudTaskParam param;
    param.filePath = target;
    param.name = QFileInfo(target).fileName();
    param.showInTransferCenter = true;
    p->uploadVideo({param});
    // Mode 2: the export-upload dialog follows the upload, then offers to share it.
    p->showCloudDiskView(this, 2);
}

bool EditorMainWindow::openShareLink(const QString &link)
{
    KSCloudDiskViewPresenter *p = m_host ? m_host->presenter() : nullptr;
    IKSCloudDisk *service = m_host ? m_host->service() : nullptr;
    QString code = link.trimmed();
    // An address ".../s/<id>?code=<access code>" or the plain "<id>[:<access code>]".
    const QUrl url(code);
    if (!url.scheme().isEmpty() && !url.path().isEmpty()) {
        code = url.path().section(QLatin1Char('/'), -1);
        const QString access = QUrlQuery(url).queryItemValue(QStringLiteral("code"));
        if (!access.isEmpty())
            code += QLatin1Char(':') + access;
    }
    if (!p || !service || code.isEmpty())
        return false;
    const QString folder = QDir(m_downloadRoot).absoluteFilePath(QStringLiteral("shared"));
    QDir().mkpath(folder);
    const QString target = QDir(folder).absoluteFilePath(tr("Shared project") + QStringLiteral(".vqp"));
    if (p->downloadShareProject(code, target).isEmpty())
        return false;
    service->showFloatingWidget(this, true);
    return true;
}

void EditorMainWindow::askForShareLink()
{
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("shareLinkDialog"));
    dialog.setWindowTitle(tr("Open share link"));
    dialog.setLabelText(tr("Share link or code:"));
    if (dialog.exec() == QDialog::Accepted && !openShareLink(dialog.textValue()))
        KSCommonTipDialog::showTip(this, tr("Open share link"), tr("This is not a share link."));
}

void EditorMainWindow::closeEvent(QCloseEvent *event)
{
    IKSCloudDisk *service = m_host ? m_host->service() : nullptr;
    // With transfers running the plug-in asks whether to quit all the same.
    if (service && !service->confirmQuit(this)) {
        event->ignore();
        return;
    }
    event->accept();
}
