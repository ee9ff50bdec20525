// The transfer center's upload page with thousands of tasks: opening it, refreshing after a state
// change and after a count change, and scrolling from top to bottom. Each figure is set against a
// plain QListWidget holding one text item per task, built, changed and scrolled the same way in the
// same run. Also prints the row widgets alive (always six) and the memory each task row costs.
#include "IKSAppInfo.h"
#include "IKSCloudDisk.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSLazySingleton.h"
#include "KSTrackEvent.h"
#include "KSTransferCenterListCellWidget.h"
#include "KSTransferCenterListWidget.h"
#include "KSTransferCenterTaskWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double msSince(const QElapsedTimer &clock)
{
    return qMax(0.001, clock.nsecsElapsed() / 1e6);
}

qint64 residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// Steps the bar a page at a time from top to bottom, painting after each step; answers the steps.
int scrollThrough(QAbstractItemView *view)
{
    QScrollBar *bar = view->verticalScrollBar();
    bar->setValue(0);
    settle();
    int steps = 0;
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + qMax(1, bar->pageStep()));
        view->viewport()->repaint();
        ++steps;
    }
    return steps;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> counts;
    for (const QString &arg : app.arguments().mid(1)) {
        bool ok = false;
        counts.append(arg.toInt(&ok));
        if (!ok || counts.last() < 1) {
            std::fprintf(stderr, "usage: bench_transfercenter [count...]\n");
            return 2;
        }
    }
    if (counts.isEmpty())
        counts = {1000, 10000, 50000};
    QTemporaryDir dir;
    KSHostPaths::setRoot(dir.filePath(QStringLiteral("host")));
    KSAnalytics::setFile(dir.filePath(QStringLiteral("analytics.jsonl")));
    KSCloudDiskViewPresenter *presenter = getCloudDisk()->getPresenter();
    presenter->setEmail(QStringLiteral("bench@example.com"));

    std::printf("%7s | %9s %9s | %9s %9s | %9s %9s | %9s %9s | %7s %9s\n", "tasks", "open ms", "open x", "state ms",
        "state x", "count ms", "count x", "scroll ms", "scroll x", "widgets", "B/row");
    std::printf("        (x = ms / ms of a plain QListWidget of text items doing the same, this run)\n");
    bool ok = true;
    for (const int count : qAsConst(counts)) {
        QList<KSCloudDiskTask *> tasks;
        QStringList names;
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("holiday-clip-%1.mp4").arg(i);
            auto *task = new KSCloudDiskCloudMediaTask(
                presenter, QStringLiteral("/bench/") + name, name, QStringLiteral("/Trips"), 0);
            task->setName(name);
            static_cast<IKSCDBaseTask *>(task)->setStatus(i % 3 ? Running : Paused);
            task->setTotalSize(1000000);
            task->setTransSize(i % 100 * 10000);
            tasks.append(task);
            names.append(name);
        }

        // Baseline: the plain list, same size on screen, same steps.
        QElapsedTimer clock;
        clock.start();
        auto *plain = new QListWidget;
        plain->setUniformItemSizes(true);
        plain->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        plain->addItems(names);
        plain->resize(576, 311);
        plain->show();
        settle();
        const double plainOpen = msSince(clock);
        clock.restart();
        for (int i = 0; i < 100; ++i) {
            plain->item(i % 5)->setText(names.at(i % 5) + QLatin1Char(' '));
            plain->viewport()->repaint();
        }
        const double plainState = msSince(clock) / 100;
        clock.restart();
        delete plain->takeItem(0);
        plain->insertItem(0, names.first());
        settle();
        plain->viewport()->repaint();
        const double plainCount = msSince(clock);
        clock.restart();
        scrollThrough(plain);
        const double plainScroll = msSince(clock);
        delete plain;
        settle();

        // The upload page.
        const qint64 before = residentBytes();
        clock.restart();
        auto *page = new KSTransferCenterTaskWidget(presenter, 0);
        page->setTaskList(&tasks);
        page->resize(608, 420);
        page->show();
        settle();
        const double open = msSince(clock);
        const qint64 after = residentBytes();
        KSTransferCenterListWidget *list = page->listWidget();

        clock.restart();
        for (int i = 0; i < 100; ++i) {
            KSCloudDiskTask *task = tasks.at(i % 5);
            static_cast<IKSCDBaseTask *>(task)->setStatus(task->status() == Paused ? Running : Paused);
            page->refreshTask(task);
            list->viewport()->repaint();
        }
        const double state = msSince(clock) / 100;

        clock.restart();
        KSCloudDiskTask *first = tasks.takeFirst();
        page->refresh();
        tasks.prepend(first);
        page->refresh();
        list->viewport()->repaint();
        const double countChange = msSince(clock) / 2;

        clock.restart();
        scrollThrough(list);
        const double scroll = msSince(clock);

        const int widgets = list->viewport()->findChildren<KSTransferCenterTaskItemWidget *>().size();
        // Every widget shown sits on a row whose task it shows.
        int shown = 0;
        int bound = 0;
        for (KSTransferCenterTaskItemWidget *w : list->rowWidgets()) {
            if (!w->isVisible())
                continue;
            ++shown;
            bound += list->indexAt(w->geometry().center()).row() == list->row(w->item())
                && w->task() == tasks.at(list->row(w->item()));
        }
        const bool pageOk = widgets == KSTransferCenterListWidget::PoolSize && list->count() == count + 1 && shown > 0
            && bound == shown;
        if (!pageOk) {
            std::fprintf(
                stderr, "count %d: %d widgets, %d rows, %d of %d bound\n", count, widgets, list->count(), bound, shown);
            ok = false;
        }
        std::printf("%7d | %9.2f %9.2f | %9.3f %9.2f | %9.2f %9.2f | %9.2f %9.2f | %7d %9lld\n", count, open,
            open / plainOpen, state, state / plainState, countChange, countChange / plainCount, scroll,
            scroll / plainScroll, widgets, static_cast<long long>(qMax<qint64>(0, after - before) / count));
        delete page;
        qDeleteAll(tasks);
        settle();
    }
    return ok ? 0 : 1;
}
