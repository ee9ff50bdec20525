#include "KSTransferCenterUrlDownloadManager.h"

#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSNetwork.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>
#include <QUrl>

namespace {

const int kIdleMs = 1000;
const int kSleepSliceMs = 50;
const int kFetchTimeoutMs = 10000;
const int kRetryPauseMs = 1000;

QString cacheFolder()
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::AppFolder) + QStringLiteral("/CloudDisk");
}

bool isFetchable(const QString &address)
{
    const QUrl url(address, QUrl::TolerantMode);
    return url.isValid() && !url.isEmpty() && !url.scheme().isEmpty();
}

} // namespace

KSTransferCenterUrlDownloadManager::KSTransferCenterUrlDownloadManager(QObject *parent)
    : QThread(parent)
{ }

KSTransferCenterUrlDownloadManager::~KSTransferCenterUrlDownloadManager()
{
    requestStop();
    wait();
}

void KSTransferCenterUrlDownloadManager::addTask(const QString &taskId, const QString &url)
{
    QMutexLocker lock(&m_mutex);
    m_queue.append(qMakePair(taskId, url));
}

void KSTransferCenterUrlDownloadManager::clear()
{
    QMutexLocker lock(&m_mutex);
    m_queue.clear();
}

void KSTransferCenterUrlDownloadManager::setPaused(bool paused)
{
    m_paused.store(paused);
}

void KSTransferCenterUrlDownloadManager::requestStop()
{
    m_stopRequested.store(true);
}

void KSTransferCenterUrlDownloadManager::sleepUnlessStopped(int ms) const
{
    // In slices, so that closing the editor does not wait for a whole idle pass.
    for (int slept = 0; slept < ms && !m_stopRequested.load(); slept += kSleepSliceMs)
        QThread::msleep(kSleepSliceMs);
}

void KSTransferCenterUrlDownloadManager::run()
{
    while (!m_stopRequested.load()) {
        if (m_paused.load()) {
            sleepUnlessStopped(kIdleMs);
        } else {
            QMutexLocker lock(&m_mutex);
            if (m_queue.isEmpty()) {
                lock.unlock();
                sleepUnlessStopped(kIdleMs);
            } else if (m_stopRequested.load()) {
                return;
            } else {
                const QPair<QString, QString> entry = m_queue.takeFirst();
                lock.unlock();
                handle(entry.first, entry.second);
            }
        }
    }
}

void KSTransferCenterUrlDownloadManager::handle(const QString &taskId, const QString &url)
{
    const QString folder = cacheFolder();
    const QString cache = folder + QLatin1Char('/') + taskId + QStringLiteral(".png");
    if (QFileInfo::exists(cache)) {
        Q_EMIT sigFinish(taskId);
        return;
    }
    if (!isFetchable(url))
        return;

    QByteArray body;
    QString error;
    QElapsedTimer attempt;
    attempt.start();
    KSHttpClient::get(url, body, error, kFetchTimeoutMs);
    if (!error.isEmpty() || body.isEmpty()) {
        // Tried again after everything else queued: the picture may not be ready on the server yet,
        // and one slow address must not hold up the others.
        {
            QMutexLocker lock(&m_mutex);
            m_queue.append(qMakePair(taskId, url));
        }
        // A refused connection fails at once; without a pause a lone failing address would spin
        // and flood the log.
        sleepUnlessStopped(int(qMax<qint64>(0, kRetryPauseMs - attempt.elapsed())));
        return;
    }
    // Through a temporary file: the list may load the cache at any time and must never see half a
    // picture.
    QSaveFile out(cache);
    if (!QDir().mkpath(folder) || !out.open(QIODevice::WriteOnly) || out.write(body) != body.size() || !out.commit())
        KSLOG_WARN(
            "transfer center: cannot write thumbnail %s: %s", qUtf8Printable(cache), qUtf8Printable(out.errorString()));
    Q_EMIT sigFinish(taskId);
}
