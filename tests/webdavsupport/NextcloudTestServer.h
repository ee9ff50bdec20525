#ifndef NEXTCLOUDTESTSERVER_H
#define NEXTCLOUDTESTSERVER_H

#include "HttpConnection.h"
#include "OcsShareApi.h"

#include <QHash>
#include <QJsonArray>
#include <QMap>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <QUrl>

#include <memory>

class QTemporaryDir;
class QTcpServer;

// An in-process stand-in for a Nextcloud / ownCloud server, written from Nextcloud's public developer
// documentation (WebDAV basics, chunked file upload v2, trash bin, OCS share API), for one account.
// It speaks HTTP/1.1 on 127.0.0.1 from a thread of its own; files live in a temporary folder.
//
//  /remote.php/dav/files/USER/...   PROPFIND (Depth 0 or 1; a missing or "infinity" depth is taken as
//                                   1, as Nextcloud refuses infinity), MKCOL, PUT, GET and HEAD with
//                                   Range and If-Range, DELETE (into the trash bin), MOVE, COPY.
//                                   Properties: resourcetype, getcontentlength, getlastmodified,
//                                   getetag, oc:fileid, oc:id, oc:size, oc:permissions and, on
//                                   folders, quota-used-bytes / quota-available-bytes.
//                                   A PUT with Content-Range is refused with 400 (Nextcloud has no
//                                   ranged PUT; clients resume through chunked uploads).
//  /remote.php/webdav/...           the same files (the legacy endpoint).
//  /remote.php/dav/uploads/USER/ID/ chunked upload v2: MKCOL, PUT of numbered chunks (1..10000),
//                                   PROPFIND lists the chunks that arrived, MOVE of ".file" to the
//                                   target assembles them in numeric order (OC-Total-Length checked
//                                   when sent), DELETE aborts. Chunk sizes are not enforced.
//  /remote.php/dav/trashbin/USER/trash/   PROPFIND lists "NAME.dTIME" items with
//                                   nc:trashbin-filename, -original-location, -deletion-time;
//                                   DELETE purges one item or all; MOVE to .../restore/ITEM puts it
//                                   back (to the root when its folder is gone, as "NAME (restored)"
//                                   when the name is taken). Ids survive the trip.
//  /ocs/v{1,2}.php/apps/files_sharing/api/v1/shares[/ID]   POST (path, shareType=3 only, password,
//                                   expireDate YYYY-MM-DD, later than today), GET, PUT, DELETE.
//                                   The OCS-APIRequest header is required (997 otherwise, as
//                                   Nextcloud's CSRF check does); JSON with format=json or an Accept
//                                   of application/json, XML otherwise. v2 mirrors the status code in
//                                   HTTP, v1 answers 200 with statuscode 100 on success.
//  /status.php                      the instance's product name and version, without auth.
// Every other path answers 404; every path but status.php needs Basic auth (401 otherwise).
class NextcloudTestServer
{
public:
    static std::unique_ptr<NextcloudTestServer> start(QString *error);
    ~NextcloudTestServer();
    NextcloudTestServer(const NextcloudTestServer &) = delete;
    NextcloudTestServer &operator=(const NextcloudTestServer &) = delete;

    QUrl url() const; // http://127.0.0.1:PORT/
    QUrl filesUrl() const; // .../remote.php/dav/files/USER/
    QString user() const { return QStringLiteral("tester"); }
    QString password() const;
    // A revoked app password: every request with the old one gets 401 from now on.
    void setPassword(const QString &password);
    // Total bytes the account may hold; a negative value reports "unlimited" (-3), as Nextcloud does.
    void setQuota(qint64 bytes);
    // The user's files on disk.
    QString filesFolder() const;
    // -1 when nothing lives at that path (relative to the user's root, "" for the root).
    qint64 fileId(const QString &path) const;
    QStringList trashItems() const;
    QJsonArray shares() const;
    // "METHOD /decoded/path" of every request so far, in order.
    QStringList requestLog() const;

private:
    struct TrashItem {
        QString originalLocation; // relative to the user's root
        qint64 deletionTime = 0;
        QHash<QString, qint64> ids; // relative to the item ("" is the item itself)
    };
    enum class Area { Files, Uploads, Trash, Restore, None };
    struct Target {
        Area area = Area::None;
        QString rel; // relative to the area's root, no leading or trailing slash
    };

    NextcloudTestServer();
    bool listen(QString *error);
    HttpResponse handle(const HttpRequest &request);
    bool authorized(const HttpRequest &request) const;
    Target resolve(const QString &path) const;
    QString diskPath(const Target &target) const;

    HttpResponse propfind(const HttpRequest &request, const Target &target);
    HttpResponse get(const HttpRequest &request, const Target &target);
    HttpResponse put(const HttpRequest &request, const Target &target);
    HttpResponse mkcol(const Target &target);
    HttpResponse remove(const Target &target);
    HttpResponse moveOrCopy(const HttpRequest &request, const Target &target, bool move);
    HttpResponse assembleChunks(const HttpRequest &request, const Target &upload, const Target &destination);
    HttpResponse restore(const Target &item, const Target &destination);

    QByteArray propEntry(const Target &target, const QString &href) const;
    QByteArray etagOf(const QString &diskPath) const;
    qint64 usedBytes() const;
    qint64 idFor(const QString &rel); // assigns one on first sight
    void moveIds(const QString &from, const QString &to);
    QHash<QString, qint64> takeIds(const QString &rel);
    HttpResponse fileWritten(const QString &rel, bool existed);

    std::unique_ptr<QTemporaryDir> m_dir;
    QThread m_thread;
    QObject *m_context = nullptr; // lives in m_thread; parent of the listener and connections
    QTcpServer *m_server = nullptr;
    quint16 m_port = 0;

    mutable QMutex m_mutex; // guards everything below
    QString m_password;
    qint64 m_quota = qint64(10) << 30;
    QHash<QString, qint64> m_ids;
    qint64 m_nextId = 100;
    QMap<QString, TrashItem> m_trash;
    OcsShareApi m_shareApi;
    QStringList m_requests;
};

#endif
