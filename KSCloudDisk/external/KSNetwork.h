// Host network helpers.
#ifndef KSNETWORK_H
#define KSNETWORK_H

#include "kshostglobal.h"

#include <QByteArray>
#include <QString>

class KSHOST_API KSNetwork
{
public:
    // True while a network interface other than loopback is up ($KSHOST_OFFLINE=1 forces false).
    static bool IsNetworkDeviceValid();
};

class KSHOST_API KSHttpClient
{
public:
    // Blocking GET of an http(s) or file address. Success: error empty, body filled.
    static bool get(const QString &address, QByteArray &body, QString &error, int timeoutMs);
};

class KSHOST_API KSDesktopService
{
public:
    // Opens the address with the desktop; records it (last opened) for tests and demos.
    static bool openURL(const QString &address);
    static QString lastOpened();
};

#endif
