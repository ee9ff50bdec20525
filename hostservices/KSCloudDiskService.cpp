#include "IKSCloudDiskService.h"

#include <QMutex>
#include <QVector>

#include <memory>

namespace {

class CloudDiskService;

// Objects not yet released, oldest first.
QMutex s_liveMutex;
QVector<CloudDiskService *> s_live;

// What a service object holds; the receivers write here from the plug-in's pool threads.
struct MirrorState {
    mutable QMutex mutex;
    int state = 0;
    bool unavailable = false;
    quint64 defaultSpaceId = 0;
    KSCloudSpaceRecord record;
    int recordCount = 0;
};

class StateSink : public IKSCloudDiskServiceObject, public IKSCloudDiskStateSink
{
public:
    explicit StateSink(MirrorState &state)
        : m_state(state)
    { }

    void setServiceState(int state) override
    {
        QMutexLocker lock(&m_state.mutex);
        m_state.state = state;
    }

    void setServiceUnavailable(bool unavailable) override
    {
        QMutexLocker lock(&m_state.mutex);
        m_state.unavailable = unavailable;
    }

    void setDefaultSpaceId(quint64 spaceId) override
    {
        QMutexLocker lock(&m_state.mutex);
        m_state.defaultSpaceId = spaceId;
    }

    void setSpaceRecord(quint64 spaceId, const KSCloudSpaceRecord &record) override
    {
        QMutexLocker lock(&m_state.mutex);
        // Kept as sent: a mirror that patched the record would hide a plug-in that fills it wrongly.
        Q_UNUSED(spaceId)
        m_state.record = record;
        ++m_state.recordCount;
    }

private:
    MirrorState &m_state;
};

// A service of a kind the host does not know: it answers, but receives nothing.
class PlainReceiver : public IKSCloudDiskServiceObject
{
};

class CloudDiskService : public IKSCloudDiskService
{
public:
    explicit CloudDiskService(int kind)
        : m_kind(kind)
    {
        {
            QMutexLocker lock(&s_liveMutex);
            s_live.append(this);
        }
        if (kind == kCloudDriveKind)
            m_receiver.reset(new StateSink(m_state));
        else
            m_receiver.reset(new PlainReceiver);
    }

    int kind() const override { return m_kind; }

    QString name() const override
    {
        return m_kind == kCloudDriveKind ? QStringLiteral("CloudDrive") : QStringLiteral("Service%1").arg(m_kind);
    }

    ~CloudDiskService() override
    {
        QMutexLocker lock(&s_liveMutex);
        s_live.removeOne(this);
    }

    void release() override { delete this; }
    IKSCloudDiskServiceObject *stateReceiver() override { return m_receiver.get(); }

    int serviceState() const override
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.state;
    }

    bool isServiceUnavailable() const override
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.unavailable;
    }

    quint64 defaultSpaceId() const override
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.defaultSpaceId;
    }

    KSCloudSpaceRecord spaceRecord() const override
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.record;
    }

    int spaceRecordCount() const override
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.recordCount;
    }

private:
    static constexpr int kCloudDriveKind = 4;
    const int m_kind;
    MirrorState m_state;
    std::unique_ptr<IKSCloudDiskServiceObject> m_receiver;
};

} // namespace

IKSCloudDiskServiceObject::~IKSCloudDiskServiceObject() = default;
IKSCloudDiskStateSink::~IKSCloudDiskStateSink() = default;
IKSCloudDiskService::~IKSCloudDiskService() = default;

IKSCloudDiskService *IKSCloudDiskService::createInstance(int kind)
{
    return new CloudDiskService(kind);
}

IKSCloudDiskService *IKSCloudDiskService::liveInstance(int kind)
{
    QMutexLocker lock(&s_liveMutex);
    for (auto it = s_live.crbegin(); it != s_live.crend(); ++it) {
        if ((*it)->kind() == kind)
            return *it;
    }
    return nullptr;
}
