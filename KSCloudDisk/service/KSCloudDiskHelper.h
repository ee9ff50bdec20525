#ifndef KSCLOUDDISKHELPER_H
#define KSCLOUDDISKHELPER_H

#include "kscloudglobal.h"

#include <QString>

class KSCLOUDDISK_API KSCloudDiskHelper
{
public:
    // The account's membership state: "not_login", "free", "free_run_out", "paid" or "paid_run_out".
    static QString getCloudStatus();
};

#endif
