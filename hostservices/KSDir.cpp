#include "KSDir.h"

#include "KSBaseLog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace {

bool copyFolder(const QDir &from, const QDir &to, bool overwrite)
{
    if (!QDir().mkpath(to.absolutePath()))
        return false;
    bool ok = true;
    const QFileInfoList entries
        = from.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString target = to.filePath(entry.fileName());
        if (entry.isDir()) {
            if (entry.isSymLink())
                continue; // a linked folder may point back into the tree
            // Go on with the other entries: copy as much as possible, report the failure.
            ok = copyFolder(QDir(entry.absoluteFilePath()), QDir(target), overwrite) && ok;
            continue;
        }
        const bool replacing = QFileInfo::exists(target);
        if (replacing) {
            if (!overwrite)
                continue;
            if (QFileInfo(target).isDir()) {
                ok = false;
                continue;
            }
        }
        // Copied beside the target first: a copy that fails half-way leaves the old file intact.
        const QString staged = replacing ? target + QStringLiteral(".kscopy") : target;
        QFile::remove(staged);
        const bool copied = QFile::copy(entry.absoluteFilePath(), staged)
            && (!replacing
                || std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(target).constData()) == 0);
        if (!copied) {
            if (replacing)
                QFile::remove(staged);
            KSLOG_WARN("cannot copy %s", qUtf8Printable(entry.fileName()));
            ok = false;
        }
    }
    return ok;
}

} // namespace

qint64 KSDir::getDirFileTotalSize(const QString &path)
{
    const QFileInfo info(path);
    if (info.isFile())
        return info.size();
    if (!info.isDir())
        return 0;
    qint64 total = 0;
    // Linked entries are not followed: their bytes live elsewhere and a linked folder may loop.
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

qint64 KSDir::getDiskFreeSpace(const QString &path, int flag)
{
    Q_UNUSED(flag)
    // A folder that does not exist yet (a download target) is on the volume of its nearest parent.
    QFileInfo info(QFileInfo(path).absoluteFilePath());
    while (!info.exists() && !info.isRoot()) {
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath())
            break;
        info = QFileInfo(parent);
    }
    const QStorageInfo storage(info.absoluteFilePath());
    if (!storage.isValid() || !storage.isReady())
        return 0;
    return storage.bytesAvailable() / (1 << 20);
}

bool KSDir::IsPathWriteable(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (!QFileInfo(folder).isDir())
        return false;
    // Permission bits lie (ACLs, read-only mounts, quotas): only a real file tells.
    QTemporaryFile probe(folder + QStringLiteral("/.kshost_write_XXXXXX"));
    if (!probe.open())
        return false;
    probe.close();
    return probe.remove();
}

bool KSDir::copyDirectoryFiles(const QString &from, const QString &to, bool overwrite)
{
    const QFileInfo source(from);
    if (!source.isDir() || to.isEmpty())
        return false;
    const QString sourcePath = source.canonicalFilePath();
    const QString targetPath = QFileInfo(to).absoluteFilePath();
    // Copying a folder into itself would never end.
    if (targetPath == sourcePath || targetPath.startsWith(sourcePath + QLatin1Char('/')))
        return false;
    return copyFolder(QDir(sourcePath), QDir(targetPath), overwrite);
}
