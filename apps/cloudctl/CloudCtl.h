// The editor's side of the cloud-disk plug-in, without the editor: host folders, the account,
// starting and releasing the plug-in, the answers the plug-in expects from the editor, and every
// request made the way the editor makes it, waited for on the event loop.
#ifndef CLOUDCTL_H
#define CLOUDCTL_H

#include "IKSCloudDisk.h"
#include "KSCloudDiskOperationTask.h"
#include "TransferProgress.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

#include <functional>

class KSCloudDiskTask;
class KSCloudDiskViewPresenter;
class QSocketNotifier;

class CloudCtl : public QObject
{
    Q_OBJECT
public:
    enum ItemKind { ProjectItem, TemplateItem, MediaItem, VideoItem };
    // "project", "template", "media", "video".
    static bool parseKind(const QString &name, ItemKind *kind);

    struct Transfer {
        QString taskId;
        QString name;
        bool upload = true;
        bool finished = false;
        bool failed = false;
        bool interrupted = false;
        bool paused = false; // by another host of the account, while waited for
        int errorCode = 0;
        QString reason; // the task's own words for its failure
        QString fileId; // the cloud item
        QString cloudName; // uploads: the cloud path or name the item got
        QString localPath; // downloads: where the item landed
        qint64 size = 0;
        qint64 elapsedMs = 0;
    };

    struct CloudEntry {
        QString id;
        QString name;
        QString path; // from the space root, "/" separated
        bool folder = false;
        qint64 size = 0;
    };

    explicit CloudCtl(QObject *parent = nullptr);
    ~CloudCtl() override;

    // Host folders and drive below `root`, the account signed in (and created on a fresh drive), the
    // plug-in started, signed in and its task lists loaded, their unfinished transfers restarted
    // unless `restart` is off. False with lastError() set.
    bool start(const QString &root, const QString &email, bool restart = true);
    // Custom uids of the account's transfers that another running program holds.
    QSet<QString> transfersHeldElsewhere() const;
    // Releases the plug-in as the editor does at exit: lists saved, unfinished transfers paused.
    void stop();
    QString lastError() const { return m_error; }

    IKSCloudDisk *service() const { return m_service; }
    KSCloudDiskViewPresenter *presenter() const { return m_presenter; }
    QString email() const { return m_email; }
    QString hostLog() const;

    // Transfers, each waited for with its progress line on stderr.
    Transfer upload(ItemKind kind, const QString &path, const QString &cloudFolder);
    Transfer download(ItemKind kind, const QString &fileId, const QString &target, qint64 size);
    // Waits for tasks the lists already hold (restarted at sign-in) until none is waiting or running.
    QList<Transfer> waitForTasks(const QList<KSCloudDiskTask *> &tasks);

    // Direct children of a folder ("root" is the space root), folders first.
    bool listFolder(const QString &folderId, QList<CloudEntry> *entries, int *code);
    // Every file below a folder, through the plug-in's folder listing.
    bool listTree(const QString &folderId, KSCloudFolderEntries *entries);
    // Searches the space for a file or folder id.
    bool findEntry(const QString &fileId, CloudEntry *entry);
    bool createFolder(const QString &parentId, const QString &name, QString *folderId, int *code);
    bool rename(const QString &fileId, const QString &name, int *code);
    bool recycle(const QString &fileId);
    bool deleteForGood(const QString &fileId);
    bool share(const QString &fileId, const QString &accessCode, qint64 expiresIn, KSCloudShareResult *result);
    // Reads the space figures again; 0 or the drive's code.
    int refreshDiskInfo();

    // What a failure code of the drive or the plug-in means, for the user.
    static QString errorText(int code);
    // errorText, or the task's reason when the code has no text of its own.
    static QString failureText(int code, const QString &reason);

    // A line on stderr that the progress lines do not draw over.
    void message(const QString &text);
    // Set by SIGINT or SIGTERM: waits give up, and the caller releases the plug-in cleanly.
    bool isInterrupted() const { return m_interrupted; }

private:
    class Observer : public IKSCloudDiskEventObserver
    {
    public:
        void onCloudDiskOperationDone(KSCloudDiskOperation operation) override { operations.append(operation); }
        QVector<int> operations;
    };

    bool signIn();
    bool login();
    bool waitForOperation(KSCloudDiskOperation operation, int timeoutMs);
    enum Answer { Succeeded, Refused, Unanswered };
    // Sends a recycle or delete request and waits for the plug-in's answer about that file.
    Answer waitForRemoval(const QString &fileId, const std::function<void()> &request);
    KSCloudAccountParam accountParam() const;
    void connectPresenter();
    void watchInterrupts();
    // Runs the event loop until `done` answers true; false on timeout or interruption.
    bool waitFor(const std::function<bool()> &done, int timeoutMs);
    Transfer track(const QString &taskId, const QString &name, bool upload);
    Transfer wait(const QString &taskId);
    QString submitUpload(ItemKind kind, const QString &path, const QString &cloudFolder);
    QString submitDownload(ItemKind kind, const QString &fileId, const QString &target, qint64 size);

    // The editor's answers to the plug-in.
    void onFolderCreated(const QString &taskId, const QString &fileId);
    void onProgress(const QString &taskId, qlonglong total, qlonglong transferred);
    void onUploadFinished(const QString &taskId, const QString &fileId, const QString &newName);
    void onDownloadFinished(const QString &taskId, const QString &filePath, const QString &fileId);
    void onTaskFailed(const QString &taskId, int errorCode);

    IKSCloudDisk *m_service = nullptr;
    KSCloudDiskViewPresenter *m_presenter = nullptr;
    QString m_email;
    QString m_error;
    Observer m_observer;
    TransferProgress m_progress;
    QHash<QString, Transfer> m_transfers;
    QHash<QString, qint64> m_lastActivity; // ms on m_clock, per task
    QElapsedTimer m_clock;
    QSocketNotifier *m_interruptNotifier = nullptr;
    bool m_interrupted = false;
};

#endif
