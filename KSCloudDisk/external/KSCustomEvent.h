// Host event bus: shared events named by a fixed type text, delivered to listeners on their
// receiver's thread.
#ifndef KSCUSTOMEVENT_H
#define KSCUSTOMEVENT_H

#include "kshostglobal.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QVariant>

#include <functional>

class KSHOST_API KSCustomEvent
{
    Q_DISABLE_COPY(KSCustomEvent) // shared through KSCustomEventPtr; a copy would share its private data
public:
    // The same QEvent::Type for the same name for the life of the process.
    static QEvent::Type getFixedEventTpye(const QString &name);

    explicit KSCustomEvent(const QString &name, const QVariant &payload = QVariant());
    virtual ~KSCustomEvent();

    QString name() const;
    QEvent::Type type() const;
    QVariant payload() const;
    // Receivers for which the predicate answers false are skipped; no predicate means everyone.
    void setFilter(std::function<bool(QObject *receiver)> predicate);
    bool accepts(QObject *receiver) const;
    // An answer a listener may leave for the sender (read after a synchronous dispatch).
    void setResult(const QVariant &result);
    QVariant result() const;

private:
    struct Private;
    Private *d;
};
using KSCustomEventPtr = QSharedPointer<KSCustomEvent>;

class KSCustomEventListener;

class KSHOST_API KSCustomEventManager : public QObject
{
    Q_OBJECT
public:
    static KSCustomEventManager *instance();
    // The object that stands for `object` on the bus: its window for a widget, else itself.
    QObject *targetObject(QObject *object) const;
    // Delivers to every listener of the event's type, higher priority first. Listeners living on
    // this thread run before dispatch returns; others get the event queued to their thread.
    void dispatch(const KSCustomEventPtr &event);
    int listenerCount(const QString &name) const;

private:
    friend class KSCustomEventListener;
    KSCustomEventManager();
    void add(KSCustomEventListener *listener);
    void remove(KSCustomEventListener *listener);
    struct Private;
    Private *d;
};

class KSHOST_API KSCustomEventListener : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const KSCustomEventPtr &)>;

    // Lives as a child of the receiver: it stops listening when the receiver goes.
    KSCustomEventListener(KSCustomEventManager *dispatcher, QObject *receiver, const QString &type, Handler handler,
        Qt::ConnectionType connection = Qt::AutoConnection, int priority = 0);
    template<typename Receiver>
    KSCustomEventListener(KSCustomEventManager *dispatcher, Receiver *receiver, const QString &type,
        void (Receiver::*member)(const KSCustomEventPtr &), Qt::ConnectionType connection = Qt::AutoConnection,
        int priority = 0)
        : KSCustomEventListener(
            dispatcher, receiver, type, [receiver, member](const KSCustomEventPtr &e) { (receiver->*member)(e); },
            connection, priority)
    { }
    ~KSCustomEventListener() override;

    QString eventName() const;
    int priority() const;
    Qt::ConnectionType connection() const;
    QObject *receiver() const;
    void deliver(const KSCustomEventPtr &event);

private:
    QPointer<KSCustomEventManager> m_dispatcher;
    QObject *m_receiver;
    QString m_type;
    Handler m_handler;
    Qt::ConnectionType m_connection;
    int m_priority;
};

#endif
