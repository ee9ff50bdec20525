// Host configuration: values per device (an INI file each) and built-in page addresses.
#ifndef KSCONFIGENGINE_H
#define KSCONFIGENGINE_H

#include "kshostglobal.h"

#include <QString>
#include <QVariant>

class KSHOST_API KSConfigEngine
{
public:
    static KSConfigEngine *instance();
    // device 0 is the machine-wide file, 1 the per-user file; others get a file of their own.
    QVariant getValue(
        int device, const QString &group, const QString &key, const QVariant &defaultValue = QVariant()) const;
    void setValue(int device, const QString &group, const QString &key, const QVariant &value);
    QString fileOf(int device) const;

private:
    KSConfigEngine() = default;
};

class KSHOST_API KSConfigHelper
{
public:
    // The web address of a page key such as "CloudDiskBuyPageC118"; the configuration's group
    // "CBSUrl" overrides the built-in table. Empty for an unknown key.
    static QString GetCBSUrl(const QString &key);
};

#endif
