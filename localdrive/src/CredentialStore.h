#ifndef TQDRIVE_CREDENTIALSTORE_H
#define TQDRIVE_CREDENTIALSTORE_H

#include <QString>

namespace TQDrive {

// Server passwords: in the system keychain (Secret Service, KWallet) when a keychain service runs,
// else in an owner-only (0600) file. Never in the drive's database or its log.
class CredentialStore
{
public:
    // fallbackFile: the owner-only file used when no keychain service runs.
    explicit CredentialStore(QString fallbackFile);

    // Empty when nothing is stored under the key.
    QString password(const QString &key) const;
    bool setPassword(const QString &key, const QString &password) const;
    bool removePassword(const QString &key) const;
    // Whether the keychain will be asked: a session bus is there and TQDRIVE_KEYCHAIN is not "off".
    static bool keychainAvailable();

private:
    QString m_file;
};

} // namespace TQDrive

#endif
