#include "KSSyncSettingWidget.h"

#include "IKSAutoSyncHelper.h"
#include "KSCustomEvent.h"
#include "KSSyncSwitchButton.h"
#include "KSTrackEvent.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QThread>
#include <QVBoxLayout>

namespace {

constexpr int kLoginSourceSyncSettings = 3;
const char kTypeProperty[] = "autoSyncType";

// The preset kinds with a box of their own, in the order shown. Effects sync with the titles'
// library and have no box; speed presets have none either.
QList<int> presetTypes()
{
    QList<int> types{AutoSyncTitle, AutoSyncTemplate, AutoSyncAdjustmentLayer, AutoSyncCompoundClip, AutoSyncEffect,
        AutoSyncMask, AutoSyncColor, AutoSyncAIColorPalette, AutoSyncCustomColorLayer};
    types.removeAll(AutoSyncEffect);
    return types;
}

// The "sync_content" of the analytics when a preset box is switched on. Built on first use, once,
// whichever thread comes first.
QString trackingName(int type)
{
    static const QHash<int, QString> names{{AutoSyncTitle, QStringLiteral("title")},
        {AutoSyncTemplate, QStringLiteral("template")}, {AutoSyncAdjustmentLayer, QStringLiteral("adjustment_layer")},
        {AutoSyncMask, QStringLiteral("mask")}, {AutoSyncCompoundClip, QStringLiteral("compound_clip")},
        {AutoSyncColor, QStringLiteral("color")}, {AutoSyncAIColorPalette, QStringLiteral("ai_color_palette")},
        {AutoSyncCustomColorLayer, QStringLiteral("custom_color_layer")}};
    return names.value(type);
}

void sendTurnOnSync(const QString &content, bool fromSettings = true)
{
    KSGeneralEvent event(QStringLiteral("turn_on_sync"));
    if (fromSettings)
        event.add(QStringLiteral("Open_With"), QStringLiteral("sync_setting"));
    event.add(QStringLiteral("sync_content"), content);
}

// The editor signs its account in when asked; true when it is signed in afterwards.
bool ensureSignedIn()
{
    if (getTQIDAccount()->isLoggedIn())
        return true;
    KSCustomEventManager::instance()->dispatch(
        KSCustomEventPtr::create(QStringLiteral("NotifyLogin"), kLoginSourceSyncSettings));
    return getTQIDAccount()->isLoggedIn();
}

IKSAutoSyncHelper *switches()
{
    return IKSAutoSyncHelper::getInstance();
}

} // namespace

class KSSyncSettingWidgetPrivate
{
    Q_DECLARE_PUBLIC(KSSyncSettingWidget)
public:
    explicit KSSyncSettingWidgetPrivate(KSSyncSettingWidget *q)
        : q_ptr(q)
    { }

    void buildDefaultPage();
    void buildSettingsPage();
    void connectControls();
    QString presetLabel(int type) const;

    bool serviceReady() const { return service && serviceObject && service->isServiceReady(); }
    void showSyncEnabled(bool on);
    void refreshSyncEnabled() { showSyncEnabled(switches()->getSyncState(AutoSyncAll) && serviceReady()); }
    void fullRefresh();
    void setCustomization(bool on);
    KSCheckBox *presetBox(int type) const;
    void onSyncStateChanged(const KSCustomEventPtr &event);
    void onTurnOnClicked();

    KSSyncSettingWidget *q_ptr;
    IKSCloudDisk *service = nullptr;
    QPointer<QObject> serviceObject;
    bool syncEnabled = false;
    QStackedWidget *stack = nullptr;
    QWidget *defaultPage = nullptr;
    QWidget *settingsPage = nullptr;
    QLabel *defaultTitle = nullptr;
    QLabel *defaultText = nullptr;
    KSPushButton *btnAutoSyncDefault = nullptr;
    KSSyncSwitchButton *mainSwitch = nullptr;
    QLabel *enabledText = nullptr;
    KSWidget *settingsArea = nullptr;
    KSCheckBox *cbFavorite = nullptr;
    KSCheckBox *cbCustom = nullptr;
    QWidget *customPresetWidget = nullptr;
    QList<KSCheckBox *> presetBoxes;
};

KSSyncSettingWidget::KSSyncSettingWidget(QWidget *parent)
    : KSWidget(parent)
    , d_ptr(new KSSyncSettingWidgetPrivate(this))
{
    Q_D(KSSyncSettingWidget);
    setObjectName(QStringLiteral("KSSyncSettingWidget"));
    d->stack = new QStackedWidget(this);
    d->stack->setObjectName(QStringLiteral("syncStack"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->stack);
    d->buildDefaultPage();
    d->buildSettingsPage();
    retranslateUi();
    d->connectControls();

    getTQIDAccount()->addObserver(this);
    d->service = getCloudDisk();
    d->serviceObject = dynamic_cast<QObject *>(d->service);
    d->service->attach(this);
    new KSCustomEventListener(KSCustomEventManager::instance(), this, QStringLiteral("NotifySyncStateChanged"),
        [d](const KSCustomEventPtr &event) { d->onSyncStateChanged(event); });
    new KSCustomEventListener(KSCustomEventManager::instance(), this, QStringLiteral("NotifyClickCloudDiskBtn"),
        [d](const KSCustomEventPtr &) { d->fullRefresh(); });
    d->fullRefresh();
}

KSSyncSettingWidget::~KSSyncSettingWidget()
{
    Q_D(KSSyncSettingWidget);
    getTQIDAccount()->removeObserver(this);
    if (d->serviceObject)
        d->service->detach(this);
}

void KSSyncSettingWidgetPrivate::buildDefaultPage()
{
    defaultPage = new QWidget;
    defaultPage->setObjectName(QStringLiteral("syncDefaultPage"));
    auto *picture = new QLabel(defaultPage);
    picture->setObjectName(QStringLiteral("lblSyncPicture"));
    defaultTitle = new QLabel(defaultPage);
    defaultTitle->setObjectName(QStringLiteral("lblSyncDefaultTitle"));
    defaultTitle->setAlignment(Qt::AlignCenter);
    defaultTitle->setWordWrap(true);
    defaultText = new QLabel(defaultPage);
    defaultText->setObjectName(QStringLiteral("lblSyncDefaultText"));
    defaultText->setAlignment(Qt::AlignCenter);
    defaultText->setWordWrap(true);
    btnAutoSyncDefault = new KSPushButton(QString(), KSPushButton::PrimaryStyle, defaultPage);
    btnAutoSyncDefault->setObjectName(QStringLiteral("btnAutoSyncDefault"));
    btnAutoSyncDefault->setMinimumWidth(160);

    auto *layout = new QVBoxLayout(defaultPage);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->setSpacing(0);
    layout->addStretch(1);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addSpacing(24);
    layout->addWidget(defaultTitle);
    layout->addSpacing(8);
    layout->addWidget(defaultText);
    layout->addSpacing(32);
    layout->addWidget(btnAutoSyncDefault, 0, Qt::AlignHCenter);
    layout->addStretch(2);
    stack->addWidget(defaultPage);
}

void KSSyncSettingWidgetPrivate::buildSettingsPage()
{
    settingsPage = new QWidget;
    settingsPage->setObjectName(QStringLiteral("syncSettingsPage"));
    mainSwitch = new KSSyncSwitchButton(settingsPage);
    mainSwitch->setObjectName(QStringLiteral("switchAutoSync"));
    enabledText = new QLabel(settingsPage);
    enabledText->setObjectName(QStringLiteral("lblSyncEnabledText"));
    enabledText->setWordWrap(true);

    settingsArea = new KSWidget(settingsPage);
    settingsArea->setObjectName(QStringLiteral("syncSettingsArea"));
    cbFavorite = new KSCheckBox(settingsArea);
    cbFavorite->setObjectName(QStringLiteral("cbFavorite"));
    auto *line = new KSLineWidget(settingsArea);
    line->setObjectName(QStringLiteral("lineSyncSettings"));
    cbCustom = new KSCheckBox(settingsArea);
    cbCustom->setObjectName(QStringLiteral("cbCustom"));
    customPresetWidget = new QWidget(settingsArea);
    customPresetWidget->setObjectName(QStringLiteral("customPresetWidget"));
    auto *grid = new QGridLayout(customPresetWidget);
    // Indented under the customization box, whose kinds they are.
    grid->setContentsMargins(24, 0, 0, 0);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(12);
    const QList<int> types = presetTypes();
    constexpr int columns = 4;
    for (int i = 0; i < types.size(); ++i) {
        auto *box = new KSCheckBox(customPresetWidget);
        box->setObjectName(QStringLiteral("cbPreset%1").arg(types.at(i)));
        box->setProperty(kTypeProperty, types.at(i));
        grid->addWidget(box, i / columns, i % columns);
        presetBoxes.append(box);
    }
    // Columns of one width, so the boxes line up whatever their labels.
    for (int column = 0; column < columns; ++column)
        grid->setColumnStretch(column, 1);

    auto *area = new QVBoxLayout(settingsArea);
    area->setContentsMargins(20, 16, 20, 20);
    area->setSpacing(12);
    area->addWidget(cbFavorite);
    area->addWidget(line);
    area->addWidget(cbCustom);
    area->addWidget(customPresetWidget);

    auto *layout = new QVBoxLayout(settingsPage);
    layout->setContentsMargins(32, 28, 32, 28);
    layout->setSpacing(0);
    layout->addWidget(mainSwitch, 0, Qt::AlignLeft);
    layout->addSpacing(8);
    layout->addWidget(enabledText);
    layout->addSpacing(20);
    layout->addWidget(settingsArea);
    layout->addStretch(1);
    stack->addWidget(settingsPage);

    QWidget *previous = mainSwitch;
    for (QWidget *next : QList<QWidget *>{cbFavorite, cbCustom}) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    }
    for (KSCheckBox *box : qAsConst(presetBoxes)) {
        QWidget::setTabOrder(previous, box);
        previous = box;
    }
}

void KSSyncSettingWidgetPrivate::connectControls()
{
    Q_Q(KSSyncSettingWidget);
    // Only the user's clicks write the switches: the page's own updates must not echo back.
    QObject::connect(btnAutoSyncDefault, &QAbstractButton::clicked, q, [this] { onTurnOnClicked(); });
    QObject::connect(mainSwitch, &QAbstractButton::clicked, q, [this, q](bool checked) {
        showSyncEnabled(checked);
        switches()->setSyncState(AutoSyncAll, checked, 0);
        emit q->toggleMain(checked);
    });
    QObject::connect(cbCustom, &QAbstractButton::clicked, q, [this, q](bool checked) {
        if (checked)
            sendTurnOnSync(QStringLiteral("customzation"));
        switches()->setSyncState(AutoSyncCustomization, checked, 0);
        customPresetWidget->setEnabled(checked);
        emit q->togglePreset(checked);
    });
    QObject::connect(cbFavorite, &QAbstractButton::clicked, q, [q](bool checked) {
        if (checked)
            sendTurnOnSync(QStringLiteral("favorites"), false);
        switches()->setSyncState(AutoSyncFavorite, checked, 0);
        emit q->toggleFavorite(checked);
    });
    for (KSCheckBox *box : qAsConst(presetBoxes))
        QObject::connect(box, &QAbstractButton::clicked, q, &KSSyncSettingWidget::slotPresetClicked);
}

QString KSSyncSettingWidgetPrivate::presetLabel(int type) const
{
    switch (type) {
    case AutoSyncTitle:
        return KSSyncSettingWidget::tr("Title");
    case AutoSyncTemplate:
        return KSSyncSettingWidget::tr("Template");
    case AutoSyncAdjustmentLayer:
        return KSSyncSettingWidget::tr("Adjustment Layer");
    case AutoSyncCompoundClip:
        return KSSyncSettingWidget::tr("Compound Clip");
    case AutoSyncMask:
        return KSSyncSettingWidget::tr("Mask");
    case AutoSyncColor:
        return KSSyncSettingWidget::tr("Color");
    case AutoSyncAIColorPalette:
        return KSSyncSettingWidget::tr("AI Color Palette");
    case AutoSyncCustomColorLayer:
        return KSSyncSettingWidget::tr("Custom Color Layer");
    default:
        return QString();
    }
}

void KSSyncSettingWidget::retranslateUi()
{
    Q_D(KSSyncSettingWidget);
    d->defaultTitle->setText(tr("It can be used synchronously on other devices, which is more convenient."));
    d->defaultText->setText(
        tr("After it is turned on, the local data will be automatically synchronized to the cloud, which is more "
           "secure."));
    d->enabledText->setText(tr("It is enabled, and you can freely set the content that needs to be synchronized."));
    d->cbFavorite->setText(tr("Favorites"));
    d->cbCustom->setText(tr("Customization: title , template , adjustment layers, etc."));
    for (KSCheckBox *box : qAsConst(d->presetBoxes))
        box->setText(d->presetLabel(box->property(kTypeProperty).toInt()));
    const QString mainText = d->syncEnabled ? tr("Turn off sync") : tr("Turn on sync");
    d->btnAutoSyncDefault->setText(mainText);
    d->mainSwitch->setText(mainText);
    d->mainSwitch->updateGeometry();
}

void KSSyncSettingWidgetPrivate::showSyncEnabled(bool on)
{
    Q_Q(KSSyncSettingWidget);
    syncEnabled = on;
    {
        const QSignalBlocker block(mainSwitch);
        mainSwitch->setChecked(on);
    }
    q->retranslateUi();
    settingsArea->setEnabled(on);
    stack->setCurrentWidget(on ? settingsPage : defaultPage);
}

void KSSyncSettingWidgetPrivate::setCustomization(bool on)
{
    cbCustom->setChecked(on);
    // The boxes keep their own states while the area is off: turning it on again restores them.
    customPresetWidget->setEnabled(on);
}

KSCheckBox *KSSyncSettingWidgetPrivate::presetBox(int type) const
{
    for (KSCheckBox *box : presetBoxes) {
        if (box->property(kTypeProperty).toInt() == type)
            return box;
    }
    return nullptr;
}

void KSSyncSettingWidgetPrivate::fullRefresh()
{
    IKSAutoSyncHelper *helper = switches();
    const bool main = helper->getSyncState(AutoSyncAll);
    showSyncEnabled(main && serviceReady());
    helper->setSyncState(AutoSyncAll, main, 0);
    cbFavorite->setChecked(helper->getSyncState(AutoSyncFavorite));
    setCustomization(helper->getSyncState(AutoSyncCustomization));
    for (KSCheckBox *box : qAsConst(presetBoxes))
        box->setChecked(helper->getSyncState(box->property(kTypeProperty).toInt()));
}

void KSSyncSettingWidgetPrivate::onSyncStateChanged(const KSCustomEventPtr &event)
{
    const QVariantMap payload = event->payload().toMap();
    const int type = payload.value(QStringLiteral("type"), -1).toInt();
    const bool on = payload.value(QStringLiteral("on")).toBool();
    switch (type) {
    case AutoSyncAll:
        showSyncEnabled(on && serviceReady());
        break;
    case AutoSyncCustomization:
        setCustomization(on);
        break;
    case AutoSyncFavorite:
        cbFavorite->setChecked(on);
        break;
    default:
        if (KSCheckBox *box = presetBox(type))
            box->setChecked(on);
        break;
    }
}

void KSSyncSettingWidgetPrivate::onTurnOnClicked()
{
    Q_Q(KSSyncSettingWidget);
    if (!ensureSignedIn())
        return;
    IKSCloudDisk *current = serviceObject ? service : nullptr;
    if (!current || !current->ensureServiceReady(q, true))
        return;
    stack->setCurrentWidget(settingsPage);
    showSyncEnabled(true);
    switches()->setSyncState(AutoSyncAll, true, 0);
    sendTurnOnSync(QStringLiteral("all"));
    emit q->toggleMain(true);
}

void KSSyncSettingWidget::slotPresetClicked(bool checked)
{
    auto *box = qobject_cast<KSCheckBox *>(sender());
    if (!box || !box->property(kTypeProperty).isValid())
        return;
    const int type = box->property(kTypeProperty).toInt();
    if (checked) {
        if (!ensureSignedIn()) {
            box->setChecked(false);
            return;
        }
        sendTurnOnSync(trackingName(type));
    }
    switches()->setSyncState(type, checked, 0);
    if (type == AutoSyncTitle)
        emit toggleCustomTitle(checked);
    else if (type == AutoSyncTemplate)
        emit toggleCustomProject(checked);
}

void KSSyncSettingWidget::onTQIDResponse(KSTQIDResponseCode code)
{
    // The account tells on the thread that changed it; the page changes on its own.
    QMetaObject::invokeMethod(
        this,
        [this, code] {
            Q_D(KSSyncSettingWidget);
            if (code == KSTQIDSignedOut)
                d->showSyncEnabled(false);
            else if (code == KSTQIDSignedIn)
                d->refreshSyncEnabled();
        },
        QThread::currentThread() == thread() ? Qt::DirectConnection : Qt::QueuedConnection);
}

void KSSyncSettingWidget::onCloudDiskOperationDone(KSCloudDiskOperation operation)
{
    if (operation != Login && operation != OpenService)
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            Q_D(KSSyncSettingWidget);
            d->refreshSyncEnabled();
        },
        Qt::QueuedConnection);
}
