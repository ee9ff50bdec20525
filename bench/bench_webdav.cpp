// Throughput of TQCoreKit's WebDAV backend against the curl binary, both talking to the same Apache
// (mod_dav_fs) on 127.0.0.1 in the same run: one large file and many small files, up and down.
//
// curl is the baseline a user would reach for: one process per data set, its connection kept alive
// across the files, doing exactly the requests the drive must make (MKCOL per folder, one PUT per
// file, one GET per file). Every timed run starts after sync(), with its input read once, so neither
// side pays for write-back or a cold page cache the other did not. Both sides' downloads are checked
// against the sources by MD5.
#include "BenchDataSet.h"

#include "TQCoreKit.h"
#include "TQDriveAdmin.h"
#include "TQDriveCodes.h"
#include "WebDavTestServer.h"

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
constexpr double kLargeTarget = 0.8;
constexpr double kSmallTarget = 0.5;


double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// Relative paths of the files below root (or the file itself), sorted, and the folders below it.
void treeOf(const QString &root, QStringList *files, QStringList *folders)
{
    if (QFileInfo(root).isFile()) {
        *files = QStringList{QFileInfo(root).fileName()};
        return;
    }
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        (it.fileInfo().isDir() ? folders : files)->append(QDir(root).relativeFilePath(path));
    }
    files->sort();
    folders->sort(); // parents before children
}

QByteArray quoted(const QString &text)
{
    QByteArray out = text.toUtf8();
    out.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + out + '"';
}

// The curl side: one curl process per run, reading its requests from a config file, so that the
// connection stays open across files as the drive's does. The password is read from a netrc file,
// never from the command line.
class CurlSide
{
public:
    CurlSide(const QUrl &base, const QString &work, const QString &user, const QString &password)
        : m_base(base)
        , m_work(work)
        , m_netrc(work + QStringLiteral("/curl.netrc"))
    {
        QFile netrc(m_netrc);
        if (netrc.open(QIODevice::WriteOnly)) {
            netrc.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            netrc.write("machine 127.0.0.1 login " + user.toUtf8() + " password " + password.toUtf8() + '\n');
        }
    }

    // Uploads source (a file or a folder) to base/remoteName; seconds, or < 0 on failure.
    double upload(const QString &source, const QString &remoteName)
    {
        QStringList files;
        QStringList folders;
        treeOf(source, &files, &folders);
        const bool tree = QFileInfo(source).isDir();
        QByteArray config;
        if (tree) {
            config += block() + "request = \"MKCOL\"\n";
            config += "url = " + quoted(url(remoteName + QLatin1Char('/'))) + '\n';
            for (const QString &folder : qAsConst(folders))
                config += "url = " + quoted(url(remoteName + QLatin1Char('/') + folder + QLatin1Char('/'))) + '\n';
            config += "next\n";
        }
        config += block();
        for (const QString &file : qAsConst(files)) {
            const QString local = tree ? source + QLatin1Char('/') + file : source;
            config += "upload-file = " + quoted(local) + '\n';
            config += "url = " + quoted(url(tree ? remoteName + QLatin1Char('/') + file : remoteName)) + '\n';
        }
        return run(config);
    }

    // Downloads what upload() stored under remoteName into saveDir, named and laid out as the source.
    double download(const QString &source, const QString &remoteName, const QString &saveDir)
    {
        QStringList files;
        QStringList folders;
        treeOf(source, &files, &folders);
        const bool tree = QFileInfo(source).isDir();
        QByteArray config = block() + "create-dirs\n";
        for (const QString &file : qAsConst(files)) {
            const QString remote = tree ? remoteName + QLatin1Char('/') + file : remoteName;
            const QString local = QFileInfo(source).fileName() + (tree ? QLatin1Char('/') + file : QString());
            config += "output = " + quoted(saveDir + QLatin1Char('/') + local) + '\n';
            config += "url = " + quoted(url(remote)) + '\n';
        }
        return run(config);
    }

private:
    QByteArray block() const { return "silent\nshow-error\nfail\nnetrc-file = " + quoted(m_netrc) + '\n'; }

    QString url(const QString &path) const
    {
        return QString::fromUtf8(
            m_base.resolved(QUrl(QString::fromLatin1(QUrl::toPercentEncoding(path, "/")))).toEncoded());
    }

    double run(const QByteArray &config)
    {
        const QString path = m_work + QStringLiteral("/curl-%1.conf").arg(++m_runs);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size())
            return -1;
        file.close();
        ::sync();
        QProcess curl;
        curl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        curl.start(QStringLiteral("curl"), {QStringLiteral("--config"), path});
        const bool ok = curl.waitForFinished(-1) && curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0;
        return ok ? seconds(timer) : -1.0;
    }

    const QUrl m_base;
    const QString m_work;
    const QString m_netrc;
    int m_runs = 0;
};

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
    QString fileId;
    QString path;
};

// The drive side: a drive folder whose drive.conf points at the server, signed in through Drive_*.
class DriveSide
{
public:
    bool signIn(const QString &driveRoot, const QUrl &server, const QString &user, const QString &password)
    {
        TQDriveAdmin::setDriveRoot(driveRoot);
        TQDriveAdmin::AccountInfo account;
        if (TQDriveAdmin::createAccount(QStringLiteral("bench@webdav.test"), 0, &account) != TQDrive::Ok)
            return false;
        QFile conf(driveRoot + QStringLiteral("/drive.conf"));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        conf.write("backend=webdav\nserver_url=" + server.toEncoded() + "\nserver_user=" + user.toUtf8() + '\n');
        conf.close();
        if (!TQDriveAdmin::setServerPassword(server, user, password))
            return false;
        m_spaceId = account.spaceId;
        const QJsonObject roomy{{QStringLiteral("total_size"), qint64(1) << 50}, {QStringLiteral("file_size_limit"), 0},
            {QStringLiteral("single_file_upload_size"), 0}};
        if (!TQDriveAdmin::setServiceState(account.accountId, TQDriveAdmin::Opened)
            || !TQDriveAdmin::setSpaceInfo(account.accountId, roomy))
            return false;
        if (Drive_Init("{}") != TQDrive::Ok)
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
        QElapsedTimer timer;
        timer.start();
        const bool upload = kind == QLatin1String("upload");
        const int rc = upload ? Drive_UploadFile(text.constData(), onProgress, &transfer)
                              : Drive_DownloadFile(text.constData(), onProgress, &transfer);
        if (rc != TQDrive::Ok) {
            std::fprintf(stderr, "%s refused with %d\n", qPrintable(kind), rc);
            return outcome;
        }
        QMutexLocker lock(&transfer.mutex);
        while (!transfer.done)
            transfer.ended.wait(&transfer.mutex);
        if (transfer.code != 0) {
            std::fprintf(stderr, "%s failed with %d\n", qPrintable(kind), transfer.code);
            return outcome;
        }
        outcome.seconds = seconds(timer);
        outcome.fileId = transfer.fileId;
        outcome.path = transfer.path;
        return outcome;
    }

private:
    quint64 m_spaceId = 0;
    // A library thread may still be leaving the callback when the waiter wakes: keep them all to the end.
    std::deque<Transfer> m_transfers;
};

void printRow(const QString &label, double secs, double amount, const char *unit, double baseline, double target)
{
    if (secs < 0) {
        std::printf("%-22s  failed\n", qPrintable(label));
        return;
    }
    const double rate = amount / secs;
    std::printf("%-22s %8.2f s %10.1f %-7s", qPrintable(label), secs, rate, unit);
    if (baseline > 0) {
        const double ratio = secs > 0 ? baseline / secs : 0; // same amount: rate ratio = inverse time ratio
        std::printf("  %5.2fx of curl (target >= %.2fx: %s)", ratio, target, ratio >= target ? "ok" : "MISS");
    }
    std::printf("\n");
}

bool verified(const QString &who, const QString &path, const Manifest &expected)
{
    if (manifestOf(path, true, QStringLiteral(".DAV")) == expected)
        return true;
    std::printf("  MISMATCH: %s's copy %s differs from its source\n", qPrintable(who), qPrintable(path));
    return false;
}

// curl's round trip (up, down), then the drive's, for one data set; false when a round trip lost or
// changed data. Each side's copies are removed before the other side starts: a server that still holds
// the first side's upload in its page cache makes the second side's writes land in memory the machine
// has to provide afresh (on this virtual machine, several times the cost of reusing it), which timed
// whichever side went second, not the protocol.
bool measure(CurlSide &curl, DriveSide &drive, const char *name, const QString &source, const Manifest &expected,
    const QString &work, const QString &served, double amount, const char *unit, double target)
{
    const QString label = QString::fromLatin1(name);
    const QString remote = QFileInfo(source).fileName();
    const auto removeServed = [&served](const QString &name) {
        const QString path = served + QLatin1Char('/') + name;
        if (QFileInfo(path).isDir())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    };
    manifestOf(source, false);
    const double curlUp = curl.upload(source, QStringLiteral("curl-") + remote);
    printRow(QStringLiteral("curl upload ") + label, curlUp, amount, unit, 0, 0);
    const QString curlDir = work + QStringLiteral("/curl-down-") + label;
    const double curlDown = curlUp < 0 ? -1 : curl.download(source, QStringLiteral("curl-") + remote, curlDir);
    printRow(QStringLiteral("curl download ") + label, curlDown, amount, unit, 0, 0);
    bool ok = curlUp >= 0 && curlDown >= 0;
    ok = ok && verified(QStringLiteral("curl"), curlDir + QLatin1Char('/') + remote, expected);
    QDir(curlDir).removeRecursively();
    removeServed(QStringLiteral("curl-") + remote);

    const QJsonObject upItem{{QStringLiteral("file_id"), QStringLiteral("root")}, {QStringLiteral("path"), source},
        {QStringLiteral("check_name_mode"), 1}};
    const Outcome up = drive.run(QStringLiteral("upload"), upItem);
    printRow(QStringLiteral("drive upload ") + label, up.seconds, amount, unit, curlUp, target);
    const QString driveDir = work + QStringLiteral("/drive-down-") + label;
    QDir().mkpath(driveDir);
    Outcome down;
    if (up.seconds >= 0)
        down = drive.run(QStringLiteral("download"),
            {{QStringLiteral("file_id"), up.fileId}, {QStringLiteral("save_dir"), driveDir}});
    printRow(QStringLiteral("drive download ") + label, down.seconds, amount, unit, curlDown, target);

    ok = ok && up.seconds >= 0 && down.seconds >= 0;
    // On the server itself, so that a drive that kept the files anywhere else cannot pass.
    ok = ok && verified(QStringLiteral("the server"), served + QLatin1Char('/') + remote, expected);
    ok = ok && verified(QStringLiteral("the drive"), down.path, expected);
    QDir(driveDir).removeRecursively();
    removeServed(remote);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const SizeOptions options = parseSizeOptions(app,
        QStringLiteral("Times TQCoreKit's WebDAV uploads and downloads against curl, both to Apache on loopback."), 2000,
        QStringLiteral("Folder for the data sets."));
    const qint64 largeMib = options.largeMib;
    const int smallFiles = options.smallFiles;

    QTemporaryDir work(options.workDir + QStringLiteral("/bench_webdav-XXXXXX"));
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

    QString error;
    const std::unique_ptr<WebDavTestServer> apache = WebDavTestServer::start(WebDavTestServer::Kind::Apache, &error);
    if (!apache) {
        std::fprintf(stderr, "cannot start Apache: %s\n", qPrintable(error));
        return 2;
    }
    std::printf("work folder %s, Apache at %s serving %s\n", qPrintable(work.path()),
        apache->url().toEncoded().constData(), qPrintable(apache->servedFolder()));
    std::printf("large: 1 file of %lld MiB; small: %d files of 1-8 KiB in %d folders, %.1f MiB\n", largeMib, smallFiles,
        data.smallFolders(), double(small.bytes) / kMiB);
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly)) // other work on the machine skews every figure below
        std::printf("load average at start: %s", loadAverage.readLine().constData());
    std::printf("MB = 10^6 bytes; each rate is one run, warm page cache, after sync\n\n");

    CurlSide curl(apache->url(), work.path(), apache->user(), apache->password());
    DriveSide drive;
    if (!drive.signIn(work.path() + QStringLiteral("/drive"), apache->url(), apache->user(), apache->password())) {
        std::fprintf(stderr, "cannot sign the drive in to %s\n", apache->url().toEncoded().constData());
        return 2;
    }
    bool correct = true;
    if (largeMib > 0)
        correct &= measure(curl, drive, "large", largePath, large, work.path(), apache->servedFolder(),
            double(large.bytes) / 1e6, "MB/s", kLargeTarget);
    if (smallFiles > 0)
        correct &= measure(curl, drive, "small", smallRoot, small, work.path(), apache->servedFolder(), smallFiles,
            "files/s", kSmallTarget);
    Drive_Uninit();

    std::printf("\nround trips %s\n", correct ? "verified: sizes and MD5s match the sources" : "FAILED");
    return correct ? 0 : 1;
}
