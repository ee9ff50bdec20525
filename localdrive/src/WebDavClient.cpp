#include "WebDavClient.h"

#include <QDateTime>
#include <QHostAddress>
#include <QXmlStreamReader>

#include <curl/curl.h>

#include <mutex>

namespace TQDrive {

namespace {

// One easy handle per thread: curl keeps its connections with the handle, so the requests of a
// transfer reuse one connection, and no handle is ever shared between threads.
struct ThreadHandle {
    CURL *handle = nullptr;
    ~ThreadHandle()
    {
        if (handle)
            curl_easy_cleanup(handle);
    }
};

CURL *threadHandle()
{
    static std::once_flag once;
    std::call_once(once, []() { curl_global_init(CURL_GLOBAL_DEFAULT); });
    thread_local ThreadHandle holder;
    if (!holder.handle)
        holder.handle = curl_easy_init();
    else
        curl_easy_reset(holder.handle);
    return holder.handle;
}

struct Exchange {
    DavResponse *response = nullptr;
    const QByteArray *body = nullptr;
    qint64 bodyOffset = 0;
    const WebDavClient::Source *source = nullptr;
    const WebDavClient::Sink *sink = nullptr;
    const WebDavClient::Proceed *proceed = nullptr;
    CURL *handle = nullptr;
};

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *x = static_cast<Exchange *>(user);
    const QByteArray line = QByteArray(data, int(size * count)).trimmed();
    if (line.startsWith("HTTP/")) {
        x->response->headers.clear(); // a new answer (after a redirect or 100 Continue)
        return size * count;
    }
    const int colon = line.indexOf(':');
    if (colon > 0)
        x->response->headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    return size * count;
}

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *x = static_cast<Exchange *>(user);
    const size_t n = size * count;
    if (x->sink && *x->sink) {
        long status = 0;
        curl_easy_getinfo(x->handle, CURLINFO_RESPONSE_CODE, &status);
        if (!(*x->sink)(int(status), x->response->headers, data, qint64(n))) {
            x->response->aborted = true;
            return 0;
        }
        return n;
    }
    x->response->body.append(data, int(n));
    return n;
}

size_t onRead(char *buffer, size_t size, size_t count, void *user)
{
    auto *x = static_cast<Exchange *>(user);
    const qint64 max = qint64(size * count);
    if (x->source) {
        const qint64 n = (*x->source)(buffer, max);
        if (n < 0) {
            x->response->aborted = true;
            return CURL_READFUNC_ABORT;
        }
        return size_t(n);
    }
    const qint64 n = qMin<qint64>(max, x->body->size() - x->bodyOffset);
    memcpy(buffer, x->body->constData() + x->bodyOffset, size_t(n));
    x->bodyOffset += n;
    return size_t(n);
}

int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *x = static_cast<Exchange *>(user);
    if (x->proceed && *x->proceed && !(*x->proceed)()) {
        x->response->aborted = true;
        return 1;
    }
    return 0;
}

QString encodedPath(const QString &path)
{
    QStringList parts;
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        parts << QString::fromLatin1(QUrl::toPercentEncoding(part));
    return parts.join(QLatin1Char('/'));
}

} // namespace

WebDavClient::WebDavClient(WebDavServer server)
    : m_server(std::move(server))
{
    QString path = m_server.url.path();
    if (!path.endsWith(QLatin1Char('/')))
        m_server.url.setPath(path + QLatin1Char('/'));
}

qint64 WebDavClient::httpDateMs(const QString &text)
{
    // RFC 1123, e.g. "Mon, 07 Dec 2026 05:00:00 GMT".
    // Read field by field as UTC: Qt's format parser goes through local time, which consults the time
    // zone database on every call, a dozen file lookups per downloaded file.
    static const char *const months[]
        = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QStringRef month = text.midRef(8, 3);
    int m = 0;
    while (m < 12 && month != QLatin1String(months[m]))
        ++m;
    const QDate date(text.midRef(12, 4).toInt(), m + 1, text.midRef(5, 2).toInt());
    const QTime time(text.midRef(17, 2).toInt(), text.midRef(20, 2).toInt(), text.midRef(23, 2).toInt());
    if (m == 12 || !date.isValid() || !time.isValid() || text.size() < 25 || text.at(19) != QLatin1Char(':'))
        return 0;
    return QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
}

bool WebDavClient::isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QUrl WebDavClient::urlOf(const QString &path, bool isDir) const
{
    QString encoded = m_server.url.path(QUrl::FullyEncoded) + encodedPath(path);
    if (isDir && !encoded.endsWith(QLatin1Char('/')))
        encoded += QLatin1Char('/');
    QUrl url = m_server.url;
    url.setPath(encoded, QUrl::TolerantMode);
    return url;
}

DavResponse WebDavClient::perform(const QByteArray &method, const QUrl &url, const QList<QByteArray> &headers,
    const QByteArray *body, const Source *source, qint64 uploadLength, const Sink *sink, const Proceed *proceed) const
{
    DavResponse response;
    response.request = QString::fromLatin1(method) + QLatin1Char(' ') + url.path();
    CURL *h = threadHandle();
    if (!h) {
        response.error = QStringLiteral("no curl handle");
        return response;
    }
    Exchange x;
    x.response = &response;
    x.body = body;
    x.source = source;
    x.sink = sink;
    x.proceed = proceed;
    x.handle = h;
    const QByteArray urlText = url.toEncoded();
    const QByteArray user = m_server.user.toUtf8();
    const QByteArray password = m_server.password.toUtf8();
    curl_easy_setopt(h, CURLOPT_URL, urlText.constData());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 15L);
    // A server that stops answering mid-transfer is given up on rather than waited for forever.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &x);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &x);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &x);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 512L * 1024);
    curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, 2L * 1024 * 1024);
    struct curl_slist *list = nullptr;
    for (const QByteArray &header : headers)
        list = curl_slist_append(list, header.constData());
    // The body follows at once: waiting for "100 Continue" costs a round trip per request.
    list = curl_slist_append(list, "Expect:");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list);
    if (method == "PUT") {
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, onRead);
        curl_easy_setopt(h, CURLOPT_READDATA, &x);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(source ? uploadLength : body->size()));
    } else {
        if (method == "HEAD")
            curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        else if (method != "GET")
            curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.constData());
        if (body && !body->isEmpty()) {
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, body->constData());
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body->size()));
        }
    }
    if (sink) {
        // Only a successful answer's body is content; an error page must not land in the file.
        curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    }
    const CURLcode result = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    response.status = int(status);
    if (result != CURLE_OK && !(result == CURLE_HTTP_RETURNED_ERROR && status >= 400)) {
        response.error = QString::fromUtf8(curl_easy_strerror(result));
        if (!response.aborted)
            response.status = status >= 400 ? int(status) : 0;
    }
    curl_slist_free_all(list);
    // The credentials must not stay in the handle after the request.
    curl_easy_setopt(h, CURLOPT_USERNAME, "");
    curl_easy_setopt(h, CURLOPT_PASSWORD, "");
    return response;
}

DavResponse WebDavClient::request(
    const QByteArray &method, const QString &path, const QByteArray &body, const QList<QByteArray> &headers) const
{
    return perform(method, urlOf(path, method == "MKCOL"), headers, &body, nullptr, 0, nullptr, nullptr);
}

DavResponse WebDavClient::propfind(
    const QString &path, int depth, const QByteArray &body, QVector<DavResource> *out) const
{
    const QList<QByteArray> headers{
        QByteArray("Depth: ") + QByteArray::number(depth), QByteArray("Content-Type: application/xml; charset=utf-8")};
    DavResponse r = perform("PROPFIND", urlOf(path), headers, &body, nullptr, 0, nullptr, nullptr);
    if (r.status == 207 && out)
        *out = parseMultistatus(r.body, m_server.url.path(QUrl::FullyDecoded));
    return r;
}

DavResponse WebDavClient::mkcol(const QString &path) const
{
    return request("MKCOL", path);
}

DavResponse WebDavClient::transfer(
    const QByteArray &method, const QString &from, const QString &to, bool overwrite, bool isDir) const
{
    // Folders are named with their trailing slash on both ends: nginx refuses a MOVE of one without.
    const QList<QByteArray> headers{QByteArray("Destination: ") + urlOf(to, isDir).toEncoded(),
        QByteArray("Overwrite: ") + (overwrite ? "T" : "F")};
    return perform(method, urlOf(from, isDir), headers, nullptr, nullptr, 0, nullptr, nullptr);
}

DavResponse WebDavClient::transferTo(const QByteArray &method, const QString &from, const QUrl &destination,
    bool overwrite, const QList<QByteArray> &headers) const
{
    QList<QByteArray> all{
        QByteArray("Destination: ") + destination.toEncoded(), QByteArray("Overwrite: ") + (overwrite ? "T" : "F")};
    all += headers;
    return perform(method, urlOf(from), all, nullptr, nullptr, 0, nullptr, nullptr);
}

DavResponse WebDavClient::requestUrl(
    const QByteArray &method, const QUrl &url, const QByteArray &body, const QList<QByteArray> &headers) const
{
    return perform(method, url, headers, &body, nullptr, 0, nullptr, nullptr);
}

DavResponse WebDavClient::mkcol(const QString &path, const QList<QByteArray> &headers) const
{
    const QByteArray none;
    return perform("MKCOL", urlOf(path, true), headers, &none, nullptr, 0, nullptr, nullptr);
}

DavResponse WebDavClient::remove(const QString &path, bool isDir) const
{
    return perform("DELETE", urlOf(path, isDir), {}, nullptr, nullptr, 0, nullptr, nullptr);
}

DavResponse WebDavClient::put(const QString &path, qint64 offset, qint64 length, qint64 total, const Source &source,
    const Proceed &proceed, const QList<QByteArray> &extra) const
{
    QList<QByteArray> headers{QByteArray("Content-Type: application/octet-stream")};
    headers += extra;
    if (offset > 0) {
        headers << QByteArray("Content-Range: bytes ") + QByteArray::number(offset) + '-'
                + QByteArray::number(offset + length - 1) + '/' + QByteArray::number(total);
    }
    return perform("PUT", urlOf(path), headers, nullptr, &source, length, nullptr, &proceed);
}

DavResponse WebDavClient::get(const QString &path, qint64 offset, const Sink &sink, const Proceed &proceed) const
{
    QList<QByteArray> headers;
    if (offset > 0)
        headers << QByteArray("Range: bytes=") + QByteArray::number(offset) + '-';
    return perform("GET", urlOf(path), headers, nullptr, nullptr, 0, &sink, &proceed);
}

QVector<DavResource> WebDavClient::parseMultistatus(const QByteArray &xml, const QString &basePath)
{
    static const QString dav = QStringLiteral("DAV:");
    QVector<DavResource> out;
    QXmlStreamReader r(xml);
    DavResource current;
    DavResource pending; // properties of the propstat being read, kept only when its status is 200
    bool inResponse = false;
    bool inProp = false;
    bool propstatOk = true;
    int propDepth = 0;
    QString propKey;
    QString propText;
    QString href;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            const QStringRef ns = r.namespaceUri();
            const QStringRef name = r.name();
            if (inProp) {
                ++propDepth;
                if (propDepth == 1) {
                    propKey = QLatin1Char('{') + ns.toString() + QLatin1Char('}') + name.toString();
                    propText.clear();
                } else if (ns == dav && name == QLatin1String("collection")) {
                    pending.isDir = true;
                }
                continue;
            }
            if (ns == dav && name == QLatin1String("response")) {
                inResponse = true;
                current = DavResource();
                href.clear();
            } else if (inResponse && ns == dav && name == QLatin1String("href")) {
                href = r.readElementText();
            } else if (inResponse && ns == dav && name == QLatin1String("propstat")) {
                pending = DavResource();
                propstatOk = true;
            } else if (inResponse && ns == dav && name == QLatin1String("prop")) {
                inProp = true;
                propDepth = 0;
            } else if (inResponse && ns == dav && name == QLatin1String("status")) {
                propstatOk = r.readElementText().contains(QLatin1String(" 200"));
            }
        } else if (r.isCharacters() && inProp && propDepth == 1) {
            propText += r.text();
        } else if (r.isEndElement()) {
            const QStringRef ns = r.namespaceUri();
            const QStringRef name = r.name();
            if (inProp) {
                if (propDepth == 0) {
                    inProp = false; // </prop>
                    continue;
                }
                if (propDepth == 1) {
                    const QString text = propText.trimmed();
                    if (propKey == QLatin1String("{DAV:}getcontentlength"))
                        pending.size = text.toLongLong();
                    else if (propKey == QLatin1String("{DAV:}getetag"))
                        pending.etag = text;
                    else if (propKey == QLatin1String("{DAV:}getlastmodified"))
                        pending.mtime = WebDavClient::httpDateMs(text);
                    else if (propKey != QLatin1String("{DAV:}resourcetype") && !text.isEmpty())
                        pending.props.insert(propKey, text);
                }
                --propDepth;
                continue;
            }
            if (ns == dav && name == QLatin1String("propstat")) {
                if (propstatOk) {
                    current.isDir = current.isDir || pending.isDir;
                    if (pending.size)
                        current.size = pending.size;
                    if (!pending.etag.isEmpty())
                        current.etag = pending.etag;
                    if (pending.mtime)
                        current.mtime = pending.mtime;
                    for (auto it = pending.props.cbegin(); it != pending.props.cend(); ++it)
                        current.props.insert(it.key(), it.value());
                }
            } else if (ns == dav && name == QLatin1String("response")) {
                inResponse = false;
                QString path = QUrl(href.trimmed()).path(QUrl::FullyDecoded);
                if (path.startsWith(basePath))
                    path = path.mid(basePath.size());
                else if (path + QLatin1Char('/') == basePath)
                    path.clear();
                while (path.startsWith(QLatin1Char('/')))
                    path.remove(0, 1);
                while (path.endsWith(QLatin1Char('/')))
                    path.chop(1);
                current.path = path;
                out.append(current);
            }
        }
    }
    return out;
}

} // namespace TQDrive
