// Control of the local cloud drive for tests, demos and the tqdrive tool. Not part of TQCoreKit:
// the plug-in never calls it. Everything here works before Drive_Init as well (it opens the drive
// folder on demand). It acts on driveRoot(): the library's folder, unless setDriveRoot() changed it
// while the library was initialised (the library moves at its next Drive_Init).
#ifndef TQDRIVEADMIN_H
#define TQDRIVEADMIN_H

#include "TQCoreKit.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <QVector>

namespace TQDriveAdmin {

// The drive folder: setDriveRoot() if called, else $TQDRIVE_ROOT, else "<user data>/tqdrive".
// Changing it while the library is initialised takes effect at the next Drive_Init.
TQCOREKIT_API QString driveRoot();
TQCOREKIT_API void setDriveRoot(const QString &folder);

struct AccountInfo {
    qint64 accountId = 0;
    QString uid;
    QString email;
    quint64 spaceId = 0;
    QString rootFileId;
};

// spaceId 0 draws one. Returns a TQDrive::Code (409001 when the e-mail is taken).
TQCOREKIT_API int createAccount(const QString &email, quint64 spaceId, AccountInfo *out);
TQCOREKIT_API bool findAccount(const QString &email, AccountInfo *out);
// The account of the e-mail, made (with a space drawn) when the drive has none; *created tells which.
TQCOREKIT_API int ensureAccount(const QString &email, AccountInfo *out, bool *created = nullptr);
// lifetimeMs 0: never expires. Empty on an unknown account.
TQCOREKIT_API QString issueToken(qint64 accountId, qint64 lifetimeMs = 0);
TQCOREKIT_API bool expireToken(const QString &token);

enum ServiceState { NotOpened = 0, Opened = 1, UnavailableNotOpened = 2, UnavailableOpened = 3 };
TQCOREKIT_API bool setServiceState(qint64 accountId, ServiceState state, const QString &dataCenter = QString());

// Changes the default space; keys as in the space record: "level", "level_alias", "name", "platform",
// "expired_time", "total_size", "file_size_limit", "single_file_upload_size".
TQCOREKIT_API bool setSpaceInfo(qint64 accountId, const QJsonObject &fields);
TQCOREKIT_API bool setBlocked(const QString &fileId, bool blocked);
// Flips bytes in the middle of the stored content of a file.
TQCOREKIT_API bool corruptBlob(const QString &fileId);

// 0 lifts the limit. Applies to every transfer of this process, running ones included.
TQCOREKIT_API void setThrottle(qint64 bytesPerSecond);

constexpr int NoAnswer = -1;
// The next `count` calls of `function` (e.g. "Drive_CreateDir") return `result` without doing
// anything. For functions with an out-text: with answerCode != NoAnswer they return 1 and answer
// {"code": answerCode, "data": null}; with NoAnswer they return `result` and answer nothing.
TQCOREKIT_API void failNextCalls(const QString &function, int count, int result, int answerCode = NoAnswer);
// The next `count` calls of an out-text `function` return 1 and answer exactly `answer` (any text,
// even one that is not JSON), doing nothing else: for answers a real service might send.
TQCOREKIT_API void answerNextCalls(const QString &function, int count, const QByteArray &answer);
// The next `count` calls of `function` wait `ms` milliseconds before they run (a slow network).
TQCOREKIT_API void delayNextCalls(const QString &function, int count, int ms);
// The next transfer with this custom_uid (any transfer when empty) that runs fails with `code`
// once it has moved `bytes` bytes in that run. Codes 0 and -1 are ignored.
TQCOREKIT_API void failTransferAfter(const QString &customUid, qint64 bytes, int code);

struct CallRecord {
    QString function;
    QString request;
    qint64 result = 0;
    QString answer;
};
// A drive on a WebDAV server (backend=webdav in the drive folder's drive.conf): the password of `user`
// at `url`, kept in the system keychain, else in an owner-only file of the drive folder. The drive
// reads it at sign-in. getServerPassword answers an empty text when none is kept.
TQCOREKIT_API bool setServerPassword(const QUrl &url, const QString &user, const QString &password);
TQCOREKIT_API QString serverPassword(const QUrl &url, const QString &user);
// What the signed-in server drive measured at sign-in: "dead_properties", "ranged_put", "quota",
// "file_ids" (booleans) and "dav" (the classes announced); empty for the local drive.
TQCOREKIT_API QJsonObject serverCapabilities();

// Calls of Drive_* functions made by this process, oldest first (at most the last 10000).
TQCOREKIT_API QVector<CallRecord> calls();
TQCOREKIT_API void clearCalls();
// Lifts every fault, the throttle and the call record.
TQCOREKIT_API void resetControls();

} // namespace TQDriveAdmin

#endif
