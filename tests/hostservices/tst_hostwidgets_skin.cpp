// The host skins: style sheets by key, the colour tables, and switching skins on open windows.
#include "KSBaseLog.h"
#include "KSWidgets.h"

#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

class TestHostWidgetsSkin : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { KSSkinManager::instance()->setSkin(KSSkinManager::DarkSkin); }
    void styleLookup();
    void everyKeyInBothSkins();
    void colourTables();
    void skinSwitchRepolishes();
};

namespace {

const QList<KSSkinManager::Skin> kSkins = {KSSkinManager::DarkSkin, KSSkinManager::LightSkin};

QStringList listedKeys()
{
    QFile file(QStringLiteral(":/ksskin/keys.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList keys;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString key = line.section(QLatin1Char('#'), 0, 0).trimmed();
        if (!key.isEmpty())
            keys.append(key);
    }
    return keys;
}

QColor textColor(const QWidget *widget)
{
    return widget->palette().color(widget->foregroundRole());
}

// Qt reports a sheet it cannot parse with a warning when a widget using it is polished.
QStringList g_warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        g_warnings.append(message);
}

struct WarningCollector {
    WarningCollector()
        : previous(qInstallMessageHandler(collectWarnings))
    {
        g_warnings.clear();
    }
    ~WarningCollector() { qInstallMessageHandler(previous); }
    QtMessageHandler previous;
};

} // namespace

void TestHostWidgetsSkin::styleLookup()
{
    KSSkinManager *skin = KSSkinManager::instance();
    const QString sizeKey = QStringLiteral("CloudDisk/KSTransferCenterTableSizeLabel");
    QLabel label;
    QVERIFY(skin->applyStyleSheet(&label, sizeKey));
    QCOMPARE(label.styleSheet(), skin->styleSheet(sizeKey));
    QVERIFY(label.styleSheet().contains(QStringLiteral("color")));
    QCOMPARE(KSSkinManager::styleKey(&label), sizeKey);

    // An unknown key changes nothing and is reported once, however often it is asked for.
    KSLogCapture log;
    QLabel other;
    other.setStyleSheet(QStringLiteral("QLabel { margin: 1px; }"));
    QVERIFY(!skin->applyStyleSheet(&other, QStringLiteral("CloudDisk/NoSuchWidget")));
    QVERIFY(!skin->applyStyleSheet(&other, QStringLiteral("CloudDisk/NoSuchWidget")));
    QCOMPARE(other.styleSheet(), QStringLiteral("QLabel { margin: 1px; }"));
    QVERIFY(KSSkinManager::styleKey(&other).isEmpty());
    QCOMPARE(log.messages().filter(QStringLiteral("NoSuchWidget")).size(), 1);
    QCOMPARE(skin->getColor(4242), skin->getColor(56));
    QCOMPARE(skin->getColor(4242), skin->getColor(56));
    QCOMPARE(log.messages().filter(QStringLiteral("4242")).size(), 1);

    // Kit widgets follow their object name: "CloudDisk/" first, then "BasicWidget/".
    KSToolButton button;
    button.setObjectName(QStringLiteral("KSTransferCenterListCellStatePlay"));
    QCOMPARE(KSSkinManager::styleKey(&button), QStringLiteral("BasicWidget/KSTransferCenterListCellStatePlay"));
    KSWidget panel;
    panel.setObjectName(QStringLiteral("KSTransferCenterPanel"));
    QCOMPARE(panel.styleKey(), QStringLiteral("CloudDisk/KSTransferCenterPanel"));
    QCOMPARE(panel.styleSheet(), skin->styleSheet(QStringLiteral("CloudDisk/KSTransferCenterPanel")));
    // A name without a sheet drops the former name's sheet; an explicit key outlives renaming.
    panel.setObjectName(QStringLiteral("somethingElse"));
    QVERIFY(panel.styleKey().isEmpty());
    QVERIFY(panel.styleSheet().isEmpty());
    panel.setStyleKey(QStringLiteral("CloudDisk/KSTransferCenterTabWidget"));
    panel.setObjectName(QStringLiteral("KSTransferCenterPanel"));
    QCOMPARE(panel.styleKey(), QStringLiteral("CloudDisk/KSTransferCenterTabWidget"));
}

void TestHostWidgetsSkin::everyKeyInBothSkins()
{
    const QStringList keys = listedKeys();
    QVERIFY(keys.size() > 30);
    QVERIFY(keys.contains(QStringLiteral("CloudDisk/KSTransferCenterTabItem")));
    static const QRegularExpression colorToken(QStringLiteral("@c(\\d+)\\b"));
    static const QRegularExpression url(QStringLiteral("url\\(([^)]+)\\)"));
    for (KSSkinManager::Skin which : kSkins) {
        WarningCollector collector;
        KSSkinManager *skin = KSSkinManager::instance();
        skin->setSkin(which);
        const QString name = skin->skinName();
        // Listed and present are the same sets: no key missing, none left over from a rename.
        QStringList present = skin->styleKeys();
        QStringList wanted = keys;
        present.sort();
        wanted.sort();
        QCOMPARE(present, wanted);

        QFile raw(QStringLiteral(":/ksskin/%1.qss").arg(name));
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(raw.readAll());
        auto tokens = colorToken.globalMatch(text);
        while (tokens.hasNext()) {
            const int index = tokens.next().captured(1).toInt();
            QVERIFY2(skin->colorIndexes().contains(index), qPrintable(QStringLiteral("%1: @c%2").arg(name).arg(index)));
        }
        auto urls = url.globalMatch(text);
        while (urls.hasNext()) {
            const QString path = urls.next().captured(1);
            QVERIFY2(QFile::exists(path), qPrintable(name + QStringLiteral(": ") + path));
        }

        // Every section, and the application part, parses.
        for (const QString &key : keys) {
            QWidget widget;
            widget.setStyleSheet(skin->styleSheet(key));
            widget.ensurePolished();
        }
        QLabel probe;
        probe.ensurePolished();
        QVERIFY2(g_warnings.filter(QStringLiteral("parse")).isEmpty(), qPrintable(g_warnings.join(QLatin1Char('\n'))));
    }
}

void TestHostWidgetsSkin::colourTables()
{
    // The documented table is the reference for the code's tables and for the sheets' @c numbers.
    QFile doc(QStringLiteral(KSCD_SKIN_DIR "/SKIN.md"));
    QVERIFY(doc.open(QIODevice::ReadOnly));
    static const QRegularExpression row(
        QStringLiteral("^\\|\\s*(\\d+)\\s*\\|[^|]*\\|\\s*`(#[0-9A-Fa-f]{6,8})`\\s*\\|\\s*`(#[0-9A-Fa-f]{6,8})`\\s*\\|"),
        QRegularExpression::MultilineOption);
    QMap<int, QPair<QColor, QColor>> documented;
    auto rows = row.globalMatch(QString::fromUtf8(doc.readAll()));
    while (rows.hasNext()) {
        const QRegularExpressionMatch match = rows.next();
        documented.insert(match.captured(1).toInt(), {QColor(match.captured(2)), QColor(match.captured(3))});
    }
    // The numbers the plug-in's windows name.
    for (int index : {7, 11, 26, 28, 56, 69})
        QVERIFY2(documented.contains(index), qPrintable(QString::number(index)));

    KSSkinManager *skin = KSSkinManager::instance();
    for (KSSkinManager::Skin which : kSkins) {
        skin->setSkin(which);
        QCOMPARE(skin->colorIndexes(), documented.keys());
        for (auto it = documented.cbegin(); it != documented.cend(); ++it) {
            const QColor expected = which == KSSkinManager::DarkSkin ? it->first : it->second;
            QVERIFY2(skin->getColor(it.key()) == expected,
                qPrintable(QStringLiteral("%1 colour %2").arg(skin->skinName()).arg(it.key())));
        }
    }
}

void TestHostWidgetsSkin::skinSwitchRepolishes()
{
    KSSkinManager *skin = KSSkinManager::instance();
    KSWidget window;
    auto *text = new QLabel(QStringLiteral("Uploading (3)"), &window);
    const QString key = QStringLiteral("CloudDisk/KSTransferCenterTabBarItemText");
    QVERIFY(skin->applyStyleSheet(text, key));
    text->setProperty("selected", QStringLiteral("false"));
    auto *failed = new QLabel(QStringLiteral("Failed"), &window);
    failed->move(0, 40);
    KSUIStyle::setTextColorType(failed, 69);
    auto *ring = new KSLoadingWidget(&window, 56);
    ring->move(0, 80);
    window.resize(200, 160);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // A property-driven rule follows the property once the label is re-polished.
    const QColor darkNormal = textColor(text);
    QCOMPARE(darkNormal, skin->getColor(57));
    KSUIStyle::setStyleProperty(text, "selected", QStringLiteral("true"));
    QCOMPARE(textColor(text), skin->getColor(56));
    QCOMPARE(textColor(failed), skin->getColor(69));
    const QColor darkFailed = textColor(failed);
    // The ring's arc starts at twelve o'clock, where its pen is fully opaque.
    const auto ringTop = [ring] { return ring->grab().toImage().pixelColor(ring->width() / 2, 2); };
    QCOMPARE(ringTop(), skin->getColor(56));
    const QColor darkRing = ringTop();

    QSignalSpy changed(skin, &KSSkinManager::sigSkinChanged);
    skin->setSkin(KSSkinManager::LightSkin);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(text->styleSheet(), skin->styleSheet(key));
    QCOMPARE(textColor(text), skin->getColor(56));
    QVERIFY(textColor(text) != darkNormal);
    QCOMPARE(textColor(failed), skin->getColor(69));
    QVERIFY(textColor(failed) != darkFailed);
    QCOMPARE(ringTop(), skin->getColor(56));
    QVERIFY(ringTop() != darkRing);
    KSUIStyle::setStyleProperty(text, "selected", QStringLiteral("false"));
    QCOMPARE(textColor(text), skin->getColor(57));
}

QTEST_MAIN(TestHostWidgetsSkin)
#include "tst_hostwidgets_skin.moc"
