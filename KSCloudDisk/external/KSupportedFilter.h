// Host media classification by file suffix.
#ifndef KSUPPORTEDFILTER_H
#define KSUPPORTEDFILTER_H

#include "kshostglobal.h"

#include <QString>
#include <QStringList>

class KSHOST_API KSupportedFilter
{
public:
    enum FileType { Unknown = -1, Video = 0, Audio = 1, Image = 2, Subtitle = 3, Project = 4 };

    // The type of a path, a file name or a bare suffix ("clip.MP4", ".mp4" and "mp4" are all
    // Video); letter case is ignored. Unknown for any other suffix and for a path without one.
    static int getFileTypeFromFilter(const QString &path);
    // The name filters of a type as file dialogs take them ("*.mp4", ...); empty for Unknown.
    static QStringList nameFilters(int type);
};

#endif
