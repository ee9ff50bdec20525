#include "LocalCatalog.h"

namespace TQDrive {

LocalCatalog::LocalCatalog(std::shared_ptr<DriveStore> store)
    : m_store(std::move(store))
{ }

bool LocalCatalog::entry(const QString &fileId, Entry *out)
{
    return m_store->entry(fileId, out);
}

bool LocalCatalog::entryInSpace(const Space &space, const QString &fileId, Entry *out)
{
    return m_store->entryInSpace(space, fileId, out);
}

QString LocalCatalog::cloudPath(const QString &fileId)
{
    return m_store->cloudPath(fileId);
}

int LocalCatalog::projectRoot(const Space &space, const QString &name, QString *fileId)
{
    return m_store->projectRoot(space, name, fileId);
}

int LocalCatalog::createFolderPath(const Space &space, const QString &parentId, const QString &relativePath,
    bool hidden, const QString &tags, QString *fileId)
{
    return m_store->createFolderPath(space, parentId, relativePath, hidden, tags, fileId);
}

int LocalCatalog::list(const Space &space, const QString &parentId, QVector<Entry> *out)
{
    return m_store->list(space, parentId, out);
}

bool LocalCatalog::hasChild(const QString &parentId, const QString &name)
{
    return m_store->hasChild(parentId, name);
}

int LocalCatalog::search(
    const Space &space, const QString &parentId, const QString &type, const QStringList &names, QVector<Entry> *out)
{
    return m_store->search(space, parentId, type, names, out);
}

int LocalCatalog::rename(const Space &space, const QString &fileId, const QString &newName)
{
    return m_store->rename(space, fileId, newName);
}

int LocalCatalog::recycle(const Space &space, const QString &fileId)
{
    return m_store->recycle(space, fileId);
}

int LocalCatalog::remove(const Space &space, const QString &fileId)
{
    return m_store->remove(space, fileId);
}

bool LocalCatalog::usage(const Space &space, qint64 *used, qint64 *total)
{
    return m_store->usage(space.spaceId, used, total);
}

int LocalCatalog::createShare(const Space &space, const QString &fileId, const QString &accessCode,
    qint64 expiresInSeconds, int type, const QString &tags, Share *out)
{
    return m_store->createShare(space, fileId, accessCode, expiresInSeconds, type, tags, out);
}

QString LocalCatalog::shareUrl(const Share &share) const
{
    return QStringLiteral("https://share.tqdrive.local/s/") + share.id;
}

bool LocalCatalog::share(const QString &id, Share *out)
{
    return m_store->share(id, out);
}

int LocalCatalog::commitUploads(const TransferRecord &transfer, QVector<UploadCommit> &commits)
{
    return m_store->commitUploads(transfer, commits);
}

} // namespace TQDrive
