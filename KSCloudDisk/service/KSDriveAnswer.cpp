#include "KSDriveAnswer.h"

#include "TQCoreKit.h"

#include <QJsonDocument>
#include <QRegularExpression>

KSDriveAnswer KSDriveAnswer::take(const std::function<qint64(char **)> &call)
{
    char *out = nullptr;
    KSDriveAnswer answer;
    answer.m_result = call(&out);
    if (out) {
        answer.m_text = QByteArray(out);
        Drive_FreeBuf(out);
    }
    if (answer.hasAnswer())
        answer.m_object = QJsonDocument::fromJson(exactSpaceIds(answer.m_text)).object();
    return answer;
}

QByteArray KSDriveAnswer::exactSpaceIds(const QByteArray &json)
{
    // Space ids are unsigned 64-bit; the JSON reader keeps integers only up to 2^63 and rounds the
    // rest through a double. As text they arrive exactly, and QVariant reads them back as such.
    static const QRegularExpression spaceId(QStringLiteral("(\"space_id\"\\s*:\\s*)(\\d+)(?=\\s*[,}\\]])"));
    if (!json.contains("\"space_id\""))
        return json;
    return QString::fromUtf8(json).replace(spaceId, QStringLiteral("\\1\"\\2\"")).toUtf8();
}

int KSDriveAnswer::code() const
{
    const QJsonValue code = m_object.value(QLatin1String("code"));
    return code.isDouble() ? code.toInt() : -1;
}

QJsonValue KSDriveAnswer::data() const
{
    return m_object.value(QLatin1String("data"));
}

QByteArray KSDriveAnswer::logText() const
{
    return masked(m_text);
}

QByteArray KSDriveAnswer::masked(const QByteArray &json)
{
    // "code" is also every answer's result; only a string value is an access code.
    static const QRegularExpression secret(
        QStringLiteral("(\"(?:token|access_token|access_code|password|code)\"\\s*:\\s*\")(?:[^\"\\\\]|\\\\.)*\""));
    // A share download names its share as "<id>:<access code>".
    static const QRegularExpression shareCode(
        QStringLiteral("(\"share_id\"\\s*:\\s*\"(?:[^\"\\\\:]|\\\\.)*:)(?:[^\"\\\\]|\\\\.)+\""));
    return QString::fromUtf8(json)
        .replace(secret, QStringLiteral("\\1***\""))
        .replace(shareCode, QStringLiteral("\\1***\""))
        .toUtf8();
}

QByteArray KSDriveAnswer::compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
