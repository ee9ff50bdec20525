#include "KSCloudDiskTaskWorker.h"

#include "IKSCloudDisk.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskTrackEvent.h"

#include <QFileInfo>
#include <QMutexLocker>

KSCloudDiskTaskWorker::KSCloudDiskTaskWorker(QObject *parent)
    : QThread(parent)
{ }

KSCloudDiskTaskWorker::~KSCloudDiskTaskWorker()
{
    if (isRunning())
        stop();
}

void KSCloudDiskTaskWorker::enqueueLocked(KSCDBaseTask *task)
{
    if (auto *transfer = qobject_cast<KSCloudDiskTask *>(task))
        transfer->setQueuedOnce(true);
    if (m_queued.contains(task)) {
        // Already waiting: it moves to the front, as a new request would, but runs once.
        for (int i = 0; i < m_queue.size(); ++i) {
            if (m_queue.at(i).data() == task) {
                m_queue.move(i, 0);
                return;
            }
        }
    }
    m_queued.insert(task);
    m_queue.insert(0, task);
}

KSCDBaseTask *KSCloudDiskTaskWorker::takeLocked(int index)
{
    KSCDBaseTask *task = m_queue.takeAt(index).data();
    m_queued.remove(task);
    return task;
}

void KSCloudDiskTaskWorker::addTask(KSCDBaseTask *task)
{
    QMutexLocker lock(&m_mutex);
    enqueueLocked(task);
    m_wakeUp.wakeAll();
}

void KSCloudDiskTaskWorker::addTasks(const QList<KSCloudDiskTask *> &tasks)
{
    QMutexLocker lock(&m_mutex);
    for (KSCloudDiskTask *task : tasks)
        enqueueLocked(task);
    m_wakeUp.wakeAll();
}

bool KSCloudDiskTaskWorker::isDestroying() const
{
    return m_quitting.load();
}

int KSCloudDiskTaskWorker::queuedCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_queue.size();
}

void KSCloudDiskTaskWorker::stop()
{
    {
        QMutexLocker lock(&m_mutex);
        if (auto *transfer = qobject_cast<KSCloudDiskTask *>(m_current.data())) {
            // Paused, not cancelled: the transfer resumes where it stopped when the editor starts
            // again, instead of throwing away what was already moved. The last task launched may
            // have ended since (failed, finished, removed): paused, a failed task would turn into a
            // paused one that the next sign-in no longer retries.
            const int status = transfer->status();
            if (!transfer->removed() && (status == Waiting || status == Running))
                transfer->pause();
            // Its finish step must not wait for the GUI thread, which is about to wait for us.
            transfer->setStopping(true);
        }
        m_quitting.store(true);
        m_stopRequested.store(1);
        m_queue.insert(0, QPointer<KSCDBaseTask>());
        m_wakeUp.wakeAll();
    }
    quit();
    wait();
}

void KSCloudDiskTaskWorker::run()
{
    if (m_stopRequested.load())
        return;
    bool idlePass = false;
    for (;;) {
        // A queue of tasks waiting for sign-in is polled, not spun. A pass that ran a task goes on
        // at once: a busy queue of short operations would otherwise pay a millisecond each.
        if (idlePass)
            QThread::msleep(1);
        idlePass = true;
        QMutexLocker lock(&m_mutex);
        if (m_queue.isEmpty())
            m_wakeUp.wait(&m_mutex);
        m_current.clear();
        IKSCloudDisk *service = getCloudDiskNoCreate();
        if (service && service->isServiceReady()) {
            if (!m_queue.isEmpty())
                m_current = takeLocked(0);
        } else {
            for (int i = 0; i < m_queue.size(); ++i) {
                auto *transfer = qobject_cast<KSCloudDiskTask *>(m_queue.at(i).data());
                if (transfer && !transfer->shareCode().isEmpty()) {
                    m_current = takeLocked(i);
                    break;
                }
            }
        }
        QPointer<KSCDBaseTask> task = m_current;
        lock.unlock();
        if (!task) {
            if (m_stopRequested.load())
                return;
            continue;
        }
        idlePass = false;
        if (auto *transfer = qobject_cast<KSCloudDiskTask *>(task.data())) {
            const int status = transfer->status();
            if (transfer->removed() || status == Cancelled || status == Paused) {
                if (m_stopRequested.load())
                    return;
                continue;
            }
            if (transfer->retry()) {
                const QString suffix = QFileInfo(transfer->filePath()).suffix();
                if (transfer->operation() == DownloadOperation)
                    KSCloudDiskBeginDownloadEvent(
                        suffix, transfer->fileSize(), transfer->fileId(), QStringLiteral("restart"))
                        .sendEvent();
                else
                    KSCloudDiskBeginUploadEvent(suffix, transfer->fileSize(), QStringLiteral("restart")).sendEvent();
            }
        }
        task->launch();
        if (m_stopRequested.load())
            return;
    }
}
