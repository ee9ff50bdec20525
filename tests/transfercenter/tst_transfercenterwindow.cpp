// The transfer center window against a real presenter: tabs and their counts, the batch commands of
// the toolbars, the remembered tab, and pictures of every tab in both skins.
#include "CloudTestEnvironment.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSSkin.h"
#include "KSSyncSettingWidget.h"
#include "KSTrackEvent.h"
#include "KSTransferCenterDlg.h"
#include "KSTransferCenterPanel.h"
#include "KSTransferCenterTabWidget.h"
#include "KSTransferCenterToolbar.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

class TestTransferCenterWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void lastTabIsRememberedAcrossWindows();
    void tabCountsFollowLists();
    void toolbarStatesPerPage();
    void batchCommandsReachPresenter();
    void screenshots();

private:
    KSCloudDiskViewPresenter *presenter() const { return getCloudDisk()->getPresenter(); }
    QStringList uploads(int count);
    KSCloudDiskTask *listedTask(QList<KSCloudDiskTask *> *list, const QString &name, int status);
    // Answers the next confirmation box with its button `index` once it runs modally.
    void answerConfirmation(int index);
    int clicks(const KSAnalyticsCapture &capture, const QString &tab, const QString &button) const;

    CloudTestEnvironment *m_env = nullptr;
};

void TestTransferCenterWindow::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    presenter()->setEmail(QStringLiteral("user@example.com"));
}

void TestTransferCenterWindow::cleanup()
{
    releaseService();
    delete m_env;
    m_env = nullptr;
}

QStringList TestTransferCenterWindow::uploads(int count)
{
    // A path already uploading is not added twice, so every call names new clips.
    static int made = 0;
    QList<KSCloudTaskParam> params;
    for (int i = 0; i < count; ++i) {
        KSCloudTaskParam param;
        param.filePath = m_env->path(QStringLiteral("clip%1.mp4").arg(made++));
        param.folderPath = QStringLiteral("/f");
        params << param;
    }
    return presenter()->uploadCloudMedia(params);
}

KSCloudDiskTask *TestTransferCenterWindow::listedTask(QList<KSCloudDiskTask *> *list, const QString &name, int status)
{
    auto *task = new KSCloudDiskCloudMediaTask(presenter(), m_env->path(name), "n", "/f", 0);
    task->setListed(true);
    static_cast<IKSCDBaseTask *>(task)->setStatus(status);
    list->append(task);
    return task;
}

void TestTransferCenterWindow::answerConfirmation(int index)
{
    auto *timer = new QTimer(this);
    timer->setInterval(20);
    connect(timer, &QTimer::timeout, this, [timer, index] {
        auto *box = qobject_cast<KSMessageDialog *>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->stop();
        timer->deleteLater();
        QCOMPARE(box->text(), QStringLiteral("Are you sure to clear all tasks?"));
        box->button(index)->click();
    });
    timer->start();
}

int TestTransferCenterWindow::clicks(const KSAnalyticsCapture &capture, const QString &tab, const QString &button) const
{
    int count = 0;
    for (const KSTrackRecord &record : capture.records()) {
        if (record.name != "transfer_center_click")
            continue;
        QString recordTab;
        QString recordButton;
        for (const auto &property : record.properties) {
            if (property.first == "transfer_center_tab")
                recordTab = property.second.toString();
            else if (property.first == "transfer_center_btn")
                recordButton = property.second.toString();
        }
        count += recordTab == tab && recordButton == button;
    }
    return count;
}

void TestTransferCenterWindow::lastTabIsRememberedAcrossWindows()
{
    // The first window of the process opens on the uploads.
    QCOMPARE(KSTransferCenterPanel::lastTabIndex(), 0);
    auto *dlg = new KSTransferCenterDlg;
    auto *panel = new KSTransferCenterPanel(presenter());
    dlg->setContentWidget(panel);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg));
    QCOMPARE(panel->pageStack()->currentIndex(), 0);

    KSTransferCenterTabBar *bar = panel->tabWidget()->tabBar();
    qRegisterMetaType<KSTransferCenterTabIndex>("KSTransferCenterTabIndex");
    QSignalSpy changed(bar, &KSTransferCenterTabBar::sigCurrentTabChanged);
    QTest::mouseClick(bar->item(KSTransferCenterTabDone), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(panel->pageStack()->currentIndex(), 2);
    QCOMPARE(bar->item(KSTransferCenterTabDone)->property("selected").toString(), QStringLiteral("true"));
    QCOMPARE(bar->item(KSTransferCenterTabUpload)->property("selected").toString(), QStringLiteral("false"));
    // The same tab again, or one past the sync settings, changes nothing.
    QTest::mouseClick(bar->item(KSTransferCenterTabDone), Qt::LeftButton);
    panel->showTab(4);
    panel->slotCurrentTabChanged(KSTransferCenterTabIndex(7));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(panel->pageStack()->currentIndex(), 2);
    dlg->close();
    delete dlg;

    // Another window, even for another presenter, opens where the last one was left.
    releaseService();
    presenter()->setEmail(QStringLiteral("user@example.com"));
    KSTransferCenterDlg second;
    auto *again = new KSTransferCenterPanel(presenter());
    second.setContentWidget(again);
    QCOMPARE(again->pageStack()->currentIndex(), 2);
    QCOMPARE(again->tabWidget()->currentTab(), 2);
    QVERIFY(again->tabWidget()->tabBar()->item(KSTransferCenterTabDone)->isSelected());
    again->showTab(KSTransferCenterTabSyncSettings);
    QCOMPARE(again->pageStack()->currentWidget(), again->syncSettingPage());
    QCOMPARE(KSTransferCenterPanel::lastTabIndex(), 3);
    again->showTab(KSTransferCenterTabUpload);
    QCOMPARE(KSTransferCenterPanel::lastTabIndex(), 0);
}

void TestTransferCenterWindow::tabCountsFollowLists()
{
    uploads(2);
    KSTransferCenterPanel panel(presenter());
    panel.resize(800, 420);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    KSTransferCenterTabBar *bar = panel.tabWidget()->tabBar();
    QLabel *uploadText = bar->item(KSTransferCenterTabUpload)->textLabel();
    QLabel *downloadText = bar->item(KSTransferCenterTabDownload)->textLabel();
    // The English tab texts fit the column whole.
    auto shows = [](QLabel *label, int count) { return label->text().endsWith(QStringLiteral(" (%1)").arg(count)); };
    QCOMPARE(uploadText->text(), QStringLiteral("Uploads (2)"));
    QVERIFY(uploadText->toolTip().isEmpty());
    QVERIFY(shows(downloadText, 0));

    uploads(3);
    KSCloudTaskParam download;
    download.filePath = m_env->path(QStringLiteral("down.mp4"));
    download.fileId = QStringLiteral("file-1");
    download.fileSize = 10;
    presenter()->downloadCloudMedia({download});
    QVERIFY(shows(uploadText, 5));
    QVERIFY(shows(downloadText, 1));

    presenter()->slotRemoveAllUploadTask();
    QVERIFY(shows(uploadText, 0));
    QVERIFY(shows(downloadText, 1));

    // The done and sync tabs never carry a count.
    panel.tabWidget()->setTabCount(KSTransferCenterTabDone, 5);
    panel.tabWidget()->setTabCount(KSTransferCenterTabSyncSettings, 5);
    QVERIFY(!bar->item(KSTransferCenterTabDone)->textLabel()->text().contains(QLatin1Char('(')));
    QCOMPARE(bar->item(KSTransferCenterTabSyncSettings)->textLabel()->text(), QStringLiteral("Sync settings"));

    // A long text gives way to the count, which stays whole; the tooltip keeps the full text.
    const QString longText = QStringLiteral("Uploading every project and every clip of the week");
    KSTransferCenterTabItem *item = bar->item(KSTransferCenterTabUpload);
    item->setText(longText);
    panel.tabWidget()->setTabCount(KSTransferCenterTabUpload, 12);
    QVERIFY(uploadText->text().endsWith(QStringLiteral("\u2026 (12)")));
    QVERIFY(uploadText->fontMetrics().horizontalAdvance(uploadText->text()) <= uploadText->width());
    QCOMPARE(uploadText->toolTip(), longText);
    item->setText(QStringLiteral("Up"));
    QCOMPARE(uploadText->text(), QStringLiteral("Up (12)"));
    QVERIFY(uploadText->toolTip().isEmpty());
}

void TestTransferCenterWindow::toolbarStatesPerPage()
{
    KSTransferCenterPanel panel(presenter());
    KSTransferCenterToolbar *upload = panel.toolbar(KSTransferCenterTabUpload);
    KSTransferCenterToolbar *done = panel.toolbar(KSTransferCenterTabDone);
    QCOMPARE(upload->clearAllButton()->text(), QStringLiteral("Cancel All"));
    QCOMPARE(done->clearAllButton()->text(), QStringLiteral("Clear All"));
    QVERIFY(upload->filterComboBox()->isHidden());
    QVERIFY(!upload->startAllButton()->isHidden());
    QVERIFY(!done->filterComboBox()->isHidden());
    QVERIFY(done->startAllButton()->isHidden() && done->stopAllButton()->isHidden());

    // Empty lists: nothing to act on.
    for (int type = 0; type < 3; ++type) {
        KSTransferCenterToolbar *bar = panel.toolbar(type);
        QVERIFY(!bar->startAllButton()->isEnabled());
        QVERIFY(!bar->stopAllButton()->isEnabled());
        QVERIFY(!bar->clearAllButton()->isEnabled());
    }

    // Only paused or failed tasks: they can be started or cleared, not stopped.
    KSCloudDiskTask *paused = listedTask(presenter()->uploadTaskList(), QStringLiteral("p.mp4"), Paused);
    listedTask(presenter()->uploadTaskList(), QStringLiteral("f.mp4"), Failed);
    panel.slotUploadTaskCountChanged();
    QVERIFY(upload->startAllButton()->isEnabled());
    QVERIFY(!upload->stopAllButton()->isEnabled());
    QVERIFY(upload->clearAllButton()->isEnabled());
    // A task that starts again makes Stop All available through the presenter's state report.
    presenter()->slotStartUploadTask(paused);
    QCOMPARE(paused->status(), int(Waiting));
    QVERIFY(upload->stopAllButton()->isEnabled());
    QVERIFY(upload->startAllButton()->isEnabled());
    QVERIFY(!panel.toolbar(KSTransferCenterTabDownload)->clearAllButton()->isEnabled());

    // The filter reports the category of the chosen entry.
    QSignalSpy filter(done, &KSTransferCenterToolbar::sigFilterTypeChanged);
    QCOMPARE(done->filterComboBox()->count(), 6);
    QCOMPARE(done->filterComboBox()->itemText(2), QStringLiteral("Audio"));
    done->filterComboBox()->setCurrentIndex(2);
    done->filterComboBox()->setCurrentIndex(0);
    QCOMPARE(filter.count(), 2);
    QCOMPARE(filter.at(0).at(0).toInt(), 1);
    QCOMPARE(filter.at(1).at(0).toInt(), -1);
}

void TestTransferCenterWindow::batchCommandsReachPresenter()
{
    KSAnalyticsCapture capture;
    const QStringList ids = uploads(2);
    KSTransferCenterPanel panel(presenter());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    KSTransferCenterToolbar *bar = panel.toolbar(KSTransferCenterTabUpload);
    QVERIFY(bar->stopAllButton()->isEnabled());
    QVERIFY(!bar->startAllButton()->isEnabled());

    QTest::mouseClick(bar->stopAllButton(), Qt::LeftButton);
    for (const QString &id : ids)
        QCOMPARE(presenter()->findTask(id)->status(), int(Paused));
    QTRY_VERIFY(!bar->stopAllButton()->isEnabled());
    QVERIFY(bar->startAllButton()->isEnabled());
    QCOMPARE(clicks(capture, "upload", "Stop All"), 1);

    // A paused task that never ran goes back to the queue.
    KSCloudDiskTask *fresh = listedTask(presenter()->uploadTaskList(), QStringLiteral("n.mp4"), Paused);
    QTest::mouseClick(bar->startAllButton(), Qt::LeftButton);
    QCOMPARE(fresh->status(), int(Waiting));
    QVERIFY(fresh->queuedOnce());
    QVERIFY(bar->stopAllButton()->isEnabled());
    QCOMPARE(clicks(capture, "upload", "Start All"), 1);

    // Cancel All asks first; declining leaves every task.
    answerConfirmation(0);
    QTest::mouseClick(bar->clearAllButton(), Qt::LeftButton);
    QCOMPARE(presenter()->uploadTaskList()->size(), 3);
    QCOMPARE(clicks(capture, "upload", "Cancel All"), 1);
    answerConfirmation(1);
    QTest::mouseClick(bar->clearAllButton(), Qt::LeftButton);
    QVERIFY(presenter()->uploadTaskList()->isEmpty());
    QVERIFY(fresh->removed());
    QCOMPARE(panel.tabWidget()->tabBar()->item(0)->count(), 0);
    QVERIFY(!bar->clearAllButton()->isEnabled());

    // The done page clears without asking.
    listedTask(presenter()->doneTaskList(), QStringLiteral("d.mp4"), Finished);
    panel.slotDoneTaskCountChanged();
    KSTransferCenterToolbar *done = panel.toolbar(KSTransferCenterTabDone);
    QVERIFY(done->clearAllButton()->isEnabled());
    QTest::mouseClick(done->clearAllButton(), Qt::LeftButton);
    QVERIFY(presenter()->doneTaskList()->isEmpty());
    QVERIFY(!done->clearAllButton()->isEnabled());
    QCOMPARE(clicks(capture, "done", "Clear All"), 1);
}

void TestTransferCenterWindow::screenshots()
{
    uploads(3);
    listedTask(presenter()->uploadTaskList(), QStringLiteral("paused.mp4"), Paused);
    QDir().mkpath(QStringLiteral(KSCD_SCREENSHOT_DIR));
    for (const auto skin : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
        KSSkinManager::instance()->setSkin(skin);
        KSTransferCenterDlg dlg;
        auto *panel = new KSTransferCenterPanel(presenter());
        dlg.setContentWidget(panel);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.size(), QSize(800, 460));
        const QRect title = dlg.titleLabel()->geometry();
        const QPoint bar = dlg.titleBar()->mapTo(&dlg, QPoint(0, 0));
        QCOMPARE(title.left(), bar.x() + 24);
        QCOMPARE(title.width(), 193);
        QCOMPARE(dlg.titleLabel()->text(), QStringLiteral("Transfer Center"));
        for (int tab = 0; tab < 4; ++tab) {
            panel->showTab(tab);
            QCOMPARE(panel->pageStack()->currentIndex(), tab);
            const QString file = QStringLiteral(KSCD_SCREENSHOT_DIR "/transfercenter_%1_tab%2.png")
                                     .arg(KSSkinManager::instance()->skinName())
                                     .arg(tab);
            QVERIFY(dlg.grab().save(file));
        }
        panel->showTab(0);
    }
    KSSkinManager::instance()->setSkin(KSSkinManager::DarkSkin);
}

QTEST_MAIN(TestTransferCenterWindow)
#include "tst_transfercenterwindow.moc"
