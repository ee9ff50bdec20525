// Throughput and peak memory of TQCoreKit transfers, beside `cp -r` of the same data on the same disk.
//
// Nothing is dropped from the page cache: a cold cache would measure the disk, not the library.
// To keep the two sides comparable, every timed run starts after sync(), so write-back left over
// from an earlier run does not land in it, and after its input has been read once: cp's by an
// untimed cp run (which also pages in cp itself), the drive's by reading every file of the
// source (upload) or of the drive's blob store (download).
#include "BenchDataSet.h"

#include "TQCoreKit.h"
#include "TQDriveAdmin.h"
#include "TQDriveCodes.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QWaitCondition>

#include <cstdio>
#include <cstring>
#include <deque>
#include <unistd.h>

namespace {

using namespace BenchData;
constexpr double kLargeTarget = 0.5;
constexpr double kSmallTarget = 0.25;
constexpr qint64 kMemoryTargetMiB = 64;


qint64 procStatusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// Lowers VmHWM to the current RSS (Linux 4.0+), so a phase's peak is not hidden by an earlier one.
// Where that is refused the figures stay valid, only cumulative.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// The untimed first run warms the source and cp. Its copy stays: on ext4 without a journal, inodes freed
// moments ago are skipped one by one when new ones are allocated, so deleting it would slow the timed run.
double timeCopy(const QString &source, const QString &work, const QString &name)
{
    auto copy = [&](const QString &into) {
        QDir().mkpath(into);
        ::sync();
        QProcess cp;
        QElapsedTimer timer;
        timer.start();
        cp.start(QStringLiteral("cp"), {QStringLiteral("-r"), source, into});
        const bool ok = cp.waitForFinished(-1) && cp.exitStatus() == QProcess::NormalExit && cp.exitCode() == 0;
        return ok ? seconds(timer) : -1.0;
    };
    if (copy(work + QStringLiteral("/cp-warm-") + name) < 0)
        return -1;
    return copy(work + QStringLiteral("/cp-") + name);
}

// One transfer's final report, written from a library thread.
struct Transfer {
    QMutex mutex;
    QWaitCondition ended;
    bool done = false;
    int code = 0;
    QString fileId;
    QString path;
};

void onProgress(const char *, const char *info, void *context)
{
    const QJsonObject report = QJsonDocument::fromJson(QByteArray(info)).object();
    const int status = report.value(QLatin1String("status")).toInt();
    if (status != 3 && status != 4)
        return;
    const QJsonObject current = report.value(QLatin1String("current")).toObject();
    auto *transfer = static_cast<Transfer *>(context);
    QMutexLocker lock(&transfer->mutex);
    transfer->done = true;
    transfer->code = status == 4 ? current.value(QLatin1String("code")).toInt(-1) : 0;
    transfer->fileId = current.value(QLatin1String("file_id")).toString();
    transfer->path = current.value(QLatin1String("path")).toString();
    transfer->ended.wakeAll();
}

struct Outcome {
    double seconds = -1; // < 0: the transfer failed
    qint64 peakKiB = 0; // VmHWM after the run, absolute
    qint64 peakGrowthKiB = 0;
    QString fileId;
    QString path;
};

class DriveSession
{
public:
    bool signIn(const QString &driveRoot)
    {
        TQDriveAdmin::setDriveRoot(driveRoot);
        if (Drive_Init("{}") != TQDrive::Ok)
            return false;
        TQDriveAdmin::AccountInfo account;
        if (TQDriveAdmin::createAccount(QStringLiteral("bench@localdrive.test"), 0, &account) != TQDrive::Ok)
            return false;
        m_spaceId = account.spaceId;
        // The default quota would cap --large-mib well below what a disk can hold.
        const QJsonObject roomy{{QStringLiteral("total_size"), qint64(1) << 50}, {QStringLiteral("file_size_limit"), 0},
            {QStringLiteral("single_file_upload_size"), 0}};
        if (!TQDriveAdmin::setServiceState(account.accountId, TQDriveAdmin::Opened)
            || !TQDriveAdmin::setSpaceInfo(account.accountId, roomy))
            return false;
        const QJsonObject login{{QStringLiteral("token"), TQDriveAdmin::issueToken(account.accountId)},
            {QStringLiteral("is_public"), false}};
        return Drive_Login(QJsonDocument(login).toJson(QJsonDocument::Compact).constData()) == TQDrive::Ok;
    }

    // kind is "upload" or "download"; waits for the final report.
    Outcome run(const QString &kind, const QJsonObject &item)
    {
        const QString uid = kind + QString::number(m_transfers.size());
        const QJsonObject request{{QStringLiteral("custom_uid"), uid}, {QStringLiteral("space_id"), qint64(m_spaceId)},
            {kind, QJsonArray{item}}};
        const QByteArray text = QJsonDocument(request).toJson(QJsonDocument::Compact);
        Transfer &transfer = m_transfers.emplace_back();
        Outcome outcome;
        ::sync();
        resetPeak();
        const qint64 peakBefore = procStatusKiB("VmHWM");
        QElapsedTimer timer;
        timer.start();
        const bool upload = kind == QLatin1String("upload");
        const int rc = upload ? Drive_UploadFile(text.constData(), onProgress, &transfer)
                              : Drive_DownloadFile(text.constData(), onProgress, &transfer);
        if (rc != TQDrive::Ok) {
            std::fprintf(stderr, "%s refused with %d: %s\n", qPrintable(kind), rc, text.constData());
            return outcome;
        }
        QMutexLocker lock(&transfer.mutex);
        while (!transfer.done)
            transfer.ended.wait(&transfer.mutex);
        const double elapsed = seconds(timer);
        outcome.peakKiB = procStatusKiB("VmHWM");
        // The kernel's RSS counters lag by a few pages per thread; a run that freed memory can read below zero.
        outcome.peakGrowthKiB = qMax<qint64>(0, outcome.peakKiB - peakBefore);
        if (transfer.code != 0) {
            std::fprintf(stderr, "%s failed with %d: %s\n", qPrintable(kind), transfer.code, text.constData());
            return outcome;
        }
        outcome.seconds = elapsed;
        outcome.fileId = transfer.fileId;
        outcome.path = transfer.path;
        return outcome;
    }

private:
    quint64 m_spaceId = 0;
    // A library thread may still be leaving the callback when the waiter wakes: keep them all to the end.
    std::deque<Transfer> m_transfers;
};

struct Row {
    QString label;
    double seconds;
    double rate;
    double cpRate; // 0 on the cp rows
    double target;
    qint64 peakGrowthKiB;
};

void printRow(const Row &row, const char *unit)
{
    if (row.seconds < 0) {
        std::printf("%-16s  failed\n", qPrintable(row.label));
        return;
    }
    std::printf("%-16s %8.2f s %10.1f %-7s", qPrintable(row.label), row.seconds, row.rate, unit);
    if (row.cpRate > 0) {
        const double ratio = row.rate / row.cpRate;
        std::printf("  %5.2fx of cp (target >= %.2fx: %-4s)  peak mem +%.1f MiB", ratio, row.target,
            ratio >= row.target ? "ok" : "MISS", double(row.peakGrowthKiB) / 1024);
    }
    std::printf("\n");
}

// cp, then upload, then download of one data set; false when the round trip lost or changed data.
bool measure(DriveSession &drive, const char *name, const QString &source, const Manifest &expected,
    const QString &work, double amount, const char *unit, double target, qint64 *peakKiB)
{
    const QString label = QString::fromLatin1(name);
    const double cp = timeCopy(source, work, label);
    const double cpRate = cp > 0 ? amount / cp : 0;
    printRow({QStringLiteral("cp -r ") + label, cp, cpRate, 0, 0, 0}, unit);

    manifestOf(source, false);
    const QJsonObject upItem{{QStringLiteral("file_id"), QStringLiteral("root")}, {QStringLiteral("path"), source},
        {QStringLiteral("check_name_mode"), 1}};
    const Outcome up = drive.run(QStringLiteral("upload"), upItem);
    printRow(
        {QStringLiteral("upload ") + label, up.seconds, amount / up.seconds, cpRate, target, up.peakGrowthKiB}, unit);
    if (up.seconds < 0)
        return false;

    manifestOf(TQDriveAdmin::driveRoot() + QStringLiteral("/blobs"), false);
    const QString saveDir = work + QStringLiteral("/down-") + label;
    QDir().mkpath(saveDir);
    const QJsonObject downItem{{QStringLiteral("file_id"), up.fileId}, {QStringLiteral("save_dir"), saveDir}};
    const Outcome down = drive.run(QStringLiteral("download"), downItem);
    printRow(
        {QStringLiteral("download ") + label, down.seconds, amount / down.seconds, cpRate, target, down.peakGrowthKiB},
        unit);
    *peakKiB = qMax(*peakKiB, qMax(up.peakKiB, down.peakKiB));
    if (down.seconds < 0)
        return false;
    if (!(manifestOf(down.path) == expected)) {
        std::printf("  MISMATCH: %s differs from its source\n", qPrintable(down.path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const SizeOptions options = parseSizeOptions(app,
        QStringLiteral("Times TQCoreKit uploads and downloads against cp -r."), 10000,
        QStringLiteral("Folder on the disk to measure."));
    const qint64 largeMib = options.largeMib;
    const int smallFiles = options.smallFiles;

    QTemporaryDir work(options.workDir + QStringLiteral("/bench_localdrive-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot create a folder in %s\n", qPrintable(options.workDir));
        return 2;
    }
    DataSets data;
    if (!writeDataSets(work.path() + QStringLiteral("/source"), largeMib, smallFiles, &data)) {
        std::fprintf(stderr, "cannot write the data sets under %s\n", qPrintable(work.path()));
        return 2;
    }
    const QString &largePath = data.largePath;
    const QString &smallRoot = data.smallRoot;
    const Manifest &large = data.large;
    const Manifest &small = data.small;
    std::printf("work folder %s\n", qPrintable(work.path()));
    std::printf("large: 1 file of %lld MiB; small: %d files of 1-8 KiB in %d folders, %.1f MiB\n", largeMib, smallFiles,
        data.smallFolders(), double(small.bytes) / kMiB);
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly)) // other work on the machine skews every figure below
        std::printf("load average at start: %s", loadAverage.readLine().constData());
    std::printf("MB = 10^6 bytes; each rate is one run, warm page cache, after sync\n\n");

    resetPeak();
    const qint64 peakBase = procStatusKiB("VmHWM");
    qint64 peak = peakBase;
    DriveSession drive;
    if (!drive.signIn(work.path() + QStringLiteral("/drive"))) {
        std::fprintf(stderr, "cannot set up the drive session\n");
        return 2;
    }
    bool correct = true;
    if (largeMib > 0)
        correct &= measure(
            drive, "large", largePath, large, work.path(), double(large.bytes) / 1e6, "MB/s", kLargeTarget, &peak);
    if (smallFiles > 0)
        correct &= measure(drive, "small", smallRoot, small, work.path(), smallFiles, "files/s", kSmallTarget, &peak);
    Drive_Uninit();

    const double growthMiB = double(qMax<qint64>(peak, procStatusKiB("VmHWM")) - peakBase) / 1024;
    std::printf("\npeak memory growth over the drive session: %.1f MiB (target < %lld MiB: %s)\n", growthMiB,
        kMemoryTargetMiB, growthMiB < kMemoryTargetMiB ? "ok" : "MISS");
    std::printf("round trips %s\n", correct ? "verified: sizes and MD5s match the sources" : "FAILED");
    return correct ? 0 : 1;
}
