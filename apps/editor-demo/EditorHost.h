// The editor's side of the plug-in's start and end: host folders and services below the data
// folder, the local cloud drive, the editor's account (created on first use, its cloud service not
// yet opened), the plug-in loaded through getCloudDisk() and signed in, and its release at exit.
#ifndef EDITORHOST_H
#define EDITORHOST_H

#include "IKSCloudDisk.h"

#include <QObject>
#include <QString>

class KSCloudDiskViewPresenter;

class EditorHost : public QObject
{
    Q_OBJECT
public:
    explicit EditorHost(QObject *parent = nullptr);
    ~EditorHost() override;

    // Host folders in <root>/host, the drive in <root>/drive, the account signed in and the plug-in
    // started. The cloud sign-in runs on: signInFinished() tells its end. False with error() set.
    bool start(const QString &root, const QString &email);
    // Releases the plug-in as the editor does at exit: lists saved, unfinished transfers paused.
    void stop();
    bool isStarted() const { return m_service != nullptr; }
    QString error() const { return m_error; }

    IKSCloudDisk *service() const { return m_service; }
    KSCloudDiskViewPresenter *presenter() const;
    QString email() const { return m_email; }
    QString root() const { return m_root; }
    QString hostLog() const;

    // Signs the plug-in in again (a renewed token, a second try after a failure).
    void signIn();
    // The account's task lists loaded, their unfinished transfers restarted. Once per sign-in.
    void loadTaskLists();
    // What the cloud service needs before the account's cloud can be used.
    enum Readiness { Ready, NeedsConsent, Unavailable, SignInFailed };
    Readiness readiness() const;

signals:
    // The plug-in's sign-in has ended, whatever its outcome: see readiness().
    void signInFinished();
    // Any account, share or disk-information request of the service has ended.
    void operationDone(int operation);

private:
    class Observer;
    bool signInAccount();
    void onOperationDone(int operation);
    void onFolderCreated(const QString &taskId);

    IKSCloudDisk *m_service = nullptr;
    Observer *m_observer = nullptr;
    QString m_email;
    QString m_root;
    QString m_error;
    bool m_listsLoaded = false;
};

#endif
