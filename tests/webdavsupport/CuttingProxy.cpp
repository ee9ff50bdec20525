#include "CuttingProxy.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// Reading stops while the other side has this much queued, so a slow peer holds the fast one back
// instead of the proxy buffering a whole transfer.
constexpr qint64 kHighWater = 1 << 20;

} // namespace

// One accepted client and its connection to the target. Lives in the proxy thread and deletes itself
// when either side is gone.
class CuttingProxy::Connection : public QObject
{
public:
    Connection(CuttingProxy *proxy, QTcpSocket *client, const Rule &rule)
        : QObject(proxy->m_context)
        , m_proxy(proxy)
        , m_client(client)
        , m_server(new QTcpSocket(this))
        , m_rule(rule)
    {
        client->setParent(this);
        connect(m_server, &QTcpSocket::connected, this, [this] { pumpBoth(); });
        for (QTcpSocket *socket : {m_client.data(), m_server.data()}) {
            connect(socket, &QTcpSocket::readyRead, this, [this] { pumpBoth(); });
            connect(socket, &QTcpSocket::bytesWritten, this, [this] { pumpBoth(); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] { peerClosed(socket); });
            connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket] { peerClosed(socket); });
        }
        m_server->connectToHost(proxy->m_targetHost, proxy->m_targetPort);
    }

private:
    void pumpBoth()
    {
        if (m_server->state() != QAbstractSocket::ConnectedState)
            return;
        pump(m_client, m_server, Direction::ClientToServer);
        if (!m_closing)
            pump(m_server, m_client, Direction::ServerToClient);
    }

    void pump(QTcpSocket *from, QTcpSocket *to, Direction direction)
    {
        qint64 &forwarded = direction == Direction::ClientToServer ? m_up : m_down;
        const bool cutting = m_rule.armed && m_rule.direction == direction;
        while (!m_closing && from->bytesAvailable() > 0 && to->bytesToWrite() < kHighWater) {
            qint64 room = kHighWater;
            if (cutting)
                room = qMin(room, m_rule.bytes - forwarded);
            const QByteArray data = from->read(qMax<qint64>(0, room));
            if (!data.isEmpty()) {
                to->write(data);
                forwarded += data.size();
                m_proxy->countForwarded(direction, data.size());
            }
            if (cutting && forwarded >= m_rule.bytes) {
                cut(from, to);
                return;
            }
        }
    }

    // What was already written still reaches `to`; `from` learns nothing but a reset.
    void cut(QTcpSocket *from, QTcpSocket *to)
    {
        m_closing = true;
        m_proxy->countCut();
        from->abort();
        to->disconnectFromHost();
        if (to->state() == QAbstractSocket::UnconnectedState)
            deleteLater();
    }

    void peerClosed(QTcpSocket *socket)
    {
        if (m_closing) {
            if (m_client->state() == QAbstractSocket::UnconnectedState
                && m_server->state() == QAbstractSocket::UnconnectedState)
                deleteLater();
            return;
        }
        // Pass on what is left in both directions, then close the other side once it is flushed.
        pumpBoth();
        m_closing = true;
        QTcpSocket *other = socket == m_client ? m_server : m_client;
        if (socket->bytesAvailable() > 0)
            other->write(socket->readAll());
        other->disconnectFromHost();
        socket->abort();
        if (other->state() == QAbstractSocket::UnconnectedState)
            deleteLater();
    }

    CuttingProxy *m_proxy;
    QPointer<QTcpSocket> m_client;
    QPointer<QTcpSocket> m_server;
    const Rule m_rule;
    qint64 m_up = 0;
    qint64 m_down = 0;
    bool m_closing = false;
};

CuttingProxy::CuttingProxy(const QString &targetHost, quint16 targetPort)
    : m_targetHost(targetHost)
    , m_targetPort(targetPort)
{
    m_thread.setObjectName(QStringLiteral("CuttingProxy"));
}

CuttingProxy::~CuttingProxy()
{
    if (m_context) // sockets and the server must die in the thread that owns them
        QMetaObject::invokeMethod(
            m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool CuttingProxy::start(QString *error)
{
    if (m_context)
        return true;
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
    bool listening = false;
    QMetaObject::invokeMethod(
        m_context,
        [&] {
            m_server = new QTcpServer(m_context);
            QObject::connect(m_server, &QTcpServer::newConnection, m_context, [this] { acceptPending(); });
            listening = m_server->listen(QHostAddress::LocalHost, 0);
            if (listening)
                m_port = m_server->serverPort();
            else
                *error = m_server->errorString();
        },
        Qt::BlockingQueuedConnection);
    return listening;
}

QUrl CuttingProxy::proxied(const QUrl &targetUrl) const
{
    QUrl url = targetUrl;
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(m_port);
    return url;
}

void CuttingProxy::setCut(Direction direction, qint64 bytes, Scope scope)
{
    QMutexLocker lock(&m_mutex);
    m_rule = {true, direction, qMax<qint64>(0, bytes), scope};
}

void CuttingProxy::clearCut()
{
    QMutexLocker lock(&m_mutex);
    m_rule = Rule();
}

qint64 CuttingProxy::bytesForwarded(Direction direction) const
{
    return direction == Direction::ClientToServer ? m_upBytes.load() : m_downBytes.load();
}

void CuttingProxy::acceptPending()
{
    while (QTcpSocket *client = m_server->nextPendingConnection()) {
        ++m_accepted;
        new Connection(this, client, takeRuleForNewConnection());
    }
}

CuttingProxy::Rule CuttingProxy::takeRuleForNewConnection()
{
    QMutexLocker lock(&m_mutex);
    const Rule rule = m_rule;
    if (m_rule.scope == Scope::NextConnection)
        m_rule = Rule();
    return rule;
}

void CuttingProxy::countForwarded(Direction direction, qint64 bytes)
{
    (direction == Direction::ClientToServer ? m_upBytes : m_downBytes) += bytes;
}
