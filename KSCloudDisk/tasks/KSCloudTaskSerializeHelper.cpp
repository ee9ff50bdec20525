#include "KSCloudTaskSerializeHelper.h"

#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSCloudDiskContentTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSProject.h"

#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QMap>
#include <QMutexLocker>
#include <QSaveFile>

#include <limits>
#include <optional>

namespace {

constexpr int kFirstKey = 100001;
constexpr int kPassSteps = 20;
constexpr int kStepMs = 100;
// A record value longer than this is not something this program wrote.
constexpr int kMaxValueLength = 32768;

const char *const kFileNames[] = {"/upload.json", "/download.json", "/done.json"};
const char *const kLockName = "/lists.lock";
// Another program holds the lock only while it reads or writes a list.
constexpr int kLockWaitMs = 10000;

// Field names of a record, in the order the legacy file lists them ("TaskId" is its attribute).
const char *const kLegacyFields[] = {"TimeStamp", "FileType", "Name", "Operation", "Overwrite", "FilePath",
    "FolderPath", "Status", "TotalSize", "TransSize", "FileId", "NewName", "FileSize", "FailedCode"};

QString userFolder()
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::LogFolder);
}

// The lists tell what the user moves to and from the cloud: readable by the owner only, whatever
// the umask of the editor. The folders from the host's user folder down are ours, so an older
// version's wider modes are narrowed too.
constexpr QFileDevice::Permissions kPrivateFolder
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions kPrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

bool makePrivateFolder(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    const QString base = userFolder();
    for (QString p = folder; p.size() > base.size() && p.startsWith(base); p = QFileInfo(p).path())
        QFile::setPermissions(p, kPrivateFolder);
    return true;
}

QJsonObject recordOf(const KSCloudDiskTask *task)
{
    auto number = [](qint64 value) { return QString::number(value); };
    return QJsonObject{{QStringLiteral("TaskId"), task->taskId()},
        {QStringLiteral("TimeStamp"), number(task->timeStamp())},
        {QStringLiteral("FileType"), number(task->fileType())}, {QStringLiteral("Name"), task->name()},
        {QStringLiteral("Operation"), number(task->operation())},
        {QStringLiteral("Overwrite"), task->overwrite() == 1 ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("FilePath"), task->filePath()}, {QStringLiteral("FolderPath"), task->folderPath()},
        {QStringLiteral("Status"), number(task->status())}, {QStringLiteral("TotalSize"), number(task->totalSize())},
        {QStringLiteral("TransSize"), number(task->transSize())}, {QStringLiteral("FileId"), task->fileId()},
        {QStringLiteral("NewName"), task->newName()}, {QStringLiteral("FileSize"), number(task->fileSize())},
        {QStringLiteral("FailedCode"), number(task->failedCode())},
        {QStringLiteral("ThumbnailUrl"), task->thumbnailUrl()},
        {QStringLiteral("ThunbnailLocalPath"), task->thumbnailLocalPath()},
        {QStringLiteral("FailedReason"), task->failedReason()}};
}

QString idOf(const QJsonObject &record)
{
    return record.value(QLatin1String("TaskId")).toString();
}

// A list file's records in the order they were written (numeric keys), or nothing when the file is
// missing or unreadable.
QList<QJsonObject> readRecords(const QString &path, bool *readable = nullptr)
{
    QList<QJsonObject> records;
    if (readable)
        *readable = true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return records;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        if (readable)
            *readable = false;
        return records;
    }
    const QJsonObject object = document.object();
    QMap<qint64, QJsonObject> ordered;
    qint64 unnumbered = std::numeric_limits<qint64>::max() / 2;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it.value().isObject())
            continue;
        bool ok = false;
        const qint64 key = it.key().toLongLong(&ok);
        ordered.insert(ok ? key : unnumbered++, it.value().toObject());
    }
    return ordered.values();
}

QSet<QString> idsOf(const QList<QJsonObject> &records)
{
    QSet<QString> ids;
    for (const QJsonObject &record : records)
        ids.insert(idOf(record));
    return ids;
}

// Held while a list file is read or written, against the other programs on the same folder.
class ListsLock
{
public:
    explicit ListsLock(const QString &folder)
        : m_file(folder + QLatin1String(kLockName))
    {
        m_locked = m_file.tryLock(kLockWaitMs);
        if (m_locked)
            QFile::setPermissions(folder + QLatin1String(kLockName), kPrivateFile);
        if (!m_locked) {
            qint64 pid = 0;
            QString host;
            QString app;
            m_file.getLockInfo(&pid, &host, &app);
            KSLOG_WARN("task lists of %s are locked by another program (pid %lld, %s)", qPrintable(folder), pid,
                qPrintable(app));
        }
    }
    bool isLocked() const { return m_locked; }

private:
    QLockFile m_file;
    bool m_locked = false;
};

// Every value of a record is text; a record with anything else in it was not written by us.
bool isWellFormed(const QJsonObject &record)
{
    for (auto it = record.constBegin(); it != record.constEnd(); ++it) {
        if (!it.value().isString() || it.value().toString().size() > kMaxValueLength)
            return false;
    }
    return true;
}

bool writeJson(const QString &path, const QJsonObject &object)
{
    // Written aside and renamed into place: a crash mid-write leaves the old list, never half a list.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        KSLOG_INFO("open file failed!");
        return false;
    }
    // Set on the file being written, which replaces the list: a new list would get the umask's mode,
    // a replaced one that of the list before it.
    file.setPermissions(kPrivateFile);
    file.write(QJsonDocument(object).toJson(QJsonDocument::Indented));
    return file.commit();
}

} // namespace

KSCloudTaskSerializeHelper::KSCloudTaskSerializeHelper(KSCloudDiskViewPresenter *coordinator)
    : QThread(coordinator)
    , m_coordinator(coordinator)
{
    convertLegacyFile();
}

KSCloudTaskSerializeHelper::~KSCloudTaskSerializeHelper()
{
    requestStop();
    wait();
}

QString KSCloudTaskSerializeHelper::folderNameOf(const QString &email)
{
    // An e-mail is the user's text: one that would climb out of the tasks folder or into another
    // one is escaped. Ordinary addresses stay as they are.
    QString name;
    for (const QChar c : email) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('%') || c.unicode() < 0x20)
            name += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            name += c;
    }
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name.replace(QLatin1Char('.'), QStringLiteral("%2E"));
    return name;
}

QString KSCloudTaskSerializeHelper::accountFolder() const
{
    const QString email = m_coordinator->email();
    if (email.isEmpty())
        return QString();
    return userFolder() + QStringLiteral("/CloudDiskTasks/") + folderNameOf(email);
}

QList<KSCloudDiskTask *> *KSCloudTaskSerializeHelper::listOf(int kind) const
{
    // As they are: the upload list's accessor moves finished tasks along, which is not a reader's
    // business.
    return m_coordinator->storedList(kind);
}

QSet<QString> KSCloudTaskSerializeHelper::ownIds(int kind) const
{
    QSet<QString> ids;
    for (int k = UploadList; k <= DoneList; ++k) {
        if (kind != AllLists && k != kind)
            continue;
        for (const KSCloudDiskTask *task : *listOf(k))
            ids.insert(task->taskId());
    }
    return ids;
}

void KSCloudTaskSerializeHelper::forget(const QStringList &taskIds)
{
    for (const QString &id : taskIds)
        m_forgotten.insert(id);
}

QSet<QString> KSCloudTaskSerializeHelper::storedTaskIds(const QString &accountFolder)
{
    QSet<QString> ids;
    if (accountFolder.isEmpty() || !QFileInfo(accountFolder).isDir())
        return ids;
    ListsLock lock(accountFolder);
    for (const char *name : kFileNames)
        ids.unite(idsOf(readRecords(accountFolder + QLatin1String(name))));
    return ids;
}

QList<QJsonObject> KSCloudTaskSerializeHelper::diskRecords(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        m_diskCache.remove(path);
        return QList<QJsonObject>();
    }
    DiskCache &cache = m_diskCache[path];
    if (cache.size == info.size() && cache.modified == info.lastModified())
        return cache.records;
    bool readable = true;
    cache.records = readRecords(path, &readable);
    cache.size = info.size();
    cache.modified = info.lastModified();
    if (!readable)
        KSLOG_WARN("task list unreadable, its records are not merged: %s", qPrintable(path));
    return cache.records;
}

QMutex *KSCloudTaskSerializeHelper::mutexOf(int kind)
{
    return kind == UploadList ? &m_uploadMutex : kind == DownloadList ? &m_downloadMutex : &m_doneMutex;
}

bool KSCloudTaskSerializeHelper::save(int kind, bool async)
{
    if (m_coordinator->email().isEmpty())
        return false;
    m_writeFailed.store(false);
    if (async) {
        if (kind == UploadList || kind == AllLists)
            m_dirty.fetch_or(1 << UploadList);
        if (kind == DownloadList || kind == AllLists)
            m_dirty.fetch_or(1 << DownloadList);
        if (kind == DoneList || kind == AllLists)
            m_dirty.fetch_or(1 << DoneList);
        return true;
    }
    // Tasks that left this list for the done list since the last pass are only in memory: the done
    // list is written first, or they would be on disk in neither.
    if (kind != DoneList && kind != AllLists && (m_dirty.fetch_and(~(1 << DoneList)) & (1 << DoneList)))
        invokeSave(DoneList);
    switch (kind) {
    case UploadList:
        KSLOG_INFO("begin sync save upload task");
        invokeSave(UploadList);
        KSLOG_INFO("end sync save upload task");
        break;
    case DownloadList:
        KSLOG_INFO("begin sync save download task");
        invokeSave(DownloadList);
        KSLOG_INFO("end sync save download task");
        break;
    case DoneList:
        KSLOG_INFO("begin sync save done task");
        invokeSave(DoneList);
        KSLOG_INFO("end sync save done task");
        break;
    case AllLists:
        KSLOG_INFO("begin sync save all task");
        // The done list first, as in the deferred pass.
        invokeSave(DoneList);
        invokeSave(DownloadList);
        invokeSave(UploadList);
        KSLOG_INFO("end sync save all task");
        break;
    default:
        break;
    }
    // A list that could not be written (a full disk) is not reported as saved.
    return !m_writeFailed.load();
}

void KSCloudTaskSerializeHelper::invokeSave(int type)
{
    const QString folder = accountFolder();
    if (folder.isEmpty() || type < UploadList || type > DoneList)
        return;
    KSLOG_INFO("begain save task list");
    makePrivateFolder(folder);
    if (!QFileInfo(folder).isDir()) {
        KSLOG_INFO("create folder failed: %s", qPrintable(folder));
        return;
    }
    static const char *const begins[]
        = {"begain save upload task list", "begain save download task list", "begain save done task list"};
    KSLOG_INFO("%s", begins[type]);
    bool written = false;
    {
        QMutexLocker lock(mutexOf(type));
        written = saveTaskList(folder, type, *listOf(type));
    }
    if (!written)
        m_writeFailed.store(true);
    KSLOG_INFO("end save task list");
}

bool KSCloudTaskSerializeHelper::saveTaskList(const QString &folder, int kind, const QList<KSCloudDiskTask *> &list)
{
    const QString path = folder + QLatin1String(kFileNames[kind]);
    KSLOG_INFO("save task file: %s", qPrintable(path));
    ListsLock lock(folder);
    if (!lock.isLocked())
        return false;
    // A finished task is final: once another program has it in the done list, it leaves the other
    // lists, whatever state this program last saw it in.
    const QSet<QString> doneElsewhere
        = kind == DoneList ? QSet<QString>() : idsOf(diskRecords(folder + QLatin1String(kFileNames[DoneList])));
    const QSet<QString> ownDone = kind == DoneList ? ownIds(DoneList) : QSet<QString>();
    // Whose record on disk is another program's. Of an unfinished list, one whose task this program
    // holds at all: it decides about it, and a task it took out of the list (replaced, removed, moved
    // on) must not come back. Of the done list, one this program has not listed or removed there: a
    // completion elsewhere wins over the copy this program may still hold as unfinished.
    auto foreign = [&](const QString &id) {
        if (id.isEmpty() || m_forgotten.contains(id))
            return false;
        if (kind == DoneList)
            return !ownDone.contains(id);
        return !doneElsewhere.contains(id) && !KSCloudDiskTask::isLiveTaskId(id);
    };
    QList<QJsonObject> records;
    QList<KSCloudDiskTask *> written;
    for (KSCloudDiskTask *task : list) {
        written.append(task);
        if (!doneElsewhere.contains(task->taskId()))
            records.append(recordOf(task));
    }
    for (const QJsonObject &record : diskRecords(path)) {
        if (foreign(idOf(record)))
            records.append(record);
    }
    if (kind == DoneList) {
        std::stable_sort(records.begin(), records.end(), [](const QJsonObject &a, const QJsonObject &b) {
            return a.value(QLatin1String("TimeStamp")).toString().toLongLong()
                > b.value(QLatin1String("TimeStamp")).toString().toLongLong();
        });
    }
    QJsonObject object;
    int key = kFirstKey;
    for (const QJsonObject &record : qAsConst(records))
        object.insert(QString::number(key++), record);
    if (!writeJson(path, object))
        return false;
    const QFileInfo info(path);
    m_diskCache.insert(path, DiskCache{info.lastModified(), info.size(), records});
    for (KSCloudDiskTask *task : qAsConst(written))
        task->setPersisted(true);
    return true;
}

bool KSCloudTaskSerializeHelper::load(int kind)
{
    const QString folder = accountFolder();
    if (folder.isEmpty())
        return false;
    std::optional<ListsLock> lock;
    if (QFileInfo(folder).isDir()) {
        lock.emplace(folder);
        if (!lock->isLocked())
            return false;
    }
    auto path = [&folder](int k) { return folder + QLatin1String(kFileNames[k]); };
    switch (kind) {
    case UploadList:
        return loadTaskList(path(UploadList), listOf(UploadList), 0);
    case DownloadList:
        return loadTaskList(path(DownloadList), listOf(DownloadList), 3);
    case DoneList:
        return loadTaskList(path(DoneList), listOf(DoneList), 3);
    default: {
        // The done list first: a task another program finished may still stand in an older copy of
        // the upload or download list, and must not come back as unfinished.
        const int doneBefore = listOf(DoneList)->size();
        if (!loadTaskList(path(DoneList), listOf(DoneList), 3))
            KSLOG_INFO("load done task failed!");
        QSet<QString> done;
        for (const KSCloudDiskTask *task : listOf(DoneList)->mid(doneBefore))
            done.insert(task->taskId());
        if (!loadTaskList(path(UploadList), listOf(UploadList), 0, done))
            KSLOG_INFO("load upload task failed!");
        if (!loadTaskList(path(DownloadList), listOf(DownloadList), 3, done))
            KSLOG_INFO("load download task failed!");
        return true;
    }
    }
}

KSCloudDiskTask *KSCloudTaskSerializeHelper::rebuild(const QJsonObject &record) const
{
    auto text = [&](const char *key) { return record.value(QLatin1String(key)).toString(); };
    bool typeOk = false;
    bool operationOk = false;
    const int fileType = text("FileType").toInt(&typeOk);
    const int operation = text("Operation").toInt(&operationOk);
    if (!typeOk || !operationOk)
        return nullptr;
    const bool upload = operation == UploadOperation;
    const QString path = text("FilePath");
    const QString fileId = text("FileId");
    const QString name = text("Name");
    const qint64 fileSize = text("FileSize").toLongLong();
    const int overwrite = text("Overwrite").toInt() != 0 ? 1 : 0;
    KSCloudDiskViewPresenter *parent = m_coordinator;
    switch (fileType) {
    case ProjectFile:
        return upload ? new KSCloudDiskProjectTask(parent, path, overwrite)
                      : new KSCloudDiskProjectTask(parent, path, fileId, fileSize);
    case ProjectArchiveFile:
        return upload ? new KSCloudDiskProjectArchiveTask(parent, path, overwrite)
                      : new KSCloudDiskProjectArchiveTask(parent, path, fileId, fileSize);
    case ProjectTemplateFile:
        return upload
            ? static_cast<KSCloudDiskTask *>(new KSCloudDiskProjectTemplateTask(parent, path, name, overwrite))
            : new KSCloudDiskProjectTemplateTask(parent, path, fileId, name, fileSize);
    case VideoFile:
        if (upload)
            return QFileInfo::exists(path) ? new KSCloudDiskVideoTask(parent, path, overwrite) : nullptr;
        return new KSCloudDiskVideoTask(parent, path, fileId, fileSize);
    case CloudMediaFile:
        return upload ? new KSCloudDiskCloudMediaTask(parent, path, name, text("FolderPath"), overwrite)
                      : new KSCloudDiskCloudMediaTask(parent, path, fileId, fileSize);
    default:
        return nullptr;
    }
}

bool KSCloudTaskSerializeHelper::loadTaskList(
    const QString &path, QList<KSCloudDiskTask *> *list, int isDoneOrDownload, const QSet<QString> &skipIds)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        KSLOG_INFO("open file failed: %s", qPrintable(path));
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    file.close();
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        KSLOG_INFO("load josn file failed: %s", qPrintable(path));
        KSLOG_INFO("error: %s", qPrintable(error.errorString()));
        // Kept aside, so the next save cannot overwrite what may still be recovered by hand.
        const QString aside = path + QStringLiteral(".broken-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
        if (QFile::rename(path, aside))
            KSLOG_WARN("unreadable task list kept as %s", qPrintable(aside));
        return false;
    }
    const QJsonObject object = document.object();
    const QList<KSProjectRecentInfo *> recent = isDoneOrDownload == 0
        ? IKSProjectRecentManager::getInstance()->recentProjects()
        : QList<KSProjectRecentInfo *>();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it.value().isObject())
            continue;
        const QJsonObject record = it.value().toObject();
        if (!isWellFormed(record) || skipIds.contains(idOf(record)))
            continue;
        KSCloudDiskTask *task = rebuild(record);
        if (!task)
            continue;
        auto text = [&](const char *key) { return record.value(QLatin1String(key)).toString(); };
        if (!text("TaskId").isEmpty())
            task->setTaskId(text("TaskId"));
        if (isDoneOrDownload == 0) {
            const QString native = QDir::toNativeSeparators(text("FilePath"));
            for (KSProjectRecentInfo *info : recent) {
                if (QDir::toNativeSeparators(info->getPath()) == native) {
                    info->setTaskId(task->taskId());
                    break;
                }
            }
        }
        const qint64 timeStamp = text("TimeStamp").toLongLong();
        if (timeStamp != 0)
            task->setTimeStamp(timeStamp);
        task->setThumbnailUrl(text("ThumbnailUrl"));
        static_cast<IKSCDBaseTask *>(task)->setStatus(text("Status").toInt());
        task->setTotalSize(text("TotalSize").toLongLong());
        task->setTransSize(text("TransSize").toLongLong());
        task->setFileId(text("FileId"));
        task->setFileSize(text("FileSize").toLongLong());
        task->setFailedCode(text("FailedCode").toInt());
        // The stored name is final: the project kinds' setter would append the suffix once more on
        // every load.
        task->KSCloudDiskTask::setNewName(text("NewName"));
        task->setListed(true);
        task->setThumbnailLocalPath(text("ThunbnailLocalPath"));
        task->setFailedReason(text("FailedReason"));
        task->setPersisted(true);
        list->append(task);
    }
    return true;
}

void KSCloudTaskSerializeHelper::requestStop()
{
    m_stopRequested.store(true);
}

void KSCloudTaskSerializeHelper::run()
{
    for (;;) {
        for (int i = 0; i < kPassSteps; ++i) {
            if (m_stopRequested.load())
                return;
            QThread::msleep(kStepMs);
        }
        // The writes run on the GUI thread, which owns the lists; this thread only paces them. The done
        // list goes first: a finished task leaves the upload or download list in the same pass, and
        // a crash between the two writes must find it in both files (the done one wins when they
        // are read), never in neither.
        const int dirty = m_dirty.exchange(0);
        for (const int kind : {int(DoneList), int(UploadList), int(DownloadList)}) {
            if (dirty & (1 << kind))
                QMetaObject::invokeMethod(this, "invokeSave", Qt::QueuedConnection, Q_ARG(int, kind));
        }
    }
}

void KSCloudTaskSerializeHelper::convertLegacyFile()
{
    const QString legacy = userFolder() + QStringLiteral("/CloudDiskTasks.xml");
    QFile file(legacy);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;
    QDomDocument document;
    if (!document.setContent(&file)) {
        KSLOG_WARN("legacy task file unreadable: %s", qPrintable(legacy));
        return;
    }
    file.close();
    const QDomNodeList users = document.documentElement().elementsByTagName(QStringLiteral("User"));
    for (int u = 0; u < users.size(); ++u) {
        const QDomElement user = users.at(u).toElement();
        const QString folder
            = userFolder() + QStringLiteral("/CloudDiskTasks/") + folderNameOf(user.attribute(QStringLiteral("Email")));
        if (QFileInfo::exists(folder) || !makePrivateFolder(folder))
            continue;
        QJsonObject lists[3];
        int counters[3] = {1, 1, 1};
        const QDomNodeList items
            = user.firstChildElement(QStringLiteral("Tasks")).elementsByTagName(QStringLiteral("Item"));
        for (int i = 0; i < items.size(); ++i) {
            const QDomElement item = items.at(i).toElement();
            QJsonObject record{{QStringLiteral("TaskId"), item.attribute(QStringLiteral("TaskId"))}};
            for (const char *field : kLegacyFields) {
                record.insert(QLatin1String(field), item.firstChildElement(QLatin1String(field)).text());
            }
            const int list = record.value(QLatin1String("Status")).toString().toInt() == Finished  ? DoneList
                : record.value(QLatin1String("Operation")).toString().toInt() == DownloadOperation ? DownloadList
                                                                                                   : UploadList;
            lists[list].insert(QString::number(counters[list]++), record);
        }
        for (int list = UploadList; list <= DoneList; ++list)
            writeJson(folder + QLatin1String(kFileNames[list]), lists[list]);
    }
    QFile::remove(legacy + QStringLiteral(".back"));
    if (QFile::rename(legacy, legacy + QStringLiteral(".back")))
        QFile::setPermissions(legacy + QStringLiteral(".back"), kPrivateFile);
}
