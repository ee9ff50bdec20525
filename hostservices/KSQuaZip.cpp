// Packing with QuaZip. Built apart from the rest of the library: QuaZip's include folder holds a
// minizip "zip.h" that would shadow libzip's header in the sources that extract.
#include "KSZip.h"

#include "KSBaseLog.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QVector>

namespace {

struct PackEntry {
    QString path; // on disk
    QString name; // in the archive, "/" ends folders
    qint64 size = 0;
};

// Everything to pack, listed before the archive exists so that a zip written inside `folder`
// (its temporary file or an older copy) never packs itself.
bool listEntries(const QString &folder, const QString &zipPath, QVector<PackEntry> *entries, qint64 *total)
{
    const QDir root(folder);
    QDirIterator it(
        folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = root.relativeFilePath(info.absoluteFilePath());
        if (info.isSymLink()) {
            // A link may lead out of the folder or back into it; the extractor refuses links anyway.
            KSLOG_WARN("zip: not packing the link %s", qUtf8Printable(name));
            continue;
        }
        if (info.absoluteFilePath() == zipPath)
            continue;
        if (info.isDir()) {
            // QDirIterator silently skips what it cannot list; a project with holes is worse than none.
            if (!info.isReadable() || !info.isExecutable()) {
                KSLOG_ERROR("zip: cannot list %s", qUtf8Printable(name));
                return false;
            }
            // Folders get their own entries so that empty ones survive the round trip.
            entries->append({info.absoluteFilePath(), name + QLatin1Char('/'), 0});
        } else if (info.isFile()) {
            entries->append({info.absoluteFilePath(), name, info.size()});
            *total += info.size();
        } else {
            KSLOG_WARN("zip: not packing the special file %s", qUtf8Printable(name));
        }
    }
    return true;
}

bool packEntry(QuaZip *zip, const PackEntry &entry, qint64 *done, qint64 total, const KSQuaZip::Progress &progress)
{
    QuaZipNewInfo info(entry.name, entry.path);
    // Zip64 headers only where needed: older readers choke on them. The margin covers data that
    // grows when deflated.
    zip->setZip64Enabled(entry.size > (qint64(1) << 31));
    QuaZipFile out(zip);
    if (!out.open(QIODevice::WriteOnly, info)) {
        KSLOG_ERROR("zip: cannot add %s (error %d)", qUtf8Printable(entry.name), out.getZipError());
        return false;
    }
    if (entry.name.endsWith(QLatin1Char('/'))) {
        out.close();
        return out.getZipError() == 0;
    }
    QFile in(entry.path);
    if (!in.open(QIODevice::ReadOnly)) {
        KSLOG_ERROR("zip: cannot read %s: %s", qUtf8Printable(entry.path), qUtf8Printable(in.errorString()));
        return false;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0) {
            KSLOG_ERROR("zip: cannot read %s: %s", qUtf8Printable(entry.path), qUtf8Printable(in.errorString()));
            return false;
        }
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got) {
            KSLOG_ERROR("zip: cannot write %s (error %d)", qUtf8Printable(entry.name), out.getZipError());
            return false;
        }
        *done += got;
        if (progress)
            progress(*done, total);
    }
    out.close();
    if (out.getZipError() != 0) {
        KSLOG_ERROR("zip: cannot finish %s (error %d)", qUtf8Printable(entry.name), out.getZipError());
        return false;
    }
    return true;
}

} // namespace

bool KSQuaZip::CompressDirWithUTF8(const QString &zipFile, const QString &folder, const Progress &progress)
{
    const QFileInfo source(folder);
    if (zipFile.isEmpty() || !source.isDir()) {
        KSLOG_ERROR("zip: %s is not a folder", qUtf8Printable(folder));
        return false;
    }
    const QString zipPath = QFileInfo(zipFile).absoluteFilePath();
    QVector<PackEntry> entries;
    qint64 total = 0;
    if (!listEntries(source.absoluteFilePath(), zipPath, &entries, &total))
        return false;

    // QSaveFile writes beside the target and renames on commit: readers never see half an archive,
    // and a failure leaves nothing.
    QSaveFile file(zipPath);
    if (!file.open(QIODevice::WriteOnly)) {
        KSLOG_ERROR("zip: cannot create %s: %s", qUtf8Printable(zipPath), qUtf8Printable(file.errorString()));
        return false;
    }
    bool ok = true;
    {
        QuaZip zip(&file);
        // QSaveFile must not be closed, only committed or dropped.
        zip.setAutoClose(false);
        zip.setUtf8Enabled(true);
        if (!zip.open(QuaZip::mdCreate)) {
            KSLOG_ERROR("zip: cannot start %s (error %d)", qUtf8Printable(zipPath), zip.getZipError());
            ok = false;
        }
        qint64 done = 0;
        if (ok && progress)
            progress(0, total);
        for (int i = 0; ok && i < entries.size(); ++i)
            ok = packEntry(&zip, entries.at(i), &done, total, progress);
        if (zip.isOpen()) {
            zip.close();
            if (ok && zip.getZipError() != 0) {
                KSLOG_ERROR("zip: cannot finish %s (error %d)", qUtf8Printable(zipPath), zip.getZipError());
                ok = false;
            }
        }
    }
    if (!ok) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        KSLOG_ERROR("zip: cannot save %s: %s", qUtf8Printable(zipPath), qUtf8Printable(file.errorString()));
        return false;
    }
    return true;
}
