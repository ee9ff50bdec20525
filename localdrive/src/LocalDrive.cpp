#include "LocalDrive.h"

#include "ContentHasher.h"
#include "CredentialStore.h"
#include "DriveJson.h"
#include "LocalCatalog.h"
#include "LocalContent.h"
#include "TQDriveCodes.h"
#include "TransferJob.h"
#include "WebDavContent.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QTextStream>
#include <QUuid>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace TQDrive {

using namespace DriveJson;

namespace {

constexpr int kTransferThreads = 3;
constexpr int kStopWaitMs = 15000;
constexpr int kMaxTreeDepth = 256;
constexpr int kMaxUidLength = 256;
constexpr qint64 kMaxShareSeconds = qint64(100) * 366 * 24 * 3600;
// A client that was away longer than this starts over rather than learn how its transfer ended.
constexpr qint64 kCompletionKeepMs = qint64(30) * 24 * 3600 * 1000;
// Unfinished transfers nobody took up for as long are given up: their staged data only fills the disk.
constexpr qint64 kAbandonedAfterMs = qint64(30) * 24 * 3600 * 1000;
// A staging folder without a row is what a crash between two steps leaves. A young one is spared: its
// row may be on its way in another process.
constexpr qint64 kOrphanStagingMs = qint64(24) * 3600 * 1000;

// A uid names one transfer: once it completed, starting it again is resuming it, which tells the
// completion again. A client that missed the final report (it quit that moment) and starts the
// transfer afresh would otherwise store the item a second time.
bool completedFor(DriveStore &store, const QString &uid, TransferKind kind, qint64 accountId)
{
    TransferCompletion done;
    return store.completion(uid, kind, &done) && done.accountId == accountId;
}

thread_local bool t_onLibraryThread = false;

QString jobKey(const QString &uid, TransferKind kind)
{
    return QString::number(int(kind)) + QLatin1Char(':') + uid;
}

bool pidAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Local file names may hold what a cloud name may not, and cloud names read back from a
// tampered database may hold anything: both sides map to a single safe path component.
QString safeComponent(const QString &name)
{
    QString out = name;
    for (QChar &c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('/') || c == QLatin1Char('\\'))
            c = QLatin1Char('_');
    }
    if (out.isEmpty() || out == QLatin1String(".") || out == QLatin1String(".."))
        out = QStringLiteral("_");
    return truncatedUtf8(out, kMaxNameBytes);
}

bool isInside(const QString &folder, const QString &path)
{
    const QString base = QDir::cleanPath(folder) + QLatin1Char('/');
    return QDir::cleanPath(path).startsWith(base);
}

QString freeLocalPath(const QString &folder, const QString &name, bool isDir)
{
    for (int n = 1;; ++n) {
        const QString candidate = folder + QLatin1Char('/') + numberedName(name, isDir, n);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

int readClashMode(const QJsonObject &item, int *mode)
{
    *mode = int(ClashMode::Rename);
    if (!item.contains(QLatin1String("check_name_mode")))
        return Ok;
    qint64 value = 0;
    if (!readInteger(item, "check_name_mode", &value) || value < 0 || value > 255 || !isValidClashMode(int(value)))
        return BadArgument;
    *mode = int(value);
    return Ok;
}

QJsonObject spaceJson(const Space &s)
{
    return QJsonObject{{QStringLiteral("space_id"), exactNumber(s.spaceId)}, {QStringLiteral("is_default"), 1},
        {QStringLiteral("level"), s.level}, {QStringLiteral("level_alias"), s.levelAlias},
        {QStringLiteral("name"), s.name}, {QStringLiteral("platform"), s.platform},
        {QStringLiteral("expired_time"), s.expiredTime}, {QStringLiteral("used_size"), s.usedSize},
        {QStringLiteral("total_size"), s.totalSize}, {QStringLiteral("file_size_limit"), s.fileSizeLimit},
        {QStringLiteral("single_file_upload_size"), s.singleFileUploadSize}};
}

bool isImageName(const QString &name)
{
    static const QStringList suffixes{QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
        QStringLiteral("bmp"), QStringLiteral("gif"), QStringLiteral("webp")};
    return suffixes.contains(QFileInfo(name).suffix().toLower());
}

} // namespace

LocalDrive::LibraryThreadScope::LibraryThreadScope()
{
    t_onLibraryThread = true;
}

LocalDrive::LibraryThreadScope::~LibraryThreadScope()
{
    t_onLibraryThread = false;
}

LocalDrive &LocalDrive::instance()
{
    static LocalDrive drive;
    return drive;
}

LocalDrive::LocalDrive() = default;

LocalDrive::~LocalDrive()
{
    // The process is ending: transfers must not run on into destroyed statics.
    uninit();
}

QString LocalDrive::driveRoot() const
{
    QMutexLocker lock(&m_mutex);
    if (!m_rootOverride.isEmpty())
        return m_rootOverride;
    const QString env = qEnvironmentVariable("TQDRIVE_ROOT");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tqdrive");
}

void LocalDrive::setDriveRoot(const QString &folder)
{
    QMutexLocker lock(&m_mutex);
    m_rootOverride = folder;
    m_adminStore.reset();
}

std::shared_ptr<DriveStore> LocalDrive::adminStore()
{
    const QString root = QDir(driveRoot()).absolutePath();
    QMutexLocker lock(&m_mutex);
    if (m_store && m_store->root() == root)
        return m_store;
    if (!m_adminStore || m_adminStore->root() != root) {
        QString error;
        m_adminStore = DriveStore::open(root, &error);
    }
    return m_adminStore;
}

std::shared_ptr<DriveStore> LocalDrive::store() const
{
    QMutexLocker lock(&m_mutex);
    return m_initialized ? m_store : nullptr;
}

std::shared_ptr<DriveCatalog> LocalDrive::catalog() const
{
    QMutexLocker lock(&m_mutex);
    return m_initialized ? m_catalog : nullptr;
}

std::shared_ptr<DriveContent> LocalDrive::content() const
{
    QMutexLocker lock(&m_mutex);
    return m_initialized ? m_content : nullptr;
}

QThreadPool *LocalDrive::hashPool() const
{
    QMutexLocker lock(&m_mutex);
    return m_hashPool;
}

bool LocalDrive::isInitialized() const
{
    QMutexLocker lock(&m_mutex);
    return m_initialized;
}

void LocalDrive::logLine(const QString &line)
{
    QString path;
    {
        QMutexLocker lock(&m_mutex);
        path = m_logPath;
    }
    if (path.isEmpty())
        return;
    QMutexLocker lock(&m_logMutex);
    QFile file(path + QStringLiteral("/tqcorekit.log"));
    if (file.open(QIODevice::Append | QIODevice::Text)) {
        makePrivateFile(file.fileName());
        QTextStream(&file) << QDateTime::currentDateTime().toString(Qt::ISODateWithMs) << ' ' << DriveJson::masked(line)
                           << '\n';
    }
}

int LocalDrive::init(const QJsonObject &request)
{
    QString productName;
    if (!readOptionalString(request, "pname", &productName))
        return BadArgument;
    QString logPath;
    if (!readOptionalString(request, "log_path", &logPath))
        return BadArgument;
    if (!productName.isEmpty() && !isValidCloudName(productName))
        return BadName;
    const QString root = QDir(driveRoot()).absolutePath();
    DriveConfig config;
    const int configured = DriveConfig::read(root, request, &config);
    QMutexLocker lock(&m_mutex);
    if (m_initialized)
        return Ok;
    if (configured != Ok)
        return configured;
    if (m_adminStore && m_adminStore->root() == root) {
        m_store = m_adminStore;
    } else {
        QString error;
        m_store = DriveStore::open(root, &error);
        if (!m_store)
            return StorageFailed;
    }
    m_config = config;
    if (config.backend == DriveConfig::Backend::Local) {
        m_catalog = std::make_shared<LocalCatalog>(m_store);
        m_content = std::make_shared<LocalContent>(m_store);
    }
    if (!productName.isEmpty())
        m_productName = productName;
    m_logPath = logPath;
    m_transferPool = new QThreadPool;
    m_transferPool->setMaxThreadCount(kTransferThreads);
    m_transferPool->setExpiryTimeout(-1);
    m_notifyPool = new QThreadPool;
    m_notifyPool->setMaxThreadCount(1);
    m_hashPool = new QThreadPool;
    m_hashPool->setMaxThreadCount(kTransferThreads);
    m_initialized = true;
    const auto opened = m_store;
    lock.unlock();
    opened->pruneCompletions(nowMs() - kCompletionKeepMs);
    dropAbandoned(opened);
    logLine(QStringLiteral("init, drive folder %1").arg(root));
    if (config.backend == DriveConfig::Backend::WebDav) {
        logLine(QStringLiteral("files on the WebDAV server %1 as %2")
                    .arg(config.serverUrl.toString(QUrl::RemoveUserInfo), config.user));
    }
    return Ok;
}

void LocalDrive::dropAbandoned(const std::shared_ptr<DriveStore> &s)
{
    QVector<TransferRecord> rows;
    if (!s->allTransfers(&rows))
        return;
    const qint64 now = nowMs();
    QSet<QString> staged;
    for (const TransferRecord &r : qAsConst(rows)) {
        if (r.lastActive < now - kAbandonedAfterMs && !isRunning(r)) {
            // The plan names the download parts and goes with the row, so it is read first.
            QVector<TransferItem> items;
            if (s->transferItems(r.uid, r.kind, &items) && s->removeUnchangedTransfer(r)) {
                TransferJob::removeLeftovers(s, content(), r, items);
                logLine(QStringLiteral("transfer %1 abandoned since %2, discarded")
                            .arg(r.uid, QDateTime::fromMSecsSinceEpoch(r.lastActive).toString(Qt::ISODate)));
                continue;
            }
        }
        staged.insert(QFileInfo(s->stagingDir(r.uid, r.kind)).fileName());
    }
    const QFileInfoList folders
        = QDir(s->root() + QStringLiteral("/staging")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &folder : folders) {
        const QString path = folder.absoluteFilePath();
        if (!staged.contains(folder.fileName()) && modificationTimeMs(path) < now - kOrphanStagingMs)
            QDir(path).removeRecursively();
    }
}

void LocalDrive::stopJobs(bool onlyAccountJobs)
{
    QList<std::shared_ptr<TransferJob>> jobs;
    {
        QMutexLocker lock(&m_mutex);
        for (const auto &job : qAsConst(m_jobs)) {
            if (!onlyAccountJobs || job->accountId() != 0)
                jobs.append(job);
        }
    }
    for (const auto &job : qAsConst(jobs))
        job->requestStop(TransferJob::Stop::Pause);
    for (const auto &job : qAsConst(jobs))
        job->waitStopped(kStopWaitMs);
}

int LocalDrive::uninit()
{
    // It waits for the library's threads, so it cannot run on one of them.
    if (t_onLibraryThread)
        return CalledFromLibraryThread;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_initialized || m_closing)
            return NotInitialized;
        m_closing = true;
    }
    stopJobs(false);
    QThreadPool *transfers = nullptr;
    QThreadPool *notify = nullptr;
    {
        QMutexLocker lock(&m_mutex);
        transfers = m_transferPool;
        notify = m_notifyPool;
        m_expireCallback = nullptr;
        m_expireContext = nullptr;
    }
    // Jobs queued but not yet started were settled by stopJobs; the pools end empty.
    transfers->waitForDone();
    notify->waitForDone();
    logLine(QStringLiteral("uninit"));
    QMutexLocker lock(&m_mutex);
    delete m_transferPool;
    delete m_notifyPool;
    delete m_hashPool;
    m_transferPool = nullptr;
    m_notifyPool = nullptr;
    m_hashPool = nullptr;
    m_jobs.clear();
    m_callbacks.clear();
    m_store.reset();
    m_catalog.reset();
    m_content.reset();
    m_serverSpace = 0;
    m_config = DriveConfig();
    m_productName = QStringLiteral("Cutlane");
    m_logPath.clear();
    m_token.clear();
    m_signedIn = false;
    m_expiryNotified.clear();
    m_initialized = false;
    m_closing = false;
    return Ok;
}

void LocalDrive::setExpireCallback(Drive_TokenExpireCallback callback, void *context)
{
    QMutexLocker lock(&m_mutex);
    m_expireCallback = callback;
    m_expireContext = context;
}

void LocalDrive::notifyExpired(const QString &token)
{
    QMutexLocker lock(&m_mutex);
    if (!m_initialized || !m_notifyPool || !m_expireCallback || m_expiryNotified.contains(token))
        return;
    m_expiryNotified.insert(token);
    // From a library thread, as a network client would, so the caller's locks are not held.
    m_notifyPool->start([this]() {
        const LibraryThreadScope libraryThread;
        Drive_TokenExpireCallback callback = nullptr;
        void *context = nullptr;
        {
            QMutexLocker lock(&m_mutex);
            callback = m_expireCallback;
            context = m_expireContext;
        }
        if (callback)
            callback(context);
    });
}

int LocalDrive::accountForToken(const QString &token, Account *account)
{
    const auto s = store();
    if (!s)
        return NotInitialized;
    if (token.isEmpty())
        return NotSignedIn;
    qint64 accountId = 0;
    qint64 expiresAt = 0;
    if (!s->tokenInfo(token, &accountId, &expiresAt))
        return TokenInvalid;
    if (expiresAt > 0 && nowMs() >= expiresAt) {
        notifyExpired(token);
        return TokenExpired;
    }
    return s->account(accountId, account) ? Ok : TokenInvalid;
}

int LocalDrive::serviceCode(const Account &account) const
{
    switch (account.serviceState) {
    case ServiceState::Opened:
        return Ok;
    case ServiceState::NotOpened:
        return ServiceNotOpened;
    case ServiceState::UnavailableNotOpened:
        return ServiceUnavailable;
    case ServiceState::UnavailableOpened:
        return ServiceOpenedUnavailable;
    }
    return ServiceNotOpened;
}

int LocalDrive::session(const QJsonObject &request, Account *account, Space *space, bool checkSpaceId)
{
    QString token;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_initialized)
            return NotInitialized;
        if (!m_signedIn)
            return NotSignedIn;
        token = m_token;
    }
    int code = accountForToken(token, account);
    if (code != Ok)
        return code;
    code = serviceCode(*account);
    if (code != Ok)
        return code;
    if (!store()->defaultSpace(account->id, space))
        return StorageFailed;
    if (checkSpaceId) {
        quint64 spaceId = 0;
        if (!readUnsigned(request, "space_id", &spaceId))
            return BadArgument;
        if (spaceId != space->spaceId)
            return WrongSpace;
    }
    return Ok;
}

int LocalDrive::sessionAndFile(const QJsonObject &request, Space *space, QString *fileId)
{
    Account account;
    const int code = session(request, &account, space);
    if (code != Ok)
        return code;
    return readString(request, "file_id", fileId) ? Ok : BadArgument;
}

int LocalDrive::checkSession(qint64 accountId)
{
    Account account;
    Space space;
    const int code = session(QJsonObject(), &account, &space, false);
    if (code != Ok)
        return code;
    return account.id == accountId ? Ok : NotSignedIn;
}

int LocalDrive::login(const QJsonObject &request)
{
    if (!isInitialized())
        return NotInitialized;
    QString token;
    bool isPublic = false;
    if (!readString(request, "token", &token) || !readBool(request, "is_public", &isPublic))
        return BadArgument;
    // A public sign-in only opens the way to share links, which need no account.
    if (isPublic)
        return Ok;
    Account account;
    int code = accountForToken(token, &account);
    if (code == Ok)
        code = serviceCode(account);
    if (code == Ok)
        code = connectServer(account, token);
    if (code != Ok)
        return code;
    QMutexLocker lock(&m_mutex);
    m_token = token;
    m_signedIn = true;
    return Ok;
}

int LocalDrive::connectServer(const Account &account, const QString &token)
{
    DriveConfig config;
    {
        QMutexLocker lock(&m_mutex);
        config = m_config;
    }
    if (config.backend != DriveConfig::Backend::WebDav)
        return Ok;
    const auto s = store();
    Space space;
    if (!s || !s->defaultSpace(account.id, &space))
        return StorageFailed;
    {
        QMutexLocker lock(&m_mutex);
        if (m_catalog && m_serverSpace == space.spaceId)
            return Ok; // measured at an earlier sign-in of this session
    }
    WebDavServer server;
    server.url = config.serverUrl;
    server.user = config.user;
    server.password
        = CredentialStore(s->root() + QStringLiteral("/server-credentials.json")).password(config.credentialKey());
    if (server.password.isEmpty())
        server.password = qEnvironmentVariable("TQDRIVE_PASSWORD");
    auto catalog = std::make_shared<WebDavCatalog>(s, server, space.spaceId, space.rootId);
    WebDavCapabilities capabilities;
    const int code = WebDavCapabilities::detect(catalog->client(), &capabilities);
    if (code != Ok) {
        logLine(QStringLiteral("the server %1 was not usable: code %2")
                    .arg(config.serverUrl.toString(QUrl::RemoveUserInfo))
                    .arg(code));
        if (code == TokenExpired)
            notifyExpired(token);
        return code;
    }
    catalog->setCapabilities(capabilities);
    catalog->setUnauthorizedHandler([this]() {
        QString current;
        {
            QMutexLocker lock(&m_mutex);
            current = m_token;
        }
        notifyExpired(current);
    });
    catalog->setLogger([this](const QString &line) { logLine(line); });
    logLine(QStringLiteral("server capabilities: %1").arg(capabilities.summary()));
    QMutexLocker lock(&m_mutex);
    m_catalog = catalog;
    m_content = std::make_shared<WebDavContent>(catalog);
    m_serverSpace = space.spaceId;
    return Ok;
}

int LocalDrive::logout()
{
    if (!isInitialized())
        return NotInitialized;
    // Account transfers stay resumable; share downloads need no account and go on.
    stopJobs(true);
    QMutexLocker lock(&m_mutex);
    m_token.clear();
    m_signedIn = false;
    return Ok;
}

int LocalDrive::updateToken(const QString &token)
{
    QMutexLocker lock(&m_mutex);
    if (!m_initialized)
        return NotInitialized;
    if (token.isEmpty())
        return BadArgument;
    m_token = token;
    if (m_config.backend != DriveConfig::Backend::WebDav)
        return Ok;
    // A new token after an expiry: the server's password may have been renewed (an app password
    // revoked and made again), so it is read and the server measured again.
    m_serverSpace = 0;
    lock.unlock();
    Account account;
    const int code = accountForToken(token, &account);
    return code != Ok ? code : connectServer(account, token);
}

int LocalDrive::accountOfRequest(const QJsonObject &request, Account *account)
{
    QString token;
    if (!readString(request, "token", &token))
        return BadArgument;
    return accountForToken(token, account);
}

// What the service calls answer for each state; an account not yet opened answers 0.
int LocalDrive::queryCode(ServiceState state)
{
    switch (state) {
    case ServiceState::NotOpened:
        return Ok;
    case ServiceState::Opened:
        return ServiceOpened;
    case ServiceState::UnavailableNotOpened:
        return ServiceUnavailable;
    case ServiceState::UnavailableOpened:
        return ServiceOpenedUnavailable;
    }
    return Ok;
}

int LocalDrive::queryService(const QJsonObject &request, QJsonValue *data)
{
    Account account;
    const int code = accountOfRequest(request, &account);
    if (code != Ok)
        return code;
    *data = QJsonObject{{QStringLiteral("dc"), account.dataCenter}, {QStringLiteral("uid"), account.uid}};
    return queryCode(account.serviceState);
}

int LocalDrive::openService(const QJsonObject &request, QJsonValue *data)
{
    Account account;
    const int code = accountOfRequest(request, &account);
    if (code != Ok)
        return code;
    *data = QJsonObject{{QStringLiteral("dc"), account.dataCenter}};
    if (account.serviceState != ServiceState::NotOpened)
        return queryCode(account.serviceState);
    return store()->setServiceState(account.id, ServiceState::Opened, account.dataCenter) ? Ok : StorageFailed;
}

int LocalDrive::spaceList(QJsonValue *data)
{
    Account account;
    Space space;
    const int code = session(QJsonObject(), &account, &space, false);
    if (code != Ok)
        return code;
    *data = QJsonArray{spaceJson(withServerUsage(space))};
    return Ok;
}

int LocalDrive::spaceInfo(quint64 spaceId, QJsonValue *data)
{
    Account account;
    Space space;
    const int code = session(QJsonObject(), &account, &space, false);
    if (code != Ok)
        return code;
    if (spaceId != space.spaceId)
        return WrongSpace;
    *data = spaceJson(withServerUsage(space));
    return Ok;
}

QJsonObject LocalDrive::serverCapabilities() const
{
    const auto server = std::dynamic_pointer_cast<WebDavCatalog>(catalog());
    if (!server)
        return QJsonObject();
    const WebDavCapabilities c = server->capabilities();
    return QJsonObject{{QStringLiteral("dead_properties"), c.deadProperties},
        {QStringLiteral("ranged_put"), c.rangedPut}, {QStringLiteral("quota"), c.quota},
        {QStringLiteral("file_ids"), c.fileIds}, {QStringLiteral("dav"), c.davClasses}};
}

bool LocalDrive::serverBackend() const
{
    QMutexLocker lock(&m_mutex);
    return m_config.backend == DriveConfig::Backend::WebDav;
}

Space LocalDrive::withServerUsage(Space space) const
{
    if (!serverBackend())
        return space;
    // The server's quota where it reports one; 0 (no known limit) where it does not.
    qint64 used = 0;
    qint64 total = 0;
    const auto c = catalog();
    if (c && c->usage(space, &used, &total)) {
        space.usedSize = used;
        space.totalSize = total;
    }
    return space;
}

QJsonObject LocalDrive::entryJson(const Entry &e, const std::shared_ptr<DriveContent> &content) const
{
    QString thumbnail;
    if (!e.isDir && !e.blocked && isImageName(e.name))
        thumbnail = content->thumbnail(e);
    return QJsonObject{{QStringLiteral("file_id"), e.id}, {QStringLiteral("parent_file_id"), e.parentId},
        {QStringLiteral("name"), e.name},
        {QStringLiteral("type"), e.isDir ? QStringLiteral("folder") : QStringLiteral("file")},
        {QStringLiteral("size"), e.size}, {QStringLiteral("thumbnail"), thumbnail},
        {QStringLiteral("content_hash"), e.hash},
        {QStringLiteral("content_hash_name"), e.isDir ? QString() : ContentHasher::name()},
        {QStringLiteral("hidden"), e.hidden}, {QStringLiteral("blocked"), e.blocked},
        {QStringLiteral("ctime"), e.ctime}, {QStringLiteral("mtime"), e.mtime}};
}

QJsonArray LocalDrive::entriesJson(const QVector<Entry> &entries) const
{
    const auto c = content();
    QJsonArray array;
    for (const Entry &e : entries)
        array.append(entryJson(e, c));
    return array;
}

int LocalDrive::projectRoot(const QJsonObject &request, QJsonValue *data)
{
    Account account;
    Space space;
    int code = session(request, &account, &space);
    if (code != Ok)
        return code;
    QString name;
    {
        QMutexLocker lock(&m_mutex);
        name = m_productName;
    }
    QString id;
    code = catalog()->projectRoot(space, name, &id);
    if (code == Ok)
        *data = QJsonObject{{QStringLiteral("file_id"), id}, {QStringLiteral("name"), name}};
    return code;
}

int LocalDrive::createDir(const QJsonObject &request, QJsonValue *data)
{
    Account account;
    Space space;
    int code = session(request, &account, &space);
    if (code != Ok)
        return code;
    QString parent;
    QString name;
    if (!readString(request, "parent_file_id", &parent) || !readString(request, "name", &name))
        return BadArgument;
    bool hidden = false;
    if (!readOptionalBool(request, "hidden", &hidden))
        return BadArgument;
    const QJsonValue tags = request.value(QLatin1String("tags"));
    if (!tags.isUndefined() && !tags.isArray())
        return BadArgument;
    QString id;
    const auto s = catalog();
    code = s->createFolderPath(
        space, parent, name, hidden, QString::fromUtf8(toText(tags.isArray() ? tags : QJsonArray())), &id);
    if (code == Ok)
        *data = QJsonObject{{QStringLiteral("file_id"), id}, {QStringLiteral("path"), s->cloudPath(id)}};
    return code;
}

int LocalDrive::fileList(const QJsonObject &request, QJsonValue *data)
{
    Account account;
    Space space;
    int code = session(request, &account, &space);
    if (code != Ok)
        return code;
    QString parent;
    if (!readString(request, "parent_file_id", &parent))
        return BadArgument;
    QVector<Entry> entries;
    code = catalog()->list(space, parent, &entries);
    if (code != Ok)
        return code;
    *data = entriesJson(entries);
    return Ok;
}

int LocalDrive::search(const QJsonObject &request, QJsonValue *data)
{
    Account account;
    Space space;
    int code = session(request, &account, &space);
    if (code != Ok)
        return code;
    QString parent;
    if (!readOptionalString(request, "parent_file_id", &parent))
        return BadArgument;
    QString type;
    if (!readOptionalString(request, "type", &type))
        return BadArgument;
    const QJsonValue values = request.value(QLatin1String("names")).toObject().value(QLatin1String("values"));
    if (!values.isArray())
        return BadArgument;
    QStringList names;
    for (const QJsonValue &v : values.toArray()) {
        if (!v.isString())
            return BadArgument;
        names << v.toString();
    }
    QVector<Entry> entries;
    code = catalog()->search(space, parent, type, names, &entries);
    if (code != Ok)
        return code;
    *data = entriesJson(entries);
    return Ok;
}

int LocalDrive::share(const QJsonObject &request, QJsonValue *data)
{
    Account account;
    Space space;
    int code = session(request, &account, &space);
    if (code != Ok)
        return code;
    QString fileId;
    QString accessCode;
    qint64 expiresIn = 0;
    qint64 type = 0;
    if (!readString(request, "file_id", &fileId) || !readInteger(request, "expires_in", &expiresIn) || expiresIn < 0
        || expiresIn > kMaxShareSeconds)
        return BadArgument;
    if (!readOptionalString(request, "code", &accessCode))
        return BadArgument;
    if (accessCode.size() > 32 || accessCode.contains(QLatin1Char(':')))
        return BadArgument;
    if (request.contains(QLatin1String("type")) && !readInteger(request, "type", &type))
        return BadArgument;
    const QJsonValue tags = request.value(QLatin1String("tags"));
    if (!tags.isUndefined() && !tags.isArray())
        return BadArgument;
    Share share;
    const auto c = catalog();
    code = c->createShare(space, fileId, accessCode, expiresIn, int(type),
        QString::fromUtf8(toText(tags.isArray() ? tags : QJsonArray())), &share);
    if (code == Ok) {
        *data = QJsonObject{{QStringLiteral("id"), share.id}, {QStringLiteral("url"), c->shareUrl(share)},
            {QStringLiteral("code"), accessCode}, {QStringLiteral("expires_at"), share.expiresAt / 1000}};
    }
    return code;
}

int LocalDrive::simpleDownload(const QJsonObject &request, QJsonValue *data)
{
    Account account;
    Space space;
    int code = session(request, &account, &space);
    if (code != Ok)
        return code;
    QString fileId;
    QString saveDir;
    int mode = 0;
    if (!readString(request, "file_id", &fileId) || !readString(request, "save_dir", &saveDir))
        return BadArgument;
    if ((code = readClashMode(request, &mode)) != Ok)
        return code;
    if (!QFileInfo(saveDir).isDir())
        return SaveFolderMissing;
    Entry e;
    code = catalog()->find(space, fileId, &e);
    if (code != Ok && code != FileNotFound)
        return code;
    if (code != Ok || e.trashed)
        return FileNotFound;
    if (e.isDir)
        return NotAFile;
    if (e.blocked)
        return FileBlocked;
    QString target = QDir(saveDir).absolutePath() + QLatin1Char('/') + safeComponent(e.name);
    if (QFileInfo::exists(target)) {
        if (mode == int(ClashMode::Fail))
            return NameClash;
        if (mode == int(ClashMode::Rename))
            target = freeLocalPath(QDir(saveDir).absolutePath(), safeComponent(e.name), false);
    }
    code = content()->fetch(e, target);
    if (code == Ok)
        *data = QJsonObject{{QStringLiteral("path"), target}, {QStringLiteral("file_id"), e.id}};
    return code;
}

int LocalDrive::deleteFile(const QJsonObject &request)
{
    Space space;
    QString fileId;
    const int code = sessionAndFile(request, &space, &fileId);
    return code != Ok ? code : catalog()->remove(space, fileId);
}

int LocalDrive::recycleFile(const QJsonObject &request)
{
    Space space;
    QString fileId;
    const int code = sessionAndFile(request, &space, &fileId);
    return code != Ok ? code : catalog()->recycle(space, fileId);
}

int LocalDrive::renameFile(const QJsonObject &request)
{
    Account account;
    Space space;
    int code = session(request, &account, &space);
    if (code != Ok)
        return code;
    QString fileId;
    QString newName;
    if (!readString(request, "file_id", &fileId) || !readString(request, "new_file_name", &newName))
        return BadArgument;
    return catalog()->rename(space, fileId, newName);
}

int LocalDrive::isBlocked(const QJsonObject &request, bool *blocked)
{
    *blocked = false;
    Space space;
    QString fileId;
    const int code = sessionAndFile(request, &space, &fileId);
    if (code != Ok)
        return code;
    Entry e;
    const int found = catalog()->find(space, fileId, &e);
    if (found != Ok)
        return found;
    *blocked = e.blocked;
    return Ok;
}

int LocalDrive::transferList(const QJsonObject &request, QJsonValue *data)
{
    Account account;
    Space space;
    // Share downloads are listed too, and they belong to no space: the space is checked only when named.
    int code = session(request, &account, &space, request.contains(QLatin1String("space_id")));
    if (code != Ok)
        return code;
    QVector<TransferRecord> rows;
    if (!store()->transfers(account.id, &rows))
        return StorageFailed;
    const qint64 self = ::getpid();
    QJsonArray list;
    for (const TransferRecord &r : qAsConst(rows)) {
        list.append(QJsonObject{{QStringLiteral("custom_uid"), r.uid}, {QStringLiteral("kind"), int(r.kind)},
            {QStringLiteral("state"), r.state}, {QStringLiteral("share"), r.accountId == 0},
            // A job that failed or paused is still around until it has handed over its last report.
            {QStringLiteral("running_here"), r.state == QLatin1String("running") && job(r.uid, r.kind)},
            {QStringLiteral("owner_alive"), r.ownerPid != self && pidAlive(r.ownerPid)}});
    }
    *data = list;
    return Ok;
}

int LocalDrive::transferUid(const QJsonObject &request, QString *uid) const
{
    if (!readString(request, "custom_uid", uid) || uid->isEmpty() || uid->size() > kMaxUidLength)
        return BadArgument;
    return Ok;
}

std::shared_ptr<TransferJob> LocalDrive::job(const QString &uid, TransferKind kind)
{
    QMutexLocker lock(&m_mutex);
    return m_jobs.value(jobKey(uid, kind));
}

bool LocalDrive::isRunning(const TransferRecord &record)
{
    if (record.state != QLatin1String("running"))
        return false;
    if (record.ownerPid == qint64(::getpid()))
        return job(record.uid, record.kind) != nullptr;
    return pidAlive(record.ownerPid);
}

int LocalDrive::planUpload(
    const QJsonObject &item, const Space &space, TransferRecord *record, QVector<TransferItem> *items)
{
    QString path;
    QString parent;
    if (!readString(item, "path", &path) || path.isEmpty())
        return BadArgument;
    if (!readString(item, "file_id", &parent) && !readString(item, "parent_file_id", &parent))
        return BadArgument;
    int code = readClashMode(item, &record->clashMode);
    if (code != Ok)
        return code;
    QString customName;
    if (!readOptionalString(item, "custom_name", &customName))
        return BadArgument;
    if (!customName.isEmpty() && !isValidCloudName(customName))
        return BadName;
    if (!readOptionalBool(item, "hidden", &record->hidden))
        return BadArgument;
    const QJsonValue tags = item.value(QLatin1String("tags"));
    if (!tags.isUndefined() && !tags.isArray())
        return BadArgument;
    record->tags = QString::fromUtf8(toText(tags.isArray() ? tags : QJsonArray()));

    const auto s = catalog();
    Entry folder;
    const int found = s->find(space, parent, &folder);
    if (found != Ok && found != FileNotFound)
        return found;
    if (found != Ok || folder.trashed || !folder.isDir)
        return ParentNotFound;
    record->target = folder.id;

    const QFileInfo top(path);
    if (!top.exists() || top.isSymLink())
        return LocalPathMissing;
    if (!top.isReadable())
        return LocalReadFailed;

    auto add = [&](const QFileInfo &info, int parentIndex, const QString &name) {
        TransferItem it;
        it.index = items->size();
        it.parentIndex = parentIndex;
        it.isDir = info.isDir();
        it.source = info.absoluteFilePath();
        it.target = name;
        it.size = it.isDir ? 0 : info.size();
        it.sourceMtime = modificationTimeMs(it.source);
        items->append(it);
        return it.index;
    };
    const QString topName = customName.isEmpty() ? safeComponent(top.fileName()) : customName;
    // Refused before any byte moves; the store checks again when it records the entry.
    if (record->clashMode == int(ClashMode::Fail) && s->hasChild(folder.id, topName))
        return NameClash;
    const int topIndex = add(top, -1, topName);
    if (top.isDir()) {
        // Pre-order, so every folder is planned (and later created) before what it holds.
        struct Pending {
            QString path;
            int index;
            int depth;
        };
        QVector<Pending> stack{{top.absoluteFilePath(), topIndex, 0}};
        while (!stack.isEmpty()) {
            const Pending dir = stack.takeLast();
            if (dir.depth > kMaxTreeDepth)
                return BadArgument;
            const QFileInfoList entries = QDir(dir.path).entryInfoList(
                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name | QDir::DirsLast);
            QVector<Pending> subdirs;
            for (const QFileInfo &entry : entries) {
                if (entry.isSymLink())
                    continue; // a link could lead outside the folder or into a loop
                const int index = add(entry, dir.index, safeComponent(entry.fileName()));
                if (entry.isDir())
                    subdirs.append({entry.absoluteFilePath(), index, dir.depth + 1});
            }
            for (int i = subdirs.size() - 1; i >= 0; --i)
                stack.append(subdirs[i]);
        }
    }
    qint64 total = 0;
    const qint64 limit = space.effectiveFileLimit();
    for (const TransferItem &it : qAsConst(*items)) {
        if (limit > 0 && it.size > limit)
            return FileTooLarge;
        total += it.size;
    }
    qint64 used = 0;
    qint64 capacity = 0;
    if (s->usage(space, &used, &capacity) && capacity > 0 && used + total > capacity)
        return QuotaExceeded;
    return Ok;
}

int LocalDrive::planDownload(const QJsonObject &item, const std::shared_ptr<DriveStore> &store,
    const std::shared_ptr<DriveCatalog> &s, const Account *account, const Space *space, TransferRecord *record,
    QVector<TransferItem> *items)
{
    QString saveDir;
    if (!readString(item, "save_dir", &saveDir) || saveDir.isEmpty())
        return BadArgument;
    int code = readClashMode(item, &record->clashMode);
    if (code != Ok)
        return code;
    if (!QFileInfo(saveDir).isDir())
        return SaveFolderMissing;
    saveDir = QDir(saveDir).absolutePath();
    record->target = saveDir;

    Entry top;
    Space owner;
    QString shareId;
    if (readString(item, "share_id", &shareId)) {
        // "<id>" or "<id>:<access code>".
        const int colon = shareId.indexOf(QLatin1Char(':'));
        const QString id = colon < 0 ? shareId : shareId.left(colon);
        const QString accessCode = colon < 0 ? QString() : shareId.mid(colon + 1);
        Share share;
        if (!s->share(id, &share))
            return ShareNotFound;
        if (share.expiresAt > 0 && nowMs() >= share.expiresAt)
            return ShareExpired;
        if (!share.acceptsCode(accessCode))
            return ShareCodeWrong;
        if (!store->space(share.spaceId, &owner) || !s->entry(share.fileId, &top) || top.trashed)
            return FileNotFound;
        record->accountId = 0;
    } else {
        QString fileId;
        if (!readString(item, "file_id", &fileId))
            return BadArgument;
        if (!account || !space)
            return NotSignedIn;
        owner = *space;
        code = s->find(owner, fileId, &top);
        if (code != Ok && code != FileNotFound)
            return code;
        if (code != Ok || top.trashed)
            return FileNotFound;
        record->accountId = account->id;
    }
    if (top.parentId.isEmpty())
        return BadArgument; // the whole space is not one download
    record->spaceId = owner.spaceId;

    const QString name = safeComponent(top.name);
    QString target = saveDir + QLatin1Char('/') + name;
    if (QFileInfo::exists(target)) {
        if (record->clashMode == int(ClashMode::Fail))
            return NameClash;
        if (record->clashMode == int(ClashMode::Rename))
            target = freeLocalPath(saveDir, name, top.isDir);
    }
    const QString topCloudPath = s->cloudPath(top.id);
    auto add = [&](const Entry &e, int parentIndex, const QString &localPath, const QString &cloudPath) {
        TransferItem it;
        it.index = items->size();
        it.parentIndex = parentIndex;
        it.isDir = e.isDir;
        it.source = e.id;
        it.target = localPath;
        it.cloudPath = e.isDir ? cloudPath + QLatin1Char('/') : cloudPath;
        it.size = e.size;
        it.hash = e.hash;
        it.fileId = e.id;
        it.version = e.version;
        items->append(it);
        return it.index;
    };
    if (top.blocked)
        return FileBlocked;
    const int topIndex = add(top, -1, target, topCloudPath);
    struct Pending {
        QString id;
        int index;
        QString localPath;
        QString cloudPath;
        int depth;
    };
    QVector<Pending> stack;
    if (top.isDir)
        stack.append({top.id, topIndex, target, topCloudPath, 0});
    while (!stack.isEmpty()) {
        const Pending dir = stack.takeLast();
        if (dir.depth > kMaxTreeDepth)
            return BadArgument;
        QVector<Entry> children;
        code = s->list(owner, dir.id, &children);
        if (code != Ok)
            return code;
        QVector<Pending> subdirs;
        for (const Entry &child : qAsConst(children)) {
            if (child.blocked)
                return FileBlocked;
            const QString localPath = dir.localPath + QLatin1Char('/') + safeComponent(child.name);
            if (!isInside(saveDir, localPath))
                return BadName;
            const QString cloudPath = dir.cloudPath + QLatin1Char('/') + child.name;
            const int index = add(child, dir.index, localPath, cloudPath);
            if (child.isDir)
                subdirs.append({child.id, index, localPath, cloudPath, dir.depth + 1});
        }
        for (int i = subdirs.size() - 1; i >= 0; --i)
            stack.append(subdirs[i]);
    }
    return isInside(saveDir, target) ? Ok : BadName;
}

int LocalDrive::launch(
    const TransferRecord &record, const QVector<TransferItem> &items, Drive_ProgressCallback callback, void *context)
{
    const auto s = store();
    if (!s)
        return NotInitialized;
    if (!catalog() || !content())
        return NotSignedIn;
    QMutexLocker lock(&m_mutex);
    const QString key = jobKey(record.uid, record.kind);
    if (callback)
        m_callbacks.insert(key, callback);
    else
        callback = m_callbacks.value(key);
    lock.unlock();
    auto job = std::make_shared<TransferJob>(this, s, catalog(), content(), record, items, callback, context);
    lock.relock();
    if (!m_initialized || m_closing) {
        // Drive_Uninit is under way: leave the transfer resumable rather than start it.
        lock.unlock();
        s->setTransferState(record.uid, record.kind, QStringLiteral("paused"));
        return NotInitialized;
    }
    m_jobs.insert(jobKey(record.uid, record.kind), job);
    m_transferPool->start([job]() { job->run(); });
    return Ok;
}

void LocalDrive::jobEnded(TransferJob *job)
{
    QMutexLocker lock(&m_mutex);
    const QString key = jobKey(job->uid(), job->kind());
    auto it = m_jobs.find(key);
    if (it != m_jobs.end() && it->get() == job)
        m_jobs.erase(it);
}

int LocalDrive::startUpload(const QJsonObject &request, Drive_ProgressCallback callback, void *context)
{
    Account account;
    Space space;
    int code = session(request, &account, &space);
    if (code != Ok)
        return code;
    TransferRecord record;
    if ((code = transferUid(request, &record.uid)) != Ok)
        return code;
    const QJsonArray list = request.value(QLatin1String("upload")).toArray();
    if (list.size() != 1 || !list.first().isObject())
        return BadArgument;
    const auto s = store();
    TransferRecord existing;
    if (s->transfer(record.uid, TransferKind::Upload, &existing))
        return isRunning(existing) ? TransferBusy : PartialStateExists;
    if (completedFor(*s, record.uid, TransferKind::Upload, account.id))
        return PartialStateExists;
    record.kind = TransferKind::Upload;
    record.accountId = account.id;
    record.spaceId = space.spaceId;
    record.request = QString::fromUtf8(toText(request));
    record.state = QStringLiteral("running");
    record.ownerPid = ::getpid();
    QVector<TransferItem> items;
    if ((code = planUpload(list.first().toObject(), space, &record, &items)) != Ok)
        return code;
    if (!s->createTransfer(record, items))
        return s->transfer(record.uid, TransferKind::Upload, &existing) ? TransferBusy : StorageFailed;
    return launch(record, items, callback, context);
}

int LocalDrive::startDownload(const QJsonObject &request, Drive_ProgressCallback callback, void *context)
{
    const auto s = store();
    if (!s)
        return NotInitialized;
    TransferRecord record;
    int code = transferUid(request, &record.uid);
    if (code != Ok)
        return code;
    const QJsonArray list = request.value(QLatin1String("download")).toArray();
    if (list.size() != 1 || !list.first().isObject())
        return BadArgument;
    const QJsonObject item = list.first().toObject();
    Account account;
    Space space;
    const bool byShare = item.contains(QLatin1String("share_id"));
    if (byShare && !item.value(QLatin1String("share_id")).isString())
        return BadArgument;
    if (byShare && serverBackend())
        return NotSupported; // a plain server has no share links
    if (!byShare && (code = session(request, &account, &space)) != Ok)
        return code;
    TransferRecord existing;
    if (s->transfer(record.uid, TransferKind::Download, &existing))
        return isRunning(existing) ? TransferBusy : PartialStateExists;
    if (completedFor(*s, record.uid, TransferKind::Download, byShare ? 0 : account.id))
        return PartialStateExists;
    record.kind = TransferKind::Download;
    record.request = QString::fromUtf8(toText(request));
    record.state = QStringLiteral("running");
    record.ownerPid = ::getpid();
    QVector<TransferItem> items;
    code = planDownload(item, s, catalog(), byShare ? nullptr : &account, byShare ? nullptr : &space, &record, &items);
    if (code != Ok)
        return code;
    if (!s->createTransfer(record, items))
        return s->transfer(record.uid, TransferKind::Download, &existing) ? TransferBusy : StorageFailed;
    return launch(record, items, callback, context);
}

int LocalDrive::resume(TransferKind kind, const QJsonObject &request, Drive_ProgressCallback callback, void *context)
{
    const auto s = store();
    if (!s)
        return NotInitialized;
    QString uid;
    int code = transferUid(request, &uid);
    if (code != Ok)
        return code;
    const int nothing = kind == TransferKind::Upload ? NothingToResumeUpload : NothingToResumeDownload;
    TransferRecord record;
    if (!s->transfer(uid, kind, &record))
        return resumeCompleted(s, kind, uid, request, callback, context);
    if (record.accountId != 0) {
        Account account;
        Space space;
        if ((code = session(request, &account, &space)) != Ok)
            return code;
        if (account.id != record.accountId)
            return nothing; // another account's transfer is not ours to continue
    }
    if (isRunning(record))
        return TransferBusy;
    QVector<TransferItem> items;
    if (!s->transferItems(uid, kind, &items) || items.isEmpty())
        return StorageFailed;
    if (!s->setTransferState(uid, kind, QStringLiteral("running")))
        return StorageFailed;
    record.state = QStringLiteral("running");
    return launch(record, items, callback, context);
}

int LocalDrive::resumeCompleted(const std::shared_ptr<DriveStore> &s, TransferKind kind, const QString &uid,
    const QJsonObject &request, Drive_ProgressCallback callback, void *context)
{
    const int nothing = kind == TransferKind::Upload ? NothingToResumeUpload : NothingToResumeDownload;
    TransferCompletion done;
    if (!s->completion(uid, kind, &done))
        return nothing;
    if (done.accountId != 0) {
        Account account;
        Space space;
        const int code = session(request, &account, &space);
        if (code != Ok)
            return code;
        if (account.id != done.accountId)
            return nothing;
    }
    const QString key = jobKey(uid, kind);
    QMutexLocker lock(&m_mutex);
    if (!m_initialized || m_closing)
        return NotInitialized;
    if (callback)
        m_callbacks.insert(key, callback);
    else
        callback = m_callbacks.value(key);
    if (callback) {
        const QByteArray uidText = uid.toUtf8();
        const QByteArray text = done.report.toUtf8();
        // As a finishing job would: from a library thread, after the resume call has returned. The job
        // itself may still be handing its own copy to the callback it ran with; both say the same.
        m_notifyPool->start([callback, context, uidText, text]() {
            const LibraryThreadScope libraryThread;
            callback(uidText.constData(), text.constData(), context);
        });
    }
    lock.unlock();
    logLine(QStringLiteral("transfer %1 had finished; its final report is sent again").arg(uid));
    return Ok;
}

int LocalDrive::pause(TransferKind kind, const QJsonObject &request)
{
    const auto s = store();
    if (!s)
        return NotInitialized;
    QString uid;
    const int code = transferUid(request, &uid);
    if (code != Ok)
        return code;
    if (const auto running = job(uid, kind)) {
        running->requestStop(TransferJob::Stop::Pause);
        running->waitStopped(kStopWaitMs);
        return Ok;
    }
    TransferRecord record;
    if (!s->transfer(uid, kind, &record))
        return NoSuchTransfer;
    if (isRunning(record))
        return TransferBusy;
    // The pausing process becomes the owner: a client starting up next to it leaves its transfers alone.
    return s->setTransferState(uid, kind, QStringLiteral("paused")) ? Ok : StorageFailed;
}

int LocalDrive::cancel(TransferKind kind, const QJsonObject &request)
{
    const auto s = store();
    if (!s)
        return NotInitialized;
    QString uid;
    const int code = transferUid(request, &uid);
    if (code != Ok)
        return code;
    {
        QMutexLocker lock(&m_mutex);
        m_callbacks.remove(jobKey(uid, kind));
    }
    if (const auto running = job(uid, kind)) {
        running->requestStop(TransferJob::Stop::Cancel);
        running->waitStopped(kStopWaitMs);
        // It may have finished before it saw the request; a cancelled transfer has nothing to resume.
        s->removeCompletion(uid, kind);
        return Ok;
    }
    TransferRecord record;
    if (!s->transfer(uid, kind, &record))
        return s->removeCompletion(uid, kind) ? Ok : StorageFailed;
    if (isRunning(record))
        return TransferBusy;
    QVector<TransferItem> items;
    s->transferItems(uid, kind, &items);
    TransferJob::discard(s, content(), record, items);
    return Ok;
}

} // namespace TQDrive
