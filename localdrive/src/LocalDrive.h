#ifndef TQDRIVE_LOCALDRIVE_H
#define TQDRIVE_LOCALDRIVE_H

#include "DriveCatalog.h"
#include "DriveConfig.h"
#include "DriveContent.h"
#include "DriveControl.h"
#include "DriveStore.h"
#include "TQCoreKit.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QSet>
#include <QThreadPool>

#include <memory>

namespace TQDrive {

class TransferJob;

// The library's session: the drive folder in use, the signed-in token, the running transfers and
// the token-expiry callback. One per process, behind the Drive_* functions.
class LocalDrive
{
public:
    static LocalDrive &instance();

    // Marks the library's own threads (transfers, notifications) while it lives.
    struct LibraryThreadScope {
        LibraryThreadScope();
        ~LibraryThreadScope();
    };

    DriveControl &control() { return m_control; }

    QString driveRoot() const;
    void setDriveRoot(const QString &folder);
    // The store of the configured folder, opened on demand; for the admin functions.
    std::shared_ptr<DriveStore> adminStore();

    // What the server measured at sign-in; empty for the local drive.
    QJsonObject serverCapabilities() const;

    int init(const QJsonObject &request);
    int uninit();
    bool isInitialized() const;
    int login(const QJsonObject &request);
    int logout();
    int updateToken(const QString &token);
    void setExpireCallback(Drive_TokenExpireCallback callback, void *context);

    int queryService(const QJsonObject &request, QJsonValue *data);
    int openService(const QJsonObject &request, QJsonValue *data);
    int spaceList(QJsonValue *data);
    int spaceInfo(quint64 spaceId, QJsonValue *data);
    int projectRoot(const QJsonObject &request, QJsonValue *data);
    int createDir(const QJsonObject &request, QJsonValue *data);
    int fileList(const QJsonObject &request, QJsonValue *data);
    int search(const QJsonObject &request, QJsonValue *data);
    int share(const QJsonObject &request, QJsonValue *data);
    int simpleDownload(const QJsonObject &request, QJsonValue *data);
    int deleteFile(const QJsonObject &request);
    int recycleFile(const QJsonObject &request);
    int renameFile(const QJsonObject &request);
    int isBlocked(const QJsonObject &request, bool *blocked);

    int startUpload(const QJsonObject &request, Drive_ProgressCallback callback, void *context);
    int startDownload(const QJsonObject &request, Drive_ProgressCallback callback, void *context);
    int resume(TransferKind kind, const QJsonObject &request, Drive_ProgressCallback callback, void *context);
    int pause(TransferKind kind, const QJsonObject &request);
    int cancel(TransferKind kind, const QJsonObject &request);
    int transferList(const QJsonObject &request, QJsonValue *data);

    // For running jobs: Ok while the account's session is usable.
    int checkSession(qint64 accountId);
    void jobEnded(TransferJob *job);
    void logLine(const QString &line);
    // Threads that hash chunks beside the transfer threads; null when not initialised.
    QThreadPool *hashPool() const;

private:
    LocalDrive();
    ~LocalDrive();

    std::shared_ptr<DriveStore> store() const;
    std::shared_ptr<DriveCatalog> catalog() const;
    std::shared_ptr<DriveContent> content() const;
    // The signed-in account and its default space, with the space id of the request checked.
    int session(const QJsonObject &request, Account *account, Space *space, bool checkSpaceId = true);
    int sessionAndFile(const QJsonObject &request, Space *space, QString *fileId);
    int accountForToken(const QString &token, Account *account);
    int accountOfRequest(const QJsonObject &request, Account *account);
    static int queryCode(ServiceState state);
    // With a server backend: measures the server and opens its catalog for the account's space.
    int connectServer(const Account &account, const QString &token);
    Space withServerUsage(Space space) const;
    bool serverBackend() const;
    void notifyExpired(const QString &token);
    int serviceCode(const Account &account) const;
    QJsonObject entryJson(const Entry &entry, const std::shared_ptr<DriveContent> &content) const;
    QJsonArray entriesJson(const QVector<Entry> &entries) const;
    int planUpload(const QJsonObject &item, const Space &space, TransferRecord *record, QVector<TransferItem> *items);
    int planDownload(const QJsonObject &item, const std::shared_ptr<DriveStore> &store,
        const std::shared_ptr<DriveCatalog> &catalog, const Account *account, const Space *space,
        TransferRecord *record, QVector<TransferItem> *items);
    int transferUid(const QJsonObject &request, QString *uid) const;
    // Busy when the transfer runs in this or another live process.
    bool isRunning(const TransferRecord &record);
    int launch(const TransferRecord &record, const QVector<TransferItem> &items, Drive_ProgressCallback callback,
        void *context);
    int resumeCompleted(const std::shared_ptr<DriveStore> &store, TransferKind kind, const QString &uid,
        const QJsonObject &request, Drive_ProgressCallback callback, void *context);
    std::shared_ptr<TransferJob> job(const QString &uid, TransferKind kind);
    // Discards the transfers left untouched for long and the staging folders no transfer owns.
    void dropAbandoned(const std::shared_ptr<DriveStore> &store);
    void stopJobs(bool onlyAccountJobs);

    mutable QMutex m_mutex;
    QString m_rootOverride;
    std::shared_ptr<DriveStore> m_store;
    std::shared_ptr<DriveStore> m_adminStore;
    std::shared_ptr<DriveCatalog> m_catalog;
    std::shared_ptr<DriveContent> m_content;
    DriveConfig m_config;
    quint64 m_serverSpace = 0; // the space the server catalog was opened for
    bool m_initialized = false;
    bool m_closing = false; // Drive_Uninit is stopping the transfers
    QString m_productName = QStringLiteral("Cutlane");
    QString m_logPath;
    QString m_token;
    bool m_signedIn = false;
    QSet<QString> m_expiryNotified;
    Drive_TokenExpireCallback m_expireCallback = nullptr;
    void *m_expireContext = nullptr;
    QHash<QString, std::shared_ptr<TransferJob>> m_jobs;
    // The callback each transfer was last started with in this process: a resume without one keeps it.
    QHash<QString, Drive_ProgressCallback> m_callbacks;
    QThreadPool *m_transferPool = nullptr;
    QThreadPool *m_notifyPool = nullptr;
    QThreadPool *m_hashPool = nullptr;
    DriveControl m_control;
    QMutex m_logMutex;
};

} // namespace TQDrive

#endif
