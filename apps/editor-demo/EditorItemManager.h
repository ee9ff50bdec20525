// One library of the demo editor (projects, templates, custom presets or media): the items found
// in its folder, their cloud files remembered beside them, and the transfers of those items, which
// the plug-in's item manager proxy routes here by item type.
#ifndef EDITORITEMMANAGER_H
#define EDITORITEMMANAGER_H

#include "EditorItem.h"
#include "IKSCloudDiskItemManager.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class KSCloudDiskViewPresenter;

class EditorItemManager : public QObject, public IKSCloudDiskItemManager
{
    Q_OBJECT
public:
    enum Kind { Projects, Templates, Presets, Media };
    Q_ENUM(Kind)

    // Asks where a download goes: answers false to drop it, else the folder the item lands in.
    using FolderChooser = std::function<bool(EditorItem *item, QString *folder)>;

    // `folder` holds the library's items, `downloadFolder` receives its downloads.
    EditorItemManager(Kind kind, const QString &folder, const QString &downloadFolder, QObject *parent = nullptr);
    ~EditorItemManager() override;

    // The plug-in's item type of each library; types 1 and 3 are the editor's own numbers.
    static CloudDiskItemType itemTypeOf(Kind kind);
    Kind kind() const { return m_kind; }
    CloudDiskItemType itemType() const { return itemTypeOf(m_kind); }
    QString folder() const { return m_folder; }
    QString downloadFolder() const { return m_downloadFolder; }

    // Registers with the proxy (once); unregistered again when the manager goes.
    void registerWithProxy();
    bool isRegistered() const { return m_registered; }
    // Reads the folder again; items keep their cloud files across runs.
    void reload();
    QList<EditorItem *> items() const;
    EditorItem *itemByName(const QString &name) const;
    EditorItem *itemByFileId(const QString &fileId) const;

    // The task of the item's latest transfer this run, empty when none started.
    QString lastTaskId(const EditorItem *item) const { return m_lastTasks.value(item); }

    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }
    // Without a chooser every download goes to downloadFolder().
    void setFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }

    // IKSCloudDiskItemManager
    QString upload(IKSCloudDiskItem *item) override;
    bool share(IKSCloudDiskItem *item) override;
    QString download(IKSCloudDiskItem *item) override;
    void downloadThumbnail(IKSCloudDiskItem *item, const QString &savePath) override;
    bool deleteItem(IKSCloudDiskItem *item) override;
    bool rename(IKSCloudDiskItem *item, const QString &name) override;
    bool preview(IKSCloudDiskItem *item) override;
    void loadFromCloud() override;
    bool onUploadFinished(IKSCloudDiskItem *item) override;
    void onDownloadFinished(IKSCloudDiskItem *item, CloudDiskItemDownloadType type) override;
    void onRemoveFinished(const QString &fileId) override;
    void autoSync(CloudDiskItemType type) override;
    void updateView() override;
    IKSCloudDiskItem *getCloudDiskItemByPath(const QString &path) override;
    bool afterCreateFolder(IKSCloudDiskItem *item) override;

signals:
    void itemsChanged();
    // An upload of one of this library's items reached the cloud.
    void itemUploaded(EditorItem *item);
    // A download of one of this library's items landed at `path`.
    void itemDownloaded(EditorItem *item, const QString &path);
    void previewRequested(EditorItem *item);
    // A cloud request could not even start (no presenter, nothing in the cloud, ...).
    void requestRefused(EditorItem *item, const QString &reason);

private:
    EditorItem *own(IKSCloudDiskItem *item) const;
    KSCloudDiskViewPresenter *presenter() const;
    QString startUpload(EditorItem *item) const;
    QString startDownload(EditorItem *item, const QString &folder) const;
    void onRenameFinished(const QString &fileId, bool succeeded);
    // The cloud files of the items, kept beside them.
    QString indexFile() const;
    void readIndex();
    bool writeIndex() const;

    Kind m_kind;
    QString m_folder;
    QString m_downloadFolder;
    std::vector<std::unique_ptr<EditorItem>> m_items;
    QHash<QString, QString> m_pendingRenames; // file id -> new name
    QHash<const EditorItem *, QString> m_lastTasks;
    QPointer<QWidget> m_dialogParent;
    FolderChooser m_chooser;
    bool m_registered = false;
};

#endif
