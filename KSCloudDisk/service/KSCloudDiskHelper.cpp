#include "KSCloudDiskHelper.h"

#include "IKSCloudDisk.h"

QString KSCloudDiskHelper::getCloudStatus()
{
    IKSCloudDisk *service = getCloudDisk();
    if (!service->isServiceReady())
        return QStringLiteral("not_login");
    const KSCloudDiskInfo info = service->getDiskInfo();
    // Whole mebibytes, as the membership pages count them.
    const bool outOfSpace = info.usedSize / 1048576 > info.totalSize / 1048576;
    if (info.expiredTime != 0)
        return outOfSpace ? QStringLiteral("paid_run_out") : QStringLiteral("paid");
    return outOfSpace ? QStringLiteral("free_run_out") : QStringLiteral("free");
}
