// Host application information: product data and numbered folder kinds.
#ifndef IKSAPPINFO_H
#define IKSAPPINFO_H

#include "kshostglobal.h"

#include <QString>
#include <QVariant>

class KSHOST_API IKSAppInfo
{
public:
    enum FolderKind {
        LogFolder = 15, // per-user data: logs, task lists
        AppFolder = 17, // application data: caches, thumbnails
    };
    enum ValueKind {
        DeviceId = 0, // text
        SensorsProductId = 7, // number as text
        ProductId = 8, // number as text
    };

    static IKSAppInfo *getInstance();
    virtual ~IKSAppInfo();

    // An existing folder (created on first request) under the host root; empty for unknown kinds.
    virtual QString getFolder(int kind) const = 0;
    virtual QVariant getValue(int kind) const = 0;
    virtual QString productName() const = 0;
    virtual QString productVersion() const = 0;
    virtual QString deviceId() const = 0;
};

// Every host folder lives under one root: $KSHOST_ROOT, else the user's data location + "/Cutlane".
class KSHOST_API KSHostPaths
{
public:
    static QString root();
    static void setRoot(const QString &folder);
};

#endif
