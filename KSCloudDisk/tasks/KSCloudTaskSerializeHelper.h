#ifndef KSCLOUDTASKSERIALIZEHELPER_H
#define KSCLOUDTASKSERIALIZEHELPER_H

#include "kscloudglobal.h"

#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QThread>

#include <atomic>

class KSCloudDiskTask;
class KSCloudDiskViewPresenter;

// Keeps the coordinator's upload, download and done lists on disk, one JSON file per list and per
// account. Saves requested in quick succession are coalesced by this thread into one write per list.
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

    Q_INVOKABLE void invokeSave(int type);

protected:
    void run() override;

private:
    QList<KSCloudDiskTask *> *listOf(int kind) const;
    QMutex *mutexOf(int kind);
    bool saveTaskList(const QString &path, const QList<KSCloudDiskTask *> &list);
    bool loadTaskList(const QString &path, QList<KSCloudDiskTask *> *list, int isDoneOrDownload);
    KSCloudDiskTask *rebuild(const QJsonObject &record) const;
    void convertLegacyFile();

    KSCloudDiskViewPresenter *m_coordinator;
    QMutex m_uploadMutex;
    QMutex m_downloadMutex;
    QMutex m_doneMutex;
    std::atomic<bool> m_uploadDirty{false};
    std::atomic<bool> m_downloadDirty{false};
    std::atomic<bool> m_doneDirty{false};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_writeFailed{false};
};

#endif
