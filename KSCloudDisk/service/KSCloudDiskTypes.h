// Values the cloud-disk service exchanges with the editor.
#ifndef KSCLOUDDISKTYPES_H
#define KSCLOUDDISKTYPES_H

#include "kscloudglobal.h"

#include <QImage>
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

// What an upload does when its name is taken in the cloud folder.
enum KSTaskOverwriteMode : qint32 {
    KeepBoth = 0, // the new item gets a free name
    Replace = 1, // the old item goes to the recycle bin
    OverwriteKnown = 2, // merged over the old item when the editor's recent projects know it
};

// The editor's kinds of library item. Only these values mean something to the plug-in; the others
// are passed through unchanged.
enum CloudDiskItemType : int {
    ProjectTemplateItem = 0,
    ColorPresetItem = 5,
    SpeedPresetItem = 6,
    MaskPresetItem = 7,
    AIColorPaletteItem = 9,
};

// One item of a batch transfer request.
struct KSCloudTaskParam {
    QString name; // display name of an upload
    QString filePath; // source of an upload, destination of a download
    QString folderPath; // cloud folder of an upload
    QString fileId; // cloud file of a download
    qint64 fileSize = 0;
    QString extraText; // the caller's own, carried along
    QString thumbnailUrl;
    QString thumbnailLocalPath;
    QImage thumbnail; // the caller's own, carried along
    KSTaskOverwriteMode overwriteMode = KeepBoth;
    bool showInTransferCenter = true;
    QString location; // analytics location; empty means the request's default
};

// A web page the host opens in its own browser window.
struct KSWebPageRequest {
    QString address;
    QSize windowSize;
    int flag = 0;
    QJsonObject commands;
};

#endif
