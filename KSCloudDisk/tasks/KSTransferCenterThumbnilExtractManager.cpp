#include "KSTransferCenterThumbnilExtractManager.h"

#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSLocalMediaItem.h"
#include "KSProject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMutexLocker>
#include <QSaveFile>

#include <memory>

namespace {

const int kIdleMs = 1000;
const int kSleepSliceMs = 50;

QString cacheFolder()
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::AppFolder) + QStringLiteral("/CloudDisk");
}

bool hasPictures(int streamKind)
{
    return streamKind == KSMediaVideoOnly || streamKind == KSMediaVideoAudio || streamKind == KSMediaImage;
}

QImage firstFrame(const QString &path)
{
    const std::unique_ptr<IKSLocalMediaItem> item(KSLocalMediaItemFactory::createTempLocalMediaItem(path));
    if (!item)
        return QImage();
    const KSMediaInfo info = item->mediaInfo();
    if (!info.valid || !hasPictures(info.streamKind))
        return QImage();
    IKSFrameExtractor *extractor = KSLocalMediaItemFactory::createFrameExtractor(path);
    if (!extractor)
        return QImage();
    const QImage frame = extractor->frameAt(0);
    KSLocalMediaItemFactory::releaseFrameExtractor(extractor);
    return frame;
}

// Through a temporary file: the list may load the cache at any time and must never see half a
// picture.
void savePng(const QImage &image, const QString &file)
{
    QSaveFile out(file);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !out.open(QIODevice::WriteOnly) || !image.save(&out, "png")
        || !out.commit())
        KSLOG_WARN(
            "transfer center: cannot write thumbnail %s: %s", qUtf8Printable(file), qUtf8Printable(out.errorString()));
}

} // namespace

KSTransferCenterThumbnilExtractManager::KSTransferCenterThumbnilExtractManager(QObject *parent)
    : QThread(parent)
{ }

KSTransferCenterThumbnilExtractManager::~KSTransferCenterThumbnilExtractManager()
{
    requestStop();
    wait();
}

void KSTransferCenterThumbnilExtractManager::addTask(const QString &taskId, const QString &localPath)
{
    QMutexLocker lock(&m_mutex);
    m_queue.append(qMakePair(taskId, localPath));
}

void KSTransferCenterThumbnilExtractManager::clear()
{
    QMutexLocker lock(&m_mutex);
    m_queue.clear();
}

void KSTransferCenterThumbnilExtractManager::setPaused(bool paused)
{
    m_paused.store(paused);
}

void KSTransferCenterThumbnilExtractManager::requestStop()
{
    m_stopRequested.store(true);
}

void KSTransferCenterThumbnilExtractManager::sleepUnlessStopped(int ms) const
{
    // In slices, so that closing the editor does not wait for a whole idle pass.
    for (int slept = 0; slept < ms && !m_stopRequested.load(); slept += kSleepSliceMs)
        QThread::msleep(kSleepSliceMs);
}

void KSTransferCenterThumbnilExtractManager::run()
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

void KSTransferCenterThumbnilExtractManager::handle(const QString &taskId, const QString &localPath)
{
    const QString folder = cacheFolder();
    const QString cache = folder + QLatin1Char('/') + taskId + QStringLiteral(".png");
    if (QFileInfo::exists(cache)) {
        Q_EMIT sigFinish(taskId);
        return;
    }
    const QFileInfo file(localPath);
    if (file.isDir()) {
        // A project folder without a cover is still finished: the list shows its default picture.
        QDir().mkpath(folder);
        QFile::copy(localPath + QStringLiteral("/Thumbnail.png"), cache);
        Q_EMIT sigFinish(taskId);
        return;
    }
    if (KSStringUtils::sameText(file.suffix(), KSProjectSuffixHelper::archiveFileSuffix())) {
        const QImage cover = IKSProject::getThumbnail(localPath);
        if (cover.isNull())
            return;
        savePng(cover, cache);
        Q_EMIT sigFinish(taskId);
        return;
    }
    if (!file.exists()) {
        KSLOG_INFO("transfer center: file not exist");
        return;
    }
    const QImage frame = firstFrame(localPath);
    if (frame.isNull())
        return;
    savePng(frame, cache);
    Q_EMIT sigFinish(taskId);
}
