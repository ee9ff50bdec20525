// Uploads and downloads against the library's real threads and files.
#include "DriveSandbox.h"
#include "TQDriveCodes.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTest>
#include <QThread>

#include <sys/time.h>
#include <unistd.h>

namespace {

QJsonObject uploadItem(const QString &parent, const QString &path, int mode = 1)
{
    return {{"file_id", parent}, {"path", path}, {"check_name_mode", mode}, {"hidden", false}, {"tags", QJsonArray()}};
}

QJsonObject downloadItem(const QString &fileId, const QString &saveDir)
{
    return {{"file_id", fileId}, {"save_dir", saveDir}};
}

// Relative path -> content hash of every file below a folder, and the folders themselves.
QMap<QString, QByteArray> treeOf(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(root).relativeFilePath(path);
        tree.insert(rel, it.fileInfo().isDir() ? QByteArray("dir") : fileHash(path));
    }
    return tree;
}

void makeTree(const QString &root)
{
    QDir().mkpath(root + "/media/raw");
    QDir().mkpath(root + "/empty");
    writeFile(root + "/project.json", 5000, 1);
    writeFile(root + "/.hidden", 10, 2);
    writeFile(root + "/media/clip.mp4", 700000, 3);
    writeFile(root + "/media/raw/a.wav", 300000, 4);
    writeFile(root + "/media/raw/b.wav", 0, 5);
}

int childCount(const DriveSandbox &drive, const QString &parent)
{
    return drive.list(parent).value("data").toArray().size();
}

// The texts a log holds once its final report is in and a second one would have arrived too; none
// when one came on this thread, as the library calls back from its own threads only.
QVector<QByteArray> settled(ReportLog &log)
{
    if (!log.waitFinal(10000))
        return {};
    QTest::qWait(300);
    return log.sawThread(QThread::currentThreadId()) ? QVector<QByteArray>() : log.texts();
}

// Signs a second account in; the request text for a transfer uid in its space.
QByteArray signInOther(const QString &uid)
{
    TQDriveAdmin::AccountInfo other;
    if (TQDriveAdmin::createAccount("other@example.com", 0, &other) != 0)
        return QByteArray();
    TQDriveAdmin::setServiceState(other.accountId, TQDriveAdmin::Opened);
    const QJsonObject login{{"token", TQDriveAdmin::issueToken(other.accountId)}, {"is_public", false}};
    if (Drive_Login(QJsonDocument(login).toJson(QJsonDocument::Compact)) != 0)
        return QByteArray();
    return QJsonDocument(QJsonObject{{"custom_uid", uid}, {"space_id", qint64(other.spaceId)}})
        .toJson(QJsonDocument::Compact);
}

bool execSql(const QString &database, const QByteArray &sql)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(database.toUtf8(), &db) == SQLITE_OK
        && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// The version-3 form of the tables that kept the token and the access codes in clear text, without
// what later versions added.
QByteArray plainSecrets(const DriveSandbox &drive, const QString &code = QString())
{
    return "DROP TABLE remote_ids;"
           "ALTER TABLE transfer_items DROP COLUMN version;"
           "DROP TABLE tokens;"
           "CREATE TABLE tokens(token TEXT PRIMARY KEY, account_id INTEGER NOT NULL, expires_at INTEGER NOT NULL);"
           "INSERT INTO tokens VALUES('"
        + drive.token().toUtf8() + "', " + QByteArray::number(drive.account().accountId)
        + ", 0);"
          "ALTER TABLE shares DROP COLUMN code_salt;"
          "ALTER TABLE shares DROP COLUMN code_hash;"
          "ALTER TABLE shares ADD COLUMN code TEXT NOT NULL DEFAULT '"
        + code.toUtf8() + "';";
}

void backdate(const QString &path, int days)
{
    const timeval old{time(nullptr) - days * 86400, 0};
    const timeval times[2] = {old, old};
    ::utimes(QFile::encodeName(path).constData(), times);
}

// The answer code, then "uid kind state" and the flags that are set, one line a transfer.
QStringList transfersToActOn(const QByteArray &request = "{}")
{
    const QJsonObject answer = DriveSandbox::answer([&](char **o) { return Drive_GetTransferList(request, o); });
    QStringList lines{QString::number(answer.value("code").toInt())};
    for (const QJsonValue &v : answer.value("data").toArray()) {
        const QJsonObject t = v.toObject();
        lines << QStringLiteral("%1 %2 %3")
                     .arg(t.value("custom_uid").toString())
                     .arg(t.value("kind").toInt())
                     .arg(t.value("state").toString());
        for (const char *flag : {"share", "running_here", "owner_alive"})
            lines.last() += t.value(flag).toBool() ? QLatin1Char(' ') + QLatin1String(flag) : QString();
    }
    return lines;
}

} // namespace

class TestDriveTransfers : public QObject
{
    Q_OBJECT

private slots:
    void fileUploadReports();
    void folderRoundTrip();
    void nameClashModes_data();
    void nameClashModes();
    void pauseAndResume();
    void resumeAcrossRestart();
    void resumeRules();
    void limitsAndQuota();
    void damagedContent();
    void transferFaultThenRetry();
    void hostileCloudNames();
    void completedTransfersResume();
    void completionsAcrossRestarts();
    void unfinishedTransfers();
    void secretsLeaveOlderFolders();
    void longNames();
};

void TestDriveTransfers::fileUploadReports()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("export.mp4"), 3 << 20, 7);
    // Slow enough for several progress reports.
    TQDriveAdmin::setThrottle(6 << 20);
    ReportLog log;
    const QByteArray request = drive.request({{"custom_uid", "{media-1}"},
        {"upload",
            QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("export.mp4")},
                {"custom_name", "Final cut.mp4"}, {"check_name_mode", 1}}}}});
    QCOMPARE(Drive_UploadFile(request, &ReportLog::callback, &log), 0);
    QVERIFY(log.waitFinal());
    const QVector<QJsonObject> reports = log.reports();
    const QVector<qint64> times = log.times();
    QVERIFY(log.uids().count("{media-1}") == reports.size());

    // Progress reports come no more often than about every 100 ms and never go backwards.
    int progress = 0;
    qint64 lastTransferred = -1;
    for (int i = 0; i < reports.size(); ++i) {
        const QJsonObject r = reports[i];
        const qint64 transferred = r.value("all").toObject().value("transferred_size").toVariant().toLongLong();
        QVERIFY(transferred >= lastTransferred);
        lastTransferred = transferred;
        QCOMPARE(r.value("code").toInt(), 0);
        QCOMPARE(r.value("all").toObject().value("total_size").toVariant().toLongLong(), qint64(3 << 20));
        if (r.value("status").toInt() == 1 && currentOf(r).value("status").toInt() == 1) {
            if (progress++ > 0)
                QVERIFY2(times[i] - times[i - 1] >= 80, qPrintable(QString::number(times[i] - times[i - 1])));
        }
    }
    QVERIFY(progress >= 3);

    // One report for the finished item, then the completion.
    QCOMPARE(reports.size() - progress, 2);
    const QJsonObject itemDone = reports[reports.size() - 2];
    QCOMPARE(itemDone.value("status").toInt(), 1);
    QCOMPARE(currentOf(itemDone).value("status").toInt(), 3);
    const QJsonObject done = reports.last();
    QCOMPARE(done.value("status").toInt(), 3);
    const QJsonObject current = currentOf(done);
    QCOMPARE(current.value("status").toInt(), 3);
    QCOMPARE(current.value("origin_path").toString(), drive.path("export.mp4"));
    QCOMPARE(current.value("path").toString(), QStringLiteral("/Final cut.mp4"));
    QCOMPARE(current.value("content_hash").toString().toLatin1(), fileHash(drive.path("export.mp4")));
    QCOMPARE(current.value("content_hash_name").toString(), QStringLiteral("sha256"));
    QCOMPARE(drive.list("root").value("data").toArray().first().toObject().value("file_id").toString(),
        current.value("file_id").toString());
    QCOMPARE(drive.spaceInfo().value("data").toObject().value("used_size").toVariant().toLongLong(), qint64(3 << 20));
}

void TestDriveTransfers::folderRoundTrip()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    const QString local = drive.path("My Project");
    makeTree(local);
    const QString target = drive.createDir("root", "Projects/p1").value("data").toObject().value("file_id").toString();

    ReportLog up;
    QCOMPARE(Drive_UploadFile(drive.request({{"custom_uid", "up"}, {"upload", QJsonArray{uploadItem(target, local)}}}),
                 &ReportLog::callback, &up),
        0);
    QVERIFY(up.waitFinal());
    QCOMPARE(up.finalCode(), 0);
    QStringList finished;
    for (const QJsonObject &r : up.reports()) {
        if (r.value("status").toInt() == 1 && currentOf(r).value("status").toInt() == 3)
            finished << currentOf(r).value("origin_path").toString();
    }
    // The top folder first, folders with a trailing slash, every file and folder once.
    QCOMPARE(finished.first(), local + "/");
    QCOMPARE(finished.size(), 9);
    QVERIFY(finished.contains(local + "/media/raw/"));
    QVERIFY(finished.contains(local + "/empty/"));
    QVERIFY(finished.contains(local + "/.hidden"));
    const QJsonObject top = currentOf(up.final());
    QCOMPARE(top.value("origin_path").toString(), local + "/");
    QCOMPARE(top.value("path").toString(), QStringLiteral("/Projects/p1/My Project/"));
    const QString folderId = top.value("file_id").toString();
    QCOMPARE(drive.list(target).value("data").toArray().first().toObject().value("file_id").toString(), folderId);

    QDir().mkpath(drive.path("down"));
    ReportLog down;
    QCOMPARE(Drive_DownloadFile(drive.request({{"custom_uid", "down"},
                                    {"download", QJsonArray{downloadItem(folderId, drive.path("down"))}}}),
                 &ReportLog::callback, &down),
        0);
    QVERIFY(down.waitFinal());
    QCOMPARE(down.finalCode(), 0);
    QCOMPARE(currentOf(down.final()).value("path").toString(), drive.path("down/My Project/"));
    QCOMPARE(currentOf(down.final()).value("origin_path").toString(), QStringLiteral("/Projects/p1/My Project/"));
    QCOMPARE(treeOf(drive.path("down/My Project")), treeOf(local));
    QStringList downFinished;
    for (const QJsonObject &r : down.reports()) {
        if (r.value("status").toInt() == 1 && currentOf(r).value("status").toInt() == 3)
            downFinished << currentOf(r).value("path").toString();
    }
    QCOMPARE(downFinished.first(), drive.path("down/My Project/"));
    // No partial files are left behind.
    QDirIterator parts(drive.path("down"), {"*.tqpart"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QVERIFY(!parts.hasNext());

    // A second download of the same folder keeps both.
    ReportLog again;
    QCOMPARE(Drive_DownloadFile(drive.request({{"custom_uid", "down2"},
                                    {"download", QJsonArray{downloadItem(folderId, drive.path("down"))}}}),
                 &ReportLog::callback, &again),
        0);
    QVERIFY(again.waitFinal());
    QCOMPARE(currentOf(again.final()).value("path").toString(), drive.path("down/My Project (1)/"));
}

void TestDriveTransfers::nameClashModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("sameId");

    QTest::newRow("rename") << 1 << 0 << QStringList({"p", "p (1)"}) << false;
    QTest::newRow("fail") << 2 << int(TQDrive::NameClash) << QStringList({"p"}) << false;
    QTest::newRow("merge") << 4 << 0 << QStringList({"p"}) << true;
    QTest::newRow("replace") << 5 << 0 << QStringList({"p"}) << false;
}

void TestDriveTransfers::nameClashModes()
{
    QFETCH(int, mode);
    QFETCH(int, result);
    QFETCH(QStringList, names);
    QFETCH(bool, sameId);

    DriveSandbox drive;
    QVERIFY(drive.isReady());
    QDir().mkpath(drive.path("p"));
    writeFile(drive.path("p/a.txt"), 100, 1);
    ReportLog first;
    QCOMPARE(Drive_UploadFile(
                 drive.request({{"custom_uid", "1"}, {"upload", QJsonArray{uploadItem("root", drive.path("p"))}}}),
                 &ReportLog::callback, &first),
        0);
    QVERIFY(first.waitFinal());
    const QString firstId = currentOf(first.final()).value("file_id").toString();

    writeFile(drive.path("p/a.txt"), 200, 2);
    writeFile(drive.path("p/b.txt"), 50, 3);
    ReportLog second;
    // A refused clash is known before anything moves.
    const int started = Drive_UploadFile(
        drive.request({{"custom_uid", "2"}, {"upload", QJsonArray{uploadItem("root", drive.path("p"), mode)}}}),
        &ReportLog::callback, &second);
    QCOMPARE(started, result);
    if (started == 0) {
        QVERIFY(second.waitFinal());
        QCOMPARE(second.finalCode(), 0);
    }

    QStringList listed;
    for (const QJsonValue &v : drive.list("root").value("data").toArray())
        listed << v.toObject().value("name").toString();
    QCOMPARE(listed, names);
    if (result != 0)
        return;
    const QString secondId = currentOf(second.final()).value("file_id").toString();
    QCOMPARE(secondId == firstId, sameId);
    // The folder now holds the new content, replaced in place when merged.
    const QJsonArray inside = drive.list(secondId).value("data").toArray();
    QCOMPARE(inside.size(), 2);
    QCOMPARE(inside.first().toObject().value("size").toInt(), 200);
    const qint64 used = drive.spaceInfo().value("data").toObject().value("used_size").toVariant().toLongLong();
    QCOMPARE(used, mode == 4 ? 250 : 350); // the recycle bin and the kept copy still count
}

void TestDriveTransfers::pauseAndResume()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("big.bin"), 4 << 20, 11);
    TQDriveAdmin::setThrottle(8 << 20);

    ReportLog log;
    const QByteArray start = drive.request({{"custom_uid", "p1"},
        {"upload", QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("big.bin")}}}}});
    QCOMPARE(Drive_UploadFile(start, &ReportLog::callback, &log), 0);
    QVERIFY(log.waitTransferred(1 << 20));
    QCOMPARE(Drive_PauseUploadFile(drive.shortRequest("p1")), 0);
    // Stopped when pause returns: no report follows, the partial content is on disk.
    const int reportsAtPause = log.reports().size();
    const qint64 atPause
        = log.reports().last().value("all").toObject().value("transferred_size").toVariant().toLongLong();
    QTest::qWait(300);
    QCOMPARE(log.reports().size(), reportsAtPause);
    QVERIFY(atPause > 0 && atPause < (4 << 20));
    QCOMPARE(QDir(drive.path("drive/staging")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    QCOMPARE(Drive_PauseUploadFile(drive.shortRequest("p1")), 0);

    TQDriveAdmin::setThrottle(0);
    // A resume without a callback keeps the one the transfer was started with.
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest("p1"), nullptr, &log), 0);
    QVERIFY(log.waitFinal());
    QCOMPARE(log.finalCode(), 0);
    // The resumed run starts from where the pause left it.
    const QJsonObject firstAfter = log.reports().at(reportsAtPause);
    QVERIFY(firstAfter.value("all").toObject().value("transferred_size").toVariant().toLongLong() >= atPause);
    const QString fileId = currentOf(log.final()).value("file_id").toString();
    QCOMPARE(currentOf(log.final()).value("content_hash").toString().toLatin1(), fileHash(drive.path("big.bin")));
    QCOMPARE(QDir(drive.path("drive/staging")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 0);

    // The same for a download.
    QDir().mkpath(drive.path("down"));
    TQDriveAdmin::setThrottle(8 << 20);
    ReportLog down;
    QCOMPARE(Drive_DownloadFile(drive.request({{"custom_uid", "d1"},
                                    {"download", QJsonArray{downloadItem(fileId, drive.path("down"))}}}),
                 &ReportLog::callback, &down),
        0);
    QVERIFY(down.waitTransferred(1 << 20));
    QCOMPARE(Drive_PauseDownloadFile(drive.shortRequest("d1")), 0);
    const QStringList parts = QDir(drive.path("down")).entryList({"big.bin.*.tqpart"}, QDir::Files);
    QCOMPARE(parts.size(), 1);
    QVERIFY(QFileInfo(drive.path("down/" + parts.first())).size() > 0);
    QVERIFY(!QFileInfo::exists(drive.path("down/big.bin")));
    TQDriveAdmin::setThrottle(0);
    QCOMPARE(Drive_ResumeDownloadFile(drive.shortRequest("d1"), &ReportLog::callback, &down), 0);
    QVERIFY(down.waitFinal());
    QCOMPARE(down.finalCode(), 0);
    QCOMPARE(fileHash(drive.path("down/big.bin")), fileHash(drive.path("big.bin")));
    QCOMPARE(QDir(drive.path("down")).entryList(QDir::Files), QStringList{"big.bin"});
}

void TestDriveTransfers::resumeAcrossRestart()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    const QString local = drive.path("tree");
    makeTree(local);
    writeFile(local + "/media/long.mov", 3 << 20, 9);
    TQDriveAdmin::setThrottle(4 << 20);

    ReportLog log;
    QCOMPARE(Drive_UploadFile(drive.request({{"custom_uid", "r1"}, {"upload", QJsonArray{uploadItem("root", local)}}}),
                 &ReportLog::callback, &log),
        0);
    QVERIFY(log.waitTransferred(1500000));
    // Uninit stops the transfer cleanly; a new session continues it.
    drive.uninit();
    const int reportsAtStop = log.reports().size();
    QTest::qWait(200);
    QCOMPARE(log.reports().size(), reportsAtStop);
    TQDriveAdmin::setThrottle(0);
    QVERIFY(drive.init());
    QVERIFY(drive.login());
    // A fresh start of the same transfer is told to resume.
    QCOMPARE(Drive_UploadFile(drive.request({{"custom_uid", "r1"}, {"upload", QJsonArray{uploadItem("root", local)}}}),
                 &ReportLog::callback, &log),
        int(TQDrive::PartialStateExists));
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest("r1"), &ReportLog::callback, &log), 0);
    QVERIFY(log.waitFinal());
    QCOMPARE(log.finalCode(), 0);
    const QString folderId = currentOf(log.final()).value("file_id").toString();
    QCOMPARE(drive.list("root").value("data").toArray().size(), 1);

    QDir().mkpath(drive.path("down"));
    ReportLog down;
    QCOMPARE(Drive_DownloadFile(drive.request({{"custom_uid", "r2"},
                                    {"download", QJsonArray{downloadItem(folderId, drive.path("down"))}}}),
                 &ReportLog::callback, &down),
        0);
    QVERIFY(down.waitFinal());
    QCOMPARE(treeOf(drive.path("down/tree")), treeOf(local));
}

void TestDriveTransfers::resumeRules()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("f.bin"), 2 << 20, 5);
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest("none"), nullptr, nullptr), int(TQDrive::NothingToResumeUpload));
    QCOMPARE(
        Drive_ResumeDownloadFile(drive.shortRequest("none"), nullptr, nullptr), int(TQDrive::NothingToResumeDownload));
    QCOMPARE(Drive_PauseUploadFile(drive.shortRequest("none")), int(TQDrive::NoSuchTransfer));
    QCOMPARE(Drive_CancelUploadFile(drive.shortRequest("none")), 0);

    TQDriveAdmin::setThrottle(2 << 20);
    ReportLog log;
    const QByteArray start = drive.request({{"custom_uid", "c1"},
        {"upload", QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("f.bin")}}}}});
    QCOMPARE(Drive_UploadFile(start, &ReportLog::callback, &log), 0);
    QCOMPARE(Drive_UploadFile(start, &ReportLog::callback, &log), int(TQDrive::TransferBusy));
    QVERIFY(log.waitTransferred(200000));
    // Cancel discards the partial state: nothing to resume, nothing stored, a fresh start works.
    QCOMPARE(Drive_CancelUploadFile(drive.shortRequest("c1")), 0);
    QCOMPARE(QDir(drive.path("drive/staging")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 0);
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest("c1"), &ReportLog::callback, &log),
        int(TQDrive::NothingToResumeUpload));
    QCOMPARE(drive.list("root").value("data").toArray().size(), 0);
    QCOMPARE(drive.spaceInfo().value("data").toObject().value("used_size").toInt(), 0);
    TQDriveAdmin::setThrottle(0);
    log.clear();
    QCOMPARE(Drive_UploadFile(start, &ReportLog::callback, &log), 0);
    QVERIFY(log.waitFinal());
    QCOMPARE(log.finalCode(), 0);

    // Another account cannot continue this account's transfer.
    TQDriveAdmin::setThrottle(1 << 20);
    log.clear();
    QCOMPARE(Drive_UploadFile(
                 drive.request({{"custom_uid", "c2"},
                     {"upload", QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("f.bin")}}}}}),
                 &ReportLog::callback, &log),
        0);
    QVERIFY(log.waitTransferred(100000));
    QCOMPARE(Drive_PauseUploadFile(drive.shortRequest("c2")), 0);
    TQDriveAdmin::AccountInfo other;
    QCOMPARE(TQDriveAdmin::createAccount("other@example.com", 0, &other), 0);
    TQDriveAdmin::setServiceState(other.accountId, TQDriveAdmin::Opened);
    const QString otherToken = TQDriveAdmin::issueToken(other.accountId);
    QCOMPARE(
        Drive_Login(
            QJsonDocument(QJsonObject{{"token", otherToken}, {"is_public", false}}).toJson(QJsonDocument::Compact)),
        0);
    const QByteArray otherShort = QJsonDocument(QJsonObject{{"custom_uid", "c2"}, {"space_id", qint64(other.spaceId)}})
                                      .toJson(QJsonDocument::Compact);
    QCOMPARE(Drive_ResumeUploadFile(otherShort, &ReportLog::callback, &log), int(TQDrive::NothingToResumeUpload));
}

void TestDriveTransfers::limitsAndQuota()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    QVERIFY(TQDriveAdmin::setSpaceInfo(drive.account().accountId,
        {{"total_size", 1000000}, {"file_size_limit", 600000}, {"single_file_upload_size", 500000}}));
    writeFile(drive.path("big.bin"), 500001, 1);
    writeFile(drive.path("ok.bin"), 400000, 2);
    writeFile(drive.path("ok2.bin"), 400001, 3);
    writeFile(drive.path("ok3.bin"), 300000, 4);
    auto start = [&](const QString &uid, const QString &path, ReportLog *log) {
        return Drive_UploadFile(drive.request({{"custom_uid", uid},
                                    {"upload", QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", path}}}}}),
            &ReportLog::callback, log);
    };
    // The smaller of the two limits applies to one file.
    QCOMPARE(start("a", drive.path("big.bin"), nullptr), int(TQDrive::FileTooLarge));
    ReportLog log;
    QCOMPARE(start("b", drive.path("ok.bin"), &log), 0);
    QVERIFY(log.waitFinal());
    ReportLog log2;
    QCOMPARE(start("c", drive.path("ok2.bin"), &log2), 0);
    QVERIFY(log2.waitFinal());
    QCOMPARE(drive.spaceInfo().value("data").toObject().value("used_size").toInt(), 800001);
    // The quota is checked before anything moves.
    QCOMPARE(start("d", drive.path("ok3.bin"), nullptr), int(TQDrive::QuotaExceeded));
    // ... and again when the content is stored, in case the quota shrank meanwhile.
    TQDriveAdmin::setThrottle(1 << 20);
    ReportLog log3;
    QCOMPARE(Drive_DeleteFile(drive.request({{"file_id", currentOf(log2.final()).value("file_id").toString()}})), 0);
    QCOMPARE(start("e", drive.path("ok3.bin"), &log3), 0);
    QVERIFY(TQDriveAdmin::setSpaceInfo(drive.account().accountId, {{"total_size", 500000}}));
    QVERIFY(log3.waitFinal());
    QCOMPARE(log3.finalCode(), int(TQDrive::QuotaExceeded));
    QCOMPARE(drive.spaceInfo().value("data").toObject().value("used_size").toInt(), 400000);
}

void TestDriveTransfers::damagedContent()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("v.mp4"), 2 << 20, 8);
    ReportLog up;
    QCOMPARE(Drive_UploadFile(
                 drive.request({{"custom_uid", "u"},
                     {"upload", QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("v.mp4")}}}}}),
                 &ReportLog::callback, &up),
        0);
    QVERIFY(up.waitFinal());
    const QString fileId = currentOf(up.final()).value("file_id").toString();
    QVERIFY(TQDriveAdmin::corruptBlob(fileId));

    QDir().mkpath(drive.path("down"));
    ReportLog down;
    QCOMPARE(Drive_DownloadFile(drive.request({{"custom_uid", "d"},
                                    {"download", QJsonArray{downloadItem(fileId, drive.path("down"))}}}),
                 &ReportLog::callback, &down),
        0);
    QVERIFY(down.waitFinal());
    QCOMPARE(down.final().value("status").toInt(), 4);
    QCOMPARE(down.final().value("code").toInt(), 0);
    QCOMPARE(down.finalCode(), int(TQDrive::ContentDamaged));
    QCOMPARE(QDir(drive.path("down")).entryList(QDir::Files | QDir::Hidden).size(), 0);
    const QByteArray simple = drive.request({{"file_id", fileId}, {"save_dir", drive.path("down")}});
    QCOMPARE(DriveSandbox::answer([&](char **o) { return Drive_SimpleDownloadFile(simple, o); }).value("code").toInt(),
        int(TQDrive::ContentDamaged));
    QCOMPARE(QDir(drive.path("down")).entryList(QDir::Files | QDir::Hidden).size(), 0);

    // Uploading the same content again repairs the stored copy.
    ReportLog again;
    QCOMPARE(Drive_UploadFile(drive.request({{"custom_uid", "u2"},
                                  {"upload",
                                      QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("v.mp4")},
                                          {"check_name_mode", 4}}}}}),
                 &ReportLog::callback, &again),
        0);
    QVERIFY(again.waitFinal());
    QCOMPARE(
        DriveSandbox::answer([&](char **o) { return Drive_SimpleDownloadFile(simple, o); }).value("code").toInt(), 0);
}

void TestDriveTransfers::transferFaultThenRetry()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("f.bin"), 3 << 20, 4);
    TQDriveAdmin::failTransferAfter("t1", 1000, 500002);
    ReportLog log;
    const QByteArray start = drive.request({{"custom_uid", "t1"},
        {"upload", QJsonArray{QJsonObject{{"parent_file_id", "root"}, {"path", drive.path("f.bin")}}}}});
    QCOMPARE(Drive_UploadFile(start, &ReportLog::callback, &log), 0);
    QVERIFY(log.waitFinal());
    QCOMPARE(log.final().value("status").toInt(), 4);
    QCOMPARE(log.finalCode(), 500002);
    ReportLog retry;
    QCOMPARE(Drive_UploadFile(start, &ReportLog::callback, &retry), int(TQDrive::PartialStateExists));
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest("t1"), &ReportLog::callback, &retry), 0);
    QVERIFY(retry.waitFinal());
    QCOMPARE(retry.finalCode(), 0);
    // A retry resumes from the byte where the failure struck, not from zero.
    QCOMPARE(retry.reports().first().value("all").toObject().value("transferred_size").toVariant().toLongLong(), 1000);
    QCOMPARE(currentOf(retry.final()).value("content_hash").toString().toLatin1(), fileHash(drive.path("f.bin")));
}

void TestDriveTransfers::hostileCloudNames()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    QDir().mkpath(drive.path("src/sub"));
    writeFile(drive.path("src/sub/x.txt"), 10, 1);
    ReportLog up;
    QCOMPARE(Drive_UploadFile(
                 drive.request({{"custom_uid", "u"}, {"upload", QJsonArray{uploadItem("root", drive.path("src"))}}}),
                 &ReportLog::callback, &up),
        0);
    QVERIFY(up.waitFinal());
    const QString folderId = currentOf(up.final()).value("file_id").toString();
    drive.uninit();

    // A name no client could store, written straight into the database.
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(drive.path("drive/drive.sqlite3").toUtf8(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db,
                 "UPDATE files SET name = '../../escaped' WHERE name = 'sub';"
                 "UPDATE files SET name = '..' WHERE name = 'x.txt';",
                 nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);

    QVERIFY(drive.init() && drive.login());
    const QString saveDir = drive.path("a/b/save");
    QDir().mkpath(saveDir);
    ReportLog down;
    QCOMPARE(Drive_DownloadFile(
                 drive.request({{"custom_uid", "d"}, {"download", QJsonArray{downloadItem(folderId, saveDir)}}}),
                 &ReportLog::callback, &down),
        0);
    QVERIFY(down.waitFinal());
    QCOMPARE(down.finalCode(), 0);
    QVERIFY(!QFileInfo::exists(drive.path("a/escaped")));
    QVERIFY(!QFileInfo::exists(drive.path("escaped")));
    QCOMPARE(treeOf(drive.path("a")).keys(),
        QStringList({"b", "b/save", "b/save/src", "b/save/src/.._.._escaped", "b/save/src/.._.._escaped/_"}));
}

void TestDriveTransfers::completedTransfersResume()
{
    // Outlive the drive, whose end waits for reports still on their way to them.
    ReportLog first, again, noCallback, refused, second, down, downAgain, shared, sharedAgain;
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("x.bin"), 300000, 21);
    const QByteArray start
        = drive.request({{"custom_uid", "x"}, {"upload", QJsonArray{uploadItem("root", drive.path("x.bin"))}}});
    const QByteArray x = drive.shortRequest("x");
    QCOMPARE(Drive_UploadFile(start, &ReportLog::callback, &first), 0);
    QVERIFY(first.waitFinal());
    const QVector<QByteArray> uploaded{first.texts().last()};

    // A client that missed the final report hears it again, as it was; nothing moves.
    QCOMPARE(Drive_ResumeUploadFile(x, &ReportLog::callback, &again), 0);
    QCOMPARE(settled(again), uploaded);
    QCOMPARE(again.uids(), QStringList{"x"});
    QCOMPARE(Drive_ResumeUploadFile(x, nullptr, &noCallback), 0);
    QCOMPARE(settled(noCallback), uploaded);
    // Restarting it is resuming it, so the item is not stored twice.
    QCOMPARE(Drive_UploadFile(start, &ReportLog::callback, &refused), int(TQDrive::PartialStateExists));
    QCOMPARE(childCount(drive, "root"), 1);
    QCOMPARE(Drive_PauseUploadFile(x), int(TQDrive::NoSuchTransfer));
    QCOMPARE(Drive_ResumeDownloadFile(x, &ReportLog::callback, &refused), int(TQDrive::NothingToResumeDownload));
    const QByteArray otherShort = signInOther("x");
    QVERIFY(!otherShort.isEmpty());
    QCOMPARE(Drive_ResumeUploadFile(otherShort, &ReportLog::callback, &refused), int(TQDrive::NothingToResumeUpload));
    QVERIFY(drive.login());

    // Cancel forgets the completion, not the entry; the uid then names a new upload.
    QCOMPARE(Drive_CancelUploadFile(x), 0);
    QCOMPARE(Drive_ResumeUploadFile(x, &ReportLog::callback, &refused), int(TQDrive::NothingToResumeUpload));
    QCOMPARE(Drive_UploadFile(start, &ReportLog::callback, &second), 0);
    QVERIFY(second.waitFinal());
    QCOMPARE(currentOf(second.final()).value("path").toString(), QStringLiteral("/x (1).bin"));
    QCOMPARE(refused.reports().size(), 0);

    // A finished download is told again without writing its file again.
    const QString fileId = currentOf(first.final()).value("file_id").toString();
    const QString saveDir = drive.path("down");
    QDir().mkpath(saveDir);
    QCOMPARE(Drive_DownloadFile(
                 drive.request({{"custom_uid", "d"}, {"download", QJsonArray{downloadItem(fileId, saveDir)}}}),
                 &ReportLog::callback, &down),
        0);
    QVERIFY(down.waitFinal());
    const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-3);
    QFile target(saveDir + "/x.bin");
    QVERIFY(target.open(QIODevice::ReadWrite) && target.setFileTime(old, QFileDevice::FileModificationTime));
    target.close();
    QCOMPARE(Drive_ResumeDownloadFile(drive.shortRequest("d"), &ReportLog::callback, &downAgain), 0);
    QCOMPARE(settled(downAgain), QVector<QByteArray>{down.texts().last()});
    QCOMPARE(QFileInfo(target).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
    QCOMPARE(QDir(saveDir).entryList(QDir::Files | QDir::Hidden), QStringList{"x.bin"});

    // A share download belongs to no account, so its completion is told without a sign-in.
    const QByteArray share = drive.request({{"file_id", fileId}, {"expires_in", 0}});
    const QString shareId = DriveSandbox::answer([&](char **o) { return Drive_ShareFile(share, o); })
                                .value("data")
                                .toObject()
                                .value("id")
                                .toString();
    QCOMPARE(Drive_Logout(), 0);
    const QJsonObject byShare{{"share_id", shareId}, {"save_dir", saveDir}};
    QCOMPARE(Drive_DownloadFile(QJsonDocument(QJsonObject{{"custom_uid", "s"}, {"download", QJsonArray{byShare}}})
                                    .toJson(QJsonDocument::Compact),
                 &ReportLog::callback, &shared),
        0);
    QVERIFY(shared.waitFinal());
    QCOMPARE(Drive_ResumeDownloadFile(R"({"custom_uid":"s"})", &ReportLog::callback, &sharedAgain), 0);
    QCOMPARE(settled(sharedAgain), QVector<QByteArray>{shared.texts().last()});
    QCOMPARE(Drive_ResumeDownloadFile(drive.shortRequest("d"), nullptr, nullptr), int(TQDrive::NotSignedIn));
}

void TestDriveTransfers::completionsAcrossRestarts()
{
    // Outlive the drive, whose end waits for reports still on their way to them.
    ReportLog log, forgotten, again;
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("v.bin"), 2 << 20, 25);
    TQDriveAdmin::setThrottle(2 << 20);
    const QByteArray v = drive.shortRequest("v");
    QCOMPARE(Drive_UploadFile(
                 drive.request({{"custom_uid", "v"}, {"upload", QJsonArray{uploadItem("root", drive.path("v.bin"))}}}),
                 &ReportLog::callback, &log),
        0);
    QVERIFY(log.waitTransferred(200000));
    QCOMPARE(Drive_PauseUploadFile(v), 0);
    drive.uninit();

    // The folder as the first version of the library left it, with a paused upload in it. A step
    // that left the stored version behind would run again, and fail, at the next restart.
    const QString database = drive.path("drive/drive.sqlite3");
    QVERIFY(execSql(database,
        plainSecrets(drive)
            + "DROP TABLE completed_transfers;"
              "ALTER TABLE transfers DROP COLUMN last_active;"
              "UPDATE meta SET value = '1' WHERE key = 'schema_version';"));
    TQDriveAdmin::setDriveRoot(drive.path("drive")); // drops the open connection, so the file is read again
    TQDriveAdmin::setThrottle(0);
    QVERIFY(drive.init() && drive.login());
    QCOMPARE(Drive_ResumeUploadFile(v, &ReportLog::callback, &log), 0);
    QVERIFY(log.waitFinal());

    // Kept for 30 days from when it finished, across restarts; callbacks are not.
    const auto restartDaysLater = [&](int days) {
        drive.uninit();
        return execSql(database,
                   "UPDATE completed_transfers SET completed = completed - " + QByteArray::number(days * 86400000LL))
            && drive.init() && drive.login();
    };
    QVERIFY(restartDaysLater(29));
    QCOMPARE(Drive_ResumeUploadFile(v, nullptr, &forgotten), 0);
    QCOMPARE(Drive_ResumeUploadFile(v, &ReportLog::callback, &again), 0);
    QCOMPARE(settled(again), QVector<QByteArray>{log.texts().last()});
    QCOMPARE(forgotten.reports().size(), 0);
    QVERIFY(restartDaysLater(2));
    QCOMPARE(Drive_ResumeUploadFile(v, &ReportLog::callback, &again), int(TQDrive::NothingToResumeUpload));
}

void TestDriveTransfers::unfinishedTransfers()
{
    ReportLog source, resumed;
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("f.bin"), 300000, 71);
    const QJsonObject item = uploadItem("root", drive.path("f.bin"));
    QCOMPARE(Drive_UploadFile(
                 drive.request({{"custom_uid", "src"}, {"upload", QJsonArray{item}}}), &ReportLog::callback, &source),
        0);
    QVERIFY(source.waitFinal());
    const QByteArray share
        = drive.request({{"file_id", currentOf(source.final()).value("file_id").toString()}, {"expires_in", 0}});
    const QJsonObject link = DriveSandbox::answer([&](char **o) { return Drive_ShareFile(share, o); });
    const QString saveDir = drive.path("down");
    QDir().mkpath(saveDir);
    // Each leaves staged data behind: a staging folder, or a partial file beside its target.
    auto leaveFailed = [&](const char *uid, const char *key, const QJsonObject &item) {
        ReportLog log;
        TQDriveAdmin::failTransferAfter(uid, 1000, 500002);
        const QByteArray request = drive.request({{"custom_uid", uid}, {key, QJsonArray{item}}});
        const int started = QByteArray(key) == "upload" ? Drive_UploadFile(request, &ReportLog::callback, &log)
                                                        : Drive_DownloadFile(request, &ReportLog::callback, &log);
        return started == 0 && log.waitFinal() && log.finalCode() == 500002;
    };
    for (const char *uid : {"a", "c", "d", "e", "f"})
        QVERIFY(leaveFailed(uid, "upload", item));
    const QString shareId = link.value("data").toObject().value("id").toString();
    QVERIFY(leaveFailed("b", "download", {{"share_id", shareId}, {"save_dir", saveDir}}));
    QCOMPARE(transfersToActOn(),
        QStringList({"0", "a 1 failed", "c 1 failed", "d 1 failed", "e 1 failed", "f 1 failed", "b 2 failed share"}));
    QCOMPARE(transfersToActOn(R"({"space_id":1})"), QStringList{"403001"});
    QCOMPARE(transfersToActOn("[]"), QStringList{"400001"});
    QCOMPARE(Drive_GetTransferList("{}", nullptr), 0);
    TQDriveAdmin::failNextCalls("Drive_GetTransferList", 1, 0, 500004);
    QCOMPARE(transfersToActOn(), QStringList{"500004"});
    drive.uninit();

    // A folder of the previous version, whose rows know only when they were created: all but "e" and
    // "f" are a month old. "c" still runs in a live process, "d" ran in one that is gone, "f" is
    // another account's.
    const QString database = drive.path("drive/drive.sqlite3");
    QVERIFY(execSql(database,
        plainSecrets(drive)
            + "UPDATE transfers SET state = 'running', owner_pid = " + QByteArray::number(qint64(::getppid()))
            + " WHERE uid = 'c';"
              "UPDATE transfers SET state = 'running', owner_pid = 2147483647 WHERE uid = 'd';"
              "UPDATE transfers SET account_id = account_id + 1 WHERE uid = 'f';"
              "UPDATE transfers SET created = created - 2678400000 WHERE uid NOT IN ('e', 'f');"
              "ALTER TABLE transfers DROP COLUMN last_active;"
              "UPDATE meta SET value = '2' WHERE key = 'schema_version';"));
    // Staging folders of rows are kept however old; of the others only a young one stays.
    const QString staging = drive.path("drive/staging/");
    for (const QString &name : QDir(staging).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        backdate(staging + name, 2);
    const QString oldOrphan = staging + QString(64, '0'), youngOrphan = staging + QString(64, '1');
    QVERIFY(QDir().mkpath(oldOrphan) && QDir().mkpath(youngOrphan));
    backdate(oldOrphan, 2);

    TQDriveAdmin::setDriveRoot(drive.path("drive")); // drops the open connection, so the file is read again
    QVERIFY(drive.init() && drive.login());
    // An old row whose owner is gone, taken up again, counts as active from then on.
    QVERIFY(execSql(database,
        "UPDATE transfers SET last_active = last_active - 2678400000, owner_pid = 2147483647 WHERE uid = 'e'"));
    QCOMPARE(transfersToActOn(), QStringList({"0", "c 1 running owner_alive", "e 1 failed"}));
    TQDriveAdmin::setThrottle(100000);
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest("e"), &ReportLog::callback, &resumed), 0);
    QCOMPARE(transfersToActOn(), QStringList({"0", "c 1 running owner_alive", "e 1 running running_here"}));
    QCOMPARE(Drive_PauseUploadFile(drive.shortRequest("e")), 0);
    drive.uninit();
    QVERIFY(drive.init() && drive.login());
    QCOMPARE(transfersToActOn(), QStringList({"0", "c 1 running owner_alive", "e 1 paused"}));
    QCOMPARE(QDir(staging).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 4); // c, e, f and the young one
    QVERIFY(QFileInfo::exists(youngOrphan) && !QFileInfo::exists(oldOrphan));
    QVERIFY(QDir(saveDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QCOMPARE(Drive_ResumeUploadFile(drive.shortRequest("a"), nullptr, nullptr), int(TQDrive::NothingToResumeUpload));
    QCOMPARE(
        Drive_ResumeDownloadFile(R"({"custom_uid":"b"})", nullptr, nullptr), int(TQDrive::NothingToResumeDownload));
    QCOMPARE(Drive_Logout(), 0);
    QCOMPARE(transfersToActOn(), QStringList{"140012"});
}

void TestDriveTransfers::longNames()
{
    ReportLog up, again, down, resumed;
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    // As long as a name gets; cuts at byte 235 or 247 would fall inside a character.
    const QString name = QStringLiteral("a\U0001F3AC") + QString(82, QChar(0x65E5)) + ".mov";
    QCOMPARE(name.toUtf8().size(), 255);
    writeFile(drive.path(name), 700000, 81);
    auto upload = [&](const QString &uid, ReportLog *log) {
        const QJsonArray item{uploadItem("root", drive.path(name))};
        return Drive_UploadFile(drive.request({{"custom_uid", uid}, {"upload", item}}), &ReportLog::callback, log) == 0
            && log->waitFinal();
    };
    // Numbered copies keep the extension and stay within the limit, in the drive and on disk.
    const auto numbered = [&](const QString &path) {
        const QString copy = path.section('/', -1);
        return copy.toUtf8().size() <= 255 && copy.endsWith(" (1).mov") && name.startsWith(copy.chopped(8));
    };
    QVERIFY(upload("up", &up) && upload("again", &again));
    QVERIFY(numbered(currentOf(again.final()).value("path").toString()));

    // Beside the original, the copy is stopped inside the file and finds its partial file again on resume.
    const QString fileId = currentOf(up.final()).value("file_id").toString();
    TQDriveAdmin::failTransferAfter("d", 100000, 12345);
    QCOMPARE(Drive_DownloadFile(
                 drive.request({{"custom_uid", "d"}, {"download", QJsonArray{downloadItem(fileId, drive.root())}}}),
                 &ReportLog::callback, &down),
        0);
    QVERIFY(down.waitFinal());
    QCOMPARE(down.finalCode(), 12345);
    QCOMPARE(Drive_ResumeDownloadFile(drive.shortRequest("d"), &ReportLog::callback, &resumed), 0);
    QVERIFY(resumed.waitFinal());
    QCOMPARE(resumed.reports().first().value("all").toObject().value("transferred_size").toInt(), 100000);
    const QString copy = currentOf(resumed.final()).value("path").toString();
    QVERIFY(numbered(copy));
    QCOMPARE(fileHash(copy), fileHash(drive.path(name)));
}

void TestDriveTransfers::secretsLeaveOlderFolders()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("f.bin"), 5000, 81);
    ReportLog up, failed, fetched;
    const QJsonObject item = uploadItem("root", drive.path("f.bin"));
    QCOMPARE(
        Drive_UploadFile(drive.request({{"custom_uid", "u"}, {"upload", QJsonArray{item}}}), &ReportLog::callback, &up),
        0);
    QVERIFY(up.waitFinal());
    const QString code = QStringLiteral("kQ7v2Rz9Xw");
    const QByteArray share = drive.request(
        {{"file_id", currentOf(up.final()).value("file_id").toString()}, {"expires_in", 0}, {"code", code}});
    const QJsonObject link = DriveSandbox::answer([&](char **o) { return Drive_ShareFile(share, o); });
    auto fetch = [&](const char *uid, const QString &shareCode, ReportLog *log) {
        const QJsonObject item{
            {"share_id", link.value("data")["id"].toString() + ':' + shareCode}, {"save_dir", drive.root()}};
        return Drive_DownloadFile(QJsonDocument(QJsonObject{{"custom_uid", uid}, {"download", QJsonArray{item}}})
                                      .toJson(QJsonDocument::Compact),
            &ReportLog::callback, log);
    };
    TQDriveAdmin::failTransferAfter("p", 0, 500002);
    QVERIFY(fetch("p", code, &failed) == 0 && failed.waitFinal());
    drive.uninit();

    // The folder as version 3 left it: token, access code and a share download's request in clear
    // text, and its content readable by everyone.
    const QString database = drive.path("drive/drive.sqlite3");
    QVERIFY(execSql(database,
        plainSecrets(drive, code) + "UPDATE transfers SET request = replace(request, ':***', ':" + code.toUtf8()
            + "'); UPDATE meta SET value = '3' WHERE key = 'schema_version';"));
    const QByteArray before = readAll(database) + readAll(database + "-wal");
    QVERIFY(before.contains(drive.token().toUtf8()) && before.contains(':' + code.toUtf8()));
    const QString blob = QDirIterator(drive.path("drive/blobs"), QDir::Files, QDirIterator::Subdirectories).next();
    QVERIFY(QFile::setPermissions(blob, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));

    // The token still signs in, the code still opens the share and nothing else does; none is left.
    TQDriveAdmin::setDriveRoot(drive.path("drive")); // drops the open connection, so the file is read again
    QVERIFY(drive.init() && drive.login());
    QCOMPARE(fetch("q", "kQ7v2Rz9XW", &fetched), int(TQDrive::ShareCodeWrong));
    QVERIFY(fetch("q", code, &fetched) == 0 && fetched.waitFinal() && fetched.finalCode() == 0);
    QCOMPARE(QFile::permissions(blob) & 0x7077, QFileDevice::ReadOwner);
    drive.uninit();
    for (QDirIterator it(drive.path("drive"), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QByteArray bytes = readAll(it.next());
        QVERIFY2(!bytes.contains(drive.token().toUtf8()) && !bytes.contains(code.toUtf8()), qPrintable(it.filePath()));
    }
}

QTEST_GUILESS_MAIN(TestDriveTransfers)
#include "tst_drivetransfers.moc"
