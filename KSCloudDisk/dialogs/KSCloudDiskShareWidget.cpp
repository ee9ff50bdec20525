#include "KSCloudDiskShareWidget.h"

#include "KSSkin.h"
#include "KSStringUtils.h"

#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

namespace {
constexpr int kPasswordLength = 4;
constexpr qint64 kSecondsPerDay = 86400;
constexpr int kDefaultPeriodIndex = 2;
} // namespace

KSCloudDiskShareWidget::KSCloudDiskShareWidget(QWidget *parent)
    : KSWidget(parent)
{
    setupUi(this);
    setObjectName(QStringLiteral("KSCloudDiskShareWidget"));
    m_pWithoutPWBtn->setStyleSheet(QStringLiteral("spacing: 8px;"));
    m_pWithPWBtn->setStyleSheet(QStringLiteral("spacing: 8px;"));
    auto *modes = new QButtonGroup(this);
    modes->setObjectName(QStringLiteral("passwordModeGroup"));
    modes->addButton(m_pWithoutPWBtn);
    modes->addButton(m_pWithPWBtn);

    m_pPasswordEdt->setMaxLength(kPasswordLength);
    m_pPasswordEdt->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9a-zA-Z]{4,4}")), m_pPasswordEdt));
    m_pPasswordEdt->installEventFilter(this);

    for (int days : {0, 1, 7, 30})
        m_pPeriodCbb->addItem(QString(), days);
    m_pPeriodCbb->setCurrentIndex(kDefaultPeriodIndex);
    m_pDownloadChb->setChecked(true);
    m_pCommentChb->setChecked(true);
    m_pWithoutPWBtn->setChecked(true);

    connect(m_pWithoutPWBtn, &QRadioButton::clicked, this, &KSCloudDiskShareWidget::onModeChanged);
    connect(m_pWithPWBtn, &QRadioButton::clicked, this, &KSCloudDiskShareWidget::onModeChanged);
    // The validator drops a refused key silently; the tip must tell the user why nothing appeared.
    connect(m_pPasswordEdt, &QLineEdit::textEdited, this, [this] { setPasswordRefused(false); });

    retranslateUi();
    onModeChanged();
}

KSCloudDiskShareWidget::~KSCloudDiskShareWidget() = default;

void KSCloudDiskShareWidget::retranslateUi()
{
    m_pWithoutPWBtn->setText(tr("Without password"));
    m_pWithPWBtn->setText(tr("With password"));
    m_pPWLbl->setText(tr("Password") + QStringLiteral(":"));
    m_pPWTipLbl->setText(tr("Support 4 letters or numbers"));
    m_pPeriodLbl->setText(tr("Validity Period") + QStringLiteral(":"));
    m_pPeriodCbb->setItemText(0, tr("Permanent"));
    m_pPeriodCbb->setItemText(1, QStringLiteral("1 %1").arg(tr("day")));
    m_pPeriodCbb->setItemText(2, QStringLiteral("7 %1").arg(tr("days")));
    m_pPeriodCbb->setItemText(3, QStringLiteral("30 %1").arg(tr("days")));
    m_pPermissionLbl->setText(tr("Permission") + QStringLiteral(":"));
    m_pDownloadChb->setText(tr("Allow downloads"));
    m_pCommentChb->setText(tr("Allow comments"));
    m_pTipLable->setText(tr("The number of downloads is determined by the cloud membership rights."));
}

bool KSCloudDiskShareWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pPasswordEdt) {
        if (event->type() == QEvent::FocusOut) {
            fillPassword();
        } else if (event->type() == QEvent::KeyPress) {
            const QString typed = static_cast<QKeyEvent *>(event)->text();
            const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
            if (printable) {
                QString probe = m_pPasswordEdt->text();
                probe.insert(m_pPasswordEdt->cursorPosition(), typed);
                int pos = 0;
                const bool full
                    = m_pPasswordEdt->text().size() >= kPasswordLength && !m_pPasswordEdt->hasSelectedText();
                if (full || m_pPasswordEdt->validator()->validate(probe, pos) == QValidator::Invalid)
                    setPasswordRefused(true);
            }
        }
    }
    return KSWidget::eventFilter(watched, event);
}

void KSCloudDiskShareWidget::onModeChanged()
{
    const bool with = withPassword();
    m_pPasswrodWdg->setVisible(with);
    m_pPasswrodWdg->setEnabled(with);
    m_pPasswrodTailWdg->setVisible(with);
    m_pPasswrodTailWdg->setEnabled(with);
    fillPassword();
    emit sigPasswordModeChanged();
}

void KSCloudDiskShareWidget::fillPassword()
{
    if (!withPassword() || m_pPasswordEdt->text().size() >= kPasswordLength)
        return;
    if (!m_pPasswordEdt->text().isEmpty())
        setPasswordRefused(true);
    m_pPasswordEdt->setText(randomString(kPasswordLength));
}

void KSCloudDiskShareWidget::setPasswordRefused(bool refused)
{
    if (m_passwordRefused == refused)
        return;
    m_passwordRefused = refused;
    // The skin colours a refused password's tip by this property.
    KSUIStyle::setStyleProperty(m_pPWTipLbl, "Status", refused ? QStringLiteral("Warning") : QString());
}

bool KSCloudDiskShareWidget::withPassword() const
{
    return m_pWithPWBtn->isChecked();
}

QString KSCloudDiskShareWidget::password()
{
    if (!withPassword())
        return QString();
    fillPassword();
    return m_pPasswordEdt->text();
}

int KSCloudDiskShareWidget::validityDays() const
{
    return m_pPeriodCbb->currentData().toInt();
}

qint64 KSCloudDiskShareWidget::validitySeconds() const
{
    return validityDays() * kSecondsPerDay;
}

void KSCloudDiskShareWidget::setPermissionVisible(bool visible)
{
    m_pPermissionWdg->setVisible(visible);
}

bool KSCloudDiskShareWidget::allowDownload() const
{
    return m_pDownloadChb->isChecked();
}

bool KSCloudDiskShareWidget::allowComment() const
{
    return m_pCommentChb->isChecked();
}

bool KSCloudDiskShareWidget::passwordRefused() const
{
    return m_passwordRefused;
}
