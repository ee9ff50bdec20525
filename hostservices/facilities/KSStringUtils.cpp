// Text measuring and eliding for labels, name comparison and random codes.
#include "KSStringUtils.h"

#include <QFont>
#include <QFontMetrics>
#include <QRandomGenerator>
#include <QTextBoundaryFinder>
#include <QVector>

namespace {

// Offsets where the text may be cut: between user-perceived characters, so neither a surrogate
// pair nor a base letter and its combining marks are split. Starts with 0, ends with the length.
QVector<int> characterBoundaries(const QString &text)
{
    QVector<int> cuts{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0)
        cuts.append(finder.position());
    if (cuts.constLast() != text.size())
        cuts.append(text.size());
    return cuts;
}

} // namespace

bool KSStringUtils::sameText(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

int KSStringUtils::calcTextLenght(const QString &text, const QFont &font)
{
    return QFontMetrics(font).horizontalAdvance(text);
}

QString KSStringUtils::calcElidedString(const QString &text, const QFont &font, int width, Qt::TextElideMode mode)
{
    const QFontMetrics metrics(font);
    if (mode == Qt::ElideNone || metrics.horizontalAdvance(text) <= width)
        return text;
    const QString ellipsis(QChar(0x2026));
    if (metrics.horizontalAdvance(ellipsis) > width)
        return QString();

    const QVector<int> cuts = characterBoundaries(text);
    const int count = cuts.size() - 1;
    // The candidate keeping `kept` characters in all; the middle mode gives the odd one to the head.
    auto candidate = [&](int kept) {
        switch (mode) {
        case Qt::ElideLeft:
            return ellipsis + text.mid(cuts.at(count - kept));
        case Qt::ElideMiddle: {
            const int head = (kept + 1) / 2;
            return text.left(cuts.at(head)) + ellipsis + text.mid(cuts.at(count - (kept - head)));
        }
        default:
            return text.left(cuts.at(kept)) + ellipsis;
        }
    };
    // Widths grow with the characters kept (wide ones by more), so the longest fit is found by
    // halving; the answer is always one that was measured to fit.
    int low = 0;
    int high = count - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(candidate(middle)) <= width)
            low = middle;
        else
            high = middle - 1;
    }
    return candidate(low);
}

QString randomString(int length)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr quint32 size = sizeof(alphabet) - 1;
    QString text;
    if (length < 1)
        return text;
    text.reserve(length);
    QRandomGenerator *const source = QRandomGenerator::system();
    for (int i = 0; i < length; ++i)
        text.append(QLatin1Char(alphabet[source->bounded(size)]));
    return text;
}
