#include "EditorLibraryPage.h"

#include "EditorItem.h"
#include "EditorItemManager.h"
#include "IKSCloudDisk.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSLocale.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>

namespace {

// The row's item, by name: rows are rebuilt on every change, items never move.
const int kNameRole = Qt::UserRole + 1;

} // namespace

EditorLibraryPage::EditorLibraryPage(EditorItemManager *manager, QWidget *parent)
    : KSWidget(parent)
    , m_manager(manager)
{
    setObjectName(QStringLiteral("EditorLibraryPage"));
    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("libraryHeading"));
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("libraryHint"));
    m_hint->setWordWrap(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("libraryList"));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformItemSizes(true);
    m_list->setSpacing(3);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(8);
    layout->addWidget(m_heading);
    layout->addWidget(m_hint);
    layout->addWidget(m_list, 1);

    buildActions();
    retranslateUi();

    connect(m_list, &QListWidget::customContextMenuRequested, this, &EditorLibraryPage::showContextMenu);
    connect(m_list, &QListWidget::currentRowChanged, this, &EditorLibraryPage::updateActions);
    connect(m_manager, &EditorItemManager::itemsChanged, this, &EditorLibraryPage::refresh);
    connect(m_manager, &EditorItemManager::previewRequested, this, &EditorLibraryPage::showPreview);
    connect(m_manager, &EditorItemManager::requestRefused, this,
        [this](EditorItem *, const QString &reason) { showRefusal(reason); });
    refresh();
}

EditorLibraryPage::~EditorLibraryPage() = default;

void EditorLibraryPage::buildActions()
{
    const std::pair<Action, void (EditorLibraryPage::*)()> handlers[]
        = {{UploadAction, &EditorLibraryPage::upload}, {DownloadAction, &EditorLibraryPage::download},
            {ShareAction, &EditorLibraryPage::share}, {RenameAction, &EditorLibraryPage::rename},
            {RemoveAction, &EditorLibraryPage::remove}, {PreviewAction, &EditorLibraryPage::preview}};
    const char *names[]
        = {"actionUpload", "actionDownload", "actionShare", "actionRename", "actionRemove", "actionPreview"};
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("libraryContextMenu"));
    for (const auto &handler : handlers) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(names[handler.first]));
        connect(action, &QAction::triggered, this, handler.second);
        m_actions << action;
        m_menu->addAction(action);
        if (handler.first == ShareAction)
            m_menu->addSeparator();
    }
}

void EditorLibraryPage::retranslateUi()
{
    m_heading->setText(title());
    switch (m_manager->kind()) {
    case EditorItemManager::Projects:
        m_hint->setText(tr("Project files of the editor. Right-click an item to keep it in the cloud."));
        break;
    case EditorItemManager::Templates:
        m_hint->setText(tr("Project templates you made. Right-click a template to upload or share it."));
        break;
    case EditorItemManager::Presets:
        m_hint->setText(tr("Your custom presets. Right-click a preset to back it up."));
        break;
    case EditorItemManager::Media:
        m_hint->setText(tr("Pictures and clips of the media library. Right-click a file for its cloud actions."));
        break;
    }
    action(UploadAction)->setText(tr("Upload to the cloud"));
    action(DownloadAction)->setText(tr("Download from the cloud"));
    action(ShareAction)->setText(tr("Share link..."));
    action(RenameAction)->setText(tr("Rename in the cloud..."));
    action(RemoveAction)->setText(tr("Remove from the cloud..."));
    action(PreviewAction)->setText(tr("Preview"));
    refresh();
}

QString EditorLibraryPage::title() const
{
    switch (m_manager->kind()) {
    case EditorItemManager::Projects:
        return tr("Projects");
    case EditorItemManager::Templates:
        return tr("Templates");
    case EditorItemManager::Presets:
        return tr("Custom presets");
    case EditorItemManager::Media:
        return tr("Media");
    }
    return QString();
}

QAction *EditorLibraryPage::action(Action which) const
{
    return m_actions.value(int(which));
}

QString EditorLibraryPage::stateText(const EditorItem *item)
{
    const KSCloudItemRecord &record = item->record();
    const int percent = record.totalSize > 0 ? int(record.transSize * 100 / record.totalSize) : 0;
    switch (record.cloudState) {
    case CloudItemInCloud:
        return item->cloudName().isEmpty() ? tr("In the cloud") : tr("In the cloud as \"%1\"").arg(item->cloudName());
    case CloudItemUploading:
        return tr("Uploading, %1%").arg(percent);
    case CloudItemDownloading:
        return tr("Downloading, %1%").arg(percent);
    case CloudItemUploadFailed:
        return tr("Upload failed");
    case CloudItemDownloadFailed:
        return tr("Download failed");
    default:
        return tr("Only on this computer");
    }
}

void EditorLibraryPage::refresh()
{
    const QString current = currentItem() ? currentItem()->name() : QString();
    m_list->clear();
    for (EditorItem *item : m_manager->items()) {
        auto *row = new QListWidgetItem(
            tr("%1   (%2)   %3").arg(item->name(), KSUtility::gGetFileSizeAuto(item->localSize()), stateText(item)),
            m_list);
        row->setData(kNameRole, item->name());
        if (item->name() == current)
            m_list->setCurrentItem(row);
    }
    updateActions();
}

EditorItem *EditorLibraryPage::currentItem() const
{
    const QListWidgetItem *row = m_list->currentItem();
    return row ? m_manager->itemByName(row->data(kNameRole).toString()) : nullptr;
}

bool EditorLibraryPage::selectItem(const QString &name)
{
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->data(kNameRole).toString() == name) {
            m_list->setCurrentRow(i);
            return true;
        }
    }
    return false;
}

void EditorLibraryPage::updateActions()
{
    const EditorItem *item = currentItem();
    const int state = item ? item->record().cloudState : 0;
    const bool inCloud = item && !item->cloudFileId().isEmpty() && state != CloudItemUploading;
    action(UploadAction)->setEnabled(item && (state == CloudItemLocal || state == CloudItemUploadFailed));
    action(DownloadAction)->setEnabled(inCloud && state != CloudItemDownloading);
    action(ShareAction)->setEnabled(inCloud);
    action(RenameAction)->setEnabled(inCloud);
    action(RemoveAction)->setEnabled(inCloud);
    action(PreviewAction)->setEnabled(item != nullptr);
}

void EditorLibraryPage::showContextMenu(const QPoint &pos)
{
    if (QListWidgetItem *row = m_list->itemAt(pos))
        m_list->setCurrentItem(row);
    updateActions();
    if (currentItem())
        m_menu->popup(m_list->viewport()->mapToGlobal(pos));
}

void EditorLibraryPage::upload()
{
    if (EditorItem *item = currentItem())
        KSCloudDiskItemManagerProxy::instance()->upload(item);
    refresh();
}

void EditorLibraryPage::download()
{
    if (EditorItem *item = currentItem())
        KSCloudDiskItemManagerProxy::instance()->download(item);
    refresh();
}

void EditorLibraryPage::share()
{
    if (EditorItem *item = currentItem())
        KSCloudDiskItemManagerProxy::instance()->share(item);
}

void EditorLibraryPage::rename()
{
    EditorItem *item = currentItem();
    if (!item)
        return;
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("renameDialog"));
    dialog.setWindowTitle(tr("Rename in the cloud"));
    dialog.setLabelText(tr("New name of %1 in the cloud:").arg(item->name()));
    dialog.setTextValue(item->cloudName().isEmpty() ? item->name() : item->cloudName());
    if (dialog.exec() == QDialog::Accepted && !dialog.textValue().trimmed().isEmpty())
        m_manager->rename(item, dialog.textValue());
}

void EditorLibraryPage::remove()
{
    EditorItem *item = currentItem();
    IKSCloudDisk *service = getCloudDiskNoCreate();
    if (!item || !service)
        return;
    // The dialog asks, moves the cloud file to the recycle bin and waits for the answer; the proxy
    // then tells the library.
    service->showRemoveDialog(this, item->cloudFileId());
}

void EditorLibraryPage::preview()
{
    if (EditorItem *item = currentItem())
        KSCloudDiskItemManagerProxy::instance()->preview(item);
}

void EditorLibraryPage::showPreview(EditorItem *item)
{
    const QString details
        = tr("%1\n\nOn this computer: %2\nSize: %3\nCloud: %4")
              .arg(item->name(), item->localPath(), KSUtility::gGetFileSizeAuto(item->localSize()), stateText(item));
    KSCommonTipDialog::showTip(this, tr("Preview"), details);
}

void EditorLibraryPage::showRefusal(const QString &reason)
{
    KSCommonTipDialog::showTip(this, title(), reason);
}
