#include "TransferProgress.h"

#include <QtMath>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int kBarWidth = 20;
constexpr int kMaxNameWidth = 28;
constexpr int kMinNameWidth = 8;
// A terminal is redrawn often enough to look alive, a log gets one line per transfer and second.
constexpr qint64 kRedrawMs = 100;
constexpr qint64 kLogLineMs = 1000;

QString fitted(const QString &name, int width)
{
    if (name.size() <= width)
        return name.leftJustified(width);
    return name.left(width - 3) + QStringLiteral("...");
}

QString bar(qint64 total, qint64 transferred)
{
    if (total <= 0)
        return QLatin1Char('[') + QString(kBarWidth, QLatin1Char(' ')) + QLatin1Char(']');
    const int filled = int(qBound<qint64>(0, transferred * kBarWidth / total, kBarWidth));
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('-'))
        + QLatin1Char(']');
}

QString percent(qint64 total, qint64 transferred)
{
    if (total <= 0)
        return QStringLiteral(" --%");
    return QStringLiteral("%1%").arg(qBound<qint64>(0, transferred * 100 / total, 100), 3);
}

// The line with the name in a column of its own, narrowed only when the line would not fit `width`
// (never below a readable name), so the bars of several lines stay aligned.
QString assembled(const QString &name, const QString &rest, int width)
{
    const int nameWidth = qBound(kMinNameWidth, width - int(rest.size()) - 2, kMaxNameWidth);
    return fitted(name, nameWidth) + QStringLiteral("  ") + rest;
}

} // namespace

TransferProgress::TransferProgress(FILE *stream)
    : TransferProgress(stream, isatty(fileno(stream)) == 1)
{ }

TransferProgress::TransferProgress(FILE *stream, bool interactive)
    : m_stream(stream)
    , m_interactive(interactive)
{ }

QString TransferProgress::humanBytes(qint64 bytes)
{
    if (bytes < 1024)
        return tr("%1 B").arg(bytes);
    static const char *const units[] = {"KiB", "MiB", "GiB", "TiB"};
    double value = double(bytes);
    int unit = -1;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString TransferProgress::humanDuration(double seconds)
{
    if (!qIsFinite(seconds) || seconds < 0)
        return QStringLiteral("--:--");
    const qint64 whole = qCeil(seconds);
    const qint64 hours = whole / 3600;
    const qint64 minutes = (whole / 60) % 60;
    const qint64 rest = whole % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(rest, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
}

QString TransferProgress::runningLine(
    const QString &name, qint64 total, qint64 transferred, double bytesPerSecond, int width)
{
    QString rest = bar(total, transferred) + QLatin1Char(' ') + percent(total, transferred) + QStringLiteral("  ");
    rest += total > 0 ? tr("%1 of %2").arg(humanBytes(transferred), humanBytes(total)) : humanBytes(transferred);
    if (bytesPerSecond > 0) {
        rest += QStringLiteral("  ") + tr("%1/s").arg(humanBytes(qint64(bytesPerSecond)));
        if (total > 0)
            rest += QStringLiteral("  ")
                + tr("%1 left").arg(humanDuration(double(qMax<qint64>(0, total - transferred)) / bytesPerSecond));
    }
    return assembled(name, rest, width);
}

double TransferProgress::speedOf(const Entry &entry) const
{
    if (entry.firstTransferred < 0 || !entry.sinceFirst.isValid())
        return 0;
    const qint64 ms = entry.sinceFirst.elapsed();
    // Too early to tell: one chunk over a millisecond would promise impossible speeds.
    if (ms < 200)
        return 0;
    return double(entry.transferred - entry.firstTransferred) * 1000.0 / double(ms);
}

int TransferProgress::width() const
{
    winsize size{};
    if (m_interactive && ioctl(fileno(m_stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        return size.ws_col - 1;
    return 100;
}

void TransferProgress::write(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream);
    std::fflush(m_stream);
}

void TransferProgress::redraw(const QStringList &permanent)
{
    QString text;
    if (m_drawnLines > 0) {
        // Back to the start of the first drawn line, and everything below it cleared.
        text += QLatin1Char('\r');
        if (m_drawnLines > 1)
            text += QStringLiteral("\x1b[%1A").arg(m_drawnLines - 1);
        text += QStringLiteral("\x1b[J");
    }
    for (const QString &line : permanent)
        text += line + QLatin1Char('\n');
    const int columns = width();
    QStringList lines;
    for (const QString &id : qAsConst(m_order)) {
        const Entry &e = m_entries[id];
        lines << runningLine(e.name, e.total, e.transferred, speedOf(e), columns);
    }
    text += lines.join(QLatin1Char('\n'));
    m_drawnLines = int(lines.size());
    write(text);
    m_sinceDrawn.start();
}

void TransferProgress::begin(const QString &id, const QString &name)
{
    if (m_entries.contains(id))
        return;
    Entry entry;
    entry.name = name;
    m_entries.insert(id, entry);
    m_order.append(id);
    if (m_interactive)
        redraw({});
}

void TransferProgress::update(const QString &id, qint64 total, qint64 transferred)
{
    auto it = m_entries.find(id);
    if (it == m_entries.end())
        return;
    it->total = total;
    it->transferred = transferred;
    if (it->firstTransferred < 0) {
        it->firstTransferred = transferred;
        it->sinceFirst.start();
    }
    if (m_interactive) {
        if (!m_sinceDrawn.isValid() || m_sinceDrawn.elapsed() >= kRedrawMs)
            redraw({});
        return;
    }
    if (!it->sincePrinted.isValid() || it->sincePrinted.elapsed() >= kLogLineMs) {
        it->sincePrinted.start();
        write(runningLine(it->name, total, transferred, speedOf(*it), width()) + QLatin1Char('\n'));
    }
}

void TransferProgress::end(const QString &id, bool succeeded, const QString &outcome)
{
    auto it = m_entries.find(id);
    if (it == m_entries.end())
        return;
    const Entry entry = *it;
    m_entries.erase(it);
    m_order.removeAll(id);
    // A finished transfer shows its full size even when the last report came a chunk early.
    const qint64 shown = succeeded && entry.total > 0 ? entry.total : entry.transferred;
    QString rest = bar(entry.total, shown) + QLatin1Char(' ') + percent(entry.total, shown) + QStringLiteral("  ")
        + humanBytes(shown);
    if (!outcome.isEmpty())
        rest += QStringLiteral("  ") + outcome;
    const QString line = assembled(entry.name, rest, width());
    if (m_interactive)
        redraw({line});
    else
        write(line + QLatin1Char('\n'));
}

void TransferProgress::message(const QString &text)
{
    if (m_interactive && m_drawnLines > 0)
        redraw({text});
    else
        write(text + QLatin1Char('\n'));
}
