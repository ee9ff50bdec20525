// Text measuring and eliding, the XML helper, random codes, media types, the main window and the
// auto-sync switches.
#include "IKSAppInfo.h"
#include "IKSAutoSyncHelper.h"
#include "KSCustomEvent.h"
#include "KSDomDocument.h"
#include "KSLocale.h"
#include "KSNetwork.h"
#include "KSStringUtils.h"
#include "KSupportedFilter.h"

#include <QDir>
#include <QFont>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QUrl>

class TestHostFacilities : public QObject
{
    Q_OBJECT

private slots:
    void elidedText();
    void domDocument();
    void randomCodes();
    void utilities();
    void autoSyncSwitches();
};

namespace {

const QChar kEllipsis(0x2026);

QFont testFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    return font;
}

// Where the text may be cut: between whole characters.
QVector<int> boundaries(const QString &text)
{
    QVector<int> cuts{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0)
        cuts << finder.position();
    return cuts;
}

// The elided text fits, keeps whole characters of the original around one ellipsis, and for the
// end modes keeps as many as fit.
void checkElided(const QString &text, int width, Qt::TextElideMode mode)
{
    const QFont font = testFont();
    const QString elided = KSStringUtils::calcElidedString(text, font, width, mode);
    const QByteArray why = QStringLiteral("width %1 mode %2: \"%3\"").arg(width).arg(int(mode)).arg(elided).toUtf8();
    if (KSStringUtils::calcTextLenght(text, font) <= width) {
        QVERIFY2(elided == text, why);
        return;
    }
    QVERIFY2(KSStringUtils::calcTextLenght(elided, font) <= width, why);
    QVERIFY2(elided.count(kEllipsis) == 1, why);
    const QString head = elided.left(elided.indexOf(kEllipsis));
    const QString tail = elided.mid(head.size() + 1);
    QVERIFY2(text.startsWith(head) && text.endsWith(tail), why);
    const QVector<int> cuts = boundaries(text);
    const int headEnd = cuts.indexOf(head.size());
    const int tailStart = cuts.indexOf(text.size() - tail.size());
    QVERIFY2(headEnd >= 0 && tailStart >= 0, why);
    QString longer;
    if (mode == Qt::ElideRight)
        longer = text.left(cuts.at(headEnd + 1)) + kEllipsis;
    else if (mode == Qt::ElideLeft)
        longer = kEllipsis + text.mid(cuts.at(tailStart - 1));
    QVERIFY2((mode != Qt::ElideRight || tail.isEmpty()) && (mode != Qt::ElideLeft || head.isEmpty()), why);
    QVERIFY2(longer.isEmpty() || KSStringUtils::calcTextLenght(longer, font) > width, why);
}

} // namespace

void TestHostFacilities::elidedText()
{
    QFont font = testFont();
    const QString sample = QStringLiteral("Share \u4e91\u76d8 clip.mp4");
    const int sampleWidth = KSStringUtils::calcTextLenght(sample, font);
    QCOMPARE(KSStringUtils::calcTextLenght(QString(), font), 0);
    QVERIFY(sampleWidth > KSStringUtils::calcTextLenght(sample.left(8), font));
    QVERIFY(KSStringUtils::calcTextLenght(QStringLiteral("\u4e91"), font) > 0);
    const QStringList texts{
        // wide characters only
        QStringLiteral("\u4e91\u76d8\u5206\u4eab\u94fe\u63a5\u5df2\u7ecf\u590d\u5236\u5230\u526a\u8d34\u677f"),
        // mixed with Latin text and digits
        QStringLiteral("2024\u5e74\u5ea6\u9879\u76eeProject \u526a\u8f91 final_v3.vqp"),
        // characters outside the basic plane, an emoji and a letter with a combining accent
        QStringLiteral("\U00020000\U00020001a\U0001F600e\u0301\U00020002\U0001F600\U00020003bc\U00020004"),
    };
    const Qt::TextElideMode modes[] = {Qt::ElideRight, Qt::ElideLeft, Qt::ElideMiddle};
    for (const QString &text : texts) {
        const int full = KSStringUtils::calcTextLenght(text, font);
        for (int width = KSStringUtils::calcTextLenght(QString(kEllipsis), font); width <= full + 2; width += 3) {
            for (Qt::TextElideMode mode : modes) {
                checkElided(text, width, mode);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }
    const QString wide = texts.constFirst();
    QCOMPARE(KSStringUtils::calcElidedString(wide, font, 2, Qt::ElideRight), QString());
    QCOMPARE(KSStringUtils::calcElidedString(wide, font, 10, Qt::ElideNone), wide);
    font.setPixelSize(28);
    QVERIFY(KSStringUtils::calcTextLenght(sample, font) > sampleWidth * 17 / 10);
}

void TestHostFacilities::domDocument()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Cloud Space/defaultDownloadPath.xml"));
    const QString folder = QStringLiteral("/home/\u7528\u6237/\u89c6\u9891");
    {
        KSDomDocument document(QStringLiteral("CloudSpaceDownloadPath"));
        document.ensureDocumentElement(QStringLiteral("CloudSpaceDownloadPath"));
        document.addChild(QDomNode(), QStringLiteral("ProjectDownloadPath"), folder);
        document.addChild(QDomNode(), QStringLiteral("SetDefaultDownPathStatus"), QStringLiteral("1"));
        QVERIFY(document.save(path));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(file.readAll());
    file.close();
    QVERIFY2(written.startsWith(QStringLiteral("<!DOCTYPE CloudSpaceDownloadPath>")), qPrintable(written));
    QVERIFY(written.contains(QStringLiteral("\n    <ProjectDownloadPath>") + folder));

    KSDomDocument document;
    QVERIFY(document.load(path));
    QCOMPARE(document.getElementByTagName(QStringLiteral("ProjectDownloadPath")).text(), folder);
    QVERIFY(document.getElementByTagName(QStringLiteral("CloudMediaDownloadPath")).isNull());
    // An update replaces the element and moves it last.
    QCOMPARE(document.removeChildren(QDomNode(), QStringLiteral("ProjectDownloadPath")), 1);
    document.addChild(QDomNode(), QStringLiteral("ProjectDownloadPath"), QStringLiteral("/b"));
    QDomElement group = document.addChild(QDomNode(), QStringLiteral("Group"));
    document.addChild(group, QStringLiteral("Item"), QStringLiteral("inner"));
    document.addChild(QDomNode(), QStringLiteral("Item"), QStringLiteral("outer"));
    QVERIFY(document.save(path));

    KSDomDocument reread;
    QVERIFY(reread.load(path));
    QCOMPARE(reread.documentElement().firstChildElement().tagName(), QStringLiteral("SetDefaultDownPathStatus"));
    QStringList items;
    for (const QDomElement &e : reread.getElementsByTagName(QStringLiteral("Item")))
        items << e.text();
    QCOMPARE(items, (QStringList{"inner", "outer"}));
    QCOMPARE(reread.getElementsByTagName(QStringLiteral("Item"), reread.getElementByTagName("Group")).size(), 1);

    // A damaged or missing file is refused and the document keeps what it held.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<CloudSpaceDownloadPath><ProjectDownloadPath>");
    file.close();
    QVERIFY(!reread.load(path));
    QVERIFY(!reread.load(dir.filePath(QStringLiteral("missing.xml"))));
    QCOMPARE(reread.getElementByTagName(QStringLiteral("ProjectDownloadPath")).text(), QStringLiteral("/b"));
}

void TestHostFacilities::randomCodes()
{
    QVERIFY(randomString(0).isEmpty());
    QVERIFY(randomString(-3).isEmpty());
    QCOMPARE(randomString(4).size(), 4);
    QVERIFY(randomString(32) != randomString(32));
    QSet<QChar> seen;
    for (int i = 0; i < 100; ++i) {
        for (const QChar c : randomString(32)) {
            QVERIFY2(
                (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'), qPrintable(QString(c)));
            seen.insert(c);
        }
    }
    // 3200 draws leave none of the 62 symbols out unless the alphabet is short.
    QCOMPARE(seen.size(), 62);
}

void TestHostFacilities::utilities()
{
    QCOMPARE(KSupportedFilter::getFileTypeFromFilter(QStringLiteral("/v/clip.MP4")), int(KSupportedFilter::Video));
    QCOMPARE(KSupportedFilter::getFileTypeFromFilter(QStringLiteral("mp3")), int(KSupportedFilter::Audio));
    QCOMPARE(KSupportedFilter::getFileTypeFromFilter(QStringLiteral(".GIF")), int(KSupportedFilter::Image));
    QCOMPARE(
        KSupportedFilter::getFileTypeFromFilter(QStringLiteral("a.b/lyrics.lrc")), int(KSupportedFilter::Subtitle));
    QCOMPARE(KSupportedFilter::getFileTypeFromFilter(QStringLiteral("trip.vqpbundle")), int(KSupportedFilter::Project));
    QCOMPARE(KSupportedFilter::getFileTypeFromFilter(QStringLiteral("notes.txt")), int(KSupportedFilter::Unknown));
    QCOMPARE(KSupportedFilter::getFileTypeFromFilter(QStringLiteral("/v/mp4")), int(KSupportedFilter::Unknown));
    QVERIFY(KSupportedFilter::nameFilters(KSupportedFilter::Subtitle).contains(QStringLiteral("*.srt")));

    auto *window = new QWidget;
    KSUtility::setMainWindow(window);
    QCOMPARE(KSUtility::gGetMainWindow(), window);
    delete window;
    QCOMPARE(KSUtility::gGetMainWindow(), nullptr);

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("a b#1.mp4")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(KSUtility::findTargetFile(file.fileName()));
    QCOMPARE(QUrl::fromUserInput(KSDesktopService::lastOpened()).toLocalFile(), dir.path());
    QVERIFY(!KSUtility::findTargetFile(dir.filePath(QStringLiteral("gone.mp4"))));
}

void TestHostFacilities::autoSyncSwitches()
{
    QTemporaryDir first;
    QTemporaryDir second;
    QTemporaryDir fresh;
    KSHostPaths::setRoot(first.path());
    IKSAutoSyncHelper *helper = IKSAutoSyncHelper::getInstance();
    QVERIFY(!helper->getSyncState(AutoSyncAll));
    QVERIFY(helper->getSyncState(AutoSyncTitle));
    QVERIFY(!helper->getSyncState(7));

    QObject receiver;
    QVariantList events;
    new KSCustomEventListener(KSCustomEventManager::instance(), &receiver, QStringLiteral("NotifySyncStateChanged"),
        [&events](const KSCustomEventPtr &event) { events << event->payload(); });
    helper->setSyncState(AutoSyncAll, true);
    helper->setSyncState(AutoSyncAll, true);
    helper->setSyncState(AutoSyncTitle, false, 5);
    helper->setSyncState(AutoSyncTitle, false);
    helper->setSyncState(7, true);
    helper->setSyncState(AutoSyncMask, true); // already on by default
    QCOMPARE(events,
        (QVariantList{QVariantMap{{"type", 0}, {"on", true}, {"source", 0}},
            QVariantMap{{"type", 3}, {"on", false}, {"source", 5}}}));

    // A restarted host reads the settings file afresh: a copy never opened by this process.
    const QString config = QStringLiteral("/config/device1.ini");
    QVERIFY(QDir().mkpath(second.path() + QStringLiteral("/config")));
    QVERIFY(QFile::copy(first.path() + config, second.path() + config));
    KSHostPaths::setRoot(second.path());
    QVERIFY(helper->getSyncState(AutoSyncAll));
    QVERIFY(!helper->getSyncState(AutoSyncTitle));
    QVERIFY(helper->getSyncState(AutoSyncTemplate));
    KSHostPaths::setRoot(fresh.path());
    QVERIFY(!helper->getSyncState(AutoSyncAll));
    QVERIFY(helper->getSyncState(AutoSyncTitle));
    QCOMPARE(events.size(), 2);
}

QTEST_MAIN(TestHostFacilities)
#include "tst_hostfacilities.moc"
