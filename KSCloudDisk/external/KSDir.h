// Host file helpers.
#ifndef KSDIR_H
#define KSDIR_H

#include "kshostglobal.h"

#include <QString>

class KSHOST_API KSDir
{
public:
    // Bytes of every file below the folder (a file's own size for a file); 0 when missing.
    static qint64 getDirFileTotalSize(const QString &path);
    // Free space of the volume holding the path, in MiB (flag unused, kept for callers).
    static qint64 getDiskFreeSpace(const QString &path, int flag = 0);
    // True when a file can be created in the folder (the folder itself, or the path's folder).
    static bool IsPathWriteable(const QString &path);
    static bool copyDirectoryFiles(const QString &from, const QString &to, bool overwrite);
};

#endif
