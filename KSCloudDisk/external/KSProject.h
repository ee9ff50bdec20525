// Host projects: the project file suffix, the recent-projects list, project thumbnails, and the
// current project's media items with their cloud-resource service (share objects).
#ifndef KSPROJECT_H
#define KSPROJECT_H

#include "KSStringUtils.h"
#include "KSTrackLifeCycle.h"
#include "kshostglobal.h"

#include <QImage>
#include <QList>
#include <QString>

class KSHOST_API KSProjectSuffixHelper
{
public:
    // The suffix of the editor's project containers, without the dot: "vqp".
    static QString archiveFileSuffix();
};

// One entry of the recent-projects list.
class KSHOST_API KSProjectRecentInfo
{
public:
    explicit KSProjectRecentInfo(const QString &path = QString());
    QString getPath() const { return m_path; }
    QString fileId() const { return m_fileId; }
    void setFileId(const QString &fileId) { m_fileId = fileId; }
    QString taskId() const { return m_taskId; }
    void setTaskId(const QString &taskId) { m_taskId = taskId; }

private:
    QString m_path;
    QString m_fileId;
    QString m_taskId;
};

class KSHOST_API IKSProjectRecentManager
{
public:
    static IKSProjectRecentManager *getInstance();
    virtual ~IKSProjectRecentManager();
    // Most recent first. The entries stay owned by the manager; valid until the list changes.
    virtual QList<KSProjectRecentInfo *> recentProjects() const = 0;
    // Puts the path first (adding it when new); kept in the host configuration.
    virtual KSProjectRecentInfo *addRecentProject(const QString &path) = 0;
    virtual void removeRecentProject(const QString &path) = 0;
    // The entry of that path (native separators compared), or null.
    virtual KSProjectRecentInfo *find(const QString &path) const = 0;
};

class KSHOST_API IKSProject
{
public:
    // The cover picture stored in a project container ("ProjectFolder/Timeline/thumb.fsthumb", else
    // "ProjectFolder/Anon/Cover/thumb.fsthumb", else "Thumbnail.png"); null when there is none.
    static QImage getThumbnail(const QString &projectPath);
};

// What the cloud-resource service answers, through IKSCloudResouceReplyObserver.
enum KSCloudResourceReplyKind : int {
    KSCloudResourceShareCreated = 7, // createResourceShare, registerDriveShare
};

struct KSCloudResourceReply {
    int kind = 0; // KSCloudResourceReplyKind
    qint64 requestId = 0; // as returned by the call
    int code = -1; // 0 success; else the cloud's code, -1 when it gave no answer
    QString objectId; // the share object; empty on failure
    QString address; // the share link; empty on failure
    qint64 expiresAt = 0; // seconds since the epoch, 0 for never
};

class KSHOST_API IKSCloudResouceReplyObserver
{
public:
    virtual ~IKSCloudResouceReplyObserver();
    // Runs on the thread that attached the observer, from its event loop.
    virtual void onCloudResourceReply(const KSCloudResourceReply &reply) = 0;
};

// The media items of one project and their cloud resources. Requests are answered later, to every
// attached observer, as a network service would; a manager that is gone answers nothing more.
class KSHOST_API IKSMediaItemManager : public kscore::KSTrackLifeCycle
{
public:
    ~IKSMediaItemManager() override;

    // The observer must detach before it dies (KSObserverConnector does it); attaching twice is once.
    virtual void attach(IKSCloudResouceReplyObserver *observer) = 0;
    virtual void detach(IKSCloudResouceReplyObserver *observer) = 0;

    // A share object for the cloud file `fileId` of the account signed in with `token`: a link that
    // needs `password` when one is given (letters and digits), valid for `validitySeconds` (0:
    // without end). `resourceType`, the permissions and `withPermissions` (whether the permissions
    // apply) go with the link. Answers KSCloudResourceShareCreated; returns the request id.
    virtual qint64 createResourceShare(const QString &fileId, int resourceType, const QString &password,
        bool allowDownload, bool allowComment, bool withPermissions, qint64 validitySeconds, const QString &token)
        = 0;
    // A share object for a link the cloud drive made already (its share id, as Drive_ShareFile
    // answered it); the rest as above, a validity below 0 also meaning without end.
    virtual qint64 registerDriveShare(const QString &shareId, int productId, const QString &password,
        bool allowDownload, bool allowComment, bool withPermissions, qint64 validitySeconds, const QString &token)
        = 0;
    // The link of a share object made in this run; empty when unknown.
    virtual QString shareAddress(const QString &objectId) const = 0;
};

class KSHOST_API IKSProjectManager
{
public:
    static IKSProjectManager *getInstance();
    virtual ~IKSProjectManager();

    // The project open in the editor; empty for the untitled project the editor starts with.
    virtual QString currentProjectPath() const = 0;
    // Opens another project: it gets a media item manager of its own, the previous one is destroyed
    // (its observers' connectors notice). Call on the thread the managers are used from.
    virtual void setCurrentProject(const QString &path) = 0;
    // The current project's manager; it lives until the project changes.
    virtual IKSMediaItemManager *getMediaItemManager() const = 0;
};

#endif
