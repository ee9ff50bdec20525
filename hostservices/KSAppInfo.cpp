#include "IKSAppInfo.h"

#include "KSConfigEngine.h"
#include "KSHostInternal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <QUuid>

namespace {

QMutex &rootMutex()
{
    static QMutex mutex;
    return mutex;
}

QString &rootOverride()
{
    static QString folder;
    return folder;
}

const QString kDeviceGroup = QStringLiteral("Device");
const QString kDeviceIdKey = QStringLiteral("Id");

class KSAppInfo : public IKSAppInfo
{
public:
    QString getFolder(int kind) const override
    {
        switch (kind) {
        case LogFolder:
            return KSHostInternal::ensurePrivateFolder(KSHostInternal::userDataPath());
        case AppFolder:
            return KSHostInternal::ensurePrivateFolder(KSHostInternal::appDataPath());
        default:
            return QString();
        }
    }

    QVariant getValue(int kind) const override
    {
        switch (kind) {
        case DeviceId:
            return deviceId();
        case SensorsProductId:
            return QStringLiteral("1050");
        case ProductId:
            return QStringLiteral("1051");
        default:
            return QVariant();
        }
    }

    QString productName() const override { return QStringLiteral("Cutlane"); }

    QString productVersion() const override
    {
        const QString version = QCoreApplication::applicationVersion();
        return version.isEmpty() ? QStringLiteral("1.0.0") : version;
    }

    QString deviceId() const override
    {
        // Two threads asking for the first time must not store two different ids.
        QMutexLocker lock(&m_deviceMutex);
        KSConfigEngine *config = KSConfigEngine::instance();
        QString id = config->getValue(0, kDeviceGroup, kDeviceIdKey).toString();
        if (id.isEmpty()) {
            id = QUuid::createUuid().toString(QUuid::WithoutBraces);
            config->setValue(0, kDeviceGroup, kDeviceIdKey, id);
        }
        return id;
    }

private:
    mutable QMutex m_deviceMutex;
};

} // namespace

IKSAppInfo::~IKSAppInfo() = default;

IKSAppInfo *IKSAppInfo::getInstance()
{
    // Never destroyed: plug-in code may still ask for folders while static objects go away.
    static IKSAppInfo *const info = new KSAppInfo;
    return info;
}

QString KSHostPaths::root()
{
    {
        QMutexLocker lock(&rootMutex());
        if (!rootOverride().isEmpty())
            return rootOverride();
    }
    const QString env = qEnvironmentVariable("KSHOST_ROOT");
    if (!env.isEmpty())
        return QDir::cleanPath(env);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Cutlane");
}

void KSHostPaths::setRoot(const QString &folder)
{
    QMutexLocker lock(&rootMutex());
    rootOverride() = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

namespace KSHostInternal {

QString userDataPath()
{
    return KSHostPaths::root() + QStringLiteral("/userdata");
}

QString appDataPath()
{
    return KSHostPaths::root() + QStringLiteral("/appdata");
}

QString ensureFolder(const QString &path)
{
    return QDir().mkpath(path) ? path : QString();
}

QString ensurePrivateFolder(const QString &path)
{
    const QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const QString folder = QDir::cleanPath(QDir(path).absolutePath());
    const QString root = QDir::cleanPath(QDir(KSHostPaths::root()).absolutePath());
    QStringList missing;
    for (QString p = folder; !QFileInfo::exists(p) && p != QFileInfo(p).path(); p = QFileInfo(p).path())
        missing.append(p);
    if (!QDir().mkpath(folder))
        return QString();
    for (const QString &made : qAsConst(missing)) {
        // The folders the root itself lives in (a fresh home's data folder) are not the host's.
        if (!root.startsWith(made + QLatin1Char('/')))
            QFile::setPermissions(made, mode);
    }
    if (folder == root || folder.startsWith(root + QLatin1Char('/'))) {
        for (QString p = folder; p.size() > root.size(); p = QFileInfo(p).path())
            QFile::setPermissions(p, mode);
        QFile::setPermissions(root, mode);
    }
    return path;
}

bool makePrivateFile(const QString &path)
{
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace KSHostInternal
