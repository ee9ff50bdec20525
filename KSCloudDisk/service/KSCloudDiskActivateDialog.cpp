#include "KSCloudDiskActivateDialog.h"

#include "KSCloudDiskReadiness.h"
#include "KSCloudDiskTrackEvent.h"
#include "KSConfigEngine.h"
#include "KSLocale.h"
#include "KSNetwork.h"

#include <QBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QTimer>

namespace {

constexpr int kRefreshDelayMs = 100;

const struct {
    const char *code;
    const char *name;
} kRegions[] = {
    {"SG", QT_TRANSLATE_NOOP("KSCloudDiskActivateDialog", "Asia (Singapore)")},
    {"IN", QT_TRANSLATE_NOOP("KSCloudDiskActivateDialog", "Asia (India)")},
    {"US", QT_TRANSLATE_NOOP("KSCloudDiskActivateDialog", "North America (United States)")},
    {"ID", QT_TRANSLATE_NOOP("KSCloudDiskActivateDialog", "Asia (Indonesia)")},
    {"DE", QT_TRANSLATE_NOOP("KSCloudDiskActivateDialog", "Europe (Germany)")},
    {"CN", QT_TRANSLATE_NOOP("KSCloudDiskActivateDialog", "Asia (China)")},
};

// Skin colour 7 is the accent the skins give text that stands out and links.
QString accentColor()
{
    return KSSkinManager::instance()->getColor(7).name();
}

QString policyLink(const QString &pageKey, const QString &text)
{
    return QStringLiteral("<a href=\"%1\"><span style=\" text-decoration: underline; color:%2; \">%3</span></a>")
        .arg(KSConfigHelper::GetCBSUrl(pageKey).toHtmlEscaped(), accentColor(), text.toHtmlEscaped());
}

} // namespace

struct KSCloudDiskActivateDialog::Private {
    IKSCloudDisk *service = nullptr;
    QString dataCenter;
    QLabel *heading = nullptr;
    QLabel *regionLine = nullptr;
    KSCheckBox *policyBox = nullptr;
    QLabel *policyLabel = nullptr;
    QLabel *tip = nullptr;
    KSPushButton *openButton = nullptr;
    KSLoadingButton *loadingButton = nullptr;
    KSPushButton *okButton = nullptr;
    QTimer *refresh = nullptr;
    Stage stage = ConsentStage;
    Tip tipShown = NoTip;
};

KSCloudDiskActivateDialog::KSCloudDiskActivateDialog(IKSCloudDisk *service, QWidget *parent)
    : KSFramelessDialog(parent)
    , d(new Private)
{
    d->service = service;
    d->dataCenter = service->getDataCenter();
    setObjectName(QStringLiteral("KSCloudDiskActivateDialog"));
    setStyleKey(QStringLiteral("CloudDisk/KSCloudDiskActivateDialog"));
    setFixedHeight(394);
    setMinimumWidth(480);
    setButtonBarVisible(false);
    setContentMargins(32, 0, 32, 20);

    auto *content = new KSWidget;
    content->setObjectName(QStringLiteral("activateContent"));
    auto *picture = new QLabel(content);
    picture->setObjectName(QStringLiteral("lblImage"));
    picture->setFixedSize(278, 190);
    picture->setPixmap(QIcon(QStringLiteral(":/Resource/img278.png")).pixmap(picture->size()));
    d->heading = new QLabel(content);
    d->heading->setObjectName(QStringLiteral("lblHeading"));
    d->heading->setAlignment(Qt::AlignCenter);
    d->heading->setWordWrap(true);
    d->regionLine = new QLabel(content);
    d->regionLine->setObjectName(QStringLiteral("lblRegion"));
    d->regionLine->setTextFormat(Qt::RichText);
    d->regionLine->setAlignment(Qt::AlignCenter);
    d->regionLine->setWordWrap(true);
    d->policyBox = new KSCheckBox(content);
    d->policyBox->setObjectName(QStringLiteral("chkPolicy"));
    d->policyLabel = new QLabel(content);
    d->policyLabel->setObjectName(QStringLiteral("lblPolicy"));
    d->policyLabel->setTextFormat(Qt::RichText);
    d->policyLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    d->tip = new QLabel(content);
    d->tip->setObjectName(QStringLiteral("lblTip"));
    d->tip->setAlignment(Qt::AlignCenter);
    d->tip->setWordWrap(true);
    d->openButton = new KSPushButton(QString(), KSPushButton::PrimaryStyle, content);
    d->openButton->setObjectName(QStringLiteral("btnOpen"));
    d->loadingButton = new KSLoadingButton(content);
    d->loadingButton->setObjectName(QStringLiteral("btnLoading"));
    d->okButton = new KSPushButton(QString(), KSPushButton::PrimaryStyle, content);
    d->okButton->setObjectName(QStringLiteral("btnOk"));
    // One place for the three: whichever shows keeps the same size.
    for (QPushButton *button : QList<QPushButton *>{d->openButton, d->loadingButton, d->okButton})
        button->setMinimumWidth(160);

    auto *policyRow = new QHBoxLayout;
    policyRow->setSpacing(6);
    policyRow->addStretch(1);
    policyRow->addWidget(d->policyBox, 0, Qt::AlignTop);
    policyRow->addWidget(d->policyLabel);
    policyRow->addStretch(1);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(d->openButton);
    buttonRow->addWidget(d->loadingButton);
    buttonRow->addWidget(d->okButton);
    buttonRow->addStretch(1);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(d->heading);
    layout->addSpacing(4);
    layout->addWidget(d->regionLine);
    layout->addSpacing(4);
    layout->addLayout(policyRow);
    layout->addWidget(d->tip);
    layout->addStretch(1);
    layout->addLayout(buttonRow);
    setContentWidget(content);

    d->refresh = new QTimer(this);
    d->refresh->setSingleShot(true);
    d->refresh->setInterval(kRefreshDelayMs);
    connect(d->refresh, &QTimer::timeout, this, [this] { d->service->refreshAccount(); });
    connect(d->openButton, &QPushButton::clicked, this, &KSCloudDiskActivateDialog::slotAuthorizeClicked);
    connect(d->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(d->policyBox, &QCheckBox::clicked, this, [this] {
        KSUIStyle::setStyleProperty(d->policyBox, "Status", QString());
        showTip(NoTip);
    });
    connect(d->policyLabel, &QLabel::linkActivated, this, [](const QString &link) { KSDesktopService::openURL(link); });
    // The links and the region carry the accent colour in their markup.
    connect(KSSkinManager::instance(), &KSSkinManager::sigSkinChanged, this, [this] { retranslateUi(); });

    setStage(ConsentStage);
    showTip(NoTip);
    service->attach(this);
}

KSCloudDiskActivateDialog::~KSCloudDiskActivateDialog()
{
    d->service->detach(this);
    // The login that follows the opening must start even when the user confirms at once.
    if (d->refresh->isActive()) {
        d->refresh->stop();
        d->service->refreshAccount();
    }
}

QString KSCloudDiskActivateDialog::regionName(const QString &dataCenter)
{
    for (const auto &region : kRegions) {
        if (dataCenter == QLatin1String(region.code))
            return tr(region.name);
    }
    return QString();
}

void KSCloudDiskActivateDialog::retranslateUi()
{
    d->heading->setText(d->stage == OpenedStage ? tr("Upload media files to the cloud for backup and sharing.")
                                                : tr("Open cloud storage and get cloud space for free."));
    const QString region = QStringLiteral("<span style=\" color:%1;\">%2</span>")
                               .arg(accentColor(), regionName(d->dataCenter).toHtmlEscaped());
    d->regionLine->setText(tr("Your data will be stored in %1, and we will strictly protect your personal data in "
                              "accordance with laws and regulations.")
                               .arg(region));
    d->policyLabel->setText(policyText());
    d->policyBox->setAccessibleName(tr("I accept"));
    d->tip->setText(d->tipShown == FailedTip ? tr("Authorization failed, please click authorization again!")
                                             : tr("Please Agree to Our Policy First"));
    d->openButton->setText(tr("Open"));
    d->okButton->setText(tr("OK", "the cloud service is open"));
}

QString KSCloudDiskActivateDialog::policyText() const
{
    const QString privacy = policyLink(QStringLiteral("OrvanePrivacyPageC115"), tr("Orvane Privacy Policy"));
    const QString licence = policyLink(QStringLiteral("OrvaneLicensePageC116"), tr("End User License Agreement"));
    const QString accept = tr("I accept");
    const QString conjunction = tr("and", "between the two policy links");
    // Languages that put the verb last read "<privacy> and <licence> I accept".
    if (KSLocale::isLanguageType(KSLocale::Japanese))
        return QStringLiteral("%1 %2 %3 %4").arg(privacy, conjunction, licence, accept);
    if (KSLocale::isLanguageType(KSLocale::ChineseTraditional))
        return QStringLiteral("%1 %2<br>%3 %4").arg(accept, privacy, conjunction, licence);
    return QStringLiteral("%1 %2 %3 %4").arg(accept, privacy, conjunction, licence);
}

void KSCloudDiskActivateDialog::setStage(Stage stage)
{
    d->stage = stage;
    const bool consent = stage != OpenedStage;
    // A data centre the dialog cannot name is better left unsaid than shown as a code.
    d->regionLine->setVisible(consent && !regionName(d->dataCenter).isEmpty());
    d->policyBox->setVisible(consent);
    d->policyLabel->setVisible(consent);
    d->openButton->setVisible(stage == ConsentStage);
    d->loadingButton->setVisible(stage == OpeningStage);
    d->okButton->setVisible(stage == OpenedStage);
    if (stage == OpenedStage)
        d->okButton->setFocus();
}

void KSCloudDiskActivateDialog::showTip(Tip tip)
{
    d->tipShown = tip;
    retranslateUi();
    d->tip->setVisible(tip != NoTip);
}

void KSCloudDiskActivateDialog::slotAuthorizeClicked()
{
    if (!d->policyBox->isChecked()) {
        showTip(PolicyTip);
        KSUIStyle::setStyleProperty(d->policyBox, "Status", QStringLiteral("Warning"));
        return;
    }
    KSCloudDiskBtnClickEvent(QStringLiteral("Authorize"), QStringLiteral("Authorize"), QString()).sendEvent();
    // The service drops a request made while another account or share request runs: no answer
    // would come, and the dialog would wait for ever.
    if (d->service->isLoggingIn() || d->service->isOpeningService() || d->service->isSharing()) {
        showTip(FailedTip);
        return;
    }
    showTip(NoTip);
    setStage(OpeningStage);
    d->service->registerAccount(KSCloudDiskReadiness::hostAccountParam());
}

void KSCloudDiskActivateDialog::onCloudDiskOperationDone(KSCloudDiskOperation operation)
{
    if (operation != OpenService || d->stage != OpeningStage)
        return;
    if (d->service->isServiceOpened()) {
        d->refresh->start();
        showTip(NoTip);
        setStage(OpenedStage);
        retranslateUi();
        return;
    }
    setStage(ConsentStage);
    showTip(FailedTip);
}

bool KSCloudDiskActivateDialog::acceptCloseRequest(CloseReason)
{
    return !d->service->isOpeningService();
}
