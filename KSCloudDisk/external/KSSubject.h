// The host's observer list: attach order, copy-then-call notification, life-tracked observers.
#ifndef KSSUBJECT_H
#define KSSUBJECT_H

#include "KSBaseLog.h"
#include "KSTrackLifeCycle.h"

#include <QMutex>
#include <QMutexLocker>
#include <QVector>

#include <atomic>
#include <memory>
#include <type_traits>

template<typename T>
class KSSubject
{
public:
    KSSubject() = default;
    KSSubject(const KSSubject &) = delete;
    KSSubject &operator=(const KSSubject &) = delete;
    ~KSSubject()
    {
        if (m_notifying->load() > 0)
            KSLOG_ERROR("cannt delete subject in notify, %s", kscore::typeName(typeid(T)).constData());
    }

    void attach(T *observer)
    {
        if (!observer) {
            KSLOG_ERROR("observer is nullptr");
            return;
        }
        QMutexLocker lock(&m_mutex);
        for (const Entry &e : qAsConst(m_entries)) {
            if (e.observer == observer)
                return;
        }
        Entry entry;
        entry.observer = observer;
        entry.typeName = kscore::typeName(typeid(*observer));
        if (const auto *tracked = trackOf(observer)) {
            entry.life = tracked->lifeToken();
            entry.tracked = true;
        }
        m_entries.append(entry);
    }

    void detach(T *observer)
    {
        if (!observer) {
            KSLOG_ERROR("observer is nullptr");
            return;
        }
        QMutexLocker lock(&m_mutex);
        for (int i = 0; i < m_entries.size(); ++i) {
            if (m_entries.at(i).observer == observer) {
                m_entries.remove(i);
                return;
            }
        }
    }

    void detachAll()
    {
        QMutexLocker lock(&m_mutex);
        m_entries.clear();
    }

    int count() const
    {
        QMutexLocker lock(&m_mutex);
        return m_entries.size();
    }

    // Calls f(observer) for each observer in attach order, outside the lock, so an observer may
    // attach or detach from inside its call.
    template<typename F>
    void notify(F &&f)
    {
        QVector<Entry> entries;
        {
            QMutexLocker lock(&m_mutex);
            entries = m_entries;
        }
        // An observer may delete the subject: from here on only locals are touched, the counter
        // included (this copy keeps it alive).
        const std::shared_ptr<std::atomic<int>> notifying = m_notifying;
        ++*notifying;
        for (const Entry &e : qAsConst(entries)) {
            if (e.tracked && e.life.expired()) {
                KSLOG_ERROR("observer has free, please detach, %s", e.typeName.constData());
                continue;
            }
            f(e.observer);
        }
        --*notifying;
    }

private:
    struct Entry {
        T *observer = nullptr;
        std::weak_ptr<const void> life;
        bool tracked = false;
        QByteArray typeName;
    };

    static const kscore::KSTrackLifeCycle *trackOf(T *observer)
    {
        if constexpr (std::is_polymorphic<T>::value)
            return dynamic_cast<const kscore::KSTrackLifeCycle *>(observer);
        else
            return nullptr;
    }

    mutable QMutex m_mutex;
    QVector<Entry> m_entries;
    const std::shared_ptr<std::atomic<int>> m_notifying = std::make_shared<std::atomic<int>>(0);
};

#endif
