#ifndef KSCLOUDDISKVIEWPRESENTER_H
#define KSCLOUDDISKVIEWPRESENTER_H

#include "KSTrackLifeCycle.h"
#include "kscloudglobal.h"

#include <QObject>
#include <QScopedPointer>

class IKSCloudDisk;
class KSCloudDiskViewPresenterPrivate;

// Coordinates the transfer tasks of the signed-in account and tells the editor's views about them.
class KSCLOUDDISK_API KSCloudDiskViewPresenter : public QObject, public kscore::KSTrackLifeCycle
{
    Q_OBJECT
public:
    explicit KSCloudDiskViewPresenter(IKSCloudDisk *service, QObject *parent = nullptr);
    ~KSCloudDiskViewPresenter() override;

    IKSCloudDisk *service() const;
    QString email() const;
    // The account whose task lists are shown; empty when signed out.
    void setEmail(const QString &email);
    bool hasRunningTask() const;
    bool isDestroying() const;
    void pauseAllTask();
    // Stops background work before the service shuts the cloud drive down.
    void aboutToQuit();

signals:
    void sigTokenExpire();
    void sigRefreshToken();
    void sigRefreshInfoFinished();
    void sigOpenCutlaneIOPage();
    void sigAccountChanged(const QString &email);

private:
    Q_DECLARE_PRIVATE(KSCloudDiskViewPresenter)
    QScopedPointer<KSCloudDiskViewPresenterPrivate> d_ptr;
};

#endif
