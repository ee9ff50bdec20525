#include "KSCloudDiskDownloadDialog.h"

#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"

#include <QTimer>
#include <cmath>

namespace {
constexpr int kButtonSizeKind = 32;
constexpr int kFailedBeforeShowMs = 500;
constexpr int kStatusRunning = 1;
constexpr int kStatusTransferred = 3;
constexpr int kStatusFailed = 4;
constexpr int kStatusWaiting = 0;
constexpr int kFileTypeProject = 0;
constexpr int kFileTypeProjectArchive = 1;
constexpr int kFileTypeProjectTemplate = 2;
const QPoint kOffScreen(-10000, -10000);
bool g_handlingFailure = false;
} // namespace

KSCloudDiskDownloadDialog::KSCloudDiskDownloadDialog(IKSCloudDisk *service, QWidget *parent)
    : KSFramelessDialog(parent)
    , m_service(service)
    , m_presenter(service ? service->getPresenter() : nullptr)
{
    KSLOG_INFO("KSCloudDiskDownloadDialog::init KSCloudDiskDownloadDialog");
    setObjectName(QStringLiteral("KSCloudDiskDownloadDialog"));
    setTitleBarClosesDialog(false);
    setButtonBarVisible(false);
    setStyleKey(QStringLiteral("CloudDisk/KSCloudDiskDownloadDialog"));
    setFixedSize(480, 239);
    setContentMargins(24, 0, 24, 24);

    auto *content = new KSWidget;
    setupUi(content);
    setContentWidget(content);
    btnBackground->setSizeKind(kButtonSizeKind);
    btnCancel->setSizeKind(kButtonSizeKind);
    btnCancel->setButtonStyle(KSPushButton::PrimaryStyle);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    retranslateUi();
    setCancelEnabled(false);

    KSCloudDiskTask *task = m_presenter ? m_presenter->downloadShareTask() : nullptr;
    if (task)
        refreshProgress(task->taskId());

    KSLOG_INFO("KSCloudDiskDownloadDialog connect signal and slot");
    if (m_presenter) {
        connect(m_presenter, &KSCloudDiskViewPresenter::taskProgressChanged, this,
            [this](const QString &taskId) { refreshProgress(taskId); });
        connect(m_presenter, &KSCloudDiskViewPresenter::taskFinished, this,
            [this](const QString &taskId) { refreshProgress(taskId); });
        connect(m_presenter, qOverload<const QString &>(&KSCloudDiskViewPresenter::taskFailed), this,
            [this](const QString &taskId) {
                KSLOG_INFO("KSCloudDiskDownloadDialog::taskFailed slot");
                KSCloudDiskTask *current = m_presenter->downloadShareTask();
                if (current && current->taskId() == taskId)
                    dealWithTaskFailed();
            });
        connect(m_presenter, &KSCloudDiskViewPresenter::downloadFinished, this,
            [this](const QString &taskId, const QString &filePath, const QString &fileName, int fileType) {
                onDownloadFinished(taskId, filePath, fileName, fileType);
            });
    }
    connect(btnBackground, &QPushButton::clicked, this, &KSCloudDiskDownloadDialog::slotBackgroundClicked);
    connect(btnCancel, &QPushButton::clicked, this, &KSCloudDiskDownloadDialog::slotCancelClicked);
    connect(titleBar(), &KSTitleBar::sigButtonClicked, this, [this](int id) {
        if (id == KSTitleBar::CloseButton)
            btnCancel->click();
    });

    if (task && task->status() == kStatusFailed) {
        KSLOG_INFO("KSCloudDiskDownloadDialog::task failed before dialog show");
        QTimer::singleShot(kFailedBeforeShowMs, this, &KSCloudDiskDownloadDialog::dealWithTaskFailed);
    }
}

KSCloudDiskDownloadDialog::~KSCloudDiskDownloadDialog() = default;

bool KSCloudDiskDownloadDialog::isHandlingFailure()
{
    return g_handlingFailure;
}

void KSCloudDiskDownloadDialog::retranslateUi()
{
    setTitle(tr("Load File"));
    lblText->setText(tr("Loading file. Please wait..."));
    btnBackground->setText(tr("Silent loading"));
    btnCancel->setText(tr("Cancel"));
}

void KSCloudDiskDownloadDialog::setCancelEnabled(bool enabled)
{
    setCloseButtonEnabled(enabled);
    btnCancel->setEnabled(enabled);
}

void KSCloudDiskDownloadDialog::refreshProgress(const QString &taskId)
{
    KSCloudDiskTask *task = m_presenter ? m_presenter->findTask(taskId) : nullptr;
    if (!task || task->shareCode().isEmpty())
        return;
    int percent = 0;
    if (task->totalSize() >= 1)
        percent = static_cast<int>(std::floor(task->transSize() * 100.0 / task->totalSize() + 0.5));
    progressBar->setValue(percent);
    lblProgress->setText(QString::number(percent) + QLatin1Char('%'));
    if (task->status() == kStatusRunning) {
        setCancelEnabled(true);
    } else if (task->status() == kStatusTransferred) {
        progressBar->setValue(100);
        lblProgress->setText(QStringLiteral("100%"));
        setCancelEnabled(false);
    }
}

void KSCloudDiskDownloadDialog::onDownloadFinished(
    const QString &taskId, const QString &filePath, const QString &fileName, int fileType)
{
    KSCloudDiskTask *task = m_presenter->downloadShareTask();
    if (!task || task->taskId() != taskId)
        return;
    accept();
    if (fileType == kFileTypeProject || fileType == kFileTypeProjectArchive) {
        emit m_presenter->sigOpenProject(filePath);
    } else if (fileType == kFileTypeProjectTemplate) {
        emit m_presenter->sigTorrentDownloadFinished(static_cast<CloudDiskItemType>(0), filePath, fileName);
        emit m_presenter->sigLocationProjectTemplate(filePath);
    }
    m_presenter->removeDownloadShareTask(task);
}

void KSCloudDiskDownloadDialog::slotBackgroundClicked()
{
    if (m_service)
        m_service->showFloatingWidget(this, false);
    reject();
}

void KSCloudDiskDownloadDialog::slotCancelClicked()
{
    KSCloudDiskTask *task = m_presenter ? m_presenter->downloadShareTask() : nullptr;
    if (!task)
        return;
    task->pause();
    const QString answer = KSMessageDialog::question(parentWidget(), tr("Cancel loading tip"),
        tr("Are you sure you want to cancel the load? If you cancel, you need to load the file again to open it."));
    if (answer == KSMessageDialog::tr("Yes")) {
        task->abort();
        m_presenter->removeDownloadShareTask(task);
        reject();
    } else {
        task->resume();
    }
}

void KSCloudDiskDownloadDialog::dealWithTaskFailed()
{
    KSCloudDiskTask *task = m_presenter ? m_presenter->downloadShareTask() : nullptr;
    if (!task || g_handlingFailure)
        return;
    g_handlingFailure = true;
    KSLOG_INFO("KSCloudDiskDownloadDialog::dealWithTaskFailed");
    const QPoint position = pos();
    move(kOffScreen);

    const QString message = task->shareDownloadFailureText();
    const QString refresh = tr("Refresh");
    const QString answer = KSMessageDialog::showMessage(parentWidget(), QString(), message,
        {{tr("Cancel"), KSFramelessDialog::SecondaryRole}, {refresh, KSFramelessDialog::PrimaryRole}});

    if (answer == refresh) {
        KSLOG_INFO("KSCloudDiskDownloadDialog::dealWithTaskFailed refresh task");
        move(position);
        task->setTotalSize(0);
        task->setTempPath(QString());
        static_cast<IKSCDBaseTask *>(task)->setStatus(kStatusWaiting);
        m_presenter->queuedTask(task);
        refreshProgress(task->taskId());
        setCancelEnabled(false);
    } else {
        KSLOG_INFO("KSCloudDiskDownloadDialog::dealWithTaskFailed close failed dialog");
        m_presenter->removeDownloadShareTask(task);
        reject();
    }
    g_handlingFailure = false;
}

bool KSCloudDiskDownloadDialog::acceptCloseRequest(CloseReason)
{
    if (btnCancel->isEnabled())
        btnCancel->click();
    return false;
}
