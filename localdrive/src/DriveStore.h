#ifndef TQDRIVE_DRIVESTORE_H
#define TQDRIVE_DRIVESTORE_H

#include "SqliteDb.h"

#include <QJsonArray>
#include <QMutex>
#include <QString>
#include <QVector>

#include <memory>

namespace TQDrive {

enum class ServiceState : int {
    NotOpened = 0,
    Opened = 1,
    UnavailableNotOpened = 2, // answers 381301
    UnavailableOpened = 3, // answers 381305
};

struct Account {
    qint64 id = 0;
    QString uid;
    QString email;
    ServiceState serviceState = ServiceState::NotOpened;
    QString dataCenter;
};

struct Space {
    quint64 spaceId = 0;
    qint64 accountId = 0;
    int level = 0;
    QString levelAlias;
    QString name;
    int platform = 0;
    qint64 expiredTime = 0;
    qint64 totalSize = 0;
    qint64 usedSize = 0;
    qint64 fileSizeLimit = 0;
    qint64 singleFileUploadSize = 0;
    QString rootId;

    // The size above which one file is refused; 0 means no limit.
    qint64 effectiveFileLimit() const;
};

struct Entry {
    QString id;
    quint64 spaceId = 0;
    QString parentId;
    QString name;
    bool isDir = false;
    qint64 size = 0;
    QString hash;
    bool hidden = false;
    bool trashed = false; // in the recycle bin, itself or inside a recycled folder
    bool blocked = false;
    qint64 ctime = 0;
    qint64 mtime = 0;
    QString version; // a server's ETag; empty for the local drive
};

struct Share {
    QString id;
    QString fileId;
    quint64 spaceId = 0;
    // The access code is kept only as a salted hash; "no code" is hashed like any other code.
    QString codeSalt;
    QString codeHash;
    int type = 0;
    qint64 createdAt = 0;
    qint64 expiresAt = 0; // 0: never
    QString url; // a server's own link; empty for the local drive's shares

    bool acceptsCode(const QString &code) const;
};

// What a name clash does when an entry is created. Absent in a request means Rename.
enum class ClashMode : int {
    Rename = 1, // keep both: the new entry becomes "name (1)", "name (2)", ...
    Fail = 2, // refuse with NameClash
    Merge = 4, // folders are reused, files replaced in place
    Replace = 5, // the old entry goes to the recycle bin, the new one is created
};
bool isValidClashMode(int mode);

enum class TransferKind : int { Upload = 1, Download = 2 };

struct TransferRecord {
    QString uid;
    TransferKind kind = TransferKind::Upload;
    qint64 accountId = 0; // 0 for a download from a share link
    quint64 spaceId = 0;
    QString request;
    QString target; // upload: id of the receiving cloud folder; download: the save folder
    QString state; // "running", "paused" or "failed"
    qint64 ownerPid = 0; // the process that last started, resumed, paused or failed it
    qint64 lastActive = 0; // ms since the epoch of its creation or last state change
    int clashMode = 1;
    bool hidden = false;
    QString tags;
};

// What is left of a transfer that finished: enough to tell a late resume how it ended.
struct TransferCompletion {
    QString uid;
    TransferKind kind = TransferKind::Upload;
    qint64 accountId = 0; // 0 for a download from a share link
    QString report; // the final report's JSON text, as the callback received it
    qint64 completedAt = 0;
};

struct TransferItem {
    int index = 0;
    int parentIndex = -1;
    bool isDir = false;
    QString source; // upload: local path; download: cloud file id
    QString target; // upload: name to create; download: final local path
    QString cloudPath;
    qint64 size = 0;
    QString hash;
    qint64 sourceMtime = 0;
    bool done = false;
    QString fileId; // upload: id once committed; download: the cloud id
    QString version; // download from a server: the ETag the plan was made against
};

// An uploaded entry ready to be recorded; staging holds its content (files only).
struct UploadCommit {
    int index = 0;
    QString parentId;
    QString name;
    bool isDir = false;
    bool top = false;
    qint64 size = 0;
    QString hash;
    QString stagingPath;
    QString parentCloudPath;
    // Filled in by commitUploads.
    QString fileId;
    QString finalName;
    QString cloudPath;
};

// The drive's persistent state: one SQLite database and the content-addressed blobs beside it.
// Every method is atomic and safe to call from any thread; several processes may share a root.
class DriveStore
{
public:
    static std::shared_ptr<DriveStore> open(const QString &root, QString *error);
    ~DriveStore();

    QString root() const { return m_root; }
    QString blobPath(const QString &hash) const;
    QString stagingDir(const QString &uid, TransferKind kind) const;

    // Accounts, tokens and spaces.
    int createAccount(const QString &email, quint64 spaceId, Account *account, Space *space);
    bool account(qint64 accountId, Account *out);
    bool accountByEmail(const QString &email, Account *out);
    QString issueToken(qint64 accountId, qint64 lifetimeMs);
    bool expireToken(const QString &token);
    // False when the token is unknown; expiresAt 0 means it never expires.
    bool tokenInfo(const QString &token, qint64 *accountId, qint64 *expiresAt);
    bool setServiceState(qint64 accountId, ServiceState state, const QString &dataCenter);
    bool defaultSpace(qint64 accountId, Space *out);
    bool space(quint64 spaceId, Space *out);
    bool updateSpace(const Space &space);

    // Entries. "root" names the space's root folder.
    QString resolveId(const Space &space, const QString &id) const;
    bool entry(const QString &fileId, Entry *out);
    bool entryInSpace(const Space &space, const QString &fileId, Entry *out);
    QString cloudPath(const QString &fileId);
    int projectRoot(const Space &space, const QString &name, QString *fileId);
    int createFolderPath(const Space &space, const QString &parentId, const QString &relativePath, bool hidden,
        const QString &tags, QString *fileId);
    int list(const Space &space, const QString &parentId, QVector<Entry> *out);
    bool hasChild(const QString &parentId, const QString &name);
    int search(const Space &space, const QString &parentId, const QString &type, const QStringList &names,
        QVector<Entry> *out);
    int rename(const Space &space, const QString &fileId, const QString &newName);
    int recycle(const Space &space, const QString &fileId);
    int remove(const Space &space, const QString &fileId);
    bool setBlocked(const QString &fileId, bool blocked);
    // Used and total size of the space, read fresh.
    bool usage(quint64 spaceId, qint64 *used, qint64 *total);

    // Shares.
    int createShare(const Space &space, const QString &fileId, const QString &accessCode, qint64 expiresInSeconds,
        int type, const QString &tags, Share *out);
    bool share(const QString &id, Share *out);

    // Transfers and their item plans.
    bool transfer(const QString &uid, TransferKind kind, TransferRecord *out);
    // The unfinished transfers of an account and every share download, by kind then uid.
    bool transfers(qint64 accountId, QVector<TransferRecord> *out);
    bool allTransfers(QVector<TransferRecord> *out);
    bool createTransfer(const TransferRecord &record, const QVector<TransferItem> &items);
    // Every state change is made by the calling process, which becomes the row's owner.
    bool setTransferState(const QString &uid, TransferKind kind, const QString &state);
    bool removeTransfer(const QString &uid, TransferKind kind);
    // Removes the row and its plan unless a process changed its state since `record` was read;
    // true when it was removed.
    bool removeUnchangedTransfer(const TransferRecord &record);
    // Removes the row and its plan and keeps the completion instead, in one transaction.
    bool completeTransfer(const TransferCompletion &done);
    bool completion(const QString &uid, TransferKind kind, TransferCompletion *out);
    bool removeCompletion(const QString &uid, TransferKind kind);
    bool pruneCompletions(qint64 before);
    bool transferItems(const QString &uid, TransferKind kind, QVector<TransferItem> *out);
    bool markDownloadsDone(const QString &uid, const QVector<int> &indexes);
    bool setItemVersion(const QString &uid, TransferKind kind, int index, const QString &version);
    // Records uploaded entries in order, each with its transfer item, in one transaction.
    // A name clash on the top entry is settled by the clash mode; on a failure nothing is kept.
    int commitUploads(const TransferRecord &transfer, QVector<UploadCommit> &commits);
    // For a server backend, whose entries are on the server: marks committed upload items done.
    bool markUploadsDone(const QString &uid, const QVector<UploadCommit> &commits);

    // The ids a server backend gives to server paths ("" is the root, no leading slash). remoteId
    // returns the id of a path, the preferred one (which the server keeps) when given, else the cached
    // one or a new one. Moves and removals carry the paths below a folder along.
    QString remoteId(const QString &path, const QString &preferredId = QString());
    bool remotePath(const QString &id, QString *path);
    bool moveRemotePaths(const QString &from, const QString &to);
    bool forgetRemotePaths(const QString &path);

private:
    DriveStore() = default;
    bool migrate(QString *error);
    bool begin();
    bool commit();
    void rollback();
    bool loadEntry(const QString &fileId, Entry *out);
    bool loadSpace(const char *sql, qint64 key, Space *out);
    bool childByName(const QString &parentId, const QString &name, Entry *out);
    int loadMovable(const Space &space, const QString &fileId, Entry *out);
    QString newId();
    int insertEntry(const Entry &entry, const QString &tags);
    QString freeName(const QString &parentId, const QString &name, bool isDir);
    int addBlobRef(const QString &hash, qint64 size, const QString &stagingPath);
    int dropBlobRef(const QString &hash, QStringList *doomed);
    int removeTree(const QString &fileId, quint64 spaceId, QStringList *doomed);
    int moveToRecycleBin(const Entry &e);
    int commitOne(const TransferRecord &transfer, UploadCommit &c, const Space &space, QStringList *doomed);
    bool removeTransferRow(const QString &uid, TransferKind kind, const TransferRecord *unchanged);

    QString m_root;
    QMutex m_mutex;
    SqliteDb m_db;
};

// Longest name, in UTF-8 bytes, of a cloud entry; also the limit of the local file systems we write to.
constexpr int kMaxNameBytes = 255;

QString caseKey(const QString &name);
// The text cut at a character boundary so that its UTF-8 form has at most maxBytes bytes.
QString truncatedUtf8(QString text, int maxBytes);
// A name a cloud entry may carry: no path separators, no control characters, not "." or "..".
bool isValidCloudName(const QString &name);
// "name (n).ext" for files, "name (n)" for folders: the name given to the n-th copy, the name cut
// short where needed so that it stays within kMaxNameBytes.
QString numberedName(const QString &name, bool isDir, int n);
qint64 nowMs();
// Modification time from stat(2): QFileInfo goes through local time, which costs a time zone check per file.
qint64 modificationTimeMs(const QString &path);
// Moves a file over another atomically: readers see the old or the new file, never none.
bool replaceFile(const QString &from, const QString &to);

// What the drive keeps is its owner's alone, whatever the umask of the process it runs in: folders
// 0700, files 0600, stored content 0400. Modes are set where things are made, and an existing
// folder or file of ours is narrowed when a version before this one left it wider.
bool makePrivateFolder(const QString &path);
bool makePrivateFile(const QString &path);
bool makeStoredFile(const QString &path);

} // namespace TQDrive

#endif
