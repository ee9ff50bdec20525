#include "KSCustomEvent.h"

#include "KSBaseLog.h"

#include <QHash>
#include <QMutex>
#include <QSemaphore>
#include <QThread>
#include <QVector>
#include <QWidget>

#include <algorithm>
#include <memory>

namespace {

QMutex &typeMutex()
{
    static QMutex mutex;
    return mutex;
}

QHash<QString, int> &types()
{
    static QHash<QString, int> table;
    return table;
}

// Releases the dispatching thread of a blocking delivery, both when the delivery ran and when Qt
// dropped it unrun (the listener went away first): either way the functor holding it is destroyed.
class BlockingRelease
{
public:
    explicit BlockingRelease(std::shared_ptr<QSemaphore> done)
        : m_done(std::move(done))
    { }
    ~BlockingRelease() { m_done->release(); }
    BlockingRelease(const BlockingRelease &) = delete;
    BlockingRelease &operator=(const BlockingRelease &) = delete;

private:
    std::shared_ptr<QSemaphore> m_done;
};

} // namespace

// ---- KSCustomEvent

struct KSCustomEvent::Private {
    QString name;
    QEvent::Type type = QEvent::None;
    QVariant payload;
    std::function<bool(QObject *)> filter;
    // Listeners on other threads may answer while the sender reads.
    mutable QMutex resultMutex;
    QVariant result;
};

QEvent::Type KSCustomEvent::getFixedEventTpye(const QString &name)
{
    QMutexLocker lock(&typeMutex());
    auto it = types().constFind(name);
    if (it == types().constEnd())
        it = types().insert(name, QEvent::registerEventType());
    return QEvent::Type(it.value());
}

KSCustomEvent::KSCustomEvent(const QString &name, const QVariant &payload)
    : d(new Private)
{
    d->name = name;
    d->type = getFixedEventTpye(name);
    d->payload = payload;
}

KSCustomEvent::~KSCustomEvent()
{
    delete d;
}

QString KSCustomEvent::name() const
{
    return d->name;
}

QEvent::Type KSCustomEvent::type() const
{
    return d->type;
}

QVariant KSCustomEvent::payload() const
{
    return d->payload;
}

void KSCustomEvent::setFilter(std::function<bool(QObject *)> predicate)
{
    d->filter = std::move(predicate);
}

bool KSCustomEvent::accepts(QObject *receiver) const
{
    return !d->filter || d->filter(receiver);
}

void KSCustomEvent::setResult(const QVariant &result)
{
    QMutexLocker lock(&d->resultMutex);
    d->result = result;
}

QVariant KSCustomEvent::result() const
{
    QMutexLocker lock(&d->resultMutex);
    return d->result;
}

// ---- KSCustomEventManager

struct KSCustomEventManager::Private {
    // Held while a queued delivery is posted: a listener being destroyed on its own thread waits in
    // remove(), so the object the event is posted to is still alive.
    mutable QMutex mutex;
    QHash<QString, QVector<KSCustomEventListener *>> listeners;

    bool containsLocked(const QString &name, KSCustomEventListener *listener) const
    {
        return listeners.value(name).contains(listener);
    }
};

KSCustomEventManager::KSCustomEventManager()
    : d(new Private)
{ }

KSCustomEventManager *KSCustomEventManager::instance()
{
    // Never destroyed: listeners of objects destroyed at exit still unregister.
    static KSCustomEventManager *const manager = new KSCustomEventManager;
    return manager;
}

QObject *KSCustomEventManager::targetObject(QObject *object) const
{
    if (auto *widget = qobject_cast<QWidget *>(object))
        return widget->window();
    return object;
}

int KSCustomEventManager::listenerCount(const QString &name) const
{
    QMutexLocker lock(&d->mutex);
    return d->listeners.value(name).size();
}

void KSCustomEventManager::add(KSCustomEventListener *listener)
{
    QMutexLocker lock(&d->mutex);
    QVector<KSCustomEventListener *> &list = d->listeners[listener->eventName()];
    if (!list.contains(listener))
        list.append(listener);
}

void KSCustomEventManager::remove(KSCustomEventListener *listener)
{
    QMutexLocker lock(&d->mutex);
    auto it = d->listeners.find(listener->eventName());
    if (it == d->listeners.end())
        return;
    it->removeAll(listener);
    if (it->isEmpty())
        d->listeners.erase(it);
}

void KSCustomEventManager::dispatch(const KSCustomEventPtr &event)
{
    if (!event)
        return;
    const QString name = event->name();
    QVector<KSCustomEventListener *> listeners;
    {
        QMutexLocker lock(&d->mutex);
        listeners = d->listeners.value(name);
        // Sorted while the lock keeps every listener alive: one may be destroyed on another thread.
        // Stable: listeners of equal priority keep the order in which they started listening.
        std::stable_sort(
            listeners.begin(), listeners.end(), [](const KSCustomEventListener *a, const KSCustomEventListener *b) {
                return a->priority() > b->priority();
            });
    }

    QThread *const current = QThread::currentThread();
    for (KSCustomEventListener *listener : qAsConst(listeners)) {
        QObject *receiver = nullptr;
        Qt::ConnectionType connection = Qt::AutoConnection;
        bool local = false;
        {
            QMutexLocker lock(&d->mutex);
            // An earlier handler may have destroyed this listener (or its receiver).
            if (!d->containsLocked(name, listener))
                continue;
            receiver = listener->receiver();
            connection = listener->connection();
            local = listener->thread() == current;
        }
        // The filter runs unlocked: it may well ask the manager something.
        if (!event->accepts(receiver))
            continue;
        std::shared_ptr<QSemaphore> done;
        {
            QMutexLocker lock(&d->mutex);
            if (!d->containsLocked(name, listener))
                continue;
            if (local && connection != Qt::QueuedConnection) {
                lock.unlock();
                // Only this thread may destroy an object of this thread, so it stays alive here.
                listener->deliver(event);
                continue;
            }
            if (!local && connection == Qt::BlockingQueuedConnection)
                done = std::make_shared<QSemaphore>();
            auto release = done ? std::make_shared<BlockingRelease>(done) : nullptr;
            QMetaObject::invokeMethod(
                listener,
                [listener, event, release]() {
                    listener->deliver(event);
                    Q_UNUSED(release) // let go when Qt destroys this functor, run or not
                },
                Qt::QueuedConnection);
        }
        if (done)
            done->acquire(); // outside the lock: the listener's thread may need it meanwhile
    }
}

// ---- KSCustomEventListener

KSCustomEventListener::KSCustomEventListener(KSCustomEventManager *dispatcher, QObject *receiver, const QString &type,
    Handler handler, Qt::ConnectionType connection, int priority)
    : QObject(nullptr)
    , m_dispatcher(dispatcher)
    , m_receiver(receiver)
    , m_type(type)
    , m_handler(std::move(handler))
    , m_connection(connection)
    , m_priority(priority)
{
    if (!receiver || !dispatcher) {
        KSLOG_ERROR("listener of %s without receiver or dispatcher", qUtf8Printable(type));
        return;
    }
    // A child must live on its parent's thread; moving first lets a listener be made for a
    // receiver that already lives elsewhere.
    if (receiver->thread() != thread())
        moveToThread(receiver->thread());
    setParent(receiver);
    dispatcher->add(this);
}

KSCustomEventListener::~KSCustomEventListener()
{
    if (m_dispatcher)
        m_dispatcher->remove(this);
}

QString KSCustomEventListener::eventName() const
{
    return m_type;
}

int KSCustomEventListener::priority() const
{
    return m_priority;
}

Qt::ConnectionType KSCustomEventListener::connection() const
{
    return m_connection;
}

QObject *KSCustomEventListener::receiver() const
{
    return m_receiver;
}

void KSCustomEventListener::deliver(const KSCustomEventPtr &event)
{
    if (m_handler && event)
        m_handler(event);
}
