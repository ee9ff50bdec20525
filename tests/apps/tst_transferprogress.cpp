// cloudctl's progress lines: units, widths, and what reaches a terminal or a log; its failure texts
// and the file names it takes.
#include "FailureText.h"
#include "FileNameCodec.h"
#include "KSCloudDiskTask.h"
#include "TransferProgress.h"

#include <QFile>
#include <QRegularExpression>

#include <QTest>
#include <QThread>

#include <cstdio>
#include <cstdlib>

class TestTransferProgress : public QObject
{
    Q_OBJECT

private slots:
    void units();
    void lineLayout();
    void logOutput();
    void terminalOutput();
    void everyCodeHasAText();
    void fileNamesSurvive();
};

namespace {

// Everything written to a stream, read back after the stream is closed.
class Capture
{
public:
    Capture() { m_stream = open_memstream(&m_buffer, &m_size); }
    ~Capture() { std::free(m_buffer); }
    FILE *stream() const { return m_stream; }
    QString text()
    {
        if (m_stream) {
            std::fclose(m_stream);
            m_stream = nullptr;
        }
        return QString::fromUtf8(m_buffer, int(m_size));
    }

private:
    FILE *m_stream = nullptr;
    char *m_buffer = nullptr;
    size_t m_size = 0;
};

} // namespace

void TestTransferProgress::units()
{
    QCOMPARE(TransferProgress::humanBytes(0), QStringLiteral("0 B"));
    QCOMPARE(TransferProgress::humanBytes(1023), QStringLiteral("1023 B"));
    QCOMPARE(TransferProgress::humanBytes(1024), QStringLiteral("1.0 KiB"));
    QCOMPARE(TransferProgress::humanBytes(1536), QStringLiteral("1.5 KiB"));
    QCOMPARE(TransferProgress::humanBytes(5 * 1048576LL), QStringLiteral("5.0 MiB"));
    QCOMPARE(TransferProgress::humanBytes(3LL << 30), QStringLiteral("3.0 GiB"));
    QCOMPARE(TransferProgress::humanBytes(2048LL << 40), QStringLiteral("2048.0 TiB"));

    QCOMPARE(TransferProgress::humanDuration(0), QStringLiteral("0:00"));
    // A started second counts: "0:00 left" for a transfer that still runs would be a lie.
    QCOMPARE(TransferProgress::humanDuration(0.2), QStringLiteral("0:01"));
    QCOMPARE(TransferProgress::humanDuration(59.5), QStringLiteral("1:00"));
    QCOMPARE(TransferProgress::humanDuration(754), QStringLiteral("12:34"));
    QCOMPARE(TransferProgress::humanDuration(3661), QStringLiteral("1:01:01"));
    QCOMPARE(TransferProgress::humanDuration(-1), QStringLiteral("--:--"));
    QCOMPARE(TransferProgress::humanDuration(qInf()), QStringLiteral("--:--"));
}

void TestTransferProgress::lineLayout()
{
    const qint64 mib = 1048576;
    const QString half = TransferProgress::runningLine(QStringLiteral("clip.mp4"), 10 * mib, 5 * mib, mib, 100);
    QVERIFY2(half.contains(QStringLiteral("[##########----------]  50%")), qPrintable(half));
    QVERIFY2(half.contains(QStringLiteral("5.0 MiB of 10.0 MiB")), qPrintable(half));
    QVERIFY2(half.contains(QStringLiteral("1.0 MiB/s")), qPrintable(half));
    QVERIFY2(half.contains(QStringLiteral("0:05 left")), qPrintable(half));
    // Nothing known yet: no percentage, no speed, no time left.
    const QString unknown = TransferProgress::runningLine(QStringLiteral("clip.mp4"), 0, 300, 0, 100);
    QVERIFY2(unknown.contains(QStringLiteral("--%  300 B")), qPrintable(unknown));
    QVERIFY(!unknown.contains(QStringLiteral("left")));
    // A report past the announced total (the file grew) keeps the bar inside its brackets.
    QVERIFY(TransferProgress::runningLine(QStringLiteral("a"), 100, 150, 0, 100)
                .contains(QStringLiteral("[####################] 100%")));

    // Names take one column, so the bars of several lines line up; a long one is cut, not wrapped.
    const QString shortName = TransferProgress::runningLine(QStringLiteral("a"), 10, 5, 0, 100);
    const QString longName = TransferProgress::runningLine(QString(80, QLatin1Char('n')), 10, 5, 0, 100);
    QCOMPARE(shortName.indexOf(QLatin1Char('[')), longName.indexOf(QLatin1Char('[')));
    QVERIFY(longName.contains(QStringLiteral("n...  [")));
    // A narrow terminal narrows the name column first.
    const QString narrow = TransferProgress::runningLine(QString(80, QLatin1Char('n')), 10 * mib, 5 * mib, mib, 80);
    QVERIFY2(narrow.size() <= 80, qPrintable(narrow));
}

void TestTransferProgress::logOutput()
{
    Capture capture;
    {
        TransferProgress progress(capture.stream(), false);
        progress.begin(QStringLiteral("t1"), QStringLiteral("first.mp4"));
        // A burst of reports within a second leaves one line in a log, not one per report.
        for (int i = 1; i <= 50; ++i)
            progress.update(QStringLiteral("t1"), 1000, i * 10);
        progress.update(QStringLiteral("unknown"), 1000, 10);
        progress.message(QStringLiteral("a notice"));
        progress.end(QStringLiteral("t1"), true, QStringLiteral("uploaded in 0.1 s"));
        // Ending twice, or something never begun, writes nothing.
        progress.end(QStringLiteral("t1"), true, QStringLiteral("again"));
        QVERIFY(!progress.isActive(QStringLiteral("t1")));
    }
    const QStringList lines = capture.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(0).startsWith(QStringLiteral("first.mp4")) && lines.at(0).contains(QStringLiteral("1%")),
        qPrintable(lines.at(0)));
    QCOMPARE(lines.at(1), QStringLiteral("a notice"));
    // A finished transfer shows its whole size even when its last report came a chunk early.
    QVERIFY2(lines.at(2).contains(QStringLiteral("[####################] 100%  1000 B  uploaded in 0.1 s")),
        qPrintable(lines.at(2)));
    QVERIFY(!capture.text().contains(QLatin1Char('\r')));
    QVERIFY(!capture.text().contains(QLatin1Char('\x1b')));
}

void TestTransferProgress::terminalOutput()
{
    Capture capture;
    {
        TransferProgress progress(capture.stream(), true);
        progress.begin(QStringLiteral("t1"), QStringLiteral("first.mp4"));
        progress.begin(QStringLiteral("t2"), QStringLiteral("second.mp4"));
        QThread::msleep(120);
        progress.update(QStringLiteral("t2"), 1000, 500);
        progress.end(QStringLiteral("t1"), false, QStringLiteral("failed: no such cloud item (code 404001)"));
        progress.end(QStringLiteral("t2"), true, QStringLiteral("downloaded"));
    }
    const QString text = capture.text();
    // Two lines are drawn at the bottom: each redraw goes back to the first of them and clears below.
    QVERIFY2(text.contains(QStringLiteral("\r\x1b[1A\x1b[J")), qPrintable(text));
    // Once both ended, what stays on screen is their last lines, in the order they ended.
    const int failed = text.lastIndexOf(QStringLiteral("first.mp4"));
    const int done = text.lastIndexOf(QStringLiteral("second.mp4"));
    QVERIFY(failed >= 0 && done > failed);
    // A long outcome narrows the name rather than making the line wider than the terminal.
    const QString failedLine = text.mid(failed).section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(failedLine.contains(
                 QStringLiteral("[                    ]  --%  0 B  failed: no such cloud item (code 404001)")),
        qPrintable(failedLine));
    QVERIFY2(failedLine.size() <= 100, qPrintable(failedLine));
    QVERIFY(text.endsWith(QStringLiteral("[####################] 100%  1000 B  downloaded\n")));
}

void TestTransferProgress::everyCodeHasAText()
{
    // Every code of the drive's protocol document, read from the document itself so that a code
    // added there cannot go without a text here.
    QFile protocol(QStringLiteral(KSCD_PROTOCOL_FILE));
    QVERIFY(protocol.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(protocol.readAll());
    const int table = text.indexOf(QStringLiteral("Result and answer codes"));
    QVERIFY(table > 0);
    QList<int> codes;
    const QRegularExpression row(QStringLiteral("^\\| (\\d+) \\|"), QRegularExpression::MultilineOption);
    for (auto it = row.globalMatch(text.mid(table)); it.hasNext();)
        codes << it.next().captured(1).toInt();
    QVERIFY(codes.size() > 30);
    codes << LocalDiskTooSmall << CloudSpaceInsufficient << DownloadFolderNotWritable << MembershipExpired
          << FolderCreationUnanswered << TaskListNotSaved << ProjectContainerRefused << CloudFolderUnavailable
          << LocalFileMissing << -1;
    for (const int code : qAsConst(codes))
        QVERIFY2(FailureText::isKnown(code), qPrintable(QString::number(code)));
    QVERIFY(FailureText::of(28).contains(QStringLiteral("another program")));
    QVERIFY(!FailureText::isKnown(123456));
    // A code without a text of its own gives way to the task's reason.
    QCOMPARE(FailureText::of(123456, QStringLiteral("why")), QStringLiteral("why"));
    QCOMPARE(FailureText::of(404001, QStringLiteral("why")), FailureText::of(404001));
}

void TestTransferProgress::fileNamesSurvive()
{
    FileNameCodec::install();
    const QList<QByteArray> names{QByteArrayLiteral("caf\xe9.bin"), QByteArrayLiteral("plain.txt"),
        QByteArrayLiteral("\xe6\x97\xa5\xe6\x9c\xac.mov"), QByteArrayLiteral("\xf0\x9f\x8e\xac \xff\xfe\xc0\xaf"),
        QByteArrayLiteral("\xed\xa0\x80 surrogate bytes"), QByteArrayLiteral("cut\xe2\x82")};
    for (const QByteArray &name : names) {
        const QString decoded = QFile::decodeName(name);
        QCOMPARE(QFile::encodeName(decoded), name);
    }
    // Valid UTF-8 reads as it always did.
    QCOMPARE(QFile::decodeName(QByteArrayLiteral("\xe6\x97\xa5")), QString(QChar(0x65e5)));
}

QTEST_GUILESS_MAIN(TestTransferProgress)
#include "tst_transferprogress.moc"
