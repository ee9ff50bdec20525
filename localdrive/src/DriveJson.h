#ifndef TQDRIVE_DRIVEJSON_H
#define TQDRIVE_DRIVEJSON_H

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

namespace TQDrive {

// Reading requests and writing answers. Readers return false when the key is missing or has
// another type, so a request with a wrong type never reaches the store.
namespace DriveJson {

// Ok, or BadJson when the text is not one JSON object.
int parseObject(const char *text, QJsonObject *out);
bool readString(const QJsonObject &o, const char *key, QString *out);
bool readInteger(const QJsonObject &o, const char *key, qint64 *out);
bool readUnsigned(const QJsonObject &o, const char *key, quint64 *out);
bool readBool(const QJsonObject &o, const char *key, bool *out);
// True when the key is absent (out untouched) or has the right type.
bool readOptionalString(const QJsonObject &o, const char *key, QString *out);
bool readOptionalBool(const QJsonObject &o, const char *key, bool *out);

// A 64-bit unsigned number that survives serialisation exactly (QJsonValue would round it to a double).
QJsonValue exactNumber(quint64 value);
QByteArray toText(const QJsonValue &value);
QByteArray answer(int code, const QJsonValue &data = QJsonValue());
// A malloc'ed NUL-terminated copy for an out-text; released by Drive_FreeBuf.
char *toOutText(const QByteArray &text);

// The text with its secrets replaced by "***", for the log and the call record: the string values
// of "token", "access_token", "access_code", "password" and "code" keys (a numeric "code" is a
// result, not a secret), and the access code of a "share_id" of the form "<id>:<code>".
QString masked(const QString &text);
// The same for bytes; bytes holding no secret come back untouched, even when they are not UTF-8.
QByteArray masked(const QByteArray &text);

} // namespace DriveJson
} // namespace TQDrive

#endif
