#include "KSTransferCenterDlg.h"

#include "KSSkin.h"

#include <QLabel>

KSTransferCenterDlg::KSTransferCenterDlg(QWidget *parent)
    : KSFramelessDialog(parent)
{
    setObjectName(QStringLiteral("KSTransferCenterDlg"));
    setFixedSize(800, 460);
    KSTitleBar *bar = titleBar();
    bar->setButtons(KSTitleBar::CloseButton);
    bar->setResizable(false);
    bar->setObjectName(QStringLiteral("TransferCenter_titlebar"));
    bar->setIconVisible(false);
    setButtonBarVisible(false);
    setContentMargins(0, 0, 0, 0);

    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("TransferCenter_TitleBarBgLabel"));
    KSSkinManager::instance()->applyStyleSheet(
        m_titleLabel, QStringLiteral("CloudDisk/TransferCenter_TitleBarBgLabel"));
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_titleLabel->setFixedHeight(24);
    m_titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    retranslateUi();
}

KSTransferCenterDlg::~KSTransferCenterDlg() = default;

QLabel *KSTransferCenterDlg::titleLabel() const
{
    return m_titleLabel;
}

void KSTransferCenterDlg::retranslateUi()
{
    KSFramelessDialog::retranslateUi();
    const QString title = tr("Transfer Center");
    m_titleLabel->setText(title);
    // The bar would draw the window title a second time beside our label; screen readers still get it.
    setAccessibleName(title);
}

void KSTransferCenterDlg::showEvent(QShowEvent *event)
{
    KSFramelessDialog::showEvent(event);
    placeTitleLabel();
}

void KSTransferCenterDlg::placeTitleLabel()
{
    const KSTitleBar *bar = titleBar();
    const QRect barRect(bar->mapTo(this, QPoint(0, 0)), bar->size());
    // The label keeps its own height; centred, it lines up with the bar's buttons.
    const int height = m_titleLabel->maximumHeight();
    const int top = barRect.top() + (barRect.height() - height) / 2;
    if (layoutDirection() == Qt::RightToLeft)
        m_titleLabel->setGeometry(barRect.right() - 288, top, 264, height);
    else
        m_titleLabel->setGeometry(barRect.left() + 24, top, 193, height);
    m_titleLabel->raise();
}
