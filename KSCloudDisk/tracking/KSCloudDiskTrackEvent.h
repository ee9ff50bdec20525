// The plug-in's analytics events: each class fixes a name and a property set, so callers pass only
// what varies. "file_size" is sent in kilobytes (size / 1024), "file_format" in upper case.
#ifndef KSCLOUDDISKTRACKEVENT_H
#define KSCLOUDDISKTRACKEVENT_H

#include "KSTrackEvent.h"
#include "kscloudglobal.h"

// "cloud_service_use_status", interaction type "1".
class KSCLOUDDISK_API KSCloudDiskBeginUploadEvent : public KSTrackEvent
{
public:
    KSCloudDiskBeginUploadEvent(
        const QString &suffix, qint64 size, const QString &location, const QString &presetType = QString());
};

// "2"
class KSCLOUDDISK_API KSCloudDiskUploadSuccessEvent : public KSTrackEvent
{
public:
    KSCloudDiskUploadSuccessEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        const QString &presetType = QString());
};

// "3"
class KSCLOUDDISK_API KSCloudDiskBeginDownloadEvent : public KSTrackEvent
{
public:
    KSCloudDiskBeginDownloadEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        const QString &presetType = QString());
};

// "4"
class KSCLOUDDISK_API KSCloudDiskDownloadSuccessEvent : public KSTrackEvent
{
public:
    KSCloudDiskDownloadSuccessEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        bool toDefaultAddress, const QString &presetType = QString());
};

// "5"
class KSCLOUDDISK_API KSCloudDiskBeginShareEvent : public KSTrackEvent
{
public:
    KSCloudDiskBeginShareEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        const QString &presetType = QString());
};

// "6"
class KSCLOUDDISK_API KSCloudDiskShareSuccessEvent : public KSTrackEvent
{
public:
    KSCloudDiskShareSuccessEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        const QString &presetType = QString());
};

// "7"
class KSCLOUDDISK_API KSCloudDiskClickUploadEvent : public KSTrackEvent
{
public:
    KSCloudDiskClickUploadEvent(
        const QString &suffix, qint64 size, const QString &location, const QString &presetType = QString());
};

// "8"
class KSCLOUDDISK_API KSCloudDiskClickDownloadEvent : public KSTrackEvent
{
public:
    KSCloudDiskClickDownloadEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        const QString &presetType = QString());
};

// "9"; an integer reason is sent as its decimal text.
class KSCLOUDDISK_API KSCloudDiskUploadFailedEvent : public KSTrackEvent
{
public:
    KSCloudDiskUploadFailedEvent(const QString &suffix, qint64 size, const QString &location, const QString &reason,
        const QString &presetType = QString());
    KSCloudDiskUploadFailedEvent(
        const QString &suffix, qint64 size, const QString &location, int reason, const QString &presetType = QString());
};

// "10"
class KSCLOUDDISK_API KSCloudDiskDownloadFailedEvent : public KSTrackEvent
{
public:
    KSCloudDiskDownloadFailedEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        const QString &reason, const QString &presetType = QString());
    KSCloudDiskDownloadFailedEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        int reason, const QString &presetType = QString());
};

// "11"
class KSCLOUDDISK_API KSCloudDiskClickCreateLinkEvent : public KSTrackEvent
{
public:
    KSCloudDiskClickCreateLinkEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        const QString &presetType = QString());
};

// "12"
class KSCLOUDDISK_API KSCloudDiskShareFailedEvent : public KSTrackEvent
{
public:
    KSCloudDiskShareFailedEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        const QString &reason, const QString &presetType = QString());
    KSCloudDiskShareFailedEvent(const QString &suffix, qint64 size, const QString &fileId, const QString &location,
        int reason, const QString &presetType = QString());
};

// "embed_window_btn_click"
class KSCLOUDDISK_API KSCloudDiskBtnClickEvent : public KSTrackEvent
{
public:
    KSCloudDiskBtnClickEvent(const QString &windowName, const QString &buttonName, const QString &dontAskAgain);
};

// "embeded_window_popup"
class KSCLOUDDISK_API KSCloudDiskWindowPopupEvent : public KSTrackEvent
{
public:
    explicit KSCloudDiskWindowPopupEvent(const QString &windowName);
};

// "property_preset_click"
class KSCLOUDDISK_API KSCloudDiskMenuClickEvent : public KSTrackEvent
{
public:
    KSCloudDiskMenuClickEvent(const QString &menuName, const QString &presetType);
};

// An event of any name whose properties the caller gives when sending.
class KSCLOUDDISK_API KSCloudDiskCustomEvent : public KSTrackEvent
{
public:
    explicit KSCloudDiskCustomEvent(const QString &name);
    // Sets the properties in list order and sends; an empty list sends nothing.
    void send(const QList<QPair<QString, QVariant>> &properties);
    void send(const QString &key, const QVariant &value);
};

#endif
