// Host projects: the project file suffix, the recent-projects list and project thumbnails.
#ifndef KSPROJECT_H
#define KSPROJECT_H

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

class KSHOST_API KSStringUtils
{
public:
    // Equal ignoring case.
    static bool sameText(const QString &a, const QString &b);
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

#endif
