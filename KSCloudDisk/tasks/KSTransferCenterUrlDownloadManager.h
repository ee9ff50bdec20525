#ifndef KSTRANSFERCENTERURLDOWNLOADMANAGER_H
#define KSTRANSFERCENTERURLDOWNLOADMANAGER_H

#include "kscloudglobal.h"

#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QThread>

#include <atomic>

// Fetches the cloud thumbnails of the transfer center into the host's cache, one address at a
// time, on its own thread. It starts paused: the list shows thumbnails only once it is visible.
class KSCLOUDDISK_API KSTransferCenterUrlDownloadManager : public QThread
{
    Q_OBJECT

public:
    explicit KSTransferCenterUrlDownloadManager(QObject *parent = nullptr);
    // Stops the thread and waits for it, which can take as long as the fetch in progress.
    ~KSTransferCenterUrlDownloadManager() override;

    void addTask(const QString &taskId, const QString &url);
    // Drops what is queued; a fetch in progress still completes and is signalled.
    void clear();
    void setPaused(bool paused);
    void requestStop();

signals:
    // The task's thumbnail is in its cache file. Emitted from the manager's thread.
    void sigFinish(const QString &taskId);

protected:
    void run() override;

private:
    void handle(const QString &taskId, const QString &url);
    void sleepUnlessStopped(int ms) const;

    QMutex m_mutex;
    QList<QPair<QString, QString>> m_queue; // (task id, address)
    // Written by the GUI thread, polled by the manager's.
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_paused{true};
};

#endif
