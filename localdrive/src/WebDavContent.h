#ifndef TQDRIVE_WEBDAVCONTENT_H
#define TQDRIVE_WEBDAVCONTENT_H

#include "DriveContent.h"
#include "WebDavCatalog.h"

#include <QHash>
#include <QMutex>

namespace TQDrive {

class ContentHasher;

// File content on a WebDAV server. Uploads go to a staging file in the hidden folder (Nextcloud: to
// numbered chunks in its uploads namespace) and are moved into place by the catalog's commit; where
// the server honours ranged PUT they are sent in segments and resume after the last segment the
// server holds, elsewhere an interrupted file starts over. Downloads resume with Range once the file
// is known to be still the version the part came from.
class WebDavContent : public DriveContent
{
public:
    explicit WebDavContent(std::shared_ptr<WebDavCatalog> catalog);

    int upload(
        const TransferRecord &transfer, const TransferItem &item, TransferFlow &flow, UploadCommit *commit) override;
    int download(const TransferRecord &transfer, const TransferItem &item, const QString &part, TransferFlow &flow,
        QString *hash) override;
    int fetch(const Entry &entry, const QString &target) override;
    QString thumbnail(const Entry &entry) const override;
    void dropStaging(const TransferRecord &transfer) override;

    static QString stagingFolder(const TransferRecord &transfer);
    // Nextcloud upload folders of a transfer: the prefix, then the plan index.
    static QString chunkFolderPrefix(const TransferRecord &transfer);

private:
    static bool sameVersion(QString a, QString b);
    // Makes a transfer's staging folder once per run; *fresh when this run made it (nothing to resume).
    int prepareStaging(const WebDavClient &client, const QString &folder, bool *fresh) const;
    void forgetStaging(const TransferRecord &transfer) const;
    // Plain WebDAV: a staging file, in segments where ranged PUT works. Fills *staged with its path.
    int uploadStaged(const TransferRecord &transfer, const TransferItem &item, QFile &in, bool sourceUnchanged,
        ContentHasher &hasher, TransferFlow &flow, QString *staged) const;
    // Nextcloud: numbered chunks in an upload folder, resumed after the chunks that arrived whole.
    int uploadChunks(const NextcloudDialect &dialect, const TransferRecord &transfer, const TransferItem &item,
        QFile &in, bool sourceUnchanged, ContentHasher &hasher, TransferFlow &flow, QString *staged) const;
    // One PUT of `length` bytes of `in` from `offset`: into a range of `total` bytes, or (total < 0) a
    // file of its own.
    int send(const WebDavClient &client, const QString &path, QFile &in, qint64 offset, qint64 length, qint64 total,
        ContentHasher &hasher, TransferFlow &flow, const TransferItem &item) const;

    std::shared_ptr<WebDavCatalog> m_catalog;
    mutable QMutex m_mutex; // guards m_stagingFolders
    mutable QHash<QString, bool> m_stagingFolders; // made or found by this run: whether made
};

} // namespace TQDrive

#endif
