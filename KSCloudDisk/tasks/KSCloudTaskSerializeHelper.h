#ifndef KSCLOUDTASKSERIALIZEHELPER_H
#define KSCLOUDTASKSERIALIZEHELPER_H

#include "kscloudglobal.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QThread>

#include <atomic>

class KSCloudDiskTask;
class KSCloudDiskViewPresenter;

// Keeps the coordinator's upload, download and done lists on disk, one JSON file per list and per
// account. Saves requested in quick succession are coalesced by this thread into one write per list.
// Several programs may share an account's folder (the editor and a script, two terminals): every
// read and write holds the folder's lock file, and a write merges by task id what the others wrote,
// so no program's records are lost to another's save.
class KSCLOUDDISK_API KSCloudTaskSerializeHelper : public QThread
{
    Q_OBJECT
public:
    enum ListKind { UploadList = 0, DownloadList = 1, DoneList = 2, AllLists = 3 };

    // Converts the task file of older versions once, at construction.
    explicit KSCloudTaskSerializeHelper(KSCloudDiskViewPresenter *coordinator);
    ~KSCloudTaskSerializeHelper() override;

    // False while no account is signed in. Async only marks the list; this thread writes it soon.
    bool save(int kind, bool async);
    bool load(int kind);
    void requestStop();

    // The account's folder: the user folder of the host + "/CloudDiskTasks/" + e-mail.
    QString accountFolder() const;
    static QString folderNameOf(const QString &email);
    // Task ids the user removed here: a later save does not take them back from the files.
    void forget(const QStringList &taskIds);
    // Every task id the account's lists on disk hold, whichever program wrote them (any thread).
    static QSet<QString> storedTaskIds(const QString &accountFolder);

    Q_INVOKABLE void invokeSave(int type);

protected:
    void run() override;

private:
    QList<KSCloudDiskTask *> *listOf(int kind) const;
    QMutex *mutexOf(int kind);
    bool saveTaskList(const QString &folder, int kind, const QList<KSCloudDiskTask *> &list);
    // The records of a list file as they are on disk; the last read is kept while the file is
    // unchanged, so a program alone on its folder does not parse its own writes again.
    QList<QJsonObject> diskRecords(const QString &path);
    QSet<QString> ownIds(int kind) const;
    bool loadTaskList(const QString &path, QList<KSCloudDiskTask *> *list, int isDoneOrDownload,
        const QSet<QString> &skipIds = QSet<QString>());
    KSCloudDiskTask *rebuild(const QJsonObject &record) const;
    void convertLegacyFile();

    struct DiskCache {
        QDateTime modified;
        qint64 size = -1;
        QList<QJsonObject> records;
    };

    KSCloudDiskViewPresenter *m_coordinator;
    // GUI thread only (saves and removals run there).
    QSet<QString> m_forgotten;
    QHash<QString, DiskCache> m_diskCache;
    QMutex m_uploadMutex;
    QMutex m_downloadMutex;
    QMutex m_doneMutex;
    // One bit per list kind, taken in one step by each pass: a move between two lists marked at
    // once is written in one pass.
    std::atomic<int> m_dirty{0};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_writeFailed{false};
};

#endif
