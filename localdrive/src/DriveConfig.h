#ifndef TQDRIVE_DRIVECONFIG_H
#define TQDRIVE_DRIVECONFIG_H

#include <QJsonObject>
#include <QString>
#include <QUrl>

namespace TQDrive {

// Which backend a drive folder uses: "drive.conf" in the drive folder (INI keys backend, server_url,
// server_user), with the keys of the same names in the Drive_Init request taking precedence.
struct DriveConfig {
    enum class Backend { Local, WebDav };

    Backend backend = Backend::Local;
    QUrl serverUrl;
    QString user;

    // Ok; BadArgument for an unknown backend or a server URL that is not http(s) or has no user;
    // InsecureServer for plain http to anything but the loopback interface.
    static int read(const QString &root, const QJsonObject &request, DriveConfig *out);
    // The key credentials are kept under: the user at the server.
    QString credentialKey() const { return credentialKey(serverUrl, user); }
    static QString credentialKey(const QUrl &url, const QString &user);
};

} // namespace TQDrive

#endif
