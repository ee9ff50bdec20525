// Host zip containers: projects are zip files the plug-in unpacks to upload and packs after download.
#ifndef KSZIP_H
#define KSZIP_H

#include "kshostglobal.h"

#include <QString>

#include <functional>

class KSHOST_API KSQuaZip
{
public:
    using Progress = std::function<void(qint64 doneBytes, qint64 totalBytes)>;
    // Packs every file below `folder` (paths relative to it, UTF-8 names) into a new zip file.
    // The zip appears only when complete: a failure leaves no file behind.
    static bool CompressDirWithUTF8(
        const QString &zipFile, const QString &folder, const Progress &progress = Progress());
};

class KSHOST_API KSVblLibzip
{
public:
    // Unpacks the zip file into `folder` (created when missing). Refuses, and writes nothing
    // outside `folder`, when an entry is absolute, climbs with "..", or is a link.
    static bool ExtractDir(const QString &zipFile, const QString &folder);
    // Why the last ExtractDir on this thread failed; empty after a success.
    static QString lastError();
};

#endif
