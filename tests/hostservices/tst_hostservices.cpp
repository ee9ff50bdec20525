// Application information, configuration, locale, files, network, settings, the account and the
// cloud-disk mirror.
#include "IKSAppInfo.h"
#include "IKSCloudDiskService.h"
#include "IKSTQIDAccount.h"
#include "KSAppSettings.h"
#include "KSConfigEngine.h"
#include "KSDir.h"
#include "KSLocale.h"
#include "KSNetwork.h"

#include "TQCoreKit.h"
#include "TQDriveAdmin.h"
#include "TQDriveCodes.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QStorageInfo>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

class TestHostServices : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void appInfoAndConfig();
    void locale_data();
    void locale();
    void fileSize_data();
    void fileSize();
    void files();
    void http();
    void settings();
    void account();
    void cloudDiskMirror();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

namespace {

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class CodeRecorder : public IKSTQIDEventObserver
{
public:
    void onTQIDResponse(KSTQIDResponseCode code) override { codes.append(int(code)); }
    QVector<int> codes;
};

} // namespace

void TestHostServices::init()
{
    // Every case starts from an empty host root.
    m_dir.reset(new QTemporaryDir);
    m_root = m_dir->path();
    KSHostPaths::setRoot(m_root);
}

void TestHostServices::appInfoAndConfig()
{
    IKSAppInfo *info = IKSAppInfo::getInstance();
    QCOMPARE(info->getFolder(IKSAppInfo::LogFolder), m_root + "/userdata");
    QCOMPARE(info->getFolder(IKSAppInfo::AppFolder), m_root + "/appdata");
    QVERIFY(QFileInfo(m_root + "/userdata").isDir() && QFileInfo(m_root + "/appdata").isDir());
    QVERIFY(info->getFolder(3).isEmpty());
    QCOMPARE(info->productVersion(), QStringLiteral("1.0.0"));
    QCoreApplication::setApplicationVersion("2.4.1");
    QCOMPARE(info->productVersion(), QStringLiteral("2.4.1"));

    // The device id is made once and kept in the machine-wide configuration of the root.
    const QString id = info->deviceId();
    QVERIFY(!id.isEmpty());
    QCOMPARE(info->getValue(IKSAppInfo::DeviceId).toString(), id);
    QVERIFY(readFile(m_root + "/config/device0.ini").contains(id.toUtf8()));
    QTemporaryDir otherRoot;
    KSHostPaths::setRoot(otherRoot.path());
    QVERIFY(info->deviceId() != id);
    KSHostPaths::setRoot(QString()); // back through the environment
    qputenv("KSHOST_ROOT", m_root.toUtf8());
    QCOMPARE(info->deviceId(), id);
    qunsetenv("KSHOST_ROOT");
    KSHostPaths::setRoot(m_root);

    KSConfigEngine *config = KSConfigEngine::instance();
    QCOMPARE(config->fileOf(3), m_root + "/config/device3.ini");
    config->setValue(3, "Upload", "Threads", 5);
    QCOMPARE(config->getValue(3, "Upload", "Threads").toInt(), 5);
    QCOMPARE(config->getValue(1, "Upload", "Threads", 7).toInt(), 7); // devices are separate files

    QCOMPARE(KSConfigHelper::GetCBSUrl("CloudDiskBuyPageC118"),
        QStringLiteral("https://www.cutlane.local/cloud/buy?from=plugin"));
    QVERIFY(KSConfigHelper::GetCBSUrl("NoSuchPage").isEmpty());
    config->setValue(0, "CBSUrl", "CloudDiskHomePageC119", "https://mirror.local/home");
    QCOMPARE(KSConfigHelper::GetCBSUrl("CloudDiskHomePageC119"), QStringLiteral("https://mirror.local/home"));
    config->setValue(1, "CBSUrl", "PID", "per-user");
    QCOMPARE(KSConfigHelper::GetCBSUrl("PID"), QStringLiteral("cutlane-desktop")); // only device 0 overrides
}

void TestHostServices::locale_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("dashed");

    QTest::newRow("environment form") << "de_DE.UTF-8"
                                      << "de_DE" << int(KSLocale::Other) << "de-DE";
    QTest::newRow("dash") << "zh-CN"
                          << "zh_CN" << int(KSLocale::ChineseSimplified) << "zh-CN";
    QTest::newRow("Hong Kong") << "zh_HK"
                               << "zh_HK" << int(KSLocale::ChineseTraditional) << "zh-HK";
    QTest::newRow("bare language") << "ja"
                                   << "ja" << int(KSLocale::Japanese) << "ja-JP";
    QTest::newRow("C locale") << "C"
                              << "en_US" << int(KSLocale::English) << "en-US";
}

void TestHostServices::locale()
{
    QFETCH(QString, lang);
    QFETCH(QString, code);
    QFETCH(int, type);
    QFETCH(QString, dashed);

    qputenv("KSHOST_LANG", lang.toUtf8());
    QCOMPARE(KSLocale::languageCode(), code);
    QCOMPARE(KSLocale::countryCode(), dashed.mid(3));
    QCOMPARE(KSLocale::languageType(), type);
    QVERIFY(KSLocale::isLanguageType(type));
    QCOMPARE(KSLocale::clientLanguageCode2(1), dashed);
    QCOMPARE(KSLocale::clientLanguageCode2(0), QString(dashed).replace('-', '_'));
    qunsetenv("KSHOST_LANG");
}

void TestHostServices::fileSize_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");

    const qint64 KiB = 1024, MiB = KiB * 1024, GiB = MiB * 1024;
    QTest::newRow("negative") << qint64(-5) << "0 B";
    QTest::newRow("below a KB") << qint64(1023) << "1023 B";
    QTest::newRow("rounds up to a MB") << MiB - 1 << "1.0 MB";
    QTest::newRow("below a GB") << GiB - 60 * MiB << "964.0 MB";
    QTest::newRow("two GB") << 2 * GiB << "2.00 GB";
    QTest::newRow("TB") << 1536 * GiB << "1.50 TB";
}

void TestHostServices::fileSize()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(KSUtility::gGetFileSizeAuto(bytes), text);
}

void TestHostServices::files()
{
    // The quick hash covers exactly the first and last MiB and the size; a small file is both.
    QByteArray large(3 * 1024 * 1024 + 17, '\0');
    for (int i = 0; i < large.size(); ++i)
        large[i] = char((i * 7 + i / 4096) & 0xff);
    writeFile(m_root + "/large.bin", large);
    const QByteArray quick = large.left(1 << 20) + large.right(1 << 20) + QByteArray::number(large.size());
    QCOMPARE(KSUtility::getQuickFileMD5HexString(m_root + "/large.bin"),
        QString(QCryptographicHash::hash(quick, QCryptographicHash::Md5).toHex()));
    writeFile(m_root + "/small.txt", "hello");
    QCOMPARE(KSUtility::getQuickFileMD5HexString(m_root + "/small.txt"),
        QString(QCryptographicHash::hash("hellohello5", QCryptographicHash::Md5).toHex()));

    // Breadth first: the shallow match wins although its folder sorts after the deep one's.
    writeFile(m_root + "/tree/a/b/target.txt", "deep");
    writeFile(m_root + "/tree/z/target.txt", "shallow");
    QCOMPARE(KSUtility::findTargetFile(m_root + "/tree", "target.txt"), m_root + "/tree/z/target.txt");
    QVERIFY(KSUtility::findTargetFile(m_root + "/tree", "b").isEmpty()); // folders are not files

    const QString src = m_root + "/src", dst = m_root + "/dst";
    writeFile(src + "/one.bin", QByteArray(1000, 'a'));
    writeFile(src + "/sub/two.bin", QByteArray(234, 'b'));
    writeFile(src + "/sub/deeper/.hidden", QByteArray(66, 'c'));
    QCOMPARE(KSDir::getDirFileTotalSize(src), qint64(1300));
    writeFile(dst + "/one.bin", "kept");
    QVERIFY(KSDir::copyDirectoryFiles(src, dst, false));
    QCOMPARE(readFile(dst + "/one.bin"), QByteArray("kept"));
    QCOMPARE(KSDir::getDirFileTotalSize(dst), qint64(4 + 300));
    QVERIFY(KSDir::copyDirectoryFiles(src, dst, true));
    QCOMPARE(readFile(dst + "/one.bin"), QByteArray(1000, 'a'));
    QCOMPARE(readFile(dst + "/sub/deeper/.hidden"), QByteArray(66, 'c'));
    QVERIFY(!KSDir::copyDirectoryFiles(src, src + "/sub/inside", true));

    QVERIFY(KSDir::IsPathWriteable(src));
    QVERIFY(KSDir::IsPathWriteable(src + "/not-yet.bin"));
    QVERIFY(!KSDir::IsPathWriteable(m_root + "/missing/file.bin"));
    QVERIFY(!KSDir::IsPathWriteable(src + "/one.bin/below")); // a file is no folder
    QCOMPARE(QDir(src).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({"one.bin", "sub"})); // the probes are gone

    // A target that does not exist yet is measured on the volume that would hold it.
    const qint64 expected = QStorageInfo(m_root).bytesAvailable() >> 20;
    for (const QString &path : {m_root, m_root + "/later/inside"})
        QVERIFY2(expected > 0 && qAbs(KSDir::getDiskFreeSpace(path) - expected) < 256, qPrintable(path));
}

void TestHostServices::http()
{
    writeFile(m_root + "/page.json", "{}");
    QByteArray body;
    QString error;
    QVERIFY(KSHttpClient::get(QUrl::fromLocalFile(m_root + "/page.json").toString(), body, error, 1000));
    QCOMPARE(body, QByteArray("{}"));
    QVERIFY(!KSHttpClient::get(QUrl::fromLocalFile(m_root + "/none.json").toString(), body, error, 1000));
    QVERIFY(!error.isEmpty());

    // A port just released is closed: the refusal comes back at once, long before the limit,
    // also on a thread without an event loop of its own.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("http://127.0.0.1:%1/x").arg(server.serverPort());
    server.close();
    QElapsedTimer timer;
    timer.start();
    body = "stale";
    QVERIFY(!KSHttpClient::get(address, body, error, 20000));
    QVERIFY2(timer.elapsed() < 5000, qPrintable(error));
    QVERIFY(!error.isEmpty() && body.isEmpty());
    bool workerFailed = false;
    QThread *worker = QThread::create([&] {
        QByteArray b;
        QString e;
        workerFailed = !KSHttpClient::get(address, b, e, 20000) && !e.isEmpty();
    });
    worker->start();
    QVERIFY(worker->wait(20000));
    delete worker;
    QVERIFY(workerFailed);

    QVERIFY(KSDesktopService::openURL("https://www.cutlane.local/a?b=1"));
    QCOMPARE(KSDesktopService::lastOpened(), QStringLiteral("https://www.cutlane.local/a?b=1"));
    QVERIFY(!KSDesktopService::openURL(QString()));
}

void TestHostServices::settings()
{
    KSSettings *settings = KSAppSettings::GetInstance()->GetSettings();
    KSFolderSettings *folders = settings->GetFolderSettings();
    QCOMPARE(folders->GetDownloadFileFolder(), m_root + "/Downloads");
    QVERIFY(QFileInfo(folders->GetCloudDiskFileFolder()).isDir());
    folders->SetDownloadFileFolder(m_root + "/mine/down");
    QCOMPARE(folders->GetDownloadFileFolder(), m_root + "/mine/down");
    QVERIFY(QFileInfo(m_root + "/mine/down").isDir());
    writeFile(m_root + "/blocker", "x");
    folders->SetDownloadFileFolder(m_root + "/blocker/down"); // cannot be made: the default stands in
    QCOMPARE(folders->GetDownloadFileFolder(), m_root + "/Downloads");

    KSSaveSettings *save = settings->GetSaveSettings();
    QVERIFY(!save->IsUploadtoCloud());
    save->SetUploadtoCloud(true);
    QVERIFY(readFile(m_root + "/config/device1.ini").contains("UploadToCloud=true"));
    QVERIFY(save->IsUploadtoCloud());
}

void TestHostServices::account()
{
    TQDriveAdmin::setDriveRoot(m_root + "/drive");
    IKSTQIDAccount *account = getTQIDAccount();
    CodeRecorder recorder;
    account->addObserver(&recorder);
    account->addObserver(&recorder);

    QVERIFY(account->signIn(" user@cutlane.local ", KLoginSource(3)));
    TQDriveAdmin::AccountInfo info;
    QVERIFY(TQDriveAdmin::findAccount("user@cutlane.local", &info));
    QCOMPARE(account->userId(), info.uid);
    QCOMPARE(account->email(), QStringLiteral("user@cutlane.local"));
    const QString token = account->accessToken();
    QVERIFY(account->isLoggedIn() && !token.isEmpty());

    // The drive accepts the token: the account's service is simply not opened yet.
    QCOMPARE(Drive_Init("{}"), 0);
    auto driveLogin
        = [](const QString &t) { return Drive_Login("{\"is_public\":false,\"token\":\"" + t.toUtf8() + "\"}"); };
    QCOMPARE(driveLogin(token), int(TQDrive::ServiceNotOpened));

    QVERIFY(account->renewToken());
    QVERIFY(account->accessToken() != token);
    QCOMPARE(driveLogin(account->accessToken()), int(TQDrive::ServiceNotOpened));
    account->openSignedInPage("https://www.cutlane.local/cloud/home");
    QVERIFY(KSDesktopService::lastOpened().startsWith("https://www.cutlane.local/cloud/home?"));
    QVERIFY(KSDesktopService::lastOpened().contains("uid=" + info.uid));

    QVERIFY(account->signIn("user@cutlane.local", KLoginSource()));
    QCOMPARE(account->userId(), info.uid); // the same drive account again
    account->signOut();
    QVERIFY(!account->isLoggedIn() && account->userId().isEmpty() && account->accessToken().isEmpty());
    QVERIFY(!account->renewToken()); // nothing to renew, nobody told
    QCOMPARE(recorder.codes, QVector<int>({KSTQIDSignedIn, KSTQIDTokenRenewed, KSTQIDSignedIn, KSTQIDSignedOut}));

    // The configured lifetime reaches the drive.
    KSConfigEngine::instance()->setValue(0, "Account", "TokenLifetimeMs", 1);
    QVERIFY(account->signIn("user@cutlane.local", KLoginSource()));
    QThread::msleep(20);
    QCOMPARE(driveLogin(account->accessToken()), int(TQDrive::TokenExpired));
    QCOMPARE(Drive_Uninit(), 0);

    // A drive folder that cannot be opened: observers hear 1, and nobody is signed in.
    account->signOut();
    writeFile(m_root + "/not-a-folder", "x");
    TQDriveAdmin::setDriveRoot(m_root + "/not-a-folder/drive");
    recorder.codes.clear();
    QVERIFY(!account->signIn("user@cutlane.local", KLoginSource()));
    QVERIFY(!account->isLoggedIn());
    QCOMPARE(recorder.codes, QVector<int>{KSTQIDNetworkError});
    TQDriveAdmin::setDriveRoot(QString());

    // An observer destroyed without removing itself is not called afterwards (checked by ASan).
    {
        CodeRecorder forgotten;
        account->addObserver(&forgotten);
    }
    account->removeObserver(&recorder);
    account->signOut();
    QCOMPARE(recorder.codes, QVector<int>{KSTQIDNetworkError});
}

void TestHostServices::cloudDiskMirror()
{
    IKSCloudDiskService *service = IKSCloudDiskService::createInstance(4);
    auto *sink = dynamic_cast<IKSCloudDiskStateSink *>(service->stateReceiver());
    QVERIFY(sink);
    // The plug-in writes from its pool threads.
    constexpr int kThreads = 4, kRecords = 250;
    QVector<QThread *> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.append(QThread::create([sink, t] {
            for (int i = 0; i < kRecords; ++i) {
                KSCloudSpaceRecord record;
                record.spaceId = quint64(t);
                record.name = QStringLiteral("space %1").arg(t);
                record.usedSize = i;
                sink->setSpaceRecord(record.spaceId, record);
                sink->setServiceState(i % 3);
            }
        }));
        threads.last()->start();
    }
    for (QThread *thread : qAsConst(threads)) {
        QVERIFY(thread->wait(20000));
        delete thread;
    }
    QCOMPARE(service->spaceRecordCount(), kThreads * kRecords);
    const KSCloudSpaceRecord last = service->spaceRecord();
    QCOMPARE(last.name, QStringLiteral("space %1").arg(last.spaceId)); // never a mix of two records
    QCOMPARE(last.usedSize, qint64(kRecords - 1));
    sink->setServiceState(1);
    sink->setServiceUnavailable(true);
    sink->setDefaultSpaceId(0xFFFFFFFFFFFFFFF1ull);
    QVERIFY(service->serviceState() == 1 && service->isServiceUnavailable());
    QCOMPARE(service->defaultSpaceId(), 0xFFFFFFFFFFFFFFF1ull);

    IKSCloudDiskService *other = IKSCloudDiskService::createInstance(7);
    QVERIFY(other->stateReceiver() && !dynamic_cast<IKSCloudDiskStateSink *>(other->stateReceiver()));
    QVERIFY(other->kind() == 7 && other->name() != service->name());
    other->release();
    service->release();
}

QTEST_MAIN(TestHostServices)
#include "tst_hostservices.moc"
