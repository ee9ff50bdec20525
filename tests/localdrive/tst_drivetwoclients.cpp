// Two processes on one drive folder: this test and the tqdrive tool.
#include "DriveSandbox.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

class TestDriveTwoClients : public QObject
{
    Q_OBJECT

private slots:
    void sharedFolder();
    void transfersOfALiveProcess();

private:
    QProcess *startTool(const DriveSandbox &drive, const QStringList &args);
    QString runTool(const DriveSandbox &drive, const QStringList &args);
};

QProcess *TestDriveTwoClients::startTool(const DriveSandbox &drive, const QStringList &args)
{
    auto *process = new QProcess(this);
    process->setProgram(QStringLiteral(TQDRIVE_TOOL));
    process->setArguments(QStringList{"--root", TQDriveAdmin::driveRoot(), "--token", drive.token()} + args);
    process->start();
    return process;
}

QString TestDriveTwoClients::runTool(const DriveSandbox &drive, const QStringList &args)
{
    QProcess *process = startTool(drive, args);
    if (!process->waitForFinished(60000) || process->exitCode() != 0) {
        qWarning() << args << process->readAllStandardError();
        return QString();
    }
    return QString::fromUtf8(process->readAllStandardOutput()).trimmed();
}

void TestDriveTwoClients::sharedFolder()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("mine.bin"), 1 << 20, 1);
    ReportLog log;
    QCOMPARE(
        Drive_UploadFile(
            drive.request({{"custom_uid", "m"},
                {"upload", QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("mine.bin")}}}}}),
            &ReportLog::callback, &log),
        0);
    QVERIFY(log.waitFinal());
    const QString mine = currentOf(log.final()).value("file_id").toString();
    QVERIFY(runTool(drive, {"ls", "root"}).contains(mine));

    // Both processes upload a folder of the same name into the same place at once,
    // while this one also writes a throttled file: every upload lands, no name is lost.
    QDir().mkpath(drive.path("p"));
    for (int i = 0; i < 50; ++i)
        writeFile(drive.path("p/f%1.txt").arg(i), 2000 + i, quint32(i));
    QProcess *other = startTool(drive, {"upload", drive.path("p"), "root"});
    TQDriveAdmin::setThrottle(4 << 20);
    writeFile(drive.path("slow.bin"), 1 << 20, 2);
    ReportLog slow;
    ReportLog same;
    QCOMPARE(
        Drive_UploadFile(
            drive.request({{"custom_uid", "s"},
                {"upload", QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("slow.bin")}}}}}),
            &ReportLog::callback, &slow),
        0);
    QCOMPARE(Drive_UploadFile(drive.request({{"custom_uid", "p"},
                                  {"upload", QJsonArray{QJsonObject{{"file_id", "root"}, {"path", drive.path("p")}}}}}),
                 &ReportLog::callback, &same),
        0);
    QVERIFY(other->waitForFinished(60000));
    QCOMPARE(other->exitCode(), 0);
    QVERIFY(slow.waitFinal());
    QVERIFY(same.waitFinal());
    QCOMPARE(slow.finalCode(), 0);
    QCOMPARE(same.finalCode(), 0);
    TQDriveAdmin::setThrottle(0);

    QStringList names;
    for (const QJsonValue &v : drive.list("root").value("data").toArray())
        names << v.toObject().value("name").toString();
    QCOMPARE(names, QStringList({"p", "p (1)", "mine.bin", "slow.bin"}));
    const QJsonArray folders = drive.list("root").value("data").toArray();
    for (int i = 0; i < 2; ++i)
        QCOMPARE(drive.list(folders.at(i).toObject().value("file_id").toString()).value("data").toArray().size(), 50);
    QCOMPARE(drive.spaceInfo().value("data").toObject().value("used_size").toVariant().toLongLong(),
        qint64(2 << 20) + 2 * (50 * 2000 + 49 * 50 / 2 + 0));

    // A link made by one process serves the other, with no account at all.
    const QString shareId = runTool(drive, {"share", mine, "pw"});
    QVERIFY(!shareId.isEmpty());
    QDir().mkpath(drive.path("fetched"));
    QProcess *fetch = new QProcess(this);
    fetch->start(QStringLiteral(TQDRIVE_TOOL),
        {"--root", TQDriveAdmin::driveRoot(), "fetch-share", shareId + ":pw", drive.path("fetched")});
    QVERIFY(fetch->waitForFinished(60000));
    QCOMPARE(fetch->exitCode(), 0);
    QCOMPARE(fileHash(drive.path("fetched/mine.bin")), fileHash(drive.path("mine.bin")));
}

void TestDriveTwoClients::transfersOfALiveProcess()
{
    ReportLog held;
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("big.bin"), 2 << 20, 3);
    TQDriveAdmin::setThrottle(1 << 20);
    QCOMPARE(Drive_UploadFile(
                 drive.request({{"custom_uid", "held"},
                     {"upload", QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("big.bin")}}}}}),
                 &ReportLog::callback, &held),
        0);
    QVERIFY(held.waitTransferred(100000));
    QCOMPARE(Drive_PauseUploadFile(drive.shortRequest("held")), 0);
    // Paused, it still belongs to this live process: the other one must leave it alone.
    QCOMPARE(runTool(drive, {"transfers"}).simplified(), QStringLiteral("upload paused other held"));
}

QTEST_GUILESS_MAIN(TestDriveTwoClients)
#include "tst_drivetwoclients.moc"
