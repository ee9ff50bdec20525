#include "KSCDBaseTask.h"

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
