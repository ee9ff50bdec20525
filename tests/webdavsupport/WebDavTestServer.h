#ifndef WEBDAVTESTSERVER_H
#define WEBDAVTESTSERVER_H

#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

#include <sys/types.h>

class QTemporaryDir;

// A real WebDAV server from the distribution, started on 127.0.0.1 for one test and stopped with it.
//
// Each server gets its own temporary folder (config, logs, password file, served root), a free port,
// and Basic auth for the user "tester" with a password drawn per start. The server runs in a process
// group of its own, so stop() (and the destructor) ends it together with every worker it forked, even
// when the test failed half way. A small supervising process leads the group: should the test
// process itself crash or be killed, it kills the group within 20 ms.
//
// As root (the CI machines), Apache, lighttpd and nginx drop their workers to "daemon": the temporary
// folder is made 0755 and the served folder is owned by daemon, so files written through the server
// belong to daemon. rclone keeps the caller's user.
//
// Capabilities measured with curl on Debian 12 (Apache 2.4.71, lighttpd 1.4.69, nginx 1.22.1 with
// dav-ext, rclone 1.60.1) with exactly the configurations written here:
//
//  Apache (mod_dav_fs): ranged PUT "Content-Range: bytes 11-15/16" -> 204 and the bytes land at the
//      offset, also in the middle of a file. PROPPATCH of a dead property -> 207 (200 inside); it is
//      returned after MOVE. Dead properties live in ".DAV/" folders inside the served
//      folder. quota-available-bytes / quota-used-bytes -> 404 in the propstat. DAV: 1,2.
//  lighttpd (mod_webdav, properties in SQLite, partial-put-copy-modify): ranged PUT -> 204, written at
//      the offset. PROPPATCH -> 204 (not 207); kept after MOVE and COPY. Quota props -> 404.
//      PROPFIND/PROPPATCH with a body are refused with 415 unless Content-Type is application/xml or
//      text/xml. DAV: 1,2,3.
//  nginx (dav_methods + dav-ext): ranged PUT -> 501, file unchanged. PROPPATCH -> 405. PROPFIND
//      answers 200 with an empty <prop> for every property it does not know (no 404 propstat), so a
//      missing property must be read as "not supported". MOVE over nothing -> 204. DAV: 1.
//  rclone serve webdav: ranged PUT -> 201 but the file is replaced by the body alone (the bytes before
//      the offset are lost). PROPPATCH -> 207 with 403 inside. Quota props -> 404. OPTIONS answers
//      "Dav: 1, 2". A PUT is written in place: the file is emptied when the PUT starts (a GET meanwhile
//      can read 0 bytes) and keeps exactly what arrived when the connection breaks (65,000 of 204,800
//      body bytes), with nothing logged. Upload to a temporary name and MOVE it into place.
//  All four: 401 on a wrong password, MKCOL 201, DELETE 204, MOVE 201 or 204. Apache, lighttpd and
//      nginx keep the previous file when a PUT breaks mid-body (200 KiB cut after 64 KiB).
class WebDavTestServer
{
public:
    enum class Kind { Apache, Lighttpd, Nginx, Rclone };

    struct Capabilities {
        bool rangedPut = false; // PUT with Content-Range writes at the offset and keeps the rest
        bool deadProperties = false; // PROPPATCH'd properties are kept, and follow MOVE and COPY
        bool quota = false; // RFC 4331 quota-available-bytes / quota-used-bytes are reported
        bool atomicPut = false; // a PUT broken mid-body leaves the previous file as it was
    };

    static Capabilities expectedCapabilities(Kind kind);
    static QString kindName(Kind kind);
    // The Debian package that provides the server.
    static QString packageName(Kind kind);

    // Null with a reason in *error when the binary is missing or the server does not answer in time.
    static std::unique_ptr<WebDavTestServer> start(Kind kind, QString *error);

    ~WebDavTestServer();
    WebDavTestServer(const WebDavTestServer &) = delete;
    WebDavTestServer &operator=(const WebDavTestServer &) = delete;

    Kind kind() const { return m_kind; }
    // http://127.0.0.1:PORT/ without credentials.
    QUrl url() const;
    quint16 port() const { return m_port; }
    QString user() const { return QStringLiteral("tester"); }
    QString password() const { return m_password; }
    // The folder the server's root URL maps to.
    QString servedFolder() const;
    // What the server wrote to its error log and standard streams, for failure messages.
    QString logText() const;
    bool isRunning() const;
    void stop();

private:
    WebDavTestServer(Kind kind, std::unique_ptr<QTemporaryDir> dir);
    bool writeConfig(QString *error);
    bool launch(const QString &binary, QString *error);
    bool waitUntilAnswering(int timeoutMs, QString *error);

    Kind m_kind;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_password;
    quint16 m_port = 0;
    QStringList m_arguments;
    pid_t m_pid = -1;
};

#endif
