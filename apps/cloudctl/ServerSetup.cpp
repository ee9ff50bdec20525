#include "ServerSetup.h"

#include "TQDriveAdmin.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

ServerSetup::ServerSetup(const QUrl &url, const QString &user)
    : m_url(url)
    , m_user(user)
{ }

QString ServerSetup::problem() const
{
    if (!m_url.isValid() || m_url.host().isEmpty()
        || (m_url.scheme() != QLatin1String("https") && m_url.scheme() != QLatin1String("http")))
        return tr(
            "--server takes an http or https address, such as https://cloud.example.com/remote.php/dav/files/me/");
    if (!m_url.userInfo().isEmpty())
        return tr("--server takes the address without a user or password; give the user with --user");
    if (m_user.isEmpty())
        return tr("--server needs --user NAME");
    return QString();
}

bool ServerSetup::apply(const QString &driveFolder)
{
    if (!QDir().mkpath(driveFolder)) {
        m_error = tr("cannot create the folder %1").arg(driveFolder);
        return false;
    }
    QSaveFile conf(driveFolder + QStringLiteral("/drive.conf"));
    if (!conf.open(QIODevice::WriteOnly)) {
        m_error = tr("cannot write %1").arg(conf.fileName());
        return false;
    }
    conf.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    conf.write("backend=webdav\nserver_url=" + m_url.toEncoded() + "\nserver_user=" + m_user.toUtf8() + '\n');
    if (!conf.commit()) {
        m_error = tr("cannot write %1").arg(conf.fileName());
        return false;
    }
    TQDriveAdmin::setDriveRoot(driveFolder);
    if (!TQDriveAdmin::serverPassword(m_url, m_user).isEmpty() || !qEnvironmentVariableIsEmpty("TQDRIVE_PASSWORD"))
        return true;
    const QString password = askPassword(tr("Password of %1 at %2: ").arg(m_user, m_url.host()));
    if (password.isEmpty()) {
        m_error = tr("no password for %1 at %2: none in the keychain, no TQDRIVE_PASSWORD and none typed")
                      .arg(m_user, m_url.toString());
        return false;
    }
    if (!TQDriveAdmin::setServerPassword(m_url, m_user, password)) {
        m_error = tr("cannot keep the password for %1").arg(m_user);
        return false;
    }
    return true;
}

QString ServerSetup::askPassword(const QString &prompt)
{
    FILE *tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        return QString();
    std::fputs(prompt.toLocal8Bit().constData(), tty);
    std::fflush(tty);
    termios saved{};
    const int fd = fileno(tty);
    const bool hidden = tcgetattr(fd, &saved) == 0;
    if (hidden) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, tty) != nullptr;
    if (hidden)
        tcsetattr(fd, TCSAFLUSH, &saved);
    std::fputs("\n", tty);
    std::fclose(tty);
    QString password = read ? QString::fromLocal8Bit(line) : QString();
    while (password.endsWith(QLatin1Char('\n')) || password.endsWith(QLatin1Char('\r')))
        password.chop(1);
    return password;
}
