#include "KSCloudDiskViewPresenter.h"

#include "KSBaseLog.h"

class KSCloudDiskViewPresenterPrivate
{
public:
    IKSCloudDisk *service = nullptr;
    QString email;
    bool destroying = false;
};

KSCloudDiskViewPresenter::KSCloudDiskViewPresenter(IKSCloudDisk *service, QObject *parent)
    : QObject(parent)
    , d_ptr(new KSCloudDiskViewPresenterPrivate)
{
    Q_D(KSCloudDiskViewPresenter);
    d->service = service;
}

KSCloudDiskViewPresenter::~KSCloudDiskViewPresenter()
{
    Q_D(KSCloudDiskViewPresenter);
    d->destroying = true;
}

IKSCloudDisk *KSCloudDiskViewPresenter::service() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->service;
}

QString KSCloudDiskViewPresenter::email() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->email;
}

void KSCloudDiskViewPresenter::setEmail(const QString &email)
{
    Q_D(KSCloudDiskViewPresenter);
    if (!email.isEmpty() && email == d->email)
        return;
    d->email = email;
    emit sigAccountChanged(email);
}

bool KSCloudDiskViewPresenter::hasRunningTask() const
{
    return false;
}

bool KSCloudDiskViewPresenter::isDestroying() const
{
    Q_D(const KSCloudDiskViewPresenter);
    return d->destroying;
}

void KSCloudDiskViewPresenter::pauseAllTask()
{ }

void KSCloudDiskViewPresenter::aboutToQuit()
{
    Q_D(KSCloudDiskViewPresenter);
    d->destroying = true;
}
