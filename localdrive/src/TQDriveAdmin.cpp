#include "TQDriveAdmin.h"

#include "CredentialStore.h"
#include "DriveConfig.h"
#include "DriveStore.h"
#include "LocalDrive.h"
#include "TQDriveCodes.h"

#include <QFile>

using TQDrive::LocalDrive;

namespace TQDriveAdmin {

namespace {

std::shared_ptr<TQDrive::DriveStore> store()
{
    return LocalDrive::instance().adminStore();
}

bool fill(const std::shared_ptr<TQDrive::DriveStore> &s, const TQDrive::Account &a, AccountInfo *out)
{
    TQDrive::Space space;
    if (!s->defaultSpace(a.id, &space))
        return false;
    if (out) {
        out->accountId = a.id;
        out->uid = a.uid;
        out->email = a.email;
        out->spaceId = space.spaceId;
        out->rootFileId = space.rootId;
    }
    return true;
}

} // namespace

namespace {

TQDrive::CredentialStore credentials()
{
    return TQDrive::CredentialStore(LocalDrive::instance().driveRoot() + QStringLiteral("/server-credentials.json"));
}

} // namespace

bool setServerPassword(const QUrl &url, const QString &user, const QString &password)
{
    TQDrive::makePrivateFolder(LocalDrive::instance().driveRoot());
    return credentials().setPassword(TQDrive::DriveConfig::credentialKey(url, user), password);
}

QString serverPassword(const QUrl &url, const QString &user)
{
    return credentials().password(TQDrive::DriveConfig::credentialKey(url, user));
}

QJsonObject serverCapabilities()
{
    return LocalDrive::instance().serverCapabilities();
}

QString driveRoot()
{
    return LocalDrive::instance().driveRoot();
}

void setDriveRoot(const QString &folder)
{
    LocalDrive::instance().setDriveRoot(folder);
}

int createAccount(const QString &email, quint64 spaceId, AccountInfo *out)
{
    const auto s = store();
    if (!s)
        return TQDrive::StorageFailed;
    TQDrive::Account account;
    const int code = s->createAccount(email, spaceId, &account, nullptr);
    if (code != TQDrive::Ok)
        return code;
    return fill(s, account, out) ? TQDrive::Ok : TQDrive::StorageFailed;
}

bool findAccount(const QString &email, AccountInfo *out)
{
    const auto s = store();
    TQDrive::Account account;
    return s && s->accountByEmail(email, &account) && fill(s, account, out);
}

int ensureAccount(const QString &email, AccountInfo *out, bool *created)
{
    if (created)
        *created = false;
    if (findAccount(email, out))
        return TQDrive::Ok;
    const int code = createAccount(email, 0, out);
    if (created)
        *created = code == TQDrive::Ok;
    // Another program may have made it between the two calls: the clash then finds it.
    if (code == TQDrive::NameClash && findAccount(email, out))
        return TQDrive::Ok;
    return code;
}

QString issueToken(qint64 accountId, qint64 lifetimeMs)
{
    const auto s = store();
    return s ? s->issueToken(accountId, lifetimeMs) : QString();
}

bool expireToken(const QString &token)
{
    const auto s = store();
    return s && s->expireToken(token);
}

bool setServiceState(qint64 accountId, ServiceState state, const QString &dataCenter)
{
    const auto s = store();
    TQDrive::Account account;
    if (!s || !s->account(accountId, &account))
        return false;
    return s->setServiceState(
        accountId, TQDrive::ServiceState(state), dataCenter.isEmpty() ? account.dataCenter : dataCenter);
}

bool setSpaceInfo(qint64 accountId, const QJsonObject &fields)
{
    const auto s = store();
    TQDrive::Space space;
    if (!s || !s->defaultSpace(accountId, &space))
        return false;
    auto number = [&](const char *key, qint64 current) {
        const QJsonValue v = fields.value(QLatin1String(key));
        return v.isDouble() ? v.toVariant().toLongLong() : current;
    };
    space.level = int(number("level", space.level));
    space.platform = int(number("platform", space.platform));
    space.expiredTime = number("expired_time", space.expiredTime);
    space.totalSize = number("total_size", space.totalSize);
    space.fileSizeLimit = number("file_size_limit", space.fileSizeLimit);
    space.singleFileUploadSize = number("single_file_upload_size", space.singleFileUploadSize);
    space.levelAlias = fields.value(QLatin1String("level_alias")).toString(space.levelAlias);
    space.name = fields.value(QLatin1String("name")).toString(space.name);
    return s->updateSpace(space);
}

bool setBlocked(const QString &fileId, bool blocked)
{
    const auto s = store();
    return s && s->setBlocked(fileId, blocked);
}

bool corruptBlob(const QString &fileId)
{
    const auto s = store();
    TQDrive::Entry e;
    if (!s || !s->entry(fileId, &e) || e.isDir || e.size == 0)
        return false;
    QFile blob(s->blobPath(e.hash));
    blob.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!blob.open(QIODevice::ReadWrite) || !blob.seek(blob.size() / 2))
        return false;
    char byte = 0;
    if (!blob.getChar(&byte) || !blob.seek(blob.size() / 2))
        return false;
    return blob.putChar(char(~byte));
}

void setThrottle(qint64 bytesPerSecond)
{
    LocalDrive::instance().control().setThrottle(qMax<qint64>(0, bytesPerSecond));
}

void failNextCalls(const QString &function, int count, int result, int answerCode)
{
    LocalDrive::instance().control().failNextCalls(function, count, result, answerCode);
}

void answerNextCalls(const QString &function, int count, const QByteArray &answer)
{
    LocalDrive::instance().control().answerNextCalls(function, count, answer);
}

void delayNextCalls(const QString &function, int count, int ms)
{
    LocalDrive::instance().control().delayNextCalls(function, count, ms);
}

void failTransferAfter(const QString &customUid, qint64 bytes, int code)
{
    if (code == 0 || code == -1)
        return; // neither is a failure a transfer could report
    LocalDrive::instance().control().failTransferAfter(customUid, bytes, code);
}

QVector<CallRecord> calls()
{
    return LocalDrive::instance().control().calls();
}

void clearCalls()
{
    LocalDrive::instance().control().clearCalls();
}

void resetControls()
{
    LocalDrive::instance().control().reset();
}

} // namespace TQDriveAdmin
