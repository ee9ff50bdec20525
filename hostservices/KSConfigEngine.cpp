#include "KSConfigEngine.h"

#include "IKSAppInfo.h"
#include "KSHostInternal.h"

#include <QFileInfo>
#include <QHash>
#include <QSettings>

namespace {

// Every call opens its own QSettings: QSettings shares one cache per file inside the process and
// is safe to use from several threads that way, and a changed root takes effect at once.
QVariant readValue(const QString &file, const QString &group, const QString &key, const QVariant &defaultValue)
{
    QSettings settings(file, QSettings::IniFormat);
    if (!group.isEmpty())
        settings.beginGroup(group);
    return settings.value(key, defaultValue);
}

const QHash<QString, QString> &builtInPages()
{
    static const QHash<QString, QString> pages{
        {QStringLiteral("CloudDiskBuyPageC118"), QStringLiteral("https://www.cutlane.local/cloud/buy?from=plugin")},
        {QStringLiteral("CloudDiskHomePageC119"), QStringLiteral("https://www.cutlane.local/cloud/home?from=plugin")},
        {QStringLiteral("OrvanePrivacyPageC115"), QStringLiteral("https://www.cutlane.local/legal/privacy")},
        {QStringLiteral("OrvaneLicensePageC116"), QStringLiteral("https://www.cutlane.local/legal/eula")},
        {QStringLiteral("PID"), QStringLiteral("cutlane-desktop")},
    };
    return pages;
}

} // namespace

KSConfigEngine *KSConfigEngine::instance()
{
    static KSConfigEngine engine;
    return &engine;
}

QVariant KSConfigEngine::getValue(
    int device, const QString &group, const QString &key, const QVariant &defaultValue) const
{
    return readValue(fileOf(device), group, key, defaultValue);
}

void KSConfigEngine::setValue(int device, const QString &group, const QString &key, const QVariant &value)
{
    const QString file = fileOf(device);
    // QSettings would make the folder with the process umask.
    KSHostInternal::ensurePrivateFolder(QFileInfo(file).path());
    QSettings settings(file, QSettings::IniFormat);
    if (!group.isEmpty())
        settings.beginGroup(group);
    settings.setValue(key, value);
    settings.endGroup();
    // Written now rather than at destruction so another process (the tool, a second editor) sees it.
    settings.sync();
    // A new file gets the umask's mode; later writes keep the mode of the file they replace.
    KSHostInternal::makePrivateFile(file);
}

QString KSConfigEngine::fileOf(int device) const
{
    return KSHostPaths::root() + QStringLiteral("/config/device%1.ini").arg(device);
}

QString KSConfigHelper::GetCBSUrl(const QString &key)
{
    if (key.isEmpty())
        return QString();
    const QString configured = KSConfigEngine::instance()->getValue(0, QStringLiteral("CBSUrl"), key).toString();
    if (!configured.isEmpty())
        return configured;
    return builtInPages().value(key);
}
