#include "LocalContent.h"

#include "ContentHasher.h"
#include "TQDriveCodes.h"
#include "TransferJob.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QUuid>

namespace TQDrive {

LocalContent::LocalContent(std::shared_ptr<DriveStore> store)
    : m_store(std::move(store))
{ }

int LocalContent::upload(const TransferRecord &, const TransferItem &item, TransferFlow &flow, UploadCommit *commit)
{
    QFile in(item.source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return LocalReadFailed;
    const QString staging
        = flow.stagingDir() + QLatin1Char('/') + QString::number(item.index) + QStringLiteral(".part");
    QFile out(staging);
    // A source changed since the plan was made starts over; its old prefix is worthless.
    const QFileInfo info(item.source);
    const bool sourceUnchanged = info.size() == item.size && modificationTimeMs(item.source) == item.sourceMtime;
    if (!sourceUnchanged)
        QFile::remove(staging);
    if (!out.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return StorageFailed;
    makePrivateFile(staging);
    ContentHasher hasher;
    if (!flow.resumeAt(in, out, item, hasher))
        return LocalReadFailed;
    const int code = flow.pump(in, out, hasher, item);
    const qint64 written = out.size();
    out.close();
    if (code != Ok)
        return code;
    commit->size = written;
    commit->hash = hasher.result();
    commit->stagingPath = staging;
    return Ok;
}

int LocalContent::download(
    const TransferRecord &, const TransferItem &item, const QString &part, TransferFlow &flow, QString *hash)
{
    // The plan was made at the start; the file may have been deleted or replaced since.
    Entry entry;
    if (!m_store->entry(item.source, &entry) || entry.hash != item.hash || entry.trashed)
        return FileNotFound;
    QFile in(m_store->blobPath(item.hash));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return in.exists() ? StorageFailed : ContentDamaged;
    if (in.size() != item.size)
        return ContentDamaged;
    QFile out(part);
    if (!out.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return LocalWriteFailed;
    ContentHasher hasher;
    if (!flow.resumeAt(in, out, item, hasher))
        return LocalWriteFailed;
    const int code = flow.pump(in, out, hasher, item);
    out.close();
    if (code == Ok)
        *hash = hasher.result();
    return code;
}

int LocalContent::fetch(const Entry &entry, const QString &target)
{
    QFile in(m_store->blobPath(entry.hash));
    if (!in.open(QIODevice::ReadOnly))
        return ContentDamaged;
    const QString part = TransferJob::partPath(target, QUuid::createUuid().toString());
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return LocalWriteFailed;
    ContentHasher hasher;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    qint64 n = 0;
    while ((n = in.read(buffer.data(), buffer.size())) > 0) {
        hasher.addData(buffer.constData(), n);
        if (out.write(buffer.constData(), n) != n) {
            out.remove();
            return LocalWriteFailed;
        }
    }
    out.close();
    if (n < 0 || hasher.result() != entry.hash) {
        QFile::remove(part);
        return ContentDamaged;
    }
    if (!replaceFile(part, target)) {
        QFile::remove(part);
        return LocalWriteFailed;
    }
    return Ok;
}

QString LocalContent::thumbnail(const Entry &entry) const
{
    return QUrl::fromLocalFile(m_store->blobPath(entry.hash)).toString();
}

void LocalContent::dropStaging(const TransferRecord &)
{
    // Everything a local transfer stages is in its staging folder, which the job removes.
}

} // namespace TQDrive
