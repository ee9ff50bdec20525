// The proxy's automatic sync: a library's sync runs only against a ready service, and everything it
// starts while it runs is marked as part of it.
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskItemManagerProxy_p.h"

#include <atomic>

namespace {

// Read by the presenter's requests and notices, which may run before any proxy exists.
std::atomic<bool> s_inAutoSync{false};

} // namespace

bool KSCloudDiskItemManagerProxy::inAutoSync()
{
    return s_inAutoSync.load();
}

void KSCloudDiskItemManagerProxy::setInAutoSync(bool inAutoSync)
{
    s_inAutoSync.store(inAutoSync);
}

void KSCloudDiskItemManagerProxy::autoSync(CloudDiskItemType type)
{
    Q_D(KSCloudDiskItemManagerProxy);
    IKSCloudDisk *service = getCloudDisk();
    // Syncing waits for the user to open the service; nothing is kept for later.
    if (service->needOpenService())
        return;
    if (!service->isServiceReady()) {
        d->pendingAutoSync.insert(type);
        return;
    }
    IKSCloudDiskItemManager *manager = d->managerOf(type);
    if (!manager)
        return;
    // Only around the synchronous call: the tasks the manager creates meanwhile take the mark with
    // them to the worker.
    const bool outer = inAutoSync();
    setInAutoSync(true);
    manager->autoSync(type);
    setInAutoSync(outer);
}

void KSCloudDiskItemManagerProxy::runPendingAutoSync()
{
    Q_D(KSCloudDiskItemManagerProxy);
    // Taken first: a sync that finds the service gone again puts its type back for the next login.
    const std::set<CloudDiskItemType> pending = std::move(d->pendingAutoSync);
    d->pendingAutoSync.clear();
    for (CloudDiskItemType type : pending)
        autoSync(type);
}
