#include "NextcloudTestServer.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

const QString kFilesPrefix = QStringLiteral("/remote.php/dav/files/");
const QString kLegacyPrefix = QStringLiteral("/remote.php/webdav");
const QString kUploadsPrefix = QStringLiteral("/remote.php/dav/uploads/");
const QString kTrashPrefix = QStringLiteral("/remote.php/dav/trashbin/");
constexpr int kMaxChunkNumber = 10000;
const QByteArray kXmlHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
const QByteArray kXmlType = "application/xml; charset=utf-8";

QString parentOf(const QString &rel)
{
    const int slash = rel.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : rel.left(slash);
}

QString nameOf(const QString &rel)
{
    return rel.mid(rel.lastIndexOf(QLatin1Char('/')) + 1);
}

QString joined(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || name.isEmpty())
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool within(const QString &rel, const QString &prefix)
{
    return prefix.isEmpty() || rel == prefix || rel.startsWith(prefix + QLatin1Char('/'));
}

bool removePath(const QString &path)
{
    return QFileInfo(path).isDir() ? QDir(path).removeRecursively() : QFile::remove(path);
}

bool copyPath(const QString &from, const QString &to)
{
    if (!QFileInfo(from).isDir())
        return QFile::copy(from, to);
    if (!QDir().mkpath(to))
        return false;
    for (const QString &name : QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!copyPath(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name))
            return false;
    }
    return true;
}

qint64 treeSize(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return info.size();
    qint64 total = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

QByteArray escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray httpDate(const QDateTime &time)
{
    return QLocale::c().toString(time.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1();
}

HttpResponse davError(int status, const QString &message)
{
    const QByteArray body = kXmlHead + "<d:error xmlns:d=\"DAV:\" xmlns:s=\"http://sabredav.org/ns\"><s:message>"
        + escaped(message) + "</s:message></d:error>";
    return HttpResponse::of(status, body, kXmlType);
}

} // namespace

std::unique_ptr<NextcloudTestServer> NextcloudTestServer::start(QString *error)
{
    std::unique_ptr<NextcloudTestServer> server(new NextcloudTestServer);
    if (!server->m_dir->isValid()) {
        *error = QStringLiteral("cannot create a temporary folder: %1").arg(server->m_dir->errorString());
        return nullptr;
    }
    for (const char *folder : {"files", "uploads", "trash"}) {
        if (!QDir(server->m_dir->path()).mkpath(QLatin1String(folder))) {
            *error = QStringLiteral("cannot create the folders under %1").arg(server->m_dir->path());
            return nullptr;
        }
    }
    if (!server->listen(error))
        return nullptr;
    return server;
}

NextcloudTestServer::NextcloudTestServer()
    : m_dir(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/nextcloud-XXXXXX")))
    , m_password(QString::number(QRandomGenerator::system()->generate64(), 36))
    , m_shareApi(user())
{
    m_thread.setObjectName(QStringLiteral("NextcloudTestServer"));
}

NextcloudTestServer::~NextcloudTestServer()
{
    if (m_context) // the listener and the connections die in the thread that owns them
        QMetaObject::invokeMethod(
            m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool NextcloudTestServer::listen(QString *error)
{
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
    bool listening = false;
    QMetaObject::invokeMethod(
        m_context,
        [&] {
            m_server = new QTcpServer(m_context);
            QObject::connect(m_server, &QTcpServer::newConnection, m_context, [this] {
                while (QTcpSocket *socket = m_server->nextPendingConnection())
                    new HttpConnection(
                        socket, [this](const HttpRequest &request) { return handle(request); }, m_context);
            });
            listening = m_server->listen(QHostAddress::LocalHost, 0);
            m_port = m_server->serverPort();
            if (!listening)
                *error = m_server->errorString();
        },
        Qt::BlockingQueuedConnection);
    return listening;
}

QUrl NextcloudTestServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port));
}

QUrl NextcloudTestServer::filesUrl() const
{
    return url().resolved(QUrl(kFilesPrefix.mid(1) + user() + QLatin1Char('/')));
}

QString NextcloudTestServer::password() const
{
    QMutexLocker lock(&m_mutex);
    return m_password;
}

void NextcloudTestServer::setPassword(const QString &password)
{
    QMutexLocker lock(&m_mutex);
    m_password = password;
}

void NextcloudTestServer::setQuota(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    m_quota = bytes;
}

QString NextcloudTestServer::filesFolder() const
{
    return m_dir->filePath(QStringLiteral("files"));
}

qint64 NextcloudTestServer::fileId(const QString &path) const
{
    QMutexLocker lock(&m_mutex);
    const QString rel = path.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
    if (!QFileInfo::exists(diskPath({Area::Files, rel})))
        return -1;
    return m_ids.value(rel, -1);
}

QStringList NextcloudTestServer::trashItems() const
{
    QMutexLocker lock(&m_mutex);
    return m_trash.keys();
}

QJsonArray NextcloudTestServer::shares() const
{
    QMutexLocker lock(&m_mutex);
    return m_shareApi.shares();
}

QStringList NextcloudTestServer::requestLog() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

bool NextcloudTestServer::authorized(const HttpRequest &request) const
{
    const QByteArray header = request.header("authorization");
    if (!header.startsWith("Basic "))
        return false;
    return QByteArray::fromBase64(header.mid(6)) == (user() + QLatin1Char(':') + m_password).toUtf8();
}

NextcloudTestServer::Target NextcloudTestServer::resolve(const QString &path) const
{
    const QString userPart = user();
    auto after = [&](const QString &prefix, QString *rest) {
        if (!path.startsWith(prefix))
            return false;
        *rest = path.mid(prefix.size());
        return rest->isEmpty() || rest->startsWith(QLatin1Char('/'));
    };
    Target target;
    QString rest;
    if (after(kFilesPrefix + userPart, &rest) || after(kLegacyPrefix, &rest)) {
        target.area = Area::Files;
    } else if (after(kUploadsPrefix + userPart, &rest)) {
        target.area = Area::Uploads;
    } else if (after(kTrashPrefix + userPart + QStringLiteral("/trash"), &rest)) {
        target.area = Area::Trash;
    } else if (after(kTrashPrefix + userPart + QStringLiteral("/restore"), &rest)) {
        target.area = Area::Restore;
    } else {
        return target;
    }
    const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.contains(QStringLiteral("..")) || parts.contains(QStringLiteral(".")))
        return Target();
    target.rel = parts.join(QLatin1Char('/'));
    return target;
}

QString NextcloudTestServer::diskPath(const Target &target) const
{
    static const char *const folders[] = {"files", "uploads", "trash"};
    if (target.area == Area::None || target.area == Area::Restore)
        return QString();
    const QString base = m_dir->filePath(QLatin1String(folders[int(target.area)]));
    return target.rel.isEmpty() ? base : base + QLatin1Char('/') + target.rel;
}

HttpResponse NextcloudTestServer::handle(const HttpRequest &request)
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(QString::fromLatin1(request.method) + QLatin1Char(' ') + request.path);
    if (request.path == QLatin1String("/status.php")) {
        const QJsonObject status{{QStringLiteral("installed"), true}, {QStringLiteral("maintenance"), false},
            {QStringLiteral("needsDbUpgrade"), false}, {QStringLiteral("version"), QStringLiteral("28.0.4.1")},
            {QStringLiteral("versionstring"), QStringLiteral("28.0.4")},
            {QStringLiteral("productname"), QStringLiteral("Nextcloud")}};
        return HttpResponse::of(200, QJsonDocument(status).toJson(QJsonDocument::Compact), "application/json");
    }
    if (!authorized(request)) {
        return davError(401, QStringLiteral("No 'Authorization: Basic' header found or wrong credentials"))
            .withHeader("WWW-Authenticate", "Basic realm=\"Nextcloud\", charset=\"UTF-8\"");
    }
    if (OcsShareApi::handles(request.path)) {
        return m_shareApi.handle(request, [this](const QString &rel) {
            const QFileInfo info(diskPath({Area::Files, rel}));
            return OcsShareApi::Item{info.exists() && !rel.isEmpty(), info.isDir(), info.exists() ? idFor(rel) : -1};
        });
    }
    const Target target = resolve(request.path);
    if (target.area == Area::None)
        return davError(404, QStringLiteral("Nothing here"));
    const QByteArray &method = request.method;
    if (method == "PROPFIND")
        return propfind(request, target);
    if (method == "GET" || method == "HEAD")
        return get(request, target);
    if (method == "PUT")
        return put(request, target);
    if (method == "MKCOL")
        return mkcol(target);
    if (method == "DELETE")
        return remove(target);
    if (method == "MOVE" || method == "COPY")
        return moveOrCopy(request, target, method == "MOVE");
    if (method == "OPTIONS")
        return HttpResponse::of(200)
            .withHeader("DAV", "1, 3, extended-mkcol")
            .withHeader("Allow", "OPTIONS, GET, HEAD, DELETE, PROPFIND, PUT, MKCOL, MOVE, COPY");
    return davError(501, QStringLiteral("Method not supported here"));
}

HttpResponse NextcloudTestServer::propfind(const HttpRequest &request, const Target &target)
{
    if (target.area == Area::Restore)
        return davError(405, QStringLiteral("Restore is a MOVE target only"));
    const QFileInfo info(diskPath(target));
    if (!info.exists())
        return davError(404, QStringLiteral("File with name %1 could not be located").arg(target.rel));
    QString base;
    switch (target.area) {
    case Area::Files:
        base = request.path.startsWith(kLegacyPrefix) ? kLegacyPrefix : kFilesPrefix + user();
        break;
    case Area::Uploads:
        base = kUploadsPrefix + user();
        break;
    default:
        base = kTrashPrefix + user() + QStringLiteral("/trash");
        break;
    }
    auto href = [&](const QString &rel, bool folder) {
        QString path = base + QLatin1Char('/') + rel;
        if (folder && !path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        return QString::fromLatin1(QUrl::toPercentEncoding(path, "/"));
    };
    QByteArray body = kXmlHead
        + "<d:multistatus xmlns:d=\"DAV:\" xmlns:s=\"http://sabredav.org/ns\" xmlns:oc=\"http://owncloud.org/ns\""
          " xmlns:nc=\"http://nextcloud.org/ns\">";
    body += propEntry(target, href(target.rel, info.isDir()));
    if (info.isDir() && request.header("depth") != "0") {
        for (const QFileInfo &child :
            QDir(info.filePath()).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
            const Target childTarget{target.area, joined(target.rel, child.fileName())};
            body += propEntry(childTarget, href(childTarget.rel, child.isDir()));
        }
    }
    body += "</d:multistatus>";
    return HttpResponse::of(207, body, kXmlType);
}

QByteArray NextcloudTestServer::propEntry(const Target &target, const QString &href) const
{
    const QString path = diskPath(target);
    const QFileInfo info(path);
    auto *self = const_cast<NextcloudTestServer *>(this); // ids are handed out on first sight
    QByteArray props;
    auto add = [&](const char *name, const QByteArray &value) {
        props += '<' + QByteArray(name) + '>' + value + "</" + QByteArray(name) + '>';
    };
    add("d:resourcetype", info.isDir() ? "<d:collection/>" : "");
    add("d:getlastmodified", httpDate(info.lastModified()));
    add("d:getetag", etagOf(path));
    if (!info.isDir())
        add("d:getcontentlength", QByteArray::number(info.size()));
    if (target.area == Area::Files || target.area == Area::Trash) {
        qint64 id = -1;
        if (target.area == Area::Files) {
            id = self->idFor(target.rel);
        } else if (!target.rel.isEmpty()) {
            const QString item = target.rel.section(QLatin1Char('/'), 0, 0);
            id = m_trash.value(item).ids.value(target.rel.section(QLatin1Char('/'), 1), -1);
        }
        if (id >= 0) {
            add("oc:fileid", QByteArray::number(id));
            add("oc:id", QStringLiteral("%1ocnctest").arg(id, 8, 10, QLatin1Char('0')).toLatin1());
        }
        add("oc:size", QByteArray::number(treeSize(path)));
        add("oc:permissions", info.isDir() ? "RGDNVCK" : "RGDNVW");
    }
    if (target.area == Area::Files && info.isDir()) {
        const qint64 used = usedBytes();
        add("d:quota-used-bytes", QByteArray::number(used));
        add("d:quota-available-bytes", QByteArray::number(m_quota < 0 ? -3 : qMax<qint64>(0, m_quota - used)));
    }
    if (target.area == Area::Trash && !target.rel.isEmpty() && !target.rel.contains(QLatin1Char('/'))) {
        const TrashItem item = m_trash.value(target.rel);
        add("nc:trashbin-filename", escaped(nameOf(item.originalLocation)));
        add("nc:trashbin-original-location", escaped(item.originalLocation));
        add("nc:trashbin-deletion-time", QByteArray::number(item.deletionTime));
    }
    return "<d:response><d:href>" + href.toUtf8() + "</d:href><d:propstat><d:prop>" + props
        + "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

// Changes with every write at or below the path, as a client's sync and If-Range need, and not with
// a rename of the item itself. Every write replaces the file (QSaveFile), so the inode is new even
// when size and time stay the same. Quoted, as servers send it.
QByteArray NextcloudTestServer::etagOf(const QString &diskPath) const
{
    QCryptographicHash hash(QCryptographicHash::Md5);
    auto addEntry = [&hash](const QString &path, const QString &name) {
        struct stat info = {};
        ::stat(QFile::encodeName(path).constData(), &info);
        hash.addData(name.toUtf8());
        const qint64 fields[]
            = {qint64(info.st_ino), qint64(info.st_size), qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec)};
        hash.addData(reinterpret_cast<const char *>(fields), sizeof fields);
    };
    addEntry(diskPath, QString());
    if (QFileInfo(diskPath).isDir()) {
        QDirIterator it(diskPath, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            addEntry(path, path.mid(diskPath.size()));
        }
    }
    return '"' + hash.result().toHex().left(16) + '"';
}

qint64 NextcloudTestServer::usedBytes() const
{
    return treeSize(filesFolder());
}

HttpResponse NextcloudTestServer::get(const HttpRequest &request, const Target &target)
{
    if (target.area != Area::Files)
        return davError(405, QStringLiteral("GET is for files"));
    const QString path = diskPath(target);
    const QFileInfo info(path);
    if (!info.exists())
        return davError(404, QStringLiteral("File with name %1 could not be located").arg(target.rel));
    if (info.isDir())
        return davError(405, QStringLiteral("Cannot GET a folder"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return davError(403, QStringLiteral("Cannot read %1").arg(target.rel));
    const QByteArray etag = etagOf(path);
    const qint64 size = info.size();
    qint64 first = 0;
    qint64 last = size - 1;
    bool partial = false;
    const QByteArray range = request.header("range");
    const QByteArray ifRange = request.header("if-range");
    // A stale If-Range means the client's partial copy is of another version: send it all.
    if (range.startsWith("bytes=") && !range.contains(',') && (ifRange.isEmpty() || ifRange == etag)) {
        const QList<QByteArray> ends = range.mid(6).split('-');
        bool okFirst = false;
        bool okLast = false;
        const qint64 a = ends.value(0).toLongLong(&okFirst);
        const qint64 b = ends.value(1).toLongLong(&okLast);
        if (ends.size() == 2 && okFirst) {
            first = a;
            last = okLast ? qMin(b, size - 1) : size - 1;
            partial = true;
        } else if (ends.size() == 2 && ends.at(0).isEmpty() && okLast) {
            first = qMax<qint64>(0, size - b);
            partial = true;
        }
        if (partial && (first >= size || first > last))
            return HttpResponse::of(416).withHeader("Content-Range", "bytes */" + QByteArray::number(size));
    }
    file.seek(first);
    HttpResponse response
        = HttpResponse::of(partial ? 206 : 200, file.read(last - first + 1), "application/octet-stream");
    response.withHeader("ETag", etag).withHeader("OC-ETag", etag).withHeader("Accept-Ranges", "bytes");
    response.withHeader("Last-Modified", httpDate(info.lastModified()));
    response.withHeader(
        "OC-FileId", QStringLiteral("%1ocnctest").arg(idFor(target.rel), 8, 10, QLatin1Char('0')).toLatin1());
    if (partial)
        response.withHeader("Content-Range",
            "bytes " + QByteArray::number(first) + '-' + QByteArray::number(last) + '/' + QByteArray::number(size));
    return response;
}

HttpResponse NextcloudTestServer::put(const HttpRequest &request, const Target &target)
{
    const QString path = diskPath(target);
    if (target.area == Area::Uploads) {
        const QStringList parts = target.rel.split(QLatin1Char('/'));
        bool number = false;
        const int chunk = parts.value(1).toInt(&number);
        if (parts.size() != 2 || !QFileInfo(diskPath({Area::Uploads, parts.at(0)})).isDir())
            return davError(404, QStringLiteral("Upload folder %1 does not exist").arg(parts.at(0)));
        if (!number || chunk < 1 || chunk > kMaxChunkNumber)
            return davError(400, QStringLiteral("Chunk names are numbers from 1 to %1").arg(kMaxChunkNumber));
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(request.body) != request.body.size() || !file.commit())
            return davError(500, QStringLiteral("Cannot store chunk %1").arg(chunk));
        return HttpResponse::of(201);
    }
    if (target.area != Area::Files || target.rel.isEmpty())
        return davError(405, QStringLiteral("PUT is for files"));
    if (!request.header("content-range").isEmpty())
        return davError(400, QStringLiteral("Content-Range on PUT is not supported; use chunked uploads"));
    const QFileInfo info(path);
    if (info.isDir())
        return davError(409, QStringLiteral("%1 is a folder").arg(target.rel));
    if (!QFileInfo(diskPath({Area::Files, parentOf(target.rel)})).isDir())
        return davError(409, QStringLiteral("Parent folder of %1 does not exist").arg(target.rel));
    const bool existed = info.exists();
    if (m_quota >= 0 && usedBytes() - (existed ? info.size() : 0) + request.body.size() > m_quota)
        return davError(507, QStringLiteral("Insufficient space in %1").arg(target.rel));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(request.body) != request.body.size() || !file.commit())
        return davError(500, QStringLiteral("Cannot store %1").arg(target.rel));
    HttpResponse response = fileWritten(target.rel, existed);
    const qint64 mtime = request.header("x-oc-mtime").toLongLong();
    if (mtime > 0) {
        QFile written(path);
        if (written.open(QIODevice::ReadWrite)
            && written.setFileTime(QDateTime::fromSecsSinceEpoch(mtime), QFileDevice::FileModificationTime))
            response.withHeader("X-OC-MTime", "accepted");
    }
    return response;
}

HttpResponse NextcloudTestServer::fileWritten(const QString &rel, bool existed)
{
    const QByteArray etag = etagOf(diskPath({Area::Files, rel}));
    return HttpResponse::of(existed ? 204 : 201)
        .withHeader("ETag", etag)
        .withHeader("OC-ETag", etag)
        .withHeader("OC-FileId", QStringLiteral("%1ocnctest").arg(idFor(rel), 8, 10, QLatin1Char('0')).toLatin1());
}

HttpResponse NextcloudTestServer::mkcol(const Target &target)
{
    const QString path = diskPath(target);
    const bool single = !target.rel.isEmpty() && !target.rel.contains(QLatin1Char('/'));
    if (target.area != Area::Files && !(target.area == Area::Uploads && single))
        return davError(405, QStringLiteral("MKCOL is not allowed here"));
    if (QFileInfo::exists(path))
        return davError(405, QStringLiteral("The resource you tried to create already exists"));
    if (!QFileInfo(diskPath({target.area, parentOf(target.rel)})).isDir())
        return davError(409, QStringLiteral("Parent node does not exist"));
    if (!QDir().mkdir(path))
        return davError(500, QStringLiteral("Cannot create %1").arg(target.rel));
    HttpResponse response = HttpResponse::of(201);
    if (target.area == Area::Files)
        response.withHeader(
            "OC-FileId", QStringLiteral("%1ocnctest").arg(idFor(target.rel), 8, 10, QLatin1Char('0')).toLatin1());
    return response;
}

HttpResponse NextcloudTestServer::remove(const Target &target)
{
    const QString path = diskPath(target);
    if (target.area == Area::Restore || (target.area == Area::Files && target.rel.isEmpty()))
        return davError(403, QStringLiteral("Cannot delete this"));
    if (target.area == Area::Trash && target.rel.isEmpty()) {
        for (const QString &item : m_trash.keys())
            removePath(diskPath({Area::Trash, item}));
        m_trash.clear();
        return HttpResponse::of(204);
    }
    if (!QFileInfo::exists(path))
        return davError(404, QStringLiteral("File with name %1 could not be located").arg(target.rel));
    if (target.area == Area::Files) {
        // Deleting is recycling: the item goes to the trash bin under "NAME.dTIME", its ids with it.
        qint64 now = QDateTime::currentSecsSinceEpoch();
        QString item;
        do {
            item = nameOf(target.rel) + QStringLiteral(".d%1").arg(now++);
        } while (m_trash.contains(item));
        if (!QDir().rename(path, diskPath({Area::Trash, item})))
            return davError(500, QStringLiteral("Cannot move %1 to the trash bin").arg(target.rel));
        m_trash.insert(item, {target.rel, now - 1, takeIds(target.rel)});
        m_shareApi.forgetBelow(target.rel);
        return HttpResponse::of(204);
    }
    if (target.area == Area::Uploads && target.rel.contains(QLatin1Char('/')))
        return davError(403, QStringLiteral("Chunks are removed with their upload"));
    if (!removePath(path))
        return davError(500, QStringLiteral("Cannot delete %1").arg(target.rel));
    if (target.area == Area::Trash)
        m_trash.remove(target.rel.section(QLatin1Char('/'), 0, 0));
    return HttpResponse::of(204);
}

HttpResponse NextcloudTestServer::moveOrCopy(const HttpRequest &request, const Target &source, bool move)
{
    const QByteArray destinationHeader = request.header("destination");
    if (destinationHeader.isEmpty())
        return davError(400, QStringLiteral("The destination header was not supplied"));
    const Target destination = resolve(QUrl::fromEncoded(destinationHeader).path(QUrl::FullyDecoded));
    if (move && source.area == Area::Uploads && destination.area == Area::Files)
        return assembleChunks(request, source, destination);
    if (move && source.area == Area::Trash && destination.area == Area::Restore)
        return restore(source, destination);
    if (source.area != Area::Files || destination.area != Area::Files)
        return davError(403, QStringLiteral("Cannot move or copy between these places"));
    const QString from = diskPath(source);
    const QString to = diskPath(destination);
    if (source.rel.isEmpty() || destination.rel.isEmpty() || within(destination.rel, source.rel))
        return davError(403, QStringLiteral("Source and destination overlap"));
    if (!QFileInfo::exists(from))
        return davError(404, QStringLiteral("File with name %1 could not be located").arg(source.rel));
    if (!QFileInfo(diskPath({Area::Files, parentOf(destination.rel)})).isDir())
        return davError(409, QStringLiteral("The destination node is not found"));
    const bool existed = QFileInfo::exists(to);
    if (existed && request.header("overwrite").toUpper() == "F")
        return davError(
            412, QStringLiteral("The destination node already exists, and the overwrite header is set to false"));
    if (existed) {
        removePath(to);
        takeIds(destination.rel);
    }
    if (move ? !QDir().rename(from, to) : !copyPath(from, to))
        return davError(500, QStringLiteral("Cannot write %1").arg(destination.rel));
    if (move)
        moveIds(source.rel, destination.rel);
    if (QFileInfo(to).isDir())
        return HttpResponse::of(existed ? 204 : 201);
    return fileWritten(destination.rel, existed);
}

HttpResponse NextcloudTestServer::assembleChunks(
    const HttpRequest &request, const Target &upload, const Target &destination)
{
    const QStringList parts = upload.rel.split(QLatin1Char('/'));
    const QString folder = diskPath({Area::Uploads, parts.value(0)});
    if (parts.size() != 2 || parts.at(1) != QLatin1String(".file") || !QFileInfo(folder).isDir())
        return davError(404, QStringLiteral("Upload %1 not found").arg(upload.rel));
    QMap<qint64, QString> chunks;
    qint64 total = 0;
    for (const QFileInfo &chunk : QDir(folder).entryInfoList(QDir::Files)) {
        bool number = false;
        const qint64 index = chunk.fileName().toLongLong(&number);
        if (!number)
            return davError(400, QStringLiteral("Unexpected file %1 in the upload").arg(chunk.fileName()));
        chunks.insert(index, chunk.filePath());
        total += chunk.size();
    }
    const QByteArray expected = request.header("oc-total-length");
    if (!expected.isEmpty() && expected.toLongLong() != total)
        return davError(400,
            QStringLiteral("Chunks on server do not sum up to %1 but to %2 bytes")
                .arg(QString::fromLatin1(expected))
                .arg(total));
    const QString to = diskPath(destination);
    if (destination.rel.isEmpty() || QFileInfo(to).isDir())
        return davError(409, QStringLiteral("The target is a folder"));
    if (!QFileInfo(diskPath({Area::Files, parentOf(destination.rel)})).isDir())
        return davError(409, QStringLiteral("The destination node is not found"));
    const bool existed = QFileInfo::exists(to);
    if (m_quota >= 0 && usedBytes() - (existed ? QFileInfo(to).size() : 0) + total > m_quota)
        return davError(507, QStringLiteral("Insufficient space in %1").arg(destination.rel));
    QSaveFile file(to);
    bool ok = file.open(QIODevice::WriteOnly);
    for (const QString &chunk : qAsConst(chunks)) {
        QFile in(chunk);
        ok = ok && in.open(QIODevice::ReadOnly);
        const QByteArray data = ok ? in.readAll() : QByteArray();
        ok = ok && file.write(data) == data.size();
    }
    if (!ok || !file.commit())
        return davError(500, QStringLiteral("Cannot assemble %1").arg(destination.rel));
    QDir(folder).removeRecursively();
    return fileWritten(destination.rel, existed);
}

HttpResponse NextcloudTestServer::restore(const Target &item, const Target &destination)
{
    Q_UNUSED(destination) // Nextcloud restores to the original location whatever the name under restore/
    if (!m_trash.contains(item.rel))
        return davError(404, QStringLiteral("Trash item %1 not found").arg(item.rel));
    const TrashItem entry = m_trash.value(item.rel);
    QString folder = parentOf(entry.originalLocation);
    if (!QFileInfo(diskPath({Area::Files, folder})).isDir())
        folder.clear();
    QString rel = joined(folder, nameOf(entry.originalLocation));
    while (QFileInfo::exists(diskPath({Area::Files, rel})))
        rel += QStringLiteral(" (restored)");
    if (!QDir().rename(diskPath(item), diskPath({Area::Files, rel})))
        return davError(500, QStringLiteral("Cannot restore %1").arg(item.rel));
    m_trash.remove(item.rel);
    for (auto it = entry.ids.begin(); it != entry.ids.end(); ++it)
        m_ids.insert(joined(rel, it.key()), it.value());
    return HttpResponse::of(201);
}

qint64 NextcloudTestServer::idFor(const QString &rel)
{
    auto it = m_ids.find(rel);
    if (it == m_ids.end())
        it = m_ids.insert(rel, m_nextId++);
    return it.value();
}

void NextcloudTestServer::moveIds(const QString &from, const QString &to)
{
    const QHash<QString, qint64> moved = takeIds(from);
    for (auto it = moved.begin(); it != moved.end(); ++it)
        m_ids.insert(joined(to, it.key()), it.value());
}

// The ids at and below rel, keyed relative to it, and removed from the live map.
QHash<QString, qint64> NextcloudTestServer::takeIds(const QString &rel)
{
    QHash<QString, qint64> taken;
    for (auto it = m_ids.begin(); it != m_ids.end();) {
        if (within(it.key(), rel) && !rel.isEmpty()) {
            taken.insert(it.key().mid(rel.size() + 1), it.value());
            it = m_ids.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}
