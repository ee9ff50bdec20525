// Data sets the transfer benchmarks send around and the check that they came back whole.
#ifndef BENCHDATASET_H
#define BENCHDATASET_H

#include <QByteArray>
#include <QHash>
#include <QString>

class QCoreApplication;

namespace BenchData {

constexpr qint64 kMiB = 1 << 20;

// Relative path -> MD5 of the content: what a correct round trip must reproduce.
struct Manifest {
    QHash<QString, QByteArray> files;
    qint64 bytes = 0;
    bool operator==(const Manifest &other) const { return bytes == other.bytes && files == other.files; }
};

// splitmix64: fast enough not to dominate set-up, and content no layer could compress or deduplicate.
struct Random {
    quint64 state = 0x5eed;
    quint64 next();
    void fill(QByteArray &buffer);
};

// Writes `size` random bytes to path and records them under key.
bool writeRandomFile(const QString &path, qint64 size, Random &random, Manifest *manifest, const QString &key);

// Reads every byte under path (a file or a folder). Unhashed, that only warms the page cache before a
// timed run. A file that cannot be read gets an empty hash, so it never matches its source. Files in
// folders named `skippedFolder` (a server's own bookkeeping) are not content.
Manifest manifestOf(const QString &path, bool hashed = true, const QString &skippedFolder = QString());

// --large-mib, --small-files and --work-dir of the transfer benchmarks; wrong values show the help
// and end the program with 2.
struct SizeOptions {
    qint64 largeMib = 1024;
    int smallFiles = 0;
    QString workDir;
};
SizeOptions parseSizeOptions(
    const QCoreApplication &app, const QString &description, int defaultSmallFiles, const QString &workDirHelp);

// The two data sets of the transfer benchmarks under sourceDir: "large.bin" of largeMib MiB (none for
// 0) and smallFiles files of 1-8 KiB in folders of kFilesPerFolder under "small".
constexpr int kFilesPerFolder = 100;
struct DataSets {
    QString largePath;
    QString smallRoot;
    Manifest large;
    Manifest small;
    int smallFolders() const;
};
bool writeDataSets(const QString &sourceDir, qint64 largeMib, int smallFiles, DataSets *out);

} // namespace BenchData

#endif
