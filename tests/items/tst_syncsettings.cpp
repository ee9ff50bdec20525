// The sync settings page against the editor's real switches, account and service.
#include "CloudTestEnvironment.h"
#include "IKSAutoSyncHelper.h"
#include "IKSTQIDAccount.h"
#include "KSCustomEvent.h"
#include "KSSkin.h"
#include "KSSyncSettingWidget.h"
#include "KSTrackEvent.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QStackedWidget>
#include <QtTest>

namespace {

IKSAutoSyncHelper *switches()
{
    return IKSAutoSyncHelper::getInstance();
}

// "<sync_content>@<Open_With>" of every "turn_on_sync" sent.
QStringList turnedOn(const KSAnalyticsCapture &capture)
{
    QStringList contents;
    for (const KSTrackRecord &record : capture.records()) {
        QMap<QString, QString> properties;
        for (const auto &property : record.properties)
            properties.insert(property.first, property.second.toString());
        if (record.name == "turn_on_sync")
            contents << properties.value("sync_content") + "@" + properties.value("Open_With");
    }
    return contents;
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 2 && qAbs(a.green() - b.green()) <= 2 && qAbs(a.blue() - b.blue()) <= 2;
}

} // namespace

class TestSyncSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pageFollowsHostSwitchesAndService();
    void userActionsWriteSwitches();
    void signInRefused();
    void screenshotsInBothSkins();

private:
    template<typename T>
    static T *child(const QWidget &page, const QString &name)
    {
        T *found = page.findChild<T *>(name);
        if (!found)
            qFatal("no child %s", qPrintable(name));
        return found;
    }
    static bool showsSettings(const QWidget &page)
    {
        return child<QStackedWidget>(page, "syncStack")->currentWidget()->objectName() == "syncSettingsPage";
    }

    CloudTestEnvironment *m_env = nullptr;
    IKSCloudDisk *m_service = nullptr;
};

void TestSyncSettings::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    m_service = m_env->startService(false);
}

void TestSyncSettings::cleanup()
{
    delete m_env;
    m_env = nullptr;
}

void TestSyncSettings::pageFollowsHostSwitchesAndService()
{
    switches()->setSyncState(AutoSyncAll, true);
    KSSyncSettingWidget page;
    // Sync shows as on only once the service is ready.
    QVERIFY(!showsSettings(page));
    QVERIFY(m_env->logIn(m_service));
    QTRY_VERIFY(showsSettings(page));
    auto *mainSwitch = child<QAbstractButton>(page, "switchAutoSync");
    QVERIFY(mainSwitch->isChecked());
    QCOMPARE(mainSwitch->text(), QString("Turn off sync"));

    QStringList labels;
    for (QCheckBox *box : child<QWidget>(page, "customPresetWidget")->findChildren<QCheckBox *>()) {
        labels << box->text();
        QVERIFY(box->isChecked());
    }
    QCOMPARE(labels,
        QStringList({"Title", "Template", "Adjustment Layer", "Compound Clip", "Mask", "Color", "AI Color Palette",
            "Custom Color Layer"}));

    // Switches changed elsewhere in the editor show at once.
    switches()->setSyncState(AutoSyncMask, false);
    QVERIFY(!child<QCheckBox>(page, "cbPreset9")->isChecked());
    switches()->setSyncState(AutoSyncCustomization, false);
    QVERIFY(!child<QCheckBox>(page, "cbCustom")->isChecked());
    QVERIFY(!child<QWidget>(page, "customPresetWidget")->isEnabled());
    QVERIFY(child<QCheckBox>(page, "cbPreset3")->isChecked()); // kept while the area is off
    switches()->setSyncState(AutoSyncFavorite, false);
    QVERIFY(!child<QCheckBox>(page, "cbFavorite")->isChecked());
    switches()->setSyncState(AutoSyncAll, false);
    QVERIFY(!showsSettings(page));
    QCOMPARE(child<QAbstractButton>(page, "btnAutoSyncDefault")->text(), QString("Turn on sync"));

    // A page made later starts from the editor's switches.
    switches()->setSyncState(AutoSyncAll, true);
    KSSyncSettingWidget later;
    QVERIFY(showsSettings(later));
    QVERIFY(!child<QCheckBox>(later, "cbPreset9")->isChecked());
    QVERIFY(child<QCheckBox>(later, "cbPreset3")->isChecked());
    QVERIFY(!child<QWidget>(later, "customPresetWidget")->isEnabled());
}

void TestSyncSettings::userActionsWriteSwitches()
{
    QVERIFY(m_env->logIn(m_service));
    KSAnalyticsCapture capture;
    KSSyncSettingWidget page;
    QSignalSpy mainToggled(&page, &KSSyncSettingWidget::toggleMain);
    QVERIFY(!showsSettings(page));
    child<QAbstractButton>(page, "btnAutoSyncDefault")->click();
    QVERIFY(showsSettings(page));
    QVERIFY(switches()->getSyncState(AutoSyncAll));

    auto *custom = child<QCheckBox>(page, "cbCustom");
    custom->click();
    QVERIFY(!switches()->getSyncState(AutoSyncCustomization));
    QVERIFY(!child<QWidget>(page, "customPresetWidget")->isEnabled());
    custom->click();
    QVERIFY(switches()->getSyncState(AutoSyncCustomization));
    auto *favorite = child<QCheckBox>(page, "cbFavorite");
    favorite->click();
    QVERIFY(!switches()->getSyncState(AutoSyncFavorite));
    favorite->click();
    auto *color = child<QCheckBox>(page, "cbPreset11");
    color->click();
    QVERIFY(!switches()->getSyncState(AutoSyncColor));
    color->click();
    QVERIFY(switches()->getSyncState(AutoSyncColor));

    child<QAbstractButton>(page, "switchAutoSync")->click();
    QVERIFY(!switches()->getSyncState(AutoSyncAll));
    QVERIFY(!showsSettings(page));
    QCOMPARE(mainToggled.size(), 2);
    QCOMPARE(mainToggled.last().first().toBool(), false);
    // Switching on is tracked, switching off is not.
    QCOMPARE(turnedOn(capture),
        QStringList({"all@sync_setting", "customzation@sync_setting", "favorites@", "color@sync_setting"}));
}

void TestSyncSettings::signInRefused()
{
    QVERIFY(m_env->logIn(m_service));
    switches()->setSyncState(AutoSyncAll, true);
    switches()->setSyncState(AutoSyncTitle, false);
    QObject editor;
    QVariantList loginRequests;
    new KSCustomEventListener(KSCustomEventManager::instance(), &editor, "NotifyLogin",
        [&loginRequests](const KSCustomEventPtr &event) { loginRequests << event->payload(); });
    // The account signs out; the service stays ready until the editor says otherwise.
    getTQIDAccount()->signOut();
    KSSyncSettingWidget page;
    QVERIFY(showsSettings(page));

    auto *title = child<QCheckBox>(page, "cbPreset3");
    title->click();
    QCOMPARE(loginRequests, QVariantList{3});
    QVERIFY(!title->isChecked());
    QVERIFY(!switches()->getSyncState(AutoSyncTitle));

    // The account's own changes reach the page.
    QVERIFY(getTQIDAccount()->signIn("editor@example.com", KLoginSource(1)));
    QTRY_VERIFY(showsSettings(page));
    getTQIDAccount()->signOut();
    QTRY_VERIFY(!showsSettings(page));
    child<QAbstractButton>(page, "btnAutoSyncDefault")->click();
    QCOMPARE(loginRequests.size(), 2);
    QVERIFY(!showsSettings(page));
}

void TestSyncSettings::screenshotsInBothSkins()
{
    QVERIFY(m_env->logIn(m_service));
    switches()->setSyncState(AutoSyncAll, true);
    switches()->setSyncState(AutoSyncColor, false);
    KSSyncSettingWidget page;
    page.resize(760, 520);
    const QDir folder(QStringLiteral(KSCD_SCREENSHOT_DIR));
    QVERIFY(folder.mkpath("."));
    KSSkinManager *skins = KSSkinManager::instance();
    auto *mainSwitch = child<QAbstractButton>(page, "switchAutoSync");
    auto *button = child<QAbstractButton>(page, "btnAutoSyncDefault");
    for (const KSSkinManager::Skin skin : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
        skins->setSkin(skin);
        switches()->setSyncState(AutoSyncAll, true);
        QImage shot = page.grab().toImage();
        QVERIFY(shot.save(folder.filePath(skins->skinName() + "-settings.png")));
        // Drawn in the skin's colours: page background, and the switch's track when on.
        QVERIFY(near(shot.pixelColor(2, 2), skins->getColor(1)));
        const QPoint track = mainSwitch->mapTo(&page, QPoint(8, mainSwitch->height() / 2));
        QVERIFY2(near(shot.pixelColor(track), skins->getColor(8)), qPrintable(shot.pixelColor(track).name()));

        switches()->setSyncState(AutoSyncAll, false);
        shot = page.grab().toImage();
        QVERIFY(shot.save(folder.filePath(skins->skinName() + "-default.png")));
        const QPoint fill = button->mapTo(&page, QPoint(6, button->height() / 2));
        QVERIFY2(near(shot.pixelColor(fill), skins->getColor(8)), qPrintable(shot.pixelColor(fill).name()));
    }
}

QTEST_MAIN(TestSyncSettings)
#include "tst_syncsettings.moc"
