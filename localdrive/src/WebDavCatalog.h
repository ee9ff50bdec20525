#ifndef TQDRIVE_WEBDAVCATALOG_H
#define TQDRIVE_WEBDAVCATALOG_H

#include "DriveCatalog.h"
#include "NextcloudDialect.h"
#include "WebDavCapabilities.h"
#include "WebDavClient.h"

#include <QFuture>
#include <QHash>
#include <QMutex>
#include <QThreadPool>

#include <functional>

namespace TQDrive {

// The catalog of a drive on a WebDAV server: entries are the server's resources under its root
// collection. Ids are the drive's own dead property where the server keeps one (so they survive a
// rename made elsewhere), else ids of a local cache keyed by path; either way the cache maps ids to
// paths, since WebDAV has no lookup by id. The recycle bin is a hidden folder on the server.
class WebDavCatalog : public DriveCatalog
{
public:
    WebDavCatalog(std::shared_ptr<DriveStore> store, WebDavServer server, quint64 spaceId, QString rootId);
    ~WebDavCatalog() override;

    // Also decides on the Nextcloud / ownCloud dialect: file ids reported and a files address.
    void setCapabilities(const WebDavCapabilities &capabilities);
    // True with the dialect when the server speaks it.
    bool nextcloud(NextcloudDialect *out = nullptr) const;
    WebDavCapabilities capabilities() const;
    // Called when the server refuses the credentials.
    void setUnauthorizedHandler(std::function<void()> handler);
    // Where failed requests are told, for the drive's log.
    void setLogger(std::function<void(const QString &)> logger);

    // The server path of an entry id ("" for the root); false when the id is unknown.
    bool pathOf(const QString &fileId, QString *path);
    WebDavClient client() const;
    // A code for a failed request; a refusal of the credentials is reported to the handler.
    int failure(const DavResponse &response, int fallback) const;
    void note(const QString &line) const;

    bool entry(const QString &fileId, Entry *out) override;
    bool entryInSpace(const Space &space, const QString &fileId, Entry *out) override;
    int find(const Space &space, const QString &fileId, Entry *out) override { return lookup(space, fileId, out); }
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
    int settle(const TransferRecord &transfer) override;

private:
    // Ok with the entry of an id (and its path on the server); FileNotFound, or the code of the
    // server's failure.
    int lookup(const Space &space, const QString &fileId, Entry *out, QString *path = nullptr);
    // Ok with the entry at `path`; FileNotFound when the server has nothing there.
    int stat(const QString &path, Entry *out) const;
    Entry entryOf(const DavResource &resource) const;
    int listPath(const QString &path, QVector<Entry> *out) const;
    int writeMeta(const QString &path, const QString &id, const QString &hash, bool hidden, const QString &tags) const;
    int makeFolder(const QString &path, const QString &id, bool hidden, const QString &tags) const;
    // The id of an entry just made at `path`: the server's where it numbers files, else `drawn`.
    QString serverId(const QString &path, const QString &drawn = QString());
    // Moves a file staged by the content into place; NameClash when something is there and !overwrite.
    int place(const UploadCommit &c, const QString &target, bool overwrite) const;
    // A free name in the folder: "name (n)" for the first n with nothing there.
    QString freeName(const QString &parentPath, const QString &name, bool isDir) const;
    int recycleAt(const QString &path, const QString &id, bool isDir);
    int commitOne(const TransferRecord &transfer, UploadCommit &c);

    std::shared_ptr<DriveStore> m_store;
    const WebDavClient m_client;
    const quint64 m_spaceId;
    const QString m_rootId;
    mutable QMutex m_mutex; // guards the two below
    WebDavCapabilities m_capabilities;
    bool m_nextcloud = false;
    NextcloudDialect m_dialect;
    std::function<void()> m_unauthorized;
    std::function<void(const QString &)> m_logger;
    QThreadPool m_commitPool; // property writes of committed files, one connection per thread
    QHash<QString, QList<QFuture<int>>> m_pendingMeta; // by transfer uid; guarded by m_mutex
};

QString davParentPath(const QString &path);
QString davChildPath(const QString &parent, const QString &name);

} // namespace TQDrive

#endif
