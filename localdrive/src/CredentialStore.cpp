#include "CredentialStore.h"

#include "DriveStore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTimer>

#include <qt5keychain/keychain.h>

#include <sys/stat.h>

namespace TQDrive {

namespace {

const QString kService = QStringLiteral("tqdrive");
constexpr int kKeychainWaitMs = 5000;

// Runs a keychain job to its end on this thread; false when it failed or took too long.
bool runJob(QKeychain::Job &job)
{
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kKeychainWaitMs, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

QJsonObject readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool writeFile(const QString &path, const QJsonObject &content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Owner-only before the first byte lands, whatever the umask.
    ::fchmod(file.handle(), S_IRUSR | S_IWUSR);
    file.write(QJsonDocument(content).toJson(QJsonDocument::Compact));
    return file.commit();
}

} // namespace

CredentialStore::CredentialStore(QString fallbackFile)
    : m_file(std::move(fallbackFile))
{ }

bool CredentialStore::keychainAvailable()
{
    if (qEnvironmentVariable("TQDRIVE_KEYCHAIN") == QLatin1String("off"))
        return false;
    // The keychain job needs an event loop, and without a session bus there is no keychain service to ask.
    if (!QCoreApplication::instance())
        return false;
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

QString CredentialStore::password(const QString &key) const
{
    if (keychainAvailable()) {
        QKeychain::ReadPasswordJob job(kService);
        job.setKey(key);
        if (runJob(job))
            return job.textData();
    }
    return readFile(m_file).value(key).toString();
}

bool CredentialStore::setPassword(const QString &key, const QString &password) const
{
    if (keychainAvailable()) {
        QKeychain::WritePasswordJob job(kService);
        job.setKey(key);
        job.setTextData(password);
        if (runJob(job))
            return true;
    }
    QJsonObject content = readFile(m_file);
    content.insert(key, password);
    return writeFile(m_file, content);
}

bool CredentialStore::removePassword(const QString &key) const
{
    bool removed = false;
    if (keychainAvailable()) {
        QKeychain::DeletePasswordJob job(kService);
        job.setKey(key);
        removed = runJob(job);
    }
    QJsonObject content = readFile(m_file);
    if (content.contains(key)) {
        content.remove(key);
        removed = writeFile(m_file, content) || removed;
    }
    return removed;
}

} // namespace TQDrive
