#include "KSTrackLifeCycle.h"

#include <QMutex>
#include <QVector>

#include <cstdlib>
#if defined(__GNUC__)
#include <cxxabi.h>
#endif

IKSDestroyEventObserver::~IKSDestroyEventObserver() = default;

namespace kscore {

struct KSTrackLifeCycle::Observers {
    QMutex mutex;
    QVector<IKSDestroyEventObserver *> list;
};

KSTrackLifeCycle::KSTrackLifeCycle()
    : m_life(std::make_shared<char>())
    , m_observers(new Observers)
{ }

KSTrackLifeCycle::KSTrackLifeCycle(const KSTrackLifeCycle &)
    : KSTrackLifeCycle()
{ }

KSTrackLifeCycle &KSTrackLifeCycle::operator=(const KSTrackLifeCycle &)
{
    // The life and the observers belong to this object, not to the value assigned.
    return *this;
}

KSTrackLifeCycle::~KSTrackLifeCycle()
{
    // Tokens expire before anyone is told, so an observer checking one sees the object as gone.
    m_life.reset();
    QVector<IKSDestroyEventObserver *> observers;
    {
        QMutexLocker lock(&m_observers->mutex);
        observers.swap(m_observers->list);
    }
    for (IKSDestroyEventObserver *observer : qAsConst(observers))
        observer->onObjectDestroyed(this);
}

void KSTrackLifeCycle::addDestroyObserver(IKSDestroyEventObserver *observer)
{
    if (!observer)
        return;
    QMutexLocker lock(&m_observers->mutex);
    if (!m_observers->list.contains(observer))
        m_observers->list.append(observer);
}

void KSTrackLifeCycle::removeDestroyObserver(IKSDestroyEventObserver *observer)
{
    QMutexLocker lock(&m_observers->mutex);
    m_observers->list.removeAll(observer);
}

QByteArray typeName(const std::type_info &type)
{
#if defined(__GNUC__)
    int status = 0;
    char *demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    if (status == 0 && demangled) {
        const QByteArray name(demangled);
        std::free(demangled);
        return name;
    }
    std::free(demangled);
#endif
    return QByteArray(type.name());
}

} // namespace kscore
