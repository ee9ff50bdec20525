// The task pages of the transfer center against a real presenter: row buttons, the done page's
// record limit, filtering, the six pooled row widgets while scrolling, and pictures of every state.
#include "CloudTestEnvironment.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSSkin.h"
#include "KSTransferCenterListCellWidget.h"
#include "KSTransferCenterListWidget.h"
#include "KSTransferCenterPanel.h"
#include "KSTransferCenterTaskWidget.h"
#include "KSTransferCenterToolbar.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

class TestTransferCenterTasks : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void textsOfRows();
    void rowButtonsReachPresenter();
    void donePageKeepsTwoHundredRows();
    void filterShowsFilterEmptyPage();
    void poolStaysBoundToVisibleRows();
    void screenshots();

private:
    KSCloudDiskViewPresenter *presenter() const { return getCloudDisk()->getPresenter(); }
    KSCloudDiskTask *makeTask(const QString &name, int operation, int status, QList<KSCloudDiskTask *> *list);
    KSTransferCenterTaskItemWidget *widgetFor(KSTransferCenterListWidget *list, KSCloudDiskTask *task) const;
    void checkPool(KSTransferCenterListWidget *list);

    CloudTestEnvironment *m_env = nullptr;
};

void TestTransferCenterTasks::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    presenter()->setEmail(QStringLiteral("user@example.com"));
}

void TestTransferCenterTasks::cleanup()
{
    releaseService();
    delete m_env;
    m_env = nullptr;
}

KSCloudDiskTask *TestTransferCenterTasks::makeTask(
    const QString &name, int operation, int status, QList<KSCloudDiskTask *> *list)
{
    auto *task = operation == UploadOperation
        ? new KSCloudDiskCloudMediaTask(presenter(), m_env->path(name), name, QStringLiteral("/f"), 0)
        : new KSCloudDiskCloudMediaTask(presenter(), m_env->path(name), QStringLiteral("file-1"), 10);
    task->setName(name);
    task->setListed(true);
    static_cast<IKSCDBaseTask *>(task)->setStatus(status);
    task->setTimeStamp(QDateTime(QDate(2026, 3, 14), QTime(12, 0)).toMSecsSinceEpoch());
    if (list)
        list->append(task);
    return task;
}

KSTransferCenterTaskItemWidget *TestTransferCenterTasks::widgetFor(
    KSTransferCenterListWidget *list, KSCloudDiskTask *task) const
{
    for (KSTransferCenterTaskItemWidget *w : list->rowWidgets()) {
        if (w->isVisible() && w->task() == task)
            return w;
    }
    return nullptr;
}

// Every shown pooled widget sits on the row it is bound to, and every row in view has one.
void TestTransferCenterTasks::checkPool(KSTransferCenterListWidget *list)
{
    QCOMPARE(list->viewport()->findChildren<KSTransferCenterTaskItemWidget *>().size(), 6);
    int shown = 0;
    for (KSTransferCenterTaskItemWidget *w : list->rowWidgets()) {
        if (!w->isVisible())
            continue;
        ++shown;
        QVERIFY(w->item());
        QCOMPARE(list->indexAt(w->geometry().center()).row(), list->row(w->item()));
        QCOMPARE(
            w->findChild<QLabel *>(QStringLiteral("KSTransferCenterTableNameLabel"))->toolTip(), w->task()->name());
        QCOMPARE(list->taskList()->at(list->row(w->item())), w->task());
    }
    int inView = 0;
    for (int i = 0; i < list->count() - 1; ++i) {
        const QRect r = list->visualItemRect(list->item(i));
        inView += !list->isRowHidden(i) && r.bottom() > 0 && r.top() < list->viewport()->height();
    }
    QCOMPARE(shown, inView);
}

void TestTransferCenterTasks::textsOfRows()
{
    using namespace KSTransferCenter;
    QCOMPARE(formatSize(1536), QStringLiteral("1.50KB"));
    QCOMPARE(formatSize(1073741824), QStringLiteral("1.00GB"));
    QCOMPARE(formatSize(5LL * 1099511627776LL), QStringLiteral("5.00TB"));
    const QFontMetrics wide(QFont(QStringLiteral("DejaVu Sans"), 6));
    // 21-character base name: its head, "...", its last three characters, then the suffix.
    const QString name = QStringLiteral("abcdefghijklmnopqrstu.mp4");
    QCOMPARE(elidedName(name, wide, 1000), QStringLiteral("abcdefghij...stu.mp4"));
    QCOMPARE(elidedName(QStringLiteral("short.mp4"), wide, 1000), QStringLiteral("short.mp4"));
    // Too narrow for even the shortest form: the 12-character form stays.
    QCOMPARE(elidedName(name, wide, 10).size(), 12);
    QCOMPARE(nameToolTip(QString(150, QLatin1Char('x'))).split(QLatin1Char('\n')).size(), 2);

    QList<KSCloudDiskTask *> none;
    QCOMPARE(filterCategory(makeTask(QStringLiteral("a.FlAc"), UploadOperation, Waiting, &none)), 1);
    QCOMPARE(filterCategory(makeTask(QStringLiteral("a.heic"), UploadOperation, Waiting, &none)), 2);
    QCOMPARE(filterCategory(makeTask(QStringLiteral("a.lrc"), UploadOperation, Waiting, &none)), 3);
    QCOMPARE(filterCategory(makeTask(QStringLiteral("a.mov"), UploadOperation, Waiting, &none)), 0);
    QCOMPARE(filterCategory(new KSCloudDiskProjectTask(presenter(), m_env->path("p.kproj"), 0)), 4);

    // A failed upload short of cloud space links to the expansion; the link carries the task.
    KSTransferCenterUploadTaskItemWidget row;
    QListWidget list;
    KSCloudDiskTask *failed = makeTask(QStringLiteral("f.mp4"), UploadOperation, Failed, &none);
    failed->setFailedCode(CloudSpaceInsufficient);
    auto *item = new QListWidgetItem(&list);
    item->setData(Qt::UserRole, QVariant::fromValue<quint64>(reinterpret_cast<quintptr>(failed)));
    row.setItem(item);
    auto *error = row.findChild<QLabel *>(QStringLiteral("KSTransferCenterErrorText"));
    QVERIFY(error->isVisibleTo(&row));
    QVERIFY(error->text().contains(QStringLiteral("Expand Now.")));
    QSignalSpy links(&row, &KSTransferCenterTaskItemWidget::sigLinkActivated);
    emit error->linkActivated(QStringLiteral("href"));
    QCOMPARE(links.size(), 1);
    QCOMPARE(links.at(0).at(0).value<KSCloudDiskTask *>(), failed);
    QVERIFY(row.findChild<QToolButton *>(QStringLiteral("KSTransferCenterListCellStateRetry"))->isVisibleTo(&row));
    failed->setFailedCode(3);
    row.updateState();
    QCOMPARE(error->text(), QStringLiteral("Upload failed. Network connection problems."));
    // Nothing transferred of nothing: no division, "--" and 0 %.
    KSCloudDiskTask *paused = makeTask(QStringLiteral("p.mp4"), UploadOperation, Paused, &none);
    item->setData(Qt::UserRole, QVariant::fromValue<quint64>(reinterpret_cast<quintptr>(paused)));
    row.setItem(item);
    QCOMPARE(row.findChild<QLabel *>(QStringLiteral("KSTransferCenterTableSizeLabel"))->text(), QStringLiteral("--"));
    paused->setTotalSize(1000);
    paused->setTransSize(370);
    row.updateState();
    QCOMPARE(row.findChild<QProgressBar *>()->value(), 37);
    QCOMPARE(
        row.findChild<QLabel *>(QStringLiteral("KSTransferCenterPercentLabel"))->text(), QStringLiteral("Stopped"));
    QVERIFY(row.findChild<QToolButton *>(QStringLiteral("KSTransferCenterListCellStatePlay"))->isVisibleTo(&row));
    QVERIFY(!row.findChild<QToolButton *>(QStringLiteral("KSTransferCenterListCellStatePause"))->isVisibleTo(&row));
}

void TestTransferCenterTasks::rowButtonsReachPresenter()
{
    QList<KSCloudDiskTask *> *uploads = presenter()->uploadTaskList();
    KSCloudDiskTask *paused = makeTask(QStringLiteral("paused.mp4"), UploadOperation, Paused, uploads);
    KSCloudDiskTask *failed = makeTask(QStringLiteral("failed.mp4"), UploadOperation, Failed, uploads);
    KSCloudDiskTask *doomed = makeTask(QStringLiteral("doomed.mp4"), UploadOperation, Paused, uploads);
    KSTransferCenterPanel panel(presenter());
    panel.resize(800, 436);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    KSTransferCenterTaskWidget *page = nullptr;
    for (auto *p : panel.findChildren<KSTransferCenterTaskWidget *>())
        page = p->type() == 0 ? p : page;
    QVERIFY(page);
    KSTransferCenterListWidget *list = page->listWidget();
    QVERIFY(!page->isEmptyPageShown());

    auto button = [&](KSCloudDiskTask *task, const char *name) {
        KSTransferCenterTaskItemWidget *w = widgetFor(list, task);
        return w ? w->findChild<QToolButton *>(QLatin1String(name)) : nullptr;
    };
    QToolButton *start = button(paused, "KSTransferCenterListCellStatePlay");
    QVERIFY(start && start->isVisible());
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(paused->status(), int(Waiting));
    // The presenter's state signal turned the row's start into pause.
    QToolButton *pause = button(paused, "KSTransferCenterListCellStatePause");
    QTRY_VERIFY(pause->isVisible());
    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(paused->status(), int(Paused));

    QToolButton *retry = button(failed, "KSTransferCenterListCellStateRetry");
    QVERIFY(retry && retry->isVisible());
    QTest::mouseClick(retry, Qt::LeftButton);
    QCOMPARE(failed->status(), int(Waiting));

    // Delete shows on the selected row only.
    KSTransferCenterTaskItemWidget *doomedRow = widgetFor(list, doomed);
    QToolButton *remove = doomedRow->findChild<QToolButton *>(QStringLiteral("KSTransferCenterListCellStateDelete"));
    QVERIFY(!remove->isVisible());
    QTest::mouseClick(doomedRow, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QVERIFY(list->item(list->row(doomedRow->item()))->isSelected());
    QVERIFY(remove->isVisible());
    QTest::mouseClick(remove, Qt::LeftButton);
    QVERIFY(!uploads->contains(doomed));
    QTRY_COMPARE(list->count(), 3); // two task rows and the limit row
    QVERIFY(!widgetFor(list, doomed));
    checkPool(list);
}

void TestTransferCenterTasks::donePageKeepsTwoHundredRows()
{
    QList<KSCloudDiskTask *> tasks;
    for (int i = 0; i < 201; ++i)
        makeTask(QStringLiteral("done%1.mp4").arg(i), i % 2 ? UploadOperation : DownloadOperation, Finished, &tasks);
    KSTransferCenterTaskWidget page(presenter(), 2);
    page.setMaxCount(200);
    page.setTaskList(&tasks);
    page.resize(608, 420);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    KSTransferCenterListWidget *list = page.listWidget();
    QCOMPARE(list->count(), 201);
    QVERIFY(!list->isRowHidden(200));
    QVERIFY(!list->limitWidget()->isVisible());
    list->scrollToBottom();
    QTRY_VERIFY(list->limitWidget()->isVisible());
    QCOMPARE(list->limitWidget()->geometry().top(), list->visualItemRect(list->limitItem()).top());
    QCOMPARE(
        list->limitWidget()->findChild<QLabel *>()->text(), QStringLiteral("*Up to 200 transmission history records"));
    checkPool(list);

    // Exactly at the limit the tip shows; one below it does not.
    tasks.removeLast();
    page.refresh();
    QCOMPARE(list->count(), 201);
    QVERIFY(!list->isRowHidden(200));
    tasks.removeLast();
    page.refresh();
    QCOMPARE(list->count(), 200);
    QVERIFY(list->isRowHidden(199));
    list->scrollToBottom();
    QVERIFY(!list->limitWidget()->isVisible());
    checkPool(list);
    tasks.clear();
    page.refresh();
    QVERIFY(page.isEmptyPageShown());
    QCOMPARE(page.emptyText(), QStringLiteral("No completed tasks.\nUploaded and downloaded tasks will appear here."));
}

void TestTransferCenterTasks::filterShowsFilterEmptyPage()
{
    QList<KSCloudDiskTask *> tasks;
    makeTask(QStringLiteral("one.mp4"), UploadOperation, Finished, &tasks);
    KSCloudDiskTask *picture = makeTask(QStringLiteral("two.png"), DownloadOperation, Finished, &tasks);
    makeTask(QStringLiteral("three.mov"), UploadOperation, Finished, &tasks);
    KSTransferCenterTaskWidget page(presenter(), 2);
    page.setTaskList(&tasks);
    page.resize(608, 420);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QComboBox *filter = page.toolbar()->filterComboBox();
    KSTransferCenterListWidget *list = page.listWidget();

    filter->setCurrentIndex(filter->findData(1)); // audio: nothing matches
    QVERIFY(page.isFilterEmptyPageShown());
    QCOMPARE(page.filterEmptyText(), QStringLiteral("There are no results for Audio"));
    for (KSTransferCenterTaskItemWidget *w : list->rowWidgets())
        QVERIFY(!w->isVisible());

    filter->setCurrentIndex(filter->findData(2)); // image: the one picture, on top
    QVERIFY(!page.isFilterEmptyPageShown());
    QCOMPARE(list->shownTaskRowCount(), 1);
    QVERIFY(widgetFor(list, picture));
    QCOMPARE(widgetFor(list, picture)->geometry().top(), 0);
    checkPool(list);

    filter->setCurrentIndex(filter->findData(-1));
    QVERIFY(!page.isFilterEmptyPageShown());
    QCOMPARE(list->shownTaskRowCount(), 3);
    checkPool(list);
}

void TestTransferCenterTasks::poolStaysBoundToVisibleRows()
{
    QList<KSCloudDiskTask *> tasks;
    for (int i = 0; i < 1000; ++i)
        makeTask(QStringLiteral("clip%1.mp4").arg(i), UploadOperation, i % 3 ? Running : Paused, &tasks);
    KSTransferCenterTaskWidget page(presenter(), 0);
    page.setTaskList(&tasks);
    page.resize(608, 420);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    KSTransferCenterListWidget *list = page.listWidget();
    QVERIFY(list->viewport()->height() <= 6 * 56);
    checkPool(list);
    QScrollBar *bar = list->verticalScrollBar();
    for (int value : {bar->maximum() / 2, bar->maximum(), 1, 0, bar->maximum() - 3}) {
        bar->setValue(value);
        checkPool(list);
    }
    page.resize(608, 300);
    QTRY_COMPARE(list->viewport()->height() < 300, true);
    checkPool(list);

    // A bound task removed, one inserted above, then the whole list replaced.
    bar->setValue(10);
    tasks.removeAt(list->row(list->rowWidgets().first()->item()));
    tasks.prepend(makeTask(QStringLiteral("fresh.mp4"), UploadOperation, Waiting, nullptr));
    page.refresh();
    checkPool(list);
    bar->setValue(0);
    QVERIFY(widgetFor(list, tasks.first()));
    tasks.clear();
    page.refresh();
    QVERIFY(page.isEmptyPageShown());
    for (int i = 0; i < 40; ++i)
        makeTask(QStringLiteral("again%1.mp4").arg(i), UploadOperation, Waiting, &tasks);
    page.refresh();
    QVERIFY(!page.isEmptyPageShown());
    checkPool(list);
    QCOMPARE(list->viewport()->findChildren<KSTransferCenterTaskItemWidget *>().size(), 6);
}

void TestTransferCenterTasks::screenshots()
{
    const QString dir = QStringLiteral(KSCD_TASKS_SCREENSHOT_DIR);
    QVERIFY(QDir().mkpath(dir));
    QList<KSCloudDiskTask *> *uploads = presenter()->uploadTaskList();
    QList<KSCloudDiskTask *> *downloads = presenter()->downloadTaskList();
    QList<KSCloudDiskTask *> *done = presenter()->doneTaskList();
    const int states[] = {Waiting, Running, Paused, Failed, Failed, Failed};
    const int codes[] = {0, 0, 0, CloudSpaceInsufficient, 3, LocalDiskTooSmall};
    for (int i = 0; i < 6; ++i) {
        for (auto *list : {uploads, downloads}) {
            const bool up = list == uploads;
            KSCloudDiskTask *t = makeTask(QStringLiteral("%1 holiday-footage-%2.mp4").arg(up ? "up" : "down").arg(i),
                up ? UploadOperation : DownloadOperation, states[i], list);
            t->setTotalSize(1536LL * 1024 * (i + 1));
            t->setTransSize(i == 0 ? 0 : t->totalSize() * (20 + 13 * i) / 100);
            t->setFailedCode(codes[i]);
        }
    }
    const char *doneNames[]
        = {"final-cut.mp4", "theme.mp3", "cover.png", "lyrics.srt", "a-very-long-name-of-a-rendered-video.mov"};
    for (int i = 0; i < 5; ++i) {
        KSCloudDiskTask *t
            = makeTask(QLatin1String(doneNames[i]), i % 2 ? DownloadOperation : UploadOperation, Finished, done);
        t->setTotalSize(1048576LL * (i + 3));
    }
    for (KSSkinManager::Skin skin : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
        KSSkinManager::instance()->setSkin(skin);
        KSTransferCenterPanel panel(presenter());
        panel.resize(800, 436);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        const QList<KSTransferCenterTaskWidget *> pages = panel.findChildren<KSTransferCenterTaskWidget *>();
        for (KSTransferCenterTaskWidget *page : pages) {
            QCOMPARE(page->listWidget()->viewport()->findChildren<KSTransferCenterTaskItemWidget *>().size(), 6);
            panel.showTab(page->type());
            QTRY_VERIFY(page->isVisible());
            // One selected row shows the selection colour and its delete button.
            page->listWidget()->setCurrentRow(1);
            const QString file = QStringLiteral("%1/tasks-%2-%3.png")
                                     .arg(dir, KSSkinManager::instance()->skinName())
                                     .arg(page->type() == 0      ? "upload"
                                             : page->type() == 1 ? "download"
                                                                 : "done");
            QVERIFY(panel.grab().save(file));
            if (page->type() == 2) {
                QComboBox *filter = page->toolbar()->filterComboBox();
                filter->setCurrentIndex(filter->findData(3));
                QVERIFY(
                    panel.grab().save(QString(file).replace(QStringLiteral("done"), QStringLiteral("done-subtitles"))));
                filter->setCurrentIndex(filter->findData(4)); // no project among them
                QVERIFY(page->isFilterEmptyPageShown());
                QVERIFY(panel.grab().save(
                    QString(file).replace(QStringLiteral("done"), QStringLiteral("done-filterempty"))));
                filter->setCurrentIndex(0);
            }
        }
    }
    // The empty pages.
    for (KSSkinManager::Skin skin : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
        KSSkinManager::instance()->setSkin(skin);
        QList<KSCloudDiskTask *> none;
        // On the panel's background, as the window shows it.
        KSWidget host;
        host.setStyleKey(QStringLiteral("CloudDisk/KSTransferCenterPanel"));
        auto *page = new KSTransferCenterTaskWidget(presenter(), 0, &host);
        (new QVBoxLayout(&host))->addWidget(page);
        page->setTaskList(&none);
        host.resize(608, 420);
        QVERIFY(page->isEmptyPageShown());
        QVERIFY(
            host.grab().save(QStringLiteral("%1/tasks-%2-empty.png").arg(dir, KSSkinManager::instance()->skinName())));
    }
    KSSkinManager::instance()->setSkin(KSSkinManager::DarkSkin);
}

QTEST_MAIN(TestTransferCenterTasks)
#include "tst_transfercentertasks.moc"
