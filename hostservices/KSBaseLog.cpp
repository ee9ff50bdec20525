#include "KSBaseLog.h"

#include "KSHostInternal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QRegularExpression>
#include <QThread>

#include <cstdarg>
#include <cstdio>

namespace {

struct LogState {
    QMutex loggerMutex;
    QHash<QString, KSBaseLogger *> loggers;

    // Guards everything a record touches once it is on its way: the file and the sinks. Sinks run
    // under it so that removeSink() returning means the sink is no longer running anywhere.
    QMutex sinkMutex;
    QMap<int, KSBaseLog::Sink> sinks;
    int nextSinkId = 1;
    QString folderOverride;
    QFile file;
    QString failedPath; // not retried on every record while the path stays the same
};

LogState &state()
{
    // Never destroyed: objects destroyed at exit still log.
    static LogState *const s = new LogState;
    return *s;
}

// A sink that logs would come back into the sink mutex on the same thread.
thread_local bool t_inLog = false;

QString folderLocked(const LogState &s)
{
    return s.folderOverride.isEmpty() ? KSHostInternal::userDataPath() : s.folderOverride;
}

QString levelText(int level)
{
    switch (level) {
    case KSLogInfo:
        return QStringLiteral("INFO");
    case KSLogWarning:
        return QStringLiteral("WARN");
    case KSLogError:
        return QStringLiteral("ERROR");
    default:
        return QString::number(level);
    }
}

QString formatLine(const KSLogRecord &record)
{
    const QString file = QString::fromUtf8(record.file);
    QString message = record.message;
    // One record, one line: a reader splitting the file by lines must not see half a record.
    message.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QStringLiteral("%1 [%2] [%3] [%4] %5:%6 %7: %8")
        .arg(record.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), levelText(record.level), record.logger,
            QString::number(record.threadId, 16), file.mid(file.lastIndexOf(QLatin1Char('/')) + 1),
            QString::number(record.line), QString::fromUtf8(record.function), message);
}

void writeToFileLocked(LogState &s, const QByteArray &line)
{
    const QString path = folderLocked(s) + QStringLiteral("/host.log");
    if (s.file.isOpen() && s.file.fileName() != path)
        s.file.close();
    if (!s.file.isOpen()) {
        if (path == s.failedPath)
            return;
        s.file.setFileName(path);
        if (KSHostInternal::ensurePrivateFolder(QFileInfo(path).absolutePath()).isEmpty()
            || !s.file.open(QIODevice::Append | QIODevice::Text)) {
            s.failedPath = path;
            std::fprintf(stderr, "KSBaseLog: cannot open %s\n", qPrintable(QDir::toNativeSeparators(path)));
            return;
        }
        KSHostInternal::makePrivateFile(path);
        s.failedPath.clear();
    }
    s.file.write(line);
    // Flushed per record: the lines before a crash are the ones that matter.
    s.file.flush();
}

} // namespace

QString KSHostInternal::masked(const QString &text)
{
    // Every secret it knows is a JSON string value, so a text without quotes has none.
    if (!text.contains(QLatin1Char('"')))
        return text;
    static const QRegularExpression secret(
        QStringLiteral("(\"(?:token|access_token|access_code|password|code)\"\\s*:\\s*\")(?:[^\"\\\\]|\\\\.)*\""));
    static const QRegularExpression shareCode(
        QStringLiteral("(\"share_id\"\\s*:\\s*\"(?:[^\"\\\\:]|\\\\.)*:)(?:[^\"\\\\]|\\\\.)+\""));
    QString out = text;
    out.replace(secret, QStringLiteral("\\1***\""));
    out.replace(shareCode, QStringLiteral("\\1***\""));
    return out;
}

KSBaseLogger::KSBaseLogger(const QString &name)
    : m_name(name)
{ }

QString KSBaseLogger::name() const
{
    return m_name;
}

bool KSBaseLogger::should_log_(int level) const
{
    return level >= m_level.load(std::memory_order_relaxed);
}

void KSBaseLogger::setLevel(int minimumLevel)
{
    m_level.store(minimumLevel, std::memory_order_relaxed);
}

int KSBaseLogger::level() const
{
    return m_level.load(std::memory_order_relaxed);
}

void KSBaseLogger::log_(const KSLogRecord &given, bool enabled)
{
    if (!enabled || t_inLog)
        return;
    t_inLog = true;
    // Masked before any sink sees it: a sink may write it anywhere.
    KSLogRecord record = given;
    record.message = KSHostInternal::masked(given.message);
    const QString text = formatLine(record);
    LogState &s = state();
    {
        QMutexLocker lock(&s.sinkMutex);
        const QByteArray line = text.toUtf8() + '\n';
        writeToFileLocked(s, line);
        if (record.level >= KSLogWarning) {
            std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
            std::fflush(stderr);
        }
        for (const KSBaseLog::Sink &sink : qAsConst(s.sinks))
            sink(record);
    }
    t_inLog = false;
}

void KSBaseLogger::logf(int level, const char *file, int line, const char *function, const char *format, ...)
{
    if (!should_log_(level))
        return;
    KSLogRecord record;
    record.logger = m_name;
    record.level = level;
    record.file = file ? file : "";
    record.line = line;
    record.function = function ? function : "";
    record.time = QDateTime::currentDateTime();
    record.threadId = quint64(quintptr(QThread::currentThreadId()));
    va_list args;
    va_start(args, format);
    record.message = QString::vasprintf(format, args);
    va_end(args);
    log_(record, true);
}

KSBaseLogger *KSBaseLog::defaultLogger()
{
    static KSBaseLogger *const logger = KSBaseLog::logger(QStringLiteral("default"));
    return logger;
}

KSBaseLogger *KSBaseLog::logger(const QString &name)
{
    LogState &s = state();
    QMutexLocker lock(&s.loggerMutex);
    KSBaseLogger *&logger = s.loggers[name];
    if (!logger)
        logger = new KSBaseLogger(name);
    return logger;
}

void KSBaseLog::setLogFolder(const QString &folder)
{
    LogState &s = state();
    QMutexLocker lock(&s.sinkMutex);
    s.folderOverride = folder;
}

QString KSBaseLog::logFile()
{
    LogState &s = state();
    QMutexLocker lock(&s.sinkMutex);
    return folderLocked(s) + QStringLiteral("/host.log");
}

int KSBaseLog::addSink(Sink sink)
{
    if (!sink)
        return 0;
    LogState &s = state();
    QMutexLocker lock(&s.sinkMutex);
    const int id = s.nextSinkId++;
    s.sinks.insert(id, std::move(sink));
    return id;
}

void KSBaseLog::removeSink(int id)
{
    LogState &s = state();
    QMutexLocker lock(&s.sinkMutex);
    s.sinks.remove(id);
}

struct KSLogCapture::Private {
    mutable QMutex mutex;
    QVector<KSLogRecord> records;
    int sinkId = 0;
};

KSLogCapture::KSLogCapture()
    : d(new Private)
{
    Private *const p = d;
    d->sinkId = KSBaseLog::addSink([p](const KSLogRecord &record) {
        QMutexLocker lock(&p->mutex);
        p->records.append(record);
    });
}

KSLogCapture::~KSLogCapture()
{
    KSBaseLog::removeSink(d->sinkId);
    delete d;
}

QVector<KSLogRecord> KSLogCapture::records() const
{
    QMutexLocker lock(&d->mutex);
    return d->records;
}

QStringList KSLogCapture::messages(const QString &logger) const
{
    QMutexLocker lock(&d->mutex);
    QStringList messages;
    for (const KSLogRecord &record : qAsConst(d->records)) {
        if (logger.isEmpty() || record.logger == logger)
            messages.append(record.message);
    }
    return messages;
}

void KSLogCapture::clear()
{
    QMutexLocker lock(&d->mutex);
    d->records.clear();
}
