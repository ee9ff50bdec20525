// Values the cloud-disk service exchanges with the editor.
#ifndef KSCLOUDDISKTYPES_H
#define KSCLOUDDISKTYPES_H

#include "kscloudglobal.h"

#include <QJsonObject>
#include <QMap>
#include <QMetaType>
#include <QSize>
#include <QString>
#include <QVariant>

struct KSCloudDiskInitParam {
    int productId = -1;
    QString productVersion;
    QString deviceId;
    QString logFolder;
};

struct KSCloudAccountParam {
    QString token; // empty means sign out
    QString language;
    QString productVersion;
    QString deviceId;
    int productId = 0;
};

enum KSCloudServiceState : int {
    Unanswered = 0,
    NotOpened = 1,
    Opened = 2,
    Ready = 3,
    SignedOut = 4,
};

enum KSCloudAccountOp : int {
    AccountOpNone = 0,
    AccountOpLogin = 1,
    AccountOpOpenService = 2,
    AccountOpShare = 3,
};

enum KSCloudDiskOperation : int {
    Login = 1,
    OpenService = 2,
    Share = 3,
    DiskInfo = 4,
};
Q_DECLARE_METATYPE(KSCloudDiskOperation)

struct KSCloudShareParam {
    QString token;
    QString fileId;
    QString accessCode;
    qint64 expiresIn = 0;
    int reserved = 0;
    int type = 0;
    QMap<QString, QVariant> tags;
};

struct KSCloudShareResult {
    int code = 0;
    QString linkId;
    QString linkAddress;
    QString accessCode;
};

struct KSCloudDiskInfo {
    int level = 0;
    qint64 expiredTime = 0;
    qint64 usedSize = 0;
    qint64 totalSize = 0;
    qint64 fileSizeLimit = 0;
    bool valid = false;
};

// A web page the host opens in its own browser window.
struct KSWebPageRequest {
    QString address;
    QSize windowSize;
    int flag = 0;
    QJsonObject commands;
};

#endif
