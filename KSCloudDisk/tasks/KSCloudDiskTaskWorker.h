#ifndef KSCLOUDDISKTASKWORKER_H
#define KSCLOUDDISKTASKWORKER_H

#include "kscloudglobal.h"

#include <QList>
#include <QMutex>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

class KSCDBaseTask;
class KSCloudDiskTask;

// The one background thread that runs every task's blocking work, one task at a time, newest first.
class KSCLOUDDISK_API KSCloudDiskTaskWorker : public QThread
{
public:
    explicit KSCloudDiskTaskWorker(QObject *parent = nullptr);
    ~KSCloudDiskTaskWorker() override;

    void addTask(KSCDBaseTask *task);
    // In list order, each to the front: the last of the list runs first.
    void addTasks(const QList<KSCloudDiskTask *> &tasks);
    // Cancels the running transfer, ends the loop and waits for the thread.
    void stop();
    bool isDestroying() const;
    int queuedCount() const;

protected:
    void run() override;

private:
    void enqueueLocked(KSCDBaseTask *task);
    KSCDBaseTask *takeLocked(int index);

private:
    std::atomic<int> m_stopRequested{0};
    mutable QMutex m_mutex;
    QList<QPointer<KSCDBaseTask>> m_queue;
    // What m_queue holds: a task queued twice (a retry clicked twice, a request made before sign-in
    // and loaded again) would run its stage twice and upload the item twice.
    QSet<const KSCDBaseTask *> m_queued;
    QPointer<KSCDBaseTask> m_current;
    QWaitCondition m_wakeUp;
    // Read by the coordinator and by tasks' disk checks while stop() writes it.
    std::atomic<bool> m_quitting{false};
};

#endif
