#ifndef SERVERSETUP_H
#define SERVERSETUP_H

#include <QCoreApplication>
#include <QString>
#include <QUrl>

// Points a drive folder at the user's own WebDAV server (cloudctl --server URL --user NAME): writes
// the folder's drive.conf and makes sure the drive finds a password at sign-in: the one in the
// keychain, else $TQDRIVE_PASSWORD, else one asked for on the terminal (without echo) and kept in
// the keychain.
class ServerSetup
{
    Q_DECLARE_TR_FUNCTIONS(ServerSetup)

public:
    ServerSetup(const QUrl &url, const QString &user);

    // An empty text when the URL and the user name can be used, else why not.
    QString problem() const;
    // Writes the configuration into driveFolder; false with lastError() on failure.
    bool apply(const QString &driveFolder);
    QString lastError() const { return m_error; }

private:
    static QString askPassword(const QString &prompt);

    QUrl m_url;
    QString m_user;
    QString m_error;
};

#endif
