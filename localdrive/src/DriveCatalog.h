#ifndef TQDRIVE_DRIVECATALOG_H
#define TQDRIVE_DRIVECATALOG_H

#include "DriveStore.h"
#include "TQDriveCodes.h"

namespace TQDrive {

// What the drive knows about the files of a space: ids, entries, shares, the recycle bin and the
// quota. The local drive keeps it in its SQLite database; a server backend asks the server.
// Every method returns a TQDrive::Code (or a success flag) and is safe to call from any thread.
class DriveCatalog
{
public:
    virtual ~DriveCatalog() = default;

    virtual bool entry(const QString &fileId, Entry *out) = 0;
    virtual bool entryInSpace(const Space &space, const QString &fileId, Entry *out) = 0;
    // Like entryInSpace, with the reason when there is none: FileNotFound, or what kept a server from
    // answering (TokenExpired, ServerUnreachable, ...).
    virtual int find(const Space &space, const QString &fileId, Entry *out)
    {
        return entryInSpace(space, fileId, out) ? Ok : FileNotFound;
    }
    virtual QString cloudPath(const QString &fileId) = 0;
    virtual int projectRoot(const Space &space, const QString &name, QString *fileId) = 0;
    virtual int createFolderPath(const Space &space, const QString &parentId, const QString &relativePath, bool hidden,
        const QString &tags, QString *fileId)
        = 0;
    virtual int list(const Space &space, const QString &parentId, QVector<Entry> *out) = 0;
    virtual bool hasChild(const QString &parentId, const QString &name) = 0;
    virtual int search(
        const Space &space, const QString &parentId, const QString &type, const QStringList &names, QVector<Entry> *out)
        = 0;
    virtual int rename(const Space &space, const QString &fileId, const QString &newName) = 0;
    virtual int recycle(const Space &space, const QString &fileId) = 0;
    virtual int remove(const Space &space, const QString &fileId) = 0;
    // Used and total bytes of the space; a total of 0 means no known limit.
    virtual bool usage(const Space &space, qint64 *used, qint64 *total) = 0;

    virtual int createShare(const Space &space, const QString &fileId, const QString &accessCode,
        qint64 expiresInSeconds, int type, const QString &tags, Share *out)
        = 0;
    // The link a share is reached by; empty when the backend has none of its own.
    virtual QString shareUrl(const Share &share) const = 0;
    virtual bool share(const QString &id, Share *out) = 0;

    // Records uploaded entries in order and marks their transfer items done. A name clash on the
    // top entry is settled by the transfer's clash mode.
    virtual int commitUploads(const TransferRecord &transfer, QVector<UploadCommit> &commits) = 0;
    // Waits for what the commits of a transfer left running (a server's property writes); Ok, or
    // the first failure. Called once the last entry is committed.
    virtual int settle(const TransferRecord &transfer)
    {
        Q_UNUSED(transfer)
        return Ok;
    }
};

} // namespace TQDrive

#endif
