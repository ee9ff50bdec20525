#ifndef KSDRIVEANSWER_H
#define KSDRIVEANSWER_H

#include <QByteArray>
#include <QJsonObject>

#include <functional>

// The answer of a cloud-drive call with an out-text: copied, released at once, parsed.
class KSDriveAnswer
{
public:
    // Runs the call with an out-text pointer and takes its answer.
    static KSDriveAnswer take(const std::function<qint64(char **)> &call);

    qint64 result() const { return m_result; }
    // The library answers with a text only when its result is non-zero.
    bool hasAnswer() const { return m_result != 0 && !m_text.isEmpty(); }
    // "code" of the answer; -1 when it has none.
    int code() const;
    QJsonValue data() const;
    // The answer text for a log line, with its secrets masked.
    QByteArray logText() const;

    // A request or answer text with its secrets masked as "***": the string values of "token",
    // "access_token", "access_code", "password" and "code" keys, and the access code of a
    // "share_id" of the form "<id>:<code>".
    static QByteArray masked(const QByteArray &json);
    static QByteArray compact(const QJsonObject &object);
    // The answer text with every bare "space_id" number turned into a string of the same digits.
    static QByteArray exactSpaceIds(const QByteArray &json);

private:
    qint64 m_result = 0;
    QByteArray m_text;
    QJsonObject m_object;
};

#endif
