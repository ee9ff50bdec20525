#include "KSTransferCenterThumbnilExtractManager.h"

#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSLocalMediaItem.h"
#include "KSProject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

#include <memory>

namespace {

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
    : KSTransferCenterThumbnailManager(parent)
{ }

KSTransferCenterThumbnilExtractManager::~KSTransferCenterThumbnilExtractManager()
{
    requestStop();
    wait();
}

void KSTransferCenterThumbnilExtractManager::handle(const QString &taskId, const QString &localPath)
{
    const QString cache = cacheFile(taskId);
    const QString folder = QFileInfo(cache).path();
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
