#ifndef KSTRANSFERCENTERTHUMBNAILMANAGER_H
#define KSTRANSFERCENTERTHUMBNAILMANAGER_H

#include "kscloudglobal.h"

#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QThread>

#include <atomic>

// A thread that makes the transfer center's thumbnails, one queued (task id, source) at a time,
// into the host's cache. It starts paused: the list shows thumbnails only once it is visible.
class KSCLOUDDISK_API KSTransferCenterThumbnailManager : public QThread
{
    Q_OBJECT

public:
    // Stops the thread and waits for it, which can take as long as the entry in progress.
    ~KSTransferCenterThumbnailManager() override;

    void addTask(const QString &taskId, const QString &source);
    // Drops what is queued; an entry in progress still completes and is signalled.
    void clear();
    void setPaused(bool paused);
    void requestStop();

    // The cache file of a task, the one KSCloudDiskTask::loadThumbnail reads.
    static QString cacheFile(const QString &taskId);

signals:
    // The task's thumbnail is in its cache file. Emitted from the manager's thread.
    void sigFinish(const QString &taskId);

protected:
    explicit KSTransferCenterThumbnailManager(QObject *parent = nullptr);
    void run() override;
    virtual void handle(const QString &taskId, const QString &source) = 0;
    // Puts the entry back at the end of the queue, behind everything else.
    void requeue(const QString &taskId, const QString &source);
    void sleepUnlessStopped(int ms) const;

private:
    QMutex m_mutex;
    QList<QPair<QString, QString>> m_queue;
    // Written by the GUI thread, polled by the manager's.
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_paused{true};
};

#endif
