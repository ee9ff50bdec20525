#include "HttpConnection.h"

#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr int kMaxHead = 64 * 1024;

} // namespace

HttpResponse HttpResponse::of(int status, const QByteArray &body, const QByteArray &contentType)
{
    HttpResponse response;
    response.status = status;
    response.body = body;
    if (!contentType.isEmpty())
        response.headers.append({QByteArrayLiteral("Content-Type"), contentType});
    return response;
}

HttpResponse &HttpResponse::withHeader(const QByteArray &name, const QByteArray &value)
{
    headers.append({name, value});
    return *this;
}

HttpConnection::HttpConnection(QTcpSocket *socket, Handler handler, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_handler(std::move(handler))
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readAvailable);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    readAvailable();
}

QByteArray HttpConnection::reasonPhrase(int status)
{
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 206:
        return "Partial Content";
    case 207:
        return "Multi-Status";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 411:
        return "Length Required";
    case 412:
        return "Precondition Failed";
    case 413:
        return "Payload Too Large";
    case 415:
        return "Unsupported Media Type";
    case 416:
        return "Range Not Satisfiable";
    case 501:
        return "Not Implemented";
    case 507:
        return "Insufficient Storage";
    default:
        return status < 400 ? "OK" : "Error";
    }
}

void HttpConnection::readAvailable()
{
    if (!m_socket)
        return;
    m_buffer += m_socket->readAll();
    while (m_socket && m_socket->state() == QAbstractSocket::ConnectedState && parseOne()) { }
}

bool HttpConnection::parseOne()
{
    if (!m_haveHead) {
        const int end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_buffer.size() > kMaxHead)
                fail(400);
            return false;
        }
        const QByteArray head = m_buffer.left(end);
        m_buffer.remove(0, end + 4);
        if (!parseHead(head))
            return false;
        m_haveHead = true;
        // Without this, curl waits a second before sending any body above 1 MiB.
        if (m_request.header("expect").toLower() == "100-continue")
            m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
    }
    if (m_chunked) {
        if (!takeChunkedBody())
            return false;
    } else {
        if (m_buffer.size() < m_contentLength)
            return false;
        m_request.body = m_buffer.left(int(m_contentLength));
        m_buffer.remove(0, int(m_contentLength));
    }
    answer();
    return true;
}

bool HttpConnection::parseHead(const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
    if (start.size() != 3 || !start.at(2).startsWith("HTTP/1.")) {
        fail(400);
        return false;
    }
    m_request = HttpRequest();
    m_request.method = start.at(0);
    m_request.target = start.at(1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        if (colon > 0)
            m_request.headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
    }
    const int question = m_request.target.indexOf('?');
    m_request.path = QUrl::fromPercentEncoding(question < 0 ? m_request.target : m_request.target.left(question));
    if (question >= 0)
        m_request.query = QUrlQuery(QString::fromUtf8(m_request.target.mid(question + 1)));
    m_chunked = m_request.header("transfer-encoding").toLower().contains("chunked");
    bool ok = true;
    const QByteArray length = m_request.header("content-length");
    m_contentLength = length.isEmpty() ? 0 : length.toLongLong(&ok);
    if (!ok || m_contentLength < 0) {
        fail(400);
        return false;
    }
    if (m_contentLength > kMaxBody) {
        fail(413);
        return false;
    }
    return true;
}

bool HttpConnection::takeChunkedBody()
{
    // The body is decoded in place only once it is complete, so a partial chunk never needs state.
    QByteArray body;
    int at = 0;
    forever {
        const int lineEnd = m_buffer.indexOf("\r\n", at);
        if (lineEnd < 0)
            return false;
        bool ok = false;
        const qint64 size = m_buffer.mid(at, lineEnd - at).split(';').first().trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || body.size() + size > kMaxBody) {
            fail(ok ? 413 : 400);
            return false;
        }
        at = lineEnd + 2;
        if (size == 0) {
            const int trailerEnd = m_buffer.indexOf("\r\n", at); // no trailers expected: an empty line
            if (trailerEnd < 0)
                return false;
            m_buffer.remove(0, trailerEnd + 2);
            m_request.body = body;
            return true;
        }
        if (m_buffer.size() < at + size + 2)
            return false;
        body += m_buffer.mid(at, int(size));
        at += int(size) + 2;
    }
}

void HttpConnection::answer()
{
    m_haveHead = false;
    const bool close = m_request.header("connection").toLower() == "close";
    const HttpResponse response = m_handler(m_request);
    send(response, m_request.method == "HEAD");
    m_request = HttpRequest();
    if (close && m_socket)
        m_socket->disconnectFromHost();
}

void HttpConnection::send(const HttpResponse &response, bool headOnly)
{
    if (!m_socket)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    bool hasLength = false;
    for (const auto &header : response.headers) {
        head += header.first + ": " + header.second + "\r\n";
        hasLength |= header.first.toLower() == "content-length";
    }
    if (!hasLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "\r\n";
    m_socket->write(head);
    if (!headOnly)
        m_socket->write(response.body);
}

void HttpConnection::fail(int status)
{
    send(HttpResponse::of(status).withHeader("Connection", "close"), false);
    m_buffer.clear();
    if (m_socket)
        m_socket->disconnectFromHost();
}
