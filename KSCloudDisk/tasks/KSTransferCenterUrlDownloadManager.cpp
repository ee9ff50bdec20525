#include "KSTransferCenterUrlDownloadManager.h"

#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSNetwork.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {

const int kFetchTimeoutMs = 10000;
const int kRetryPauseMs = 1000;

bool isFetchable(const QString &address)
{
    // Only what the host's web client can fetch; anything else would be retried forever.
    const QUrl url(address, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("file"));
}

} // namespace

KSTransferCenterUrlDownloadManager::KSTransferCenterUrlDownloadManager(QObject *parent)
    : KSTransferCenterThumbnailManager(parent)
{ }

KSTransferCenterUrlDownloadManager::~KSTransferCenterUrlDownloadManager()
{
    requestStop();
    wait();
}

void KSTransferCenterUrlDownloadManager::handle(const QString &taskId, const QString &url)
{
    const QString cache = cacheFile(taskId);
    const QString folder = QFileInfo(cache).path();
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
        requeue(taskId, url);
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
