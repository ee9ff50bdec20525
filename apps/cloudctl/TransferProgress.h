// The progress lines of running transfers on stderr.
#ifndef TRANSFERPROGRESS_H
#define TRANSFERPROGRESS_H

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdio>

// One line per transfer. On a terminal the lines of the running transfers stay at the bottom and
// are redrawn in place; anywhere else (a pipe, a log file) each transfer prints a line now and then,
// so the log keeps a readable history instead of carriage returns.
class TransferProgress
{
    Q_DECLARE_TR_FUNCTIONS(TransferProgress)
public:
    // Interactive when the stream is a terminal.
    explicit TransferProgress(FILE *stream = stderr);
    TransferProgress(FILE *stream, bool interactive);

    bool isInteractive() const { return m_interactive; }
    void begin(const QString &id, const QString &name);
    void update(const QString &id, qint64 total, qint64 transferred);
    // The transfer's last line, with its outcome in place of the speed; it stays on screen.
    void end(const QString &id, bool succeeded, const QString &outcome);
    bool isActive(const QString &id) const { return m_entries.contains(id); }
    // A message line that must not be drawn over by the progress lines.
    void message(const QString &text);

    // "0 B", "1023 B", "1.0 KiB", "12.5 MiB", ...
    static QString humanBytes(qint64 bytes);
    // "0:07", "12:03", "1:02:03"; "--:--" when unknown.
    static QString humanDuration(double seconds);
    // The text of a running transfer's line, at most `width` characters when it can be cut to fit.
    static QString runningLine(const QString &name, qint64 total, qint64 transferred, double bytesPerSecond, int width);

private:
    struct Entry {
        QString name;
        qint64 total = 0;
        qint64 transferred = 0;
        // Speed counts from the first report: a resumed transfer starts with bytes moved earlier.
        qint64 firstTransferred = -1;
        QElapsedTimer sinceFirst;
        QElapsedTimer sincePrinted;
    };

    double speedOf(const Entry &entry) const;
    void redraw(const QStringList &permanent);
    void write(const QString &text);
    int width() const;

    FILE *m_stream;
    bool m_interactive;
    QHash<QString, Entry> m_entries;
    QStringList m_order;
    int m_drawnLines = 0;
    QElapsedTimer m_sinceDrawn;
};

#endif
