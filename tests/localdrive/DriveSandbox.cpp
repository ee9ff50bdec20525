#include "DriveSandbox.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QThread>

DriveSandbox::DriveSandbox(quint64 spaceId, const SandboxServer &server)
{
    TQDriveAdmin::setDriveRoot(m_dir.filePath(QStringLiteral("drive")));
    TQDriveAdmin::resetControls();
    if (TQDriveAdmin::createAccount(QStringLiteral("user@example.com"), spaceId, &m_account) != 0)
        return;
    if (server.url.isValid()) {
        QFile conf(m_dir.filePath(QStringLiteral("drive/drive.conf")));
        if (!conf.open(QIODevice::WriteOnly))
            return;
        conf.write(
            "backend=webdav\nserver_url=" + server.url.toEncoded() + "\nserver_user=" + server.user.toUtf8() + '\n');
        conf.close();
        if (!TQDriveAdmin::setServerPassword(server.url, server.user, server.password))
            return;
    }
    TQDriveAdmin::setServiceState(m_account.accountId, TQDriveAdmin::Opened);
    m_token = TQDriveAdmin::issueToken(m_account.accountId);
    m_ready = init() && login();
}

DriveSandbox::~DriveSandbox()
{
    uninit();
    TQDriveAdmin::resetControls();
}

bool DriveSandbox::init()
{
    const QByteArray init = QJsonDocument(
        QJsonObject{{"pid", 1}, {"pname", "Cutlane"}, {"pver", "1.0"}, {"did", "test"},
            {"log_path",
                m_dir.path()}}).toJson(QJsonDocument::Compact);
    return Drive_Init(init.constData()) == 0;
}

bool DriveSandbox::login()
{
    const QByteArray login
        = QJsonDocument(QJsonObject{{QStringLiteral("token"), m_token}, {QStringLiteral("is_public"), false}})
              .toJson(QJsonDocument::Compact);
    return Drive_Login(login.constData()) == 0;
}

void DriveSandbox::uninit()
{
    Drive_Uninit();
}

QByteArray DriveSandbox::request(QJsonObject object) const
{
    object.insert(QStringLiteral("space_id"), QStringLiteral("@SPACE@"));
    return QJsonDocument(object)
        .toJson(QJsonDocument::Compact)
        .replace("\"@SPACE@\"", QByteArray::number(m_account.spaceId));
}

QByteArray DriveSandbox::shortRequest(const QString &uid) const
{
    return request({{QStringLiteral("custom_uid"), uid}});
}

QJsonObject DriveSandbox::createDir(const QString &parent, const QString &name) const
{
    const QByteArray r = request({{QStringLiteral("parent_file_id"), parent}, {QStringLiteral("name"), name},
        {QStringLiteral("hidden"), false}, {QStringLiteral("tags"), QJsonArray()}});
    return answer([&](char **o) { return Drive_CreateDir(r.constData(), o); });
}

QJsonObject DriveSandbox::list(const QString &parent) const
{
    const QByteArray r = request({{QStringLiteral("parent_file_id"), parent}});
    return answer([&](char **o) { return Drive_GetFileList(r.constData(), o); });
}

QJsonObject DriveSandbox::spaceInfo() const
{
    return answer([&](char **o) { return Drive_GetSpaceInfo(m_account.spaceId, o); });
}

void ReportLog::callback(const char *uid, const char *info, void *context)
{
    auto *log = static_cast<ReportLog *>(context);
    QMutexLocker lock(&log->m_mutex);
    log->m_reports.append(QJsonDocument::fromJson(info).object());
    log->m_times.append(QDateTime::currentMSecsSinceEpoch());
    log->m_uids.append(QString::fromUtf8(uid));
    log->m_texts.append(QByteArray(info));
    log->m_threads.append(QThread::currentThreadId());
    log->m_changed.wakeAll();
}

bool ReportLog::waitFinal(int timeoutMs)
{
    QMutexLocker lock(&m_mutex);
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        for (const QJsonObject &r : qAsConst(m_reports)) {
            const int status = r.value(QLatin1String("status")).toInt();
            if (status == 3 || status == 4)
                return true;
        }
        if (!m_changed.wait(&m_mutex, deadline))
            return false;
    }
}

bool ReportLog::waitTransferred(qint64 bytes, int timeoutMs)
{
    QMutexLocker lock(&m_mutex);
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (!m_reports.isEmpty()
            && m_reports.last()
                    .value(QLatin1String("all"))
                    .toObject()
                    .value(QLatin1String("transferred_size"))
                    .toVariant()
                    .toLongLong()
                >= bytes)
            return true;
        if (!m_changed.wait(&m_mutex, deadline))
            return false;
    }
}

QJsonObject ReportLog::final() const
{
    QMutexLocker lock(&m_mutex);
    for (const QJsonObject &r : m_reports) {
        const int status = r.value(QLatin1String("status")).toInt();
        if (status == 3 || status == 4)
            return r;
    }
    return QJsonObject();
}

int ReportLog::finalCode() const
{
    const QJsonObject f = final();
    if (f.value(QLatin1String("status")).toInt() == 3)
        return 0;
    return currentOf(f).value(QLatin1String("code")).toInt(-1);
}

QVector<QJsonObject> ReportLog::reports() const
{
    QMutexLocker lock(&m_mutex);
    return m_reports;
}

QVector<qint64> ReportLog::times() const
{
    QMutexLocker lock(&m_mutex);
    return m_times;
}

QStringList ReportLog::uids() const
{
    QMutexLocker lock(&m_mutex);
    return m_uids;
}

QVector<QByteArray> ReportLog::texts() const
{
    QMutexLocker lock(&m_mutex);
    return m_texts;
}

bool ReportLog::sawThread(Qt::HANDLE thread) const
{
    QMutexLocker lock(&m_mutex);
    return m_threads.contains(thread);
}

void ReportLog::clear()
{
    QMutexLocker lock(&m_mutex);
    m_reports.clear();
    m_times.clear();
    m_uids.clear();
    m_texts.clear();
    m_threads.clear();
}

QJsonObject currentOf(const QJsonObject &report)
{
    return report.value(QLatin1String("current")).toObject();
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex();
}

void writeFile(const QString &path, qint64 size, quint32 seed)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QRandomGenerator rng(seed);
    QByteArray block(1 << 16, Qt::Uninitialized);
    for (qint64 left = size; left > 0; left -= block.size()) {
        rng.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
        f.write(block.constData(), qMin<qint64>(left, block.size()));
    }
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
