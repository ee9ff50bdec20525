#include "KSCloudDiskReadiness.h"

#include "IKSAppInfo.h"
#include "IKSTQIDAccount.h"
#include "KSCloudDisk.h"
#include "KSCloudDiskActivateDialog.h"
#include "KSCloudDiskCheckDiskInfoDialog.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskReLoginDialog.h"
#include "KSCloudDiskTrackEvent.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSConfigEngine.h"
#include "KSDriveAnswer.h"
#include "KSLocale.h"
#include "KSNetwork.h"
#include "KSWidgets.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

namespace {

constexpr int kPollMs = 100;
constexpr qint64 kMiB = 1048576;

// The language the drive's pages use: the country for long codes ("zh_CN" gives "CN").
QString pageLanguage()
{
    const QString language = KSLocale::languageCode();
    return language.size() > 2 ? KSLocale::countryCode() : language;
}

QString customData(const QJsonValue &productKey)
{
    const QByteArray custom = KSDriveAnswer::compact({{QStringLiteral("type"), QStringLiteral("yfw_drive")},
        {QStringLiteral("pid"), productKey}, {QStringLiteral("platform"), QStringLiteral("win")},
        {QStringLiteral("device_id"), IKSAppInfo::getInstance()->getValue(IKSAppInfo::DeviceId).toString()}});
    return QStringLiteral("&custom=") + QString::fromLatin1(custom.toBase64());
}

// Lets the login worker's report arrive without letting the user act meanwhile.
void waitBriefly(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

KSCloudDiskReadiness::KSCloudDiskReadiness(KSCloudDisk *service)
    : m_service(service)
{ }

KSCloudAccountParam KSCloudDiskReadiness::hostAccountParam()
{
    IKSAppInfo *app = IKSAppInfo::getInstance();
    KSCloudAccountParam param;
    param.token = getTQIDAccount()->accessToken();
    param.language = KSLocale::clientLanguageCode2(1);
    param.productVersion = app->productVersion();
    param.deviceId = app->deviceId();
    param.productId = app->getValue(IKSAppInfo::ProductId).toInt();
    return param;
}

QWidget *KSCloudDiskReadiness::dialogParent(QWidget *parent)
{
    return parent ? parent : KSUtility::gGetMainWindow();
}

int KSCloudDiskReadiness::runModal(QDialog *dialog)
{
    QPointer<QDialog> guard(dialog);
    const int result = dialog->exec();
    if (!guard)
        return QDialog::Rejected;
    delete dialog;
    return result;
}

void KSCloudDiskReadiness::runCheckDialog(QWidget *parent, const QString &text) const
{
    runModal(new KSCloudDiskCheckDiskInfoDialog(m_service, text, dialogParent(parent)));
}

bool KSCloudDiskReadiness::waitLoginFinished(QWidget *parent, int mode) const
{
    if (!m_service->isLoggingIn())
        return true;
    auto *dialog = new KSCloudDiskReLoginDialog(m_service, mode + 1, dialogParent(parent));
    // The dialog itself only ends a login that succeeded; this one ends the wait whatever the outcome.
    auto *poll = new QTimer(dialog);
    poll->setSingleShot(true);
    QObject::connect(poll, &QTimer::timeout, dialog, [this, poll, dialog] {
        if (m_service->isLoggingIn())
            poll->start(kPollMs);
        else
            dialog->done(QDialog::Accepted);
    });
    poll->start(kPollMs);
    return runModal(dialog) == QDialog::Accepted;
}

bool KSCloudDiskReadiness::showActivateDialog(QWidget *parent, bool logInAfterwards) const
{
    if (KSCloudDiskItemManagerProxy::inAutoSync())
        return false;
    KSCloudDiskWindowPopupEvent(QStringLiteral("Authorize")).sendEvent();
    if (runModal(new KSCloudDiskActivateDialog(m_service, dialogParent(parent))) != QDialog::Accepted)
        return false;
    if (!waitLoginFinished(parent, 0))
        return false;
    if (!m_service->isServiceReady() && logInAfterwards)
        return showReLoginDialog(parent);
    return true;
}

bool KSCloudDiskReadiness::showReLoginDialog(QWidget *parent) const
{
    return runModal(new KSCloudDiskReLoginDialog(m_service, KSCloudDiskReLoginDialog::PlainMode, dialogParent(parent)))
        == QDialog::Accepted;
}

bool KSCloudDiskReadiness::ensureServiceReady(QWidget *parent, bool interactive) const
{
    if (m_service->isServiceReady())
        return true;
    while (!m_service->isServiceUnavailable()) {
        if (m_service->needOpenService()) {
            if (!showActivateDialog(parent, true))
                return false;
        } else if (interactive) {
            if (!showReLoginDialog(parent))
                return false;
        } else {
            // Without the user only a login under way can still bring the service up; waiting for
            // anything else would never end.
            if (!m_service->isLoggingIn())
                return false;
            waitBriefly(kPollMs);
        }
        if (m_service->isServiceReady())
            return true;
    }
    return false;
}

bool KSCloudDiskReadiness::checkServiceReady(QWidget *parent) const
{
    if (m_service->isServiceUnavailable())
        return false;
    if (m_service->isServiceReady())
        return true;
    if (m_service->serviceState() == SignedOut)
        runCheckDialog(parent, tr("Logging in to cloud space. Please wait."));
    // The login waited for may have found the service closed to this account for good.
    if (m_service->isServiceUnavailable())
        return false;
    // Any other state lets the caller queue its work: the worker waits for the service.
    if (!m_service->needOpenService())
        return true;
    if (!showActivateDialog(parent, true))
        return false;
    QCoreApplication::processEvents();
    return true;
}

bool KSCloudDiskReadiness::activateFromEvent(QWidget *parent) const
{
    if (!waitLoginFinished(parent, 1))
        return false;
    while (!m_service->isServiceReady()) {
        // The re-login dialog accepts at once for such a service: asking again would never end.
        if (m_service->isServiceUnavailable())
            return false;
        const bool answered
            = m_service->needOpenService() ? showActivateDialog(parent, true) : showReLoginDialog(parent);
        if (!answered)
            return false;
    }
    return true;
}

bool KSCloudDiskReadiness::confirmQuit(QWidget *parent) const
{
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    if (!presenter->hasRunningTask())
        return true;
    const QString quit = tr("Quit");
    QWidget *owner = dialogParent(parent);
    const QString answer
        = KSMessageDialog::showMessage(owner, tr("Are you sure you want to quit?"), tr("You have task in progress"),
            {{tr("Cancel"), KSFramelessDialog::SecondaryRole}, {quit, KSFramelessDialog::WarningRole}});
    if (answer == quit)
        return true;
    // The user stays: a shared link still downloading shows its progress again.
    if (presenter->downloadShareTask())
        m_service->showFloatingWidget(owner, false);
    return false;
}

bool KSCloudDiskReadiness::checkDiskSpace(QWidget *parent, qint64 requiredBytes) const
{
    runCheckDialog(parent, tr("Syncing in process, please wait..."));
    const KSCloudDiskInfo info = m_service->getDiskInfo();
    const bool withinTotal = info.usedSize / kMiB <= info.totalSize / kMiB;
    if (withinTotal && (requiredBytes <= info.totalSize - info.usedSize || info.totalSize < 1))
        return true;
    const QString buy = tr("Buy Storage");
    const QString answer = KSMessageDialog::showMessage(dialogParent(parent), tr("Lack of Storage"),
        tr("Insufficient cloud storage. Please buy more."),
        {{tr("Cancel"), KSFramelessDialog::SecondaryRole}, {buy, KSFramelessDialog::PrimaryRole}});
    if (answer != buy)
        return false;
    KSCloudDiskBtnClickEvent(QStringLiteral("membership_expired"), QStringLiteral("buy"), QString()).sendEvent();
    bool abort = false;
    emit m_service->getPresenter()->sigOpenExpandPage(abort, false);
    return !abort;
}

void KSCloudDiskReadiness::openBuyStoragePage() const
{
    const QString address = KSConfigHelper::GetCBSUrl(QStringLiteral("CloudDiskBuyPageC118"))
        + customData(KSConfigHelper::GetCBSUrl(QStringLiteral("PID")));
    IKSTQIDAccount *account = getTQIDAccount();
    if (account->isLoggedIn())
        account->openSignedInPage(QString::fromLatin1(QUrl::toPercentEncoding(address)));
    else
        KSDesktopService::openURL(address);
}

KSWebPageRequest *KSCloudDiskReadiness::purchasePageRequest(bool checkStorage) const
{
    const KSCloudDiskInfo info = m_service->getDiskInfo();
    QUrl url(KSConfigHelper::GetCBSUrl(QStringLiteral("CloudDiskBuyPageC118")));
    QUrlQuery query(url);
    const bool outOfSpace = info.usedSize / kMiB > info.totalSize / kMiB;
    query.addQueryItem(QStringLiteral("lang"), pageLanguage());
    query.addQueryItem(QStringLiteral("theme"), KSSkinManager::instance()->skinName());
    query.addQueryItem(QStringLiteral("version"), QStringLiteral("1.0"));
    query.addQueryItem(QStringLiteral("scene"), checkStorage && outOfSpace ? QStringLiteral("2") : QStringLiteral("3"));
    query.addQueryItem(QStringLiteral("level"), QString::number(info.level));
    url.setQuery(query);
    auto *request = new KSWebPageRequest;
    request->address
        = url.toString() + customData(IKSAppInfo::getInstance()->getValue(IKSAppInfo::SensorsProductId).toLongLong());
    request->windowSize = QSize(1200, 799);
    request->flag = 0;
    request->commands = QJsonObject{{QStringLiteral("setWebSize"), QJsonArray{1200, 767}},
        {QStringLiteral("startUrlWithLogin"), QJsonArray{request->address}}};
    return request;
}
