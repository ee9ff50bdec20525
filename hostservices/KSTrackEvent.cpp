#include "KSTrackEvent.h"

#include "IKSAppInfo.h"
#include "KSBaseLog.h"
#include "KSHostInternal.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMap>
#include <QMutex>

namespace {

struct AnalyticsState {
    QMutex mutex;
    QString file;
    QString failedFile; // warned about once
    QMap<int, KSAnalytics::Sink> sinks;
    int nextSinkId = 1;
};

// A sink that sends an event would come back into the lock on the same thread.
thread_local bool t_inSend = false;

AnalyticsState &state()
{
    static AnalyticsState *const s = new AnalyticsState;
    return *s;
}

// QJsonObject sorts its keys, and the properties must stay in the order they were set, so the
// object is written by hand; each value goes through QJsonDocument for its escaping and numbers.
QByteArray jsonValue(const QJsonValue &value)
{
    QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2);
}

QByteArray jsonLine(const KSTrackRecord &record, qint64 timeMs)
{
    QByteArray line = "{\"event\":" + jsonValue(record.name) + ",\"properties\":{";
    for (int i = 0; i < record.properties.size(); ++i) {
        const auto &property = record.properties.at(i);
        if (i > 0)
            line += ',';
        line += jsonValue(property.first) + ':' + jsonValue(QJsonValue::fromVariant(property.second));
    }
    line += "},\"time\":" + QByteArray::number(timeMs) + "}\n";
    return line;
}

} // namespace

KSTrackEvent::KSTrackEvent(const QString &name)
    : m_name(name)
{ }

KSTrackEvent::~KSTrackEvent() = default;

void KSTrackEvent::setProperty(const QString &key, const QVariant &value)
{
    for (auto &property : m_properties) {
        if (property.first == key) {
            property.second = value;
            return;
        }
    }
    m_properties.append(qMakePair(key, value));
}

QVariant KSTrackEvent::property(const QString &key) const
{
    for (const auto &property : m_properties) {
        if (property.first == key)
            return property.second;
    }
    return QVariant();
}

void KSTrackEvent::sendEvent() const
{
    KSAnalytics::send(KSTrackRecord{m_name, m_properties});
}

KSGeneralEvent::KSGeneralEvent(const QString &name)
    : m_event(name)
{ }

KSGeneralEvent::~KSGeneralEvent()
{
    m_event.sendEvent();
}

KSGeneralEvent &KSGeneralEvent::add(const QString &key, const QVariant &value)
{
    m_event.setProperty(key, value);
    return *this;
}

void KSAnalytics::setFile(const QString &path)
{
    AnalyticsState &s = state();
    QMutexLocker lock(&s.mutex);
    s.file = path;
}

QString KSAnalytics::file()
{
    {
        AnalyticsState &s = state();
        QMutexLocker lock(&s.mutex);
        if (!s.file.isEmpty())
            return s.file;
    }
    return IKSAppInfo::getInstance()->getFolder(IKSAppInfo::AppFolder) + QStringLiteral("/analytics.jsonl");
}

int KSAnalytics::addSink(Sink sink)
{
    if (!sink)
        return 0;
    AnalyticsState &s = state();
    QMutexLocker lock(&s.mutex);
    const int id = s.nextSinkId++;
    s.sinks.insert(id, std::move(sink));
    return id;
}

void KSAnalytics::removeSink(int id)
{
    AnalyticsState &s = state();
    QMutexLocker lock(&s.mutex);
    s.sinks.remove(id);
}

void KSAnalytics::send(const KSTrackRecord &record)
{
    if (record.name.isEmpty()) {
        KSLOG_WARN("analytics event without a name dropped");
        return;
    }
    if (t_inSend) {
        KSLOG_WARN("analytics event %s sent from an analytics sink dropped", qUtf8Printable(record.name));
        return;
    }
    const QString path = file();
    const QByteArray line
        = KSHostInternal::masked(QString::fromUtf8(jsonLine(record, QDateTime::currentMSecsSinceEpoch()))).toUtf8();
    AnalyticsState &s = state();
    bool warn = false;
    {
        QMutexLocker lock(&s.mutex);
        // Marked before anything that may log: a log sink forwarding to analytics must not come back in.
        t_inSend = true;
        QFile out(path);
        const bool opened = !KSHostInternal::ensurePrivateFolder(QFileInfo(path).absolutePath()).isEmpty()
            && out.open(QIODevice::Append);
        if (opened)
            KSHostInternal::makePrivateFile(path);
        const bool written = opened && out.write(line) == line.size();
        if (!written && s.failedFile != path) {
            s.failedFile = path;
            warn = true;
        } else if (written && s.failedFile == path) {
            s.failedFile.clear();
        }
        // Sinks run under the lock so that a removed sink is never called afterwards.
        for (const Sink &sink : qAsConst(s.sinks))
            sink(record);
        t_inSend = false;
    }
    if (warn)
        KSLOG_WARN("cannot write analytics to %s", qUtf8Printable(QDir::toNativeSeparators(path)));
}

struct KSAnalyticsCapture::Private {
    mutable QMutex mutex;
    QVector<KSTrackRecord> records;
    int sinkId = 0;
};

KSAnalyticsCapture::KSAnalyticsCapture()
    : d(new Private)
{
    Private *const p = d;
    d->sinkId = KSAnalytics::addSink([p](const KSTrackRecord &record) {
        QMutexLocker lock(&p->mutex);
        p->records.append(record);
    });
}

KSAnalyticsCapture::~KSAnalyticsCapture()
{
    KSAnalytics::removeSink(d->sinkId);
    delete d;
}

QVector<KSTrackRecord> KSAnalyticsCapture::records() const
{
    QMutexLocker lock(&d->mutex);
    return d->records;
}

void KSAnalyticsCapture::clear()
{
    QMutexLocker lock(&d->mutex);
    d->records.clear();
}
