// One library tab of the demo editor: the items of its folder with their cloud state, and the
// context actions the editor offers on an item (upload, download, share, rename, remove, preview).
#ifndef EDITORLIBRARYPAGE_H
#define EDITORLIBRARYPAGE_H

#include "KSWidgets.h"

class EditorItem;
class EditorItemManager;
class QAction;
class QLabel;
class QListWidget;
class QMenu;

class EditorLibraryPage : public KSWidget
{
    Q_OBJECT
public:
    enum Action { UploadAction, DownloadAction, ShareAction, RenameAction, RemoveAction, PreviewAction };
    Q_ENUM(Action)

    explicit EditorLibraryPage(EditorItemManager *manager, QWidget *parent = nullptr);
    ~EditorLibraryPage() override;

    EditorItemManager *manager() const { return m_manager; }
    // The library's name as its tab shows it.
    QString title() const;
    QListWidget *list() const { return m_list; }
    QAction *action(Action which) const;
    EditorItem *currentItem() const;
    // False when no item has that name.
    bool selectItem(const QString &name);
    // What an item's row says about it.
    static QString stateText(const EditorItem *item);

public slots:
    void refresh();

protected:
    void retranslateUi() override;

private:
    void buildActions();
    void updateActions();
    void showContextMenu(const QPoint &pos);
    void upload();
    void download();
    void share();
    void rename();
    void remove();
    void preview();
    void showPreview(EditorItem *item);
    void showRefusal(const QString &reason);

    EditorItemManager *m_manager;
    QLabel *m_heading = nullptr;
    QLabel *m_hint = nullptr;
    QListWidget *m_list = nullptr;
    QMenu *m_menu = nullptr;
    QList<QAction *> m_actions;
};

#endif
