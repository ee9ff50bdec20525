#include "DriveConfig.h"

#include "TQDriveCodes.h"
#include "WebDavClient.h"

#include <QFileInfo>
#include <QSettings>

namespace TQDrive {

int DriveConfig::read(const QString &root, const QJsonObject &request, DriveConfig *out)
{
    *out = DriveConfig();
    QString backend;
    QString url;
    QString user;
    const QString file = root + QStringLiteral("/drive.conf");
    if (QFileInfo::exists(file)) {
        const QSettings conf(file, QSettings::IniFormat);
        backend = conf.value(QStringLiteral("backend")).toString();
        url = conf.value(QStringLiteral("server_url")).toString();
        user = conf.value(QStringLiteral("server_user")).toString();
    }
    for (const auto &key : {std::make_pair("backend", &backend), std::make_pair("server_url", &url),
             std::make_pair("server_user", &user)}) {
        const QJsonValue v = request.value(QLatin1String(key.first));
        if (v.isUndefined())
            continue;
        if (!v.isString())
            return BadArgument;
        *key.second = v.toString();
    }
    if (backend.isEmpty() || backend == QLatin1String("local"))
        return Ok;
    if (backend != QLatin1String("webdav"))
        return BadArgument;
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty() || user.isEmpty() || !parsed.userInfo().isEmpty())
        return BadArgument;
    const QString scheme = parsed.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        return BadArgument;
    // The password travels with every request: in clear text only where it never leaves the machine.
    if (scheme == QLatin1String("http") && !WebDavClient::isLoopbackHost(parsed.host()))
        return InsecureServer;
    out->backend = Backend::WebDav;
    out->serverUrl = parsed;
    out->user = user;
    return Ok;
}

QString DriveConfig::credentialKey(const QUrl &url, const QString &user)
{
    return user + QLatin1Char('@') + url.toString(QUrl::RemoveUserInfo | QUrl::StripTrailingSlash);
}

} // namespace TQDrive
