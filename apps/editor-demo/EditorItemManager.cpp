#include "EditorItemManager.h"

#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

// The editor's numbers for the libraries the plug-in has no name for.
constexpr int kProjectItemType = 1;
constexpr int kMediaItemType = 3;
// Media uploads land in this folder of the account's cloud media.
const char kCloudMediaFolder[] = "/Editor Demo";

QString keyOf(const QString &name)
{
    return name;
}

} // namespace

EditorItemManager::EditorItemManager(Kind kind, const QString &folder, const QString &downloadFolder, QObject *parent)
    : QObject(parent)
    , m_kind(kind)
    , m_folder(QDir(folder).absolutePath())
    , m_downloadFolder(QDir(downloadFolder).absolutePath())
{
    setObjectName(QStringLiteral("EditorItemManager"));
}

EditorItemManager::~EditorItemManager()
{
    // The proxy may already be gone with the plug-in; it forgets this library's items either way.
    if (m_registered && getCloudDiskNoCreate())
        KSCloudDiskItemManagerProxy::instance()->unRegisterManager(itemType());
}

CloudDiskItemType EditorItemManager::itemTypeOf(Kind kind)
{
    switch (kind) {
    case Projects:
        return static_cast<CloudDiskItemType>(kProjectItemType);
    case Templates:
        return ProjectTemplateItem;
    case Presets:
        return ColorPresetItem;
    case Media:
        return static_cast<CloudDiskItemType>(kMediaItemType);
    }
    return ProjectTemplateItem;
}

void EditorItemManager::registerWithProxy()
{
    if (m_registered)
        return;
    KSCloudDiskItemManagerProxy *proxy = KSCloudDiskItemManagerProxy::instance();
    proxy->registerManager(itemType(), this);
    m_registered = true;
    if (KSCloudDiskViewPresenter *p = presenter())
        connect(p, &KSCloudDiskViewPresenter::renameFinished, this,
            [this](const QString &fileId, bool ok, int) { onRenameFinished(fileId, ok); });
}

KSCloudDiskViewPresenter *EditorItemManager::presenter() const
{
    IKSCloudDisk *service = getCloudDiskNoCreate();
    return service ? service->getPresenter() : nullptr;
}

EditorItem *EditorItemManager::own(IKSCloudDiskItem *item) const
{
    const auto it = std::find_if(m_items.cbegin(), m_items.cend(),
        [item](const std::unique_ptr<EditorItem> &mine) { return mine.get() == item; });
    return it == m_items.cend() ? nullptr : it->get();
}

QList<EditorItem *> EditorItemManager::items() const
{
    QList<EditorItem *> list;
    for (const std::unique_ptr<EditorItem> &item : m_items)
        list << item.get();
    return list;
}

EditorItem *EditorItemManager::itemByName(const QString &name) const
{
    for (const std::unique_ptr<EditorItem> &item : m_items) {
        if (item->name() == name)
            return item.get();
    }
    return nullptr;
}

EditorItem *EditorItemManager::itemByFileId(const QString &fileId) const
{
    if (fileId.isEmpty())
        return nullptr;
    for (const std::unique_ptr<EditorItem> &item : m_items) {
        if (item->cloudFileId() == fileId)
            return item.get();
    }
    return nullptr;
}

void EditorItemManager::reload()
{
    QDir dir(m_folder);
    const bool folders = m_kind == Templates || m_kind == Presets;
    const QFileInfoList entries
        = dir.entryInfoList((folders ? QDir::Dirs : QDir::Files) | QDir::NoDotAndDotDot, QDir::Name);
    // Items are only ever added: the proxy may hold any of them while a transfer runs.
    for (const QFileInfo &entry : entries) {
        if (m_kind == Projects && entry.suffix().compare(QLatin1String("vqp"), Qt::CaseInsensitive) != 0)
            continue;
        if (!itemByName(entry.fileName()))
            m_items.push_back(std::make_unique<EditorItem>(itemType(), entry.absoluteFilePath()));
    }
    readIndex();
    if (m_registered) {
        QList<IKSCloudDiskItem *> cloudItems;
        for (const std::unique_ptr<EditorItem> &item : m_items)
            cloudItems << item.get();
        KSCloudDiskItemManagerProxy::instance()->updateCloudDiskInfo(cloudItems);
    }
    emit itemsChanged();
}

QString EditorItemManager::indexFile() const
{
    return m_folder + QStringLiteral("/.cloud-files.json");
}

void EditorItemManager::readIndex()
{
    QFile file(indexFile());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonObject index = QJsonDocument::fromJson(file.readAll()).object();
    for (const std::unique_ptr<EditorItem> &item : m_items) {
        const QJsonObject entry = index.value(keyOf(item->name())).toObject();
        if (entry.isEmpty() || !item->cloudFileId().isEmpty())
            continue;
        item->setCloudFileId(entry.value(QLatin1String("fileId")).toString());
        item->setCloudSize(entry.value(QLatin1String("size")).toVariant().toLongLong());
        item->setCloudName(entry.value(QLatin1String("cloudName")).toString());
    }
}

bool EditorItemManager::writeIndex() const
{
    QJsonObject index;
    for (const std::unique_ptr<EditorItem> &item : m_items) {
        if (item->cloudFileId().isEmpty())
            continue;
        index.insert(keyOf(item->name()),
            QJsonObject{{QStringLiteral("fileId"), item->cloudFileId()},
                {QStringLiteral("size"), QString::number(item->cloudSize())},
                {QStringLiteral("cloudName"), item->cloudName()}});
    }
    // A half-written index would lose every cloud file of the library.
    QSaveFile file(indexFile());
    if (file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(index).toJson()) >= 0 && file.commit())
        return true;
    KSLOG_WARN("cannot write the library index %s", qPrintable(indexFile()));
    return false;
}

// ---------------------------------------------------------------------------------------------
// Requests routed here by the proxy

QString EditorItemManager::startUpload(EditorItem *item) const
{
    KSCloudDiskViewPresenter *p = presenter();
    if (!p)
        return QString();
    switch (m_kind) {
    case Projects:
        return p->uploadProject(item->localPath(), KeepBoth);
    case Templates:
        return p->uploadProjectTemplate(item->name(), item->localPath(), KeepBoth);
    case Presets:
        return p->uploadPropertyCustomPreset(ColorPresetItem, item->name(), item->localPath(), KeepBoth);
    case Media: {
        KSCloudTaskParam param;
        param.filePath = item->localPath();
        param.name = item->name();
        param.folderPath = QLatin1String(kCloudMediaFolder);
        param.showInTransferCenter = true;
        return p->uploadCloudMedia({param}).value(0);
    }
    }
    return QString();
}

QString EditorItemManager::upload(IKSCloudDiskItem *item)
{
    EditorItem *mine = own(item);
    if (!mine)
        return QString();
    mine->setCloudSize(mine->localSize());
    const QString taskId = startUpload(mine);
    m_lastTasks.insert(mine, taskId);
    if (taskId.isEmpty())
        emit requestRefused(mine, tr("The upload of %1 could not start.").arg(mine->name()));
    return taskId;
}

QString EditorItemManager::startDownload(EditorItem *item, const QString &folder) const
{
    KSCloudDiskViewPresenter *p = presenter();
    if (!p)
        return QString();
    const QString name = item->cloudName().isEmpty() ? item->name() : item->cloudName();
    const QString target = QDir(folder).absoluteFilePath(name);
    const qint64 size = item->cloudSize();
    switch (m_kind) {
    case Projects:
        return p->downloadProject(item->cloudFileId(), target, size);
    case Templates:
        return p->downloadProjectTemplate(item->cloudFileId(), name, target, size, QString());
    case Presets:
        return p->downloadPropertyCustomPreset(ColorPresetItem, item->cloudFileId(), name, target, size);
    case Media: {
        KSCloudTaskParam param;
        param.filePath = target;
        param.fileId = item->cloudFileId();
        param.fileSize = size;
        param.name = name;
        return p->downloadCloudMedia({param}).value(0);
    }
    }
    return QString();
}

QString EditorItemManager::download(IKSCloudDiskItem *item)
{
    EditorItem *mine = own(item);
    if (!mine)
        return QString();
    if (mine->cloudFileId().isEmpty()) {
        emit requestRefused(mine, tr("%1 is not in the cloud yet.").arg(mine->name()));
        return QString();
    }
    QString folder = m_downloadFolder;
    if (m_chooser && !m_chooser(mine, &folder))
        return QString();
    // The plug-in checks the rights and the free space of the folder the item lands in.
    QDir().mkpath(folder);
    const QString taskId = startDownload(mine, folder);
    m_lastTasks.insert(mine, taskId);
    return taskId;
}

bool EditorItemManager::share(IKSCloudDiskItem *item)
{
    EditorItem *mine = own(item);
    IKSCloudDisk *service = getCloudDiskNoCreate();
    if (!mine || !service || mine->cloudFileId().isEmpty())
        return false;
    int fileType = ProjectFile;
    switch (m_kind) {
    case Projects:
        fileType = ProjectFile;
        break;
    case Templates:
        fileType = ProjectTemplateFile;
        break;
    case Presets:
        fileType = CustomColorFile;
        break;
    case Media:
        fileType = CloudMediaFile;
        break;
    }
    const QString name = mine->cloudName().isEmpty() ? mine->name() : mine->cloudName();
    return service->showShareDialog(m_dialogParent, name, mine->cloudFileId(), fileType, mine->cloudSize(),
        mine->suffix(), QStringLiteral("editor_library"));
}

void EditorItemManager::downloadThumbnail(IKSCloudDiskItem *, const QString &)
{
    // The proxy asks the presenter itself; the library draws its own thumbnails.
}

bool EditorItemManager::deleteItem(IKSCloudDiskItem *item)
{
    EditorItem *mine = own(item);
    KSCloudDiskViewPresenter *p = presenter();
    if (!mine || !p || mine->cloudFileId().isEmpty())
        return false;
    // Into the cloud's recycle bin; the answer comes back through onRemoveFinished.
    p->removeFile(mine->cloudFileId());
    return true;
}

bool EditorItemManager::rename(IKSCloudDiskItem *item, const QString &name)
{
    EditorItem *mine = own(item);
    KSCloudDiskViewPresenter *p = presenter();
    if (!mine || !p || mine->cloudFileId().isEmpty() || name.trimmed().isEmpty())
        return false;
    m_pendingRenames.insert(mine->cloudFileId(), name.trimmed());
    p->renameFile(mine->cloudFileId(), name.trimmed());
    return true;
}

void EditorItemManager::onRenameFinished(const QString &fileId, bool succeeded)
{
    const QString name = m_pendingRenames.take(fileId);
    EditorItem *item = itemByFileId(fileId);
    if (!item || name.isEmpty())
        return;
    if (succeeded) {
        item->setCloudName(name);
        writeIndex();
    }
    emit itemsChanged();
}

bool EditorItemManager::preview(IKSCloudDiskItem *item)
{
    EditorItem *mine = own(item);
    if (!mine)
        return false;
    emit previewRequested(mine);
    return true;
}

void EditorItemManager::loadFromCloud()
{
    reload();
}

bool EditorItemManager::onUploadFinished(IKSCloudDiskItem *item)
{
    EditorItem *mine = own(item);
    if (!mine)
        return false;
    // The proxy tells twice: first with the cloud file set, then once the record says "in the cloud".
    if (mine->record().cloudState != CloudItemInCloud)
        return true;
    writeIndex();
    emit itemUploaded(mine);
    return true;
}

void EditorItemManager::onDownloadFinished(IKSCloudDiskItem *item, CloudDiskItemDownloadType)
{
    EditorItem *mine = own(item);
    if (!mine)
        return;
    emit itemDownloaded(mine, mine->record().localFilePath);
}

void EditorItemManager::onRemoveFinished(const QString &fileId)
{
    EditorItem *item = itemByFileId(fileId);
    if (!item)
        return;
    item->setCloudFileId(QString());
    item->setCloudName(QString());
    item->cloudRecord()->cloudState = CloudItemLocal;
    writeIndex();
}

void EditorItemManager::autoSync(CloudDiskItemType)
{
    // The demo libraries have no automatic sync.
}

void EditorItemManager::updateView()
{
    emit itemsChanged();
}

IKSCloudDiskItem *EditorItemManager::getCloudDiskItemByPath(const QString &path)
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (const std::unique_ptr<EditorItem> &item : m_items) {
        if (item->localPath() == wanted)
            return item.get();
    }
    return nullptr;
}

bool EditorItemManager::afterCreateFolder(IKSCloudDiskItem *item)
{
    // The editor keeps no record of its own for the cloud folder: the upload goes on.
    return own(item) != nullptr;
}
