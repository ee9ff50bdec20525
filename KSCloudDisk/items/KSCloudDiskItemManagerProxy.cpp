#include "KSCloudDiskItemManagerProxy.h"

#include <atomic>

namespace {
std::atomic<bool> s_inAutoSync{false};
}

bool KSCloudDiskItemManagerProxy::inAutoSync()
{
    return s_inAutoSync.load();
}

void KSCloudDiskItemManagerProxy::setInAutoSync(bool inAutoSync)
{
    s_inAutoSync.store(inAutoSync);
}
