#include "KSTransferCenterThumbnailManager.h"

#include "IKSAppInfo.h"

#include <QMutexLocker>

namespace {
const int kIdleMs = 1000;
const int kSleepSliceMs = 50;
} // namespace

KSTransferCenterThumbnailManager::KSTransferCenterThumbnailManager(QObject *parent)
    : QThread(parent)
{ }

KSTransferCenterThumbnailManager::~KSTransferCenterThumbnailManager()
{
    requestStop();
    wait();
}

QString KSTransferCenterThumbnailManager::cacheFile(const QString &taskId)
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::AppFolder) + QStringLiteral("/CloudDisk/") + taskId
        + QStringLiteral(".png");
}

void KSTransferCenterThumbnailManager::addTask(const QString &taskId, const QString &source)
{
    QMutexLocker lock(&m_mutex);
    m_queue.append(qMakePair(taskId, source));
}

void KSTransferCenterThumbnailManager::requeue(const QString &taskId, const QString &source)
{
    addTask(taskId, source);
}

void KSTransferCenterThumbnailManager::clear()
{
    QMutexLocker lock(&m_mutex);
    m_queue.clear();
}

void KSTransferCenterThumbnailManager::setPaused(bool paused)
{
    m_paused.store(paused);
}

void KSTransferCenterThumbnailManager::requestStop()
{
    m_stopRequested.store(true);
}

void KSTransferCenterThumbnailManager::sleepUnlessStopped(int ms) const
{
    // In slices, so that closing the editor does not wait for a whole idle pass.
    for (int slept = 0; slept < ms && !m_stopRequested.load(); slept += kSleepSliceMs)
        QThread::msleep(kSleepSliceMs);
}

void KSTransferCenterThumbnailManager::run()
{
    while (!m_stopRequested.load()) {
        if (m_paused.load()) {
            sleepUnlessStopped(kIdleMs);
            continue;
        }
        QMutexLocker lock(&m_mutex);
        if (m_queue.isEmpty()) {
            lock.unlock();
            sleepUnlessStopped(kIdleMs);
            continue;
        }
        if (m_stopRequested.load())
            return;
        const QPair<QString, QString> entry = m_queue.takeFirst();
        lock.unlock();
        handle(entry.first, entry.second);
    }
}
