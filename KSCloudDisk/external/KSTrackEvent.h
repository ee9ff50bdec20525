// Host analytics: named events with ordered properties, appended as JSON lines to the analytics
// file of the application folder and handed to any added sink.
#ifndef KSTRACKEVENT_H
#define KSTRACKEVENT_H

#include "kshostglobal.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>

using KSTrackProperties = QList<QPair<QString, QVariant>>;

struct KSTrackRecord {
    QString name;
    KSTrackProperties properties; // in the order they were first set
};

class KSHOST_API KSTrackEvent
{
public:
    explicit KSTrackEvent(const QString &name);
    virtual ~KSTrackEvent();
    KSTrackEvent(const KSTrackEvent &) = default;
    KSTrackEvent &operator=(const KSTrackEvent &) = default;

    QString name() const { return m_name; }
    // Setting a key again replaces its value in place.
    void setProperty(const QString &key, const QVariant &value);
    QVariant property(const QString &key) const;
    KSTrackProperties properties() const { return m_properties; }
    void sendEvent() const;

private:
    QString m_name;
    KSTrackProperties m_properties;
};

// Sent when the object is destroyed: one statement builds and sends it.
class KSHOST_API KSGeneralEvent
{
public:
    explicit KSGeneralEvent(const QString &name);
    ~KSGeneralEvent();
    KSGeneralEvent(const KSGeneralEvent &) = delete;
    KSGeneralEvent &operator=(const KSGeneralEvent &) = delete;
    KSGeneralEvent &add(const QString &key, const QVariant &value);

private:
    KSTrackEvent m_event;
};

class KSHOST_API KSAnalytics
{
public:
    using Sink = std::function<void(const KSTrackRecord &)>;
    // "<application folder>/analytics.jsonl" unless set.
    static void setFile(const QString &path);
    static QString file();
    static int addSink(Sink sink);
    static void removeSink(int id);
    static void send(const KSTrackRecord &record);
};

// Collects every event sent while it lives; for tests.
class KSHOST_API KSAnalyticsCapture
{
public:
    KSAnalyticsCapture();
    ~KSAnalyticsCapture();
    KSAnalyticsCapture(const KSAnalyticsCapture &) = delete;
    KSAnalyticsCapture &operator=(const KSAnalyticsCapture &) = delete;
    QVector<KSTrackRecord> records() const;
    void clear();

private:
    struct Private;
    Private *d;
};

#endif
