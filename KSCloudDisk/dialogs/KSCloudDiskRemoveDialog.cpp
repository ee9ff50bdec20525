#include "KSCloudDiskRemoveDialog.h"

#include "KSCloudDiskViewPresenter.h"
#include "KSSkin.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QEvent>
#include <QLabel>

namespace {
constexpr int kWarningColour = 69;
} // namespace

KSCloudDiskRemoveDialog::KSCloudDiskRemoveDialog(
    KSCloudDiskViewPresenter *presenter, const QString &fileId, QWidget *parent)
    : KOldMessageDialog(Question_CustomYesNo, QString(),
        tr("Are you sure you want to delete the file from the cloud storage? ")
            + tr("After deleting, you can check the deleted files in the cloud storage's recycle bin."),
        parent)
    , m_presenter(presenter)
    , m_fileId(fileId)
{
    setObjectName(QStringLiteral("KSCloudDiskRemoveDialog"));
    setButtonTexts(tr("Delete"), tr("Cancel"));
    setButtonClosesDialog(YesButtonId, false);

    m_errorTip = new QLabel(this);
    m_errorTip->setObjectName(QStringLiteral("lblErrorTip"));
    m_errorTip->setWordWrap(true);
    m_errorTip->hide();
    applyTipColour();
    if (auto *box = qobject_cast<QBoxLayout *>(layout()))
        box->insertWidget(qMax(0, box->count() - 1), m_errorTip);

    connect(this, &KOldMessageDialog::sigButtonClick, this, &KSCloudDiskRemoveDialog::slotButtonClick);
    if (m_presenter)
        connect(
            m_presenter, &KSCloudDiskViewPresenter::removeFinished, this, &KSCloudDiskRemoveDialog::slotRemoveFinished);
}

KSCloudDiskRemoveDialog::~KSCloudDiskRemoveDialog() = default;

bool KSCloudDiskRemoveDialog::isBusy() const
{
    return m_busy;
}

QLabel *KSCloudDiskRemoveDialog::errorTip() const
{
    return m_errorTip;
}

// The host's message box has no skin key of its own, so the tip takes the skin's warning colour
// and takes it again when the skin changes.
void KSCloudDiskRemoveDialog::applyTipColour()
{
    // A palette would lose against the skin's QLabel rule.
    const QString sheet = QStringLiteral("color: %1;").arg(KSSkinManager::instance()->getColor(kWarningColour).name());
    if (m_errorTip->styleSheet() != sheet)
        m_errorTip->setStyleSheet(sheet);
}

void KSCloudDiskRemoveDialog::changeEvent(QEvent *event)
{
    if (m_errorTip && (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange))
        applyTipColour();
    KOldMessageDialog::changeEvent(event);
}

void KSCloudDiskRemoveDialog::setBusy(bool busy)
{
    m_busy = busy;
    if (yesButton())
        yesButton()->setEnabled(!busy);
    if (noButton())
        noButton()->setEnabled(!busy);
}

bool KSCloudDiskRemoveDialog::acceptCloseRequest()
{
    return !m_busy;
}

void KSCloudDiskRemoveDialog::slotButtonClick(int id)
{
    if (id != YesButtonId || m_busy)
        return;
    m_errorTip->hide();
    setBusy(true);
    m_presenter->removeFile(m_fileId);
}

void KSCloudDiskRemoveDialog::slotRemoveFinished(const QString &fileId, bool succeed)
{
    if (!m_busy || fileId != m_fileId)
        return;
    if (succeed) {
        m_busy = false;
        accept();
        return;
    }
    setBusy(false);
    m_errorTip->setText(tr("Please check your internet connection and try again."));
    m_errorTip->show();
}
