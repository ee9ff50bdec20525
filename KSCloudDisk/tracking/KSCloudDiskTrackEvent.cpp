#include "KSCloudDiskTrackEvent.h"

namespace {

const QString kTransferUse = QStringLiteral("cloud_service_use_status");

// Properties in the order analytics expects; optional ones are added by the failure and
// download-success classes between "web_url" and "preset_file_type".
void setTransferUse(KSTrackEvent &event, const QString &suffix, qint64 size, const char *interaction,
    const QString &fileId, const QString &location)
{
    event.setProperty(QStringLiteral("file_format"), suffix.toUpper());
    event.setProperty(QStringLiteral("interaction_type"), QString::fromLatin1(interaction));
    event.setProperty(QStringLiteral("file_size"), size / 1024);
    event.setProperty(QStringLiteral("file_id"), fileId);
    event.setProperty(QStringLiteral("location"), location);
    event.setProperty(QStringLiteral("web_url"), QString());
}

void setPresetType(KSTrackEvent &event, const QString &presetType)
{
    if (!presetType.isEmpty())
        event.setProperty(QStringLiteral("preset_file_type"), presetType);
}

void setFailure(KSTrackEvent &event, const QString &reason, const QString &presetType)
{
    event.setProperty(QStringLiteral("fail_reason"), reason);
    setPresetType(event, presetType);
}

} // namespace

KSCloudDiskBeginUploadEvent::KSCloudDiskBeginUploadEvent(
    const QString &suffix, qint64 size, const QString &location, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "1", QString(), location);
    setPresetType(*this, presetType);
}

KSCloudDiskUploadSuccessEvent::KSCloudDiskUploadSuccessEvent(
    const QString &suffix, qint64 size, const QString &fileId, const QString &location, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "2", fileId, location);
    setPresetType(*this, presetType);
}

KSCloudDiskBeginDownloadEvent::KSCloudDiskBeginDownloadEvent(
    const QString &suffix, qint64 size, const QString &fileId, const QString &location, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "3", fileId, location);
    setPresetType(*this, presetType);
}

KSCloudDiskDownloadSuccessEvent::KSCloudDiskDownloadSuccessEvent(const QString &suffix, qint64 size,
    const QString &fileId, const QString &location, bool toDefaultAddress, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "4", fileId, location);
    setProperty(QStringLiteral("download_to_default_address"), toDefaultAddress);
    setPresetType(*this, presetType);
}

KSCloudDiskBeginShareEvent::KSCloudDiskBeginShareEvent(
    const QString &suffix, qint64 size, const QString &fileId, const QString &location, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "5", fileId, location);
    setPresetType(*this, presetType);
}

KSCloudDiskShareSuccessEvent::KSCloudDiskShareSuccessEvent(
    const QString &suffix, qint64 size, const QString &fileId, const QString &location, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "6", fileId, location);
    setPresetType(*this, presetType);
}

KSCloudDiskClickUploadEvent::KSCloudDiskClickUploadEvent(
    const QString &suffix, qint64 size, const QString &location, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "7", QString(), location);
    setPresetType(*this, presetType);
}

KSCloudDiskClickDownloadEvent::KSCloudDiskClickDownloadEvent(
    const QString &suffix, qint64 size, const QString &fileId, const QString &location, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "8", fileId, location);
    setPresetType(*this, presetType);
}

KSCloudDiskUploadFailedEvent::KSCloudDiskUploadFailedEvent(
    const QString &suffix, qint64 size, const QString &location, const QString &reason, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "9", QString(), location);
    setFailure(*this, reason, presetType);
}

KSCloudDiskUploadFailedEvent::KSCloudDiskUploadFailedEvent(
    const QString &suffix, qint64 size, const QString &location, int reason, const QString &presetType)
    : KSCloudDiskUploadFailedEvent(suffix, size, location, QString::number(reason), presetType)
{ }

KSCloudDiskDownloadFailedEvent::KSCloudDiskDownloadFailedEvent(const QString &suffix, qint64 size,
    const QString &fileId, const QString &location, const QString &reason, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "10", fileId, location);
    setFailure(*this, reason, presetType);
}

KSCloudDiskDownloadFailedEvent::KSCloudDiskDownloadFailedEvent(const QString &suffix, qint64 size,
    const QString &fileId, const QString &location, int reason, const QString &presetType)
    : KSCloudDiskDownloadFailedEvent(suffix, size, fileId, location, QString::number(reason), presetType)
{ }

KSCloudDiskClickCreateLinkEvent::KSCloudDiskClickCreateLinkEvent(
    const QString &suffix, qint64 size, const QString &fileId, const QString &location, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "11", fileId, location);
    setPresetType(*this, presetType);
}

KSCloudDiskShareFailedEvent::KSCloudDiskShareFailedEvent(const QString &suffix, qint64 size, const QString &fileId,
    const QString &location, const QString &reason, const QString &presetType)
    : KSTrackEvent(kTransferUse)
{
    setTransferUse(*this, suffix, size, "12", fileId, location);
    setFailure(*this, reason, presetType);
}

KSCloudDiskShareFailedEvent::KSCloudDiskShareFailedEvent(const QString &suffix, qint64 size, const QString &fileId,
    const QString &location, int reason, const QString &presetType)
    : KSCloudDiskShareFailedEvent(suffix, size, fileId, location, QString::number(reason), presetType)
{ }

KSCloudDiskBtnClickEvent::KSCloudDiskBtnClickEvent(
    const QString &windowName, const QString &buttonName, const QString &dontAskAgain)
    : KSTrackEvent(QStringLiteral("embed_window_btn_click"))
{
    setProperty(QStringLiteral("window_name"), windowName);
    setProperty(QStringLiteral("btn_name"), buttonName);
    setProperty(QStringLiteral("dont_ask_again"), dontAskAgain);
}

KSCloudDiskWindowPopupEvent::KSCloudDiskWindowPopupEvent(const QString &windowName)
    : KSTrackEvent(QStringLiteral("embeded_window_popup"))
{
    setProperty(QStringLiteral("window_name"), windowName);
}

KSCloudDiskMenuClickEvent::KSCloudDiskMenuClickEvent(const QString &menuName, const QString &presetType)
    : KSTrackEvent(QStringLiteral("property_preset_click"))
{
    setProperty(QStringLiteral("menu_name"), menuName);
    setProperty(QStringLiteral("preset_file_type"), presetType);
}

KSCloudDiskCustomEvent::KSCloudDiskCustomEvent(const QString &name)
    : KSTrackEvent(name)
{ }

void KSCloudDiskCustomEvent::send(const QList<QPair<QString, QVariant>> &properties)
{
    if (properties.isEmpty())
        return;
    for (const auto &property : properties)
        setProperty(property.first, property.second);
    sendEvent();
}

void KSCloudDiskCustomEvent::send(const QString &key, const QVariant &value)
{
    setProperty(key, value);
    sendEvent();
}
