#include "KSLazySingleton.h"

#include <QMutex>
#include <QVector>

namespace {

struct Registry {
    QMutex mutex;
    QVector<IKSLazySingleton *> singletons; // in the order they were added
};

Registry &registry()
{
    // Never destroyed: a singleton's destructor may run during static destruction and still
    // unregister itself.
    static Registry *const r = new Registry;
    return *r;
}

} // namespace

IKSLazySingleton::~IKSLazySingleton()
{
    // A singleton destroyed by its owner must not be released later through a dangling pointer.
    KSLazySingletonManager::instance()->remove(this);
}

KSLazySingletonManager *KSLazySingletonManager::instance()
{
    static KSLazySingletonManager manager;
    return &manager;
}

void KSLazySingletonManager::add(IKSLazySingleton *singleton)
{
    if (!singleton)
        return;
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    if (!r.singletons.contains(singleton))
        r.singletons.append(singleton);
}

void KSLazySingletonManager::remove(IKSLazySingleton *singleton)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    r.singletons.removeAll(singleton);
}

bool KSLazySingletonManager::contains(IKSLazySingleton *singleton) const
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    return r.singletons.contains(singleton);
}

void KSLazySingletonManager::releaseAll()
{
    Registry &r = registry();
    for (;;) {
        IKSLazySingleton *last = nullptr;
        {
            QMutexLocker lock(&r.mutex);
            if (r.singletons.isEmpty())
                return;
            last = r.singletons.takeLast();
        }
        // Unlocked: a release typically destroys the singleton, whose destructor calls remove(),
        // and may add singletons of its own (released in this same pass).
        last->releaseSingleton();
    }
}
