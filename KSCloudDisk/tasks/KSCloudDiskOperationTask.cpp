#include "KSCloudDiskOperationTask.h"

#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSCloudTaskSerializeHelper.h"
#include "KSDriveAnswer.h"
#include "TQCoreKit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <cstdio>

KSCloudDiskDownloadThumbTask::KSCloudDiskDownloadThumbTask(
    QObject *parent, const QString &fileId, const QString &localPath)
    : KSCDBaseTask(parent)
    , m_localPath(localPath)
{
    setFileId(fileId);
}

void KSCloudDiskDownloadThumbTask::launch()
{
    const QString folder = IKSAppInfo::getInstance()->getFolder(IKSAppInfo::AppFolder) + QStringLiteral("/CloudDisk");
    QDir().mkpath(folder);
    const QByteArray request = spaceRequest({{QStringLiteral("file_id"), fileId()},
        {QStringLiteral("check_name_mode"), 1}, {QStringLiteral("save_dir"), folder}});
    const KSDriveAnswer answer
        = KSDriveAnswer::take([&](char **out) { return Drive_SimpleDownloadFile(request, out); });
    KSLOG_INFO("CDS_SimpleDownload: %d", int(answer.result()));
    bool succeed = false;
    if (answer.hasAnswer()) {
        KSLOG_INFO("CDS_SimpleDownload: %s", answer.logText().constData());
        const QJsonValue saved = answer.data().toObject().value(QLatin1String("path"));
        if (answer.code() == 0 && saved.isString()) {
            // One atomic step over the old thumbnail: it stays until the new one is in place.
            QDir().mkpath(QFileInfo(m_localPath).path());
            succeed = std::rename(
                          QFile::encodeName(saved.toString()).constData(), QFile::encodeName(m_localPath).constData())
                == 0;
            if (!succeed)
                QFile::remove(saved.toString());
        }
    }
    if (KSCloudDiskViewPresenter *c = coordinator()) {
        QMetaObject::invokeMethod(c, "downloadThumbFinished", Qt::AutoConnection, Q_ARG(QString, fileId()),
            Q_ARG(QString, m_localPath), Q_ARG(bool, succeed));
    }
    // Runs once; nothing keeps a finished operation.
    deleteLater();
}

KSCloudDiskRemoveFileTask::KSCloudDiskRemoveFileTask(QObject *parent, const QString &fileId)
    : KSCDBaseTask(parent)
{
    setFileId(fileId);
}

void KSCloudDiskRemoveFileTask::launch()
{
    const QByteArray request = spaceRequest({{QStringLiteral("file_id"), fileId()}});
    const int result = Drive_RecycleFile(request.constData());
    KSLOG_INFO("CDS_TrashFile: %d", result);
    if (KSCloudDiskViewPresenter *c = coordinator()) {
        QMetaObject::invokeMethod(
            c, "removeFinished", Qt::AutoConnection, Q_ARG(QString, fileId()), Q_ARG(bool, result == 0));
    }
    // Runs once; nothing keeps a finished operation.
    deleteLater();
}

KSCloudDiskDeleteFileTask::KSCloudDiskDeleteFileTask(QObject *parent, const QString &fileId, bool flag, int retryCount)
    : KSCDBaseTask(parent)
    , m_flag(flag)
    , m_retryCount(retryCount)
{
    setFileId(fileId);
}

void KSCloudDiskDeleteFileTask::launch()
{
    const QByteArray request = spaceRequest({{QStringLiteral("file_id"), fileId()}});
    const int result = Drive_DeleteFile(request.constData());
    KSLOG_INFO("CDS_DeleteFile, fildId = %s, nRet = %d", qPrintable(fileId()), result);
    KSCloudDiskViewPresenter *c = coordinator();
    if (result == 0 || m_retryCount >= RetryLimit) {
        if (c) {
            QMetaObject::invokeMethod(
                c, "removeFinished", Qt::AutoConnection, Q_ARG(QString, fileId()), Q_ARG(bool, result == 0));
        }
    } else if (c) {
        ++m_retryCount;
        KSLOG_INFO("retry delete cloud disk file, fileId = %s, errorCode = %d, retryCount = %d", qPrintable(fileId()),
            result, m_retryCount);
        // The next try is a new task, built and queued by the coordinator on its own thread.
        const QString id = fileId();
        const bool flag = m_flag;
        const int retryCount = m_retryCount;
        QMetaObject::invokeMethod(c, [c, id, flag, retryCount]() { c->deleteFile(id, flag, retryCount); });
    }
    // Runs once; nothing keeps a finished operation.
    deleteLater();
}

KSCloudDiskLoadFolderFilesTask::KSCloudDiskLoadFolderFilesTask(
    QObject *parent, const QString &fileId, const QString &basePath)
    : KSCDBaseTask(parent)
    , m_basePath(basePath)
{
    setFileId(fileId);
}

void KSCloudDiskLoadFolderFilesTask::launch()
{
    m_entries.clear();
    loadFolderFiles(fileId(), m_basePath + QLatin1Char('/'));
    if (KSCloudDiskViewPresenter *c = coordinator()) {
        QMetaObject::invokeMethod(c, "loadFolderFilesFinished", Qt::AutoConnection, Q_ARG(QString, fileId()),
            Q_ARG(QVariant, QVariant::fromValue(m_entries)));
    }
    // Runs once; nothing keeps a finished operation.
    deleteLater();
}

void KSCloudDiskLoadFolderFilesTask::loadFolderFiles(const QString &parentId, const QString &path)
{
    const QByteArray request = spaceRequest({{QStringLiteral("parent_file_id"), parentId}});
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_GetFileList(request, out); });
    KSLOG_INFO("CDS_GetDirList: %d", int(answer.result()));
    if (!answer.hasAnswer())
        return;
    KSLOG_INFO("CDS_GetDirList: %s", answer.logText().constData());
    if (answer.code() != 0)
        return;
    for (const QJsonValue &value : answer.data().toArray()) {
        const QJsonObject entry = value.toObject();
        if (!entry.contains(QLatin1String("file_id")))
            continue;
        const QString id = entry.value(QLatin1String("file_id")).toString();
        const QString name = entry.value(QLatin1String("name")).toString();
        if (entry.value(QLatin1String("type")).toString() == QLatin1String("folder")) {
            loadFolderFiles(id, path + name + QLatin1Char('/'));
            continue;
        }
        QString thumbnail = entry.value(QLatin1String("thumbnail")).toString();
        if (thumbnail.isEmpty())
            thumbnail = QStringLiteral(" ");
        const qint64 size = entry.value(QLatin1String("size")).toVariant().toLongLong();
        m_entries.append(
            qMakePair(id, path + name + QLatin1Char('|') + QString::number(size) + QLatin1Char('|') + thumbnail));
    }
}

KSCloudDiskCreateDirTask::KSCloudDiskCreateDirTask(QObject *parent, const QString &fileId, const QString &folderName)
    : KSCDBaseTask(parent)
    , m_folderName(folderName)
{
    setFileId(fileId);
}

QString KSCloudDiskCreateDirTask::create(const QString &parentId, const QString &folderName, int *code)
{
    const QByteArray request = spaceRequest({{QStringLiteral("parent_file_id"), parentId},
        {QStringLiteral("name"), folderName}, {QStringLiteral("hidden"), false}});
    const KSDriveAnswer answer = KSDriveAnswer::take([&](char **out) { return Drive_CreateDir(request, out); });
    KSLOG_INFO("CDS_CreateDir: %d", int(answer.result()));
    *code = -1;
    if (!answer.hasAnswer())
        return QString();
    KSLOG_INFO("CDS_CreateDir: %s", answer.logText().constData());
    *code = answer.code();
    const QJsonValue id = answer.data().toObject().value(QLatin1String("file_id"));
    return *code == 0 && id.isString() ? id.toString() : QString();
}

void KSCloudDiskCreateDirTask::launch()
{
    int code = -1;
    const bool succeed = !create(fileId(), m_folderName, &code).isEmpty();
    if (KSCloudDiskViewPresenter *c = coordinator()) {
        QMetaObject::invokeMethod(c, "createDirFinished", Qt::AutoConnection, Q_ARG(QString, fileId()),
            Q_ARG(bool, succeed), Q_ARG(int, code));
    }
    // Runs once; nothing keeps a finished operation.
    deleteLater();
}

KSCloudDiskRenameFileTask::KSCloudDiskRenameFileTask(QObject *parent, const QString &fileId, const QString &newName)
    : KSCDBaseTask(parent)
    , m_newName(newName)
{
    setFileId(fileId);
}

void KSCloudDiskRenameFileTask::launch()
{
    const QByteArray request
        = spaceRequest({{QStringLiteral("file_id"), fileId()}, {QStringLiteral("new_file_name"), m_newName}});
    const int result = Drive_RenameFile(request.constData());
    KSLOG_INFO("CDS_RenameFile: %d", result);
    if (KSCloudDiskViewPresenter *c = coordinator()) {
        QMetaObject::invokeMethod(c, "renameFinished", Qt::AutoConnection, Q_ARG(QString, fileId()),
            Q_ARG(bool, result == 0), Q_ARG(int, result));
    }
    // Runs once; nothing keeps a finished operation.
    deleteLater();
}

KSCloudDiskOrphanTransfersTask::KSCloudDiskOrphanTransfersTask(QObject *parent, const QString &accountFolder)
    : KSCDBaseTask(parent)
    , m_accountFolder(accountFolder)
{ }

void KSCloudDiskOrphanTransfersTask::launch()
{
    cancelOrphans(m_accountFolder);
    deleteLater();
}

QStringList KSCloudDiskOrphanTransfersTask::cancelOrphans(const QString &accountFolder)
{
    QStringList cancelled;
    const KSDriveAnswer answer = KSDriveAnswer::take([](char **out) { return Drive_GetTransferList("{}", out); });
    KSLOG_INFO("CDS_GetTransferList: %d", int(answer.result()));
    if (!answer.hasAnswer() || answer.code() != 0) {
        if (answer.hasAnswer())
            KSLOG_INFO("CDS_GetTransferList: %s", answer.logText().constData());
        return cancelled;
    }
    QSet<QString> stored;
    bool storedRead = false;
    for (const QJsonValue &value : answer.data().toArray()) {
        const QJsonObject transfer = value.toObject();
        const QString uid = transfer.value(QLatin1String("custom_uid")).toString();
        if (uid.isEmpty() || transfer.value(QLatin1String("running_here")).toBool()
            || transfer.value(QLatin1String("owner_alive")).toBool() || KSCloudDiskTask::isLiveTaskId(uid))
            continue;
        // Read once, and only when there is a candidate: another program's tasks are in the files.
        if (!storedRead) {
            stored = KSCloudTaskSerializeHelper::storedTaskIds(accountFolder);
            storedRead = true;
        }
        if (stored.contains(uid))
            continue;
        const QByteArray request = KSDriveAnswer::compact({{QStringLiteral("custom_uid"), uid}});
        const bool upload = transfer.value(QLatin1String("kind")).toInt() == 1;
        const int result
            = upload ? Drive_CancelUploadFile(request.constData()) : Drive_CancelDownloadFile(request.constData());
        KSLOG_INFO("cancel transfer without task: %s, %s: %d", upload ? "upload" : "download", qPrintable(uid), result);
        if (result == 0)
            cancelled.append(uid);
    }
    return cancelled;
}
