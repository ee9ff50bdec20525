// Short cloud operations that run on the worker thread so the GUI never waits on the library. Each
// hands its result to the coordinator by invoking the coordinator's signal of that name.
#ifndef KSCLOUDDISKOPERATIONTASK_H
#define KSCLOUDDISKOPERATIONTASK_H

#include "KSCDBaseTask.h"

#include <QList>
#include <QMetaType>
#include <QPair>

// (cloud id, "relative path + name|size|thumbnail address") for each file of a listed tree.
using KSCloudFolderEntries = QList<QPair<QString, QString>>;
Q_DECLARE_METATYPE(KSCloudFolderEntries)

// Fetches a cloud thumbnail into a local file: "downloadThumbFinished"(fileId, path, succeed).
class KSCLOUDDISK_API KSCloudDiskDownloadThumbTask : public KSCDBaseTask
{
    Q_OBJECT
public:
    KSCloudDiskDownloadThumbTask(QObject *parent, const QString &fileId, const QString &localPath);
    void launch() override;
    void clean() override { }

private:
    QString m_localPath;
};

// Moves a file to the recycle bin: "removeFinished"(fileId, succeed).
class KSCLOUDDISK_API KSCloudDiskRemoveFileTask : public KSCDBaseTask
{
    Q_OBJECT
public:
    KSCloudDiskRemoveFileTask(QObject *parent, const QString &fileId);
    void launch() override;
    void clean() override { }
};

// Deletes a file for good, tried at most four times, each try a new task: "removeFinished".
class KSCLOUDDISK_API KSCloudDiskDeleteFileTask : public KSCDBaseTask
{
    Q_OBJECT
public:
    enum { RetryLimit = 3 };
    KSCloudDiskDeleteFileTask(QObject *parent, const QString &fileId, bool flag, int retryCount = 0);
    void launch() override;
    void clean() override { }
    int retryCount() const { return m_retryCount; }

private:
    bool m_flag;
    int m_retryCount;
};

// Lists every file below a folder: "loadFolderFilesFinished"(fileId, QVariant of KSCloudFolderEntries).
class KSCLOUDDISK_API KSCloudDiskLoadFolderFilesTask : public KSCDBaseTask
{
    Q_OBJECT
public:
    KSCloudDiskLoadFolderFilesTask(QObject *parent, const QString &fileId, const QString &basePath);
    void launch() override;
    void clean() override { }

private:
    void loadFolderFiles(const QString &parentId, const QString &path);

    QString m_basePath;
    KSCloudFolderEntries m_entries;
};

// Creates a folder in the parent folder fileId: "createDirFinished"(fileId, succeed, errCode).
class KSCLOUDDISK_API KSCloudDiskCreateDirTask : public KSCDBaseTask
{
    Q_OBJECT
public:
    KSCloudDiskCreateDirTask(QObject *parent, const QString &fileId, const QString &folderName);
    void launch() override;
    // The blocking request behind launch(): every "/"-separated level of folderName below the parent
    // is reused or created. Answers the last folder's id, or an empty text with the failure in code.
    static QString create(const QString &parentId, const QString &folderName, int *code);
    void clean() override { }

private:
    QString m_folderName;
};

// Renames a file: "renameFinished"(fileId, succeed, errCode).
class KSCLOUDDISK_API KSCloudDiskRenameFileTask : public KSCDBaseTask
{
    Q_OBJECT
public:
    KSCloudDiskRenameFileTask(QObject *parent, const QString &fileId, const QString &newName);
    void launch() override;
    void clean() override { }

private:
    QString m_newName;
};

// At sign-in: cancels the drive's unfinished transfers that belong to no task of this program and
// to no record of the account's lists, unless another live program runs or owns them.
class KSCLOUDDISK_API KSCloudDiskOrphanTransfersTask : public KSCDBaseTask
{
    Q_OBJECT
public:
    KSCloudDiskOrphanTransfersTask(QObject *parent, const QString &accountFolder);
    void launch() override;
    void clean() override { }
    // The custom uids it cancelled.
    static QStringList cancelOrphans(const QString &accountFolder);

private:
    QString m_accountFolder;
};

#endif
