#include "KSAppSettings.h"

#include "IKSAppInfo.h"
#include "KSConfigEngine.h"
#include "KSHostInternal.h"

#include <QDir>

namespace {

// Folder choices are the user's: they live in the per-user configuration (device 1).
constexpr int kUserDevice = 1;
const QString kFolderGroup = QStringLiteral("Folders");
const QString kDownloadKey = QStringLiteral("Download");
const QString kSaveGroup = QStringLiteral("Save");
const QString kUploadKey = QStringLiteral("UploadToCloud");

QString underRoot(const QString &name)
{
    return KSHostInternal::ensurePrivateFolder(KSHostPaths::root() + QLatin1Char('/') + name);
}

} // namespace

QString KSFolderSettings::GetCloudDiskFileFolder() const
{
    return underRoot(QStringLiteral("CloudDisk"));
}

QString KSFolderSettings::GetDownloadFileFolder() const
{
    const QString chosen = KSConfigEngine::instance()->getValue(kUserDevice, kFolderGroup, kDownloadKey).toString();
    if (!chosen.isEmpty()) {
        const QString folder = KSHostInternal::ensureFolder(chosen);
        if (!folder.isEmpty())
            return folder;
    }
    // A chosen folder that cannot be made (an unplugged drive) falls back to the default.
    return underRoot(QStringLiteral("Downloads"));
}

QString KSFolderSettings::getTotalStorageFolder() const
{
    return underRoot(QStringLiteral("Storage"));
}

void KSFolderSettings::SetDownloadFileFolder(const QString &folder)
{
    const QString value = folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
    KSConfigEngine::instance()->setValue(kUserDevice, kFolderGroup, kDownloadKey, value);
}

void KSSaveSettings::SetUploadtoCloud(bool upload)
{
    KSConfigEngine::instance()->setValue(kUserDevice, kSaveGroup, kUploadKey, upload);
}

bool KSSaveSettings::IsUploadtoCloud() const
{
    return KSConfigEngine::instance()->getValue(kUserDevice, kSaveGroup, kUploadKey, false).toBool();
}

KSFolderSettings *KSSettings::GetFolderSettings()
{
    return &m_folders;
}

KSSaveSettings *KSSettings::GetSaveSettings()
{
    return &m_save;
}

KSAppSettings *KSAppSettings::GetInstance()
{
    static KSAppSettings settings;
    return &settings;
}

KSSettings *KSAppSettings::GetSettings()
{
    return &m_settings;
}
