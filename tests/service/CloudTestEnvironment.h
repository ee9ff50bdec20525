#ifndef CLOUDTESTENVIRONMENT_H
#define CLOUDTESTENVIRONMENT_H

#include "IKSCloudDisk.h"
#include "TQDriveAdmin.h"

#include <QMutex>
#include <QTemporaryDir>
#include <QVector>

// Host folders and a drive folder of their own, and the editor's account signed in on the host.
class CloudTestEnvironment
{
public:
    explicit CloudTestEnvironment(TQDriveAdmin::ServiceState state = TQDriveAdmin::Opened, quint64 spaceId = 0);
    // Host and drive folders under root, shared with other processes; the account is made once.
    explicit CloudTestEnvironment(const QString &root);
    ~CloudTestEnvironment();

    bool isReady() const { return m_ready; }
    const TQDriveAdmin::AccountInfo &account() const { return m_account; }
    QString path(const QString &name) const { return m_root + QLatin1Char('/') + name; }
    // The service, created and initialised as the editor does at start; without the threads, queued
    // tasks stay where they are.
    IKSCloudDisk *startService(bool startThreads = true);
    // Signs the service in as the editor does after its own sign-in, and waits until it is ready.
    bool logIn(IKSCloudDisk *service) const;
    KSCloudAccountParam accountParam() const;

private:
    QTemporaryDir m_dir;
    QString m_root;
    TQDriveAdmin::AccountInfo m_account;
    bool m_ready = false;
};

// Records the operations the service reports, in order.
class OperationRecorder : public IKSCloudDiskEventObserver
{
public:
    void onCloudDiskOperationDone(KSCloudDiskOperation operation) override;
    QVector<int> operations() const;

private:
    mutable QMutex m_mutex;
    QVector<int> m_operations;
};

// Releases the service the way the host does at shutdown.
void releaseService();

#endif
