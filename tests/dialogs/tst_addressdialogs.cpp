// The download-address dialog with its remembered-folder file, and the export-upload progress
// dialog against a real service, presenter and local drive.
#include "CloudTestEnvironment.h"
#include "IKSCloudDiskItemManager.h"
#include "KExportUploadDlg.h"
#include "KSAppSettings.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCloudSpaceDownloadPathFile.h"
#include "KSCloudSpaceSelectDownloadAddressDialog.h"
#include "KSConfigEngine.h"
#include "KSSkin.h"
#include "TQDriveCodes.h"

#include <QApplication>
#include <QDir>
#include <QDomDocument>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>

class TestAddressDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void addressFileRoundTripAndOrder();
    void malformedFileAndLongName();
    void crashWhileWriting();
    void exportUploadFinishes();
    void exportUploadRefused();
    void screenshots();

private:
    KSCloudDiskViewPresenter *presenter() const { return getCloudDisk()->getPresenter(); }
    QString makeFile(const QString &name, int bytes) const;

    CloudTestEnvironment *m_env = nullptr;
};

namespace {

const QFileDevice::Permissions kModeBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
    | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
    | QFileDevice::WriteOther | QFileDevice::ExeOther;

QStringList childNames(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<unreadable>")};
    QDomDocument doc;
    if (!doc.setContent(&f))
        return {QStringLiteral("<malformed>")};
    QStringList names;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        names << e.tagName();
    return names;
}

// Runs `action` once on the first modal window `match` accepts, from inside whatever event loop
// is running; stops polling after the deadline.
void onModal(std::function<bool(QWidget *)> match, std::function<void(QWidget *)> action, int deadlineMs = 20000)
{
    auto *timer = new QTimer;
    QElapsedTimer *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        const bool hit = modal && match(modal);
        if (hit || clock->elapsed() > deadlineMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            if (hit)
                action(modal);
        }
    });
    timer->start(50);
}

void confirm(KSCloudSpaceSelectDownloadAddressDialog &dialog, bool remember)
{
    dialog.findChild<QCheckBox *>(QStringLiteral("defaultAddressCheckBox"))->setChecked(remember);
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btnDownload")), Qt::LeftButton);
}

QString shown(KSCloudSpaceSelectDownloadAddressDialog &dialog)
{
    return dialog.findChild<QLineEdit *>(QStringLiteral("downloadPathEdit"))->text();
}

bool ticked(KSCloudSpaceSelectDownloadAddressDialog &dialog)
{
    return dialog.findChild<QCheckBox *>(QStringLiteral("defaultAddressCheckBox"))->isChecked();
}

void saveGrab(QWidget *w, const QString &name)
{
    const QString dir = QStringLiteral(KSCD_DIALOGS_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    QVERIFY(w->grab().save(dir + QLatin1Char('/') + KSSkinManager::instance()->skinName() + QLatin1Char('-') + name
        + QStringLiteral(".png")));
}

} // namespace

void TestAddressDialogs::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
}

void TestAddressDialogs::cleanup()
{
    releaseService();
    delete m_env;
    m_env = nullptr;
}

QString TestAddressDialogs::makeFile(const QString &name, int bytes) const
{
    const QString path = m_env->path(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(QByteArray(bytes, 'v'));
    return path;
}

void TestAddressDialogs::addressFileRoundTripAndOrder()
{
    KSFolderSettings *folders = KSAppSettings::GetInstance()->GetSettings()->GetFolderSettings();
    const QString file = KSCloudSpaceDownloadPathFile::defaultFilePath();
    QCOMPARE(
        file, QDir::fromNativeSeparators(folders->getTotalStorageFolder()) + "/Cloud Space/defaultDownloadPath.xml");
    QVERIFY(!QFileInfo::exists(file));

    // Nothing remembered: each kind proposes its own default, box cleared.
    const QString mediaDefault = folders->GetDownloadFileFolder() + "/Cloud Media/My cloud media";
    {
        KSCloudSpaceSelectDownloadAddressDialog project(nullptr, 1, QString(), "a.vqp");
        QCOMPARE(shown(project), folders->GetCloudDiskFileFolder());
        QVERIFY(!ticked(project));
        QCOMPARE(project.windowTitle(), QStringLiteral(" "));
        QCOMPARE(project.height(), 224);
    }
    KSCloudSpaceSelectDownloadAddressDialog media(nullptr, 2, QString(), "clip.mp4");
    QCOMPARE(shown(media), mediaDefault);
    QVERIFY(!ticked(media));

    // Remembering a media folder writes exactly this file, owner-only, and the host switch.
    const QString mediaFolder = m_env->path("media-here");
    media.findChild<QLineEdit *>("downloadPathEdit")->setText(mediaFolder);
    confirm(media, true);
    QCOMPARE(media.result(), int(QDialog::Accepted));
    QCOMPARE(media.resultPath(), mediaFolder);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()),
        QStringLiteral("<!DOCTYPE CloudSpaceDownloadPath>\n<CloudSpaceDownloadPath>\n"
                       "    <CloudMediaDownloadPath>%1</CloudMediaDownloadPath>\n"
                       "    <SetDefaultDownPathStatus>1</SetDefaultDownPathStatus>\n"
                       "</CloudSpaceDownloadPath>\n")
            .arg(mediaFolder));
    f.close();
    QCOMPARE(QFileInfo(file).permissions() & kModeBits, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(KSConfigEngine::instance()->getValue(1, "CLOUD_SPACE", "DEFAULT_FOLDER").toBool(), true);

    // A project still proposes its default, with the box as it was left; remembering it appends it.
    {
        KSCloudSpaceSelectDownloadAddressDialog project(nullptr, 1, QString(), "a.vqp");
        QCOMPARE(shown(project), folders->GetCloudDiskFileFolder());
        QVERIFY(ticked(project));
        project.findChild<QLineEdit *>("downloadPathEdit")->setText(m_env->path("projects"));
        confirm(project, true);
    }
    QCOMPARE(
        childNames(file), QStringList({"CloudMediaDownloadPath", "ProjectDownloadPath", "SetDefaultDownPathStatus"}));
    // An update moves its element last.
    {
        KSCloudSpaceSelectDownloadAddressDialog again(nullptr, 2, QString(), "clip.mp4");
        QCOMPARE(shown(again), mediaFolder);
        confirm(again, true);
    }
    QCOMPARE(
        childNames(file), QStringList({"ProjectDownloadPath", "CloudMediaDownloadPath", "SetDefaultDownPathStatus"}));

    // Clearing the box keeps the remembered folders, which are still proposed.
    {
        KSCloudSpaceSelectDownloadAddressDialog project(nullptr, 1, QString(), "a.vqp");
        QCOMPARE(shown(project), m_env->path("projects"));
        project.findChild<QLineEdit *>("downloadPathEdit")->setText(m_env->path("elsewhere"));
        confirm(project, false);
        QCOMPARE(project.resultPath(), m_env->path("elsewhere"));
    }
    KSCloudSpaceSelectDownloadAddressDialog after(nullptr, 1, QString(), "a.vqp");
    QCOMPARE(shown(after), m_env->path("projects"));
    QVERIFY(!ticked(after));
    QCOMPARE(KSConfigEngine::instance()->getValue(1, "CLOUD_SPACE", "DEFAULT_FOLDER").toBool(), false);
    // A given path wins over the remembered one.
    KSCloudSpaceSelectDownloadAddressDialog given(nullptr, 1, m_env->path("given"), "a.vqp");
    QCOMPARE(shown(given), m_env->path("given"));

    // The service's entry: accepted, the folder made, the path handed back; cancelled answers false.
    struct Item : IKSCloudDiskItem {
        KSCloudItemRecord record;
        QString cloudFileId() const override { return {}; }
        void setCloudFileId(const QString &) override { }
        void setThumbnailId(const QString &) override { }
        CloudDiskItemType itemType() const override { return ColorPresetItem; }
        KSCloudItemRecord *cloudRecord() override { return &record; }
    } item;
    item.record.fileName = "Trip.VQPBUNDLE";
    IKSCloudDisk *service = m_env->startService(false);
    onModal([](QWidget *w) { return qobject_cast<KSCloudSpaceSelectDownloadAddressDialog *>(w); },
        [](QWidget *w) {
            auto *d = static_cast<KSCloudSpaceSelectDownloadAddressDialog *>(w);
            QCOMPARE(d->mode(), 1);
            confirm(*d, false);
        });
    QString path;
    QVERIFY(service->showSelectDownloadAddressDialog(nullptr, path, &item));
    QCOMPARE(path, m_env->path("projects"));
    QVERIFY(QFileInfo(path).isDir());
    item.record.fileName = "clip.mp4";
    onModal([](QWidget *w) { return qobject_cast<KSCloudSpaceSelectDownloadAddressDialog *>(w); },
        [](QWidget *w) {
            auto *d = static_cast<KSCloudSpaceSelectDownloadAddressDialog *>(w);
            QCOMPARE(d->mode(), 2);
            QTest::mouseClick(d->findChild<QPushButton *>("btnCancel"), Qt::LeftButton);
        });
    path.clear();
    QVERIFY(!service->showSelectDownloadAddressDialog(nullptr, path, &item));
    QVERIFY(path.isEmpty());
}

void TestAddressDialogs::malformedFileAndLongName()
{
    const QString file = KSCloudSpaceDownloadPathFile::defaultFilePath();
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<CloudSpaceDownloadPath><ProjectDownloadPath>/x</Proj");
    }
    KSLogCapture log;
    KSCloudSpaceSelectDownloadAddressDialog dialog(nullptr, 1, QString(), QString(200, 'n'));
    QCOMPARE(shown(dialog), KSCloudSpaceDownloadPathFile::defaultFolder(1));
    QVERIFY(!ticked(dialog));
    QVERIFY(!QFileInfo::exists(file));
    const QStringList aside = QDir(QFileInfo(file).absolutePath()).entryList({"defaultDownloadPath.xml.broken-*"});
    QCOMPARE(aside.size(), 1);
    bool warned = false;
    for (const KSLogRecord &r : log.records())
        warned = warned || (r.level == KSLogWarning && r.message.contains("download address file unusable"));
    QVERIFY(warned);

    // 200 + 40 characters: warned, then downloaded where chosen, into a fresh file.
    const QString path = "/" + QString(39, 'p');
    dialog.findChild<QLineEdit *>("downloadPathEdit")->setText(path);
    QString tipTitle;
    onModal([](QWidget *w) { return qobject_cast<KSCommonTipDialog *>(w); },
        [&tipTitle](QWidget *w) {
            tipTitle = w->windowTitle();
            static_cast<QDialog *>(w)->accept();
        });
    confirm(dialog, true);
    QCOMPARE(tipTitle, QStringLiteral("Filename too long"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.resultPath(), path);
    QCOMPARE(childNames(file), QStringList({"ProjectDownloadPath", "SetDefaultDownPathStatus"}));

    // One character shorter: no warning box at all.
    KSCloudSpaceSelectDownloadAddressDialog shorter(nullptr, 1, "/" + QString(38, 'p'), QString(200, 'n'));
    bool tipShown = false;
    onModal([](QWidget *w) { return qobject_cast<KSCommonTipDialog *>(w); },
        [&tipShown](QWidget *w) {
            tipShown = true;
            static_cast<QDialog *>(w)->accept();
        },
        500);
    confirm(shorter, false);
    QCOMPARE(shorter.result(), int(QDialog::Accepted));
    QTest::qWait(600);
    QVERIFY(!tipShown);
}

void TestAddressDialogs::crashWhileWriting()
{
    // A child rewrites the file in a loop and is killed at random moments: the file on disk is
    // always a whole document, never half of one, and stays owner-only.
    const QString root = m_env->path("crash");
    const QString file = root + "/Cloud Space/defaultDownloadPath.xml";
    for (int round = 0; round < 10; ++round) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--write-loop", file});
        QVERIFY(child.waitForStarted());
        QTest::qWait(QRandomGenerator::global()->bounded(100, 350));
        child.kill();
        child.waitForFinished();
        if (!QFileInfo::exists(file))
            continue;
        const QStringList names = childNames(file);
        QVERIFY2(names.size() >= 1 && names.size() <= 3 && !names.first().startsWith('<'), qPrintable(names.join(',')));
        QCOMPARE(QFileInfo(file).permissions() & kModeBits, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    QVERIFY(QFileInfo::exists(file));
}

void TestAddressDialogs::exportUploadFinishes()
{
    IKSCloudDisk *service = m_env->startService();
    QVERIFY(m_env->logIn(service));
    KSCloudDiskViewPresenter *p = presenter();
    KSCloudTaskParam param;
    param.filePath = makeFile("export.mp4", 300000);
    param.name = "export.mp4";
    const QString id = p->uploadVideo({param}).value(0);
    QVERIFY(!id.isEmpty());
    QSignalSpy closed(p, &KSCloudDiskViewPresenter::sigCloseExportProgressDlg);
    // The share step offers a dialog of its own once the export dialog has gone.
    QString followUp;
    onModal([](QWidget *w) { return !qobject_cast<KExportUploadDlg *>(w); },
        [&followUp](QWidget *w) {
            followUp = QString::fromLatin1(w->metaObject()->className());
            static_cast<QDialog *>(w)->reject();
        });
    p->showCloudDiskView(nullptr, 2);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(followUp, QStringLiteral("KSCloudDiskShareDialog"));
    KSCloudDiskTask *task = p->findTask(id);
    QVERIFY(task);
    QVERIFY(task->status() == Transferred || task->status() == Finished);
    QVERIFY(!task->fileId().isEmpty());
    QTRY_COMPARE(task->status(), int(Finished));
}

void TestAddressDialogs::exportUploadRefused()
{
    IKSCloudDisk *service = m_env->startService();
    QVERIFY(m_env->logIn(service));
    KSCloudDiskViewPresenter *p = presenter();
    KSCloudTaskParam param;
    param.filePath = makeFile("refused.mp4", 1000);
    param.name = "refused.mp4";
    TQDriveAdmin::failNextCalls("Drive_UploadFile", 1, int(TQDrive::QuotaExceeded));
    const QString id = p->uploadVideo({param}).value(0);
    QSignalSpy closed(p, &KSCloudDiskViewPresenter::sigCloseExportProgressDlg);
    QSignalSpy expand(p, &KSCloudDiskViewPresenter::sigOpenExpandPage);
    QString errorText;
    bool retryVisible = false, tipVisible = true;
    int chunkRed = -1;
    onModal(
        [](QWidget *w) {
            auto *d = qobject_cast<KExportUploadDlg *>(w);
            return d && d->lastStatus() == Failed;
        },
        [&](QWidget *w) {
            auto *label = w->findChild<QLabel *>("KSTransferCenterErrorText2");
            errorText = label->text();
            retryVisible = w->findChild<QPushButton *>("exportUploadRetryButton")->isVisible();
            tipVisible = w->findChild<QLabel *>("KSTransferCenterTitleText")->isVisible();
            chunkRed = w->findChild<QProgressBar *>("exportUploadProgressBar")
                           ->styleSheet()
                           .contains(KSSkinManager::instance()->getColor(69).name());
            emit label->linkActivated("href");
            QTest::mouseClick(w->findChild<QPushButton *>("exportUploadCancelButton"), Qt::LeftButton);
        });
    p->showCloudDiskView(nullptr, 2);
    QVERIFY(errorText.startsWith("Failed. Insufficient Cloud space. <a "));
    QVERIFY(errorText.contains(">Expand Now.</a>"));
    QVERIFY(retryVisible);
    QVERIFY(!tipVisible);
    QCOMPARE(chunkRed, 1);
    QCOMPARE(expand.count(), 1);
    QCOMPARE(expand.first().at(1).toBool(), true);
    QCOMPARE(closed.count(), 0);
    // A failed upload stays listed for the user to decide.
    KSCloudDiskTask *task = p->findTask(id);
    QVERIFY(task);
    QCOMPARE(task->status(), int(Failed));
    QVERIFY(p->uploadTaskList()->contains(task));
}

void TestAddressDialogs::screenshots()
{
    m_env->startService(false);
    KSCloudDiskViewPresenter *p = presenter();
    p->setEmail("user@example.com");
    KSCloudTaskParam param;
    param.filePath = makeFile("shot.mp4", 1000);
    param.name = "shot.mp4";
    KSCloudDiskTask *task = p->findTask(p->uploadVideo({param}).value(0));
    QVERIFY(task);
    for (KSSkinManager::Skin skin : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
        KSSkinManager::instance()->setSkin(skin);
        {
            KSCloudSpaceSelectDownloadAddressDialog dialog(nullptr, 2, QString(), "clip.mp4");
            dialog.resize(480, dialog.height());
            saveGrab(&dialog, "address");
        }
        KExportUploadDlg dlg(p);
        auto *base = static_cast<IKSCDBaseTask *>(task);
        task->setTotalSize(0);
        base->setStatus(Waiting);
        dlg.slotTaskStateChanged(task);
        QCOMPARE(dlg.findChild<QLabel *>("exportUploadPercentLabel")->text(), QStringLiteral("--"));
        saveGrab(&dlg, "export-unknown-size");
        task->setTotalSize(1000);
        task->setTransSize(400);
        base->setStatus(Running);
        dlg.slotTaskStateChanged(task);
        QCOMPARE(dlg.findChild<QLabel *>("exportUploadPercentLabel")->text(), QStringLiteral("40%"));
        saveGrab(&dlg, "export-running");
        for (int code : {3, 18, 20, 99}) {
            task->setFailedCode(code);
            base->setStatus(Failed);
            dlg.slotTaskStateChanged(task);
            saveGrab(&dlg, QStringLiteral("export-failed-%1").arg(code));
        }
        QCOMPARE(dlg.findChild<QLabel *>("KSTransferCenterErrorText2")->text(),
            QStringLiteral("Upload failed. Please try again."));
        // The next report after a retry brings the normal look back.
        base->setStatus(Running);
        dlg.slotTaskStateChanged(task);
        QVERIFY(dlg.findChild<QLabel *>("KSTransferCenterErrorText2")->isHidden());
        QVERIFY(!dlg.findChild<QProgressBar *>("exportUploadProgressBar")
                     ->styleSheet()
                     .contains(KSSkinManager::instance()->getColor(69).name()));
        base->setStatus(Failed);
        dlg.slotTaskStateChanged(task);
    }
}

// The child side of crashWhileWriting: rewrites the file until it is killed.
static int writeLoop(const QString &path)
{
    const KSCloudSpaceDownloadPathFile file(path);
    const QString longPath = QString(4000, 'x');
    for (int i = 0;; ++i) {
        file.writeElement(KSCloudSpaceDownloadPathFile::elementName(1 + i % 2), longPath + QString::number(i));
        file.writeElement(KSCloudSpaceDownloadPathFile::rememberElementName(), QString::number(i % 2));
    }
}

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--write-loop") {
        QCoreApplication app(argc, argv);
        return writeLoop(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    TestAddressDialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_addressdialogs.moc"
