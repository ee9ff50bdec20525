// Host text helpers: measuring and eliding text for labels, comparing names, random codes.
#ifndef KSSTRINGUTILS_H
#define KSSTRINGUTILS_H

#include "kshostglobal.h"

#include <QString>
#include <qnamespace.h>

class QFont;

class KSHOST_API KSStringUtils
{
public:
    // Equal ignoring case.
    static bool sameText(const QString &a, const QString &b);
    // Width in pixels of the text on one line in that font, as a label lays it out.
    static int calcTextLenght(const QString &text, const QFont &font);
    // The text itself when it fits `width` pixels, else the longest text that fits with an ellipsis
    // (U+2026) where `mode` puts it (Qt::ElideNone: the text unchanged), or empty when not even the
    // ellipsis fits. Only whole characters are cut away: a surrogate pair or a letter with its
    // combining marks stays together.
    static QString calcElidedString(
        const QString &text, const QFont &font, int width, Qt::TextElideMode mode = Qt::ElideRight);
};

// `length` letters and digits (A-Z, a-z, 0-9) drawn from the system's secure random source: fit
// for access codes. Empty for a length below 1.
KSHOST_API QString randomString(int length);

#endif
