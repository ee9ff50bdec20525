// A subscription of an observer to a subject that ends by itself: held by the observer (usually as
// a member), it attaches on connect and detaches when it goes, unless the subject is gone already.
#ifndef KSOBSERVERCONNECTOR_H
#define KSOBSERVERCONNECTOR_H

#include "KSTrackLifeCycle.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <type_traits>

// Subject provides attach(Observer *) and detach(Observer *). Its death is noticed when it is a
// QObject or a kscore::KSTrackLifeCycle; a subject of another kind must outlive the connector.
template<typename Subject, typename Observer>
class KSObserverConnector
{
public:
    KSObserverConnector() = default;
    KSObserverConnector(Subject *subject, Observer *observer) { connect(subject, observer); }
    ~KSObserverConnector() { disconnect(); }
    KSObserverConnector(const KSObserverConnector &) = delete;
    KSObserverConnector &operator=(const KSObserverConnector &) = delete;

    // Ends the current subscription first; null on either side leaves it disconnected.
    void connect(Subject *subject, Observer *observer)
    {
        disconnect();
        if (!subject || !observer)
            return;
        m_subject = subject;
        m_observer = observer;
        if constexpr (std::is_base_of<QObject, Subject>::value) {
            m_subjectObject = subject;
        } else if constexpr (std::is_polymorphic<Subject>::value) {
            if (const auto *tracked = dynamic_cast<const kscore::KSTrackLifeCycle *>(subject)) {
                m_subjectLife = tracked->lifeToken();
                m_tracked = true;
            }
        }
        subject->attach(observer);
    }

    void disconnect()
    {
        if (Subject *alive = subject())
            alive->detach(m_observer);
        m_subject = nullptr;
        m_observer = nullptr;
        m_subjectLife.reset();
        m_tracked = false;
    }

    // The subject while connected to it and alive, else null.
    Subject *subject() const
    {
        if (!m_subject)
            return nullptr;
        if constexpr (std::is_base_of<QObject, Subject>::value)
            return m_subjectObject ? m_subject : nullptr;
        return m_tracked && m_subjectLife.expired() ? nullptr : m_subject;
    }
    bool isConnected() const { return subject() != nullptr; }

private:
    Subject *m_subject = nullptr;
    Observer *m_observer = nullptr;
    QPointer<QObject> m_subjectObject;
    std::weak_ptr<const void> m_subjectLife;
    bool m_tracked = false;
};

#endif
