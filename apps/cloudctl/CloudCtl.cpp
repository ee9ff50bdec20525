#include "CloudCtl.h"

#include "FailureText.h"

#include "IKSAppInfo.h"
#include "IKSTQIDAccount.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSLazySingleton.h"
#include "KSLocale.h"
#include "KSWidgets.h"
#include "TQCoreKit.h"
#include "TQDriveAdmin.h"
#include "TQDriveCodes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQueue>
#include <QSocketNotifier>
#include <QThreadPool>
#include <QTimer>

#include <csignal>
#include <unistd.h>

namespace {

constexpr int kLoginTimeoutMs = 15000;
constexpr int kOperationTimeoutMs = 30000;
// A transfer that reports nothing for this long is given up: the task or the drive is stuck.
constexpr qint64 kStallMs = 120000;

int g_interruptPipe[2] = {-1, -1};

void onInterruptSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here; the event loop picks the byte up.
    const ssize_t written = ::write(g_interruptPipe[1], &byte, 1);
    Q_UNUSED(written)
}

bool isActiveStatus(int status)
{
    switch (status) {
    case Waiting:
    case Running:
    case Transferred:
    case FolderCreated:
    case RootFolderSynced:
        return true;
    default:
        return false;
    }
}

void printToStderr(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

CloudCtl::CloudCtl(QObject *parent)
    : QObject(parent)
{
    m_clock.start();
}

CloudCtl::~CloudCtl()
{
    stop();
    // The host's notices may still come while the application object lives on.
    KSToastEvents::install([](const QString &text) { printToStderr(tr("cloudctl: notice: %1").arg(text)); });
}

bool CloudCtl::parseKind(const QString &name, ItemKind *kind)
{
    static const QHash<QString, ItemKind> kinds{{QStringLiteral("project"), ProjectItem},
        {QStringLiteral("template"), TemplateItem}, {QStringLiteral("media"), MediaItem},
        {QStringLiteral("video"), VideoItem}};
    const auto it = kinds.constFind(name);
    if (it == kinds.constEnd())
        return false;
    *kind = it.value();
    return true;
}

QString CloudCtl::errorText(int code)
{
    return FailureText::of(code);
}

QString CloudCtl::failureText(int code, const QString &reason)
{
    return FailureText::of(code, reason);
}

QString CloudCtl::hostLog() const
{
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::LogFolder) + QStringLiteral("/host.log");
}

void CloudCtl::message(const QString &text)
{
    m_progress.message(text);
}

void CloudCtl::watchInterrupts()
{
    if (m_interruptNotifier || ::pipe(g_interruptPipe) != 0)
        return;
    m_interruptNotifier = new QSocketNotifier(g_interruptPipe[0], QSocketNotifier::Read, this);
    connect(m_interruptNotifier, &QSocketNotifier::activated, this, [this]() {
        char byte = 0;
        const ssize_t got = ::read(g_interruptPipe[0], &byte, 1);
        Q_UNUSED(got)
        m_interrupted = true;
    });
    struct sigaction action {
    };
    action.sa_handler = &onInterruptSignal;
    sigemptyset(&action.sa_mask);
    // One-shot: the handler is reset by the first signal itself, so a second Ctrl-C ends the program
    // at once, also while the teardown keeps the event loop from seeing the first.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool CloudCtl::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // The ticks bound each wait for events, so the condition is checked even when nothing arrives.
    QTimer tick;
    tick.start(20);
    while (!done()) {
        if (m_interrupted || (timeoutMs >= 0 && clock.elapsed() > timeoutMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Start and release

// What the service's own sign-in (updateTqidToken) sends; opening the service needs it spelled out.
KSCloudAccountParam CloudCtl::accountParam() const
{
    IKSAppInfo *app = IKSAppInfo::getInstance();
    KSCloudAccountParam param;
    param.token = getTQIDAccount()->accessToken();
    param.language = KSLocale::clientLanguageCode2(1);
    param.productVersion = app->productVersion();
    param.deviceId = app->deviceId();
    param.productId = app->getValue(IKSAppInfo::ProductId).toInt();
    return param;
}

bool CloudCtl::signIn()
{
    IKSTQIDAccount *account = getTQIDAccount();
    if (account->signIn(m_email, KLoginSource(1)))
        return true;
    // A drive that has never seen this address: the account is made here, with its cloud service
    // open, as the account service would have done at registration.
    TQDriveAdmin::AccountInfo info;
    const int code = TQDriveAdmin::ensureAccount(m_email, &info);
    if (code != TQDrive::Ok) {
        m_error = tr("cannot create the account %1 in %2 (code %3)").arg(m_email, TQDriveAdmin::driveRoot()).arg(code);
        return false;
    }
    TQDriveAdmin::setServiceState(info.accountId, TQDriveAdmin::Opened);
    if (account->signIn(m_email, KLoginSource(1)))
        return true;
    m_error = tr("cannot sign %1 in (see %2)").arg(m_email, hostLog());
    return false;
}

bool CloudCtl::waitForOperation(KSCloudDiskOperation operation, int timeoutMs)
{
    return waitFor([&]() { return m_observer.operations.contains(operation); }, timeoutMs);
}

bool CloudCtl::login()
{
    m_observer.operations.clear();
    m_service->updateTqidToken();
    if (!waitForOperation(Login, kLoginTimeoutMs)) {
        m_error = m_interrupted ? tr("interrupted") : tr("the cloud sign-in did not answer (see %1)").arg(hostLog());
        return false;
    }
    if (m_service->needOpenService() && !m_service->isServiceUnavailable()) {
        // The editor's activation: the account exists but its cloud space was never opened.
        message(tr("cloudctl: opening the cloud service for %1").arg(m_email));
        m_observer.operations.clear();
        m_service->registerAccount(accountParam());
        if (!waitForOperation(OpenService, kLoginTimeoutMs) || !m_service->isServiceOpened()) {
            m_error = tr("cannot open the cloud service for %1 (see %2)").arg(m_email, hostLog());
            return false;
        }
        QThreadPool::globalInstance()->waitForDone();
        m_observer.operations.clear();
        m_service->updateTqidToken();
        if (!waitForOperation(Login, kLoginTimeoutMs)) {
            m_error = tr("the cloud sign-in did not answer (see %1)").arg(hostLog());
            return false;
        }
    }
    if (m_service->isServiceReady())
        return true;
    if (m_service->isServiceUnavailable())
        m_error = tr("the cloud service is unavailable for %1").arg(m_email);
    else
        m_error = tr("the cloud sign-in failed (see %1)").arg(hostLog());
    return false;
}

void CloudCtl::connectPresenter()
{
    KSCloudDiskViewPresenter *p = m_presenter;
    connect(p, &KSCloudDiskViewPresenter::sigFolderCreated, this, &CloudCtl::onFolderCreated);
    connect(p, &KSCloudDiskViewPresenter::taskProgressChanged, this, &CloudCtl::onProgress);
    connect(p, &KSCloudDiskViewPresenter::uploadFinished, this,
        [this](const QString &taskId, const QString &fileId, const QString &newName, const QString &) {
            onUploadFinished(taskId, fileId, newName);
        });
    connect(p, &KSCloudDiskViewPresenter::downloadFinished, this,
        [this](const QString &taskId, const QString &filePath, const QString &, int, const QString &fileId) {
            onDownloadFinished(taskId, filePath, fileId);
        });
    connect(p, qOverload<const QString &, bool, int>(&KSCloudDiskViewPresenter::taskFailed), this,
        [this](const QString &taskId, bool, int errorCode) { onTaskFailed(taskId, errorCode); });
}

bool CloudCtl::start(const QString &root, const QString &email, bool restart)
{
    m_email = email;
    const QString base = QDir(root).absolutePath();
    if (!QDir().mkpath(base + QStringLiteral("/host")) || !QDir().mkpath(base + QStringLiteral("/drive"))) {
        m_error = tr("cannot create the folder %1").arg(base);
        return false;
    }
    KSHostPaths::setRoot(base + QStringLiteral("/host"));
    TQDriveAdmin::setDriveRoot(base + QStringLiteral("/drive"));
    KSToastEvents::install([this](const QString &text) { message(tr("cloudctl: notice: %1").arg(text)); });
    watchInterrupts();
    if (!signIn())
        return false;

    IKSAppInfo *app = IKSAppInfo::getInstance();
    KSCloudDiskInitParam param;
    param.productId = app->getValue(IKSAppInfo::ProductId).toInt();
    param.productVersion = app->productVersion();
    param.deviceId = app->deviceId();
    param.logFolder = app->getFolder(IKSAppInfo::LogFolder);
    m_service = getCloudDisk();
    m_service->init(param);
    m_presenter = m_service->getPresenter();
    m_service->attach(&m_observer);
    connectPresenter();
    m_presenter->startCloudDiskTask();
    m_presenter->startThumbnilTask();
    if (!login())
        return false;
    QThreadPool::globalInstance()->waitForDone();
    // The lists of the account are loaded and, unless only looked at, its unfinished transfers
    // restarted; the answers to them arrive through the connections made above.
    m_presenter->setRestartOnSignIn(restart);
    m_presenter->setEmail(getTQIDAccount()->email());
    return true;
}

QSet<QString> CloudCtl::transfersHeldElsewhere() const
{
    QSet<QString> held;
    char *out = nullptr;
    if (Drive_GetTransferList("{}", &out) == 0 || !out)
        return held;
    const QJsonObject answer = QJsonDocument::fromJson(QByteArray(out)).object();
    Drive_FreeBuf(out);
    for (const QJsonValue &value : answer.value(QLatin1String("data")).toArray()) {
        const QJsonObject transfer = value.toObject();
        if (transfer.value(QLatin1String("owner_alive")).toBool())
            held.insert(transfer.value(QLatin1String("custom_uid")).toString());
    }
    return held;
}

void CloudCtl::stop()
{
    if (!m_service)
        return;
    // Reports already posted (a transfer that has just ended) are taken before the plug-in goes.
    QCoreApplication::processEvents();
    m_service->detach(&m_observer);
    m_service = nullptr;
    m_presenter = nullptr;
    KSLazySingletonManager::instance()->releaseAll();
}

// ---------------------------------------------------------------------------------------------
// The editor's answers

void CloudCtl::onFolderCreated(const QString &taskId, const QString &)
{
    // The editor records the new cloud folder on its side, then lets the upload go on.
    KSCloudDiskTask *task = m_presenter ? m_presenter->findTask(taskId) : nullptr;
    if (!task)
        return;
    m_lastActivity.insert(taskId, m_clock.elapsed());
    task->setStatus(RootFolderSynced, true);
    m_presenter->doTaskStateChanged(task);
}

void CloudCtl::onProgress(const QString &taskId, qlonglong total, qlonglong transferred)
{
    m_lastActivity.insert(taskId, m_clock.elapsed());
    auto it = m_transfers.find(taskId);
    if (it == m_transfers.end())
        return;
    it->size = total;
    m_progress.update(taskId, total, transferred);
}

void CloudCtl::onUploadFinished(const QString &taskId, const QString &fileId, const QString &newName)
{
    Transfer &t = m_transfers[taskId];
    if (t.finished || t.failed)
        return;
    t.finished = true;
    t.fileId = fileId;
    t.cloudName = newName;
}

void CloudCtl::onDownloadFinished(const QString &taskId, const QString &filePath, const QString &fileId)
{
    Transfer &t = m_transfers[taskId];
    if (t.finished || t.failed)
        return;
    t.finished = true;
    t.fileId = fileId;
    t.localPath = filePath;
}

void CloudCtl::onTaskFailed(const QString &taskId, int errorCode)
{
    Transfer &t = m_transfers[taskId];
    // A failed request may report twice (the start and the task's own failure step): the first wins.
    if (t.finished || t.failed)
        return;
    t.failed = true;
    t.errorCode = errorCode;
    if (const KSCloudDiskTask *task = presenter()->findTask(taskId))
        t.reason = task->failedReason();
}

// ---------------------------------------------------------------------------------------------
// Transfers

CloudCtl::Transfer CloudCtl::track(const QString &taskId, const QString &name, bool upload)
{
    Transfer &t = m_transfers[taskId];
    t.taskId = taskId;
    t.name = name;
    t.upload = upload;
    m_lastActivity.insert(taskId, m_clock.elapsed());
    m_progress.begin(taskId, name);
    return t;
}

CloudCtl::Transfer CloudCtl::wait(const QString &taskId)
{
    const qint64 started = m_clock.elapsed();
    bool stalled = false;
    waitFor(
        [&]() {
            const Transfer &t = m_transfers[taskId];
            if (t.finished || t.failed)
                return true;
            stalled = m_clock.elapsed() - m_lastActivity.value(taskId) > kStallMs;
            return stalled;
        },
        -1);
    Transfer &t = m_transfers[taskId];
    t.elapsedMs = m_clock.elapsed() - started;
    if (!t.finished && !t.failed) {
        t.interrupted = m_interrupted;
        t.failed = !m_interrupted;
        t.errorCode = -1;
    }
    QString outcome;
    if (t.finished) {
        outcome = (t.upload ? tr("uploaded in %1 s") : tr("downloaded in %1 s")).arg(t.elapsedMs / 1000.0, 0, 'f', 1);
    } else if (t.interrupted) {
        outcome = tr("interrupted");
    } else if (stalled) {
        outcome = tr("failed: no report from the plug-in for %1 s").arg(kStallMs / 1000);
    } else {
        outcome = tr("failed: %1 (code %2)").arg(errorText(t.errorCode)).arg(t.errorCode);
    }
    m_progress.end(taskId, t.finished, outcome);
    return t;
}

QString CloudCtl::submitUpload(ItemKind kind, const QString &path, const QString &cloudFolder)
{
    switch (kind) {
    case ProjectItem:
        return m_presenter->uploadProject(path, KeepBoth);
    case TemplateItem:
        return m_presenter->uploadProjectTemplate(QFileInfo(path).fileName(), path, KeepBoth);
    case MediaItem: {
        KSCloudTaskParam param;
        param.filePath = path;
        param.name = QFileInfo(path).fileName();
        QString folder = cloudFolder.trimmed();
        if (!folder.startsWith(QLatin1Char('/')))
            folder.prepend(QLatin1Char('/'));
        param.folderPath = folder;
        param.showInTransferCenter = true;
        return m_presenter->uploadCloudMedia({param}).value(0);
    }
    case VideoItem: {
        KSCloudTaskParam param;
        param.filePath = path;
        param.name = QFileInfo(path).fileName();
        param.showInTransferCenter = true;
        return m_presenter->uploadVideo({param}).value(0);
    }
    }
    return QString();
}

CloudCtl::Transfer CloudCtl::upload(ItemKind kind, const QString &path, const QString &cloudFolder)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString taskId = submitUpload(kind, absolute, cloudFolder);
    if (taskId.isEmpty()) {
        Transfer refused;
        refused.name = QFileInfo(absolute).fileName();
        refused.upload = true;
        refused.failed = true;
        refused.errorCode = -1;
        return refused;
    }
    track(taskId, QFileInfo(absolute).fileName(), true);
    return wait(taskId);
}

QString CloudCtl::submitDownload(ItemKind kind, const QString &fileId, const QString &target, qint64 size)
{
    switch (kind) {
    case ProjectItem:
        return m_presenter->downloadProject(fileId, target, size);
    case TemplateItem:
        return m_presenter->downloadProjectTemplate(fileId, QFileInfo(target).fileName(), target, size, QString());
    case MediaItem:
    case VideoItem: {
        // The plug-in has no download request of its own for exported videos: a video is a media
        // file to fetch like any other.
        KSCloudTaskParam param;
        param.filePath = target;
        param.fileId = fileId;
        param.fileSize = size;
        param.name = QFileInfo(target).fileName();
        return m_presenter->downloadCloudMedia({param}).value(0);
    }
    }
    return QString();
}

CloudCtl::Transfer CloudCtl::download(ItemKind kind, const QString &fileId, const QString &target, qint64 size)
{
    const QString absolute = QFileInfo(target).absoluteFilePath();
    // The plug-in checks the free space and the rights of the folder the item lands in.
    QDir().mkpath(QFileInfo(absolute).path());
    const QString taskId = submitDownload(kind, fileId, absolute, size);
    if (taskId.isEmpty()) {
        Transfer refused;
        refused.name = QFileInfo(absolute).fileName();
        refused.upload = false;
        refused.failed = true;
        refused.errorCode = -1;
        return refused;
    }
    track(taskId, QFileInfo(absolute).fileName(), false);
    return wait(taskId);
}

QList<CloudCtl::Transfer> CloudCtl::waitForTasks(const QList<KSCloudDiskTask *> &tasks)
{
    QStringList ids;
    for (KSCloudDiskTask *task : tasks) {
        ids << task->taskId();
        track(task->taskId(), task->name(), task->isUpload());
        m_progress.update(task->taskId(), task->totalSize(), task->transSize());
    }
    auto settled = [this](const QString &id) {
        const Transfer &t = m_transfers[id];
        if (t.finished || t.failed)
            return true;
        // Paused or removed meanwhile (by another host of the same account): no longer waited for.
        const KSCloudDiskTask *task = m_presenter->findTask(id);
        return !task || (!isActiveStatus(task->status()) && task->status() != Failed);
    };
    waitFor(
        [&]() {
            for (const QString &id : qAsConst(ids)) {
                if (!settled(id) && m_clock.elapsed() - m_lastActivity.value(id) <= kStallMs)
                    return false;
            }
            return true;
        },
        -1);
    QList<Transfer> results;
    for (const QString &id : qAsConst(ids)) {
        Transfer &t = m_transfers[id];
        const KSCloudDiskTask *task = m_presenter->findTask(id);
        if (!t.finished && !t.failed) {
            // The task is marked finished on the worker thread just before its answer is posted.
            if (task && task->status() == Finished) {
                t.finished = true;
                t.fileId = task->fileId();
                t.cloudName = task->newName();
            } else if (m_interrupted) {
                t.interrupted = true;
            } else if (task && task->status() == Paused) {
                t.paused = true;
            } else {
                t.failed = true;
            }
        }
        if (t.localPath.isEmpty() && task && task->isDownload())
            t.localPath = task->filePath();
        QString outcome;
        if (t.finished)
            outcome = t.upload ? tr("uploaded") : tr("downloaded");
        else if (t.interrupted)
            outcome = tr("interrupted");
        else if (t.paused)
            outcome = tr("paused");
        else
            outcome = tr("failed: %1 (code %2)").arg(errorText(t.errorCode)).arg(t.errorCode);
        m_progress.end(id, t.finished, outcome);
        results << t;
    }
    return results;
}

// ---------------------------------------------------------------------------------------------
// Cloud folders

bool CloudCtl::listFolder(const QString &folderId, QList<CloudEntry> *entries, int *code)
{
    // "space_id" goes out as text and the service turns it into the exact number the drive wants.
    QString request = QString::fromUtf8(QJsonDocument(
        QJsonObject{{QStringLiteral("space_id"), QString::number(m_service->getSpaceId())},
            {QStringLiteral("parent_file_id"),
                folderId}}).toJson(QJsonDocument::Compact));
    m_service->fixSpaceIdInJson(request);
    char *out = nullptr;
    const qint64 result = Drive_GetFileList(request.toUtf8().constData(), &out);
    QJsonObject answer;
    if (result != 0 && out)
        answer = QJsonDocument::fromJson(out).object();
    Drive_FreeBuf(out);
    *code = answer.isEmpty() ? -1 : answer.value(QLatin1String("code")).toInt(-1);
    if (*code != 0)
        return false;
    entries->clear();
    for (const QJsonValue &value : answer.value(QLatin1String("data")).toArray()) {
        const QJsonObject o = value.toObject();
        CloudEntry entry;
        entry.id = o.value(QLatin1String("file_id")).toString();
        entry.name = o.value(QLatin1String("name")).toString();
        entry.folder = o.value(QLatin1String("type")).toString() == QLatin1String("folder");
        entry.size = o.value(QLatin1String("size")).toVariant().toLongLong();
        entries->append(entry);
    }
    return true;
}

bool CloudCtl::findEntry(const QString &fileId, CloudEntry *entry)
{
    QQueue<CloudEntry> folders;
    folders.enqueue(CloudEntry{QStringLiteral("root"), QString(), QString(), true, 0});
    while (!folders.isEmpty()) {
        const CloudEntry folder = folders.dequeue();
        QList<CloudEntry> children;
        int code = 0;
        if (!listFolder(folder.id, &children, &code))
            continue;
        for (CloudEntry &child : children) {
            child.path = folder.path + QLatin1Char('/') + child.name;
            if (child.id == fileId) {
                *entry = child;
                return true;
            }
            if (child.folder)
                folders.enqueue(child);
        }
    }
    return false;
}

bool CloudCtl::listTree(const QString &folderId, KSCloudFolderEntries *entries)
{
    bool answered = false;
    const QMetaObject::Connection connection = connect(m_presenter, &KSCloudDiskViewPresenter::loadFolderFilesFinished,
        this, [&](const QString &id, const QVariant &list) {
            if (id != folderId)
                return;
            *entries = list.value<KSCloudFolderEntries>();
            answered = true;
        });
    m_presenter->loadFolderFiles(folderId, QString());
    const bool done = waitFor([&]() { return answered; }, kOperationTimeoutMs);
    disconnect(connection);
    return done;
}

bool CloudCtl::createFolder(const QString &parentId, const QString &name, QString *folderId, int *code)
{
    bool answered = false;
    bool succeeded = false;
    const QMetaObject::Connection connection = connect(m_presenter, &KSCloudDiskViewPresenter::createDirFinished, this,
        [&](const QString &id, bool ok, int errorCode) {
            if (id != parentId)
                return;
            answered = true;
            succeeded = ok;
            *code = errorCode;
        });
    m_presenter->createDir(parentId, name);
    const bool done = waitFor([&]() { return answered; }, kOperationTimeoutMs);
    disconnect(connection);
    if (!done) {
        *code = -1;
        return false;
    }
    if (!succeeded)
        return false;
    // The answer names the parent only; the new folder is found level by level, as the drive made it.
    QString current = parentId;
    for (const QString &piece : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QList<CloudEntry> children;
        if (!listFolder(current, &children, code))
            return false;
        const auto it = std::find_if(children.cbegin(), children.cend(),
            [&](const CloudEntry &e) { return e.folder && e.name.compare(piece, Qt::CaseInsensitive) == 0; });
        if (it == children.cend()) {
            *code = TQDrive::FileNotFound;
            return false;
        }
        current = it->id;
    }
    *folderId = current;
    return true;
}

bool CloudCtl::rename(const QString &fileId, const QString &name, int *code)
{
    bool answered = false;
    bool succeeded = false;
    const QMetaObject::Connection connection = connect(
        m_presenter, &KSCloudDiskViewPresenter::renameFinished, this, [&](const QString &id, bool ok, int errorCode) {
            if (id != fileId)
                return;
            answered = true;
            succeeded = ok;
            *code = errorCode;
        });
    m_presenter->renameFile(fileId, name);
    const bool done = waitFor([&]() { return answered; }, kOperationTimeoutMs);
    disconnect(connection);
    if (!done)
        *code = -1;
    return done && succeeded;
}

CloudCtl::Answer CloudCtl::waitForRemoval(const QString &fileId, const std::function<void()> &request)
{
    bool answered = false;
    bool succeeded = false;
    const QMetaObject::Connection connection
        = connect(m_presenter, &KSCloudDiskViewPresenter::removeFinished, this, [&](const QString &id, bool ok) {
              if (id != fileId)
                  return;
              answered = true;
              succeeded = ok;
          });
    request();
    const bool done = waitFor([&]() { return answered; }, kOperationTimeoutMs);
    disconnect(connection);
    return !done ? Unanswered : succeeded ? Succeeded : Refused;
}

bool CloudCtl::recycle(const QString &fileId)
{
    return waitForRemoval(fileId, [&] { m_presenter->removeFile(fileId); }) == Succeeded;
}

bool CloudCtl::deleteForGood(const QString &fileId)
{
    // The plug-in tries a failed delete again a few times before it answers.
    const Answer answer = waitForRemoval(fileId, [&] { m_presenter->deleteFile(fileId, false, 0); });
    if (answer != Unanswered)
        return answer == Succeeded;
    CloudEntry entry;
    return !m_interrupted && !findEntry(fileId, &entry);
}

bool CloudCtl::share(const QString &fileId, const QString &accessCode, qint64 expiresIn, KSCloudShareResult *result)
{
    KSCloudShareParam param;
    param.token = getTQIDAccount()->accessToken();
    param.fileId = fileId;
    param.accessCode = accessCode;
    param.expiresIn = expiresIn;
    m_observer.operations.clear();
    m_service->share(param);
    const bool done = waitFor(
        [&]() { return m_observer.operations.contains(Share) && !m_service->isSharing(); }, kOperationTimeoutMs);
    *result = m_service->getShareResult();
    if (!done)
        result->code = -1;
    return done && result->code == 0;
}

int CloudCtl::refreshDiskInfo()
{
    return m_service->syncRefreshDiskInfo(0);
}
