#include "NextcloudDialect.h"

#include "TQDriveCodes.h"
#include "WebDavCapabilities.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrlQuery>

namespace TQDrive {

namespace {

bool ok(int status)
{
    return status >= 200 && status < 300;
}

WebDavServer withUrl(WebDavServer server, const QUrl &url)
{
    server.url = url;
    return server;
}

} // namespace

bool NextcloudDialect::fromFilesUrl(const WebDavServer &files, NextcloudDialect *out)
{
    static const QRegularExpression pattern(QStringLiteral("^(.*)/remote\\.php/dav/files/([^/]+)/?$"));
    const QRegularExpressionMatch match = pattern.match(files.url.path(QUrl::FullyEncoded));
    if (!match.hasMatch())
        return false;
    const QString prefix = match.captured(1);
    const QString user = match.captured(2);
    out->m_files = files;
    out->m_base = files.url;
    out->m_base.setPath(prefix, QUrl::TolerantMode);
    QUrl uploads = files.url;
    uploads.setPath(prefix + QStringLiteral("/remote.php/dav/uploads/") + user + QLatin1Char('/'), QUrl::TolerantMode);
    out->m_uploads = withUrl(files, uploads);
    QUrl trash = files.url;
    trash.setPath(
        prefix + QStringLiteral("/remote.php/dav/trashbin/") + user + QStringLiteral("/trash/"), QUrl::TolerantMode);
    out->m_trash = withUrl(files, trash);
    return true;
}

QUrl NextcloudDialect::fileUrl(const QString &path) const
{
    return WebDavClient(m_files).urlOf(path);
}

QString NextcloudDialect::chunkName(int number)
{
    return QStringLiteral("%1").arg(number, 5, 10, QLatin1Char('0'));
}

int NextcloudDialect::openUpload(const QString &folder, const QString &target, qint64 *stored, int *chunks) const
{
    *stored = 0;
    *chunks = 0;
    const WebDavClient client = uploads();
    QVector<DavResource> found;
    const QByteArray body = "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
                            "<d:getcontentlength/><d:resourcetype/></d:prop></d:propfind>";
    const DavResponse listing = client.propfind(folder, 1, body, &found);
    if (listing.status == 207) {
        // What arrived whole, in order: a chunk cut short by a broken connection is sent again.
        QMap<int, qint64> sizes;
        for (const DavResource &r : qAsConst(found)) {
            bool number = false;
            const int n = r.path.mid(r.path.lastIndexOf(QLatin1Char('/')) + 1).toInt(&number);
            if (number && !r.isDir)
                sizes.insert(n, r.size);
        }
        while (sizes.value(*chunks + 1) == kChunkSize) {
            ++*chunks;
            *stored += kChunkSize;
        }
        return Ok;
    }
    if (listing.status != 404)
        return davCode(listing.status, StorageFailed);
    const DavResponse made = client.mkcol(folder, {QByteArray("Destination: ") + fileUrl(target).toEncoded()});
    return ok(made.status) ? Ok : davCode(made.status, StorageFailed);
}

DavResponse NextcloudDialect::finishUpload(
    const QString &folder, const QString &target, qint64 size, bool overwrite) const
{
    return uploads().transferTo("MOVE", folder + QStringLiteral("/.file"), fileUrl(target), overwrite,
        {QByteArray("OC-Total-Length: ") + QByteArray::number(size)});
}

void NextcloudDialect::purge(const QString &path) const
{
    const WebDavClient trash(m_trash);
    QVector<DavResource> items;
    const QByteArray body = "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\" xmlns:nc=\"http://nextcloud.org/ns\">"
                            "<d:prop><nc:trashbin-original-location/><nc:trashbin-deletion-time/></d:prop>"
                            "</d:propfind>";
    if (trash.propfind(QString(), 1, body, &items).status != 207)
        return;
    QString latest;
    qint64 latestTime = -1;
    for (const DavResource &item : qAsConst(items)) {
        const QString origin = item.props.value(QStringLiteral("{http://nextcloud.org/ns}trashbin-original-location"));
        const qint64 time
            = item.props.value(QStringLiteral("{http://nextcloud.org/ns}trashbin-deletion-time")).toLongLong();
        if (!item.path.isEmpty() && origin == path && time >= latestTime) {
            latest = item.path;
            latestTime = time;
        }
    }
    if (!latest.isEmpty())
        trash.remove(latest, false);
}

int NextcloudDialect::createShare(
    const QString &path, const QString &accessCode, qint64 expiresInSeconds, Share *out) const
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("path"), QString::fromLatin1(QUrl::toPercentEncoding(QLatin1Char('/') + path)));
    form.addQueryItem(QStringLiteral("shareType"), QStringLiteral("3"));
    if (!accessCode.isEmpty())
        form.addQueryItem(QStringLiteral("password"), QString::fromLatin1(QUrl::toPercentEncoding(accessCode)));
    QDateTime ends;
    if (expiresInSeconds > 0) {
        // A link ends at the start of its expiry date: the first midnight (UTC) not before the asked end.
        const QDateTime asked = QDateTime::currentDateTimeUtc().addSecs(expiresInSeconds);
        ends = QDateTime(asked.date(), QTime(0, 0), Qt::UTC);
        if (ends < asked)
            ends = ends.addDays(1);
        form.addQueryItem(QStringLiteral("expireDate"), ends.date().toString(Qt::ISODate));
    }
    QUrl url = m_base;
    url.setPath(m_base.path(QUrl::FullyEncoded) + QStringLiteral("/ocs/v2.php/apps/files_sharing/api/v1/shares"),
        QUrl::TolerantMode);
    url.setQuery(QStringLiteral("format=json"));
    const DavResponse r = WebDavClient(m_files).requestUrl("POST", url, form.query(QUrl::FullyEncoded).toUtf8(),
        {QByteArray("OCS-APIRequest: true"), QByteArray("Content-Type: application/x-www-form-urlencoded"),
            QByteArray("Accept: application/json")});
    const QJsonObject ocs = QJsonDocument::fromJson(r.body).object().value(QLatin1String("ocs")).toObject();
    const QJsonObject data = ocs.value(QLatin1String("data")).toObject();
    if (!ok(r.status) || data.value(QLatin1String("url")).toString().isEmpty()) {
        if (r.status == 400)
            return BadArgument; // e.g. a password the server's policy refuses
        return davCode(r.status, StorageFailed);
    }
    const QJsonValue id = data.value(QLatin1String("id"));
    out->id = id.isString() ? id.toString() : QString::number(id.toInt());
    out->url = data.value(QLatin1String("url")).toString();
    out->createdAt = nowMs();
    out->expiresAt = ends.isValid() ? ends.toMSecsSinceEpoch() : 0;
    return Ok;
}

} // namespace TQDrive
