#include "KSCloudDiskReLoginDialog.h"

#include "IKSCloudDisk.h"

#include <QBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QTimer>

namespace {
constexpr int kCheckMs = 100;
enum Page { PromptPage = 0, WaitingPage = 1 };
} // namespace

struct KSCloudDiskReLoginDialog::Private {
    IKSCloudDisk *service = nullptr;
    int mode = PlainMode;
    bool waiting = false;
    QStackedWidget *pages = nullptr;
    QLabel *promptText = nullptr;
    QLabel *waitingText = nullptr;
    QLabel *tip = nullptr;
    KSPushButton *pageButton = nullptr;
    QTimer *check = nullptr;
};

KSCloudDiskReLoginDialog::KSCloudDiskReLoginDialog(IKSCloudDisk *service, int mode, QWidget *parent)
    : KSFramelessDialog(parent)
    , d(new Private)
{
    d->service = service;
    d->mode = mode;
    setObjectName(QStringLiteral("KSCloudDiskReLoginDialog"));
    setStyleKey(QStringLiteral("CloudDisk/KSCloudDiskReLoginDialog"));
    setFixedSize(500, 200);
    setButtonBarVisible(false);
    setContentMargins(24, 0, 24, 24);

    auto *content = new KSWidget;
    content->setObjectName(QStringLiteral("reLoginContent"));
    d->pages = new QStackedWidget(content);
    d->pages->setObjectName(QStringLiteral("reLoginPages"));

    d->promptText = new QLabel;
    d->promptText->setObjectName(QStringLiteral("lblText"));
    d->promptText->setAlignment(Qt::AlignCenter);
    d->promptText->setWordWrap(true);
    d->pages->addWidget(d->promptText);

    auto *waitingPage = new KSWidget;
    waitingPage->setObjectName(QStringLiteral("reLoginWaitingPage"));
    auto *loading = new KSLoadingWidget(waitingPage, 56);
    loading->setObjectName(QStringLiteral("loadingWidget"));
    loading->setColorIndex(56);
    d->waitingText = new QLabel(waitingPage);
    d->waitingText->setObjectName(QStringLiteral("lblText"));
    d->waitingText->setAlignment(Qt::AlignCenter);
    d->waitingText->setWordWrap(true);
    auto *waitingLayout = new QVBoxLayout(waitingPage);
    waitingLayout->setContentsMargins(0, 0, 0, 0);
    waitingLayout->setSpacing(12);
    waitingLayout->addStretch(1);
    waitingLayout->addWidget(loading, 0, Qt::AlignHCenter);
    waitingLayout->addWidget(d->waitingText);
    waitingLayout->addStretch(1);
    d->pages->addWidget(waitingPage);

    d->tip = new QLabel(content);
    d->tip->setObjectName(QStringLiteral("lblTip"));
    d->tip->setAlignment(Qt::AlignCenter);
    d->tip->hide();
    d->pageButton = new KSPushButton(QString(), KSPushButton::PrimaryStyle, content);
    d->pageButton->setObjectName(QStringLiteral("btnPage"));
    d->pageButton->setMinimumWidth(120);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(d->pageButton);
    buttonRow->addStretch(1);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(d->pages, 1);
    layout->addWidget(d->tip);
    layout->addLayout(buttonRow);
    setContentWidget(content);

    d->check = new QTimer(this);
    d->check->setSingleShot(true);
    d->check->setInterval(kCheckMs);
    connect(d->check, &QTimer::timeout, this, &KSCloudDiskReLoginDialog::checkLogin);
    connect(d->pageButton, &QPushButton::clicked, this, &KSCloudDiskReLoginDialog::onPageButtonClicked);

    retranslateUi();
    setWaiting(mode == WaitingMode || mode == WaitingWithCloseMode);
    d->check->start();
}

KSCloudDiskReLoginDialog::~KSCloudDiskReLoginDialog() = default;

int KSCloudDiskReLoginDialog::mode() const
{
    return d->mode;
}

bool KSCloudDiskReLoginDialog::isWaiting() const
{
    return d->waiting;
}

void KSCloudDiskReLoginDialog::retranslateUi()
{
    d->promptText->setText(tr("You can back up your files to the cloud quickly after logging into the cloud drive."));
    d->waitingText->setText(tr("Logging in to cloud space. Please wait."));
    d->tip->setText(tr("Login failed, please click login again!"));
    d->pageButton->setText(d->mode == WaitingWithCloseMode ? tr("Close") : tr("Refresh"));
}

void KSCloudDiskReLoginDialog::setWaiting(bool waiting)
{
    d->waiting = waiting;
    setCloseButtonEnabled(!waiting);
    d->pageButton->setVisible(!waiting || d->mode == WaitingWithCloseMode);
    d->pages->setCurrentIndex(waiting ? WaitingPage : PromptPage);
}

bool KSCloudDiskReLoginDialog::acceptCloseRequest(CloseReason)
{
    return !d->service->isLoggingIn();
}

void KSCloudDiskReLoginDialog::checkLogin()
{
    if (d->service->isLoggingIn()) {
        d->check->start();
        return;
    }
    if (d->service->isServiceReady() || d->service->needOpenService() || d->service->isServiceUnavailable()) {
        accept();
        return;
    }
    setWaiting(false);
    d->tip->show();
}

void KSCloudDiskReLoginDialog::onPageButtonClicked()
{
    if (d->mode == WaitingWithCloseMode) {
        done(QDialog::Rejected);
        return;
    }
    d->tip->hide();
    setWaiting(true);
    d->service->updateTqidToken();
    d->check->start();
}
