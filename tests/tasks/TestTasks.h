#ifndef TESTTASKS_H
#define TESTTASKS_H

#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"

#include <QStringList>

// The coordinator answers reports only for tasks in its lists; the request functions put them
// there, these test kinds do it themselves.
inline void listTask(QObject *parent, KSCloudDiskTask *task)
{
    if (auto *presenter = qobject_cast<KSCloudDiskViewPresenter *>(parent))
        (task->isDownload() ? presenter->downloadTaskList() : presenter->uploadTaskList())->append(task);
}

// A folder-type item stored like a custom title: "CustomTitle/<name>" in the project root.
class TestFolderTask : public KSCloudDiskTask
{
    Q_OBJECT
public:
    TestFolderTask(QObject *parent, const QString &path, int operation, const QString &downloadFolder = QString())
        : KSCloudDiskTask(parent, path.section(QLatin1Char('/'), -1), operation, 0)
        , m_downloadFolder(downloadFolder)
    {
        setFilePath(path);
        listTask(parent, this);
    }
    int fileType() const override { return CustomTitleFile; }
    bool isPresetTask() const override { return true; }
    QString cloudFolder() const override { return QStringLiteral("CustomTitle/") + name(); }
    QString localDownloadFolder() const override { return m_downloadFolder; }
    QString trackingTypeName() const override { return QStringLiteral("title"); }
    void reportUploadFailure(const QString &reason) override { failures << reason; }
    void reportDownloadFailure() override { failures << QStringLiteral("download"); }

    QStringList failures;

private:
    QString m_downloadFolder;
};

// A single file stored straight into its folder, like cloud media.
class TestMediaTask : public KSCloudDiskTask
{
    Q_OBJECT
public:
    TestMediaTask(QObject *parent, const QString &path, int operation, const QString &downloadFolder = QString())
        : KSCloudDiskTask(parent, path.section(QLatin1Char('/'), -1), operation, 0)
        , m_downloadFolder(downloadFolder)
    {
        setFilePath(path);
        listTask(parent, this);
    }
    int fileType() const override { return CloudMediaFile; }
    QString cloudFolder() const override { return QStringLiteral("Cutlane/My Cloud Media"); }
    QString localDownloadFolder() const override { return m_downloadFolder; }
    void reportUploadFailure(const QString &reason) override { failures << reason; }
    void reportDownloadFailure() override { failures << QStringLiteral("download"); }

    QStringList failures;

private:
    QString m_downloadFolder;
};

#endif
