#ifndef DRIVESANDBOX_H
#define DRIVESANDBOX_H

#include "TQCoreKit.h"
#include "TQDriveAdmin.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QTemporaryDir>
#include <QUrl>
#include <QVector>
#include <QWaitCondition>

// A WebDAV server for the drive's files instead of the drive folder.
struct SandboxServer {
    QUrl url;
    QString user;
    QString password;
};

// A fresh drive folder with one signed-in account whose service is open; with a server, the drive
// keeps its files there (drive.conf written and the password stored before Drive_Init).
class DriveSandbox
{
public:
    explicit DriveSandbox(quint64 spaceId = 0, const SandboxServer &server = SandboxServer());
    ~DriveSandbox();

    bool isReady() const { return m_ready; }
    QString root() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    const TQDriveAdmin::AccountInfo &account() const { return m_account; }
    QString token() const { return m_token; }

    bool init();
    bool login();
    void uninit();

    // The request text with "space_id" written as an exact JSON number.
    QByteArray request(QJsonObject object) const;
    QByteArray shortRequest(const QString &uid) const;

    // Calls an out-text function: the answer object, or {"code": -1, "result": r} without one.
    template<typename F>
    static QJsonObject answer(F call);

    QJsonObject createDir(const QString &parent, const QString &name) const;
    QJsonObject list(const QString &parent) const;
    QJsonObject spaceInfo() const;

private:
    QTemporaryDir m_dir;
    TQDriveAdmin::AccountInfo m_account;
    QString m_token;
    bool m_ready = false;
};

// Collects progress reports from library threads.
class ReportLog
{
public:
    static void callback(const char *uid, const char *info, void *context);

    // Waits for the final report (status 3 or 4).
    bool waitFinal(int timeoutMs = 30000);
    // Waits until at least this many bytes were reported as transferred.
    bool waitTransferred(qint64 bytes, int timeoutMs = 30000);
    QJsonObject final() const;
    QVector<QJsonObject> reports() const;
    QVector<qint64> times() const;
    QStringList uids() const;
    // The report texts exactly as the callback received them.
    QVector<QByteArray> texts() const;
    // Whether a report arrived on the thread that called this (reports belong on library threads).
    bool sawThread(Qt::HANDLE thread) const;
    void clear();
    int finalCode() const;

private:
    mutable QMutex m_mutex;
    QWaitCondition m_changed;
    QVector<QJsonObject> m_reports;
    QVector<qint64> m_times;
    QStringList m_uids;
    QVector<QByteArray> m_texts;
    QVector<Qt::HANDLE> m_threads;
};

QJsonObject currentOf(const QJsonObject &report);
QByteArray fileHash(const QString &path);
void writeFile(const QString &path, qint64 size, quint32 seed);
QByteArray readAll(const QString &path);

template<typename F>
QJsonObject DriveSandbox::answer(F call)
{
    char *text = nullptr;
    const qint64 result = call(&text);
    QJsonObject o{{QStringLiteral("code"), -1}, {QStringLiteral("result"), result}};
    if (result != 0 && text) {
        o = QJsonDocument::fromJson(text).object();
        o.insert(QStringLiteral("raw"), QString::fromUtf8(text));
    }
    Drive_FreeBuf(text);
    return o;
}

#endif
