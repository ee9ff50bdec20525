#include "BenchDataSet.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace BenchData {

quint64 Random::next()
{
    quint64 z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

void Random::fill(QByteArray &buffer)
{
    for (int at = 0; at < buffer.size(); at += 8) {
        const quint64 word = next();
        std::memcpy(buffer.data() + at, &word, size_t(qMin(8, buffer.size() - at)));
    }
}

bool writeRandomFile(const QString &path, qint64 size, Random &random, Manifest *manifest, const QString &key)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QCryptographicHash hash(QCryptographicHash::Md5);
    QByteArray chunk(int(qMin(size, kMiB)), Qt::Uninitialized);
    for (qint64 left = size; left > 0;) {
        random.fill(chunk);
        const int n = int(qMin<qint64>(left, chunk.size()));
        hash.addData(chunk.constData(), n);
        if (file.write(chunk.constData(), n) != n)
            return false;
        left -= n;
    }
    manifest->files.insert(key, hash.result());
    manifest->bytes += size;
    return true;
}

Manifest manifestOf(const QString &path, bool hashed, const QString &skippedFolder)
{
    Manifest manifest;
    QByteArray chunk(int(kMiB), Qt::Uninitialized);
    auto add = [&](const QString &key, const QString &file) {
        QFile in(file);
        QCryptographicHash hash(QCryptographicHash::Md5);
        bool ok = in.open(QIODevice::ReadOnly);
        qint64 n = 0;
        while (ok && (n = in.read(chunk.data(), chunk.size())) > 0) {
            if (hashed)
                hash.addData(chunk.constData(), int(n));
        }
        manifest.files.insert(key, ok && n == 0 ? hash.result() : QByteArray());
        manifest.bytes += in.size();
    };
    const QFileInfo top(path);
    if (top.isFile()) {
        add(top.fileName(), path);
        return manifest;
    }
    const QString skipped = skippedFolder + QLatin1Char('/');
    const QDir dir(path);
    QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString key = dir.relativeFilePath(file);
        if (!skippedFolder.isEmpty() && (key.startsWith(skipped) || key.contains(QLatin1Char('/') + skipped)))
            continue;
        add(key, file);
    }
    return manifest;
}

SizeOptions parseSizeOptions(
    const QCoreApplication &app, const QString &description, int defaultSmallFiles, const QString &workDirHelp)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    const QCommandLineOption largeOption(QStringLiteral("large-mib"),
        QStringLiteral("Size of the large file (0 skips it)."), QStringLiteral("MiB"), QStringLiteral("1024"));
    const QCommandLineOption smallOption(QStringLiteral("small-files"),
        QStringLiteral("Number of small files (0 skips them)."), QStringLiteral("count"),
        QString::number(defaultSmallFiles));
    const QCommandLineOption dirOption(
        QStringLiteral("work-dir"), workDirHelp, QStringLiteral("path"), QDir::tempPath());
    parser.addOptions({largeOption, smallOption, dirOption});
    parser.process(app);
    bool largeOk = false;
    bool smallOk = false;
    SizeOptions options;
    options.largeMib = parser.value(largeOption).toLongLong(&largeOk);
    options.smallFiles = parser.value(smallOption).toInt(&smallOk);
    options.workDir = parser.value(dirOption);
    if (!largeOk || !smallOk || options.largeMib < 0 || options.smallFiles < 0)
        parser.showHelp(2);
    return options;
}

int DataSets::smallFolders() const
{
    return (small.files.size() + kFilesPerFolder - 1) / kFilesPerFolder;
}

bool writeDataSets(const QString &sourceDir, qint64 largeMib, int smallFiles, DataSets *out)
{
    out->largePath = sourceDir + QStringLiteral("/large.bin");
    out->smallRoot = sourceDir + QStringLiteral("/small");
    Random random;
    if (!QDir().mkpath(out->smallRoot))
        return false;
    if (largeMib > 0
        && !writeRandomFile(out->largePath, largeMib * kMiB, random, &out->large, QStringLiteral("large.bin")))
        return false;
    const QDir smallDir(out->smallRoot);
    for (int i = 0; i < smallFiles; ++i) {
        const QString folder = QStringLiteral("d%1").arg(i / kFilesPerFolder, 3, 10, QLatin1Char('0'));
        const QString key = folder + QStringLiteral("/f%1.bin").arg(i % kFilesPerFolder, 3, 10, QLatin1Char('0'));
        if (!smallDir.mkpath(folder)
            || !writeRandomFile(smallDir.filePath(key), 1024 + qint64(random.next() % 7169), random, &out->small, key))
            return false;
    }
    return true;
}

} // namespace BenchData
