#ifndef TQDRIVE_LOCALCATALOG_H
#define TQDRIVE_LOCALCATALOG_H

#include "DriveCatalog.h"

namespace TQDrive {

// The catalog of the local drive: the entry, share and space tables of the drive's database.
class LocalCatalog : public DriveCatalog
{
public:
    explicit LocalCatalog(std::shared_ptr<DriveStore> store);

    bool entry(const QString &fileId, Entry *out) override;
    bool entryInSpace(const Space &space, const QString &fileId, Entry *out) override;
    QString cloudPath(const QString &fileId) override;
    int projectRoot(const Space &space, const QString &name, QString *fileId) override;
    int createFolderPath(const Space &space, const QString &parentId, const QString &relativePath, bool hidden,
        const QString &tags, QString *fileId) override;
    int list(const Space &space, const QString &parentId, QVector<Entry> *out) override;
    bool hasChild(const QString &parentId, const QString &name) override;
    int search(const Space &space, const QString &parentId, const QString &type, const QStringList &names,
        QVector<Entry> *out) override;
    int rename(const Space &space, const QString &fileId, const QString &newName) override;
    int recycle(const Space &space, const QString &fileId) override;
    int remove(const Space &space, const QString &fileId) override;
    bool usage(const Space &space, qint64 *used, qint64 *total) override;
    int createShare(const Space &space, const QString &fileId, const QString &accessCode, qint64 expiresInSeconds,
        int type, const QString &tags, Share *out) override;
    QString shareUrl(const Share &share) const override;
    bool share(const QString &id, Share *out) override;
    int commitUploads(const TransferRecord &transfer, QVector<UploadCommit> &commits) override;

private:
    std::shared_ptr<DriveStore> m_store;
};

} // namespace TQDrive

#endif
