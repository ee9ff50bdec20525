// Media classification by suffix, for filters, share categories and default pictures.
#include "KSupportedFilter.h"

#include <QFileInfo>
#include <QHash>

namespace {

struct TypeSuffixes {
    int type;
    const char *suffixes;
};

// Suffixes the editor imports; a suffix belongs to one type only.
const TypeSuffixes kTable[] = {
    {KSupportedFilter::Video,
        "mp4 mov m4v mkv avi wmv asf flv f4v webm mpg mpeg mpe m2v vob ts mts m2ts 3gp 3g2 ogv rm rmvb mxf dv"},
    {KSupportedFilter::Audio, "aac ac3 aif aiff au flac m4a mka mp2 mp3 ogg oga opus wav wma caf"},
    {KSupportedFilter::Image, "bmp jpg jpeg jpe jfif png tif tiff ico dib emf dng heif heic webp gif svg"},
    {KSupportedFilter::Subtitle, "srt lrc ass ssa vtt"},
    {KSupportedFilter::Project, "vqp vqpbundle vqpx vqpbundlex vqpxii vqpbundlexii"},
};

const QHash<QString, int> &typeBySuffix()
{
    static const QHash<QString, int> table = [] {
        QHash<QString, int> built;
        for (const TypeSuffixes &row : kTable) {
            const QStringList suffixes = QString::fromLatin1(row.suffixes).split(QLatin1Char(' '));
            for (const QString &suffix : suffixes)
                built.insert(suffix, row.type);
        }
        return built;
    }();
    return table;
}

// "clip.MP4" and ".mp4" give "mp4"; a bare word is taken as the suffix itself, while a path
// without a dot in its file name has none.
QString suffixOf(const QString &path)
{
    const QFileInfo info(path);
    const bool bareWord
        = !path.contains(QLatin1Char('/')) && !path.contains(QLatin1Char('\\')) && !path.contains(QLatin1Char('.'));
    return (bareWord ? path : info.suffix()).toLower();
}

} // namespace

int KSupportedFilter::getFileTypeFromFilter(const QString &path)
{
    return typeBySuffix().value(suffixOf(path), Unknown);
}

QStringList KSupportedFilter::nameFilters(int type)
{
    QStringList filters;
    for (const TypeSuffixes &row : kTable) {
        if (row.type != type)
            continue;
        const QStringList suffixes = QString::fromLatin1(row.suffixes).split(QLatin1Char(' '));
        for (const QString &suffix : suffixes)
            filters.append(QStringLiteral("*.") + suffix);
    }
    return filters;
}
