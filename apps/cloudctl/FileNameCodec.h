// The locale codec of cloudctl: UTF-8, except that a byte that is not part of valid UTF-8 becomes
// the lone surrogate U+DC00 + byte and goes back to that byte. A file name in any encoding then
// survives the trip into a QString and back to the file system, as QFile::decodeName and
// encodeName make it.
#ifndef FILENAMECODEC_H
#define FILENAMECODEC_H

#include <QTextCodec>

class FileNameCodec : public QTextCodec
{
public:
    // Makes it the codec of the local 8-bit encoding for this process; once, before any argument
    // or file name is decoded.
    static void install();

    QByteArray name() const override;
    int mibEnum() const override;

protected:
    QString convertToUnicode(const char *in, int length, ConverterState *state) const override;
    QByteArray convertFromUnicode(const QChar *in, int length, ConverterState *state) const override;
};

#endif
