// The demo editor's scripted tour, run as the user would start it: it must end well and leave a
// picture of every window and dialog state, none of them blank.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

class TestEditorTour : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void screenshots_data();
    void screenshots();

private:
    QTemporaryDir m_dir;
    QStringList m_files;
};

namespace {

// More than a handful of colours: a window drawn with text and controls, not an empty surface.
int distinctColours(const QImage &image, int enough)
{
    QSet<QRgb> colours;
    const QImage rgb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < rgb.height() && colours.size() < enough; y += 2) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width() && colours.size() < enough; x += 2)
            colours.insert(line[x]);
    }
    return colours.size();
}

} // namespace

void TestEditorTour::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString skin = qEnvironmentVariable("EDITORDEMO_TOUR_SKIN", QStringLiteral("dark"));
    const QString language = qEnvironmentVariable("EDITORDEMO_TOUR_LANG", QStringLiteral("en"));
    QProcess tour;
    tour.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tour.start(QStringLiteral(EDITORDEMO_PROGRAM),
        {QStringLiteral("--root"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("--tour"),
            m_dir.filePath(QStringLiteral("pictures")), QStringLiteral("--skin"), skin, QStringLiteral("--lang"),
            language});
    QVERIFY2(tour.waitForFinished(240000), "the tour did not end");
    QCOMPARE(tour.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tour.exitCode(), 0);
    m_files = QDir(m_dir.filePath(QStringLiteral("pictures")))
                  .entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

void TestEditorTour::screenshots_data()
{
    QTest::addColumn<QString>("name");
    const char *names[] = {"main-window", "consent", "consent-opened", "main-ready", "status-busy",
        "transfers-upload-running", "transfers-upload-paused", "status-paused", "transfers-upload-failed",
        "status-failed", "download-address", "transfers-download", "transfers-done", "sync-settings", "share-dialog",
        "share-link", "remove-dialog", "export-upload", "export-share", "floating-widget", "load-dialog",
        "floating-widget-finished", "quit-confirmation", "main-final"};
    int number = 0;
    for (const char *name : names) {
        const QString file
            = QStringLiteral("%1-%2.png").arg(++number, 2, 10, QLatin1Char('0')).arg(QLatin1String(name));
        QTest::newRow(name) << file;
    }
}

void TestEditorTour::screenshots()
{
    QFETCH(QString, name);
    QVERIFY2(m_files.contains(name), qPrintable(QStringLiteral("missing %1 among %2").arg(name, m_files.join(u' '))));
    const QImage image(m_dir.filePath(QStringLiteral("pictures/") + name));
    QVERIFY(!image.isNull());
    QVERIFY2(image.width() >= 40 && image.height() >= 40, qPrintable(name));
    QVERIFY2(distinctColours(image, 16) >= 16, qPrintable(QStringLiteral("%1 looks blank").arg(name)));
}

QTEST_GUILESS_MAIN(TestEditorTour)
#include "tst_editortour.moc"
