// The current project and its media item manager, whose cloud-resource service makes share objects
// out of the cloud drive's share links. Requests run on the global thread pool, as a network call
// would, and come back queued to each observer's own thread.
#include "KSProject.h"

#include "KSBaseLog.h"
#include "TQCoreKit.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QRegularExpression>
#include <QThread>
#include <QThreadPool>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>

namespace {

// The cloud's own code for a malformed request, for requests refused before they reach it.
constexpr int kBadArgument = 400002;
// Links of the drive's shares, as Drive_ShareFile answers them.
const QString kDriveShareAddress = QStringLiteral("https://share.tqdrive.local/s/%1");

std::atomic<qint64> g_lastRequestId{0};

// Share objects made in this run, whatever project was open: object id -> link.
QMutex &registryMutex()
{
    static QMutex mutex;
    return mutex;
}

QHash<QString, QString> &registry()
{
    static QHash<QString, QString> addresses;
    return addresses;
}

struct DriveAnswer {
    qint64 result = 0;
    QByteArray text;
    QJsonObject object;

    bool received() const { return result != 0 && !text.isEmpty(); }
    int code() const { return object.value(QLatin1String("code")).toInt(-1); }
};

DriveAnswer callDrive(const char *name, const std::function<qint64(char **)> &call)
{
    DriveAnswer answer;
    char *out = nullptr;
    answer.result = call(&out);
    if (answer.result != 0 && out)
        answer.text = QByteArray(out);
    Drive_FreeBuf(out);
    answer.object = QJsonDocument::fromJson(answer.text).object();
    KSLOG_INFO("%s: %lld", name, answer.result);
    // A share's answer carries its access code; the logger masks it with every other secret.
    if (answer.received())
        KSLOG_INFO("%s: %s", name, answer.text.constData());
    return answer;
}

// Every request authenticates with the account's token, as it would at a cloud service; the drive
// session of this process then acts for that account.
int signIn(const QString &token)
{
    const QByteArray request
        = QJsonDocument(QJsonObject{{QStringLiteral("token"), token}, {QStringLiteral("is_public"), false}})
              .toJson(QJsonDocument::Compact);
    const int code = Drive_Login(request.constData());
    KSLOG_INFO("CDS_Login: %d", code);
    return code;
}

// The default space's id as the exact digits the drive wrote: ids need not fit a double.
int defaultSpace(QByteArray *digits)
{
    const DriveAnswer answer = callDrive("CDS_GetSpaceList", [](char **out) { return Drive_GetSpaceList("", out); });
    if (!answer.received())
        return -1;
    if (answer.code() != 0)
        return answer.code();
    static const QRegularExpression spaceId(QStringLiteral("\"space_id\"\\s*:\\s*(\\d+)"));
    const QRegularExpressionMatch match = spaceId.match(QString::fromUtf8(answer.text));
    if (!match.hasMatch())
        return -1;
    *digits = match.captured(1).toLatin1();
    return 0;
}

KSCloudResourceReply shareOnDrive(const QJsonObject &request, const QString &token)
{
    KSCloudResourceReply reply;
    QByteArray spaceId;
    reply.code = signIn(token);
    if (reply.code == 0)
        reply.code = defaultSpace(&spaceId);
    if (reply.code != 0)
        return reply;
    QByteArray text = QJsonDocument(request).toJson(QJsonDocument::Compact);
    text.insert(1, "\"space_id\":" + spaceId + ',');
    const DriveAnswer answer
        = callDrive("CDS_Share", [&text](char **out) { return Drive_ShareFile(text.constData(), out); });
    reply.code = answer.received() ? answer.code() : -1;
    if (reply.code != 0)
        return reply;
    const QJsonObject data = answer.object.value(QLatin1String("data")).toObject();
    reply.objectId = data.value(QLatin1String("id")).toString();
    reply.address = data.value(QLatin1String("url")).toString();
    reply.expiresAt = data.value(QLatin1String("expires_at")).toVariant().toLongLong();
    if (reply.objectId.isEmpty() || reply.address.isEmpty())
        reply = KSCloudResourceReply();
    return reply;
}

KSCloudResourceReply registerOnDrive(const QString &shareId, const QString &token, qint64 validitySeconds)
{
    KSCloudResourceReply reply;
    static const QRegularExpression driveId(QStringLiteral("^[0-9a-f]{16}$"));
    reply.code = driveId.match(shareId).hasMatch() ? signIn(token) : kBadArgument;
    if (reply.code != 0)
        return reply;
    reply.objectId = shareId;
    reply.address = kDriveShareAddress.arg(shareId);
    reply.expiresAt = validitySeconds > 0 ? QDateTime::currentSecsSinceEpoch() + validitySeconds : 0;
    return reply;
}

QString passwordForLog(const QString &password)
{
    return password.isEmpty() ? QStringLiteral("none") : QStringLiteral("***");
}

// Deleted on its own thread so that replies posted to it and not yet run go with it.
void releaseAnchor(QObject *anchor)
{
    if (anchor->thread() == QThread::currentThread())
        delete anchor;
    else
        anchor->deleteLater();
}

struct ObserverEntry {
    IKSCloudResouceReplyObserver *observer = nullptr;
    // Lives on the thread that attached the observer; replies to the observer are posted to it.
    QObject *anchor = nullptr;

    bool operator==(const ObserverEntry &other) const { return observer == other.observer && anchor == other.anchor; }
};

// What pool work shares with its manager: replies find through it whether the manager and the
// observer are still there.
struct ObserverList {
    QMutex mutex;
    QVector<ObserverEntry> entries;
};

class KSMediaItemManager : public IKSMediaItemManager
{
public:
    KSMediaItemManager()
        : m_observers(std::make_shared<ObserverList>())
    { }

    ~KSMediaItemManager() override
    {
        QVector<ObserverEntry> left;
        {
            QMutexLocker lock(&m_observers->mutex);
            left.swap(m_observers->entries);
        }
        for (const ObserverEntry &entry : qAsConst(left))
            releaseAnchor(entry.anchor);
    }

    void attach(IKSCloudResouceReplyObserver *observer) override
    {
        if (!observer)
            return;
        QMutexLocker lock(&m_observers->mutex);
        for (const ObserverEntry &entry : qAsConst(m_observers->entries)) {
            if (entry.observer == observer)
                return;
        }
        m_observers->entries.append({observer, new QObject});
    }

    void detach(IKSCloudResouceReplyObserver *observer) override
    {
        QObject *anchor = nullptr;
        {
            QMutexLocker lock(&m_observers->mutex);
            for (int i = 0; i < m_observers->entries.size(); ++i) {
                if (m_observers->entries.at(i).observer == observer) {
                    anchor = m_observers->entries.takeAt(i).anchor;
                    break;
                }
            }
        }
        if (anchor)
            releaseAnchor(anchor);
    }

    qint64 createResourceShare(const QString &fileId, int resourceType, const QString &password, bool allowDownload,
        bool allowComment, bool withPermissions, qint64 validitySeconds, const QString &token) override
    {
        const qint64 id = ++g_lastRequestId;
        KSLOG_INFO("createResourceShare %lld: file %s, type %d, password %s, download %d, comment %d, "
                   "permissions %d, validity %lld s",
            id, qUtf8Printable(fileId), resourceType, qUtf8Printable(passwordForLog(password)), int(allowDownload),
            int(allowComment), int(withPermissions), validitySeconds);
        QJsonArray tags;
        if (withPermissions) {
            tags.append(QJsonObject{{QStringLiteral("allow_download"), allowDownload}});
            tags.append(QJsonObject{{QStringLiteral("allow_comment"), allowComment}});
        }
        QJsonObject request{{QStringLiteral("file_id"), fileId}, {QStringLiteral("expires_in"), validitySeconds},
            {QStringLiteral("type"), resourceType}, {QStringLiteral("tags"), tags}};
        if (!password.isEmpty())
            request.insert(QStringLiteral("code"), password);
        answerLater(id, [request, token]() { return shareOnDrive(request, token); });
        return id;
    }

    qint64 registerDriveShare(const QString &shareId, int productId, const QString &password, bool allowDownload,
        bool allowComment, bool withPermissions, qint64 validitySeconds, const QString &token) override
    {
        const qint64 id = ++g_lastRequestId;
        KSLOG_INFO("registerDriveShare %lld: share %s, product %d, password %s, download %d, comment %d, "
                   "permissions %d, validity %lld s",
            id, qUtf8Printable(shareId), productId, qUtf8Printable(passwordForLog(password)), int(allowDownload),
            int(allowComment), int(withPermissions), validitySeconds);
        answerLater(
            id, [shareId, token, validitySeconds]() { return registerOnDrive(shareId, token, validitySeconds); });
        return id;
    }

    QString shareAddress(const QString &objectId) const override
    {
        QMutexLocker lock(&registryMutex());
        return registry().value(objectId);
    }

private:
    void answerLater(qint64 requestId, std::function<KSCloudResourceReply()> work)
    {
        const std::weak_ptr<ObserverList> observers = m_observers;
        QThreadPool::globalInstance()->start([observers, requestId, work]() {
            KSCloudResourceReply reply = work();
            reply.kind = KSCloudResourceShareCreated;
            reply.requestId = requestId;
            KSLOG_INFO("resource request %lld: %d %s", requestId, reply.code, qUtf8Printable(reply.objectId));
            if (reply.code == 0) {
                QMutexLocker lock(&registryMutex());
                registry().insert(reply.objectId, reply.address);
            }
            post(observers, reply);
        });
    }

    static void post(const std::weak_ptr<ObserverList> &weak, const KSCloudResourceReply &reply)
    {
        const std::shared_ptr<ObserverList> observers = weak.lock();
        if (!observers)
            return;
        // Posted under the lock: detaching takes the entry out under it before its anchor goes.
        QMutexLocker lock(&observers->mutex);
        for (const ObserverEntry &entry : qAsConst(observers->entries)) {
            QMetaObject::invokeMethod(
                entry.anchor,
                [weak, entry, reply]() {
                    const std::shared_ptr<ObserverList> list = weak.lock();
                    if (!list)
                        return;
                    {
                        QMutexLocker lock(&list->mutex);
                        if (!list->entries.contains(entry))
                            return;
                    }
                    entry.observer->onCloudResourceReply(reply);
                },
                Qt::QueuedConnection);
        }
    }

    const std::shared_ptr<ObserverList> m_observers;
};

class KSProjectManager : public IKSProjectManager
{
public:
    QString currentProjectPath() const override
    {
        QMutexLocker lock(&m_mutex);
        return m_path;
    }

    void setCurrentProject(const QString &path) override
    {
        std::unique_ptr<KSMediaItemManager> previous;
        {
            QMutexLocker lock(&m_mutex);
            m_path = path;
            previous = std::move(m_media);
            m_media = std::make_unique<KSMediaItemManager>();
        }
        KSLOG_INFO("current project: %s", qUtf8Printable(path));
    }

    IKSMediaItemManager *getMediaItemManager() const override
    {
        QMutexLocker lock(&m_mutex);
        return m_media.get();
    }

private:
    mutable QMutex m_mutex;
    QString m_path;
    std::unique_ptr<KSMediaItemManager> m_media = std::make_unique<KSMediaItemManager>();
};

} // namespace

IKSCloudResouceReplyObserver::~IKSCloudResouceReplyObserver() = default;

IKSMediaItemManager::~IKSMediaItemManager() = default;

IKSProjectManager::~IKSProjectManager() = default;

IKSProjectManager *IKSProjectManager::getInstance()
{
    // Never destroyed: observers detach from its manager while static objects go away at exit.
    static IKSProjectManager *const manager = new KSProjectManager;
    return manager;
}
