// Shared by the proxy's routing and auto-sync halves; not installed.
#ifndef KSCLOUDDISKITEMMANAGERPROXY_P_H
#define KSCLOUDDISKITEMMANAGERPROXY_P_H

#include "KSCloudDiskItemManagerProxy.h"

#include <QMap>
#include <QMutex>
#include <QPointer>

#include <map>
#include <optional>
#include <set>

class KSCloudDiskViewPresenter;
class QTimer;

// An item as the proxy remembers it: an item that is a counted editor object is held by one
// reference for as long as the entry exists, so a library that drops it meanwhile cannot pull it
// away from a transfer still on its way.
class KSCloudItemEntry
{
public:
    explicit KSCloudItemEntry(IKSCloudDiskItem *item);
    ~KSCloudItemEntry();
    KSCloudItemEntry(KSCloudItemEntry &&other) noexcept;
    KSCloudItemEntry &operator=(KSCloudItemEntry &&other) noexcept;
    KSCloudItemEntry(const KSCloudItemEntry &) = delete;
    KSCloudItemEntry &operator=(const KSCloudItemEntry &) = delete;

    IKSCloudDiskItem *item() const { return m_item; }

private:
    void drop();

    IKSCloudDiskItem *m_item = nullptr;
    IKSVBLObject *m_reference = nullptr;
};

class KSCloudDiskItemManagerProxyPrivate
{
public:
    KSCloudDiskViewPresenter *presenter() const;
    IKSCloudDiskItemManager *managerOf(CloudDiskItemType type) const;
    IKSCloudDiskItemManager *managerOf(IKSCloudDiskItem *item) const;
    // Takes the entry out; the caller holds the item alive until it is done with it.
    std::optional<KSCloudItemEntry> takeItem(const QString &key);
    IKSCloudDiskTaskObserver *takeObserver(const QString &taskId);

    std::map<CloudDiskItemType, IKSCloudDiskItemManager *> managers;
    std::map<QString, KSCloudItemEntry> items;
    CloudLoadState loadState = CloudLoadNoAccount;
    QMap<QString, IKSCloudDiskTaskObserver *> observers;
    mutable QMutex observersMutex;
    std::optional<KSCloudItemEntry> pendingUpload;
    std::set<CloudDiskItemType> pendingAutoSync;
    QTimer *tokenTimer = nullptr;
    // The service attached to: only a service still alive is detached from.
    IKSCloudDisk *service = nullptr;
    QPointer<QObject> serviceObject;
};

#endif
