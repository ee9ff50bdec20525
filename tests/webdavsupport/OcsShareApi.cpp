#include "OcsShareApi.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QXmlStreamWriter>

namespace {

const QString kSharesPath = QStringLiteral("/apps/files_sharing/api/v1/shares");
constexpr int kLinkShare = 3;
constexpr int kTokenLength = 15;

// "/ocs/v2.php" or "/ocs/v1.php" followed by the shares path; 0 for anything else.
int apiVersion(const QString &path)
{
    for (int version : {1, 2}) {
        const QString prefix = QStringLiteral("/ocs/v%1.php").arg(version) + kSharesPath;
        if (path == prefix || path.startsWith(prefix + QLatin1Char('/')))
            return version;
    }
    return 0;
}

void writeXmlValue(QXmlStreamWriter &xml, const QString &name, const QJsonValue &value)
{
    xml.writeStartElement(name);
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            writeXmlValue(xml, it.key(), it.value());
    } else if (value.isArray()) {
        for (const QJsonValue &element : value.toArray())
            writeXmlValue(xml, QStringLiteral("element"), element);
    } else if (!value.isNull()) {
        xml.writeCharacters(value.isString() ? value.toString() : value.toVariant().toString());
    }
    xml.writeEndElement();
}

// Form fields ('+' is a space there, unlike in a URL query) or a JSON object, over the URL's query.
QUrlQuery parametersOf(const HttpRequest &request)
{
    QUrlQuery params = request.query;
    const QByteArray type = request.header("content-type").toLower();
    if (type.startsWith("application/json")) {
        const QJsonObject object = QJsonDocument::fromJson(request.body).object();
        for (auto it = object.begin(); it != object.end(); ++it) {
            params.removeAllQueryItems(it.key());
            const QString value = it.value().isString() ? it.value().toString() : it.value().toVariant().toString();
            params.addQueryItem(it.key(), QString::fromLatin1(QUrl::toPercentEncoding(value)));
        }
    } else if (!request.body.isEmpty()) {
        const QUrlQuery form(QString::fromUtf8(request.body).replace(QLatin1Char('+'), QLatin1Char(' ')));
        for (const auto &item : form.queryItems(QUrl::FullyEncoded)) {
            params.removeAllQueryItems(item.first);
            params.addQueryItem(item.first, item.second);
        }
    }
    return params;
}

QString param(const QUrlQuery &params, const char *name)
{
    return params.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
}

} // namespace

OcsShareApi::OcsShareApi(const QString &owner)
    : m_owner(owner)
{ }

bool OcsShareApi::handles(const QString &path)
{
    return apiVersion(path) != 0;
}

HttpResponse OcsShareApi::handle(const HttpRequest &request, const Lookup &lookup)
{
    // Nextcloud's CSRF check for API clients.
    if (request.header("ocs-apirequest").toLower() != "true")
        return reply(request, 997, QStringLiteral("Current user is not logged in"), QJsonArray());
    const QString prefix = QStringLiteral("/ocs/v%1.php").arg(apiVersion(request.path)) + kSharesPath;
    const QString rest = request.path.mid(prefix.size() + 1);
    const QUrlQuery params = parametersOf(request);
    if (rest.isEmpty()) {
        if (request.method == "POST")
            return create(request, params, lookup);
        if (request.method == "GET") {
            const QString path
                = param(params, "path").split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
            QJsonArray list;
            for (const Share &share : qAsConst(m_shares)) {
                if (path.isEmpty() || share.path == path)
                    list.append(toJson(share));
            }
            return reply(request, 200, QStringLiteral("OK"), list);
        }
        return reply(request, 405, QStringLiteral("Method not allowed"), QJsonArray());
    }
    bool number = false;
    const int id = rest.toInt(&number);
    if (!number || !m_shares.contains(id))
        return reply(request, 404, QStringLiteral("Wrong share ID, share does not exist"), QJsonArray());
    if (request.method == "GET")
        return reply(request, 200, QStringLiteral("OK"), QJsonArray{toJson(m_shares.value(id))});
    if (request.method == "PUT")
        return update(request, &m_shares[id], params);
    if (request.method == "DELETE") {
        m_shares.remove(id);
        return reply(request, 200, QStringLiteral("OK"), QJsonArray());
    }
    return reply(request, 405, QStringLiteral("Method not allowed"), QJsonArray());
}

HttpResponse OcsShareApi::create(const HttpRequest &request, const QUrlQuery &params, const Lookup &lookup)
{
    const QString path = param(params, "path").split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
    if (!params.hasQueryItem(QStringLiteral("path")))
        return reply(request, 404, QStringLiteral("Please specify a file or folder path"), QJsonArray());
    const Item item = lookup(path);
    if (!item.exists)
        return reply(request, 404, QStringLiteral("Wrong path, file/folder does not exist"), QJsonArray());
    if (param(params, "shareType").toInt() != kLinkShare)
        return reply(request, 400, QStringLiteral("Unknown share type"), QJsonArray());
    Share share;
    share.path = path;
    share.folder = item.folder;
    share.fileId = item.fileId;
    share.created = QDateTime::currentSecsSinceEpoch();
    share.host = request.header("host");
    static const char alphabet[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    for (int i = 0; i < kTokenLength; ++i)
        share.token += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))]);
    const QString problem = applyOptions(&share, params);
    if (!problem.isEmpty())
        return reply(request, 404, problem, QJsonArray());
    share.id = m_nextId++;
    m_shares.insert(share.id, share);
    return reply(request, 200, QStringLiteral("OK"), toJson(share));
}

HttpResponse OcsShareApi::update(const HttpRequest &request, Share *share, const QUrlQuery &params)
{
    Share changed = *share;
    const QString problem = applyOptions(&changed, params);
    if (!problem.isEmpty())
        return reply(request, 400, problem, QJsonArray());
    *share = changed;
    return reply(request, 200, QStringLiteral("OK"), toJson(*share));
}

QString OcsShareApi::applyOptions(Share *share, const QUrlQuery &params) const
{
    if (params.hasQueryItem(QStringLiteral("password"))) {
        const QString password = param(params, "password");
        share->passwordHash = password.isEmpty()
            ? QByteArray()
            : "1|" + QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256).toHex();
    }
    if (params.hasQueryItem(QStringLiteral("expireDate"))) {
        const QString text = param(params, "expireDate");
        const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!text.isEmpty() && !date.isValid())
            return QStringLiteral("Invalid date. Format must be YYYY-MM-DD");
        // A link expires at the start of its day: today or earlier would be expired already.
        if (date.isValid() && date <= QDate::currentDate())
            return QStringLiteral("Expiration date is in the past");
        share->expiration = date;
    }
    return QString();
}

void OcsShareApi::forgetBelow(const QString &rel)
{
    for (auto it = m_shares.begin(); it != m_shares.end();) {
        if (it->path == rel || it->path.startsWith(rel + QLatin1Char('/')))
            it = m_shares.erase(it);
        else
            ++it;
    }
}

QJsonArray OcsShareApi::shares() const
{
    QJsonArray list;
    for (const Share &share : m_shares)
        list.append(toJson(share));
    return list;
}

QJsonObject OcsShareApi::toJson(const Share &share) const
{
    const QJsonValue password = share.passwordHash.isEmpty() ? QJsonValue() : QString::fromLatin1(share.passwordHash);
    const QString name = share.path.mid(share.path.lastIndexOf(QLatin1Char('/')) + 1);
    return {{QStringLiteral("id"), QString::number(share.id)}, {QStringLiteral("share_type"), kLinkShare},
        {QStringLiteral("uid_owner"), m_owner}, {QStringLiteral("displayname_owner"), m_owner},
        {QStringLiteral("permissions"), 1}, {QStringLiteral("stime"), share.created},
        {QStringLiteral("expiration"),
            share.expiration.isValid() ? QJsonValue(share.expiration.toString(QStringLiteral("yyyy-MM-dd 00:00:00")))
                                       : QJsonValue()},
        {QStringLiteral("token"), share.token}, {QStringLiteral("path"), QLatin1Char('/') + share.path},
        {QStringLiteral("item_type"), share.folder ? QStringLiteral("folder") : QStringLiteral("file")},
        {QStringLiteral("mimetype"),
            share.folder ? QStringLiteral("httpd/unix-directory") : QStringLiteral("application/octet-stream")},
        {QStringLiteral("file_source"), share.fileId}, {QStringLiteral("item_source"), share.fileId},
        {QStringLiteral("file_target"), QLatin1Char('/') + name}, {QStringLiteral("share_with"), password},
        {QStringLiteral("share_with_displayname"), password}, {QStringLiteral("password"), password},
        {QStringLiteral("url"),
            QStringLiteral("http://%1/index.php/s/%2").arg(QString::fromLatin1(share.host), share.token)}};
}

// OCS v1 answers HTTP 200 with statuscode 100 on success and the error code in the body; v2 puts the
// code in the HTTP status as well. 997 (not logged in) is a 401 in both.
HttpResponse OcsShareApi::reply(
    const HttpRequest &request, int code, const QString &message, const QJsonValue &data) const
{
    const bool v2 = apiVersion(request.path) == 2;
    const bool ok = code == 200;
    const int statusCode = ok && !v2 ? 100 : code;
    const int httpStatus = code == 997 ? 401 : (v2 ? code : 200);
    const QJsonObject meta{{QStringLiteral("status"), ok ? QStringLiteral("ok") : QStringLiteral("failure")},
        {QStringLiteral("statuscode"), statusCode}, {QStringLiteral("message"), message},
        {QStringLiteral("totalitems"), QString()}, {QStringLiteral("itemsperpage"), QString()}};
    const QJsonObject ocs{{QStringLiteral("meta"), meta}, {QStringLiteral("data"), data}};
    const bool json = request.query.queryItemValue(QStringLiteral("format")) == QLatin1String("json")
        || request.header("accept").contains("application/json");
    if (json)
        return HttpResponse::of(httpStatus,
            QJsonDocument(QJsonObject{{QStringLiteral("ocs"), ocs}}).toJson(QJsonDocument::Compact),
            "application/json; charset=utf-8");
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.writeStartDocument();
    writeXmlValue(writer, QStringLiteral("ocs"), ocs);
    writer.writeEndDocument();
    return HttpResponse::of(httpStatus, xml, "text/xml; charset=UTF-8");
}
