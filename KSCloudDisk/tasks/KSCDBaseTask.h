#ifndef KSCDBASETASK_H
#define KSCDBASETASK_H

#include "kscloudglobal.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <atomic>

// What the worker and the coordinator know of any task.
class KSCloudDiskViewPresenter;

class KSCLOUDDISK_API IKSCDBaseTask
{
public:
    virtual ~IKSCDBaseTask();
    virtual void setFileId(const QString &fileId) = 0;
    virtual QString fileId() const = 0;
    virtual void reservedOperation() = 0;
    virtual QString filePath() const = 0;
    virtual int fileType() const = 0;
    // Plain assignment, no checks; non-transfer tasks have no status and ignore it.
    virtual void setStatus(int status) = 0;
};

// A piece of cloud work the worker runs on its thread: a transfer or a short cloud operation.
class KSCLOUDDISK_API KSCDBaseTask : public QObject, public IKSCDBaseTask
{
    Q_OBJECT
public:
    enum { OtherFileType = 15 };

    explicit KSCDBaseTask(QObject *parent = nullptr);
    ~KSCDBaseTask() override;

    void setFileId(const QString &fileId) override;
    QString fileId() const override;
    void reservedOperation() override;
    QString filePath() const override;
    int fileType() const override;
    void setStatus(int status) override;

    // Runs the task's current stage; called on the worker thread.
    virtual void launch() = 0;
    virtual void clean() = 0;

    // Set by the worker for the task it is stopping; read on the worker thread while the task runs.
    void setStopping(bool stopping) { m_stopping.store(stopping); }
    bool isStopping() const { return m_stopping.load(); }

protected:
    // The coordinator, when the parent is one; tasks with any other parent report nothing.
    KSCloudDiskViewPresenter *coordinator() const;
    // "space_id" goes in as text and leaves as the exact number the service's id is.
    static QByteArray spaceRequest(QJsonObject request);

    std::atomic<bool> m_stopping{false};
    QString m_fileId;
};

#endif
