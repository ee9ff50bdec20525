#include "KExportUploadDlg.h"

#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>

namespace {
constexpr int kNormalColor = 7;
constexpr int kFailedColor = 69;
} // namespace

KExportUploadDlg::KExportUploadDlg(KSCloudDiskViewPresenter *presenter, QWidget *parent)
    : KSFramelessDialog(parent)
    , m_presenter(presenter)
{
    setObjectName(QStringLiteral("KExportUploadDlg"));
    setFixedSize(480, 196);
    setTitle(QString());
    setButtonBarVisible(false);

    auto *content = new KSWidget;
    content->setObjectName(QStringLiteral("exportUploadContent"));
    m_progressBar = new KSProgressBar(content);
    m_progressBar->setObjectName(QStringLiteral("exportUploadProgressBar"));
    m_progressBar->setSizeKind(8);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_titleLabel = new QLabel(content);
    m_titleLabel->setObjectName(QStringLiteral("exportUploadTitleLabel"));
    m_titleLabel->setFixedHeight(28);
    m_titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    KSUIStyle::setLabelStyle(m_titleLabel, 56, 2);
    m_tipLabel = new QLabel(content);
    m_tipLabel->setObjectName(QStringLiteral("KSTransferCenterTitleText"));
    m_tipLabel->setWordWrap(true);
    m_tipLabel->setFixedHeight(20);
    KSSkinManager::instance()->applyStyleSheet(m_tipLabel, QStringLiteral("CloudDisk/KSTransferCenterTitleText"));
    m_errorTextLabel = new QLabel(content);
    m_errorTextLabel->setObjectName(QStringLiteral("KSTransferCenterErrorText2"));
    m_errorTextLabel->setWordWrap(true);
    m_errorTextLabel->setFixedHeight(20);
    m_errorTextLabel->setTextFormat(Qt::RichText);
    KSSkinManager::instance()->applyStyleSheet(
        m_errorTextLabel, QStringLiteral("CloudDisk/KSTransferCenterErrorText2"));
    m_errorIconLabel = new QLabel(content);
    m_errorIconLabel->setObjectName(QStringLiteral("KSTransferCenterErrorIcon"));
    m_errorIconLabel->setFixedSize(20, 20);
    KSSkinManager::instance()->applyStyleSheet(m_errorIconLabel, QStringLiteral("CloudDisk/KSTransferCenterErrorIcon"));
    m_percentLabel = new QLabel(content);
    m_percentLabel->setObjectName(QStringLiteral("exportUploadPercentLabel"));
    m_retryButton = new KSPushButton(QString(), KSPushButton::PrimaryStyle, content);
    m_retryButton->setObjectName(QStringLiteral("exportUploadRetryButton"));
    m_retryButton->setSizeKind(24);
    m_cancelButton = new KSPushButton(QString(), KSPushButton::SecondaryStyle, content);
    m_cancelButton->setObjectName(QStringLiteral("exportUploadCancelButton"));
    m_cancelButton->setSizeKind(24);

    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(24, 0, 24, 24);
    layout->setSpacing(12);
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_tipLabel);
    auto *progressRow = new QHBoxLayout;
    progressRow->setSpacing(0);
    progressRow->addWidget(m_progressBar, 1);
    progressRow->addSpacing(8);
    progressRow->addWidget(m_percentLabel);
    layout->addLayout(progressRow);
    auto *errorRow = new QHBoxLayout;
    errorRow->setSpacing(0);
    errorRow->addWidget(m_errorIconLabel);
    errorRow->addSpacing(4);
    errorRow->addWidget(m_errorTextLabel, 1);
    layout->addLayout(errorRow);
    layout->addStretch(1);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(0);
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_retryButton);
    buttonRow->addSpacing(12);
    buttonRow->addWidget(m_cancelButton);
    layout->addLayout(buttonRow);
    setContentWidget(content);

    m_errorTextLabel->hide();
    m_errorIconLabel->hide();
    m_retryButton->hide();
    setChunkColor(kNormalColor);
    KSUIStyle::setTextColorType(m_percentLabel, kNormalColor);

    if (presenter)
        connect(
            presenter, &KSCloudDiskViewPresenter::sigTaskStateChanged, this, &KExportUploadDlg::slotTaskStateChanged);
    connect(m_retryButton, &QAbstractButton::clicked, this, &KExportUploadDlg::slotRetry);
    connect(m_cancelButton, &QAbstractButton::clicked, this, &KExportUploadDlg::slotCancel);
    connect(m_errorTextLabel, &QLabel::linkActivated, this, [this] {
        bool abort = false;
        if (m_presenter)
            emit m_presenter->sigOpenExpandPage(abort, true);
    });
    // The chunk colour is set in code, so a skin switch has to set it again.
    connect(KSSkinManager::instance(), &KSSkinManager::sigSkinChanged, this, [this] { setChunkColor(m_chunkColor); });
    retranslateUi();
}

KExportUploadDlg::~KExportUploadDlg()
{
    // Leaving while the upload still waits or runs abandons the export's upload; a paused or failed
    // one stays in the list for the user to decide.
    if (m_lastStatus < Paused && m_task && m_presenter)
        m_presenter->slotRemoveUploadTask(m_task);
}

void KExportUploadDlg::retranslateUi()
{
    KSFramelessDialog::retranslateUi();
    if (!m_titleLabel)
        return;
    m_titleLabel->setText(tr("Uploading"));
    m_tipLabel->setText(tr("Please wait for a few minutes, still processing."));
    m_retryButton->setText(tr("Retry"));
    m_cancelButton->setText(tr("Cancel"));
    if (m_lastStatus == Failed || m_lastStatus == Cancelled)
        m_errorTextLabel->setText(failureText(m_task ? m_task->failedCode() : 0));
    else
        m_errorTextLabel->setText(tr("Please check your connection and try again."));
}

bool KExportUploadDlg::runShareStep()
{
    if (!m_task || !m_presenter || !m_presenter->service())
        return false;
    return m_presenter->service()->showShareDialog(parentWidget(), m_task->newName(), m_task->fileId(),
        m_task->fileType(), m_task->totalSize(), QFileInfo(m_task->filePath()).suffix(), QString());
}

void KExportUploadDlg::slotTaskStateChanged(KSCloudDiskTask *task)
{
    m_task = task;
    if (!task || task->removed())
        return;
    showNormalLook();
    int percent = 0;
    if (task->totalSize() < 1) {
        m_percentLabel->setText(QStringLiteral("--"));
    } else {
        percent = int(task->transSize() * 100 / task->totalSize());
        m_percentLabel->setText(QStringLiteral("%1%").arg(percent));
    }
    m_progressBar->setValue(percent);
    m_lastStatus = task->status();
    if (m_lastStatus == Failed || m_lastStatus == Cancelled) {
        KSLOG_INFO("cloud disk task failed, failed code: %d", task->failedCode());
        showFailure(task->failedCode());
    } else if (m_lastStatus == Transferred) {
        done(1);
    }
}

void KExportUploadDlg::slotRetry()
{
    if (m_presenter && m_task)
        m_presenter->slotRetryUploadTask(m_task);
}

void KExportUploadDlg::slotCancel()
{
    done(1);
}

bool KExportUploadDlg::acceptCloseRequest(CloseReason)
{
    // Escape and the title bar end the dialog the same way Cancel does, with result 1.
    done(1);
    return false;
}

void KExportUploadDlg::showNormalLook()
{
    m_errorTextLabel->hide();
    m_errorIconLabel->hide();
    m_retryButton->hide();
    m_tipLabel->show();
    setChunkColor(kNormalColor);
    KSUIStyle::setTextColorType(m_percentLabel, kNormalColor);
}

void KExportUploadDlg::showFailure(int failedCode)
{
    m_errorTextLabel->setText(failureText(failedCode));
    m_errorTextLabel->show();
    m_errorIconLabel->show();
    m_retryButton->show();
    m_tipLabel->hide();
    setChunkColor(kFailedColor);
    KSUIStyle::setTextColorType(m_percentLabel, kFailedColor);
}

void KExportUploadDlg::setChunkColor(int colorIndex)
{
    m_chunkColor = colorIndex;
    const QString color = KSSkinManager::instance()->getColor(colorIndex).name();
    m_progressBar->setStyleSheet(QStringLiteral("QProgressBar::chunk{background-color:%1}").arg(color));
}

QString KExportUploadDlg::failureText(int failedCode) const
{
    switch (failedCode) {
    case 3:
        return tr("Upload failed. Network connection problems.");
    case LocalDiskTooSmall:
        return tr("Failed. There is insufficient disk space.");
    case CloudSpaceInsufficient:
    case MembershipExpired: {
        const QString link = QStringLiteral("<a style=\"color:%1;\" href=\"href\">%2</a>")
                                 .arg(KSSkinManager::instance()->getColor(kFailedColor).name(), tr("Expand Now."));
        return tr("Failed. Insufficient Cloud space.") + QStringLiteral(" ") + link;
    }
    default:
        return tr("Upload failed. Please try again.");
    }
}
