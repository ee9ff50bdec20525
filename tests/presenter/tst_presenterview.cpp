// The presenter's cloud buttons, its notice, the transfer center it hosts and its own lifetime, on a
// real service and drive with real widgets.
#include "CloudTestEnvironment.h"
#include "KSBaseLog.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskStatusButtons.h"
#include "KSCloudDiskViewHost.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCustomEvent.h"
#include "KSSkin.h"
#include "KSWidgets.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

namespace {

struct TaskShape {
    int operation;
    int status;
    bool title;
};

KSCloudDiskTask *listedTask(KSCloudDiskViewPresenter *p, const QString &path, const TaskShape &shape)
{
    KSCloudDiskTask *task = nullptr;
    if (shape.title)
        task = new KSCloudDiskCustomTitleTask(p, path, QStringLiteral("T"), 0);
    else if (shape.operation == UploadOperation)
        task = new KSCloudDiskCloudMediaTask(p, path, "n", "/f", 0);
    else
        task = new KSCloudDiskCloudMediaTask(p, path, "file-1", 10);
    task->setListed(true);
    static_cast<IKSCDBaseTask *>(task)->setStatus(shape.status);
    (shape.operation == UploadOperation ? p->uploadTaskList() : p->downloadTaskList())->append(task);
    return task;
}

KSCloudDiskStatusButtons *statusButtons(KSCloudDiskViewPresenter *p)
{
    return p->findChild<KSCloudDiskStatusButtons *>(QString(), Qt::FindDirectChildrenOnly);
}

void tick(KSCloudDiskViewPresenter *p)
{
    QVERIFY(QMetaObject::invokeMethod(p, "slotTimerOut"));
}

void step(KSCloudDiskStatusButtons *buttons)
{
    QVERIFY(QMetaObject::invokeMethod(buttons, "slotAnimationStep"));
}

// The tab the transfer center shows once its modal loop runs; closes it.
int tabShownBy(KSCloudDiskViewPresenter *p, int mode)
{
    int tab = -1;
    QTimer::singleShot(0, [&tab] {
        QWidget *panel = KSCloudDiskViewHost::transferCenterPanel();
        if (QApplication::activeModalWidget() == KSCloudDiskViewHost::transferCenterDialog() && panel)
            tab = panel->findChild<QStackedWidget *>()->currentIndex();
        KSCloudDiskViewHost::transferCenterDialog()->close();
    });
    p->showCloudDiskView(nullptr, mode);
    return tab;
}

} // namespace

Q_DECLARE_METATYPE(QList<TaskShape>)

class TestPresenterView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void imageSetsFollowLists_data();
    void imageSetsFollowLists();
    void animationAndPause();
    void buttonRegistryAndScopeEvents();
    void bubbleToastAndClick();
    void transferCenterHosting();
    void categoryIdsAndTeardown();
    void statusButtonPictures();

private:
    KSCloudDiskViewPresenter *presenter() const { return getCloudDisk()->getPresenter(); }

    CloudTestEnvironment *m_env = nullptr;
};

void TestPresenterView::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    m_env->startService(false);
}

void TestPresenterView::cleanup()
{
    delete m_env;
    m_env = nullptr;
}

void TestPresenterView::imageSetsFollowLists_data()
{
    QTest::addColumn<QList<TaskShape>>("tasks");
    QTest::addColumn<QString>("set"); // empty: the busy animation
    const int up = UploadOperation, down = DownloadOperation;
    QTest::newRow("empty") << QList<TaskShape>{} << QStringLiteral("no_task");
    QTest::newRow("all paused") << QList<TaskShape>{{up, Paused, false}, {down, Paused, false}}
                                << QStringLiteral("pause all");
    QTest::newRow("all failed") << QList<TaskShape>{{up, Failed, false}, {down, Cancelled, false}}
                                << QStringLiteral("all failed");
    QTest::newRow("paused and failed") << QList<TaskShape>{{up, Paused, false}, {down, Failed, false}}
                                       << QStringLiteral("no_task");
    QTest::newRow("finished only") << QList<TaskShape>{{up, Finished, false}, {down, Finished, false}}
                                   << QStringLiteral("no_task");
    QTest::newRow("titles only") << QList<TaskShape>{{up, Running, true}, {down, Failed, true}}
                                 << QStringLiteral("no_task");
    QTest::newRow("title beside pause") << QList<TaskShape>{{up, Running, true}, {up, Paused, false}}
                                        << QStringLiteral("pause all");
    QTest::newRow("waiting download") << QList<TaskShape>{{down, Waiting, false}} << QStringLiteral("no_task");
    QTest::newRow("waiting upload") << QList<TaskShape>{{up, Waiting, false}} << QString();
    QTest::newRow("running download") << QList<TaskShape>{{down, Running, false}, {up, Failed, false}} << QString();
}

void TestPresenterView::imageSetsFollowLists()
{
    QFETCH(QList<TaskShape>, tasks);
    QFETCH(QString, set);
    KSCloudDiskViewPresenter *p = presenter();
    int n = 0;
    for (const TaskShape &shape : tasks) {
        KSCloudDiskTask *task = listedTask(p, m_env->path(QStringLiteral("t%1.mp4").arg(n++)), shape);
        QCOMPARE(task->fileType() == CustomTitleFile, shape.title);
    }
    KSToolButton button;
    p->addAssociatedButton(&button);
    KSCloudDiskStatusButtons *buttons = statusButtons(p);
    QVERIFY(buttons);
    tick(p);
    QCOMPARE(buttons->isAnimating(), set.isEmpty());
    if (set.isEmpty()) {
        QVERIFY(buttons->animationTimer()->isActive());
        step(buttons);
        QCOMPARE(button.imageButton(), KSCloudDiskStatusButtons::busyFrameSet(0));
    } else {
        const QStringList expected{":/Resource/icon24_" + set + "-disabled.png",
            ":/Resource/icon24_" + set + "-pressed.png", ":/Resource/icon24_" + set + "-hover.png",
            ":/Resource/icon24_" + set + "-normal.png"};
        QCOMPARE(button.imageButton(), expected);
        for (const QString &path : expected)
            QVERIFY2(QFile::exists(path), qPrintable(path));
        QVERIFY(!button.currentImage().isEmpty());
    }
}

void TestPresenterView::animationAndPause()
{
    KSCloudDiskViewPresenter *p = presenter();
    KSCloudDiskTask *upload = listedTask(p, m_env->path("a.mp4"), {UploadOperation, Running, false});
    KSToolButton button;
    p->addAssociatedButton(&button);
    KSCloudDiskStatusButtons *buttons = statusButtons(p);
    tick(p);
    QCOMPARE(buttons->statusTimer()->interval(), 1000);
    QCOMPARE(buttons->animationTimer()->interval(), 300);

    // Twelve frames, "01" to "012", then the first again.
    const int first = buttons->frame();
    QStringList seen;
    for (int i = 0; i < 13; ++i) {
        step(buttons);
        const QStringList images = button.imageButton();
        QCOMPARE(images.size(), 4);
        for (const QString &path : images)
            QVERIFY2(QFile::exists(path), qPrintable(path));
        seen << images.last();
    }
    QCOMPARE(seen.at((12 - first) % 12), QStringLiteral(":/Resource/icon24_delivery-normal01.png"));
    QCOMPARE(seen.at((12 - first + 9) % 12), QStringLiteral(":/Resource/icon24_delivery-normal010.png"));
    QCOMPARE(seen.at((12 - first + 11) % 12), QStringLiteral(":/Resource/icon24_delivery-normal012.png"));
    QCOMPARE(seen.at(12), seen.at(0));
    QCOMPARE(QSet<QString>(seen.begin(), seen.end()).size(), 12);
    QCOMPARE(button.imageButton().first(),
        QStringLiteral(":/Resource/icon24_delivery-disabled0%1.png")
            .arg(buttons->frame() == 0 ? 12 : buttons->frame()));

    // On the timers alone the frames keep moving while the upload runs.
    const QString before = button.imageButton().last();
    QTRY_VERIFY_WITH_TIMEOUT(button.imageButton().last() != before, 1000);

    p->slotPauseUploadTask(upload);
    QTRY_COMPARE_WITH_TIMEOUT(button.imageButton(), KSCloudDiskStatusButtons::imageSet("pause all"), 1100);
    QTRY_VERIFY_WITH_TIMEOUT(!buttons->animationTimer()->isActive(), 1000);
    QTest::qWait(400);
    QCOMPARE(button.imageButton(), KSCloudDiskStatusButtons::imageSet("pause all"));

    // Started again, the animation comes back.
    p->slotStartUploadTask(upload);
    QVERIFY(upload->status() != Paused);
    QTRY_VERIFY_WITH_TIMEOUT(button.imageButton().last().contains("icon24_delivery-normal0"), 1500);
}

void TestPresenterView::buttonRegistryAndScopeEvents()
{
    KSCloudDiskViewPresenter *p = presenter();
    KSCloudDiskStatusButtons *buttons = statusButtons(p);
    QStringList scopes;
    QObject receiver;
    for (const QString &name : QStringList{"NotifyBeginPileInsetionEvent", "NotifyEndPileInsetionEvent"}) {
        new KSCustomEventListener(KSCustomEventManager::instance(), &receiver, name,
            [&scopes](const KSCustomEventPtr &e) { scopes << e->name() + ':' + e->payload().toString(); });
    }
    tick(p);
    QVERIFY(scopes.isEmpty());

    auto *first = new KSToolButton;
    KSToolButton second;
    p->addAssociatedButton(first);
    p->addAssociatedButton(first);
    p->addAssociatedButton(&second);
    QCOMPARE(buttons->buttons(), (QList<KSToolButton *>{first, &second}));
    tick(p);
    QCOMPARE(scopes,
        (QStringList{"NotifyBeginPileInsetionEvent:KSCloudDiskViewPresenter::updateAssociatedButton",
            "NotifyEndPileInsetionEvent:KSCloudDiskViewPresenter::updateAssociatedButton"}));
    QCOMPARE(first->imageButton(), KSCloudDiskStatusButtons::imageSet("no_task"));

    // A button the editor deleted without removing it is skipped.
    delete first;
    listedTask(p, m_env->path("p.mp4"), {UploadOperation, Paused, false});
    tick(p);
    QCOMPARE(buttons->buttons(), QList<KSToolButton *>{&second});
    QCOMPARE(second.imageButton(), KSCloudDiskStatusButtons::imageSet("pause all"));

    p->removeAssociatedButton(&second);
    QVERIFY(buttons->buttons().isEmpty());
}

void TestPresenterView::bubbleToastAndClick()
{
    KSCloudDiskViewPresenter *p = presenter();
    QWidget anchor;
    anchor.show();
    KSLogCapture log;
    p->showBubble(3, true, &anchor);
    QVERIFY(!KSToast::visibleToasts().isEmpty());
    KSToast *toast = KSToast::visibleToasts().last();
    QCOMPARE(toast->text(), QStringLiteral("3 item(s) has been added to the Transfer Center."));
    QCOMPARE(toast->linkText(), QStringLiteral("Click to view"));

    QLabel *link = nullptr;
    for (QLabel *label : toast->findChildren<QLabel *>()) {
        if (label->text().contains("Click to view"))
            link = label;
    }
    QVERIFY(link);
    int tab = -1;
    QTimer::singleShot(0, [&tab] {
        tab = KSCloudDiskViewHost::transferCenterPanel()->findChild<QStackedWidget *>()->currentIndex();
        KSCloudDiskViewHost::transferCenterDialog()->close();
    });
    emit link->linkActivated(QStringLiteral("href"));
    QCOMPARE(tab, 1);
    QVERIFY(log.messages().contains("start show transfer center"));

    // The notice may outlive the presenter: its link then does nothing.
    p->showBubble(1, false, nullptr);
    toast = KSToast::visibleToasts().last();
    QCOMPARE(toast->text(), QStringLiteral("1 item(s) has been added to the Transfer Center."));
    link = nullptr;
    for (QLabel *label : toast->findChildren<QLabel *>()) {
        if (label->text().contains("Click to view"))
            link = label;
    }
    QVERIFY(link);
    const QPointer<QLabel> guard(link);
    releaseService();
    log.clear();
    if (guard)
        emit guard->linkActivated(QStringLiteral("href"));
    QVERIFY(!log.messages().contains("start show transfer center"));
    QVERIFY(!log.messages().contains("transfer center unavailable"));
}

void TestPresenterView::transferCenterHosting()
{
    KSCloudDiskViewPresenter *p = presenter();
    KSCloudDiskViewHost *host = p->findChild<KSCloudDiskViewHost *>();
    QVERIFY(host);
    QVERIFY(!p->isCloudDiskViewVisible());
    QVERIFY(!p->takeCloudDiskView());

    auto *owner = new QWidget;
    p->setDlgParent(owner);
    QCOMPARE(host->dlgParent(), owner);
    // Opened before any panel exists, the window gets one; the show modes choose the tab.
    QCOMPARE(tabShownBy(p, 3), 3);
    QCOMPARE(tabShownBy(p, 5), 3);
    QCOMPARE(tabShownBy(p, 0), 0);
    QCOMPARE(tabShownBy(p, 1), 1);
    QCOMPARE(tabShownBy(p, 4), 1);
    const QPointer<QWidget> panel = KSCloudDiskViewHost::transferCenterPanel();
    const QPointer<KSFramelessDialog> dialog = KSCloudDiskViewHost::transferCenterDialog();
    QCOMPARE(dialog->parentWidget(), owner);
    QCOMPARE(dialog->contentWidget(), panel.data());

    p->setDlgParent(owner);
    QCOMPARE(KSCloudDiskViewHost::transferCenterDialog(), dialog.data());

    QWidget other;
    p->setDlgParent(&other);
    QVERIFY(!dialog);
    QVERIFY(panel);
    QCOMPARE(KSCloudDiskViewHost::transferCenterDialog()->parentWidget(), &other);
    QCOMPARE(KSCloudDiskViewHost::transferCenterDialog()->contentWidget(), panel.data());

    p->unsetDlgParent(owner);
    QVERIFY(KSCloudDiskViewHost::transferCenterDialog());
    p->unsetDlgParent(&other);
    QVERIFY(!KSCloudDiskViewHost::transferCenterDialog());
    QVERIFY(panel);
    QVERIFY(!panel->parentWidget());
    QCOMPARE(host->dlgParent(), &other);

    delete owner;
    QCOMPARE(tabShownBy(p, 5), 1);
    releaseService();
    QVERIFY(!panel);
    QVERIFY(!KSCloudDiskViewHost::transferCenterDialog());
}

void TestPresenterView::categoryIdsAndTeardown()
{
    KSCloudDiskViewPresenter *p = presenter();
    QCOMPARE(p->parent(), dynamic_cast<QObject *>(getCloudDisk()));
    QCOMPARE(p->service(), getCloudDisk());

    QVERIFY(!p->isCategoryIdLoaded(42));
    KSCustomEventManager::instance()->dispatch(
        KSCustomEventPtr::create(QStringLiteral("NotifySearchCustomFinished"), QVariant(qint64(42))));
    QVERIFY(p->isCategoryIdLoaded(42));
    QVERIFY(!p->isCategoryIdLoaded(7));
    p->removeLoadedCategoryId(42);
    QVERIFY(!p->isCategoryIdLoaded(42));

    p->setDlgParent(nullptr);
    QVERIFY(KSCloudDiskViewHost::transferCenterDialog());
    KSLogCapture log;
    releaseService();
    QStringList expected{"KSCloudDiskViewPresenter m_taskSerializeHelper",
        "KSCloudDiskViewPresenter m_urlDownloadManager", "KSCloudDiskViewPresenter destructed"};
    expected = QStringList{"KSCloudDiskViewPresenter delete dlg1", "KSCloudDiskViewPresenter delete dlg2"} + expected;
    QStringList seen;
    for (const QString &message : log.messages()) {
        if (message.startsWith("KSCloudDiskViewPresenter") || message == "done about to quit"
            || message == "done delete presenter")
            seen << message;
    }
    QCOMPARE(seen, QStringList{"done about to quit"} + expected + QStringList{"done delete presenter"});
    QVERIFY(!KSCloudDiskViewHost::transferCenterDialog());
}

void TestPresenterView::statusButtonPictures()
{
    const QString folder = QCoreApplication::applicationDirPath() + "/statusbuttons";
    QVERIFY(QDir().mkpath(folder));
    const QList<QPair<QString, QStringList>> sets{{"no_task", KSCloudDiskStatusButtons::imageSet("no_task")},
        {"pause_all", KSCloudDiskStatusButtons::imageSet("pause all")},
        {"all_failed", KSCloudDiskStatusButtons::imageSet("all failed")},
        {"busy1", KSCloudDiskStatusButtons::busyFrameSet(0)}, {"busy7", KSCloudDiskStatusButtons::busyFrameSet(6)}};
    for (KSSkinManager::Skin skin : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
        KSSkinManager::instance()->setSkin(skin);
        QWidget bar;
        bar.setObjectName("TitleBar");
        bar.setAttribute(Qt::WA_StyledBackground);
        bar.setStyleSheet(
            QStringLiteral("#TitleBar{background:%1}").arg(KSSkinManager::instance()->getColor(1).name()));
        bar.setFixedSize(5 * 40, 40);
        QList<QImage> pictures;
        for (int i = 0; i < sets.size(); ++i) {
            auto *button = new KSToolButton(&bar);
            button->setGeometry(8 + i * 40, 8, 24, 24);
            button->setImageButton(sets.at(i).second);
            const QImage picture = button->grab().toImage();
            QVERIFY(picture.save(
                QStringLiteral("%1/%2-%3.png").arg(folder, KSSkinManager::instance()->skinName(), sets.at(i).first)));
            // Something is drawn, and no two states look alike.
            QSet<QRgb> colours;
            for (int y = 0; y < picture.height(); ++y) {
                for (int x = 0; x < picture.width(); ++x)
                    colours.insert(picture.pixel(x, y));
            }
            QVERIFY(colours.size() > 2);
            for (const QImage &earlier : qAsConst(pictures))
                QVERIFY(earlier != picture);
            pictures << picture;
        }
        QVERIFY(bar.grab().save(QStringLiteral("%1/%2-bar.png").arg(folder, KSSkinManager::instance()->skinName())));
    }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestPresenterView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_presenterview.moc"
