#include "FileNameCodec.h"

namespace {

constexpr ushort kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence at in[0..length), or 0 when it is not one.
int validSequence(const uchar *in, int length, uint *codePoint)
{
    const uchar lead = in[0];
    int size = 0;
    uint value = 0;
    uint minimum = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        size = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        size = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (length < size)
        return 0;
    for (int i = 1; i < size; ++i) {
        if ((in[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (in[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not UTF-8 either.
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return size;
}

} // namespace

void FileNameCodec::install()
{
    // Codecs register themselves and are owned by Qt from then on.
    QTextCodec::setCodecForLocale(new FileNameCodec);
}

QByteArray FileNameCodec::name() const
{
    return QByteArrayLiteral("UTF-8 with escaped bytes");
}

int FileNameCodec::mibEnum() const
{
    // Not an IANA encoding: a private number.
    return -106;
}

QString FileNameCodec::convertToUnicode(const char *in, int length, ConverterState *) const
{
    QString out;
    out.reserve(length);
    const auto *bytes = reinterpret_cast<const uchar *>(in);
    for (int i = 0; i < length;) {
        uint codePoint = 0;
        const int size = validSequence(bytes + i, length - i, &codePoint);
        if (size == 0) {
            out.append(QChar(ushort(kEscapeBase + bytes[i])));
            ++i;
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            out.append(QChar(QChar::highSurrogate(codePoint)));
            out.append(QChar(QChar::lowSurrogate(codePoint)));
        } else {
            out.append(QChar(ushort(codePoint)));
        }
        i += size;
    }
    return out;
}

QByteArray FileNameCodec::convertFromUnicode(const QChar *in, int length, ConverterState *) const
{
    QByteArray out;
    out.reserve(length);
    for (int i = 0; i < length; ++i) {
        const ushort unit = in[i].unicode();
        if (in[i].isHighSurrogate() && i + 1 < length && in[i + 1].isLowSurrogate()) {
            out.append(QString(in + i, 2).toUtf8());
            ++i;
        } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            out.append(char(unit - kEscapeBase));
        } else {
            out.append(QString(in + i, 1).toUtf8());
        }
    }
    return out;
}
