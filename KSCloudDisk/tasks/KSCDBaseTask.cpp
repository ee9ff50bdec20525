#include "KSCDBaseTask.h"

#include "IKSCloudDisk.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSDriveAnswer.h"

#include "IKSCloudDisk.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSDriveAnswer.h"

IKSCDBaseTask::~IKSCDBaseTask() = default;

KSCDBaseTask::KSCDBaseTask(QObject *parent)
    : QObject(parent)
{ }

KSCDBaseTask::~KSCDBaseTask() = default;

void KSCDBaseTask::setFileId(const QString &fileId)
{
    m_fileId = fileId;
}

QString KSCDBaseTask::fileId() const
{
    return m_fileId;
}

void KSCDBaseTask::reservedOperation()
{ }

QString KSCDBaseTask::filePath() const
{
    return QString();
}

int KSCDBaseTask::fileType() const
{
    return OtherFileType;
}

void KSCDBaseTask::setStatus(int)
{ }

KSCloudDiskViewPresenter *KSCDBaseTask::coordinator() const
{
    return qobject_cast<KSCloudDiskViewPresenter *>(parent());
}

QByteArray KSCDBaseTask::spaceRequest(QJsonObject request)
{
    IKSCloudDisk *service = getCloudDisk();
    request.insert(QStringLiteral("space_id"), QString::number(service->getSpaceId()));
    QString text = QString::fromUtf8(KSDriveAnswer::compact(request));
    service->fixSpaceIdInJson(text);
    return text.toUtf8();
}
