#ifndef KSCLOUDDISKREADINESS_H
#define KSCLOUDDISKREADINESS_H

#include "KSCloudDiskTypes.h"

#include <QCoreApplication>

class KSCloudDisk;
class QDialog;
class QWidget;

// The modal flows that bring the service to a usable state before a transfer (waiting for a login,
// opening the service with the user's consent, logging in again), the quit and space questions and
// the storage purchase page. It keeps nothing: every flow reads the service afresh, so the service
// makes one where it needs one. All flows run on the GUI thread.
class KSCloudDiskReadiness
{
    Q_DECLARE_TR_FUNCTIONS(KSCloudDiskReadiness)

public:
    explicit KSCloudDiskReadiness(KSCloudDisk *service);

    bool waitLoginFinished(QWidget *parent, int mode) const;
    bool showActivateDialog(QWidget *parent, bool logInAfterwards) const;
    bool showReLoginDialog(QWidget *parent) const;
    bool ensureServiceReady(QWidget *parent, bool interactive) const;
    bool checkServiceReady(QWidget *parent) const;
    // The answer to the host's activation event.
    bool activateFromEvent(QWidget *parent) const;
    bool confirmQuit(QWidget *parent) const;
    bool checkDiskSpace(QWidget *parent, qint64 requiredBytes) const;
    void openBuyStoragePage() const;
    // A new request the caller owns.
    KSWebPageRequest *purchasePageRequest(bool checkStorage) const;

    // The account request the editor's signed-in account makes, for logging in or opening the service.
    static KSCloudAccountParam hostAccountParam();
    // The window a dialog belongs to: the given one, else the host's main window.
    static QWidget *dialogParent(QWidget *parent);
    // Runs the dialog modally and deletes it; a dialog its parent took along answers Rejected.
    static int runModal(QDialog *dialog);

private:
    void runCheckDialog(QWidget *parent, const QString &text) const;

    KSCloudDisk *m_service;
};

#endif
