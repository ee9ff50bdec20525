#ifndef TQDRIVE_WEBDAVCLIENT_H
#define TQDRIVE_WEBDAVCLIENT_H

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>
#include <QVector>

#include <functional>

namespace TQDrive {

// Where a drive's server is and who signs in to it.
struct WebDavServer {
    QUrl url; // the collection that is the root of the account's files, with a trailing slash
    QString user;
    QString password;
};

// One resource of a PROPFIND answer, its path relative to the server's root collection ("" for the
// root itself, no leading or trailing slash). Properties the server did not return are absent.
struct DavResource {
    QString path;
    bool isDir = false;
    qint64 size = 0;
    QString etag;
    qint64 mtime = 0;
    QHash<QString, QString> props; // "{namespace}name" of every other property returned with a value
};

struct DavResponse {
    int status = 0; // HTTP status; 0 when no answer came
    QByteArray body;
    QHash<QByteArray, QByteArray> headers; // lower-case names
    bool aborted = false; // stopped by the caller's callback
    QString error; // transport failure, for the log
    QString request; // method and path, for the log (never credentials)
};

// A small WebDAV client over libcurl. Each thread uses one easy handle of its own, kept for the life
// of the thread, so that connections are reused between requests of a transfer.
class WebDavClient
{
public:
    // Asked before each chunk and during waits: false aborts the request.
    using Proceed = std::function<bool()>;
    // Upload body: fills up to `max` bytes; returns the count, 0 at the end, -1 to abort.
    using Source = std::function<qint64(char *buffer, qint64 max)>;
    // Download body of a successful answer, with its status (200 or 206) and headers: false aborts.
    using Sink = std::function<bool(
        int status, const QHash<QByteArray, QByteArray> &headers, const char *data, qint64 length)>;

    explicit WebDavClient(WebDavServer server);

    const WebDavServer &server() const { return m_server; }
    QUrl urlOf(const QString &path, bool isDir = false) const;

    DavResponse request(const QByteArray &method, const QString &path, const QByteArray &body = QByteArray(),
        const QList<QByteArray> &headers = {}) const;
    DavResponse propfind(const QString &path, int depth, const QByteArray &body, QVector<DavResource> *out) const;
    DavResponse mkcol(const QString &path) const;
    // MOVE or COPY to `to`; overwrite false makes the server refuse an existing target (412).
    DavResponse transfer(
        const QByteArray &method, const QString &from, const QString &to, bool overwrite, bool isDir = false) const;
    // MOVE or COPY to a URL outside this client's root (another namespace of the same server).
    DavResponse transferTo(const QByteArray &method, const QString &from, const QUrl &destination, bool overwrite,
        const QList<QByteArray> &headers = {}) const;
    // Any request to an address of the server given whole (query included).
    DavResponse requestUrl(const QByteArray &method, const QUrl &url, const QByteArray &body = QByteArray(),
        const QList<QByteArray> &headers = {}) const;
    // DELETE; a folder is named with its trailing slash, which some servers insist on.
    DavResponse remove(const QString &path, bool isDir) const;
    // PUT of `length` bytes; with offset > 0 a ranged PUT of bytes offset..offset+length-1 of `total`.
    DavResponse put(const QString &path, qint64 offset, qint64 length, qint64 total, const Source &source,
        const Proceed &proceed, const QList<QByteArray> &headers = {}) const;
    DavResponse mkcol(const QString &path, const QList<QByteArray> &headers) const;
    // GET from `offset` (a Range request when above 0).
    DavResponse get(const QString &path, qint64 offset, const Sink &sink, const Proceed &proceed) const;

    static QVector<DavResource> parseMultistatus(const QByteArray &xml, const QString &basePath);
    static bool isLoopbackHost(const QString &host);
    // Milliseconds since the epoch of an HTTP date; 0 when it cannot be read.
    static qint64 httpDateMs(const QString &text);

private:
    DavResponse perform(const QByteArray &method, const QUrl &url, const QList<QByteArray> &headers,
        const QByteArray *body, const Source *source, qint64 uploadLength, const Sink *sink,
        const Proceed *proceed) const;

    WebDavServer m_server;
};

} // namespace TQDrive

#endif
