// Folders, listing, search, rename, recycle bin, deletion, share links and simple downloads.
#include "DriveSandbox.h"
#include "TQDriveCodes.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

class TestDriveFiles : public QObject
{
    Q_OBJECT

private slots:
    void foldersAndNames();
    void recycleAndDelete();
    void sharesAndSimpleDownload();
    void blockedFiles();

private:
    static QString upload(
        DriveSandbox &drive, const QString &localPath, const QString &parent, const QString &customName = QString());
};

QString TestDriveFiles::upload(
    DriveSandbox &drive, const QString &localPath, const QString &parent, const QString &customName)
{
    ReportLog log;
    QJsonObject item{{"parent_file_id", parent}, {"path", localPath}};
    if (!customName.isEmpty())
        item.insert("custom_name", customName);
    const QString uid = QUuid::createUuid().toString();
    const QByteArray request = drive.request({{"custom_uid", uid}, {"upload", QJsonArray{item}}});
    if (Drive_UploadFile(request, &ReportLog::callback, &log) != 0 || !log.waitFinal() || log.finalCode() != 0)
        return QString();
    return currentOf(log.final()).value("file_id").toString();
}

void TestDriveFiles::foldersAndNames()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());

    // A path creates every missing level, and asking again answers the same folder.
    const QJsonObject made = drive.createDir("root", "Projects/2026/Holiday");
    QCOMPARE(made.value("code").toInt(), 0);
    const QString holiday = made.value("data").toObject().value("file_id").toString();
    QCOMPARE(made.value("data").toObject().value("path").toString(), QStringLiteral("/Projects/2026/Holiday"));
    QCOMPARE(
        drive.createDir("root", "projects/2026/holiday").value("data").toObject().value("file_id").toString(), holiday);
    const QString projects = drive.createDir("root", "Projects").value("data").toObject().value("file_id").toString();
    QCOMPARE(drive.createDir(projects, "2026/Holiday").value("data").toObject().value("file_id").toString(), holiday);

    // The project root is one folder, named after the product.
    const QByteArray rootRequest = drive.request({});
    const QJsonObject proRoot = DriveSandbox::answer([&](char **o) { return Drive_GetProRootFileID(rootRequest, o); });
    QCOMPARE(proRoot.value("code").toInt(), 0);
    const QString proRootId = proRoot.value("data").toObject().value("file_id").toString();
    QCOMPARE(DriveSandbox::answer([&](char **o) { return Drive_GetProRootFileID(rootRequest, o); })
                 .value("data")
                 .toObject()
                 .value("file_id")
                 .toString(),
        proRootId);

    QFile::copy(QFINDTESTDATA("tst_drivefiles.cpp"), drive.path("notes.txt"));
    const QString notes = upload(drive, drive.path("notes.txt"), holiday);
    QVERIFY(!notes.isEmpty());
    // A folder path through a file is a clash, not a silent overwrite.
    QCOMPARE(drive.createDir(holiday, "notes.txt/sub").value("code").toInt(), int(TQDrive::NameClash));

    const QJsonArray root = drive.list("root").value("data").toArray();
    QStringList names;
    for (const QJsonValue &v : root)
        names << v.toObject().value("name").toString();
    QCOMPARE(names, QStringList({"Cutlane", "Projects"}));
    const QJsonObject entry = drive.list(holiday).value("data").toArray().first().toObject();
    QCOMPARE(entry.value("file_id").toString(), notes);
    QCOMPARE(entry.value("type").toString(), QStringLiteral("file"));
    QCOMPARE(entry.value("size").toVariant().toLongLong(), QFileInfo(drive.path("notes.txt")).size());
    QVERIFY(entry.contains("thumbnail"));
    QCOMPARE(drive.list(notes).value("code").toInt(), int(TQDrive::NotAFolder));

    // Search by names, case-insensitively, filtered by type and parent.
    const QByteArray search = drive.request(
        {{"parent_file_id", projects}, {"type", "folder"}, {"names", QJsonObject{{"values", QJsonArray{"2026"}}}}});
    const QJsonArray found
        = DriveSandbox::answer([&](char **o) { return Drive_SearchFile(search, o); }).value("data").toArray();
    QCOMPARE(found.size(), 1);
    const QByteArray anywhere = drive.request({{"names", QJsonObject{{"values", QJsonArray{"NOTES.TXT", "holiday"}}}}});
    QCOMPARE(
        DriveSandbox::answer([&](char **o) { return Drive_SearchFile(anywhere, o); }).value("data").toArray().size(),
        2);

    // Rename: clashes are refused, a change of case is not a clash.
    drive.createDir(holiday, "Clips");
    QCOMPARE(
        Drive_RenameFile(drive.request({{"file_id", notes}, {"new_file_name", "clips"}})), int(TQDrive::NameClash));
    QCOMPARE(Drive_RenameFile(drive.request({{"file_id", notes}, {"new_file_name", "Notes.TXT"}})), 0);
    QCOMPARE(
        Drive_RenameFile(drive.request({{"file_id", notes}, {"new_file_name", "../escape"}})), int(TQDrive::BadName));
    const QJsonArray afterRename = drive.list(holiday).value("data").toArray();
    QCOMPARE(afterRename.last().toObject().value("name").toString(), QStringLiteral("Notes.TXT"));
}

void TestDriveFiles::recycleAndDelete()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("a.bin"), 300000, 1);
    const QString folder = drive.createDir("root", "Stuff").value("data").toObject().value("file_id").toString();
    const QString first = upload(drive, drive.path("a.bin"), folder);
    const QString copy = upload(drive, drive.path("a.bin"), "root", "copy.bin");
    QVERIFY(!first.isEmpty() && !copy.isEmpty());
    auto used
        = [&]() { return drive.spaceInfo().value("data").toObject().value("used_size").toVariant().toLongLong(); };
    QCOMPARE(used(), 600000LL);
    auto blobCount = [&]() {
        int n = 0;
        for (const QFileInfo &dir : QDir(drive.path("drive/blobs")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            n += QDir(dir.filePath()).entryList(QDir::Files).size();
        return n;
    };
    QCOMPARE(blobCount(), 1); // identical content is stored once

    // The recycle bin hides the folder and what it holds, frees its name, but keeps counting its size.
    QCOMPARE(Drive_RecycleFile(drive.request({{"file_id", folder}})), 0);
    QCOMPARE(drive.list("root").value("data").toArray().size(), 1);
    const QByteArray search = drive.request({{"names", QJsonObject{{"values", QJsonArray{"a.bin"}}}}});
    QCOMPARE(
        DriveSandbox::answer([&](char **o) { return Drive_SearchFile(search, o); }).value("data").toArray().size(), 0);
    const QByteArray shareInside = drive.request({{"file_id", first}, {"expires_in", 0}, {"code", ""}, {"type", 0}});
    QCOMPARE(DriveSandbox::answer([&](char **o) { return Drive_ShareFile(shareInside, o); }).value("code").toInt(),
        int(TQDrive::FileNotFound));
    QCOMPARE(used(), 600000LL);
    QVERIFY(!drive.createDir("root", "Stuff").value("data").toObject().value("file_id").toString().isEmpty());
    QCOMPARE(Drive_RecycleFile(drive.request({{"file_id", folder}})), 0);

    // Deleting for good frees the space; content goes when its last file goes.
    QCOMPARE(Drive_DeleteFile(drive.request({{"file_id", folder}})), 0);
    QCOMPARE(used(), 300000LL);
    QCOMPARE(blobCount(), 1);
    QCOMPARE(Drive_DeleteFile(drive.request({{"file_id", first}})), int(TQDrive::FileNotFound));
    QCOMPARE(Drive_DeleteFile(drive.request({{"file_id", copy}})), 0);
    QCOMPARE(used(), 0LL);
    QCOMPARE(blobCount(), 0);
}

void TestDriveFiles::sharesAndSimpleDownload()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("clip.mp4"), 200000, 2);
    const QString fileId = upload(drive, drive.path("clip.mp4"), "root");
    QVERIFY(!fileId.isEmpty());

    auto share = [&](const QString &code, qint64 expiresIn) {
        const QByteArray r = drive.request({{"file_id", fileId}, {"expires_in", expiresIn}, {"code", code}, {"type", 1},
            {"tags", QJsonArray{QJsonObject{{"k", "v"}}}}});
        return DriveSandbox::answer([&](char **o) { return Drive_ShareFile(r, o); });
    };
    const QJsonObject withCode = share("ab12", 3600);
    QCOMPARE(withCode.value("code").toInt(), 0);
    const QJsonObject link = withCode.value("data").toObject();
    QVERIFY(!link.value("id").toString().isEmpty());
    QVERIFY(link.value("url").toString().endsWith(link.value("id").toString()));
    QCOMPARE(link.value("code").toString(), QStringLiteral("ab12"));
    QVERIFY(link.value("expires_at").toVariant().toLongLong() > QDateTime::currentSecsSinceEpoch());
    const QString expiring = share(QString(), 1).value("data").toObject().value("id").toString();

    // Anybody with the link downloads without an account; the access code must match.
    QCOMPARE(Drive_Logout(), 0);
    QDir().mkpath(drive.path("got"));
    auto fetch = [&](const QString &shareId) {
        ReportLog log;
        const QByteArray r = QJsonDocument(
            QJsonObject{{"custom_uid", QUuid::createUuid().toString()}, {"space_id", 0},
                {"download", QJsonArray{QJsonObject{{"share_id", shareId}, {"save_dir", drive.path("got")}}}}})
                                 .toJson(QJsonDocument::Compact);
        const int started = Drive_DownloadFile(r, &ReportLog::callback, &log);
        if (started != 0)
            return started;
        return log.waitFinal() ? log.finalCode() : -2;
    };
    QCOMPARE(fetch(link.value("id").toString()), int(TQDrive::ShareCodeWrong));
    QCOMPARE(fetch(link.value("id").toString() + ":zz99"), int(TQDrive::ShareCodeWrong));
    QCOMPARE(fetch("0000000000000000"), int(TQDrive::ShareNotFound));
    QCOMPARE(fetch(link.value("id").toString() + ":ab12"), 0);
    QCOMPARE(fileHash(drive.path("got/clip.mp4")), fileHash(drive.path("clip.mp4")));
    QTest::qWait(1100);
    QCOMPARE(fetch(expiring), int(TQDrive::ShareExpired));

    // The simple download answers where it saved, and never overwrites unless asked.
    QVERIFY(drive.login());
    auto simple = [&](int mode) {
        const QByteArray r
            = drive.request({{"file_id", fileId}, {"check_name_mode", mode}, {"save_dir", drive.path("got")}});
        return DriveSandbox::answer([&](char **o) { return Drive_SimpleDownloadFile(r, o); });
    };
    const QJsonObject renamed = simple(1);
    QCOMPARE(renamed.value("code").toInt(), 0);
    QCOMPARE(renamed.value("data").toObject().value("path").toString(), drive.path("got/clip (1).mp4"));
    QCOMPARE(fileHash(drive.path("got/clip (1).mp4")), fileHash(drive.path("clip.mp4")));
    QCOMPARE(simple(2).value("code").toInt(), int(TQDrive::NameClash));
    QCOMPARE(simple(4).value("data").toObject().value("path").toString(), drive.path("got/clip.mp4"));
    QCOMPARE(QDir(drive.path("got")).entryList(QDir::Files).size(), 2);
}

void TestDriveFiles::blockedFiles()
{
    DriveSandbox drive;
    QVERIFY(drive.isReady());
    writeFile(drive.path("bad.mp4"), 1000, 3);
    const QString fileId = upload(drive, drive.path("bad.mp4"), "root");
    const QByteArray test = drive.request({{"file_id", fileId}});
    QVERIFY(!Drive_IsBePunishedFile(test));
    QVERIFY(!Drive_IsBePunishedFile("{not json"));
    QVERIFY(TQDriveAdmin::setBlocked(fileId, true));
    QVERIFY(Drive_IsBePunishedFile(test));

    const QByteArray shareRequest = drive.request({{"file_id", fileId}, {"expires_in", 0}, {"code", ""}, {"type", 0}});
    QCOMPARE(DriveSandbox::answer([&](char **o) { return Drive_ShareFile(shareRequest, o); }).value("code").toInt(),
        int(TQDrive::FileBlocked));
    const QByteArray download = drive.request(
        {{"custom_uid", "b1"}, {"download", QJsonArray{QJsonObject{{"file_id", fileId}, {"save_dir", drive.root()}}}}});
    QCOMPARE(Drive_DownloadFile(download, &ReportLog::callback, nullptr), int(TQDrive::FileBlocked));
    const QByteArray simple = drive.request({{"file_id", fileId}, {"save_dir", drive.root()}});
    QCOMPARE(DriveSandbox::answer([&](char **o) { return Drive_SimpleDownloadFile(simple, o); }).value("code").toInt(),
        int(TQDrive::FileBlocked));
    QVERIFY(!QFileInfo::exists(drive.path("bad (1).mp4")));
}

QTEST_GUILESS_MAIN(TestDriveFiles)
#include "tst_drivefiles.moc"
