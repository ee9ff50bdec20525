// Unpacking with libzip. Archives come from the network, so every entry is checked against the
// target folder before the first byte is written.
#include "KSZip.h"

#include "KSBaseLog.h"

#include <zip.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QVector>

#include <sys/stat.h>

namespace {

thread_local QString t_lastError;

bool fail(const QString &message)
{
    t_lastError = message;
    KSLOG_ERROR("unzip: %s", qUtf8Printable(message));
    return false;
}

QString libzipMessage(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString message = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return message;
}

struct Entry {
    zip_uint64_t index = 0;
    QString path; // below the target folder, "/" separated, no "." or ".."
    bool folder = false;
    zip_uint64_t size = 0;
    bool sizeKnown = false;
    QDateTime modified;
};

// The entry's path below the target, empty for the target itself; false (and why) when the entry
// would leave the target.
bool relativePath(QString name, QString *path, QString *why)
{
    // Windows tools write "\" separators; treating them as such also stops "..\" from climbing
    // where "\" is a separator.
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // Any drive letter, "C:/x" as well as the drive-relative "C:x" that Windows resolves outside.
    const bool drive = name.size() >= 2 && name.at(0).isLetter() && name.at(1) == QLatin1Char(':');
    if (name.startsWith(QLatin1Char('/')) || drive) {
        *why = QStringLiteral("absolute path");
        return false;
    }
    QStringList parts;
    for (const QString &part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            *why = QStringLiteral("\"..\" in the path");
            return false;
        }
        if (part != QLatin1String("."))
            parts.append(part);
    }
    *path = parts.join(QLatin1Char('/'));
    return true;
}

bool readEntries(zip_t *archive, QVector<Entry> *entries)
{
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = zip_uint64_t(i);
        zip_stat_t stat;
        zip_stat_init(&stat);
        const char *rawName = zip_get_name(archive, index, ZIP_FL_ENC_GUESS);
        if (!rawName || zip_stat_index(archive, index, 0, &stat) != 0)
            return fail(
                QStringLiteral("entry %1 is unreadable: %2").arg(i).arg(QString::fromUtf8(zip_strerror(archive))));
        const QString name = QString::fromUtf8(rawName);
        QString why;
        Entry entry;
        entry.index = index;
        if (!relativePath(name, &entry.path, &why))
            return fail(QStringLiteral("refusing entry \"%1\": %2").arg(name, why));

        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
            return fail(
                QStringLiteral("entry \"%1\" is unreadable: %2").arg(name, QString::fromUtf8(zip_strerror(archive))));
        // Unix tools keep st_mode in the upper half; other systems leave it meaningless.
        const quint32 type = system == ZIP_OPSYS_UNIX ? (attributes >> 16) & S_IFMT : 0;
        if (type == S_IFLNK)
            return fail(QStringLiteral("refusing entry \"%1\": symbolic link").arg(name));
        if (type != 0 && type != S_IFREG && type != S_IFDIR)
            return fail(QStringLiteral("refusing entry \"%1\": special file").arg(name));

        entry.folder = name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\')) || type == S_IFDIR;
        entry.sizeKnown = stat.valid & ZIP_STAT_SIZE;
        entry.size = entry.sizeKnown ? stat.size : 0;
        if (entry.folder && entry.size != 0)
            return fail(QStringLiteral("entry \"%1\" is a folder with data").arg(name));
        if (entry.path.isEmpty()) {
            if (entry.folder)
                continue; // "./": the target itself
            return fail(QStringLiteral("refusing entry \"%1\": empty name").arg(name));
        }
        if (stat.valid & ZIP_STAT_MTIME)
            entry.modified = QDateTime::fromSecsSinceEpoch(stat.mtime);
        entries->append(entry);
    }
    return true;
}

// Refuses paths that go through a link already in the target (it would lead outside), and paths
// where the archive or the disk have a file where a folder must be, before anything is written.
bool checkTarget(const QString &root, const QVector<Entry> &entries)
{
    QSet<QString> folders;
    QSet<QString> files;
    for (const Entry &entry : entries) {
        const QStringList parts = entry.path.split(QLatin1Char('/'));
        QString prefix;
        for (int i = 0; i < parts.size(); ++i) {
            prefix += (i ? QStringLiteral("/") : QString()) + parts.at(i);
            const bool last = i == parts.size() - 1;
            if (!last || entry.folder) {
                if (folders.contains(prefix))
                    continue;
                folders.insert(prefix);
            } else {
                files.insert(prefix);
            }
            const QFileInfo onDisk(root + QLatin1Char('/') + prefix);
            if (onDisk.isSymLink())
                return fail(
                    QStringLiteral("refusing entry \"%1\": \"%2\" is a link in the target").arg(entry.path, prefix));
            if (onDisk.exists() && onDisk.isDir() != (!last || entry.folder))
                return fail(QStringLiteral("refusing entry \"%1\": \"%2\" is in the way").arg(entry.path, prefix));
        }
    }
    for (const QString &file : qAsConst(files)) {
        if (folders.contains(file))
            return fail(QStringLiteral("refusing archive: \"%1\" is both a file and a folder").arg(file));
    }
    return true;
}

bool extractFile(zip_t *archive, const Entry &entry, const QString &target)
{
    zip_file_t *in = zip_fopen_index(archive, entry.index, 0);
    if (!in)
        return fail(QStringLiteral("cannot read \"%1\": %2").arg(entry.path, QString::fromUtf8(zip_strerror(archive))));
    // The data lands in a temporary file renamed when complete, so a damaged entry leaves neither
    // a partial file nor a clobbered older one.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        zip_fclose(in);
        return fail(QStringLiteral("cannot write \"%1\": %2").arg(target, out.errorString()));
    }
    QByteArray buffer(1 << 18, Qt::Uninitialized);
    zip_uint64_t written = 0;
    for (;;) {
        const zip_int64_t got = zip_fread(in, buffer.data(), zip_uint64_t(buffer.size()));
        if (got < 0) {
            const QString why = QString::fromUtf8(zip_file_strerror(in));
            zip_fclose(in);
            return fail(QStringLiteral("archive is damaged at \"%1\": %2").arg(entry.path, why));
        }
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got) {
            zip_fclose(in);
            return fail(QStringLiteral("cannot write \"%1\": %2").arg(target, out.errorString()));
        }
        written += zip_uint64_t(got);
    }
    const int closed = zip_fclose(in);
    if (closed != 0)
        return fail(QStringLiteral("archive is damaged at \"%1\": %2").arg(entry.path, libzipMessage(closed)));
    if (entry.sizeKnown && written != entry.size)
        return fail(QStringLiteral("archive is damaged at \"%1\": %2 bytes instead of %3")
                        .arg(entry.path)
                        .arg(written)
                        .arg(entry.size));
    // Written before the rename so that no later write moves the time again.
    if (entry.modified.isValid() && out.flush())
        out.setFileTime(entry.modified, QFileDevice::FileModificationTime);
    if (!out.commit())
        return fail(QStringLiteral("cannot write \"%1\": %2").arg(target, out.errorString()));
    return true;
}

bool extract(zip_t *archive, const QString &folder)
{
    QVector<Entry> entries;
    if (!readEntries(archive, &entries))
        return false;
    const QFileInfo targetInfo(folder);
    if (targetInfo.exists() && !targetInfo.isDir())
        return fail(QStringLiteral("%1 is not a folder").arg(folder));
    const QString root = targetInfo.absoluteFilePath();
    if (!checkTarget(root, entries))
        return false;

    const QDir dir(root);
    if (!dir.mkpath(QStringLiteral(".")))
        return fail(QStringLiteral("cannot create %1").arg(root));
    for (const Entry &entry : qAsConst(entries)) {
        const QString target = dir.filePath(entry.path);
        const QString parent = entry.folder ? target : QFileInfo(target).absolutePath();
        if (!dir.mkpath(parent))
            return fail(QStringLiteral("cannot create %1").arg(parent));
        if (!entry.folder && !extractFile(archive, entry, target))
            return false;
    }
    return true;
}

} // namespace

bool KSVblLibzip::ExtractDir(const QString &zipFile, const QString &folder)
{
    t_lastError.clear();
    if (folder.isEmpty())
        return fail(QStringLiteral("no target folder"));
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(zipFile).constData(), ZIP_RDONLY, &code);
    if (!archive)
        return fail(QStringLiteral("cannot open %1: %2").arg(zipFile, libzipMessage(code)));
    const bool ok = extract(archive, folder);
    // Read-only: discarding never writes, unlike zip_close.
    zip_discard(archive);
    return ok;
}

QString KSVblLibzip::lastError()
{
    return t_lastError;
}
