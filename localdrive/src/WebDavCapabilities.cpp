#include "WebDavCapabilities.h"

#include "TQDriveCodes.h"
#include "WebDavClient.h"

#include <QUuid>

#include <memory>

namespace TQDrive {

QString davHiddenFolder()
{
    return QStringLiteral(".tqdrive");
}

QString davNamespace()
{
    return QStringLiteral("urn:tqdrive");
}

int davCode(int status, int fallback)
{
    switch (status) {
    case 0:
        return ServerUnreachable;
    case 401:
        return TokenExpired;
    case 404:
        return FileNotFound;
    case 409:
        return ParentNotFound;
    case 412:
        return NameClash;
    case 413:
        return FileTooLarge;
    case 507:
        return QuotaExceeded;
    default:
        return fallback;
    }
}

namespace {

bool ok(int status)
{
    return status >= 200 && status < 300;
}

} // namespace

int WebDavCapabilities::detect(const WebDavClient &client, WebDavCapabilities *out)
{
    *out = WebDavCapabilities();
    const DavResponse options = client.request("OPTIONS", QString());
    if (options.status == 0 || options.status == 401)
        return davCode(options.status, StorageFailed);
    out->davClasses = QString::fromLatin1(options.headers.value("dav"));

    QVector<DavResource> root;
    const QByteArray rootBody = "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\" "
                                "xmlns:oc=\"http://owncloud.org/ns\"><d:prop><d:resourcetype/>"
                                "<d:quota-available-bytes/><d:quota-used-bytes/><oc:fileid/></d:prop></d:propfind>";
    const DavResponse listing = client.propfind(QString(), 0, rootBody, &root);
    if (listing.status != 207 || root.isEmpty() || !root.first().isDir)
        return davCode(listing.status, StorageFailed);
    const DavResource &top = root.first();
    // A server that does not know a property may still list it, empty: only a value counts.
    out->quota = top.props.contains(QStringLiteral("{DAV:}quota-available-bytes"))
        && top.props.contains(QStringLiteral("{DAV:}quota-used-bytes"));
    out->fileIds = top.props.contains(QStringLiteral("{http://owncloud.org/ns}fileid"));

    const QString hidden = davHiddenFolder();
    const DavResponse folder = client.mkcol(hidden);
    if (!ok(folder.status) && folder.status != 405)
        return davCode(folder.status, StorageFailed);
    const QString probe = hidden + QStringLiteral("/probe-") + QUuid::createUuid().toString(QUuid::Id128);
    const QString moved = probe + QStringLiteral("-moved");

    // Ranged PUT: the tail is written after the head, and the whole file is read back, because a
    // server may answer 201 and keep only the tail.
    const QByteArray head("0123456789");
    const QByteArray tail("abc");
    auto sourceOf = [](const QByteArray &bytes) {
        auto offset = std::make_shared<qint64>(0);
        return WebDavClient::Source([bytes, offset](char *buffer, qint64 max) {
            const qint64 n = qMin<qint64>(max, bytes.size() - *offset);
            memcpy(buffer, bytes.constData() + *offset, size_t(n));
            *offset += n;
            return n;
        });
    };
    const WebDavClient::Proceed always = []() { return true; };
    const DavResponse first = client.put(probe, 0, head.size(), head.size(), sourceOf(head), always);
    if (!ok(first.status))
        return davCode(first.status, StorageFailed);
    const DavResponse ranged
        = client.put(probe, head.size(), tail.size(), head.size() + tail.size(), sourceOf(tail), always);
    if (ok(ranged.status)) {
        QByteArray back;
        const DavResponse read = client.get(
            probe, 0,
            [&back](int, const QHash<QByteArray, QByteArray> &, const char *data, qint64 n) {
                back.append(data, int(n));
                return true;
            },
            always);
        out->rangedPut = read.status == 200 && back == head + tail;
    }

    const QByteArray patch = "<?xml version=\"1.0\"?><d:propertyupdate xmlns:d=\"DAV:\" xmlns:t=\""
        + davNamespace().toUtf8() + "\"><d:set><d:prop><t:probe>kept</t:probe></d:prop></d:set></d:propertyupdate>";
    const DavResponse patched
        = client.request("PROPPATCH", probe, patch, {QByteArray("Content-Type: application/xml; charset=utf-8")});
    const DavResponse move = client.transfer("MOVE", probe, moved, true);
    if (ok(patched.status) && ok(move.status)) {
        QVector<DavResource> found;
        const QByteArray ask = "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\" xmlns:t=\""
            + davNamespace().toUtf8() + "\"><d:prop><t:probe/></d:prop></d:propfind>";
        client.propfind(moved, 0, ask, &found);
        out->deadProperties = !found.isEmpty()
            && found.first().props.value(QLatin1Char('{') + davNamespace() + QStringLiteral("}probe"))
                == QLatin1String("kept");
    }
    client.request("DELETE", ok(move.status) ? moved : probe);
    return Ok;
}

QString WebDavCapabilities::summary() const
{
    auto yes = [](bool b) { return b ? QStringLiteral("yes") : QStringLiteral("no"); };
    return QStringLiteral("DAV %1; dead properties %2, ranged PUT %3, quota %4, file ids %5")
        .arg(davClasses.isEmpty() ? QStringLiteral("-") : davClasses, yes(deadProperties), yes(rangedPut), yes(quota),
            yes(fileIds));
}

} // namespace TQDrive
