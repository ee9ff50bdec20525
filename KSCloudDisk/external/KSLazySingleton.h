// Host lifetime registry: singletons registered here are released by the host at shutdown.
#ifndef KSLAZYSINGLETON_H
#define KSLAZYSINGLETON_H

#include "kshostglobal.h"

class KSHOST_API IKSLazySingleton
{
public:
    virtual ~IKSLazySingleton();
    // Releases the singleton: the registry calls it once at host shutdown.
    virtual void releaseSingleton() = 0;
};

template<typename T>
class KSLazySingleton : public IKSLazySingleton
{
public:
    // T provides `static void release()`.
    void releaseSingleton() override { T::release(); }
};

class KSHOST_API KSLazySingletonManager
{
public:
    static KSLazySingletonManager *instance();
    void add(IKSLazySingleton *singleton);
    void remove(IKSLazySingleton *singleton);
    bool contains(IKSLazySingleton *singleton) const;
    // Releases every registered singleton, the last added first; the host calls it at shutdown.
    void releaseAll();

private:
    KSLazySingletonManager() = default;
};

#endif
