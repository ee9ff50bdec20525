// How much the task worker adds to short cloud operations: 1,000 folder creations queued through
// the coordinator against the same library calls made one after another on one thread.
#include "IKSAppInfo.h"
#include "IKSCloudDisk.h"
#include "IKSTQIDAccount.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSLazySingleton.h"
#include "TQDriveAdmin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

QByteArray createRequest(quint64 spaceId, const QString &name)
{
    return QByteArray(R"({"space_id":)") + QByteArray::number(spaceId) + R"(,"parent_file_id":"root","name":")"
        + name.toUtf8() + R"(","hidden":false})";
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    if (count < 1) {
        std::fprintf(stderr, "usage: bench_taskworker [count]\n");
        return 2;
    }
    QTemporaryDir dir;
    KSHostPaths::setRoot(dir.filePath(QStringLiteral("host")));
    TQDriveAdmin::setDriveRoot(dir.filePath(QStringLiteral("drive")));
    TQDriveAdmin::AccountInfo account;
    TQDriveAdmin::createAccount(QStringLiteral("bench@example.com"), 0, &account);
    TQDriveAdmin::setServiceState(account.accountId, TQDriveAdmin::Opened);
    getTQIDAccount()->signIn(QStringLiteral("bench@example.com"), KLoginSource(0));

    IKSCloudDisk *service = getCloudDisk();
    KSCloudDiskInitParam init;
    init.productId = 1;
    service->init(init);
    KSCloudAccountParam param;
    param.token = getTQIDAccount()->accessToken();
    service->setTqidToken(param);
    if (!waitFor([service]() { return service->isServiceReady(); }, 10000)) {
        std::fprintf(stderr, "the service did not become ready\n");
        return 1;
    }

    // Direct: the same calls, back to back on this thread.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        char *out = nullptr;
        Drive_CreateDir(createRequest(service->getSpaceId(), QStringLiteral("direct %1").arg(i)).constData(), &out);
        Drive_FreeBuf(out);
    }
    const qint64 directMs = qMax<qint64>(1, clock.elapsed());

    // Through the worker, results back on this thread. The editor starts the worker once it is
    // ready for transfers; so does this program.
    KSCloudDiskViewPresenter *presenter = service->getPresenter();
    presenter->startCloudDiskTask();
    int finished = 0;
    QObject::connect(presenter, &KSCloudDiskViewPresenter::createDirFinished, [&finished]() { ++finished; });
    clock.restart();
    for (int i = 0; i < count; ++i)
        presenter->createDir(QStringLiteral("root"), QStringLiteral("queued %1").arg(i));
    if (!waitFor([&]() { return finished == count; }, 120000)) {
        std::fprintf(stderr, "only %d of %d operations finished\n", finished, count);
        return 1;
    }
    const qint64 workerMs = qMax<qint64>(1, clock.elapsed());

    std::printf("%d folder creations\n", count);
    std::printf("direct library calls   %6lld ms   %8.1f ops/s\n", directMs, count * 1000.0 / directMs);
    std::printf("through the worker     %6lld ms   %8.1f ops/s   %.2fx the direct time\n", workerMs,
        count * 1000.0 / workerMs, double(workerMs) / double(directMs));
    std::printf("per operation: %.3f ms direct, %.3f ms queued\n", double(directMs) / count, double(workerMs) / count);
    KSLazySingletonManager::instance()->releaseAll();
    return 0;
}
