// Saving and loading task lists against the floor of a plain JSON parse and serialise of the same
// file, at 1,000, 10,000 and 50,000 tasks, or at the counts given on the command line.
#include "IKSAppInfo.h"
#include "IKSCloudDisk.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCloudTaskSerializeHelper.h"
#include "KSLazySingleton.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Resident memory now (VmRSS), in KiB: the growth a load causes is what the tasks cost.
qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
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
            std::fprintf(stderr, "usage: bench_taskserializer [count...]\n");
            return 2;
        }
    }
    if (counts.isEmpty())
        counts = {1000, 10000, 50000};
    QTemporaryDir dir;
    KSHostPaths::setRoot(dir.filePath(QStringLiteral("host")));
    std::printf("%8s %12s %12s %12s %10s %10s %12s\n", "tasks", "save ms", "load ms", "floor ms", "save x", "load x",
        "bytes/task");
    for (const int count : qAsConst(counts)) {
        KSCloudDiskViewPresenter *presenter = getCloudDisk()->getPresenter();
        presenter->setEmail(QStringLiteral("bench@example.com"));
        for (int i = 0; i < count; ++i) {
            auto *task = new KSCloudDiskCloudMediaTask(presenter, QStringLiteral("/media/holiday/clip%1.mp4").arg(i),
                QStringLiteral("clip%1.mp4").arg(i), QStringLiteral("/Trips"), 0);
            task->setTotalSize(i * 1000);
            presenter->uploadTaskList()->append(task);
        }
        auto *serializer = new KSCloudTaskSerializeHelper(presenter);
        QElapsedTimer clock;
        clock.start();
        serializer->save(KSCloudTaskSerializeHelper::UploadList, false);
        const qint64 saveMs = qMax<qint64>(1, clock.elapsed());
        const QString file = serializer->accountFolder() + QStringLiteral("/upload.json");

        // The floor: reading the same file, parsing it and writing it back, with nothing else.
        clock.restart();
        QFile in(file);
        in.open(QIODevice::ReadOnly);
        const QJsonDocument doc = QJsonDocument::fromJson(in.readAll());
        QFile out(file + QStringLiteral(".floor"));
        out.open(QIODevice::WriteOnly);
        out.write(doc.toJson(QJsonDocument::Indented));
        out.close();
        const qint64 floorMs = qMax<qint64>(1, clock.elapsed());

        KSLazySingletonManager::instance()->releaseAll();
        KSCloudDiskViewPresenter *fresh = getCloudDisk()->getPresenter();
        fresh->setEmail(QStringLiteral("bench@example.com"));
        // Signing in has loaded the list once already; the load measured below fills it again.
        fresh->uploadTaskList()->clear();
        auto *reader = new KSCloudTaskSerializeHelper(fresh);
        const qint64 before = residentKiB();
        clock.restart();
        reader->load(KSCloudTaskSerializeHelper::UploadList);
        const qint64 loadMs = qMax<qint64>(1, clock.elapsed());
        const qint64 grown = qMax<qint64>(0, residentKiB() - before);
        if (fresh->uploadTaskList()->size() != count) {
            std::fprintf(stderr, "loaded %d of %d tasks\n", int(fresh->uploadTaskList()->size()), count);
            return 1;
        }
        std::printf("%8d %12lld %12lld %12lld %9.2fx %9.2fx %12lld\n", count, saveMs, loadMs, floorMs,
            double(saveMs) / floorMs, double(loadMs) / floorMs, grown * 1024 / count);
        KSLazySingletonManager::instance()->releaseAll();
    }
    std::printf("target: save and load within 3x of the floor, time growing linearly with the count\n");
    return 0;
}
