#include "WebDavCatalog.h"

#include "TQDriveCodes.h"

#include <QDateTime>
#include <QtConcurrent>

#include <algorithm>

namespace TQDrive {

namespace {

constexpr int kCommitConnections = 4;
const QByteArray kXmlType("Content-Type: application/xml; charset=utf-8");

QByteArray entryProps()
{
    return "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\" xmlns:oc=\"http://owncloud.org/ns\" xmlns:t=\""
        + davNamespace().toUtf8()
        + "\"><d:prop><d:resourcetype/><d:getcontentlength/><d:getetag/><d:getlastmodified/>"
          "<oc:fileid/><t:id/><t:sha256/><t:hidden/></d:prop></d:propfind>";
}

QString tqProp(const char *name)
{
    return QLatin1Char('{') + davNamespace() + QLatin1Char('}') + QLatin1String(name);
}

bool ok(int status)
{
    return status >= 200 && status < 300;
}

QString recycleFolder()
{
    return davHiddenFolder() + QStringLiteral("/recycle");
}

} // namespace

QString davParentPath(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

QString davChildPath(const QString &parent, const QString &name)
{
    return parent.isEmpty() ? name : parent + QLatin1Char('/') + name;
}

WebDavCatalog::WebDavCatalog(std::shared_ptr<DriveStore> store, WebDavServer server, quint64 spaceId, QString rootId)
    : m_store(std::move(store))
    , m_client(std::move(server))
    , m_spaceId(spaceId)
    , m_rootId(std::move(rootId))
{
    m_commitPool.setMaxThreadCount(kCommitConnections);
    m_store->remoteId(QString(), m_rootId);
}

WebDavCatalog::~WebDavCatalog()
{
    m_commitPool.waitForDone();
}

void WebDavCatalog::setCapabilities(const WebDavCapabilities &capabilities)
{
    QMutexLocker lock(&m_mutex);
    m_capabilities = capabilities;
    m_nextcloud = capabilities.fileIds && NextcloudDialect::fromFilesUrl(m_client.server(), &m_dialect);
}

bool WebDavCatalog::nextcloud(NextcloudDialect *out) const
{
    QMutexLocker lock(&m_mutex);
    if (m_nextcloud && out)
        *out = m_dialect;
    return m_nextcloud;
}

int WebDavCatalog::place(const UploadCommit &c, const QString &target, bool overwrite) const
{
    if (c.stagingPath == QStringLiteral("@placed/") + target)
        return Ok; // written in place by the content, as a merge would have replaced it
    NextcloudDialect dialect;
    const QString chunked = QStringLiteral("@chunks/");
    const DavResponse r = c.stagingPath.startsWith(chunked) && nextcloud(&dialect)
        ? dialect.finishUpload(c.stagingPath.mid(chunked.size()), target, c.size, overwrite)
        : m_client.transfer("MOVE", c.stagingPath, target, overwrite);
    if (r.status == 412)
        return NameClash;
    return ok(r.status) ? Ok : failure(r, StorageFailed);
}

WebDavCapabilities WebDavCatalog::capabilities() const
{
    QMutexLocker lock(&m_mutex);
    return m_capabilities;
}

void WebDavCatalog::setUnauthorizedHandler(std::function<void()> handler)
{
    QMutexLocker lock(&m_mutex);
    m_unauthorized = std::move(handler);
}

WebDavClient WebDavCatalog::client() const
{
    return m_client;
}

void WebDavCatalog::setLogger(std::function<void(const QString &)> logger)
{
    QMutexLocker lock(&m_mutex);
    m_logger = std::move(logger);
}

void WebDavCatalog::note(const QString &line) const
{
    std::function<void(const QString &)> logger;
    {
        QMutexLocker lock(&m_mutex);
        logger = m_logger;
    }
    if (logger)
        logger(line);
}

int WebDavCatalog::failure(const DavResponse &response, int fallback) const
{
    std::function<void()> handler;
    std::function<void(const QString &)> logger;
    {
        QMutexLocker lock(&m_mutex);
        handler = m_unauthorized;
        logger = m_logger;
    }
    if (logger) {
        logger(
            QStringLiteral("server: %1 answered %2%3")
                .arg(response.request)
                .arg(response.status)
                .arg(response.error.isEmpty() ? QString() : QStringLiteral(" (") + response.error + QLatin1Char(')')));
    }
    if (response.status == 401 && handler)
        handler();
    return davCode(response.status, fallback);
}

bool WebDavCatalog::pathOf(const QString &fileId, QString *path)
{
    return m_store->remotePath(fileId, path);
}

Entry WebDavCatalog::entryOf(const DavResource &r) const
{
    Entry e;
    QString preferred = r.props.value(tqProp("id"));
    if (preferred.isEmpty() && r.props.contains(QStringLiteral("{http://owncloud.org/ns}fileid")))
        preferred = QStringLiteral("oc") + r.props.value(QStringLiteral("{http://owncloud.org/ns}fileid"));
    e.id = r.path.isEmpty() ? m_rootId : m_store->remoteId(r.path, preferred);
    e.spaceId = m_spaceId;
    e.parentId = r.path.isEmpty() ? QString() : m_store->remoteId(davParentPath(r.path));
    e.name = r.path.mid(r.path.lastIndexOf(QLatin1Char('/')) + 1);
    e.isDir = r.isDir;
    e.size = r.isDir ? 0 : r.size;
    e.hash = r.isDir ? QString() : r.props.value(tqProp("sha256"));
    e.hidden = r.props.value(tqProp("hidden")) == QLatin1String("1");
    e.trashed = r.path.startsWith(recycleFolder() + QLatin1Char('/'));
    e.ctime = e.mtime = r.mtime;
    e.version = r.etag;
    return e;
}

int WebDavCatalog::stat(const QString &path, Entry *out) const
{
    QVector<DavResource> found;
    const DavResponse r = m_client.propfind(path, 0, entryProps(), &found);
    if (r.status == 404)
        return FileNotFound;
    if (r.status != 207 || found.isEmpty())
        return failure(r, StorageFailed);
    *out = entryOf(found.first());
    return Ok;
}

bool WebDavCatalog::entry(const QString &fileId, Entry *out)
{
    Space space;
    space.spaceId = m_spaceId;
    return lookup(space, fileId, out) == Ok;
}

bool WebDavCatalog::entryInSpace(const Space &space, const QString &fileId, Entry *out)
{
    return lookup(space, fileId, out) == Ok;
}

int WebDavCatalog::lookup(const Space &space, const QString &fileId, Entry *out, QString *pathOut)
{
    const QString id = fileId == QLatin1String("root") ? m_rootId : fileId;
    QString local;
    QString &path = pathOut ? *pathOut : local;
    if (space.spaceId != m_spaceId || !m_store->remotePath(id, &path))
        return FileNotFound;
    const int code = stat(path, out);
    if (code != Ok)
        return code;
    // Another client may have moved it; an id the server keeps tells a stranger at the old path apart.
    return out->id == id ? Ok : FileNotFound;
}

QString WebDavCatalog::cloudPath(const QString &fileId)
{
    QString path;
    m_store->remotePath(fileId, &path);
    return QLatin1Char('/') + path;
}

int WebDavCatalog::writeMeta(
    const QString &path, const QString &id, const QString &hash, bool hidden, const QString &tags) const
{
    if (!capabilities().deadProperties)
        return Ok;
    // One <set> per property: lighttpd keeps only the first property of a <set>.
    auto set = [](const QByteArray &name, const QString &value) {
        return "<d:set><d:prop><t:" + name + '>' + value.toHtmlEscaped().toUtf8() + "</t:" + name
            + "></d:prop></d:set>";
    };
    QByteArray sets = set("id", id);
    if (!hash.isEmpty())
        sets += set("sha256", hash);
    if (hidden)
        sets += set("hidden", QStringLiteral("1")); // absent reads as visible
    if (!tags.isEmpty() && tags != QLatin1String("[]"))
        sets += set("tags", tags);
    const QByteArray body = "<?xml version=\"1.0\"?><d:propertyupdate xmlns:d=\"DAV:\" xmlns:t=\""
        + davNamespace().toUtf8() + "\">" + sets + "</d:propertyupdate>";
    const DavResponse r = m_client.request("PROPPATCH", path, body, {kXmlType});
    return ok(r.status) ? Ok : failure(r, StorageFailed);
}

int WebDavCatalog::makeFolder(const QString &path, const QString &id, bool hidden, const QString &tags) const
{
    const DavResponse r = m_client.mkcol(path);
    if (r.status == 405)
        return NameClash; // something is there already
    if (!ok(r.status))
        return failure(r, StorageFailed);
    return writeMeta(path, id, QString(), hidden, tags);
}

QString WebDavCatalog::serverId(const QString &path, const QString &drawn)
{
    // Where the server numbers its files, its number is the id every listing will show.
    Entry e;
    if (capabilities().fileIds && stat(path, &e) == Ok)
        return e.id;
    return drawn.isEmpty() ? m_store->remoteId(path) : drawn;
}

int WebDavCatalog::projectRoot(const Space &space, const QString &name, QString *fileId)
{
    return createFolderPath(space, m_rootId, name, false, QStringLiteral("[]"), fileId);
}

int WebDavCatalog::createFolderPath(const Space &space, const QString &parentId, const QString &relativePath,
    bool hidden, const QString &tags, QString *fileId)
{
    const QStringList parts = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return BadName;
    for (const QString &part : parts) {
        if (!isValidCloudName(part))
            return BadName;
    }
    Entry parent;
    QString path;
    const int found = lookup(space, parentId, &parent, &path);
    if (found == FileNotFound || (found == Ok && (parent.trashed || !parent.isDir)))
        return ParentNotFound;
    if (found != Ok)
        return found;
    QString current = parent.id;
    for (const QString &part : parts) {
        path = davChildPath(path, part);
        Entry child;
        int code = stat(path, &child);
        if (code == Ok) {
            if (!child.isDir)
                return NameClash;
            current = child.id;
            continue;
        }
        if (code != FileNotFound)
            return code;
        code = makeFolder(path, m_store->remoteId(path), hidden, tags);
        if (code != Ok)
            return code;
        current = serverId(path);
    }
    *fileId = current;
    return Ok;
}

int WebDavCatalog::listPath(const QString &path, QVector<Entry> *out) const
{
    QVector<DavResource> found;
    const DavResponse r = m_client.propfind(path, 1, entryProps(), &found);
    if (r.status != 207)
        return failure(r, StorageFailed);
    for (const DavResource &resource : qAsConst(found)) {
        if (resource.path == path || resource.path == davHiddenFolder())
            continue;
        out->append(entryOf(resource));
    }
    std::sort(out->begin(), out->end(), [](const Entry &a, const Entry &b) {
        if (a.isDir != b.isDir)
            return a.isDir;
        return caseKey(a.name) < caseKey(b.name);
    });
    return Ok;
}

int WebDavCatalog::list(const Space &space, const QString &parentId, QVector<Entry> *out)
{
    Entry parent;
    QString path;
    const int found = lookup(space, parentId, &parent, &path);
    if (found != Ok)
        return found;
    if (parent.trashed)
        return FileNotFound;
    if (!parent.isDir)
        return NotAFolder;
    return listPath(path, out);
}

bool WebDavCatalog::hasChild(const QString &parentId, const QString &name)
{
    QString path;
    Entry child;
    return m_store->remotePath(parentId, &path) && stat(davChildPath(path, name), &child) == Ok;
}

int WebDavCatalog::search(
    const Space &space, const QString &parentId, const QString &type, const QStringList &names, QVector<Entry> *out)
{
    QStringList keys;
    for (const QString &name : names)
        keys << caseKey(name);
    const int wantDir = type == QLatin1String("folder") ? 1 : type == QLatin1String("file") ? 0 : -1;
    auto matches
        = [&](const Entry &e) { return keys.contains(caseKey(e.name)) && (wantDir < 0 || int(e.isDir) == wantDir); };
    if (!parentId.isEmpty()) {
        Entry parent;
        QString path;
        const int found = lookup(space, parentId, &parent, &path);
        if (found == FileNotFound || (found == Ok && (parent.trashed || !parent.isDir)))
            return ParentNotFound;
        if (found != Ok)
            return found;
        QVector<Entry> children;
        const int code = listPath(path, &children);
        if (code != Ok)
            return code;
        for (const Entry &e : qAsConst(children)) {
            if (matches(e))
                out->append(e);
        }
        return Ok;
    }
    // The whole space: WebDAV servers rarely allow an infinite-depth PROPFIND, so folder by folder.
    QStringList folders{QString()};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeFirst();
        QVector<Entry> children;
        const int code = listPath(folder, &children);
        if (code != Ok)
            return code;
        for (const Entry &e : qAsConst(children)) {
            if (e.isDir)
                folders.append(davChildPath(folder, e.name));
            if (matches(e))
                out->append(e);
        }
    }
    std::sort(out->begin(), out->end(), [](const Entry &a, const Entry &b) {
        return caseKey(a.name) != caseKey(b.name) ? caseKey(a.name) < caseKey(b.name) : a.id < b.id;
    });
    return Ok;
}

int WebDavCatalog::rename(const Space &space, const QString &fileId, const QString &newName)
{
    if (!isValidCloudName(newName))
        return BadName;
    Entry e;
    QString path;
    const int found = lookup(space, fileId, &e, &path);
    if (found != Ok)
        return found;
    if (e.trashed)
        return FileNotFound;
    if (e.parentId.isEmpty())
        return BadArgument; // the root keeps its name
    const QString target = davChildPath(davParentPath(path), newName);
    if (target == path)
        return Ok;
    const DavResponse r = m_client.transfer("MOVE", path, target, false, e.isDir);
    if (!ok(r.status))
        return failure(r, StorageFailed);
    m_store->moveRemotePaths(path, target);
    return Ok;
}

int WebDavCatalog::recycleAt(const QString &path, const QString &id, bool isDir)
{
    if (nextcloud()) {
        // Its own trash bin takes what is deleted.
        const DavResponse r = m_client.remove(path, isDir);
        if (!ok(r.status))
            return failure(r, StorageFailed);
        m_store->forgetRemotePaths(path);
        return Ok;
    }
    // One folder per recycled entry keeps its name and never meets another one.
    m_client.mkcol(recycleFolder());
    const QString holder = recycleFolder() + QLatin1Char('/') + id;
    const DavResponse made = m_client.mkcol(holder);
    if (!ok(made.status) && made.status != 405)
        return failure(made, StorageFailed);
    const QString target = davChildPath(holder, path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    const DavResponse r = m_client.transfer("MOVE", path, target, true, isDir);
    if (!ok(r.status))
        return failure(r, StorageFailed);
    m_store->moveRemotePaths(path, target);
    return Ok;
}

int WebDavCatalog::recycle(const Space &space, const QString &fileId)
{
    Entry e;
    QString path;
    const int found = lookup(space, fileId, &e, &path);
    if (found != Ok)
        return found;
    if (e.trashed)
        return FileNotFound;
    if (e.parentId.isEmpty())
        return BadArgument;
    return recycleAt(path, e.id, e.isDir);
}

int WebDavCatalog::remove(const Space &space, const QString &fileId)
{
    Entry e;
    QString path;
    const int found = lookup(space, fileId, &e, &path);
    if (found != Ok)
        return found;
    if (e.parentId.isEmpty())
        return BadArgument;
    const DavResponse r = m_client.remove(path, e.isDir);
    if (!ok(r.status) && r.status != 404)
        return failure(r, StorageFailed);
    m_store->forgetRemotePaths(path);
    NextcloudDialect dialect;
    if (nextcloud(&dialect) && !e.trashed)
        dialect.purge(path); // deleted for good: not left in the trash bin
    return Ok;
}

bool WebDavCatalog::usage(const Space &, qint64 *used, qint64 *total)
{
    *used = 0;
    *total = 0; // no known limit
    if (!capabilities().quota)
        return true;
    QVector<DavResource> found;
    const QByteArray body = "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
                            "<d:quota-available-bytes/><d:quota-used-bytes/></d:prop></d:propfind>";
    const DavResponse r = m_client.propfind(QString(), 0, body, &found);
    if (r.status != 207 || found.isEmpty())
        return false;
    *used = found.first().props.value(QStringLiteral("{DAV:}quota-used-bytes")).toLongLong();
    const qint64 available = found.first().props.value(QStringLiteral("{DAV:}quota-available-bytes")).toLongLong();
    // Negative availability is how some servers say "unlimited".
    *total = available >= 0 ? *used + available : 0;
    return true;
}

int WebDavCatalog::createShare(const Space &space, const QString &fileId, const QString &accessCode,
    qint64 expiresInSeconds, int type, const QString &, Share *out)
{
    NextcloudDialect dialect;
    if (!nextcloud(&dialect))
        return NotSupported; // a plain WebDAV server has no share links
    Entry e;
    QString path;
    const int found = lookup(space, fileId, &e, &path);
    if (found != Ok)
        return found;
    if (e.trashed)
        return FileNotFound;
    out->fileId = e.id;
    out->spaceId = space.spaceId;
    out->type = type;
    const int code = dialect.createShare(path, accessCode, expiresInSeconds, out);
    if (code == TokenExpired) {
        DavResponse refused;
        refused.status = 401;
        refused.request = QStringLiteral("POST share link of ") + path;
        failure(refused, code); // the expiry callback, as for any other request
    }
    return code;
}

QString WebDavCatalog::shareUrl(const Share &share) const
{
    return share.url;
}

bool WebDavCatalog::share(const QString &, Share *)
{
    return false;
}

QString WebDavCatalog::freeName(const QString &parentPath, const QString &name, bool isDir) const
{
    for (int n = 1; n < 10000; ++n) {
        const QString candidate = numberedName(name, isDir, n);
        Entry e;
        if (stat(davChildPath(parentPath, candidate), &e) == FileNotFound)
            return candidate;
    }
    return QString();
}

int WebDavCatalog::commitOne(const TransferRecord &transfer, UploadCommit &c)
{
    QString parentPath;
    if (!m_store->remotePath(c.parentId, &parentPath))
        return ParentNotFound;
    const ClashMode mode = c.top ? ClashMode(transfer.clashMode) : ClashMode::Merge;
    const QString tags = c.top ? transfer.tags : QString();
    QString name = c.name;
    QString target = davChildPath(parentPath, name);
    bool reuse = false;
    bool settled = false; // the entry is in place under `name`
    QString id;
    for (int attempt = 0; attempt < 3 && !settled; ++attempt) {
        // Creating without overwriting is the cheap path, a clash settled when the server reports one.
        // The top entry is looked for first: not every server refuses to overwrite when asked to.
        Entry seen;
        int code = c.top && stat(target, &seen) == Ok ? NameClash : Ok;
        if (code == Ok && c.isDir) {
            id = m_store->remoteId(target);
            code = makeFolder(target, id, transfer.hidden, tags);
        } else if (code == Ok) {
            code = place(c, target, false);
        }
        if (code != NameClash) {
            if (code != Ok)
                return code;
            settled = true;
            break;
        }
        Entry existing;
        if (stat(target, &existing) != Ok)
            continue; // gone in between: try again
        if (mode == ClashMode::Fail)
            return NameClash;
        if (mode == ClashMode::Replace) {
            if (recycleAt(target, existing.id, existing.isDir) != Ok)
                return StorageFailed;
            continue;
        }
        if (mode == ClashMode::Merge && existing.isDir == c.isDir) {
            if (!c.isDir) {
                const int placed = place(c, target, true);
                if (placed != Ok)
                    return placed;
            }
            id = existing.id;
            reuse = true;
            settled = true;
            break;
        }
        name = freeName(parentPath, c.name, c.isDir);
        if (name.isEmpty())
            return NameClash;
        target = davChildPath(parentPath, name);
    }
    if (!settled)
        return NameClash; // the name kept being taken while it was settled
    if (!reuse)
        id = serverId(target, c.isDir ? id : m_store->remoteId(target));
    if (!c.isDir) {
        m_store->remoteId(target, id);
        if (c.top) {
            const int code = writeMeta(target, id, c.hash, transfer.hidden, tags);
            if (code != Ok)
                return code;
        } else {
            // The properties of a file inside the upload cost the server more than its content (Apache
            // makes a property database per file): they are written beside the next files' uploads,
            // and settle() waits for them.
            const bool hidden = transfer.hidden;
            QFuture<int> meta = QtConcurrent::run(&m_commitPool,
                [this, target, id, hash = c.hash, hidden]() { return writeMeta(target, id, hash, hidden, QString()); });
            QMutexLocker lock(&m_mutex);
            m_pendingMeta[transfer.uid].append(meta);
        }
    }
    c.fileId = id;
    c.finalName = name;
    c.cloudPath = QLatin1Char('/') + target + (c.isDir ? QStringLiteral("/") : QString());
    return Ok;
}

int WebDavCatalog::commitUploads(const TransferRecord &transfer, QVector<UploadCommit> &commits)
{
    QVector<UploadCommit> done;
    int code = Ok;
    for (UploadCommit &c : commits) {
        code = commitOne(transfer, c);
        if (code != Ok)
            break;
        done.append(c);
    }
    // What reached the server is recorded even when a later entry failed: a resume must not send it again.
    if (!m_store->markUploadsDone(transfer.uid, done))
        return StorageFailed;
    return code;
}

int WebDavCatalog::settle(const TransferRecord &transfer)
{
    QList<QFuture<int>> pending;
    {
        QMutexLocker lock(&m_mutex);
        pending = m_pendingMeta.take(transfer.uid);
    }
    int code = Ok;
    for (QFuture<int> &meta : pending) {
        const int written = meta.result();
        if (code == Ok)
            code = written;
    }
    return code;
}

} // namespace TQDrive
