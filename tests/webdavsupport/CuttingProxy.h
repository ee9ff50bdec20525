#ifndef CUTTINGPROXY_H
#define CUTTINGPROXY_H

#include <QMutex>
#include <QString>
#include <QThread>
#include <QUrl>

#include <atomic>

class QObject;
class QTcpServer;

// A TCP proxy on 127.0.0.1 that forwards every connection to one target and can break connections
// after a given number of bytes, to prove that a transfer interrupted mid-stream resumes byte-exact.
//
// Exactly `bytes` bytes of the cut direction reach the other side, then both sockets close: the
// receiving side after its buffer is flushed, the sending side at once (so a client sees its upload
// break, or its download end early). Counting restarts for every connection.
//
// The proxy runs its sockets in a thread of its own, so a test may block on a synchronous client.
// Every public function may be called from any thread.
class CuttingProxy
{
public:
    enum class Direction { ClientToServer, ServerToClient };
    enum class Scope { EveryConnection, NextConnection };

    CuttingProxy(const QString &targetHost, quint16 targetPort);
    ~CuttingProxy();
    CuttingProxy(const CuttingProxy &) = delete;
    CuttingProxy &operator=(const CuttingProxy &) = delete;

    bool start(QString *error);
    quint16 port() const { return m_port; }
    // The target URL with the host and port replaced by the proxy's.
    QUrl proxied(const QUrl &targetUrl) const;

    // Cuts after `bytes` bytes in `direction`; NextConnection arms one cut for the next connection
    // accepted (counted from then), after which the proxy forwards everything again.
    void setCut(Direction direction, qint64 bytes, Scope scope = Scope::EveryConnection);
    void clearCut();

    qint64 bytesForwarded(Direction direction) const;
    int connectionsAccepted() const { return m_accepted.load(); }
    int connectionsCut() const { return m_cuts.load(); }

private:
    struct Rule {
        bool armed = false;
        Direction direction = Direction::ClientToServer;
        qint64 bytes = 0;
        Scope scope = Scope::EveryConnection;
    };
    class Connection;

    void acceptPending();
    Rule takeRuleForNewConnection();
    void countForwarded(Direction direction, qint64 bytes);
    void countCut() { ++m_cuts; }

    const QString m_targetHost;
    const quint16 m_targetPort;
    QThread m_thread;
    QObject *m_context = nullptr; // lives in m_thread; parent of the server and every connection
    QTcpServer *m_server = nullptr;
    quint16 m_port = 0;

    mutable QMutex m_mutex; // guards m_rule
    Rule m_rule;
    std::atomic<qint64> m_upBytes{0};
    std::atomic<qint64> m_downBytes{0};
    std::atomic<int> m_accepted{0};
    std::atomic<int> m_cuts{0};
};

#endif
