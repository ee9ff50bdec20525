#include "KSNetwork.h"

#include "KSBaseLog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {

QMutex &openedMutex()
{
    static QMutex mutex;
    return mutex;
}

QString &lastOpenedAddress()
{
    static QString address;
    return address;
}

bool hasDisplay()
{
    const auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// For the log: the place, without the query that may carry a session.
QString loggable(const QUrl &url)
{
    return url.toString(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
}

} // namespace

bool KSNetwork::IsNetworkDeviceValid()
{
    if (qEnvironmentVariable("KSHOST_OFFLINE") == QLatin1String("1"))
        return false;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)
            && !flags.testFlag(QNetworkInterface::IsLoopBack))
            return true;
    }
    return false;
}

bool KSHttpClient::get(const QString &address, QByteArray &body, QString &error, int timeoutMs)
{
    body.clear();
    error.clear();
    const QUrl url(address);
    if (url.isLocalFile()) {
        QFile file(url.toLocalFile());
        if (!file.open(QIODevice::ReadOnly)) {
            error = QCoreApplication::translate("KSHttpClient", "Cannot read %1: %2")
                        .arg(url.toLocalFile(), file.errorString());
            return false;
        }
        body = file.readAll();
        return true;
    }
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        error = QCoreApplication::translate("KSHttpClient", "Unsupported address: %1").arg(address);
        return false;
    }

    // Everything lives in this call and this thread: the loop below is the only one that runs it.
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&]() {
        timedOut = true;
        reply->abort();
    });
    if (timeoutMs > 0)
        timer.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();

    bool ok = false;
    if (timedOut) {
        error = QCoreApplication::translate("KSHttpClient", "No answer from %1 within %2 ms")
                    .arg(loggable(url))
                    .arg(timeoutMs);
    } else if (reply->error() != QNetworkReply::NoError) {
        // Qt's text quotes the whole address, query and all; it may carry a session.
        error = QCoreApplication::translate("KSHttpClient", "Request to %1 failed (%2)")
                    .arg(loggable(url))
                    .arg(int(reply->error()));
    } else {
        body = reply->readAll();
        ok = true;
    }
    delete reply;
    if (!ok)
        KSLOG_WARN("GET %s failed: %s", qUtf8Printable(loggable(url)), qUtf8Printable(error));
    return ok;
}

bool KSDesktopService::openURL(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address);
    if (address.isEmpty() || !url.isValid())
        return false;
    {
        QMutexLocker lock(&openedMutex());
        lastOpenedAddress() = address;
    }
    KSLOG_INFO("open %s", qUtf8Printable(loggable(url)));
    if (hasDisplay()) {
        // The desktop is asked from the GUI thread, wherever the request comes from.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [url]() { QDesktopServices::openUrl(url); });
    }
    return true;
}

QString KSDesktopService::lastOpened()
{
    QMutexLocker lock(&openedMutex());
    return lastOpenedAddress();
}
