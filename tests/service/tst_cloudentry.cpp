// Creation of the one service, its release by the host's registry and the order of its teardown.
#include "CloudTestEnvironment.h"
#include "KSBaseLog.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCustomEvent.h"
#include "KSLazySingleton.h"

#include <QObject>
#include <QSet>
#include <QTest>
#include <QThread>

#include <atomic>

class TestCloudEntry : public QObject
{
    Q_OBJECT

private slots:
    void creationIsShared();
    void teardownWaitsAndLogsInOrder();
    void releaseOffTheMainThread();

private:
    static QStringList teardownLines(const KSLogCapture &capture);
};

namespace {
const QStringList kTeardown = {"delete cloud disk", "done wait future", "done wait info future", "done about to quit",
    "done cds exit", "done delete presenter", "done release service"};

// Counts the release events the service sends on the bus.
struct PileEvents : QObject {
    int begins = 0;
    int ends = 0;
    QString text;
    PileEvents()
    {
        new KSCustomEventListener(
            KSCustomEventManager::instance(), this, "NotifyBeginPileInsetionEvent", [this](const KSCustomEventPtr &e) {
                ++begins;
                text = e->payload().toString();
            });
        new KSCustomEventListener(KSCustomEventManager::instance(), this, "NotifyEndPileInsetionEvent",
            [this](const KSCustomEventPtr &) { ++ends; });
    }
};
} // namespace

QStringList TestCloudEntry::teardownLines(const KSLogCapture &capture)
{
    QStringList lines;
    for (const QString &m : capture.messages()) {
        if (kTeardown.contains(m))
            lines << m;
    }
    return lines;
}

void TestCloudEntry::creationIsShared()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    QCOMPARE(getCloudDiskNoCreate(), nullptr);
    QCOMPARE(getCloudDiskNoCreate(), nullptr); // asking never creates

    // Many threads asking at once get one service, living on the GUI thread.
    std::atomic<bool> go{false};
    QVector<IKSCloudDisk *> seen(8, nullptr);
    QVector<QThread *> threads;
    for (int i = 0; i < seen.size(); ++i) {
        threads << QThread::create([&, i]() {
            while (!go.load())
                QThread::yieldCurrentThread();
            seen[i] = getCloudDisk();
        });
        threads.last()->start();
    }
    go.store(true);
    for (QThread *t : threads) {
        QVERIFY(t->wait(10000));
        delete t;
    }
    QCOMPARE(QSet<IKSCloudDisk *>(seen.begin(), seen.end()).size(), 1);
    IKSCloudDisk *service = seen.first();
    QCOMPARE(getCloudDiskNoCreate(), service);
    QCOMPARE(getCloudDisk(), service);
    QCOMPARE(service->getPresenter()->thread(), QThread::currentThread());
    QCOMPARE(service->getSpaceId(), quint64(0));
    QVERIFY(!service->isServiceReady());

    // The host's registry releases it; a later request builds a fresh one.
    releaseService();
    QCOMPARE(getCloudDiskNoCreate(), nullptr);
    QVERIFY(getCloudDisk() != nullptr);
    releaseService();
    QCOMPARE(getCloudDiskNoCreate(), nullptr);
}

void TestCloudEntry::teardownWaitsAndLogsInOrder()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService();
    PileEvents events;
    KSLogCapture capture;
    // A slow service query keeps the login worker busy while the host shuts down.
    TQDriveAdmin::delayNextCalls("Drive_QueryService", 1, 400);
    service->setTqidToken(env.accountParam());
    QVERIFY(service->isLoggingIn());
    releaseService();
    QCOMPARE(getCloudDiskNoCreate(), nullptr);

    QCOMPARE(teardownLines(capture), kTeardown);
    const QStringList all = capture.messages();
    // The worker finished before the wait returned, and before the library was shut down.
    const int workerEnd = all.lastIndexOf(QRegularExpression("CDS_Login: .*|go to end before cds login"));
    QVERIFY(workerEnd > all.indexOf("delete cloud disk"));
    QVERIFY(workerEnd < all.indexOf("done wait future"));
    for (const KSLogRecord &r : capture.records()) {
        if (r.message == "done cds exit") {
            QCOMPARE(r.level, int(KSLogInfo));
            QVERIFY(QByteArray(r.file).endsWith("KSCloudDisk.cpp"));
            QVERIFY(r.line > 0);
        }
    }
    QCOMPARE(events.begins, 1);
    QCOMPARE(events.ends, 1);
    QCOMPARE(events.text, QStringLiteral("KSCloudDisk release"));
    // The library really was shut down.
    QCOMPARE(Drive_Uninit(), 1);
}

void TestCloudEntry::releaseOffTheMainThread()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    env.startService();
    PileEvents events;
    KSLogCapture capture;
    QThread *releaser = QThread::create([]() { releaseService(); });
    releaser->start();
    QVERIFY(releaser->wait(10000));
    delete releaser;
    QCOMPARE(getCloudDiskNoCreate(), nullptr);
    QCOMPARE(teardownLines(capture), kTeardown);
    QCoreApplication::processEvents();
    QCOMPARE(events.begins, 0);
    QCOMPARE(events.ends, 0);
}

QTEST_MAIN(TestCloudEntry)
#include "tst_cloudentry.moc"
