// The coordinator's bookkeeping with thousands of tasks: a batch request, a progress report per task,
// every task finishing into the done list, sign-out and sign-in with the saved lists. Each figure is
// set against the floor of building the same task objects and appending them to a plain list, in
// the same run. The worker is not started: only the bookkeeping is measured.
#include "IKSAppInfo.h"
#include "IKSCloudDisk.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSLazySingleton.h"
#include "KSTrackEvent.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double msSince(const QElapsedTimer &clock)
{
    return qMax(0.001, clock.nsecsElapsed() / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<int> counts;
    for (const QString &arg : app.arguments().mid(1)) {
        bool ok = false;
        counts.append(arg.toInt(&ok));
        if (!ok || counts.last() < 1) {
            std::fprintf(stderr, "usage: bench_presenterlists [count...]\n");
            return 2;
        }
    }
    if (counts.isEmpty())
        counts = {1000, 10000};
    QTemporaryDir dir;
    KSHostPaths::setRoot(dir.filePath(QStringLiteral("host")));
    // Analytics lines would be written to a file per begin event; the bookkeeping is what counts here.
    KSAnalytics::setFile(dir.filePath(QStringLiteral("analytics.jsonl")));
    std::printf("%7s %10s | %12s %12s %12s %12s %12s  (x = ms / floor ms)\n", "tasks", "floor ms", "request x",
        "reports x", "finish x", "sign-out x", "sign-in x");
    for (const int count : qAsConst(counts)) {
        // An account per round: each starts with no saved lists.
        const QString email = QStringLiteral("bench%1@example.com").arg(count);
        KSCloudDiskViewPresenter *presenter = getCloudDisk()->getPresenter();
        presenter->setEmail(email);

        // Floor: the task objects alone, in a plain list.
        QElapsedTimer clock;
        clock.start();
        QList<KSCloudDiskTask *> plain;
        for (int i = 0; i < count; ++i) {
            plain.append(new KSCloudDiskCloudMediaTask(presenter, QStringLiteral("/floor/clip%1.mp4").arg(i),
                QStringLiteral("clip%1.mp4").arg(i), QStringLiteral("/Trips"), 0));
        }
        const double floorMs = msSince(clock);
        qDeleteAll(plain);

        QList<KSCloudTaskParam> params;
        for (int i = 0; i < count; ++i) {
            KSCloudTaskParam param;
            param.filePath = QStringLiteral("/media/holiday/clip%1.mp4").arg(i);
            param.name = QStringLiteral("clip%1.mp4").arg(i);
            param.folderPath = QStringLiteral("/Trips");
            params.append(param);
        }
        clock.restart();
        const QStringList ids = presenter->uploadCloudMedia(params);
        const double requestMs = msSince(clock);

        const QList<KSCloudDiskTask *> tasks = *presenter->uploadTaskList();
        clock.restart();
        for (KSCloudDiskTask *task : tasks) {
            static_cast<IKSCDBaseTask *>(task)->setStatus(Running);
            task->setTransSize(1000);
            presenter->doTaskStateChanged(task);
        }
        const double reportsMs = msSince(clock);

        clock.restart();
        for (KSCloudDiskTask *task : tasks) {
            static_cast<IKSCDBaseTask *>(task)->setStatus(Finished);
            presenter->doTaskStateChanged(task);
        }
        const double finishMs = msSince(clock);
        presenter->pauseAllTask(); // the lists on disk, as at a sign-out

        clock.restart();
        presenter->setEmail(QString());
        const double signOutMs = msSince(clock);

        clock.restart();
        presenter->setEmail(email);
        const double signInMs = msSince(clock);
        if (presenter->doneTaskList()->size() != count || ids.size() != count) {
            std::fprintf(
                stderr, "unexpected list sizes: %d done of %d\n", int(presenter->doneTaskList()->size()), count);
            return 1;
        }
        std::printf("%7d %10.1f | %12.2f %12.2f %12.2f %12.2f %12.2f\n", count, floorMs, requestMs / floorMs,
            reportsMs / floorMs, finishMs / floorMs, signOutMs / floorMs, signInMs / floorMs);
        std::fflush(stdout);
        KSLazySingletonManager::instance()->releaseAll();
    }
    return 0;
}
