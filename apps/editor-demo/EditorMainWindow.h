// The demo editor's main window: a title bar with the cloud status button, one tab per library,
// the menus that reach the Transfer Center, the export upload and shared links, and the editor's
// answers to the plug-in's hub signals (open a project, locate a template, the purchase page, the
// token, the address of a share link).
#ifndef EDITORMAINWINDOW_H
#define EDITORMAINWINDOW_H

#include "EditorItemManager.h"

#include <QMainWindow>
#include <QPointer>

class EditorHost;
class EditorLibraryPage;
class KSToolButton;
class QAction;
class QLabel;
class QMenu;
class QTabWidget;

class EditorMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    enum TransferTab { UploadTab = 0, DownloadTab = 1, DoneTab = 2, SyncSettingsTab = 3 };
    Q_ENUM(TransferTab)

    // Libraries below `libraryRoot` (projects, templates, presets, media); downloads go below
    // `downloadRoot`. The host may still be signing in.
    EditorMainWindow(
        EditorHost *host, const QString &libraryRoot, const QString &downloadRoot, QWidget *parent = nullptr);
    ~EditorMainWindow() override;

    EditorLibraryPage *page(EditorItemManager::Kind kind) const;
    EditorItemManager *manager(EditorItemManager::Kind kind) const;
    KSToolButton *statusButton() const { return m_statusButton; }
    QTabWidget *tabs() const { return m_tabs; }
    bool isCloudReady() const { return m_ready; }
    // Downloads ask for their folder through the plug-in's address dialog unless this is off.
    void setAskForDownloadFolder(bool ask) { m_askForDownloadFolder = ask; }
    // The export's file, made from the media library; empty until the first export.
    QString lastExport() const { return m_lastExport; }

public slots:
    // Runs modally until the Transfer Center is closed.
    void openTransferCenter(int tab);
    // Renders the stand-in of an exported video and uploads it under the export-upload dialog.
    void exportVideo();
    // Loads a shared project under the floating widget. False when the link names no share.
    bool openShareLink(const QString &link);
    void askForShareLink();

signals:
    // The cloud is ready for the libraries (after the sign-in, and the consent on a first run).
    void cloudReady();
    // The cloud cannot be used: the sign-in failed, the user declined, or the service is unavailable.
    void cloudUnavailable(const QString &reason);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildTitleBar(QWidget *parent);
    void buildMenus();
    void retranslateUi();
    void connectPresenter();
    void onSignInFinished();
    void askConsent();
    void onCloudReady();
    void onOpenProject(const QString &path);
    void onLocateTemplate(const QString &path);
    void onOpenExpandPage(bool &abort, bool active);
    void onGetShareUrl(const QString &objectId, QObject *dialog);
    bool chooseDownloadFolder(EditorItem *item, QString *folder);
    void showStatus(const QString &text);

    QPointer<EditorHost> m_host;
    QString m_downloadRoot;
    QString m_exportFolder;
    QString m_lastExport;
    QList<EditorItemManager *> m_managers;
    QList<EditorLibraryPage *> m_pages;
    QWidget *m_titleBar = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_accountLabel = nullptr;
    KSToolButton *m_statusButton = nullptr;
    QTabWidget *m_tabs = nullptr;
    QMenu *m_fileMenu = nullptr;
    QMenu *m_cloudMenu = nullptr;
    QAction *m_exportAction = nullptr;
    QAction *m_shareLinkAction = nullptr;
    QAction *m_quitAction = nullptr;
    QList<QAction *> m_transferActions; // by TransferTab
    bool m_askForDownloadFolder = true;
    bool m_consentRunning = false;
    bool m_ready = false;
};

#endif
