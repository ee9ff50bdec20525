#ifndef KSTRANSFERCENTERTHUMBNILEXTRACTMANAGER_H
#define KSTRANSFERCENTERTHUMBNILEXTRACTMANAGER_H

#include "kscloudglobal.h"

#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QThread>

#include <atomic>

// Makes the transfer center's thumbnails of local files (project folders, project containers,
// pictures and videos) into the host's cache, one file at a time, on its own thread. It starts
// paused: the list shows thumbnails only once it is visible.
class KSCLOUDDISK_API KSTransferCenterThumbnilExtractManager : public QThread
{
    Q_OBJECT

public:
    explicit KSTransferCenterThumbnilExtractManager(QObject *parent = nullptr);
    // Stops the thread and waits for it, which can take as long as the file in progress.
    ~KSTransferCenterThumbnilExtractManager() override;

    void addTask(const QString &taskId, const QString &localPath);
    // Drops what is queued; the file in progress is still finished and signalled.
    void clear();
    void setPaused(bool paused);
    void requestStop();

signals:
    // The task's thumbnail is in its cache file (a folder without one is signalled too).
    // Emitted from the manager's thread.
    void sigFinish(const QString &taskId);

protected:
    void run() override;

private:
    void handle(const QString &taskId, const QString &localPath);
    void sleepUnlessStopped(int ms) const;

    QMutex m_mutex;
    QList<QPair<QString, QString>> m_queue; // (task id, local path)
    // Written by the GUI thread, polled by the manager's.
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_paused{true};
};

#endif
