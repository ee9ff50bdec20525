#ifndef TQDRIVE_DRIVECONTENT_H
#define TQDRIVE_DRIVECONTENT_H

#include "DriveStore.h"

class QFile;
class QThreadPool;

namespace TQDrive {

class ContentHasher;

// What a running transfer offers the content backend for one file: the same hashing, counting,
// progress reports, throttle, stop requests and armed faults whichever backend moves the bytes.
class TransferFlow
{
public:
    virtual ~TransferFlow() = default;

    // Local file to local file: positions both at what `out` already holds (hashed again), counted once.
    virtual bool resumeAt(QFile &in, QFile &out, const TransferItem &item, ContentHasher &hasher) = 0;
    // Streams from in to out to the end, hashing. Ok, -1 when a stop was requested, or a failure code.
    virtual int pump(QFile &in, QFile &out, ContentHasher &hasher, const TransferItem &item) = 0;

    // For streams the backend drives itself: the most the next chunk may carry, or the code that ends
    // the stream (-1 when a stop was requested).
    virtual int allowance(qint64 *bytes) = 0;
    // Bytes that went through: counted, reported, throttled. Ok, or the code that ends the stream.
    virtual int passed(qint64 bytes, const TransferItem &item) = 0;
    // Bytes an earlier run moved (positive) or bytes that have to move again (negative).
    virtual void recount(qint64 delta, const TransferItem &item) = 0;
    // Keeps the version (ETag) a download's content came as, for the range of a resumed run.
    virtual void recordVersion(const TransferItem &item, const QString &version) = 0;
    // Threads that may hash beside the transfer; null when there are none.
    virtual QThreadPool *hashPool() = 0;
    // The transfer's private local folder, created on first use.
    virtual QString stagingDir() = 0;
};

// Where file content lives: the drive's content-addressed blobs, or a server.
class DriveContent
{
public:
    virtual ~DriveContent() = default;

    // Stores one file of an upload where the commit takes it from, resuming what an earlier run of
    // the transfer left; fills in the commit's size, hash and staging place.
    virtual int upload(
        const TransferRecord &transfer, const TransferItem &item, TransferFlow &flow, UploadCommit *commit)
        = 0;
    // Writes a file's content into the local file `part`, resuming what is there; its digest in *hash.
    // FileNotFound when the file was deleted or replaced since the plan was made.
    virtual int download(const TransferRecord &transfer, const TransferItem &item, const QString &part,
        TransferFlow &flow, QString *hash)
        = 0;
    // The whole content of a file into `target`, written only once it is complete and checked.
    virtual int fetch(const Entry &entry, const QString &target) = 0;
    // A thumbnail address for an image entry; empty when there is none.
    virtual QString thumbnail(const Entry &entry) const = 0;
    // Removes what a transfer left in the backend outside the drive folder.
    virtual void dropStaging(const TransferRecord &transfer) = 0;
};

} // namespace TQDrive

#endif
