// The host's mirror of the cloud-disk service: it receives the service state, the unavailable
// flag, the default space id and the space records the plug-in reads.
#ifndef IKSCLOUDDISKSERVICE_H
#define IKSCLOUDDISKSERVICE_H

#include "kshostglobal.h"

#include <QString>

struct KSCloudSpaceRecord {
    qint64 reserved = 0;
    qint64 expiredTime = 0;
    qint64 fileSizeLimit = 0;
    int valid = 1;
    int level = 0;
    QString levelAlias;
    QString name;
    int platform = 0;
    qint64 singleFileUploadSize = 0;
    quint64 spaceId = 0;
    qint64 totalSize = 0;
    qint64 usedSize = 0;
};

// Base of what the service object hands out; cast at run time to the interface wanted.
class KSHOST_API IKSCloudDiskServiceObject
{
public:
    virtual ~IKSCloudDiskServiceObject();
};

class KSHOST_API IKSCloudDiskStateSink
{
public:
    virtual ~IKSCloudDiskStateSink();
    virtual void setServiceState(int state) = 0;
    virtual void setServiceUnavailable(bool unavailable) = 0;
    virtual void setDefaultSpaceId(quint64 spaceId) = 0;
    virtual void setSpaceRecord(quint64 spaceId, const KSCloudSpaceRecord &record) = 0;
};

class KSHOST_API IKSCloudDiskService
{
public:
    // kind 4 is the cloud-drive service of the plug-in. The caller owns the object: release() it.
    static IKSCloudDiskService *createInstance(int kind);
    // The newest object of that kind not yet released, or null: how the host (and tests) find the
    // mirror the plug-in writes to.
    static IKSCloudDiskService *liveInstance(int kind);
    virtual ~IKSCloudDiskService();

    virtual int kind() const = 0;
    virtual QString name() const = 0;
    virtual void release() = 0;
    // The object that receives the plug-in's state; an IKSCloudDiskStateSink for kind 4.
    virtual IKSCloudDiskServiceObject *stateReceiver() = 0;

    // What the mirror holds, for the host's own use and for tests.
    virtual int serviceState() const = 0;
    virtual bool isServiceUnavailable() const = 0;
    virtual quint64 defaultSpaceId() const = 0;
    virtual KSCloudSpaceRecord spaceRecord() const = 0;
    virtual int spaceRecordCount() const = 0;
};

#endif
