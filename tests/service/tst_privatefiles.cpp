// What the host, the plug-in and the drive leave on disk in a day's work is readable by its owner
// only, whatever the umask, and holds neither the account's token nor a share's access code.
#include "CloudTestEnvironment.h"
#include "IKSAppInfo.h"
#include "IKSTQIDAccount.h"
#include "KSAppSettings.h"
#include "KSBaseLog.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSTrackEvent.h"
#include "TQCoreKit.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <atomic>
#include <sys/stat.h>

class TestPrivateFiles : public QObject
{
    Q_OBJECT

private slots:
    void ownerOnlyWithoutSecrets();
};

namespace {

int modeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void onReport(const char *, const char *info, void *context)
{
    static_cast<std::atomic<int> *>(context)->store(QJsonDocument::fromJson(info).object().value("status").toInt());
}

} // namespace

void TestPrivateFiles::ownerOnlyWithoutSecrets()
{
    ::umask(022);
    QTemporaryDir dir, user;
    // Folders an older version made with the umask's modes.
    QVERIFY(QDir().mkpath(dir.filePath("host/userdata")) && QDir().mkpath(dir.filePath("drive")));
    CloudTestEnvironment env(dir.path());
    QVERIFY(env.isReady());
    const QByteArray token = getTQIDAccount()->accessToken().toUtf8();
    const QString code = QUuid::createUuid().toString(QUuid::Id128).left(12);

    // The host at work, and the plug-in started as the editor starts it, the drive logging beside it.
    KSLOG_INFO("editor started");
    KSGeneralEvent("cloud_open").add("location", "menu");
    KSAppSettings::GetInstance()->GetSettings()->GetSaveSettings()->SetUploadtoCloud(true);
    IKSCloudDisk *service = getCloudDisk();
    KSCloudDiskInitParam param;
    param.logFolder = IKSAppInfo::getInstance()->getFolder(IKSAppInfo::LogFolder);
    service->init(param);
    service->getPresenter()->startCloudDiskTask();
    QVERIFY(env.logIn(service));

    // A clip uploaded through the task lists, shared with an access code, fetched by its link.
    QSignalSpy uploaded(service->getPresenter(), &KSCloudDiskViewPresenter::uploadFinished);
    KSCloudTaskParam clip;
    clip.filePath = user.filePath("clip.mp4");
    clip.folderPath = QStringLiteral("/");
    QFile source(clip.filePath);
    QVERIFY(source.open(QIODevice::WriteOnly) && source.write(QByteArray(300000, 'c')) > 0);
    source.close();
    service->getPresenter()->uploadCloudMedia({clip});
    QTRY_COMPARE_WITH_TIMEOUT(uploaded.count(), 1, 15000);
    OperationRecorder shared;
    service->attach(&shared);
    KSCloudShareParam share;
    share.token = QString::fromUtf8(token);
    share.fileId = uploaded.first().at(1).toString();
    share.accessCode = code;
    service->share(share);
    QTRY_COMPARE(shared.operations().count(Share), 1);
    const QJsonObject item{{"share_id", service->getShareResult().linkId + ':' + code}, {"save_dir", user.path()}};
    std::atomic<int> status{0};
    QCOMPARE(Drive_DownloadFile(QJsonDocument(QJsonObject{{"custom_uid", "fetch"}, {"download", QJsonArray{item}}})
                                    .toJson(QJsonDocument::Compact),
                 &onReport, &status),
        0);
    QTRY_COMPARE_WITH_TIMEOUT(status.load(), 3, 15000);
    releaseService();

    // The user's copy keeps the usual mode; under the root everything is private and secret-free.
    QCOMPARE(modeOf(user.filePath("clip (1).mp4")), 0644);
    QStringList wrong, seen;
    for (const auto &call : TQDriveAdmin::calls()) {
        if ((call.request + call.answer).contains(code))
            wrong << call.function;
    }
    for (QDirIterator it(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
             QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString name = QDir(dir.path()).relativeFilePath(it.next());
        const int mode = modeOf(it.filePath());
        QFile file(it.filePath());
        const bool isDir = it.fileInfo().isDir();
        if (isDir ? mode != 0700 : mode != 0600 && mode != 0400)
            wrong << QStringLiteral("%1 %2").arg(mode, 0, 8).arg(name);
        const QByteArray bytes = !isDir && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (bytes.contains(token) || bytes.contains(code.toUtf8()))
            wrong << QStringLiteral("secret in ") + name;
        seen << name;
    }
    QCOMPARE(wrong, QStringList());
    const QRegularExpression expected(
        "host.log|tqcorekit.log|analytics.jsonl|device1.ini|/done.json|drive.sqlite3$|blobs/../[0-9a-f]{64}$");
    QCOMPARE(seen.filter(expected).size(), 7);
    QFile hostLog(dir.filePath("host/userdata/host.log"));
    QVERIFY(hostLog.open(QIODevice::ReadOnly) && hostLog.readAll().contains(R"("code":"***")"));
}

QTEST_MAIN(TestPrivateFiles)
#include "tst_privatefiles.moc"
