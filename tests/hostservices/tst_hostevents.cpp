// The event bus and analytics.
#include "IKSAppInfo.h"
#include "KSCustomEvent.h"
#include "KSTrackEvent.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWidget>

class TestHostEvents : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KSHostPaths::setRoot(m_root.path()); }
    void localDelivery();
    void otherThreadDelivery();
    void listenerLifetime();
    void analytics();

private:
    QTemporaryDir m_root;
};

namespace {

const QString kEvent = QStringLiteral("tst.changed");

struct Journal {
    QMutex mutex;
    QStringList entries;
    QVector<QThread *> threads;
    void add(const QString &entry)
    {
        QMutexLocker lock(&mutex);
        entries.append(entry);
        threads.append(QThread::currentThread());
    }
};

KSCustomEventListener *listen(QObject *receiver, Journal *journal, const QString &tag, int priority = 0,
    Qt::ConnectionType connection = Qt::AutoConnection)
{
    return new KSCustomEventListener(
        KSCustomEventManager::instance(), receiver, kEvent,
        [journal, tag](const KSCustomEventPtr &e) { journal->add(tag + ':' + e->payload().toString()); }, connection,
        priority);
}

} // namespace

void TestHostEvents::localDelivery()
{
    const QEvent::Type type = KSCustomEvent::getFixedEventTpye("tst.a");
    QVERIFY(type >= QEvent::User && type != KSCustomEvent::getFixedEventTpye("tst.b"));
    QCOMPARE(KSCustomEvent("tst.a").type(), type);

    KSCustomEventManager *bus = KSCustomEventManager::instance();
    Journal journal;
    QObject low, high, middle, rejected, queued;
    listen(&low, &journal, "low", -5);
    listen(&middle, &journal, "middle", 0);
    listen(&high, &journal, "high", 10);
    listen(&rejected, &journal, "rejected", 20);
    listen(&queued, &journal, "queued", 30, Qt::QueuedConnection);
    new KSCustomEventListener(bus, &middle, kEvent, [](const KSCustomEventPtr &e) { e->setResult(42); });
    QCOMPARE(bus->listenerCount(kEvent), 6);

    auto event = KSCustomEventPtr::create(kEvent, QStringLiteral("1"));
    event->setFilter([&rejected](QObject *receiver) { return receiver != &rejected; });
    bus->dispatch(event);
    // Same-thread listeners have run when dispatch returns, higher priority first; a queued one
    // waits for the loop.
    QCOMPARE(journal.entries, QStringList({"high:1", "middle:1", "low:1"}));
    QCOMPARE(event->result().toInt(), 42);
    QTRY_COMPARE(journal.entries.size(), 4);
    QCOMPARE(journal.entries.last(), QStringLiteral("queued:1"));

    QWidget window;
    auto *child = new QWidget(&window);
    QCOMPARE(bus->targetObject(child), &window);
    QCOMPARE(bus->targetObject(&low), &low);
}

void TestHostEvents::otherThreadDelivery()
{
    KSCustomEventManager *bus = KSCustomEventManager::instance();
    Journal journal;
    QThread worker;
    worker.start();
    auto *receiver = new QObject;
    listen(receiver, &journal, "async");
    QObject blockingReceiver;
    new KSCustomEventListener(
        bus, &blockingReceiver, kEvent,
        [&journal](const KSCustomEventPtr &e) {
            QThread::msleep(50); // the sender must really wait for this
            journal.add(QStringLiteral("blocking"));
            e->setResult(QStringLiteral("answered"));
        },
        Qt::BlockingQueuedConnection, -1);
    receiver->moveToThread(&worker);
    blockingReceiver.moveToThread(&worker);

    auto event = KSCustomEventPtr::create(kEvent, QStringLiteral("x"));
    bus->dispatch(event);
    QCOMPARE(event->result().toString(), QStringLiteral("answered"));
    {
        QMutexLocker lock(&journal.mutex);
        QCOMPARE(journal.entries, QStringList({"async:x", "blocking"}));
        QCOMPARE(journal.threads, QVector<QThread *>({&worker, &worker}));
    }

    // A listener made for a receiver that already lives on another thread joins it.
    auto *late = new KSCustomEventListener(bus, receiver, "tst.late", [](const KSCustomEventPtr &) {});
    QCOMPARE(late->thread(), &worker);
    QCOMPARE(late->parent(), receiver);

    QMetaObject::invokeMethod(receiver, &QObject::deleteLater);
    QMetaObject::invokeMethod(
        &blockingReceiver, [&] { blockingReceiver.moveToThread(qApp->thread()); }, Qt::BlockingQueuedConnection);
    worker.quit();
    QVERIFY(worker.wait(10000));
    QCOMPARE(bus->listenerCount("tst.late"), 0);
}

void TestHostEvents::listenerLifetime()
{
    KSCustomEventManager *bus = KSCustomEventManager::instance();
    Journal journal;
    auto *first = new QObject;
    auto *second = new QObject;
    auto *third = new QObject;
    QPointer<KSCustomEventListener> listener = listen(second, &journal, "second", 1);
    listen(third, &journal, "third", 0);
    // The first listener destroys the next one's receiver mid-dispatch: it must not be called.
    new KSCustomEventListener(
        bus, first, kEvent,
        [&](const KSCustomEventPtr &) {
            journal.add(QStringLiteral("first"));
            delete second;
            second = nullptr;
        },
        Qt::AutoConnection, 2);
    bus->dispatch(KSCustomEventPtr::create(kEvent, QStringLiteral("1")));
    QCOMPARE(journal.entries, QStringList({"first", "third:1"}));
    QVERIFY(listener.isNull());
    QCOMPARE(bus->listenerCount(kEvent), 2);

    // A queued delivery to a receiver destroyed before the loop runs is dropped.
    listen(first, &journal, "queued", 0, Qt::QueuedConnection);
    delete third;
    journal.entries.clear();
    bus->dispatch(KSCustomEventPtr::create(kEvent, QStringLiteral("2")));
    delete first;
    QCoreApplication::processEvents();
    QCOMPARE(journal.entries, QStringList{"first"});
    QCOMPARE(bus->listenerCount(kEvent), 0);
}

void TestHostEvents::analytics()
{
    QCOMPARE(KSAnalytics::file(), m_root.filePath("appdata/analytics.jsonl"));
    QTemporaryDir dir;
    KSAnalytics::setFile(dir.filePath("a/events.jsonl"));
    KSAnalyticsCapture capture;
    KSTrackEvent event("cloud_upload");
    event.setProperty("zeta", 1);
    event.setProperty("alpha", "q\"uote");
    event.setProperty("mid", true);
    event.setProperty("zeta", 2.5); // replaced where it stands
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    event.sendEvent();
    {
        KSGeneralEvent general("cloud_click");
        general.add("button", "buy").add("n", 3).add("code", "Wq3z8Kp1").add("error_code", 7);
        QCOMPARE(capture.records().size(), 1); // not before it goes out of scope
    }
    KSAnalytics::setFile(QString());

    const QVector<KSTrackRecord> records = capture.records();
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0).properties.at(0), qMakePair(QStringLiteral("zeta"), QVariant(2.5)));
    QCOMPARE(records.at(1).name, QStringLiteral("cloud_click"));
    QCOMPARE(records.at(1).properties.size(), 4);

    QFile file(dir.filePath("a/events.jsonl"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    const QByteArray expected = "{\"event\":\"cloud_upload\",\"properties\":"
                                "{\"zeta\":2.5,\"alpha\":\"q\\\"uote\",\"mid\":true},\"time\":";
    QVERIFY2(lines.at(0).startsWith(expected), lines.at(0).constData());
    QVERIFY(QJsonDocument::fromJson(lines.at(0)).object().value("time").toDouble() >= before);
    // The file keeps no secret, and only its owner reads it.
    QVERIFY2(lines.at(1).contains(R"("properties":{"button":"buy","n":3,"code":"***","error_code":7})"),
        lines.at(1).constData());
    QCOMPARE(file.permissions() & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(QFile::permissions(dir.filePath("a")) & 0x7077,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QTEST_MAIN(TestHostEvents)
#include "tst_hostevents.moc"
