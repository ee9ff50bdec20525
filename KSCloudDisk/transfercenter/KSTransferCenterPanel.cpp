#include "KSTransferCenterPanel.h"

#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskTrackEvent.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSLocale.h"
#include "KSSyncSettingWidget.h"
#include "KSTransferCenterListWidget.h"
#include "KSTransferCenterTaskWidget.h"
#include "KSTransferCenterToolbar.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QStackedWidget>

namespace {
// Outlives every panel: a new window opens where the last one was left.
int g_lastTabIndex = KSTransferCenterTabUpload;

constexpr int kDoneListLimit = 200;

void sendClick(const QString &tab, const QString &button)
{
    KSCloudDiskCustomEvent(QStringLiteral("transfer_center_click"))
        .send({{QStringLiteral("transfer_center_tab"), tab}, {QStringLiteral("transfer_center_btn"), button}});
}

bool isCloudSpaceShortage(int code)
{
    return code == 20 || code == 99999001;
}
} // namespace

// One upload, download or done page with the list it shows.
struct KSTransferCenterTaskPage {
    KSTransferCenterTaskWidget *widget = nullptr;
    KSTransferCenterToolbar *toolbar = nullptr;
    QList<KSCloudDiskTask *> *tasks = nullptr;
};

struct KSTransferCenterPanel::Private {
    KSTransferCenterTabWidget *tabWidget = nullptr;
    KSTransferCenterTaskPage pages[3];
    KSSyncSettingWidget *syncPage = nullptr;
    QStackedWidget *stack = nullptr;
    KSCloudDiskViewPresenter *presenter = nullptr;
    QPointer<KSToast> toast;
    bool observing = false;

    // Everything the panel asks of a task page goes through these few calls.
    void createPage(int type, KSTransferCenterPanel *panel);
    void setTaskList(int type, QList<KSCloudDiskTask *> *tasks);
    void refresh(int type);
    void refreshTask(int type, KSCloudDiskTask *task);
    void refreshVisible(int type);
    void reloadThumbnail(int type, KSCloudDiskTask *task);
};

void KSTransferCenterPanel::Private::createPage(int type, KSTransferCenterPanel *panel)
{
    KSTransferCenterTaskPage &page = pages[type];
    page.widget = new KSTransferCenterTaskWidget(presenter, type, panel);
    page.toolbar = page.widget->toolbar();
    if (type == KSTransferCenterTabDone)
        page.widget->setMaxCount(kDoneListLimit);
}

void KSTransferCenterPanel::Private::setTaskList(int type, QList<KSCloudDiskTask *> *tasks)
{
    pages[type].tasks = tasks;
    pages[type].widget->setTaskList(tasks);
    pages[type].toolbar->updateButtonStates(tasks);
}

void KSTransferCenterPanel::Private::refresh(int type)
{
    pages[type].widget->refresh();
    pages[type].toolbar->updateButtonStates(pages[type].tasks);
}

void KSTransferCenterPanel::Private::refreshTask(int type, KSCloudDiskTask *task)
{
    pages[type].widget->refreshTask(task);
    pages[type].toolbar->updateButtonStates(pages[type].tasks);
}

void KSTransferCenterPanel::Private::refreshVisible(int type)
{
    pages[type].widget->refreshVisibleRows();
    pages[type].toolbar->updateButtonStates(pages[type].tasks);
}

void KSTransferCenterPanel::Private::reloadThumbnail(int type, KSCloudDiskTask *task)
{
    pages[type].widget->reloadThumbnail(task);
}

KSTransferCenterPanel::KSTransferCenterPanel(KSCloudDiskViewPresenter *presenter, QWidget *parent)
    : KSWidget(parent)
    , d(new Private)
{
    d->presenter = presenter;
    setObjectName(QStringLiteral("KSTransferCenterPanel"));
    setStyleKey(QStringLiteral("CloudDisk/KSTransferCenterPanel"));

    d->tabWidget = new KSTransferCenterTabWidget(this);
    d->stack = new QStackedWidget(this);
    d->stack->setObjectName(QStringLiteral("KSTransferCenterPageStack"));
    for (int type = KSTransferCenterTabUpload; type <= KSTransferCenterTabDone; ++type)
        d->createPage(type, this);
    d->syncPage = new KSSyncSettingWidget(this);
    for (const KSTransferCenterTaskPage &page : d->pages)
        d->stack->addWidget(page.widget);
    d->stack->addWidget(d->syncPage);
    d->stack->setCurrentIndex(g_lastTabIndex);
    d->tabWidget->setCurrentTab(g_lastTabIndex);

    d->tabWidget->setFixedWidth(192);
    auto *pageLayout = new QVBoxLayout;
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    pageLayout->addSpacing(16);
    pageLayout->addWidget(d->stack, 1);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(d->tabWidget);
    layout->addLayout(pageLayout, 1);

    slotLoadAllTask();

    connect(d->tabWidget, &KSTransferCenterTabWidget::sigCurrentTabChanged, this,
        &KSTransferCenterPanel::slotCurrentTabChanged);
    connect(
        d->tabWidget, &KSTransferCenterTabWidget::sigLinkCutlaneIO, this, &KSTransferCenterPanel::slotLinkCutlaneIO);

    KSTransferCenterListWidget *uploads = d->pages[KSTransferCenterTabUpload].widget->listWidget();
    KSTransferCenterListWidget *downloads = d->pages[KSTransferCenterTabDownload].widget->listWidget();
    KSTransferCenterListWidget *done = d->pages[KSTransferCenterTabDone].widget->listWidget();
    connect(
        uploads, &KSTransferCenterListWidget::sigDelete, presenter, &KSCloudDiskViewPresenter::slotRemoveUploadTask);
    connect(uploads, &KSTransferCenterListWidget::sigStart, presenter, &KSCloudDiskViewPresenter::slotStartUploadTask);
    connect(uploads, &KSTransferCenterListWidget::sigPause, presenter, &KSCloudDiskViewPresenter::slotPauseUploadTask);
    connect(uploads, &KSTransferCenterListWidget::sigRetry, presenter, &KSCloudDiskViewPresenter::slotRetryUploadTask);
    connect(downloads, &KSTransferCenterListWidget::sigDelete, presenter,
        &KSCloudDiskViewPresenter::slotRemoveDownloadTask);
    connect(
        downloads, &KSTransferCenterListWidget::sigStart, presenter, &KSCloudDiskViewPresenter::slotStartDownloadTask);
    connect(
        downloads, &KSTransferCenterListWidget::sigPause, presenter, &KSCloudDiskViewPresenter::slotPauseDownloadTask);
    connect(
        downloads, &KSTransferCenterListWidget::sigRetry, presenter, &KSCloudDiskViewPresenter::slotRetryDownloadTask);
    connect(done, &KSTransferCenterListWidget::sigDelete, presenter, &KSCloudDiskViewPresenter::slotRemoveDoneTask);
    connect(done, &KSTransferCenterListWidget::sigShare, this, &KSTransferCenterPanel::slotShare);
    connect(done, &KSTransferCenterListWidget::sigOpen, this, &KSTransferCenterPanel::slotOpen);
    connect(uploads, &KSTransferCenterListWidget::sigLinkActivated, this, &KSTransferCenterPanel::slotLinkActivated);
    connect(downloads, &KSTransferCenterListWidget::sigLinkActivated, this, &KSTransferCenterPanel::slotLinkActivated);

    KSTransferCenterToolbar *uploadBar = d->pages[KSTransferCenterTabUpload].toolbar;
    KSTransferCenterToolbar *downloadBar = d->pages[KSTransferCenterTabDownload].toolbar;
    KSTransferCenterToolbar *doneBar = d->pages[KSTransferCenterTabDone].toolbar;
    connect(
        uploadBar, &KSTransferCenterToolbar::sigStartAll, presenter, &KSCloudDiskViewPresenter::slotStartAllUploadTask);
    connect(
        uploadBar, &KSTransferCenterToolbar::sigStopAll, presenter, &KSCloudDiskViewPresenter::slotPauseAllUploadTask);
    connect(uploadBar, &KSTransferCenterToolbar::sigClearAll, presenter,
        &KSCloudDiskViewPresenter::slotRemoveAllUploadTask);
    connect(downloadBar, &KSTransferCenterToolbar::sigStartAll, presenter,
        &KSCloudDiskViewPresenter::slotStartAllDownloadTask);
    connect(downloadBar, &KSTransferCenterToolbar::sigStopAll, presenter,
        &KSCloudDiskViewPresenter::slotPauseAllDownloadTask);
    connect(downloadBar, &KSTransferCenterToolbar::sigClearAll, presenter,
        &KSCloudDiskViewPresenter::slotRemoveAllDownloadTask);
    connect(
        doneBar, &KSTransferCenterToolbar::sigClearAll, presenter, &KSCloudDiskViewPresenter::slotRemoveAllDoneTask);

    connect(presenter, &KSCloudDiskViewPresenter::sigDownloadTaskCountChanged, this,
        &KSTransferCenterPanel::slotDownloadTaskCountChanged);
    connect(presenter, &KSCloudDiskViewPresenter::sigUploadTaskCountChanged, this,
        &KSTransferCenterPanel::slotUploadTaskCountChanged);
    connect(presenter, &KSCloudDiskViewPresenter::sigDoneTaskCountChanged, this,
        &KSTransferCenterPanel::slotDoneTaskCountChanged);
    connect(presenter, &KSCloudDiskViewPresenter::sigThumbnilDownloadFinish, this,
        &KSTransferCenterPanel::slotThumbnilDownloadFinish, Qt::QueuedConnection);
    // Not every presenter announces a wholesale removal; the count signals cover it then.
    if (presenter->metaObject()->indexOfSignal("sigRemoveAllTask()") >= 0)
        connect(presenter, SIGNAL(sigRemoveAllTask()), this, SLOT(slotRemoveAllTask()));
    connect(presenter, &KSCloudDiskViewPresenter::sigLoadAllTask, this, &KSTransferCenterPanel::slotLoadAllTask);
    connect(
        presenter, &KSCloudDiskViewPresenter::sigTaskStateChanged, this, &KSTransferCenterPanel::slotTaskStateChanged);
    connect(presenter, &KSCloudDiskViewPresenter::sigAllUploadTaskStateChanged, this,
        &KSTransferCenterPanel::slotAllUploadTaskStateChanged);
    connect(presenter, &KSCloudDiskViewPresenter::sigAllDownloadTaskStateChanged, this,
        &KSTransferCenterPanel::slotAllDownloadTaskStateChanged);

    if (IKSTQIDAccount *account = getTQIDAccount()) {
        account->addObserver(this);
        d->observing = true;
    }
}

KSTransferCenterPanel::~KSTransferCenterPanel()
{
    KSLOG_INFO("KSTransferCenterPanel destrcuted");
    if (d->observing) {
        if (IKSTQIDAccount *account = getTQIDAccount())
            account->removeObserver(this);
    }
}

int KSTransferCenterPanel::lastTabIndex()
{
    return g_lastTabIndex;
}

void KSTransferCenterPanel::showTab(int index)
{
    if (index < KSTransferCenterTabUpload || index > KSTransferCenterTabSyncSettings)
        return;
    d->tabWidget->setCurrentTab(index);
}

int KSTransferCenterPanel::currentTab() const
{
    return d->stack->currentIndex();
}

KSTransferCenterTabWidget *KSTransferCenterPanel::tabWidget() const
{
    return d->tabWidget;
}

QStackedWidget *KSTransferCenterPanel::pageStack() const
{
    return d->stack;
}

QWidget *KSTransferCenterPanel::page(int index) const
{
    return d->stack->widget(index);
}

KSTransferCenterToolbar *KSTransferCenterPanel::toolbar(int type) const
{
    return type >= KSTransferCenterTabUpload && type <= KSTransferCenterTabDone ? d->pages[type].toolbar : nullptr;
}

KSSyncSettingWidget *KSTransferCenterPanel::syncSettingPage() const
{
    return d->syncPage;
}

void KSTransferCenterPanel::slotCurrentTabChanged(KSTransferCenterTabIndex index)
{
    if (index < KSTransferCenterTabUpload || index > KSTransferCenterTabSyncSettings)
        return;
    d->stack->setCurrentIndex(index);
    g_lastTabIndex = index;
}

void KSTransferCenterPanel::slotBtClicked(int index)
{
    d->stack->setCurrentIndex(index);
}

void KSTransferCenterPanel::slotLinkCutlaneIO(const QString &)
{
    if (IKSCloudDisk *service = d->presenter->service())
        service->openCutlaneIOPage();
}

void KSTransferCenterPanel::updateTabCounts()
{
    d->tabWidget->setTabCount(KSTransferCenterTabUpload, d->presenter->uploadTaskList()->size());
    d->tabWidget->setTabCount(KSTransferCenterTabDownload, d->presenter->downloadTaskList()->size());
}

void KSTransferCenterPanel::slotLoadAllTask()
{
    d->setTaskList(KSTransferCenterTabDone, d->presenter->doneTaskList());
    d->setTaskList(KSTransferCenterTabUpload, d->presenter->uploadTaskList());
    d->setTaskList(KSTransferCenterTabDownload, d->presenter->downloadTaskList());
    updateTabCounts();
}

void KSTransferCenterPanel::slotUploadTaskCountChanged()
{
    d->refresh(KSTransferCenterTabUpload);
    updateTabCounts();
}

void KSTransferCenterPanel::slotDownloadTaskCountChanged()
{
    d->refresh(KSTransferCenterTabDownload);
    updateTabCounts();
}

void KSTransferCenterPanel::slotDoneTaskCountChanged()
{
    d->refresh(KSTransferCenterTabDone);
    updateTabCounts();
}

void KSTransferCenterPanel::slotRemoveAllTask()
{
    for (int type = KSTransferCenterTabUpload; type <= KSTransferCenterTabDone; ++type)
        d->refresh(type);
    updateTabCounts();
}

void KSTransferCenterPanel::slotTaskStateChanged(KSCloudDiskTask *task)
{
    if (!task || task->removed())
        return;
    d->refreshTask(task->isDownload() ? KSTransferCenterTabDownload : KSTransferCenterTabUpload, task);
}

void KSTransferCenterPanel::slotAllUploadTaskStateChanged()
{
    d->refreshVisible(KSTransferCenterTabUpload);
}

void KSTransferCenterPanel::slotAllDownloadTaskStateChanged()
{
    d->refreshVisible(KSTransferCenterTabDownload);
}

void KSTransferCenterPanel::slotThumbnilDownloadFinish(const QString &taskId)
{
    KSCloudDiskTask *task = d->presenter->findTask(taskId);
    if (!task)
        return;
    int type = task->isDownload() ? KSTransferCenterTabDownload : KSTransferCenterTabUpload;
    if (task->status() == Transferred || task->status() == Finished)
        type = KSTransferCenterTabDone;
    d->reloadThumbnail(type, task);
}

void KSTransferCenterPanel::slotLinkActivated(KSCloudDiskTask *task)
{
    if (!task)
        return;
    KSLOG_INFO("slotLinkActivated %d", task->failedCode());
    if (!isCloudSpaceShortage(task->failedCode()))
        return;
    sendClick(QStringLiteral("upload"), QStringLiteral("Expand now"));
    bool abort = false;
    emit d->presenter->sigOpenExpandPage(abort, false);
}

void KSTransferCenterPanel::slotOpen(KSCloudDiskTask *task)
{
    if (!task)
        return;
    sendClick(QStringLiteral("done"), QStringLiteral("show_in_folder"));
    const QString path = task->filePath();
    // The editor locates templates itself, through a signal that only some presenters carry.
    if (task->fileType() == ProjectTemplateFile
        && QMetaObject::invokeMethod(d->presenter, "sigLocationProjectTemplate", Q_ARG(QString, path)))
        return;
    if (QFileInfo::exists(path)) {
        KSUtility::findTargetFile(KSUtility::getShortPathName(path));
        return;
    }
    showToast(QStringLiteral(":/Resource/icon24_info.png"),
        tr("The local file directory does not exist or has been deleted."));
}

void KSTransferCenterPanel::slotShare(KSCloudDiskTask *task)
{
    if (!task)
        return;
    sendClick(QStringLiteral("done"), QStringLiteral("share"));
    const QString detail
        = task->fileType() == ProjectTemplateFile ? QStringLiteral("media_project_template") : QString();
    const QString suffix = QFileInfo(task->filePath()).suffix();
    const QString location = QStringLiteral("transfer_center");
    KSCloudDiskBeginShareEvent(suffix, task->totalSize(), task->fileId(), location, detail).sendEvent();
    IKSCloudDisk *service = d->presenter->service();
    if (service
        && service->showShareDialog(
            parentWidget(), task->newName(), task->fileId(), task->fileType(), task->totalSize(), suffix, location))
        KSCloudDiskShareSuccessEvent(suffix, task->totalSize(), task->fileId(), location, detail).sendEvent();
}

void KSTransferCenterPanel::showToast(const QString &iconPath, const QString &text)
{
    // One notice at a time: a new one replaces the one still fading.
    if (d->toast)
        d->toast->hide();
    d->toast = KSToast::showToastBySequence(text, QString(), iconPath, window(), {});
    if (!d->toast)
        return;
    const QPoint topLeft = d->stack->mapToGlobal(QPoint((d->stack->width() - d->toast->width()) / 2, -8));
    d->toast->move(topLeft);
}

void KSTransferCenterPanel::onTQIDResponse(KSTQIDResponseCode code)
{
    if (code != KSTQIDNetworkError)
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isVisible())
                showToast(QStringLiteral(":/Resource/icon24_alert.png"), tr("Network Connection Error"));
        },
        Qt::QueuedConnection);
}
