#include "KSCloudDiskCheckDiskInfoDialog.h"

#include "IKSCloudDisk.h"
#include "KSCustomEvent.h"

#include <QBoxLayout>
#include <QFuture>
#include <QLabel>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

#include <atomic>

namespace {
constexpr int kRechecks = 99;
constexpr int kRecheckMs = 50;
} // namespace

struct KSCloudDiskCheckDiskInfoDialog::Private {
    QFuture<void> worker;
    // Set when the dialog goes first: the worker stops waiting for the service.
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
    bool done = false;
};

KSCloudDiskCheckDiskInfoDialog::KSCloudDiskCheckDiskInfoDialog(
    IKSCloudDisk *service, const QString &text, QWidget *parent)
    : KSFramelessDialog(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("KSCloudDiskCheckDiskInfoDialog"));
    setFixedSize(500, 200);
    setButtonBarVisible(false);
    setCloseButtonEnabled(false);

    auto *content = new KSWidget;
    content->setObjectName(QStringLiteral("checkDiskInfoContent"));
    auto *loading = new KSLoadingWidget(content, 56);
    loading->setObjectName(QStringLiteral("loadingWidget"));
    loading->setColorIndex(56);
    auto *label = new QLabel(text, content);
    label->setObjectName(QStringLiteral("lblText"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    KSUIStyle::setLabelStyle(label, 56, 4);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 16);
    layout->setSpacing(16);
    layout->addStretch(1);
    layout->addWidget(loading, 0, Qt::AlignHCenter);
    layout->addWidget(label);
    layout->addStretch(1);
    setContentWidget(content);

    new KSCustomEventListener(KSCustomEventManager::instance(), this, checkDoneEventName(),
        [this](const KSCustomEventPtr &) { onCheckDone(); });

    QObject *target = KSCustomEventManager::instance()->targetObject(this);
    d->worker = QtConcurrent::run(QThreadPool::globalInstance(), [service, target, cancelled = d->cancelled] {
        service->syncRefreshDiskInfo(0);
        for (int i = 0; i < kRechecks && !cancelled->load() && !service->isServiceReady(); ++i)
            QThread::msleep(kRecheckMs);
        auto event = KSCustomEventPtr::create(checkDoneEventName());
        // Only compared, never followed: another check dialog may be waiting too.
        event->setFilter([target](QObject *receiver) { return receiver == target; });
        KSCustomEventManager::instance()->dispatch(event);
    });
}

KSCloudDiskCheckDiskInfoDialog::~KSCloudDiskCheckDiskInfoDialog()
{
    // The worker uses the service, which must not be left to a worker nobody waits for.
    d->cancelled->store(true);
    d->worker.waitForFinished();
}

QString KSCloudDiskCheckDiskInfoDialog::checkDoneEventName()
{
    return QStringLiteral("__CheckDoneEvent");
}

bool KSCloudDiskCheckDiskInfoDialog::acceptCloseRequest(CloseReason)
{
    return d->done;
}

void KSCloudDiskCheckDiskInfoDialog::showEvent(QShowEvent *event)
{
    KSFramelessDialog::showEvent(event);
    // A check that ended before the dialog showed still has to close it.
    if (d->done)
        QTimer::singleShot(0, this, &QDialog::accept);
}

void KSCloudDiskCheckDiskInfoDialog::onCheckDone()
{
    d->done = true;
    if (isVisible())
        accept();
}
