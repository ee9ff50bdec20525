// The demo editor's libraries against the real plug-in and drive: every upload and download of a
// library's items is reported to that library's manager, and to no other.
#include "CloudTestEnvironment.h"
#include "EditorAssets.h"
#include "EditorHost.h"
#include "EditorItemManager.h"
#include "EditorLibraryPage.h"
#include "KSCloudDiskItemManagerProxy.h"

#include <QAction>
#include <QFileInfo>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Records what the proxy hands the manager before the manager handles it.
class RecordingManager : public EditorItemManager
{
public:
    using EditorItemManager::EditorItemManager;
    bool onUploadFinished(IKSCloudDiskItem *item) override
    {
        uploads << item;
        return EditorItemManager::onUploadFinished(item);
    }
    void onDownloadFinished(IKSCloudDiskItem *item, CloudDiskItemDownloadType type) override
    {
        downloads << item;
        EditorItemManager::onDownloadFinished(item, type);
    }
    QList<IKSCloudDiskItem *> uploads;
    QList<IKSCloudDiskItem *> downloads;
};

} // namespace

class TestEditorItemManagers : public QObject
{
    Q_OBJECT
private slots:
    void transfersReachTheirOwnManager();
    void actionsFollowTheCloudState_data();
    void actionsFollowTheCloudState();
};

void TestEditorItemManagers::transfersReachTheirOwnManager()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CloudTestEnvironment env(dir.path());
    QVERIFY(env.isReady());
    EditorAssets assets(dir.filePath(QStringLiteral("library")));
    QVERIFY2(assets.ensure(), qPrintable(assets.error()));

    EditorHost host;
    QSignalSpy signedIn(&host, &EditorHost::signInFinished);
    QVERIFY2(host.start(dir.path(), QStringLiteral("editor@example.com")), qPrintable(host.error()));
    QVERIFY(signedIn.wait(20000));
    QCOMPARE(host.readiness(), EditorHost::Ready);
    host.loadTaskLists();

    RecordingManager projects(
        EditorItemManager::Projects, assets.projectsFolder(), dir.filePath(QStringLiteral("dl/p")));
    RecordingManager media(EditorItemManager::Media, assets.mediaFolder(), dir.filePath(QStringLiteral("dl/m")));
    projects.registerWithProxy();
    media.registerWithProxy();
    projects.reload();
    media.reload();
    QCOMPARE(projects.items().size(), 2);
    QCOMPARE(media.items().size(), 2);
    QSignalSpy projectsUploaded(&projects, &EditorItemManager::itemUploaded);
    QSignalSpy mediaUploaded(&media, &EditorItemManager::itemUploaded);
    QSignalSpy projectsDownloaded(&projects, &EditorItemManager::itemDownloaded);
    QSignalSpy mediaDownloaded(&media, &EditorItemManager::itemDownloaded);

    KSCloudDiskItemManagerProxy *proxy = KSCloudDiskItemManagerProxy::instance();
    const QList<EditorItem *> all = projects.items() + media.items();
    for (EditorItem *item : all)
        QVERIFY2(!proxy->upload(item).isEmpty(), qPrintable(item->name()));
    QTRY_VERIFY_WITH_TIMEOUT(projectsUploaded.size() == 2 && mediaUploaded.size() == 2, 30000);

    for (EditorItem *item : all) {
        QCOMPARE(item->record().cloudState, int(CloudItemInCloud));
        QVERIFY(!item->cloudFileId().isEmpty());
        QVERIFY2(!proxy->download(item).isEmpty(), qPrintable(item->name()));
    }
    QTRY_VERIFY_WITH_TIMEOUT(projectsDownloaded.size() == 2 && mediaDownloaded.size() == 2, 30000);
    QCOMPARE(projectsUploaded.size(), 2);
    QCOMPARE(mediaUploaded.size(), 2);

    // Each manager heard of its own two items, each upload twice (once the file id is set, once the
    // record says "in the cloud") and each download once; the other library's items never.
    const QList<RecordingManager *> managers{&projects, &media};
    for (RecordingManager *manager : managers) {
        const QList<EditorItem *> own = manager->items();
        QCOMPARE(manager->uploads.size(), 4);
        QCOMPARE(manager->downloads.size(), 2);
        for (IKSCloudDiskItem *item : manager->uploads + manager->downloads)
            QVERIFY(own.contains(static_cast<EditorItem *>(item)));
        for (EditorItem *item : own) {
            QCOMPARE(manager->uploads.count(item), 2);
            QCOMPARE(manager->downloads.count(item), 1);
        }
    }
    for (const QSignalSpy *spy : {&projectsDownloaded, &mediaDownloaded}) {
        for (const QList<QVariant> &arguments : *spy)
            QVERIFY2(QFileInfo::exists(arguments.at(1).toString()), qPrintable(arguments.at(1).toString()));
    }
    // The cloud files are remembered beside the items: a library read again knows them.
    EditorItemManager again(EditorItemManager::Media, assets.mediaFolder(), dir.filePath(QStringLiteral("dl/m")));
    again.reload();
    for (EditorItem *item : again.items())
        QCOMPARE(item->cloudFileId(), media.itemByName(item->name())->cloudFileId());
    host.stop();
}

void TestEditorItemManagers::actionsFollowTheCloudState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("hasFileId");
    // Upload, download, share/rename/remove offered?
    QTest::addColumn<bool>("upload");
    QTest::addColumn<bool>("download");
    QTest::addColumn<bool>("cloudActions");
    QTest::newRow("local") << int(CloudItemLocal) << false << true << false << false;
    QTest::newRow("uploading") << int(CloudItemUploading) << false << false << false << false;
    QTest::newRow("upload failed") << int(CloudItemUploadFailed) << false << true << false << false;
    QTest::newRow("in the cloud") << int(CloudItemInCloud) << true << false << true << true;
    QTest::newRow("downloading") << int(CloudItemDownloading) << true << false << false << true;
    QTest::newRow("download failed") << int(CloudItemDownloadFailed) << true << false << true << true;
}

void TestEditorItemManagers::actionsFollowTheCloudState()
{
    QFETCH(int, state);
    QFETCH(bool, hasFileId);
    QTemporaryDir dir;
    EditorAssets assets(dir.path());
    QVERIFY2(assets.ensure(), qPrintable(assets.error()));
    EditorItemManager presets(EditorItemManager::Presets, assets.presetsFolder(), dir.filePath(QStringLiteral("dl")));
    presets.reload();
    EditorLibraryPage page(&presets);
    EditorItem *item = presets.itemByName(QStringLiteral("Warm Look"));
    QVERIFY(item);
    item->cloudRecord()->cloudState = state;
    item->setCloudFileId(hasFileId ? QStringLiteral("f1") : QString());
    presets.updateView();
    QVERIFY(page.selectItem(item->name()));
    QVERIFY(page.action(EditorLibraryPage::PreviewAction)->isEnabled());
    QTEST(page.action(EditorLibraryPage::UploadAction)->isEnabled(), "upload");
    QTEST(page.action(EditorLibraryPage::DownloadAction)->isEnabled(), "download");
    for (auto action :
        {EditorLibraryPage::ShareAction, EditorLibraryPage::RenameAction, EditorLibraryPage::RemoveAction})
        QTEST(page.action(action)->isEnabled(), "cloudActions");
    QVERIFY(page.list()->currentItem()->text().contains(EditorLibraryPage::stateText(item)));
}

QTEST_MAIN(TestEditorItemManagers)
#include "tst_editoritemmanagers.moc"
