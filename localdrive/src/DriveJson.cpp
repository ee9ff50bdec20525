#include "DriveJson.h"

#include "TQDriveCodes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QVariant>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace TQDrive {
namespace DriveJson {

namespace {

// Marks a string that toText turns back into a bare number. The random part keeps any text a
// user stores (names, tags) from ever being mistaken for the marker.
const QByteArray &exactMarker()
{
    static const QByteArray marker
        = "\\u001fN" + QByteArray::number(QRandomGenerator::system()->generate64(), 36) + ':';
    return marker;
}

} // namespace

int parseObject(const char *text, QJsonObject *out)
{
    if (!text)
        return BadJson;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(text), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return BadJson;
    *out = doc.object();
    return Ok;
}

bool readString(const QJsonObject &o, const char *key, QString *out)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isString())
        return false;
    *out = v.toString();
    return true;
}

bool readInteger(const QJsonObject &o, const char *key, qint64 *out)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble())
        return false;
    const QVariant var = v.toVariant();
    if (var.type() == QVariant::LongLong) {
        *out = var.toLongLong();
        return true;
    }
    const double d = v.toDouble();
    if (std::floor(d) != d || std::fabs(d) > 9007199254740992.0)
        return false;
    *out = qint64(d);
    return true;
}

bool readUnsigned(const QJsonObject &o, const char *key, quint64 *out)
{
    qint64 value = 0;
    if (!readInteger(o, key, &value) || value < 0)
        return false;
    *out = quint64(value);
    return true;
}

bool readBool(const QJsonObject &o, const char *key, bool *out)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isBool())
        return false;
    *out = v.toBool();
    return true;
}

bool readOptionalString(const QJsonObject &o, const char *key, QString *out)
{
    return !o.contains(QLatin1String(key)) || readString(o, key, out);
}

bool readOptionalBool(const QJsonObject &o, const char *key, bool *out)
{
    return !o.contains(QLatin1String(key)) || readBool(o, key, out);
}

QJsonValue exactNumber(quint64 value)
{
    // Stored unescaped; toJson writes the control character as \u001f, which toText looks for.
    static const QString prefix
        = QString::fromLatin1(exactMarker()).replace(QStringLiteral("\\u001f"), QStringLiteral("\x1f"));
    return QJsonValue(prefix + QString::number(value));
}

QByteArray toText(const QJsonValue &value)
{
    QByteArray text;
    if (value.isObject())
        text = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    else if (value.isArray())
        text = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else
        return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    const QByteArray &marker = exactMarker();
    int at = 0;
    while ((at = text.indexOf(marker, at)) >= 0) {
        // at - 1 is the opening quote; the digits run to the closing quote.
        const int digits = at + marker.size();
        const int close = text.indexOf('"', digits);
        if (at == 0 || close < 0)
            break;
        const QByteArray number = text.mid(digits, close - digits);
        text.replace(at - 1, close - at + 2, number);
        at = at - 1 + number.size();
    }
    return text;
}

QByteArray answer(int code, const QJsonValue &data)
{
    QJsonObject o;
    o.insert(QStringLiteral("code"), code);
    o.insert(QStringLiteral("data"), data);
    return toText(o);
}

char *toOutText(const QByteArray &text)
{
    char *out = static_cast<char *>(std::malloc(size_t(text.size()) + 1));
    if (out)
        std::memcpy(out, text.constData(), size_t(text.size()) + 1);
    return out;
}

QString masked(const QString &text)
{
    static const QRegularExpression secret(
        QStringLiteral("(\"(?:token|access_token|access_code|password|code)\"\\s*:\\s*\")(?:[^\"\\\\]|\\\\.)*\""));
    static const QRegularExpression shareCode(
        QStringLiteral("(\"share_id\"\\s*:\\s*\"(?:[^\"\\\\:]|\\\\.)*:)(?:[^\"\\\\]|\\\\.)+\""));
    QString out = text;
    out.replace(secret, QStringLiteral("\\1***\""));
    out.replace(shareCode, QStringLiteral("\\1***\""));
    return out;
}

QByteArray masked(const QByteArray &text)
{
    const QString in = QString::fromUtf8(text);
    const QString out = masked(in);
    return out == in ? text : out.toUtf8();
}

} // namespace DriveJson
} // namespace TQDrive
