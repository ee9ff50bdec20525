// The flows that make the service usable before a transfer, driven through their real dialogs
// against the local drive: consent and opening, logging in again, waiting, quitting, free space.
#include "CloudTestEnvironment.h"
#include "KSCloudDiskActivateDialog.h"
#include "KSCloudDiskCheckDiskInfoDialog.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskReLoginDialog.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSConfigEngine.h"
#include "KSCustomEvent.h"
#include "KSWidgets.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QThreadPool>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Both skins of a window into <build>/screenshots/readiness/<skin>/<name>.png.
void shoot(QWidget *window, const QString &name)
{
    KSSkinManager *skins = KSSkinManager::instance();
    const KSSkinManager::Skin was = skins->skin();
    for (KSSkinManager::Skin skin : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
        skins->setSkin(skin);
        const QString dir
            = QCoreApplication::applicationDirPath() + "/../../screenshots/readiness/" + skins->skinName();
        QDir().mkpath(dir);
        window->grab().save(dir + '/' + name + ".png");
    }
    skins->setSkin(was);
}

bool hasColor(const QImage &image, const QColor &color)
{
    for (int i = 0; i < image.width() * image.height(); ++i) {
        const QColor c = image.pixelColor(i % image.width(), i / image.width());
        if (qAbs(c.red() - color.red()) + qAbs(c.green() - color.green()) + qAbs(c.blue() - color.blue()) < 12)
            return true;
    }
    return false;
}

template<typename T = QWidget>
T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

void clickButton(QWidget *box, const QString &text)
{
    const QList<KSPushButton *> buttons = box->findChildren<KSPushButton *>();
    for (KSPushButton *button : buttons) {
        if (button->text() == text)
            return QTest::mouseClick(button, Qt::LeftButton);
    }
    QFAIL(qPrintable("no button " + text));
}

// Acts on the modal window of the flow under test from inside its own loop (a wait here would sit
// under that loop). Once the test has failed or the deadline has passed it closes whatever is up,
// so the flow always returns.
std::unique_ptr<QTimer> driveModals(const std::function<void(QWidget *)> &act)
{
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [act, deadline = QDeadlineTimer(20000)] {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (modal && (QTest::currentTestFailed() || deadline.hasExpired()))
            modal->done(QDialog::Rejected);
        else if (modal)
            act(modal);
    });
    timer->start(20);
    return timer;
}

// The modal windows `flow` shows, each closed at once.
QStringList modalsShownBy(const std::function<void()> &flow)
{
    QStringList shown;
    const auto driver = driveModals([&shown](QWidget *modal) {
        shown << modal->metaObject()->className();
        static_cast<QDialog *>(modal)->done(QDialog::Rejected);
    });
    flow();
    return shown;
}

// Answers the message box `flow` shows with `button`; `seen` gets the box's title and text.
bool answerBox(const QString &button, const QString &shot, const std::function<bool()> &flow, QStringList *seen)
{
    const auto driver = driveModals([&](QWidget *modal) {
        auto *box = qobject_cast<KSMessageDialog *>(modal);
        if (!box)
            return;
        *seen = QStringList{box->windowTitle(), box->text()};
        if (!shot.isEmpty())
            shoot(box, shot);
        clickButton(box, button);
    });
    return flow();
}

bool waitForLogin(IKSCloudDisk *service)
{
    const bool ended = QTest::qWaitFor([service] { return !service->isLoggingIn(); }, 10000);
    QThreadPool::globalInstance()->waitForDone();
    return ended;
}

} // namespace

class TestReadiness : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()); }
    void unavailableService();
    void consentFlow();
    void policyLayouts();
    void reLoginAndWaiting();
    void diskSpace();
    void confirmQuit();
};

void TestReadiness::unavailableService()
{
    CloudTestEnvironment env(TQDriveAdmin::UnavailableOpened);
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService(false);
    // A second init must not make the activation event run its flow twice.
    env.startService(false);
    QCOMPARE(KSCustomEventManager::instance()->listenerCount("NotifyActivateCloudDisk"), 1);
    service->refreshAccount();
    QVERIFY(waitForLogin(service));
    QVERIFY(service->isServiceUnavailable());

    const auto event = KSCustomEventPtr::create("NotifyActivateCloudDisk", QVariant::fromValue<QWidget *>(nullptr));
    const QStringList shown = modalsShownBy([&] {
        QVERIFY(!service->ensureServiceReady(nullptr, true));
        QVERIFY(!service->ensureServiceReady(nullptr, false));
        QVERIFY(!service->checkServiceReady(nullptr));
        KSCustomEventManager::instance()->dispatch(event);
    });
    QCOMPARE(event->result(), QVariant(false));
    QCOMPARE(shown, QStringList());
}

void TestReadiness::consentFlow()
{
    CloudTestEnvironment env(TQDriveAdmin::NotOpened);
    QVERIFY(env.isReady());
    QVERIFY(TQDriveAdmin::setServiceState(env.account().accountId, TQDriveAdmin::NotOpened, "SG"));
    KSConfigEngine::instance()->setValue(0, "CBSUrl", "OrvanePrivacyPageC115", "https://cutlane.local/privacy");
    IKSCloudDisk *service = env.startService(false);
    service->refreshAccount();
    QVERIFY(waitForLogin(service));
    QVERIFY(service->needOpenService());
    TQDriveAdmin::clearCalls();
    const auto openings = [] {
        const auto calls = TQDriveAdmin::calls();
        return std::count_if(calls.cbegin(), calls.cend(),
            [](const TQDriveAdmin::CallRecord &c) { return c.function == "Drive_OpenService"; });
    };

    int phase = 0;
    const auto driver = driveModals([&](QWidget *modal) {
        auto *dialog = qobject_cast<KSCloudDiskActivateDialog *>(modal);
        if (!dialog)
            return; // the wait for the login that follows ends by itself
        auto *box = child<QCheckBox>(dialog, "chkPolicy");
        auto *tip = child<QLabel>(dialog, "lblTip");
        auto *open = child<QPushButton>(dialog, "btnOpen");
        auto *ok = child<QPushButton>(dialog, "btnOk");
        const QColor warning = KSSkinManager::instance()->getColor(69);
        if (phase == 0) {
            phase = 1;
            QVERIFY(child<QLabel>(dialog, "lblRegion")->text().contains("Asia (Singapore)"));
            QVERIFY(child<QLabel>(dialog, "lblPolicy")->text().contains("href=\"https://cutlane.local/privacy\""));
            QVERIFY(!tip->isVisible() && open->isVisible() && !ok->isVisible());
            shoot(dialog, "activate-consent");
            QTest::mouseClick(open, Qt::LeftButton);
            QVERIFY(tip->isVisible());
            QCOMPARE(tip->text(), QStringLiteral("Please Agree to Our Policy First"));
            QCOMPARE(box->property("Status").toString(), QStringLiteral("Warning"));
            QVERIFY(hasColor(box->grab().toImage(), warning));
            QVERIFY(!service->isOpeningService());
            shoot(dialog, "activate-warning");
            QTest::mouseClick(box, Qt::LeftButton);
            QVERIFY(box->isChecked());
            QCOMPARE(box->property("Status").toString(), QString());
            QVERIFY(!tip->isVisible());
            QVERIFY(!hasColor(box->grab().toImage(), warning));
            QCOMPARE(openings(), 0);

            TQDriveAdmin::delayNextCalls("Drive_OpenService", 1, 500);
            QTest::mouseClick(open, Qt::LeftButton);
            QVERIFY(service->isOpeningService());
            QVERIFY(child(dialog, "btnLoading")->isVisible() && !open->isVisible() && !ok->isVisible());
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(!dialog->requestClose(KSDialog::WindowCloseRequest));
            QTest::mouseClick(dialog->titleBar()->button(KSTitleBar::CloseButton), Qt::LeftButton);
            QVERIFY(dialog->isVisible());
            shoot(dialog, "activate-opening");
        } else if (phase == 1 && ok->isVisible()) {
            phase = 2;
            QCOMPARE(child<QLabel>(dialog, "lblHeading")->text(),
                QStringLiteral("Upload media files to the cloud for backup and sharing."));
            QVERIFY(!box->isVisible() && !child(dialog, "lblPolicy")->isVisible());
            QVERIFY(!child(dialog, "lblRegion")->isVisible() && !open->isVisible());
            shoot(dialog, "activate-opened");
            QTest::mouseClick(ok, Qt::LeftButton);
        }
    });
    QVERIFY(service->ensureServiceReady(nullptr, true));
    QCOMPARE(phase, 2);
    QVERIFY(service->isServiceReady());
    QCOMPARE(openings(), 1);
}

void TestReadiness::policyLayouts()
{
    CloudTestEnvironment env;
    IKSCloudDisk *service = env.startService(false);
    const auto policy = [service](const char *language) {
        qputenv("KSHOST_LANG", language);
        KSCloudDiskActivateDialog dialog(service);
        // A data centre the dialog cannot name (none before a login) leaves the region out.
        return child(&dialog, "lblRegion")->isHidden() ? child<QLabel>(&dialog, "lblPolicy")->text() : QString();
    };
    const QString english = policy("en_US");
    const QString japanese = policy("ja_JP");
    const QString traditional = policy("zh_TW");
    qunsetenv("KSHOST_LANG");
    for (const QString &text : {english, japanese, traditional})
        QVERIFY2(text.indexOf("Privacy Policy") < text.indexOf("License Agreement"), qPrintable(text));
    QVERIFY(english.startsWith("I accept <a") && !english.contains("<br>"));
    QVERIFY(japanese.startsWith("<a") && japanese.endsWith("</a> I accept"));
    QVERIFY(traditional.startsWith("I accept <a") && traditional.contains("</a><br>and <a"));
}

void TestReadiness::reLoginAndWaiting()
{
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    IKSCloudDisk *service = env.startService(false);
    // No login runs: nothing to wait for.
    QCOMPARE(modalsShownBy([&] { QVERIFY(service->waitLoginFinished(nullptr, 0)); }), QStringList());

    // Signed out, the check waits in its dialog for the login the editor has just started.
    TQDriveAdmin::delayNextCalls("Drive_QueryService", 1, 400);
    service->updateTqidToken();
    QList<QWidget *> checks; // compared only, never followed
    {
        const auto driver = driveModals([&](QWidget *modal) {
            auto *check = qobject_cast<KSCloudDiskCheckDiskInfoDialog *>(modal);
            if (!check || checks.contains(check))
                return;
            checks << check;
            QCOMPARE(
                child<QLabel>(check, "lblText")->text(), QStringLiteral("Logging in to cloud space. Please wait."));
            QVERIFY(!check->requestClose(KSDialog::EscapeKey));
            shoot(check, "check-login");
        });
        QVERIFY(service->checkServiceReady(nullptr));
    }
    QCOMPARE(checks.size(), 1);
    QVERIFY(service->isServiceReady());

    // Signed out again: the dialog reports the failure, and its button logs in.
    service->clearAccount();
    QVERIFY(!service->isServiceReady());
    bool retried = false;
    {
        const auto driver = driveModals([&](QWidget *modal) {
            auto *dialog = qobject_cast<KSCloudDiskReLoginDialog *>(modal);
            QVERIFY(dialog);
            auto *tip = child(dialog, "lblTip");
            auto *button = child<QPushButton>(dialog, "btnPage");
            if (retried || !tip->isVisible())
                return;
            retried = true;
            QCOMPARE(button->text(), QStringLiteral("Refresh"));
            shoot(dialog, "relogin-failed");
            TQDriveAdmin::delayNextCalls("Drive_QueryService", 1, 500);
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(service->isLoggingIn() && dialog->isWaiting());
            QVERIFY(!tip->isVisible() && !button->isVisible() && !dialog->isCloseButtonEnabled());
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(!dialog->requestClose(KSDialog::WindowCloseRequest));
            QVERIFY(dialog->isVisible());
            shoot(dialog, "relogin-waiting");
        });
        QVERIFY(service->showReLoginDialog(nullptr));
    }
    QVERIFY(retried);
    QVERIFY(service->isServiceReady());

    // Waiting for a running login: mode 1 of the caller may be given up, mode 0 ends with the login.
    TQDriveAdmin::delayNextCalls("Drive_QueryService", 1, 1500);
    service->updateTqidToken();
    {
        const auto driver = driveModals([&](QWidget *modal) {
            auto *dialog = qobject_cast<KSCloudDiskReLoginDialog *>(modal);
            QVERIFY(dialog && dialog->isWaiting());
            auto *button = child<QPushButton>(dialog, "btnPage");
            QCOMPARE(button->text(), QStringLiteral("Close"));
            shoot(dialog, "relogin-waiting-close");
            QTest::mouseClick(button, Qt::LeftButton);
        });
        QVERIFY(!service->waitLoginFinished(nullptr, 1));
    }
    QVERIFY(service->isLoggingIn());
    const auto untouched = driveModals([](QWidget *) {});
    QVERIFY(service->waitLoginFinished(nullptr, 0));
    QVERIFY(!service->isLoggingIn());
}

void TestReadiness::diskSpace()
{
    CloudTestEnvironment env;
    IKSCloudDisk *service = env.startService(false);
    QVERIFY(env.logIn(service));
    int pagesOpened = 0;
    bool editorAborts = false;
    connect(service->getPresenter(), &KSCloudDiskViewPresenter::sigOpenExpandPage, this, [&](bool &abort, bool active) {
        QVERIFY(!active);
        ++pagesOpened;
        abort = editorAborts;
    });

    // Without a total there is nothing to exceed; the figures are read afresh first.
    QVERIFY(TQDriveAdmin::setSpaceInfo(env.account().accountId, {{"total_size", 0}}));
    QString checkText;
    TQDriveAdmin::delayNextCalls("Drive_GetSpaceInfo", 1, 300);
    {
        const auto driver = driveModals([&](QWidget *modal) {
            auto *check = qobject_cast<KSCloudDiskCheckDiskInfoDialog *>(modal);
            if (!check)
                return static_cast<QDialog *>(modal)->done(QDialog::Rejected);
            if (!checkText.isEmpty())
                return;
            checkText = child<QLabel>(check, "lblText")->text();
            QVERIFY(!check->requestClose(KSDialog::EscapeKey));
            shoot(check, "check-syncing");
        });
        QVERIFY(service->checkDiskSpace(nullptr, qint64(1) << 40));
    }
    QCOMPARE(checkText, QStringLiteral("Syncing in process, please wait..."));
    QCOMPARE(service->getDiskInfo().totalSize, qint64(0));

    // One byte cannot take a mebibyte: the user is offered more space.
    QVERIFY(TQDriveAdmin::setSpaceInfo(env.account().accountId, {{"total_size", 1}}));
    const struct {
        const char *button;
        bool editorAborts, answer;
        int pagesOpened;
    } answers[] = {{"Cancel", false, false, 0}, {"Buy Storage", true, false, 1}, {"Buy Storage", false, true, 2}};
    for (const auto &row : answers) {
        editorAborts = row.editorAborts;
        QStringList seen;
        QCOMPARE(answerBox(
                     row.button, row.pagesOpened ? "" : "lack-of-storage",
                     [&] { return service->checkDiskSpace(nullptr, 1048576); }, &seen),
            row.answer);
        QCOMPARE(seen, QStringList({"Lack of Storage", "Insufficient cloud storage. Please buy more."}));
        QCOMPARE(pagesOpened, row.pagesOpened);
    }
}

void TestReadiness::confirmQuit()
{
    CloudTestEnvironment env;
    IKSCloudDisk *service = env.startService(false);
    QCOMPARE(modalsShownBy([&] { QVERIFY(service->confirmQuit(nullptr)); }), QStringList());
    KSCloudDiskViewPresenter *presenter = service->getPresenter();
    auto *task = new KSCloudDiskCloudMediaTask(presenter, env.path("clip.mp4"), "clip", "/f", 0);
    task->setListed(true);
    static_cast<IKSCDBaseTask *>(task)->setStatus(Waiting);
    presenter->uploadTaskList()->append(task);
    for (const QString button : {"Cancel", "Quit"}) {
        QStringList seen;
        QCOMPARE(answerBox(
                     button, "confirm-quit", [&] { return service->confirmQuit(nullptr); }, &seen),
            button == "Quit");
        QCOMPARE(seen, QStringList({"Are you sure you want to quit?", "You have task in progress"}));
    }
    // Staying while a shared link downloads brings its progress back into view.
    presenter->downloadShareProject("code-1", env.path("shared.vqp"));
    QWidget window;
    window.show();
    QStringList seen;
    QVERIFY(!answerBox(
        "Cancel", "", [&] { return service->confirmQuit(&window); }, &seen));
    QVERIFY(service->isFloatingWidgetVisible());
    service->closeFloatingWidget();
}

QTEST_MAIN(TestReadiness)
#include "tst_readiness.moc"
