#ifndef TQDRIVE_NEXTCLOUDDIALECT_H
#define TQDRIVE_NEXTCLOUDDIALECT_H

#include "DriveStore.h"
#include "WebDavClient.h"

namespace TQDrive {

// What Nextcloud and ownCloud offer beyond plain WebDAV, from their public developer documentation:
// chunked uploads (v2) in the uploads namespace, the trash bin, and public links through the OCS
// share API. Found from the files address, ".../remote.php/dav/files/<user>/".
class NextcloudDialect
{
public:
    // False when the address is not a Nextcloud / ownCloud files address.
    static bool fromFilesUrl(const WebDavServer &files, NextcloudDialect *out);

    // Bytes per chunk: Nextcloud takes chunks of 5 MiB to 5 GiB, the last one smaller.
    static constexpr qint64 kChunkSize = 10 << 20;

    QUrl fileUrl(const QString &path) const;
    WebDavClient uploads() const { return WebDavClient(m_uploads); }
    // The chunk name of a (1-based) chunk number: numbers sort as names too.
    static QString chunkName(int number);

    // Bytes of the chunks that arrived whole, in order from the first; creates the upload folder
    // when there is none. Ok or a code.
    int openUpload(const QString &folder, const QString &target, qint64 *stored, int *chunks) const;
    // Assembles an upload at `target` (a files path). HTTP answer as is.
    DavResponse finishUpload(const QString &folder, const QString &target, qint64 size, bool overwrite) const;
    // Removes the trash bin item a deleted path became (the most recent one of that place).
    void purge(const QString &path) const;
    // A public link (share type 3), with the access code as its password and the expiry rounded up to
    // a whole day (Nextcloud links end at a date). Ok or a code; fills id, url and expiresAt.
    int createShare(const QString &path, const QString &accessCode, qint64 expiresInSeconds, Share *out) const;

private:
    WebDavServer m_files;
    WebDavServer m_uploads;
    WebDavServer m_trash;
    QUrl m_base; // before /remote.php
};

} // namespace TQDrive

#endif
