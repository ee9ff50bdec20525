#ifndef TQDRIVE_TRANSFERJOB_H
#define TQDRIVE_TRANSFERJOB_H

#include "DriveCatalog.h"
#include "DriveContent.h"
#include "DriveStore.h"
#include "TQCoreKit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <memory>

namespace TQDrive {

class ContentHasher;
class LocalDrive;

// One upload or download running on a library thread. Its plan lives in the store, so a job
// stopped at any point (pause, Drive_Uninit, a crash) can be resumed by a new job later.
class TransferJob : private TransferFlow
{
public:
    enum class Stop { None, Pause, Cancel };

    TransferJob(LocalDrive *drive, std::shared_ptr<DriveStore> store, std::shared_ptr<DriveCatalog> catalog,
        std::shared_ptr<DriveContent> content, const TransferRecord &record, const QVector<TransferItem> &items,
        Drive_ProgressCallback callback, void *context);
    ~TransferJob() override;

    QString uid() const { return m_record.uid; }
    TransferKind kind() const { return m_record.kind; }
    qint64 accountId() const { return m_record.accountId; }

    void run();
    // Where a download writes a file until its content is verified.
    static QString partPath(const QString &target, const QString &uid);
    // Forgets a transfer and removes its partial content; what was completed stays.
    static void discard(const std::shared_ptr<DriveStore> &store, const std::shared_ptr<DriveContent> &content,
        const TransferRecord &record, const QVector<TransferItem> &items);
    // Removes the partial content of a transfer whose row is gone: staging folder and download parts.
    static void removeLeftovers(const std::shared_ptr<DriveStore> &store, const std::shared_ptr<DriveContent> &content,
        const TransferRecord &record, const QVector<TransferItem> &items);
    // Asks the job to stop at its next chunk; a job still queued is stopped at once.
    void requestStop(Stop stop);
    // Waits until the job has stopped and its state is on disk. Does not wait on the job's own thread.
    bool waitStopped(int timeoutMs);

private:
    enum class Phase { Queued, Running, Done };
    struct Progress;

    int runUpload();
    int runDownload();
    bool resumeAt(QFile &in, QFile &out, const TransferItem &item, ContentHasher &hasher) override;
    int uploadFile(const TransferItem &item, UploadCommit *commit);
    int downloadFile(const TransferItem &item);
    int flushUploads(QVector<UploadCommit> &pending, QVector<TransferItem> &items);
    // Streams from in (at its current position) to out, hashing, honouring stop, throttle and faults.
    int pump(QFile &in, QFile &out, ContentHasher &hasher, const TransferItem &item) override;
    int allowance(qint64 *bytes) override;
    int passed(qint64 bytes, const TransferItem &item) override;
    void recount(qint64 delta, const TransferItem &item) override;
    QString stagingDir() override;
    QThreadPool *hashPool() override;
    void recordVersion(const TransferItem &item, const QString &version) override;
    void throttleFor(qint64 bytes, qint64 throttle);
    int checkStopAndToken();
    void settleStop();
    void finishWithError(int code);

    void report(int status, int currentStatus, int currentCode, const TransferItem *item, const QString &originPath,
        const QString &path, const QString &fileId, const QString &hash);
    QByteArray reportText(int status, int currentStatus, int currentCode, const TransferItem *item,
        const QString &originPath, const QString &path, const QString &fileId, const QString &hash) const;
    void deliver(const QByteArray &text);
    void reportProgress(const TransferItem &item, bool force);
    QString localPathOf(const TransferItem &item) const;
    QString originOf(const TransferItem &item) const;
    QString destinationOf(const TransferItem &item) const;

    LocalDrive *m_drive;
    std::shared_ptr<DriveStore> m_store;
    std::shared_ptr<DriveCatalog> m_catalog;
    std::shared_ptr<DriveContent> m_content;
    TransferRecord m_record;
    QVector<TransferItem> m_items;
    Drive_ProgressCallback m_callback;
    void *m_context;

    qint64 m_totalSize = 0;
    qint64 m_transferred = 0;
    int m_totalCount = 0;
    int m_finishedCount = 0;
    QElapsedTimer m_sinceReport;
    QElapsedTimer m_sinceSessionCheck;
    bool m_reportedOnce = false;
    qint64 m_failAfter = -1; // bytes of this run after which the armed fault fires
    int m_failCode = 0;
    qint64 m_bytesThisRun = 0;
    QByteArray m_buffers[2]; // chunk buffers for every file of the job: one read, one hashed
    QString m_stagingDir; // created on the first file that needs it

    mutable QMutex m_mutex;
    QWaitCondition m_changed;
    Phase m_phase = Phase::Queued;
    Stop m_stop = Stop::None;
    QThread *m_thread = nullptr;
};

} // namespace TQDrive

#endif
