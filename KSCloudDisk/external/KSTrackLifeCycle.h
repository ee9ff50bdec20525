// Weak life tracking: an object deriving from KSTrackLifeCycle can be asked, through a token taken
// earlier, whether it still lives.
#ifndef KSTRACKLIFECYCLE_H
#define KSTRACKLIFECYCLE_H

#include "kshostglobal.h"

#include <QByteArray>

#include <memory>
#include <typeinfo>

class KSHOST_API IKSDestroyEventObserver
{
public:
    virtual ~IKSDestroyEventObserver();
    virtual void onObjectDestroyed(const void *object) = 0;
};

namespace kscore {

class KSHOST_API KSTrackLifeCycle
{
public:
    KSTrackLifeCycle();
    // A copy is another object with a life of its own.
    KSTrackLifeCycle(const KSTrackLifeCycle &);
    KSTrackLifeCycle &operator=(const KSTrackLifeCycle &);
    virtual ~KSTrackLifeCycle();

    // Expires when this object is destroyed.
    std::weak_ptr<const void> lifeToken() const { return m_life; }
    void addDestroyObserver(IKSDestroyEventObserver *observer);
    void removeDestroyObserver(IKSDestroyEventObserver *observer);

private:
    std::shared_ptr<const void> m_life;
    struct Observers;
    std::unique_ptr<Observers> m_observers;
};

// Readable name of a type for log lines.
KSHOST_API QByteArray typeName(const std::type_info &type);

} // namespace kscore

#endif
