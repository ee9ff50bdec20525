// Host logging: named loggers, levels 4 (info), 8 (warning), 16 (error), records with their source
// location, delivered to the log file, to stderr (warnings and errors) and to any added sink.
#ifndef KSBASELOG_H
#define KSBASELOG_H

#include "kshostglobal.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <functional>

enum KSLogLevel { KSLogInfo = 4, KSLogWarning = 8, KSLogError = 16 };

struct KSLogRecord {
    QString logger;
    int level = KSLogInfo;
    const char *file = ""; // static text from __FILE__
    int line = 0;
    const char *function = ""; // static text from Q_FUNC_INFO
    QDateTime time;
    quint64 threadId = 0;
    QString message;
};

class KSHOST_API KSBaseLogger
{
public:
    QString name() const;
    bool should_log_(int level) const;
    // Hands the record to every sink; a record that is not enabled is dropped.
    void log_(const KSLogRecord &record, bool enabled);
    void setLevel(int minimumLevel);
    int level() const;

    // printf-style entry behind the KSLOG_* macros.
    void logf(int level, const char *file, int line, const char *function, const char *format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 6, 7)))
#endif
        ;

private:
    friend class KSBaseLog;
    explicit KSBaseLogger(const QString &name);
    QString m_name;
    std::atomic<int> m_level{KSLogInfo}; // read by every thread that logs
};

class KSHOST_API KSBaseLog
{
public:
    using Sink = std::function<void(const KSLogRecord &)>;

    static KSBaseLogger *defaultLogger();
    // The logger of that name, created on first use; it lives until the process ends.
    static KSBaseLogger *logger(const QString &name);
    // The log file is "<folder>/host.log"; by default the application information's log folder (kind 15).
    static void setLogFolder(const QString &folder);
    static QString logFile();
    static int addSink(Sink sink);
    static void removeSink(int id);
};

// Collects every record logged while it lives; for tests.
class KSHOST_API KSLogCapture
{
public:
    KSLogCapture();
    ~KSLogCapture();
    KSLogCapture(const KSLogCapture &) = delete;
    KSLogCapture &operator=(const KSLogCapture &) = delete;

    QVector<KSLogRecord> records() const;
    // Messages in order, of one logger or of all when the name is empty.
    QStringList messages(const QString &logger = QString()) const;
    void clear();

private:
    struct Private;
    Private *d;
};

// A trace of one scope: "enter <label>" when built and "leave <label>" when gone, on the logger
// "trace", so that nested timings can be read off the log.
class KSScopeTrace
{
public:
    KSScopeTrace(const char *label, const char *file, int line, const char *function)
        : m_label(label)
        , m_file(file)
        , m_function(function)
    {
        KSBaseLog::logger(QStringLiteral("trace"))->logf(KSLogInfo, file, line, function, "enter %s", label);
    }
    ~KSScopeTrace()
    {
        KSBaseLog::logger(QStringLiteral("trace"))->logf(KSLogInfo, m_file, 0, m_function, "leave %s", m_label);
    }
    KSScopeTrace(const KSScopeTrace &) = delete;
    KSScopeTrace &operator=(const KSScopeTrace &) = delete;

private:
    const char *m_label;
    const char *m_file;
    const char *m_function;
};
#define KScopeDebugger(label) KSScopeTrace ksScopeTrace((label), __FILE__, __LINE__, Q_FUNC_INFO)

#define KSLOG_AT(loggerPtr, level, ...) (loggerPtr)->logf((level), __FILE__, __LINE__, Q_FUNC_INFO, __VA_ARGS__)
#define KSLOG_INFO(...) KSLOG_AT(KSBaseLog::defaultLogger(), KSLogInfo, __VA_ARGS__)
#define KSLOG_WARN(...) KSLOG_AT(KSBaseLog::defaultLogger(), KSLogWarning, __VA_ARGS__)
#define KSLOG_ERROR(...) KSLOG_AT(KSBaseLog::defaultLogger(), KSLogError, __VA_ARGS__)
#define KSLOG_INFO_TO(name, ...) KSLOG_AT(KSBaseLog::logger(QStringLiteral(name)), KSLogInfo, __VA_ARGS__)
#define KSLOG_WARN_TO(name, ...) KSLOG_AT(KSBaseLog::logger(QStringLiteral(name)), KSLogWarning, __VA_ARGS__)
#define KSLOG_ERROR_TO(name, ...) KSLOG_AT(KSBaseLog::logger(QStringLiteral(name)), KSLogError, __VA_ARGS__)

#endif
