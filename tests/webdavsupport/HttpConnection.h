#ifndef HTTPCONNECTION_H
#define HTTPCONNECTION_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrlQuery>

#include <functional>

class QTcpSocket;

struct HttpRequest {
    QByteArray method;
    QByteArray target; // as sent: percent-encoded path and query
    QString path; // decoded path without the query
    QUrlQuery query;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;

    QByteArray header(const char *name) const { return headers.value(QByteArray(name)); }
};

struct HttpResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    static HttpResponse of(
        int status, const QByteArray &body = QByteArray(), const QByteArray &contentType = QByteArray());
    HttpResponse &withHeader(const QByteArray &name, const QByteArray &value);
};

// One HTTP/1.1 connection of a test server: parses requests (Content-Length or chunked bodies,
// Expect: 100-continue, keep-alive), hands each to the handler and writes its response. Deletes
// itself when the peer goes away. Lives in the thread of its socket.
class HttpConnection : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    // Larger bodies are refused with 413 rather than held in memory.
    static constexpr qint64 kMaxBody = qint64(1) << 30;

    HttpConnection(QTcpSocket *socket, Handler handler, QObject *parent = nullptr);

    static QByteArray reasonPhrase(int status);

private:
    void readAvailable();
    // False while more bytes are needed; true once a request was answered or the connection closed.
    bool parseOne();
    bool parseHead(const QByteArray &head);
    bool takeChunkedBody();
    void answer();
    void send(const HttpResponse &response, bool headOnly);
    void fail(int status);

    QPointer<QTcpSocket> m_socket;
    Handler m_handler;
    QByteArray m_buffer;
    HttpRequest m_request;
    bool m_haveHead = false;
    bool m_chunked = false;
    qint64 m_contentLength = 0;
};

#endif
