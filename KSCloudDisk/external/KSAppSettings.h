// Host settings: folders and save preferences.
#ifndef KSAPPSETTINGS_H
#define KSAPPSETTINGS_H

#include "kshostglobal.h"

#include <QString>

class KSHOST_API KSFolderSettings
{
public:
    QString GetCloudDiskFileFolder() const;
    QString GetDownloadFileFolder() const;
    QString getTotalStorageFolder() const;
    void SetDownloadFileFolder(const QString &folder);
};

class KSHOST_API KSSaveSettings
{
public:
    void SetUploadtoCloud(bool upload);
    bool IsUploadtoCloud() const;
};

class KSHOST_API KSSettings
{
public:
    KSFolderSettings *GetFolderSettings();
    KSSaveSettings *GetSaveSettings();

private:
    KSFolderSettings m_folders;
    KSSaveSettings m_save;
};

class KSHOST_API KSAppSettings
{
public:
    static KSAppSettings *GetInstance();
    KSSettings *GetSettings();

private:
    KSSettings m_settings;
};

#endif
