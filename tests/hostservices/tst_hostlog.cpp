// Logging, the observer list, life tracking and the lifetime registry.
#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSLazySingleton.h"
#include "KSSubject.h"
#include "KSTrackLifeCycle.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

// At global scope: the type names appear as they are in the log lines checked below.
class Listener
{
public:
    virtual ~Listener() = default;
    virtual void changed(int value) = 0;
};

class PlainListener : public Listener
{
public:
    PlainListener(QStringList *calls, const QString &name)
        : calls(calls)
        , name(name)
    { }
    void changed(int value) override
    {
        calls->append(name + ':' + QString::number(value));
        if (onCall)
            onCall();
    }
    QStringList *calls;
    QString name;
    std::function<void()> onCall;
};

class TrackedListener : public PlainListener, public kscore::KSTrackLifeCycle
{
public:
    using PlainListener::PlainListener;
};

class TestHostLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KSHostPaths::setRoot(m_root.path()); }
    void records();
    void logFile();
    void subject();
    void lifeCycle();
    void lazySingletons();

private:
    QTemporaryDir m_root;
};

void TestHostLog::records()
{
    KSLogCapture capture;
    KSBaseLogger *res = KSBaseLog::logger("APP@RES");
    QCOMPARE(KSBaseLog::logger("APP@RES"), res);
    QCOMPARE(KSBaseLog::defaultLogger()->name(), QStringLiteral("default"));

    const int line = __LINE__ + 1;
    KSLOG_WARN_TO("APP@RES", "moved %d of %s", 3, "files");
    KSLOG_INFO("plain");
    quint64 workerId = 0;
    QThread *worker = QThread::create([&workerId] {
        workerId = quint64(quintptr(QThread::currentThreadId()));
        KSLOG_ERROR("from worker");
    });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;

    const QVector<KSLogRecord> records = capture.records();
    QCOMPARE(records.size(), 3);
    const KSLogRecord &warn = records.at(0);
    QCOMPARE(warn.logger, QStringLiteral("APP@RES"));
    QCOMPARE(warn.level, int(KSLogWarning));
    QCOMPARE(warn.message, QStringLiteral("moved 3 of files"));
    QCOMPARE(QByteArray(warn.file), QByteArray(__FILE__));
    QCOMPARE(warn.line, line);
    QVERIFY2(QByteArray(warn.function).contains("TestHostLog::records"), warn.function);
    QCOMPARE(warn.threadId, quint64(quintptr(QThread::currentThreadId())));
    QVERIFY(qAbs(warn.time.msecsTo(QDateTime::currentDateTime())) < 60000);
    QCOMPARE(records.at(1).level, int(KSLogInfo));
    QCOMPARE(records.at(2).threadId, workerId);
    QVERIFY(workerId != warn.threadId);
    QCOMPARE(capture.messages("default"), QStringList({"plain", "from worker"}));

    // A level belongs to one logger: raising it leaves the others alone.
    capture.clear();
    res->setLevel(KSLogWarning);
    KSLOG_INFO_TO("APP@RES", "dropped");
    KSLOG_ERROR_TO("APP@RES", "kept");
    KSLOG_INFO("default still logs");
    res->setLevel(KSLogInfo);
    QCOMPARE(capture.messages(), QStringList({"kept", "default still logs"}));
}

void TestHostLog::logFile()
{
    QTemporaryDir first;
    QTemporaryDir second;
    KSBaseLog::setLogFolder(first.path());
    QCOMPARE(KSBaseLog::logFile(), first.filePath("host.log"));
    KSLOG_ERROR_TO("APP@RES", "two\nlines");
    // A new folder takes effect at the next record, not after a restart; a folder it makes is private.
    KSBaseLog::setLogFolder(second.filePath("made"));
    KSLogCapture capture;
    KSLOG_INFO(R"(share {"code":0,"data":{"code":"Zr4tq9Lm"}} {"share_id":"ab:Zr4tq9Lm","token":"tq5e"})");
    KSBaseLog::setLogFolder(QString());
    QCOMPARE(KSBaseLog::logFile(), m_root.filePath("userdata/host.log"));

    QFile file(first.filePath("host.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 2); // one record, then the final newline
    const QByteArray &line = lines.first();
    for (const char *part : {"[ERROR] [APP@RES]", "tst_hostlog.cpp:", "TestHostLog::logFile", "two\\nlines"})
        QVERIFY2(line.contains(part), line.constData());
    QFile other(second.filePath("made/host.log"));
    QVERIFY(other.open(QIODevice::ReadOnly));
    // Secrets reach neither the file nor a sink; a numeric result code is no secret.
    const QByteArray masked = R"(share {"code":0,"data":{"code":"***"}} {"share_id":"ab:***","token":"***"})";
    const QByteArray written = other.readAll();
    QVERIFY2(written.contains("[INFO] [default]") && written.contains(masked), written.constData());
    QCOMPARE(capture.messages(), QStringList{QString::fromUtf8(masked)});
    QCOMPARE(other.permissions() & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(QFile::permissions(second.filePath("made")) & 0x7077,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestHostLog::subject()
{
    KSLogCapture capture;
    auto *subject = new KSSubject<Listener>;
    QStringList calls;
    PlainListener a(&calls, "a");
    PlainListener b(&calls, "b");
    auto *tracked = new TrackedListener(&calls, "t");
    auto notify = [&subject](int value) { subject->notify([value](Listener *l) { l->changed(value); }); };

    subject->attach(nullptr);
    subject->detach(nullptr);
    QCOMPARE(capture.messages(), QStringList({"observer is nullptr", "observer is nullptr"}));
    QCOMPARE(capture.records().first().level, int(KSLogError));
    subject->attach(&b);
    subject->attach(tracked);
    subject->attach(&a);
    subject->attach(&b);
    QCOMPARE(subject->count(), 3);
    notify(1);
    QCOMPARE(calls, QStringList({"b:1", "t:1", "a:1"}));

    // Destroyed while attached: skipped with an error naming its type, the others still run.
    capture.clear();
    calls.clear();
    delete tracked;
    notify(2);
    QCOMPARE(calls, QStringList({"b:2", "a:2"}));
    QCOMPARE(capture.messages(), QStringList{"observer has free, please detach, TrackedListener"});

    // Detaching inside a call: this round was already copied, the next one goes without it.
    calls.clear();
    b.onCall = [&] { subject->detach(&b); };
    notify(3);
    notify(4);
    QCOMPARE(calls, QStringList({"b:3", "a:3", "a:4"}));

    // Deleted by an observer: reported, and (checked by ASan) the loop touches nothing freed.
    capture.clear();
    calls.clear();
    subject->attach(&b);
    b.onCall = [&subject] {
        delete subject;
        subject = nullptr;
    };
    notify(5);
    QVERIFY(!subject);
    QCOMPARE(calls, QStringList({"a:5", "b:5"}));
    QCOMPARE(capture.messages().last(), QStringLiteral("cannt delete subject in notify, Listener"));
}

class DestroyRecorder : public IKSDestroyEventObserver
{
public:
    void onObjectDestroyed(const void *object) override { told.append({object, token.expired()}); }
    QVector<QPair<const void *, bool>> told;
    std::weak_ptr<const void> token;
};

void TestHostLog::lifeCycle()
{
    DestroyRecorder recorder, removed;
    auto *object = new kscore::KSTrackLifeCycle;
    recorder.token = object->lifeToken();
    object->addDestroyObserver(&recorder);
    object->addDestroyObserver(&recorder);
    object->addDestroyObserver(&removed);
    object->removeDestroyObserver(&removed);

    // A copy lives and dies on its own and takes none of the original's observers.
    auto *copy = new kscore::KSTrackLifeCycle(*object);
    *copy = *object;
    const std::weak_ptr<const void> copyToken = copy->lifeToken();
    delete copy;
    QVERIFY(copyToken.expired() && !recorder.token.expired() && recorder.told.isEmpty());

    const void *address = object;
    delete object; // the token has expired by the time the observer hears of it
    QCOMPARE(recorder.told, (QVector<QPair<const void *, bool>>{{address, true}}));
    QVERIFY(removed.told.isEmpty());
    QCOMPARE(kscore::typeName(typeid(QMap<QString, int>)), QByteArray("QMap<QString, int>"));
}

class RecordedSingleton : public IKSLazySingleton
{
public:
    RecordedSingleton(QStringList *log, const QString &name)
        : log(log)
        , name(name)
    { }
    void releaseSingleton() override
    {
        // What a real singleton does: unregister itself (without deadlock), maybe register another.
        QVERIFY(!KSLazySingletonManager::instance()->contains(this));
        KSLazySingletonManager::instance()->remove(this);
        log->append(name);
        if (late)
            KSLazySingletonManager::instance()->add(late);
    }
    QStringList *log;
    QString name;
    IKSLazySingleton *late = nullptr;
};

void TestHostLog::lazySingletons()
{
    KSLazySingletonManager *manager = KSLazySingletonManager::instance();
    QStringList log;
    RecordedSingleton a(&log, "a"), b(&log, "b"), c(&log, "c"), late(&log, "late");
    b.late = &late;
    {
        RecordedSingleton gone(&log, "gone"); // destroyed unreleased: must not be called later
        manager->add(&gone);
        QVERIFY(manager->contains(&gone));
    }
    manager->add(&a);
    manager->add(&b);
    manager->add(&a);
    manager->add(&c);
    manager->add(nullptr);
    manager->releaseAll();
    QCOMPARE(log, QStringList({"c", "b", "late", "a"}));
    manager->releaseAll();
    QCOMPARE(log.size(), 4);
}

QTEST_GUILESS_MAIN(TestHostLog)
#include "tst_hostlog.moc"
