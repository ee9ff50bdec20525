#include "TransferJob.h"

#include "ContentHasher.h"
#include "DriveControl.h"
#include "DriveJson.h"
#include "LocalDrive.h"
#include "TQDriveCodes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QtConcurrent>

namespace TQDrive {

namespace {

constexpr qint64 kChunk = 1 << 20;
constexpr qint64 kThrottledChunk = 64 << 10;
constexpr int kReportIntervalMs = 100;
constexpr int kBatchFiles = 256;
constexpr int kSessionCheckMs = 100;
constexpr qint64 kOverlapFrom = 4 * kChunk;


QString withSlash(const QString &path, bool isDir)
{
    return isDir && !path.endsWith(QLatin1Char('/')) ? path + QLatin1Char('/') : path;
}

} // namespace

TransferJob::TransferJob(LocalDrive *drive, std::shared_ptr<DriveStore> store, std::shared_ptr<DriveCatalog> catalog,
    std::shared_ptr<DriveContent> content, const TransferRecord &record, const QVector<TransferItem> &items,
    Drive_ProgressCallback callback, void *context)
    : m_drive(drive)
    , m_store(std::move(store))
    , m_catalog(std::move(catalog))
    , m_content(std::move(content))
    , m_record(record)
    , m_items(items)
    , m_callback(callback)
    , m_context(context)
{
    for (const TransferItem &item : m_items) {
        m_totalSize += item.size;
        ++m_totalCount;
        if (item.done) {
            m_transferred += item.size;
            ++m_finishedCount;
        }
    }
}

TransferJob::~TransferJob() = default;

void TransferJob::requestStop(Stop stop)
{
    QMutexLocker lock(&m_mutex);
    if (stop > m_stop)
        m_stop = stop;
    m_changed.wakeAll();
    if (m_phase != Phase::Queued)
        return;
    // Never started: nobody else will settle it, and run() will find it done.
    m_phase = Phase::Done;
    lock.unlock();
    settleStop();
    m_drive->jobEnded(this);
    lock.relock();
    m_changed.wakeAll();
}

bool TransferJob::waitStopped(int timeoutMs)
{
    QMutexLocker lock(&m_mutex);
    if (m_thread == QThread::currentThread())
        return m_phase == Phase::Done;
    QDeadlineTimer deadline(timeoutMs);
    while (m_phase != Phase::Done) {
        if (!m_changed.wait(&m_mutex, deadline))
            return m_phase == Phase::Done;
    }
    return true;
}

void TransferJob::run()
{
    const LocalDrive::LibraryThreadScope libraryThread;
    {
        QMutexLocker lock(&m_mutex);
        if (m_phase != Phase::Queued)
            return;
        m_phase = Phase::Running;
        m_thread = QThread::currentThread();
    }
    m_drive->control().takeTransferFault(m_record.uid, &m_failAfter, &m_failCode);
    m_sinceReport.start();
    int code = m_record.kind == TransferKind::Upload ? runUpload() : runDownload();
    if (m_record.kind == TransferKind::Upload) {
        // However the run ended, what its commits left running is finished before its state is told.
        const int settled = m_catalog->settle(m_record);
        if (code == Ok)
            code = settled;
    }
    if (code == Ok) {
        const TransferItem &top = m_items.first();
        const QByteArray final = reportText(3, 3, 0, &top, originOf(top), destinationOf(top), top.fileId, top.hash);
        // The client may be quitting while this report is on its way, and still hold the transfer
        // as unfinished: its resume at the next start is answered with this report, not a second copy.
        TransferCompletion done;
        done.uid = m_record.uid;
        done.kind = m_record.kind;
        done.accountId = m_record.accountId;
        done.report = QString::fromUtf8(final);
        done.completedAt = nowMs();
        if (!m_store->completeTransfer(done))
            m_drive->logLine(QStringLiteral("transfer %1 finished but its completion was not recorded").arg(done.uid));
        QDir(m_store->stagingDir(m_record.uid, m_record.kind)).removeRecursively();
        m_content->dropStaging(m_record);
        deliver(final);
    } else if (code == -1) {
        settleStop();
    } else {
        finishWithError(code);
    }
    m_drive->jobEnded(this);
    QMutexLocker lock(&m_mutex);
    m_phase = Phase::Done;
    m_changed.wakeAll();
}

// -1 when a stop was requested; otherwise Ok or the code that ends the transfer.
int TransferJob::checkStopAndToken()
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_stop != Stop::None)
            return -1;
    }
    if (!m_record.accountId)
        return Ok; // a share link needs no account
    // The session lives in the database; asking once per interval keeps small files cheap.
    if (m_sinceSessionCheck.isValid() && m_sinceSessionCheck.elapsed() < kSessionCheckMs)
        return Ok;
    m_sinceSessionCheck.start();
    return m_drive->checkSession(m_record.accountId);
}

void TransferJob::settleStop()
{
    Stop stop;
    {
        QMutexLocker lock(&m_mutex);
        stop = m_stop;
    }
    if (stop == Stop::Cancel) {
        discard(m_store, m_content, m_record, m_items);
    } else {
        m_store->setTransferState(m_record.uid, m_record.kind, QStringLiteral("paused"));
    }
}

void TransferJob::discard(const std::shared_ptr<DriveStore> &store, const std::shared_ptr<DriveContent> &content,
    const TransferRecord &record, const QVector<TransferItem> &items)
{
    store->removeTransfer(record.uid, record.kind);
    removeLeftovers(store, content, record, items);
}

void TransferJob::removeLeftovers(const std::shared_ptr<DriveStore> &store,
    const std::shared_ptr<DriveContent> &content, const TransferRecord &record, const QVector<TransferItem> &items)
{
    QDir(store->stagingDir(record.uid, record.kind)).removeRecursively();
    if (content)
        content->dropStaging(record);
    if (record.kind == TransferKind::Download) {
        for (const TransferItem &item : items) {
            if (!item.isDir && !item.done)
                QFile::remove(partPath(item.target, record.uid));
        }
    }
}

void TransferJob::finishWithError(int code)
{
    // Kept, so a retry resumes where the failure struck.
    m_store->setTransferState(m_record.uid, m_record.kind, QStringLiteral("failed"));
    const TransferItem &top = m_items.first();
    m_drive->logLine(QStringLiteral("transfer %1 failed with code %2").arg(m_record.uid).arg(code));
    report(4, 4, code, &top, originOf(top), QString(), QString(), QString());
}

QString TransferJob::localPathOf(const TransferItem &item) const
{
    if (m_record.kind == TransferKind::Upload)
        return withSlash(item.source, item.isDir);
    return withSlash(item.target, item.isDir);
}

// Where an item comes from: the local path of an upload, the cloud path of a download.
QString TransferJob::originOf(const TransferItem &item) const
{
    return m_record.kind == TransferKind::Upload ? localPathOf(item) : item.cloudPath;
}

QString TransferJob::destinationOf(const TransferItem &item) const
{
    return m_record.kind == TransferKind::Upload ? item.cloudPath : localPathOf(item);
}

QString TransferJob::partPath(const QString &target, const QString &uid)
{
    // Named after the transfer, so two downloads of one name into one folder never share a part.
    const QString transfer = ContentHasher::hashOf(uid.toUtf8());
    const QString suffix = QStringLiteral(".tqpart");
    const int tagBytes = 1 + 12 + int(suffix.size());
    const int slash = target.lastIndexOf(QLatin1Char('/'));
    const QString name = target.mid(slash + 1);
    if (name.toUtf8().size() + tagBytes <= kMaxNameBytes)
        return target + QLatin1Char('.') + transfer.left(12) + suffix;
    // The name loses its end to make room, so two long names that begin alike would meet in one
    // part: the whole target goes into the tag too. Both are known again on resume.
    const QString tag = ContentHasher::hashOf((transfer + target).toUtf8()).left(12);
    return target.left(slash + 1) + truncatedUtf8(name, kMaxNameBytes - tagBytes) + QLatin1Char('.') + tag + suffix;
}

void TransferJob::report(int status, int currentStatus, int currentCode, const TransferItem *item,
    const QString &originPath, const QString &path, const QString &fileId, const QString &hash)
{
    if (!m_callback)
        return;
    deliver(reportText(status, currentStatus, currentCode, item, originPath, path, fileId, hash));
}

QByteArray TransferJob::reportText(int status, int currentStatus, int currentCode, const TransferItem *item,
    const QString &originPath, const QString &path, const QString &fileId, const QString &hash) const
{
    QJsonObject all{{QStringLiteral("total_size"), m_totalSize}, {QStringLiteral("transferred_size"), m_transferred},
        {QStringLiteral("total_count"), m_totalCount}, {QStringLiteral("finished_count"), m_finishedCount}};
    QJsonObject current{{QStringLiteral("status"), currentStatus}, {QStringLiteral("code"), currentCode},
        {QStringLiteral("origin_path"), originPath}, {QStringLiteral("path"), path},
        {QStringLiteral("file_id"), fileId}, {QStringLiteral("content_hash"), hash},
        {QStringLiteral("content_hash_name"), hash.isEmpty() ? QString() : ContentHasher::name()},
        {QStringLiteral("size"), item ? item->size : 0}, {QStringLiteral("is_dir"), item && item->isDir}};
    const QJsonObject info{{QStringLiteral("status"), status}, {QStringLiteral("code"), 0},
        {QStringLiteral("custom_uid"), m_record.uid}, {QStringLiteral("all"), all},
        {QStringLiteral("current"), current}};
    return DriveJson::toText(info);
}

void TransferJob::deliver(const QByteArray &text)
{
    if (!m_callback)
        return;
    const QByteArray uid = m_record.uid.toUtf8();
    m_callback(uid.constData(), text.constData(), m_context);
    m_sinceReport.restart();
    m_reportedOnce = true;
}

void TransferJob::reportProgress(const TransferItem &item, bool force)
{
    if (!force && m_reportedOnce && m_sinceReport.elapsed() < kReportIntervalMs)
        return;
    if (m_record.kind == TransferKind::Upload)
        report(1, 1, 0, &item, originOf(item), QString(), QString(), QString());
    else
        report(1, 1, 0, &item, originOf(item), destinationOf(item), item.source, QString());
}

int TransferJob::pump(QFile &in, QFile &out, ContentHasher &hasher, const TransferItem &item)
{
    for (QByteArray &buffer : m_buffers) {
        if (buffer.isEmpty())
            buffer.resize(int(kChunk));
    }
    // Hashing a chunk on another core while this thread writes it and reads the next one keeps the
    // digest off the critical path; one hash is in flight at a time, so the digest stays in order.
    // Small files gain nothing from the hand-over.
    const bool overlap = item.size >= kOverlapFrom && m_drive->hashPool();
    QFuture<void> hashing;
    struct Join {
        QFuture<void> &future;
        ~Join() { future.waitForFinished(); }
    } join{hashing};
    int current = 0;
    for (;;) {
        const int stop = checkStopAndToken();
        if (stop != Ok)
            return stop;
        const qint64 throttle = m_drive->control().throttle();
        qint64 chunk = throttle > 0 ? qMin(kThrottledChunk, qMax<qint64>(4096, throttle / 10)) : kChunk;
        if (m_failAfter >= 0) {
            if (m_bytesThisRun >= m_failAfter) {
                m_failAfter = -1;
                return m_failCode;
            }
            chunk = qMin(chunk, m_failAfter - m_bytesThisRun); // fail at the byte asked for
        }
        char *buffer = m_buffers[current].data();
        const qint64 n = in.read(buffer, chunk);
        if (n < 0)
            return m_record.kind == TransferKind::Upload ? LocalReadFailed : ContentDamaged;
        if (n == 0)
            return Ok;
        hashing.waitForFinished();
        if (overlap)
            hashing = QtConcurrent::run(m_drive->hashPool(), [&hasher, buffer, n]() { hasher.addData(buffer, n); });
        else
            hasher.addData(buffer, n);
        if (out.write(buffer, n) != n)
            return m_record.kind == TransferKind::Upload ? StorageFailed : LocalWriteFailed;
        current ^= 1;
        m_transferred += n;
        m_bytesThisRun += n;
        reportProgress(item, false);
        throttleFor(n, throttle);
    }
}

void TransferJob::throttleFor(qint64 bytes, qint64 throttle)
{
    if (throttle <= 0)
        return;
    QMutexLocker lock(&m_mutex);
    QDeadlineTimer until(qMax<qint64>(1, bytes * 1000 / throttle));
    while (m_stop == Stop::None && !until.hasExpired())
        m_changed.wait(&m_mutex, until);
}

int TransferJob::allowance(qint64 *bytes)
{
    const int stop = checkStopAndToken();
    if (stop != Ok)
        return stop;
    const qint64 throttle = m_drive->control().throttle();
    *bytes = throttle > 0 ? qMin(kThrottledChunk, qMax<qint64>(4096, throttle / 10)) : kChunk;
    if (m_failAfter >= 0) {
        if (m_bytesThisRun >= m_failAfter) {
            m_failAfter = -1;
            return m_failCode;
        }
        *bytes = qMin(*bytes, m_failAfter - m_bytesThisRun);
    }
    return Ok;
}

int TransferJob::passed(qint64 bytes, const TransferItem &item)
{
    m_transferred += bytes;
    m_bytesThisRun += bytes;
    reportProgress(item, false);
    throttleFor(bytes, m_drive->control().throttle());
    return Ok;
}

void TransferJob::recount(qint64 delta, const TransferItem &item)
{
    m_transferred += delta;
    if (delta > 0)
        reportProgress(item, !m_reportedOnce);
}

void TransferJob::recordVersion(const TransferItem &item, const QString &version)
{
    if (item.index >= 0 && item.index < m_items.size())
        m_items[item.index].version = version;
    m_store->setItemVersion(m_record.uid, m_record.kind, item.index, version);
}

QThreadPool *TransferJob::hashPool()
{
    return m_drive->hashPool();
}

QString TransferJob::stagingDir()
{
    if (m_stagingDir.isEmpty()) {
        m_stagingDir = m_store->stagingDir(m_record.uid, m_record.kind);
        makePrivateFolder(m_stagingDir);
    }
    return m_stagingDir;
}

bool TransferJob::resumeAt(QFile &in, QFile &out, const TransferItem &item, ContentHasher &hasher)
{
    // What an earlier run wrote is kept, but its bytes must be hashed again to finish the digest.
    qint64 offset = out.size();
    if (offset > item.size || !hasher.addPrefix(out, offset)) {
        out.resize(0);
        hasher.reset();
        offset = 0;
    }
    m_transferred += offset;
    reportProgress(item, !m_reportedOnce);
    return in.seek(offset) && out.seek(offset);
}

int TransferJob::uploadFile(const TransferItem &item, UploadCommit *commit)
{
    const int code = m_content->upload(m_record, item, *this, commit);
    if (code != Ok)
        return code;
    m_totalSize += commit->size - item.size; // the file may have grown or shrunk since the plan
    commit->index = item.index;
    commit->isDir = false;
    return Ok;
}

int TransferJob::flushUploads(QVector<UploadCommit> &pending, QVector<TransferItem> &items)
{
    if (pending.isEmpty())
        return Ok;
    const int code = m_catalog->commitUploads(m_record, pending);
    if (code != Ok) {
        // Undo the byte count of the batch: the resumed job hashes and counts those files again.
        for (const UploadCommit &c : qAsConst(pending))
            m_transferred -= c.size;
        pending.clear();
        return code;
    }
    for (const UploadCommit &c : qAsConst(pending)) {
        TransferItem &item = items[c.index];
        item.done = true;
        item.fileId = c.fileId;
        item.cloudPath = c.cloudPath;
        item.hash = c.hash;
        item.size = c.size;
        ++m_finishedCount;
        report(1, 3, 0, &item, originOf(item), destinationOf(item), item.fileId, item.hash);
    }
    pending.clear();
    return Ok;
}

int TransferJob::runUpload()
{
    QString topParentPath;
    QVector<UploadCommit> pending;
    QElapsedTimer sinceFlush;
    sinceFlush.start();
    for (int i = 0; i < m_items.size(); ++i) {
        TransferItem &item = m_items[i];
        if (item.done)
            continue;
        const int stop = checkStopAndToken();
        if (stop != Ok) {
            const int flushed = flushUploads(pending, m_items);
            return flushed != Ok ? flushed : stop;
        }
        UploadCommit commit;
        commit.index = item.index;
        commit.top = item.parentIndex < 0;
        commit.name = item.target;
        if (commit.top) {
            commit.parentId = m_record.target;
            if (topParentPath.isEmpty())
                topParentPath = m_catalog->cloudPath(m_record.target);
            commit.parentCloudPath = topParentPath;
        }
        if (item.isDir) {
            // Children need the folder's id: everything before it is committed first.
            int code = flushUploads(pending, m_items);
            if (code != Ok)
                return code;
            if (!commit.top) {
                commit.parentId = m_items[item.parentIndex].fileId;
                commit.parentCloudPath = m_items[item.parentIndex].cloudPath;
                commit.parentCloudPath.chop(1);
            }
            commit.isDir = true;
            pending.append(commit);
            code = flushUploads(pending, m_items);
            if (code != Ok)
                return code;
            continue;
        }
        if (!commit.top) {
            // Parents are always earlier in the plan and committed before their first child.
            commit.parentId = m_items[item.parentIndex].fileId;
            commit.parentCloudPath = m_items[item.parentIndex].cloudPath;
            commit.parentCloudPath.chop(1);
        }
        const int code = uploadFile(item, &commit);
        if (code != Ok) {
            const int flushed = flushUploads(pending, m_items);
            return flushed != Ok ? flushed : code;
        }
        pending.append(commit);
        if (pending.size() >= kBatchFiles || sinceFlush.elapsed() >= kReportIntervalMs) {
            const int flushed = flushUploads(pending, m_items);
            if (flushed != Ok)
                return flushed;
            sinceFlush.restart();
        }
    }
    return flushUploads(pending, m_items);
}

int TransferJob::downloadFile(const TransferItem &item)
{
    const QString part = partPath(item.target, m_record.uid);
    QString hash;
    const int code = m_content->download(m_record, item, part, *this, &hash);
    if (code != Ok)
        return code;
    if (!item.hash.isEmpty() && hash != item.hash) {
        // Never hand over damaged content; the part is worthless too.
        QFile::remove(part);
        return ContentDamaged;
    }
    if (!replaceFile(part, item.target)) {
        QFile::remove(part); // the target is in the way (a folder): the part would never be used
        return LocalWriteFailed;
    }
    return Ok;
}

int TransferJob::runDownload()
{
    QVector<int> done;
    QElapsedTimer sinceFlush;
    sinceFlush.start();
    auto flush = [&]() {
        const bool ok = m_store->markDownloadsDone(m_record.uid, done);
        done.clear();
        sinceFlush.restart();
        return ok ? Ok : StorageFailed;
    };
    for (TransferItem &item : m_items) {
        if (item.done)
            continue;
        int code = checkStopAndToken();
        if (code != Ok) {
            flush();
            return code;
        }
        if (item.isDir) {
            code = QDir().mkpath(item.target) ? Ok : LocalWriteFailed;
        } else {
            code = downloadFile(item);
        }
        if (code != Ok) {
            flush();
            return code;
        }
        item.done = true;
        done.append(item.index);
        ++m_finishedCount;
        report(1, 3, 0, &item, originOf(item), destinationOf(item), item.source, item.hash);
        if (done.size() >= kBatchFiles || sinceFlush.elapsed() >= kReportIntervalMs) {
            code = flush();
            if (code != Ok)
                return code;
        }
    }
    return flush();
}

} // namespace TQDrive
