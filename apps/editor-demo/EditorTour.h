// The scripted walk of --tour: signs in with consent, moves items of every library to the cloud
// and back, pauses, resumes and fails transfers, shares a file, opens the link, and saves a picture
// of every window and dialog on the way. A chain of steps, each started when the previous one has
// ended and each failing the tour when it does not end in time; waits are timers and signals.
#ifndef EDITORTOUR_H
#define EDITORTOUR_H

#include "EditorItemManager.h"
#include "EditorLibraryPage.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

class EditorHost;
class EditorMainWindow;
class KSCloudDiskTask;
class KSCloudDiskViewPresenter;

class EditorTour : public QObject
{
    Q_OBJECT
public:
    EditorTour(EditorHost *host, EditorMainWindow *window, const QString &folder, QObject *parent = nullptr);
    ~EditorTour() override;

    void start();
    // Pictures saved so far, file paths in order.
    QStringList screenshots() const { return m_screenshots; }

signals:
    // 0 when every step succeeded.
    void finished(int exitCode);

private:
    using Kind = EditorItemManager::Kind;
    struct Step {
        QString name;
        int timeoutMs;
        std::function<void()> run;
    };

    // The walk itself (EditorTourSteps.cpp).
    void buildSteps();
    void addSignInSteps();
    void addUploadSteps();
    void addFailureSteps();
    void addDownloadSteps();
    void addShareSteps();
    void addExportAndLinkSteps();
    void addQuitSteps();

    // The machinery.
    void addStep(const QString &name, int timeoutMs, std::function<void()> run);
    void runNext();
    // The current step has ended well: the next one starts from the event loop.
    void stepDone();
    void fail(const QString &reason);
    // Checks `condition` every few milliseconds and runs `then` once it holds.
    void when(std::function<bool()> condition, std::function<void()> then);
    // Runs `act` on the modal dialog of that object name once it is up and laid out.
    void whenModal(const QString &objectName, std::function<void(QWidget *)> act);
    // Runs `then` after `ms`, unless the tour has failed meanwhile.
    void after(int ms, std::function<void()> then);
    // Saves DIR/NN-name.png; false (and the tour failed) when the picture is empty or not written.
    bool shoot(QWidget *widget, const QString &name);
    // The main window with a window that floats over it drawn where the user sees it.
    bool shootOver(QWidget *floating, const QString &name);
    bool save(const QPixmap &picture, const QString &name);
    void closeDialogs();

    // Helpers for the steps.
    KSCloudDiskViewPresenter *presenter() const;
    EditorItem *item(Kind kind, const QString &name) const;
    // Selects the item in its library and triggers the action; false when it is not enabled.
    bool act(Kind kind, const QString &name, EditorLibraryPage::Action action);
    // The task of the item's latest transfer, or null.
    KSCloudDiskTask *taskFor(Kind kind, const QString &name) const;
    bool clickButton(QWidget *dialog, const QString &objectName);
    // Runs `then` once the item's transfer is paused; fails the tour when it ends first.
    void whenPaused(Kind kind, const QString &name, std::function<void()> then);
    // Waits for one status timer period, so the status button shows the new state.
    void shootMainAfterStatus(const QString &name);

    QPointer<EditorHost> m_host;
    QPointer<EditorMainWindow> m_window;
    QString m_folder;
    QVector<Step> m_steps;
    int m_current = -1;
    QTimer m_stepTimer;
    bool m_failed = false;
    bool m_finished = false;
    QStringList m_screenshots;
    QString m_shareCode; // "<link id>[:<access code>]" of the link the tour made
    int m_downloads = 0; // downloads the libraries were told of
};

#endif
