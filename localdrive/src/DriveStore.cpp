#include "DriveStore.h"

#include "ContentHasher.h"
#include "DriveJson.h"
#include "TQDriveCodes.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRandomGenerator>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TQDrive {

namespace {

constexpr int kSchemaVersion = 5;

bool hashSecrets(SqliteDb &db);

// Each step brings the schema from version (index) to (index + 1): its SQL, then, where SQL alone
// cannot do it, a rewrite of the existing rows in the same transaction.
struct Migration {
    const char *sql;
    bool (*rewrite)(SqliteDb &db);
};

const Migration kMigrations[] = {
    {R"sql(
    CREATE TABLE accounts(id INTEGER PRIMARY KEY, uid TEXT NOT NULL UNIQUE, email TEXT NOT NULL UNIQUE,
        service_state INTEGER NOT NULL DEFAULT 0, dc TEXT NOT NULL DEFAULT 'local-1', created INTEGER NOT NULL);
    CREATE TABLE tokens(token TEXT PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),
        expires_at INTEGER NOT NULL);
    CREATE TABLE spaces(space_id INTEGER PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),
        is_default INTEGER NOT NULL, level INTEGER NOT NULL, level_alias TEXT NOT NULL, name TEXT NOT NULL,
        platform INTEGER NOT NULL, expired_time INTEGER NOT NULL, total_size INTEGER NOT NULL,
        used_size INTEGER NOT NULL, file_size_limit INTEGER NOT NULL, single_file_upload_size INTEGER NOT NULL,
        root_id TEXT NOT NULL);
    CREATE TABLE files(id TEXT PRIMARY KEY, space_id INTEGER NOT NULL, parent_id TEXT NOT NULL, name TEXT NOT NULL,
        name_key TEXT NOT NULL, is_dir INTEGER NOT NULL, size INTEGER NOT NULL, hash TEXT NOT NULL,
        hidden INTEGER NOT NULL, tags TEXT NOT NULL, trashed INTEGER NOT NULL DEFAULT 0,
        blocked INTEGER NOT NULL DEFAULT 0, ctime INTEGER NOT NULL, mtime INTEGER NOT NULL);
    CREATE UNIQUE INDEX files_live_name ON files(parent_id, name_key) WHERE trashed = 0 AND parent_id <> '';
    CREATE INDEX files_parent ON files(parent_id);
    CREATE TABLE blobs(hash TEXT PRIMARY KEY, size INTEGER NOT NULL, refs INTEGER NOT NULL);
    CREATE TABLE shares(id TEXT PRIMARY KEY, file_id TEXT NOT NULL, space_id INTEGER NOT NULL, code TEXT NOT NULL,
        type INTEGER NOT NULL, tags TEXT NOT NULL, created INTEGER NOT NULL, expires_at INTEGER NOT NULL);
    CREATE INDEX shares_file ON shares(file_id);
    CREATE TABLE transfers(uid TEXT NOT NULL, kind INTEGER NOT NULL, account_id INTEGER NOT NULL,
        space_id INTEGER NOT NULL, request TEXT NOT NULL, target TEXT NOT NULL, state TEXT NOT NULL, owner_pid INTEGER NOT NULL,
        clash_mode INTEGER NOT NULL, hidden INTEGER NOT NULL, tags TEXT NOT NULL, created INTEGER NOT NULL,
        PRIMARY KEY(uid, kind));
    CREATE TABLE transfer_items(uid TEXT NOT NULL, kind INTEGER NOT NULL, idx INTEGER NOT NULL,
        parent_idx INTEGER NOT NULL, is_dir INTEGER NOT NULL, source TEXT NOT NULL, target TEXT NOT NULL,
        cloud_path TEXT NOT NULL, size INTEGER NOT NULL, hash TEXT NOT NULL, source_mtime INTEGER NOT NULL,
        done INTEGER NOT NULL, file_id TEXT NOT NULL, PRIMARY KEY(uid, kind, idx));
    )sql",
        nullptr},
    {R"sql(
    CREATE TABLE completed_transfers(uid TEXT NOT NULL, kind INTEGER NOT NULL, account_id INTEGER NOT NULL,
        report TEXT NOT NULL, completed INTEGER NOT NULL, PRIMARY KEY(uid, kind));
    CREATE INDEX completed_transfers_age ON completed_transfers(completed);
    )sql",
        nullptr},
    // Abandoned transfers are dropped by age; a row never touched since it was written is as old as that.
    {R"sql(
    ALTER TABLE transfers ADD COLUMN last_active INTEGER NOT NULL DEFAULT 0;
    UPDATE transfers SET last_active = created;
    )sql",
        nullptr},
    // Whoever reads the database learns no token and no access code: tokens are found by their hash,
    // access codes are checked against a salted one.
    {R"sql(
    CREATE TABLE token_hashes(token_hash TEXT PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),
        expires_at INTEGER NOT NULL);
    ALTER TABLE shares ADD COLUMN code_salt TEXT NOT NULL DEFAULT '';
    ALTER TABLE shares ADD COLUMN code_hash TEXT NOT NULL DEFAULT '';
    )sql",
        hashSecrets},
    // A server backend: the ids it gave to server paths, and the version (ETag) a download was
    // planned against, which its resumed range must still match.
    {R"sql(
    CREATE TABLE remote_ids(id TEXT PRIMARY KEY, path TEXT NOT NULL);
    CREATE UNIQUE INDEX remote_ids_path ON remote_ids(path);
    ALTER TABLE transfer_items ADD COLUMN version TEXT NOT NULL DEFAULT '';
    )sql",
        nullptr},
};
static_assert(sizeof(kMigrations) / sizeof(kMigrations[0]) == kSchemaVersion, "one migration per version");

QString randomHex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(raw.data()), bytes / 4);
    return QString::fromLatin1(raw.toHex());
}

// Tokens are 128 random bits: a plain digest cannot be turned back, and it finds the row directly.
QString tokenHash(const QString &token)
{
    return ContentHasher::hashOf(token.toUtf8());
}

// Access codes are short words people choose and reuse: salted, and slow to try one after another.
constexpr int kCodeHashRounds = 10000;

QString accessCodeHash(const QString &code, const QString &salt)
{
    const QByteArray secret = code.toUtf8();
    const QByteArray rawSalt = QByteArray::fromHex(salt.toLatin1());
    unsigned char digest[32];
    if (PKCS5_PBKDF2_HMAC(secret.constData(), secret.size(),
            reinterpret_cast<const unsigned char *>(rawSalt.constData()), rawSalt.size(), kCodeHashRounds, EVP_sha256(),
            sizeof digest, digest)
        != 1)
        return QString();
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), sizeof digest).toHex());
}

bool hashSecrets(SqliteDb &db)
{
    {
        SqliteStatement tokens(db, "SELECT token, account_id, expires_at FROM tokens");
        SqliteStatement hashed(db, "INSERT INTO token_hashes(token_hash, account_id, expires_at) VALUES(?1, ?2, ?3)");
        while (tokens.next()) {
            hashed.reset();
            hashed.bind(1, tokenHash(tokens.text(0))).bind(2, tokens.int64(1)).bind(3, tokens.int64(2));
            if (!hashed.exec())
                return false;
        }
        if (tokens.failed())
            return false;
    }
    if (!db.exec("DROP TABLE tokens") || !db.exec("ALTER TABLE token_hashes RENAME TO tokens"))
        return false;
    {
        SqliteStatement shares(db, "SELECT id, code FROM shares");
        SqliteStatement hashed(db, "UPDATE shares SET code_salt = ?2, code_hash = ?3 WHERE id = ?1");
        while (shares.next()) {
            const QString salt = randomHex(16);
            const QString hash = accessCodeHash(shares.text(1), salt);
            hashed.reset();
            if (hash.isEmpty() || !hashed.bind(1, shares.text(0)).bind(2, salt).bind(3, hash).exec())
                return false;
        }
        if (shares.failed())
            return false;
    }
    if (!db.exec("ALTER TABLE shares DROP COLUMN code"))
        return false;
    // Unfinished share downloads kept their request as it came, access code included.
    SqliteStatement requests(db, "SELECT uid, kind, request FROM transfers");
    SqliteStatement masked(db, "UPDATE transfers SET request = ?3 WHERE uid = ?1 AND kind = ?2");
    while (requests.next()) {
        const QString request = requests.text(2);
        const QString safe = DriveJson::masked(request);
        if (safe == request)
            continue;
        masked.reset();
        if (!masked.bind(1, requests.text(0)).bind(2, requests.int64(1)).bind(3, safe).exec())
            return false;
    }
    return !requests.failed();
}

// SQLite gives the -wal and -shm files the mode of the database file, so the database file is made
// here, with the owner's mode, before SQLite opens it; older versions' files are narrowed.
bool preparePrivateDatabase(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    ::close(fd);
    for (const char *sidecar : {"-wal", "-shm", "-journal"}) {
        const QString file = path + QLatin1String(sidecar);
        if (QFileInfo::exists(file))
            makePrivateFile(file);
    }
    return true;
}

// Versions before 4 left stored content readable by everyone and staged data with the umask's mode.
void narrowOlderFiles(const QString &root)
{
    for (const QString &folder : {QStringLiteral("/blobs"), QStringLiteral("/staging")}) {
        QDirIterator it(root + folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (it.fileInfo().isDir())
                makePrivateFolder(path);
            else if (folder == QLatin1String("/blobs"))
                makeStoredFile(path);
            else
                makePrivateFile(path);
        }
    }
}

const char kEntryColumns[]
    = "id, space_id, parent_id, name, is_dir, size, hash, hidden, trashed, blocked, ctime, mtime";

void readEntry(const SqliteStatement &q, Entry *e)
{
    e->id = q.text(0);
    e->spaceId = quint64(q.int64(1));
    e->parentId = q.text(2);
    e->name = q.text(3);
    e->isDir = q.int64(4) != 0;
    e->size = q.int64(5);
    e->hash = q.text(6);
    e->hidden = q.int64(7) != 0;
    e->trashed = q.int64(8) != 0;
    e->blocked = q.int64(9) != 0;
    e->ctime = q.int64(10);
    e->mtime = q.int64(11);
}

void readSpace(const SqliteStatement &q, Space *s)
{
    s->spaceId = quint64(q.int64(0));
    s->accountId = q.int64(1);
    s->level = int(q.int64(2));
    s->levelAlias = q.text(3);
    s->name = q.text(4);
    s->platform = int(q.int64(5));
    s->expiredTime = q.int64(6);
    s->totalSize = q.int64(7);
    s->usedSize = q.int64(8);
    s->fileSizeLimit = q.int64(9);
    s->singleFileUploadSize = q.int64(10);
    s->rootId = q.text(11);
}

#define SPACE_COLUMNS                                                                                                  \
    "space_id, account_id, level, level_alias, name, platform, expired_time, total_size, used_size, "                  \
    "file_size_limit, single_file_upload_size, root_id"

// Undoes the blob removals of a rolled-back transaction, or finishes them after a commit.
void settleDoomedBlobs(const QStringList &doomed, bool committed)
{
    for (const QString &path : doomed) {
        const QString parked = path + QStringLiteral(".deleting");
        if (committed)
            QFile::remove(parked);
        else
            QFile::rename(parked, path);
    }
}

} // namespace

bool makePrivateFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        return false;
    // A file system without modes (a FAT stick) refuses them; the folder is usable all the same.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

bool makePrivateFile(const QString &path)
{
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool makeStoredFile(const QString &path)
{
    return QFile::setPermissions(path, QFileDevice::ReadOwner);
}

bool Share::acceptsCode(const QString &code) const
{
    const QByteArray expected = codeHash.toLatin1();
    const QByteArray given = accessCodeHash(code, codeSalt).toLatin1();
    return !expected.isEmpty() && given.size() == expected.size()
        && CRYPTO_memcmp(given.constData(), expected.constData(), size_t(given.size())) == 0;
}

bool replaceFile(const QString &from, const QString &to)
{
    // rename(2) swaps the target in one step; QFile::rename refuses an existing target.
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

qint64 modificationTimeMs(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString caseKey(const QString &name)
{
    return name.toCaseFolded();
}

QString truncatedUtf8(QString text, int maxBytes)
{
    while (!text.isEmpty() && text.toUtf8().size() > maxBytes)
        text.chop(text.size() >= 2 && text.at(text.size() - 1).isLowSurrogate() ? 2 : 1);
    return text;
}

bool isValidCloudName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    if (name.toUtf8().size() > kMaxNameBytes)
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return false;
    }
    return true;
}

bool isValidClashMode(int mode)
{
    return mode == int(ClashMode::Rename) || mode == int(ClashMode::Fail) || mode == int(ClashMode::Merge)
        || mode == int(ClashMode::Replace);
}

qint64 Space::effectiveFileLimit() const
{
    if (fileSizeLimit > 0 && singleFileUploadSize > 0)
        return qMin(fileSizeLimit, singleFileUploadSize);
    return qMax(fileSizeLimit, singleFileUploadSize);
}

std::shared_ptr<DriveStore> DriveStore::open(const QString &root, QString *error)
{
    // Every blob folder exists from the start, so storing content never has to create one.
    bool made = makePrivateFolder(root) && makePrivateFolder(root + QStringLiteral("/staging"))
        && makePrivateFolder(root + QStringLiteral("/blobs"));
    for (int i = 0; made && i < 256; ++i)
        made = makePrivateFolder(root + QStringLiteral("/blobs/%1").arg(i, 2, 16, QLatin1Char('0')));
    if (!made) {
        if (error)
            *error = QStringLiteral("cannot create the drive folder %1").arg(root);
        return nullptr;
    }
    std::shared_ptr<DriveStore> store(new DriveStore);
    store->m_root = QDir(root).absolutePath();
    const QString database = store->m_root + QStringLiteral("/drive.sqlite3");
    if (!preparePrivateDatabase(database)) {
        if (error)
            *error = QStringLiteral("cannot create the database %1").arg(database);
        return nullptr;
    }
    if (!store->m_db.open(database, error))
        return nullptr;
    if (!store->m_db.exec("PRAGMA journal_mode=WAL") || !store->m_db.exec("PRAGMA synchronous=NORMAL")
        || !store->m_db.exec("PRAGMA foreign_keys=ON") || !store->migrate(error)) {
        if (error && error->isEmpty())
            *error = store->m_db.lastError();
        return nullptr;
    }
    return store;
}

DriveStore::~DriveStore() = default;

bool DriveStore::migrate(QString *error)
{
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return false;
    m_db.exec("CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL)");
    int version = 0;
    {
        SqliteStatement q(m_db, "SELECT value FROM meta WHERE key = 'schema_version'");
        if (q.next())
            version = q.text(0).toInt();
    }
    if (version > kSchemaVersion) {
        rollback();
        if (error)
            *error = QStringLiteral("the drive folder was written by a newer version (schema %1)").arg(version);
        return false;
    }
    const bool upgraded = version < kSchemaVersion;
    // Rows rewritten to hide a secret must not leave it behind in the file's free space; afterwards
    // the connection deletes as its SQLite build does by default.
    QByteArray restoreSecureDelete;
    if (upgraded) {
        {
            SqliteStatement q(m_db, "PRAGMA secure_delete");
            restoreSecureDelete = "PRAGMA secure_delete = " + QByteArray::number(q.next() ? q.int64(0) : 0);
        }
        m_db.exec("PRAGMA secure_delete = ON");
    }
    for (; version < kSchemaVersion; ++version) {
        const Migration &step = kMigrations[version];
        if (!m_db.exec(step.sql) || (step.rewrite && !step.rewrite(m_db))) {
            if (error)
                *error = m_db.lastError();
            rollback();
            return false;
        }
    }
    SqliteStatement set(m_db, "INSERT OR REPLACE INTO meta(key, value) VALUES('schema_version', ?1)");
    set.bind(1, QString::number(kSchemaVersion));
    if (!set.exec()) {
        rollback();
        return false;
    }
    if (!commit())
        return false;
    if (upgraded) {
        m_db.exec(restoreSecureDelete.constData());
        // The old pages go from the database file now rather than at some later checkpoint.
        m_db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
        narrowOlderFiles(m_root);
    }
    return true;
}

bool DriveStore::begin()
{
    // IMMEDIATE takes the write lock up front, so a busy peer process makes us wait, never deadlock.
    return m_db.exec("BEGIN IMMEDIATE");
}

bool DriveStore::commit()
{
    if (m_db.exec("COMMIT"))
        return true;
    rollback();
    return false;
}

void DriveStore::rollback()
{
    m_db.exec("ROLLBACK");
}

QString DriveStore::blobPath(const QString &hash) const
{
    return m_root + QStringLiteral("/blobs/") + hash.left(2) + QLatin1Char('/') + hash;
}

QString DriveStore::stagingDir(const QString &uid, TransferKind kind) const
{
    // The uid is the caller's text: its digest makes a safe folder name of fixed length.
    const QByteArray key = QByteArray::number(int(kind)) + ':' + uid.toUtf8();
    return m_root + QStringLiteral("/staging/") + ContentHasher::hashOf(key);
}

QString DriveStore::newId()
{
    return randomHex(8);
}

int DriveStore::createAccount(const QString &email, quint64 spaceId, Account *account, Space *space)
{
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return StorageFailed;
    const qint64 now = nowMs();
    SqliteStatement exists(m_db, "SELECT id FROM accounts WHERE email = ?1");
    exists.bind(1, email);
    if (exists.next()) {
        rollback();
        return NameClash;
    }
    Account a;
    a.uid = QString::number(QRandomGenerator::system()->bounded(100000000, 999999999));
    a.email = email;
    a.dataCenter = QStringLiteral("local-1");
    SqliteStatement ins(m_db, "INSERT INTO accounts(uid, email, service_state, dc, created) VALUES(?1, ?2, 0, ?3, ?4)");
    ins.bind(1, a.uid).bind(2, email).bind(3, a.dataCenter).bind(4, now);
    if (!ins.exec()) {
        rollback();
        return StorageFailed;
    }
    a.id = m_db.lastInsertRowId();

    Space s;
    s.spaceId = spaceId ? spaceId : (QRandomGenerator::system()->generate64() >> 16) + 1;
    s.accountId = a.id;
    s.levelAlias = QStringLiteral("free");
    s.name = QStringLiteral("Default");
    s.platform = 1;
    s.totalSize = qint64(10) << 30;
    s.fileSizeLimit = qint64(4) << 30;
    s.singleFileUploadSize = qint64(4) << 30;
    s.rootId = newId();
    SqliteStatement sp(m_db,
        "INSERT INTO spaces(" SPACE_COLUMNS ", is_default) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, 1)");
    sp.bind(1, qint64(s.spaceId)).bind(2, s.accountId).bind(3, s.level).bind(4, s.levelAlias).bind(5, s.name);
    sp.bind(6, s.platform).bind(7, s.expiredTime).bind(8, s.totalSize).bind(9, s.usedSize);
    sp.bind(10, s.fileSizeLimit).bind(11, s.singleFileUploadSize).bind(12, s.rootId);
    Entry root;
    root.id = s.rootId;
    root.spaceId = s.spaceId;
    root.isDir = true;
    root.ctime = root.mtime = now;
    if (!sp.exec() || insertEntry(root, QStringLiteral("[]")) != Ok || !commit()) {
        rollback();
        return StorageFailed;
    }
    if (account)
        *account = a;
    if (space)
        *space = s;
    return Ok;
}

bool DriveStore::account(qint64 accountId, Account *out)
{
    QMutexLocker lock(&m_mutex);
    SqliteDb::Lease q = m_db.cached("SELECT id, uid, email, service_state, dc FROM accounts WHERE id = ?1");
    q.bind(1, accountId);
    if (!q.next())
        return false;
    out->id = q.int64(0);
    out->uid = q.text(1);
    out->email = q.text(2);
    out->serviceState = ServiceState(q.int64(3));
    out->dataCenter = q.text(4);
    return true;
}

bool DriveStore::accountByEmail(const QString &email, Account *out)
{
    qint64 id = 0;
    {
        QMutexLocker lock(&m_mutex);
        SqliteStatement q(m_db, "SELECT id FROM accounts WHERE email = ?1");
        q.bind(1, email);
        if (!q.next())
            return false;
        id = q.int64(0);
    }
    return account(id, out);
}

QString DriveStore::issueToken(qint64 accountId, qint64 lifetimeMs)
{
    QMutexLocker lock(&m_mutex);
    const QString token = QStringLiteral("tq") + randomHex(16);
    SqliteStatement q(m_db,
        "INSERT INTO tokens(token_hash, account_id, expires_at) "
        "SELECT ?1, id, ?3 FROM accounts WHERE id = ?2");
    q.bind(1, tokenHash(token)).bind(2, accountId).bind(3, lifetimeMs > 0 ? nowMs() + lifetimeMs : qint64(0));
    if (!q.exec() || m_db.changes() != 1)
        return QString();
    return token;
}

bool DriveStore::expireToken(const QString &token)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db, "UPDATE tokens SET expires_at = ?2 WHERE token_hash = ?1");
    q.bind(1, tokenHash(token)).bind(2, nowMs() - 1);
    return q.exec() && m_db.changes() == 1;
}

bool DriveStore::tokenInfo(const QString &token, qint64 *accountId, qint64 *expiresAt)
{
    QMutexLocker lock(&m_mutex);
    SqliteDb::Lease q = m_db.cached("SELECT account_id, expires_at FROM tokens WHERE token_hash = ?1");
    q.bind(1, tokenHash(token));
    if (!q.next())
        return false;
    *accountId = q.int64(0);
    *expiresAt = q.int64(1);
    return true;
}

bool DriveStore::setServiceState(qint64 accountId, ServiceState state, const QString &dataCenter)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db, "UPDATE accounts SET service_state = ?2, dc = ?3 WHERE id = ?1");
    q.bind(1, accountId).bind(2, int(state)).bind(3, dataCenter);
    return q.exec() && m_db.changes() == 1;
}

bool DriveStore::loadSpace(const char *sql, qint64 key, Space *out)
{
    SqliteDb::Lease q = m_db.cached(sql);
    q.bind(1, key);
    if (!q.next())
        return false;
    readSpace(q, out);
    return true;
}

bool DriveStore::defaultSpace(qint64 accountId, Space *out)
{
    QMutexLocker lock(&m_mutex);
    return loadSpace("SELECT " SPACE_COLUMNS " FROM spaces WHERE account_id = ?1 AND is_default = 1", accountId, out);
}

bool DriveStore::space(quint64 spaceId, Space *out)
{
    QMutexLocker lock(&m_mutex);
    return loadSpace("SELECT " SPACE_COLUMNS " FROM spaces WHERE space_id = ?1", qint64(spaceId), out);
}

bool DriveStore::updateSpace(const Space &s)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db,
        "UPDATE spaces SET level = ?2, level_alias = ?3, name = ?4, platform = ?5, "
        "expired_time = ?6, total_size = ?7, file_size_limit = ?8, single_file_upload_size = ?9 "
        "WHERE space_id = ?1");
    q.bind(1, qint64(s.spaceId)).bind(2, s.level).bind(3, s.levelAlias).bind(4, s.name).bind(5, s.platform);
    q.bind(6, s.expiredTime).bind(7, s.totalSize).bind(8, s.fileSizeLimit).bind(9, s.singleFileUploadSize);
    return q.exec() && m_db.changes() == 1;
}

bool DriveStore::usage(quint64 spaceId, qint64 *used, qint64 *total)
{
    QMutexLocker lock(&m_mutex);
    SqliteDb::Lease q = m_db.cached("SELECT used_size, total_size FROM spaces WHERE space_id = ?1");
    q.bind(1, qint64(spaceId));
    if (!q.next())
        return false;
    *used = q.int64(0);
    *total = q.int64(1);
    return true;
}

QString DriveStore::resolveId(const Space &space, const QString &id) const
{
    return id == QLatin1String("root") ? space.rootId : id;
}

bool DriveStore::loadEntry(const QString &fileId, Entry *out)
{
    SqliteDb::Lease q = m_db.cached("SELECT id, space_id, parent_id, name, is_dir, size, hash, hidden, trashed, "
                                    "blocked, ctime, mtime FROM files WHERE id = ?1");
    q.bind(1, fileId);
    if (!q.next())
        return false;
    readEntry(q, out);
    return true;
}

bool DriveStore::entry(const QString &fileId, Entry *out)
{
    QMutexLocker lock(&m_mutex);
    return loadEntry(fileId, out);
}

bool DriveStore::entryInSpace(const Space &space, const QString &fileId, Entry *out)
{
    QMutexLocker lock(&m_mutex);
    return loadEntry(resolveId(space, fileId), out) && out->spaceId == space.spaceId;
}

QString DriveStore::cloudPath(const QString &fileId)
{
    QMutexLocker lock(&m_mutex);
    QStringList parts;
    Entry e;
    QString id = fileId;
    // The depth bound guards against a cycle written into the database by hand.
    for (int depth = 0; depth < 4096 && loadEntry(id, &e) && !e.parentId.isEmpty(); ++depth) {
        parts.prepend(e.name);
        id = e.parentId;
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

bool DriveStore::childByName(const QString &parentId, const QString &name, Entry *out)
{
    SqliteDb::Lease q = m_db.cached("SELECT id, space_id, parent_id, name, is_dir, size, hash, hidden, trashed, "
                                    "blocked, ctime, mtime FROM files "
                                    "WHERE parent_id = ?1 AND name_key = ?2 AND trashed = 0");
    q.bind(1, parentId).bind(2, caseKey(name));
    if (!q.next())
        return false;
    readEntry(q, out);
    return true;
}

int DriveStore::insertEntry(const Entry &e, const QString &tags)
{
    SqliteDb::Lease q = m_db.cached(
        "INSERT INTO files(id, space_id, parent_id, name, name_key, is_dir, size, hash, hidden, tags, trashed, "
        "blocked, ctime, mtime) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, 0, 0, ?11, ?12)");
    q.bind(1, e.id).bind(2, qint64(e.spaceId)).bind(3, e.parentId).bind(4, e.name).bind(5, caseKey(e.name));
    q.bind(6, e.isDir ? 1 : 0).bind(7, e.size).bind(8, e.hash).bind(9, e.hidden ? 1 : 0).bind(10, tags);
    q.bind(11, e.ctime).bind(12, e.mtime);
    return q.exec() ? Ok : StorageFailed;
}

QString numberedName(const QString &name, bool isDir, int n)
{
    const QString number = QStringLiteral(" (%1)").arg(n);
    const int room = kMaxNameBytes - number.toUtf8().size();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (!isDir && dot > 0) {
        // The extension says what the file is, so the base gives way; an extension too long to leave
        // any of the base is cut like the rest of a name without one.
        const QString extension = name.mid(dot);
        const QString base = truncatedUtf8(name.left(dot), room - extension.toUtf8().size());
        if (!base.isEmpty())
            return base + number + extension;
    }
    return truncatedUtf8(name, room) + number;
}

QString DriveStore::freeName(const QString &parentId, const QString &name, bool isDir)
{
    Entry ignored;
    for (int n = 1;; ++n) {
        const QString candidate = numberedName(name, isDir, n);
        if (!childByName(parentId, candidate, &ignored))
            return candidate;
    }
}

int DriveStore::projectRoot(const Space &space, const QString &name, QString *fileId)
{
    return createFolderPath(space, space.rootId, name, false, QStringLiteral("[]"), fileId);
}

int DriveStore::createFolderPath(const Space &space, const QString &parentId, const QString &relativePath, bool hidden,
    const QString &tags, QString *fileId)
{
    const QStringList parts = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return BadName;
    for (const QString &part : parts) {
        if (!isValidCloudName(part))
            return BadName;
    }
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return StorageFailed;
    // Checked inside the transaction: a peer process cannot remove the parent in between.
    Entry parent;
    if (!loadEntry(resolveId(space, parentId), &parent) || parent.spaceId != space.spaceId || parent.trashed
        || !parent.isDir) {
        rollback();
        return ParentNotFound;
    }
    QString current = parent.id;
    const qint64 now = nowMs();
    for (const QString &part : parts) {
        Entry child;
        if (childByName(current, part, &child)) {
            if (!child.isDir) {
                rollback();
                return NameClash;
            }
            current = child.id;
            continue;
        }
        child.id = newId();
        child.spaceId = space.spaceId;
        child.parentId = current;
        child.name = part;
        child.isDir = true;
        child.hidden = hidden;
        child.ctime = child.mtime = now;
        if (insertEntry(child, tags) != Ok) {
            rollback();
            return StorageFailed;
        }
        current = child.id;
    }
    if (!commit())
        return StorageFailed;
    *fileId = current;
    return Ok;
}

int DriveStore::list(const Space &space, const QString &parentId, QVector<Entry> *out)
{
    QMutexLocker lock(&m_mutex);
    Entry parent;
    if (!loadEntry(resolveId(space, parentId), &parent) || parent.spaceId != space.spaceId || parent.trashed)
        return FileNotFound;
    if (!parent.isDir)
        return NotAFolder;
    SqliteDb::Lease q = m_db.cached("SELECT id, space_id, parent_id, name, is_dir, size, hash, hidden, trashed, "
                                    "blocked, ctime, mtime FROM files WHERE parent_id = ?1 AND trashed = 0 "
                                    "ORDER BY is_dir DESC, name_key");
    q.bind(1, parent.id);
    while (q.next()) {
        Entry e;
        readEntry(q, &e);
        out->append(e);
    }
    return q.failed() ? StorageFailed : Ok;
}

int DriveStore::search(
    const Space &space, const QString &parentId, const QString &type, const QStringList &names, QVector<Entry> *out)
{
    QMutexLocker lock(&m_mutex);
    QString parent;
    if (!parentId.isEmpty()) {
        Entry p;
        if (!loadEntry(resolveId(space, parentId), &p) || p.spaceId != space.spaceId || p.trashed || !p.isDir)
            return ParentNotFound;
        parent = p.id;
    }
    const int wantDir = type == QLatin1String("folder") ? 1 : type == QLatin1String("file") ? 0 : -1;
    SqliteDb::Lease q = m_db.cached(
        "SELECT id, space_id, parent_id, name, is_dir, size, hash, hidden, trashed, blocked, ctime, mtime FROM files "
        "WHERE space_id = ?1 AND name_key = ?2 AND trashed = 0 AND (?3 = '' OR parent_id = ?3) "
        "AND (?4 < 0 OR is_dir = ?4) AND parent_id <> '' ORDER BY name_key, id");
    for (const QString &name : names) {
        q.reset();
        q.bind(1, qint64(space.spaceId)).bind(2, caseKey(name)).bind(3, parent).bind(4, wantDir);
        while (q.next()) {
            Entry e;
            readEntry(q, &e);
            out->append(e);
        }
        if (q.failed())
            return StorageFailed;
    }
    return Ok;
}

int DriveStore::rename(const Space &space, const QString &fileId, const QString &newName)
{
    if (!isValidCloudName(newName))
        return BadName;
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return StorageFailed;
    Entry e;
    Entry other;
    int code = loadMovable(space, fileId, &e);
    if (code == Ok && e.trashed)
        code = FileNotFound;
    if (code == Ok && childByName(e.parentId, newName, &other) && other.id != e.id)
        code = NameClash;
    if (code == Ok) {
        SqliteStatement q(m_db, "UPDATE files SET name = ?2, name_key = ?3, mtime = ?4 WHERE id = ?1");
        q.bind(1, e.id).bind(2, newName).bind(3, caseKey(newName)).bind(4, nowMs());
        code = q.exec() ? Ok : StorageFailed;
    }
    if (code != Ok || !commit()) {
        rollback();
        return code != Ok ? code : StorageFailed;
    }
    return Ok;
}

int DriveStore::moveToRecycleBin(const Entry &e)
{
    // What lies inside goes with it (marked 2), so no path, search or share reaches it any more.
    SqliteDb::Lease inside = m_db.cached("WITH RECURSIVE sub(id) AS (SELECT id FROM files WHERE parent_id = ?1 "
                                         "UNION ALL SELECT f.id FROM files f JOIN sub ON f.parent_id = sub.id) "
                                         "UPDATE files SET trashed = 2 WHERE id IN sub");
    inside.bind(1, e.id);
    SqliteDb::Lease q = m_db.cached("UPDATE files SET trashed = 1, mtime = ?2 WHERE id = ?1");
    q.bind(1, e.id).bind(2, nowMs());
    return inside.exec() && q.exec() ? Ok : StorageFailed;
}

bool DriveStore::hasChild(const QString &parentId, const QString &name)
{
    QMutexLocker lock(&m_mutex);
    Entry ignored;
    return childByName(parentId, name, &ignored);
}

int DriveStore::loadMovable(const Space &space, const QString &fileId, Entry *e)
{
    if (!loadEntry(resolveId(space, fileId), e) || e->spaceId != space.spaceId)
        return FileNotFound;
    return e->parentId.isEmpty() ? BadArgument : Ok; // the root folder stays where it is
}

int DriveStore::recycle(const Space &space, const QString &fileId)
{
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return StorageFailed;
    Entry e;
    int code = loadMovable(space, fileId, &e);
    if (code != Ok || e.trashed) {
        rollback();
        return code;
    }
    code = moveToRecycleBin(e);
    if (code != Ok || !commit()) {
        rollback();
        return StorageFailed;
    }
    return Ok;
}

int DriveStore::dropBlobRef(const QString &hash, QStringList *doomed)
{
    SqliteDb::Lease dec = m_db.cached("UPDATE blobs SET refs = refs - 1 WHERE hash = ?1");
    dec.bind(1, hash);
    if (!dec.exec())
        return StorageFailed;
    SqliteDb::Lease gone = m_db.cached("DELETE FROM blobs WHERE hash = ?1 AND refs <= 0");
    gone.bind(1, hash);
    if (!gone.exec())
        return StorageFailed;
    if (m_db.changes() > 0) {
        // Parked, not deleted: a rollback must be able to bring the content back.
        const QString path = blobPath(hash);
        if (QFile::rename(path, path + QStringLiteral(".deleting")))
            doomed->append(path);
    }
    return Ok;
}

int DriveStore::addBlobRef(const QString &hash, qint64 size, const QString &stagingPath)
{
    SqliteDb::Lease inc = m_db.cached("UPDATE blobs SET refs = refs + 1 WHERE hash = ?1");
    inc.bind(1, hash);
    if (!inc.exec())
        return StorageFailed;
    const bool known = m_db.changes() > 0;
    // The staged copy was hashed just now, so it replaces the stored one even when the content is
    // known: a damaged or lost blob heals on the next upload of the same content, and readers that
    // have the old file open keep reading it. The rename happens while this process holds the
    // database write lock, so a peer cannot be deleting the same blob meanwhile.
    const QString path = blobPath(hash);
    if (!replaceFile(stagingPath, path)) {
        if (!known)
            return StorageFailed;
        QFile::remove(stagingPath);
    }
    // Stored content is never written again; its file is handed out as a thumbnail address too.
    makeStoredFile(path);
    if (known)
        return Ok;
    SqliteDb::Lease ins = m_db.cached("INSERT OR IGNORE INTO blobs(hash, size, refs) VALUES(?1, ?2, 1)");
    ins.bind(1, hash).bind(2, size);
    return ins.exec() ? Ok : StorageFailed;
}

int DriveStore::removeTree(const QString &fileId, quint64 spaceId, QStringList *doomed)
{
    struct Row {
        QString id;
        bool isDir;
        qint64 size;
        QString hash;
    };
    QVector<Row> rows;
    {
        SqliteStatement q(m_db,
            "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
            "SELECT f.id FROM files f JOIN sub ON f.parent_id = sub.id) "
            "SELECT f.id, f.is_dir, f.size, f.hash FROM files f JOIN sub ON f.id = sub.id");
        q.bind(1, fileId);
        while (q.next())
            rows.append({q.text(0), q.int64(1) != 0, q.int64(2), q.text(3)});
        if (q.failed())
            return StorageFailed;
    }
    qint64 freed = 0;
    for (const Row &row : rows) {
        if (!row.isDir) {
            freed += row.size;
            if (dropBlobRef(row.hash, doomed) != Ok)
                return StorageFailed;
        }
        SqliteDb::Lease del = m_db.cached("DELETE FROM files WHERE id = ?1");
        del.bind(1, row.id);
        SqliteDb::Lease delShares = m_db.cached("DELETE FROM shares WHERE file_id = ?1");
        delShares.bind(1, row.id);
        if (!del.exec() || !delShares.exec())
            return StorageFailed;
    }
    SqliteDb::Lease used = m_db.cached("UPDATE spaces SET used_size = MAX(0, used_size - ?2) WHERE space_id = ?1");
    used.bind(1, qint64(spaceId)).bind(2, freed);
    return used.exec() ? Ok : StorageFailed;
}

int DriveStore::remove(const Space &space, const QString &fileId)
{
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return StorageFailed;
    Entry e;
    int code = loadMovable(space, fileId, &e);
    if (code != Ok) {
        rollback();
        return code;
    }
    QStringList doomed;
    code = removeTree(e.id, space.spaceId, &doomed);
    const bool committed = code == Ok && commit();
    if (code != Ok)
        rollback();
    settleDoomedBlobs(doomed, committed);
    return committed ? Ok : StorageFailed;
}

bool DriveStore::setBlocked(const QString &fileId, bool blocked)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db, "UPDATE files SET blocked = ?2 WHERE id = ?1");
    q.bind(1, fileId).bind(2, blocked ? 1 : 0);
    return q.exec() && m_db.changes() == 1;
}

int DriveStore::createShare(const Space &space, const QString &fileId, const QString &accessCode,
    qint64 expiresInSeconds, int type, const QString &tags, Share *out)
{
    QMutexLocker lock(&m_mutex);
    Entry e;
    if (!loadEntry(resolveId(space, fileId), &e) || e.spaceId != space.spaceId || e.trashed)
        return FileNotFound;
    if (e.parentId.isEmpty())
        return BadArgument;
    if (e.blocked)
        return FileBlocked;
    Share s;
    s.id = randomHex(8);
    s.fileId = e.id;
    s.spaceId = space.spaceId;
    s.codeSalt = randomHex(16);
    s.codeHash = accessCodeHash(accessCode, s.codeSalt);
    s.type = type;
    s.createdAt = nowMs();
    s.expiresAt = expiresInSeconds > 0 ? s.createdAt + expiresInSeconds * 1000 : 0;
    SqliteStatement q(m_db,
        "INSERT INTO shares(id, file_id, space_id, code_salt, code_hash, type, tags, created, expires_at) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    q.bind(1, s.id).bind(2, s.fileId).bind(3, qint64(s.spaceId)).bind(4, s.codeSalt).bind(5, s.codeHash);
    q.bind(6, s.type).bind(7, tags).bind(8, s.createdAt).bind(9, s.expiresAt);
    if (s.codeHash.isEmpty() || !q.exec())
        return StorageFailed;
    *out = s;
    return Ok;
}

bool DriveStore::share(const QString &id, Share *out)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db,
        "SELECT id, file_id, space_id, code_salt, code_hash, type, created, expires_at FROM shares WHERE id = ?1");
    q.bind(1, id);
    if (!q.next())
        return false;
    out->id = q.text(0);
    out->fileId = q.text(1);
    out->spaceId = quint64(q.int64(2));
    out->codeSalt = q.text(3);
    out->codeHash = q.text(4);
    out->type = int(q.int64(5));
    out->createdAt = q.int64(6);
    out->expiresAt = q.int64(7);
    return true;
}

#define TRANSFER_COLUMNS                                                                                               \
    "uid, kind, account_id, space_id, request, state, owner_pid, clash_mode, hidden, tags, target, last_active"

namespace {

void readTransfer(const SqliteStatement &q, TransferRecord *out)
{
    out->uid = q.text(0);
    out->kind = TransferKind(q.int64(1));
    out->accountId = q.int64(2);
    out->spaceId = quint64(q.int64(3));
    out->request = q.text(4);
    out->state = q.text(5);
    out->ownerPid = q.int64(6);
    out->clashMode = int(q.int64(7));
    out->hidden = q.int64(8) != 0;
    out->tags = q.text(9);
    out->target = q.text(10);
    out->lastActive = q.int64(11);
}

bool readTransfers(SqliteStatement &q, QVector<TransferRecord> *out)
{
    while (q.next()) {
        TransferRecord r;
        readTransfer(q, &r);
        out->append(r);
    }
    return !q.failed();
}

} // namespace

bool DriveStore::transfer(const QString &uid, TransferKind kind, TransferRecord *out)
{
    QMutexLocker lock(&m_mutex);
    SqliteDb::Lease q = m_db.cached("SELECT " TRANSFER_COLUMNS " FROM transfers WHERE uid = ?1 AND kind = ?2");
    q.bind(1, uid).bind(2, int(kind));
    if (!q.next())
        return false;
    readTransfer(q, out);
    return true;
}

bool DriveStore::transfers(qint64 accountId, QVector<TransferRecord> *out)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(
        m_db, "SELECT " TRANSFER_COLUMNS " FROM transfers WHERE account_id IN (?1, 0) ORDER BY kind, uid");
    q.bind(1, accountId);
    return readTransfers(q, out);
}

bool DriveStore::allTransfers(QVector<TransferRecord> *out)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db, "SELECT " TRANSFER_COLUMNS " FROM transfers ORDER BY kind, uid");
    return readTransfers(q, out);
}

bool DriveStore::createTransfer(const TransferRecord &r, const QVector<TransferItem> &items)
{
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return false;
    SqliteStatement q(m_db,
        "INSERT INTO transfers(uid, kind, account_id, space_id, request, state, owner_pid, "
        "clash_mode, hidden, tags, created, target, last_active) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?11)");
    // The request is kept for reading, not for running: without the secrets it was sent with.
    q.bind(1, r.uid).bind(2, int(r.kind)).bind(3, r.accountId).bind(4, qint64(r.spaceId));
    q.bind(5, DriveJson::masked(r.request));
    q.bind(6, r.state).bind(7, r.ownerPid).bind(8, r.clashMode).bind(9, r.hidden ? 1 : 0).bind(10, r.tags);
    q.bind(11, nowMs()).bind(12, r.target);
    // A new transfer under the uid of a finished one is a new transfer: a resume must not answer the old one.
    SqliteStatement forget(m_db, "DELETE FROM completed_transfers WHERE uid = ?1 AND kind = ?2");
    forget.bind(1, r.uid).bind(2, int(r.kind));
    bool ok = q.exec() && forget.exec();
    SqliteStatement item(m_db,
        "INSERT INTO transfer_items(uid, kind, idx, parent_idx, is_dir, source, target, "
        "cloud_path, size, hash, source_mtime, done, file_id, version) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    for (const TransferItem &it : items) {
        if (!ok)
            break;
        item.reset();
        item.bind(1, r.uid).bind(2, int(r.kind)).bind(3, it.index).bind(4, it.parentIndex).bind(5, it.isDir ? 1 : 0);
        item.bind(6, it.source).bind(7, it.target).bind(8, it.cloudPath).bind(9, it.size).bind(10, it.hash);
        item.bind(11, it.sourceMtime).bind(12, it.done ? 1 : 0).bind(13, it.fileId).bind(14, it.version);
        ok = item.exec();
    }
    if (!ok) {
        rollback();
        return false;
    }
    return commit();
}

bool DriveStore::setTransferState(const QString &uid, TransferKind kind, const QString &state)
{
    QMutexLocker lock(&m_mutex);
    SqliteDb::Lease q
        = m_db.cached("UPDATE transfers SET state = ?3, owner_pid = ?4, last_active = ?5 WHERE uid = ?1 AND kind = ?2");
    q.bind(1, uid).bind(2, int(kind)).bind(3, state).bind(4, qint64(::getpid())).bind(5, nowMs());
    return q.exec() && m_db.changes() == 1;
}

bool DriveStore::removeTransferRow(const QString &uid, TransferKind kind, const TransferRecord *unchanged)
{
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return false;
    SqliteStatement t(m_db,
        "DELETE FROM transfers WHERE uid = ?1 AND kind = ?2 "
        "AND (?3 = 0 OR (state = ?4 AND owner_pid = ?5 AND last_active = ?6))");
    t.bind(1, uid).bind(2, int(kind)).bind(3, unchanged ? 1 : 0);
    t.bind(4, unchanged ? unchanged->state : QString()).bind(5, unchanged ? unchanged->ownerPid : 0);
    t.bind(6, unchanged ? unchanged->lastActive : 0);
    if (!t.exec()) {
        rollback();
        return false;
    }
    const bool removed = m_db.changes() > 0;
    // The plan goes with its row only: a peer that took the transfer up meanwhile still needs it.
    SqliteStatement items(m_db, "DELETE FROM transfer_items WHERE uid = ?1 AND kind = ?2");
    items.bind(1, uid).bind(2, int(kind));
    if ((removed || !unchanged) && !items.exec()) {
        rollback();
        return false;
    }
    return commit() && removed;
}

bool DriveStore::removeTransfer(const QString &uid, TransferKind kind)
{
    return removeTransferRow(uid, kind, nullptr);
}

bool DriveStore::removeUnchangedTransfer(const TransferRecord &record)
{
    return removeTransferRow(record.uid, record.kind, &record);
}

bool DriveStore::completeTransfer(const TransferCompletion &done)
{
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return false;
    SqliteStatement items(m_db, "DELETE FROM transfer_items WHERE uid = ?1 AND kind = ?2");
    items.bind(1, done.uid).bind(2, int(done.kind));
    SqliteStatement t(m_db, "DELETE FROM transfers WHERE uid = ?1 AND kind = ?2");
    t.bind(1, done.uid).bind(2, int(done.kind));
    SqliteStatement record(m_db,
        "INSERT OR REPLACE INTO completed_transfers(uid, kind, account_id, report, completed) "
        "VALUES(?1, ?2, ?3, ?4, ?5)");
    record.bind(1, done.uid).bind(2, int(done.kind)).bind(3, done.accountId).bind(4, done.report);
    record.bind(5, done.completedAt);
    if (!items.exec() || !t.exec() || !record.exec()) {
        rollback();
        return false;
    }
    return commit();
}

bool DriveStore::completion(const QString &uid, TransferKind kind, TransferCompletion *out)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(
        m_db, "SELECT account_id, report, completed FROM completed_transfers WHERE uid = ?1 AND kind = ?2");
    q.bind(1, uid).bind(2, int(kind));
    if (!q.next())
        return false;
    out->uid = uid;
    out->kind = kind;
    out->accountId = q.int64(0);
    out->report = q.text(1);
    out->completedAt = q.int64(2);
    return true;
}

bool DriveStore::removeCompletion(const QString &uid, TransferKind kind)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db, "DELETE FROM completed_transfers WHERE uid = ?1 AND kind = ?2");
    q.bind(1, uid).bind(2, int(kind));
    return q.exec();
}

bool DriveStore::pruneCompletions(qint64 before)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db, "DELETE FROM completed_transfers WHERE completed < ?1");
    q.bind(1, before);
    return q.exec();
}

bool DriveStore::transferItems(const QString &uid, TransferKind kind, QVector<TransferItem> *out)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db,
        "SELECT idx, parent_idx, is_dir, source, target, cloud_path, size, hash, source_mtime, "
        "done, file_id, version FROM transfer_items WHERE uid = ?1 AND kind = ?2 ORDER BY idx");
    q.bind(1, uid).bind(2, int(kind));
    while (q.next()) {
        TransferItem it;
        it.index = int(q.int64(0));
        it.parentIndex = int(q.int64(1));
        it.isDir = q.int64(2) != 0;
        it.source = q.text(3);
        it.target = q.text(4);
        it.cloudPath = q.text(5);
        it.size = q.int64(6);
        it.hash = q.text(7);
        it.sourceMtime = q.int64(8);
        it.done = q.int64(9) != 0;
        it.fileId = q.text(10);
        it.version = q.text(11);
        out->append(it);
    }
    return !q.failed();
}

bool DriveStore::markDownloadsDone(const QString &uid, const QVector<int> &indexes)
{
    if (indexes.isEmpty())
        return true;
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return false;
    SqliteDb::Lease q = m_db.cached("UPDATE transfer_items SET done = 1 WHERE uid = ?1 AND kind = 2 AND idx = ?2");
    for (int index : indexes) {
        q.reset();
        q.bind(1, uid).bind(2, index);
        if (!q.exec()) {
            rollback();
            return false;
        }
    }
    return commit();
}

int DriveStore::commitOne(const TransferRecord &transfer, UploadCommit &c, const Space &space, QStringList *doomed)
{
    Entry parent;
    if (!loadEntry(c.parentId, &parent) || parent.spaceId != space.spaceId || parent.trashed || !parent.isDir)
        return ParentNotFound;
    const ClashMode mode = c.top ? ClashMode(transfer.clashMode) : ClashMode::Merge;
    Entry existing;
    const bool clash = childByName(c.parentId, c.name, &existing);
    QString name = c.name;
    bool reuse = false; // a folder merged into, or a file replaced in place
    if (clash) {
        switch (mode) {
        case ClashMode::Fail:
            return NameClash;
        case ClashMode::Replace:
            if (moveToRecycleBin(existing) != Ok)
                return StorageFailed;
            break;
        case ClashMode::Merge:
            if (existing.isDir == c.isDir && !existing.blocked) {
                reuse = true;
                break;
            }
            name = freeName(c.parentId, c.name, c.isDir);
            break;
        case ClashMode::Rename:
            name = freeName(c.parentId, c.name, c.isDir);
            break;
        }
    }
    const qint64 now = nowMs();
    if (c.isDir) {
        c.fileId = reuse ? existing.id : newId();
    } else {
        const qint64 limit = space.effectiveFileLimit();
        if (limit > 0 && c.size > limit)
            return FileTooLarge;
        SqliteDb::Lease usage = m_db.cached("SELECT used_size, total_size FROM spaces WHERE space_id = ?1");
        usage.bind(1, qint64(space.spaceId));
        if (!usage.next())
            return StorageFailed;
        const qint64 used = usage.int64(0);
        const qint64 total = usage.int64(1);
        const qint64 delta = c.size - (reuse ? existing.size : 0);
        if (total > 0 && used + delta > total)
            return QuotaExceeded;
        if (addBlobRef(c.hash, c.size, c.stagingPath) != Ok)
            return StorageFailed;
        if (reuse) {
            // Taken after the new reference, so identical content is never dropped to zero in between.
            if (dropBlobRef(existing.hash, doomed) != Ok)
                return StorageFailed;
            SqliteDb::Lease upd = m_db.cached("UPDATE files SET size = ?2, hash = ?3, mtime = ?4 WHERE id = ?1");
            upd.bind(1, existing.id).bind(2, c.size).bind(3, c.hash).bind(4, now);
            if (!upd.exec())
                return StorageFailed;
            c.fileId = existing.id;
        } else {
            c.fileId = newId();
        }
        SqliteDb::Lease grow = m_db.cached("UPDATE spaces SET used_size = used_size + ?2 WHERE space_id = ?1");
        grow.bind(1, qint64(space.spaceId)).bind(2, delta);
        if (!grow.exec())
            return StorageFailed;
    }
    if (!reuse) {
        Entry e;
        e.id = c.fileId;
        e.spaceId = space.spaceId;
        e.parentId = c.parentId;
        e.name = name;
        e.isDir = c.isDir;
        e.size = c.isDir ? 0 : c.size;
        e.hash = c.isDir ? QString() : c.hash;
        e.hidden = transfer.hidden;
        e.ctime = e.mtime = now;
        if (insertEntry(e, c.top ? transfer.tags : QStringLiteral("[]")) != Ok)
            return StorageFailed;
    }
    c.finalName = reuse ? existing.name : name;
    c.cloudPath = (c.parentCloudPath == QLatin1String("/") ? QString() : c.parentCloudPath) + QLatin1Char('/')
        + c.finalName + (c.isDir ? QStringLiteral("/") : QString());
    SqliteDb::Lease done = m_db.cached("UPDATE transfer_items SET done = 1, file_id = ?4, cloud_path = ?5 "
                                       "WHERE uid = ?1 AND kind = ?2 AND idx = ?3");
    done.bind(1, transfer.uid).bind(2, int(TransferKind::Upload)).bind(3, c.index).bind(4, c.fileId);
    done.bind(5, c.cloudPath);
    return done.exec() ? Ok : StorageFailed;
}

int DriveStore::commitUploads(const TransferRecord &transfer, QVector<UploadCommit> &commits)
{
    if (commits.isEmpty())
        return Ok;
    QMutexLocker lock(&m_mutex);
    Space s;
    if (!loadSpace("SELECT " SPACE_COLUMNS " FROM spaces WHERE space_id = ?1", qint64(transfer.spaceId), &s))
        return WrongSpace;
    if (!begin())
        return StorageFailed;
    QStringList doomed;
    int code = Ok;
    for (UploadCommit &c : commits) {
        code = commitOne(transfer, c, s, &doomed);
        if (code != Ok)
            break;
    }
    const bool committed = code == Ok && commit();
    if (code != Ok)
        rollback();
    settleDoomedBlobs(doomed, committed);
    if (code == Ok && !committed)
        code = StorageFailed;
    return code;
}

bool DriveStore::setItemVersion(const QString &uid, TransferKind kind, int index, const QString &version)
{
    QMutexLocker lock(&m_mutex);
    SqliteDb::Lease q = m_db.cached("UPDATE transfer_items SET version = ?4 WHERE uid = ?1 AND kind = ?2 AND idx = ?3");
    q.bind(1, uid).bind(2, int(kind)).bind(3, index).bind(4, version);
    return q.exec();
}

bool DriveStore::markUploadsDone(const QString &uid, const QVector<UploadCommit> &commits)
{
    if (commits.isEmpty())
        return true;
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return false;
    SqliteDb::Lease q = m_db.cached("UPDATE transfer_items SET done = 1, file_id = ?3, cloud_path = ?4, hash = ?5, "
                                    "size = ?6 WHERE uid = ?1 AND kind = 1 AND idx = ?2");
    for (const UploadCommit &c : commits) {
        q.reset();
        q.bind(1, uid).bind(2, c.index).bind(3, c.fileId).bind(4, c.cloudPath).bind(5, c.hash).bind(6, c.size);
        if (!q.exec()) {
            rollback();
            return false;
        }
    }
    return commit();
}

QString DriveStore::remoteId(const QString &path, const QString &preferredId)
{
    QMutexLocker lock(&m_mutex);
    SqliteDb::Lease find = m_db.cached("SELECT id FROM remote_ids WHERE path = ?1");
    find.bind(1, path);
    if (find.next()) {
        const QString known = find.text(0);
        if (preferredId.isEmpty() || preferredId == known)
            return known;
    }
    find.reset();
    const QString id = preferredId.isEmpty() ? newId() : preferredId;
    // The id the server keeps wins: whatever path or id the cache held for either is outdated.
    SqliteDb::Lease drop = m_db.cached("DELETE FROM remote_ids WHERE path = ?1 OR id = ?2");
    drop.bind(1, path).bind(2, id);
    SqliteDb::Lease add = m_db.cached("INSERT INTO remote_ids(id, path) VALUES(?1, ?2)");
    add.bind(1, id).bind(2, path);
    return drop.exec() && add.exec() ? id : QString();
}

bool DriveStore::remotePath(const QString &id, QString *path)
{
    QMutexLocker lock(&m_mutex);
    SqliteDb::Lease q = m_db.cached("SELECT path FROM remote_ids WHERE id = ?1");
    q.bind(1, id);
    if (!q.next())
        return false;
    *path = q.text(0);
    return true;
}

bool DriveStore::moveRemotePaths(const QString &from, const QString &to)
{
    QMutexLocker lock(&m_mutex);
    if (!begin())
        return false;
    // What already sat at the target is gone from the server: its ids lose their paths.
    SqliteStatement clear(
        m_db, "DELETE FROM remote_ids WHERE path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || '/'");
    clear.bind(1, to);
    SqliteStatement move(m_db,
        "UPDATE remote_ids SET path = ?2 || substr(path, length(?1) + 1) "
        "WHERE path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || '/'");
    move.bind(1, from).bind(2, to);
    if (!clear.exec() || !move.exec()) {
        rollback();
        return false;
    }
    return commit();
}

bool DriveStore::forgetRemotePaths(const QString &path)
{
    QMutexLocker lock(&m_mutex);
    SqliteStatement q(m_db, "DELETE FROM remote_ids WHERE path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || '/'");
    q.bind(1, path);
    return q.exec();
}

} // namespace TQDrive
