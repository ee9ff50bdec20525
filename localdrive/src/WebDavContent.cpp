#include "WebDavContent.h"

#include "ContentHasher.h"
#include "TQDriveCodes.h"
#include "TransferJob.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUuid>
#include <QtConcurrent>

namespace TQDrive {

namespace {

// Bytes per PUT where the server resumes: what a broken connection can cost at most.
constexpr qint64 kSegment = 16 << 20;
// A file modified less than this before it was sent may change again without its ETag changing.
constexpr qint64 kSettledMs = 2000;
// Files up to this size inside an uploaded folder skip the staging file.
constexpr qint64 kDirectMax = 1 << 20;

bool ok(int status)
{
    return status >= 200 && status < 300;
}


// Writes what a download receives in chunks of 1 MiB, hashing each on another thread while the next
// one arrives: a connection on loopback delivers faster than one core hashes and writes in turn.
// A small file is hashed in place, into buffers of its own size: handing a few KiB to another thread
// and allocating 2 MiB for it cost more than its whole transfer.
class OverlappedWriter
{
public:
    OverlappedWriter(QFile &out, ContentHasher &hasher, QThreadPool *pool, qint64 expected)
        : m_out(out)
        , m_hasher(hasher)
        , m_pool(expected >= kOverlapFrom ? pool : nullptr)
        , m_chunk(qBound<qint64>(4096, expected, kWriteChunk))
    {
        for (QByteArray &buffer : m_buffers)
            buffer.resize(int(m_chunk));
    }
    ~OverlappedWriter() { m_hashing.waitForFinished(); }
    OverlappedWriter(const OverlappedWriter &) = delete;
    OverlappedWriter &operator=(const OverlappedWriter &) = delete;

    bool add(const char *data, qint64 length)
    {
        while (length > 0) {
            const qint64 n = qMin(length, m_chunk - m_fill);
            memcpy(m_buffers[m_current].data() + m_fill, data, size_t(n));
            m_fill += n;
            data += n;
            length -= n;
            if (m_fill == m_chunk && !flush())
                return false;
        }
        return true;
    }
    // Writes what is left and waits for the digest to catch up.
    bool finish()
    {
        const bool written = flush();
        m_hashing.waitForFinished();
        return written;
    }

private:
    static constexpr qint64 kWriteChunk = 1 << 20;
    static constexpr qint64 kOverlapFrom = 4 * kWriteChunk;

    bool flush()
    {
        if (m_fill == 0)
            return true;
        m_hashing.waitForFinished(); // the other buffer is free again, and the digest stays in order
        const char *buffer = m_buffers[m_current].constData();
        const qint64 length = m_fill;
        ContentHasher &hasher = m_hasher;
        if (m_pool)
            m_hashing = QtConcurrent::run(m_pool, [&hasher, buffer, length]() { hasher.addData(buffer, length); });
        else
            hasher.addData(buffer, length);
        const bool written = m_out.write(buffer, length) == length;
        m_current ^= 1;
        m_fill = 0;
        return written;
    }

    QFile &m_out;
    ContentHasher &m_hasher;
    QThreadPool *m_pool;
    const qint64 m_chunk;
    QByteArray m_buffers[2];
    int m_current = 0;
    qint64 m_fill = 0;
    QFuture<void> m_hashing;
};

} // namespace

WebDavContent::WebDavContent(std::shared_ptr<WebDavCatalog> catalog)
    : m_catalog(std::move(catalog))
{ }

QString WebDavContent::stagingFolder(const TransferRecord &transfer)
{
    const QByteArray key = QByteArray::number(int(transfer.kind)) + ':' + transfer.uid.toUtf8();
    return davHiddenFolder() + QStringLiteral("/staging/") + ContentHasher::hashOf(key).left(32);
}

int WebDavContent::send(const WebDavClient &client, const QString &path, QFile &in, qint64 offset, qint64 length,
    qint64 total, ContentHasher &hasher, TransferFlow &flow, const TransferItem &item) const
{
    int stop = Ok;
    const WebDavClient::Proceed proceed = [&flow, &stop]() {
        qint64 chunk = 0;
        const int code = flow.allowance(&chunk);
        if (code != Ok)
            stop = code;
        return code == Ok;
    };
    qint64 left = length;
    const WebDavClient::Source source = [&](char *buffer, qint64 max) -> qint64 {
        qint64 chunk = 0;
        const int code = flow.allowance(&chunk);
        if (code != Ok) {
            stop = code;
            return -1;
        }
        const qint64 n = in.read(buffer, qMin(qMin(max, chunk), left));
        if (n < 0 || (n == 0 && left > 0)) {
            stop = LocalReadFailed;
            return -1;
        }
        hasher.addData(buffer, n);
        left -= n;
        const int passed = flow.passed(n, item);
        if (passed != Ok) {
            stop = passed;
            return -1;
        }
        return n;
    };
    // A chunk (offset 0 of its own file) or a range of the staging file.
    const bool chunk = total < 0;
    const DavResponse r = client.put(path, chunk ? 0 : offset, length, chunk ? length : total, source, proceed);
    if (r.aborted || stop != Ok)
        return stop != Ok ? stop : -1;
    if (!ok(r.status)) {
        // What this request sent is counted again by the run that resumes it.
        flow.recount(-(length - left), item);
        return m_catalog->failure(r, StorageFailed);
    }
    return Ok;
}

int WebDavContent::upload(
    const TransferRecord &transfer, const TransferItem &item, TransferFlow &flow, UploadCommit *commit)
{
    QFile in(item.source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return LocalReadFailed;
    const qint64 size = in.size();
    const bool sourceUnchanged = size == item.size && modificationTimeMs(item.source) == item.sourceMtime;
    ContentHasher hasher;
    commit->size = size;
    NextcloudDialect dialect;
    QString parentPath;
    int code = Ok;
    if (size > 0 && m_catalog->nextcloud(&dialect)) {
        code = uploadChunks(dialect, transfer, item, in, sourceUnchanged, hasher, flow, &commit->stagingPath);
    } else if (!commit->top && size <= kDirectMax && m_catalog->pathOf(commit->parentId, &parentPath)) {
        // A small file inside the upload's own folders goes straight to its place: it merges there
        // anyway, and one request is all it costs.
        const QString target = davChildPath(parentPath, commit->name);
        code = send(m_catalog->client(), target, in, 0, size, size, hasher, flow, item);
        commit->stagingPath = QStringLiteral("@placed/") + target;
    } else {
        code = uploadStaged(transfer, item, in, sourceUnchanged, hasher, flow, &commit->stagingPath);
    }
    if (code != Ok) {
        // The next run finds what this one left: its staging folder is not fresh any more.
        forgetStaging(transfer);
        return code;
    }
    commit->hash = hasher.result();
    return Ok;
}

int WebDavContent::uploadStaged(const TransferRecord &transfer, const TransferItem &item, QFile &in,
    bool sourceUnchanged, ContentHasher &hasher, TransferFlow &flow, QString *staged) const
{
    const WebDavClient client = m_catalog->client();
    const WebDavCapabilities caps = m_catalog->capabilities();
    const QString folder = stagingFolder(transfer);
    // Where an interrupted file starts over, each run writes a file of its own: a server may still hold
    // the broken one locked (rclone answers 423 for a while).
    const QString staging = folder + QLatin1Char('/') + QString::number(item.index)
        + (caps.rangedPut ? QString() : QLatin1Char('-') + QUuid::createUuid().toString(QUuid::Id128).left(8));
    const qint64 size = in.size();
    bool fresh = false;
    const int made = prepareStaging(client, folder, &fresh);
    if (made != Ok)
        return made;
    qint64 offset = 0;
    // A staging folder this run made holds nothing to resume.
    if (caps.rangedPut && sourceUnchanged && !fresh) {
        QVector<DavResource> found;
        const QByteArray body = "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
                                "<d:getcontentlength/></d:prop></d:propfind>";
        if (client.propfind(staging, 0, body, &found).status == 207 && !found.isEmpty() && found.first().size <= size)
            offset = found.first().size;
        if (offset > 0) {
            if (!hasher.addPrefix(in, offset))
                return LocalReadFailed;
            flow.recount(offset, item);
        }
    }
    if (!in.seek(offset))
        return LocalReadFailed;
    bool first = true;
    while (first || offset < size) {
        first = false;
        const qint64 length = caps.rangedPut ? qMin(kSegment, size - offset) : size - offset;
        const int code = send(client, staging, in, offset, length, size, hasher, flow, item);
        if (code != Ok)
            return code;
        offset += length;
    }
    *staged = staging;
    return Ok;
}

int WebDavContent::prepareStaging(const WebDavClient &client, const QString &folder, bool *fresh) const
{
    {
        QMutexLocker lock(&m_mutex);
        const auto known = m_stagingFolders.constFind(folder);
        if (known != m_stagingFolders.constEnd()) {
            *fresh = known.value();
            return Ok;
        }
    }
    // Servers answer an existing folder differently (405, 409, 301): the PUT tells whether it is there.
    client.mkcol(davHiddenFolder() + QStringLiteral("/staging"));
    const DavResponse made = client.mkcol(folder);
    if (made.status == 0 || made.status == 401)
        return m_catalog->failure(made, StorageFailed);
    *fresh = made.status == 201;
    QMutexLocker lock(&m_mutex);
    m_stagingFolders.insert(folder, *fresh);
    return Ok;
}

void WebDavContent::forgetStaging(const TransferRecord &transfer) const
{
    QMutexLocker lock(&m_mutex);
    m_stagingFolders.remove(stagingFolder(transfer));
}

int WebDavContent::uploadChunks(const NextcloudDialect &dialect, const TransferRecord &transfer,
    const TransferItem &item, QFile &in, bool sourceUnchanged, ContentHasher &hasher, TransferFlow &flow,
    QString *staged) const
{
    const QString folder = chunkFolderPrefix(transfer) + QString::number(item.index);
    const WebDavClient uploads = dialect.uploads();
    if (!sourceUnchanged)
        uploads.remove(folder, true); // its chunks are of another content
    qint64 offset = 0;
    int chunks = 0;
    const int opened = dialect.openUpload(folder, QString(), &offset, &chunks);
    if (opened != Ok)
        return opened;
    if (offset > 0) {
        if (!hasher.addPrefix(in, offset))
            return LocalReadFailed;
        flow.recount(offset, item);
    }
    if (!in.seek(offset))
        return LocalReadFailed;
    const qint64 size = in.size();
    while (offset < size) {
        const qint64 length = qMin(NextcloudDialect::kChunkSize, size - offset);
        const int code = send(uploads, folder + QLatin1Char('/') + NextcloudDialect::chunkName(++chunks), in, offset,
            length, -1, hasher, flow, item);
        if (code != Ok)
            return code;
        offset += length;
    }
    *staged = QStringLiteral("@chunks/") + folder;
    return Ok;
}

QString WebDavContent::chunkFolderPrefix(const TransferRecord &transfer)
{
    const QByteArray key = QByteArray::number(int(transfer.kind)) + ':' + transfer.uid.toUtf8();
    return QStringLiteral("tqdrive-") + ContentHasher::hashOf(key).left(24) + QLatin1Char('-');
}

int WebDavContent::download(
    const TransferRecord &, const TransferItem &item, const QString &part, TransferFlow &flow, QString *hash)
{
    QString path;
    if (!m_catalog->pathOf(item.source, &path))
        return FileNotFound;
    QFile out(part);
    if (!out.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return LocalWriteFailed;
    ContentHasher hasher;
    qint64 offset = out.size();
    // A part is only worth resuming when the version it came from is known to compare with, and is not
    // weak (see below) unless the content's hash will catch a mix.
    const bool untrusted
        = item.version.isEmpty() || (item.version.startsWith(QLatin1String("W/")) && item.hash.isEmpty());
    // lighttpd sends no ETag with a partial answer: the version is asked for before the range.
    if (offset > 0 && offset <= item.size && !untrusted) {
        const DavResponse head = m_catalog->client().request("HEAD", path);
        QString now = QString::fromLatin1(head.headers.value("etag"));
        Entry listed;
        if (now.isEmpty() && m_catalog->entry(item.source, &listed))
            now = listed.version; // lighttpd has it in the listing only
        if (!sameVersion(now, item.version)) {
            m_catalog->note(QStringLiteral("server: %1 is no longer version %2 (%3 %4): starting it over")
                                .arg(path, item.version)
                                .arg(head.status)
                                .arg(now));
            offset = 0;
        }
    }
    if (offset > item.size || (offset > 0 && untrusted) || !hasher.addPrefix(out, offset)) {
        out.resize(0);
        hasher.reset();
        offset = 0;
    }
    if (!out.seek(offset))
        return LocalWriteFailed;
    flow.recount(offset, item);
    if (offset == item.size && offset > 0) {
        *hash = hasher.result();
        return Ok;
    }
    int stop = Ok;
    bool started = false;
    bool stale = false;
    OverlappedWriter writer(out, hasher, flow.hashPool(), item.size - offset);
    QString sent; // the ETag the content came with
    bool young = false; // changed less than kSettledMs before it was sent
    const WebDavClient::Sink sink = [&](int status, const QHash<QByteArray, QByteArray> &headers, const char *data,
                                        qint64 n) {
        if (!started) {
            started = true;
            sent = QString::fromLatin1(headers.value("etag"));
            const qint64 date = WebDavClient::httpDateMs(QString::fromLatin1(headers.value("date")));
            const qint64 modified = WebDavClient::httpDateMs(QString::fromLatin1(headers.value("last-modified")));
            young = date > 0 && modified > 0 && date - modified < kSettledMs;
            // The range is asked for without If-Range, which not every server honours (lighttpd
            // answers it whole), and taken only when the answer is of the version the part came from.
            if (offset > 0 && (status != 206 || (!sent.isEmpty() && !sameVersion(sent, item.version)))) {
                m_catalog->note(QStringLiteral("server: %1 changed or ignored the range (%2, version %3, was %4); "
                                               "starting it over")
                                    .arg(path)
                                    .arg(status)
                                    .arg(sent, item.version));
                stale = true;
                return false;
            }
        }
        if (!writer.add(data, n)) {
            stop = LocalWriteFailed;
            return false;
        }
        const int passed = flow.passed(n, item);
        if (passed != Ok) {
            stop = passed;
            return false;
        }
        return true;
    };
    const WebDavClient::Proceed proceed = [&flow, &stop]() {
        qint64 chunk = 0;
        const int code = flow.allowance(&chunk);
        if (code != Ok)
            stop = code;
        return code == Ok;
    };
    DavResponse r = m_catalog->client().get(path, offset, sink, proceed);
    if (stale) {
        writer.finish();
        flow.recount(-offset, item);
        out.resize(0);
        out.seek(0);
        hasher.reset();
        offset = 0;
        started = false;
        r = m_catalog->client().get(path, 0, sink, proceed);
    }
    // What arrived is kept, even from a broken connection: the next run resumes after it.
    if (!writer.finish() && stop == Ok)
        stop = LocalWriteFailed;
    const qint64 written = out.size();
    out.close();
    // The tag that came with the content is what a resumed range is compared with; a listing's tag
    // may be written differently (nginx, lighttpd).
    // Tags made of the modification time in whole seconds and the size (nginx, rclone) stay the same
    // for a file rewritten within that second: such a tag is kept as weak, as Apache marks it.
    if (started && offset == 0 && !sent.isEmpty()) {
        const QString version = young && !sent.startsWith(QLatin1String("W/")) ? QStringLiteral("W/") + sent : sent;
        if (version != item.version)
            flow.recordVersion(item, version);
    }
    if (stop != Ok)
        return stop;
    if (r.aborted)
        return -1;
    if (r.status != 200 && r.status != 206)
        return m_catalog->failure(r, r.status == 404 ? FileNotFound : StorageFailed);
    if (written != item.size)
        return ContentDamaged;
    *hash = hasher.result();
    return Ok;
}

bool WebDavContent::sameVersion(QString a, QString b)
{
    // Apache marks a tag weak while its file is less than a second old; the tag is the same version.
    if (a.startsWith(QLatin1String("W/")))
        a.remove(0, 2);
    if (b.startsWith(QLatin1String("W/")))
        b.remove(0, 2);
    return !a.isEmpty() && a == b;
}

int WebDavContent::fetch(const Entry &entry, const QString &target)
{
    QString path;
    if (!m_catalog->pathOf(entry.id, &path))
        return FileNotFound;
    const QString part = TransferJob::partPath(target, QUuid::createUuid().toString());
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return LocalWriteFailed;
    ContentHasher hasher;
    bool written = true;
    const DavResponse r = m_catalog->client().get(
        path, 0,
        [&](int, const QHash<QByteArray, QByteArray> &, const char *data, qint64 n) {
            hasher.addData(data, n);
            written = out.write(data, n) == n;
            return written;
        },
        []() { return true; });
    out.close();
    int code = Ok;
    if (!written)
        code = LocalWriteFailed;
    else if (r.status != 200)
        code = m_catalog->failure(r, StorageFailed);
    else if (!entry.hash.isEmpty() && hasher.result() != entry.hash)
        code = ContentDamaged;
    else if (!replaceFile(part, target))
        code = LocalWriteFailed;
    if (code != Ok)
        QFile::remove(part);
    return code;
}

QString WebDavContent::thumbnail(const Entry &) const
{
    // An address on the server would need the user's credentials: no thumbnails.
    return QString();
}

void WebDavContent::dropStaging(const TransferRecord &transfer)
{
    if (transfer.kind != TransferKind::Upload)
        return;
    forgetStaging(transfer);
    NextcloudDialect dialect;
    if (!m_catalog->nextcloud(&dialect)) {
        // rclone keeps an interrupted upload open for a moment, and refuses to delete it meanwhile (423,
        // or 405 when the folder cannot be removed yet).
        DavResponse r;
        for (int attempt = 0; attempt < 10; ++attempt) {
            r = m_catalog->client().remove(stagingFolder(transfer), true);
            if (r.status != 423 && r.status != 405)
                break;
            QThread::msleep(200);
        }
        if (!ok(r.status) && r.status != 404)
            m_catalog->failure(r, StorageFailed); // logged; the folder is only in the way of nobody
        return;
    }
    // Assembled uploads are gone already; what a cancelled one left is removed here.
    const WebDavClient uploads = dialect.uploads();
    const QString prefix = chunkFolderPrefix(transfer);
    QVector<DavResource> found;
    const QByteArray body = "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/>"
                            "</d:prop></d:propfind>";
    uploads.propfind(QString(), 1, body, &found);
    for (const DavResource &r : qAsConst(found)) {
        if (r.path.startsWith(prefix))
            uploads.remove(r.path, true);
    }
}

} // namespace TQDrive
