#ifndef KSCLOUDDISKITEMMANAGERPROXY_H
#define KSCLOUDDISKITEMMANAGERPROXY_H

#include "kscloudglobal.h"

// The process-wide link between the editor's item libraries and the cloud. So far it carries the
// automatic-sync state, which the transfer requests and the failure notices read from any thread.
class KSCLOUDDISK_API KSCloudDiskItemManagerProxy
{
public:
    // True while an automatic sync of the editor's presets runs: its failures stay silent and the
    // tasks it creates are marked as part of it.
    static bool inAutoSync();
    static void setInAutoSync(bool inAutoSync);

private:
    KSCloudDiskItemManagerProxy() = delete;
};

#endif
