// The automatic sync switches: kept in the per-user host settings, announced on the event bus.
#include "IKSAutoSyncHelper.h"

#include "KSBaseLog.h"
#include "KSConfigEngine.h"
#include "KSCustomEvent.h"

#include <QMutex>
#include <QVariantMap>

namespace {

const int kUserDevice = 1;
const QString kGroup = QStringLiteral("AutoSync");

bool isKind(int type)
{
    return type >= AutoSyncAll && type <= AutoSyncCustomColorLayer && type != 7;
}

QString keyOf(int type)
{
    return QStringLiteral("Type%1").arg(type);
}

class KSAutoSyncHelper : public IKSAutoSyncHelper
{
public:
    bool getSyncState(int type) const override
    {
        if (!isKind(type))
            return false;
        return KSConfigEngine::instance()->getValue(kUserDevice, kGroup, keyOf(type), type != AutoSyncAll).toBool();
    }

    void setSyncState(int type, bool on, int source) override
    {
        if (!isKind(type)) {
            KSLOG_WARN("auto sync: no kind %d", type);
            return;
        }
        {
            // Read and write as one step, so two callers setting the same value announce it once.
            QMutexLocker lock(&m_mutex);
            if (getSyncState(type) == on)
                return;
            KSConfigEngine::instance()->setValue(kUserDevice, kGroup, keyOf(type), on);
        }
        KSLOG_INFO("auto sync %d: %d (source %d)", type, int(on), source);
        const QVariantMap payload{
            {QStringLiteral("type"), type}, {QStringLiteral("on"), on}, {QStringLiteral("source"), source}};
        KSCustomEventManager::instance()->dispatch(
            KSCustomEventPtr::create(QStringLiteral("NotifySyncStateChanged"), payload));
    }

private:
    QMutex m_mutex;
};

} // namespace

IKSAutoSyncHelper::~IKSAutoSyncHelper() = default;

IKSAutoSyncHelper *IKSAutoSyncHelper::getInstance()
{
    // Never destroyed: settings pages may still ask while static objects go away at exit.
    static IKSAutoSyncHelper *const helper = new KSAutoSyncHelper;
    return helper;
}
