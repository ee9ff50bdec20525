// The item manager proxy with the real service, presenter, worker and local drive: libraries that
// start their transfers through the presenter as the editor's do, and record what they are asked.
#include "CloudTestEnvironment.h"
#include "IKSTQIDAccount.h"
#include "KSBaseLog.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCustomEvent.h"
#include "KSWidgets.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <functional>

namespace {

constexpr auto kTitleType = CloudDiskItemType(3);
constexpr auto kClipType = CloudDiskItemType(10);

void writeFile(const QString &path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.write(QByteArray(int(size), 'x')) == size);
}

class TestItem final : public IKSCloudDiskItem, public IKSVBLObject
{
public:
    explicit TestItem(CloudDiskItemType type, const QString &folder = QString())
        : type(type)
        , folder(folder)
    { }
    QString cloudFileId() const override { return fileId; }
    void setCloudFileId(const QString &id) override { fileId = id; }
    void setThumbnailId(const QString &id) override { thumbId = id; }
    CloudDiskItemType itemType() const override { return type; }
    KSCloudItemRecord *cloudRecord() override { return &record; }
    void addRef() override { ++refs; }
    void release() override { --refs; }
    int state() const { return record.cloudState; }

    CloudDiskItemType type;
    QString folder, fileId, thumbId;
    KSCloudItemRecord record;
    int refs = 0;
};

class TestManager final : public IKSCloudDiskItemManager
{
public:
    struct Call {
        QString what;
        IKSCloudDiskItem *item;
        int state; // the item's cloud state when asked
    };

    QString upload(IKSCloudDiskItem *item) override
    {
        note("upload", item);
        return startUpload ? startUpload(static_cast<TestItem *>(item)) : QString();
    }
    bool share(IKSCloudDiskItem *item) override { return note("share", item), true; }
    QString download(IKSCloudDiskItem *item) override
    {
        note("download", item);
        return startDownload ? startDownload(static_cast<TestItem *>(item)) : QString();
    }
    void downloadThumbnail(IKSCloudDiskItem *, const QString &) override { }
    bool deleteItem(IKSCloudDiskItem *) override { return false; }
    bool rename(IKSCloudDiskItem *, const QString &) override { return false; }
    bool preview(IKSCloudDiskItem *item) override { return note("preview", item), true; }
    void loadFromCloud() override { note("loadFromCloud", nullptr); }
    bool onUploadFinished(IKSCloudDiskItem *item) override { return note("onUploadFinished", item), true; }
    void onDownloadFinished(IKSCloudDiskItem *item, CloudDiskItemDownloadType) override
    {
        note("onDownloadFinished", item);
    }
    void onRemoveFinished(const QString &) override { }
    void autoSync(CloudDiskItemType type) override
    {
        note("autoSync", nullptr);
        if (sync)
            sync(type);
    }
    void updateView() override { }
    IKSCloudDiskItem *getCloudDiskItemByPath(const QString &) override { return nullptr; }
    bool afterCreateFolder(IKSCloudDiskItem *item) override
    {
        note("afterCreateFolder", item);
        return item != refusedFolder;
    }

    QList<int> statesOf(const QString &what, IKSCloudDiskItem *item = nullptr) const
    {
        QList<int> states;
        for (const Call &call : calls) {
            if (call.what == what && call.item == item)
                states << call.state;
        }
        return states;
    }

    std::function<QString(TestItem *)> startUpload, startDownload;
    std::function<void(CloudDiskItemType)> sync;
    IKSCloudDiskItem *refusedFolder = nullptr;
    QList<Call> calls;

private:
    void note(const char *what, IKSCloudDiskItem *item)
    {
        calls.append({QString::fromLatin1(what), item, item ? item->cloudRecord()->cloudState : 0});
    }
};

class TestObserver final : public IKSCloudDiskTaskObserver
{
public:
    void onTaskFinished() override { ++finished; }
    void onTaskFailed() override { ++failed; }
    void onProgressChanged(qint64 total, qint64) override { totals << total; }
    int finished = 0, failed = 0;
    QList<qint64> totals;
};

// Declared after the items and libraries of a test, it ends the proxy before they go: the proxy
// releases its references on the items as it ends.
struct ProxyGoesFirst {
    ~ProxyGoesFirst() { KSCloudDiskItemManagerProxy::release(); }
};

} // namespace

class TestItemProxy : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void routingAndRegistry();
    void transfersUpdateItemsAndObservers();
    void uploadWaitsForSignIn();
    void autoSyncWaitsForServiceAndStaysQuiet();

private:
    KSCloudDiskViewPresenter *presenter() const { return getCloudDisk()->getPresenter(); }
    std::function<QString(TestItem *)> titleUpload() const
    {
        KSCloudDiskViewPresenter *p = presenter();
        return [p](TestItem *item) {
            return p->uploadCustomTitle(QFileInfo(item->folder).fileName(), item->folder, KeepBoth);
        };
    }

    CloudTestEnvironment *m_env = nullptr;
    QStringList m_toasts;
};

void TestItemProxy::initTestCase()
{
    KSToastEvents::install([this](const QString &text) { m_toasts << text; });
}

void TestItemProxy::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    m_toasts.clear();
}

void TestItemProxy::cleanup()
{
    delete m_env;
    m_env = nullptr;
}

void TestItemProxy::routingAndRegistry()
{
    QVERIFY(m_env->logIn(m_env->startService(false)));
    TestItem color(ColorPresetItem), mask(MaskPresetItem), speed(SpeedPresetItem), local(ColorPresetItem);
    color.record.cloudState = CloudItemInCloud;
    mask.record.cloudState = CloudItemInCloud;
    TestManager colors, masks, intruder;
    colors.startDownload = [](TestItem *) { return QStringLiteral("task-c"); };
    colors.startUpload = [](TestItem *) { return QStringLiteral("task-u"); };
    masks.startDownload = [](TestItem *) { return QStringLiteral("task-m"); };
    const ProxyGoesFirst proxyGoesFirst;
    KSCloudDiskItemManagerProxy *proxy = KSCloudDiskItemManagerProxy::instance();
    KSLogCapture log;
    proxy->registerManager(ColorPresetItem, &colors);
    proxy->registerManager(MaskPresetItem, &masks);
    proxy->registerManager(ColorPresetItem, &intruder);
    QCOMPARE(log.messages().count("cloud disk item manager already exist. type=5"), 1);

    // Each item reaches its own library, the first one registered for its type.
    QCOMPARE(proxy->download(&color), QString("task-c"));
    QCOMPARE(proxy->download(&mask), QString("task-m"));
    QCOMPARE(colors.statesOf("download", &color), QList<int>{CloudItemInCloud});
    QVERIFY(colors.statesOf("download", &mask).isEmpty());
    QVERIFY(intruder.calls.isEmpty());
    QCOMPARE(color.state(), int(CloudItemDownloading));
    QCOMPARE(proxy->getCloudDiskItem("task-c").value_or(nullptr), &color);
    QCOMPARE(color.refs, 1);
    QVERIFY(proxy->download(&color).isEmpty()); // already downloading
    QCOMPARE(colors.statesOf("download", &color).size(), 1);

    // Only local or failed items are uploaded.
    QVERIFY(proxy->upload(&mask).isEmpty());
    QCOMPARE(proxy->upload(&local), QString("task-u"));
    QCOMPARE(local.state(), int(CloudItemUploading));

    // A type without a library: logged, nothing happens.
    QVERIFY(proxy->download(&speed).isEmpty());
    QVERIFY(!proxy->preview(&speed));
    QCOMPARE(log.messages().count("cloud disk item manager not exist. type=6"), 2);

    // A replaced entry gives its reference back; leaving libraries take their items along.
    proxy->addCloudDiskItem("task-c", &mask);
    QCOMPARE(color.refs, 0);
    QCOMPARE(mask.refs, 2);
    proxy->unRegisterManager(MaskPresetItem);
    QCOMPARE(mask.refs, 0);
    QVERIFY(!proxy->getCloudDiskItem("task-c") && !proxy->getCloudDiskItem("task-m"));
    QVERIFY(proxy->getCloudDiskItem("task-u"));
    QCOMPARE(log.messages().count("remove item: task-m"), 1);

    // Sharing needs a signed-in account; signing out forgets every item.
    QVERIFY(proxy->share(&color));
    getTQIDAccount()->signOut();
    QVERIFY(!proxy->share(&color));
    QCOMPARE(colors.statesOf("share", &color).size(), 1);
    QCOMPARE(local.refs, 0);
    QCOMPARE(proxy->getCloudState(), CloudLoadNoAccount);
}

void TestItemProxy::transfersUpdateItemsAndObservers()
{
    QVERIFY(m_env->logIn(m_env->startService()));
    KSCloudDiskViewPresenter *p = presenter();
    TestItem a(kTitleType, m_env->path("A")), b(kTitleType, m_env->path("B")), c(kTitleType, m_env->path("C"));
    TestItem clip(kClipType, m_env->path("Clip"));
    for (const auto &[folder, size] : {qMakePair(a.folder, 300000), {b.folder, 1000}, {c.folder, 120000},
             {clip.folder, 1000}, {m_env->path("Foreign"), 1000}})
        writeFile(folder + "/item.json", size);
    TestManager titles, clips;
    titles.startUpload = titleUpload();
    titles.startDownload = [p, this](TestItem *item) {
        return p->downloadCustomTitle(item->fileId, "A", m_env->path("downloads"), 300000);
    };
    titles.refusedFolder = &b;
    clips.startUpload = [p](TestItem *item) { return p->uploadCustomCompoundClip("Clip", item->folder, KeepBoth); };
    TestObserver seesA, seesB, seesC, seesDownload;
    const ProxyGoesFirst proxyGoesFirst;
    KSCloudDiskItemManagerProxy *proxy = KSCloudDiskItemManagerProxy::instance();
    proxy->registerManager(kTitleType, &titles);
    proxy->registerManager(kClipType, &clips);

    // An upload the editor asked the presenter for itself stays the editor's to answer.
    QList<int> foreignStatus;
    connect(p, &KSCloudDiskViewPresenter::sigFolderCreated, this, [p, &foreignStatus](const QString &taskId) {
        KSCloudDiskTask *task = p->findTask(taskId);
        if (task->name() != "Foreign")
            return;
        foreignStatus << task->status();
        task->setStatus(RootFolderSynced, true);
        p->doTaskStateChanged(task);
    });
    KSCloudDiskTask *foreign = p->findTask(p->uploadCustomTitle("Foreign", m_env->path("Foreign"), KeepBoth));

    const QString idA = proxy->upload(&a), idB = proxy->upload(&b), idC = proxy->upload(&c);
    QCOMPARE(a.state(), int(CloudItemUploading));
    proxy->registerObserver(idA, &seesA);
    proxy->registerObserver(idB, &seesB);
    proxy->registerObserver(idC, &seesC);
    QTRY_VERIFY_WITH_TIMEOUT(a.state() == CloudItemInCloud && c.state() == CloudItemInCloud
            && b.state() == CloudItemUploadFailed && foreign->status() == Finished,
        30000);
    QCOMPARE(foreignStatus, QList<int>{FolderCreated});

    // The finished item is known by its cloud folder now, and its library heard of it twice.
    KSCloudDiskTask *taskA = p->findTask(idA);
    QCOMPARE(a.fileId, taskA->fileId());
    QCOMPARE(proxy->getCloudDiskItem(a.fileId).value_or(nullptr), &a);
    QVERIFY(!proxy->getCloudDiskItem(idA));
    QCOMPARE(a.refs, 1);
    QCOMPARE(titles.statesOf("afterCreateFolder", &a), QList<int>{CloudItemUploading});
    QCOMPARE(titles.statesOf("onUploadFinished", &a), (QList<int>{CloudItemUploading, CloudItemInCloud}));
    // The refused folder failed the upload, and the proxy let go of the item.
    QCOMPARE(p->findTask(idB)->status(), int(Failed));
    QVERIFY(titles.statesOf("onUploadFinished", &b).isEmpty());
    QCOMPARE(b.refs, 0);

    // Each observer heard of its own task only.
    QCOMPARE((QList<int>{seesA.finished, seesA.failed, seesB.finished, seesB.failed, seesC.finished}),
        (QList<int>{1, 0, 0, 1, 1}));
    QVERIFY(seesB.totals.isEmpty());
    QVERIFY(!seesA.totals.isEmpty() && !seesC.totals.isEmpty());
    QCOMPARE(QSet<qint64>(seesA.totals.begin(), seesA.totals.end()), QSet<qint64>{taskA->totalSize()});
    QCOMPARE(QSet<qint64>(seesC.totals.begin(), seesC.totals.end()), QSet<qint64>{p->findTask(idC)->totalSize()});
    QVERIFY(taskA->totalSize() != p->findTask(idC)->totalSize());

    const QString downloadId = proxy->download(&a);
    QCOMPARE(a.state(), int(CloudItemDownloading));
    proxy->registerObserver(downloadId, &seesDownload);
    QTRY_COMPARE_WITH_TIMEOUT(seesDownload.finished, 1, 30000);
    QCOMPARE(a.state(), int(CloudItemInCloud));
    QCOMPARE(titles.statesOf("onDownloadFinished", &a), QList<int>{CloudItemDownloading});
    QCOMPARE(a.record.localFilePath, p->findTask(downloadId)->filePath());

    // A cancelled upload leaves the item local, not failed.
    const QString clipId = proxy->upload(&clip);
    p->slotRemoveUploadTask(p->findTask(clipId));
    QCOMPARE(clip.state(), int(CloudItemLocal));
    QCOMPARE(clip.refs, 0);
}

void TestItemProxy::uploadWaitsForSignIn()
{
    IKSCloudDisk *service = m_env->startService();
    TestItem item(kTitleType, m_env->path("Late"));
    writeFile(item.folder + "/title.json", 1000);
    TestManager titles;
    titles.startUpload = titleUpload();
    QObject editor;
    QVariantList loginRequests;
    new KSCustomEventListener(KSCustomEventManager::instance(), &editor, "NotifyLogin",
        [&loginRequests](const KSCustomEventPtr &event) { loginRequests << event->payload(); });
    const ProxyGoesFirst proxyGoesFirst;
    KSCloudDiskItemManagerProxy *proxy = KSCloudDiskItemManagerProxy::instance();
    proxy->registerManager(kTitleType, &titles);

    getTQIDAccount()->signOut();
    QVERIFY(proxy->upload(&item).isEmpty());
    QCOMPARE(loginRequests, QVariantList{20});
    QVERIFY(titles.statesOf("upload", &item).isEmpty());

    // The editor signs in; once its library has read its items, the upload starts, once.
    QVERIFY(getTQIDAccount()->signIn("editor@example.com", KLoginSource(1)));
    QCOMPARE(titles.statesOf("loadFromCloud").size(), 1);
    QCOMPARE(proxy->getCloudState(), CloudLoadSignedIn);
    QVERIFY(m_env->logIn(service));
    QTRY_COMPARE(proxy->getCloudState(), CloudLoadReady);
    proxy->updateCloudDiskInfo({&item});
    proxy->updateCloudDiskInfo({&item});
    QCOMPARE(titles.statesOf("upload", &item), QList<int>{CloudItemLocal});
    QCOMPARE(item.state(), int(CloudItemUploading));
    QCOMPARE(item.refs, 1);

    // The timer asks the editor for a new token; the renewed one reaches the drive, not the log.
    QSignalSpy refresh(presenter(), &KSCloudDiskViewPresenter::sigRefreshToken);
    auto *timer = proxy->findChild<QTimer *>("KSCloudDiskItemManagerProxy_Timer");
    QCOMPARE(timer->interval(), 55 * 60 * 1000);
    timer->start(1);
    QTRY_VERIFY(!refresh.isEmpty());
    KSLogCapture log;
    TQDriveAdmin::clearCalls();
    QVERIFY(getTQIDAccount()->renewToken());
    const QVector<TQDriveAdmin::CallRecord> calls = TQDriveAdmin::calls();
    QVERIFY(
        std::any_of(calls.begin(), calls.end(), [](const auto &call) { return call.function == "Drive_UpdateToken"; }));
    QCOMPARE(log.messages().count("refresh cloud disk sdk token, token is ***"), 1);
    QVERIFY(!log.messages().join('\n').contains(getTQIDAccount()->accessToken()));
}

void TestItemProxy::autoSyncWaitsForServiceAndStaysQuiet()
{
    IKSCloudDisk *service = m_env->startService();
    KSCloudDiskViewPresenter *p = presenter();
    TestManager titles;
    QStringList syncTasks;
    QList<bool> markedDuringSync;
    titles.sync = [&](CloudDiskItemType) {
        markedDuringSync << KSCloudDiskItemManagerProxy::inAutoSync();
        syncTasks << p->uploadCustomTitle("Synced", m_env->path("gone"), KeepBoth);
    };
    OperationRecorder operations;
    const ProxyGoesFirst proxyGoesFirst;
    KSCloudDiskItemManagerProxy *proxy = KSCloudDiskItemManagerProxy::instance();
    proxy->registerManager(kTitleType, &titles);
    service->attach(&operations);

    proxy->autoSync(kTitleType);
    QVERIFY(syncTasks.isEmpty());
    QVERIFY(m_env->logIn(service));
    QTRY_COMPARE(syncTasks.size(), 1);
    QCOMPARE(markedDuringSync, QList<bool>{true});
    QVERIFY(!KSCloudDiskItemManagerProxy::inAutoSync());

    // The sync's task fails without a word; the same failure outside a sync tells the user.
    KSCloudDiskTask *synced = p->findTask(syncTasks.first());
    QVERIFY(synced->autoSync());
    QTRY_COMPARE_WITH_TIMEOUT(synced->status(), int(Failed), 15000);
    QVERIFY(m_toasts.isEmpty());
    KSCloudDiskTask *plain = p->findTask(p->uploadCustomTitle("Plain", m_env->path("gone"), KeepBoth));
    QVERIFY(!plain->autoSync());
    QTRY_COMPARE_WITH_TIMEOUT(m_toasts.size(), 1, 15000);

    // Run once: the next login finds nothing waiting.
    QVERIFY(m_env->logIn(service));
    QTRY_COMPARE(operations.operations().count(Login), 2);
    QCoreApplication::processEvents();
    QCOMPARE(syncTasks.size(), 1);
    service->detach(&operations);
}

QTEST_MAIN(TestItemProxy)
#include "tst_itemproxy.moc"
