// The shipped catalogs against the texts of the sources, and the catalog each host language loads.
#include "CloudTestEnvironment.h"
#include "KSCloudDiskTranslator.h"
#include "KSHostTranslator.h"
#include "KSTransferCenterTabWidget.h"
#include "KSWidgets.h"

#include <QAbstractButton>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Message {
    QString context;
    QString source;
    QString comment;
    bool numerus = false;
    bool finished = false;
    QStringList translations; // one, or one per plural form
    QString key() const { return context + QLatin1Char('\x1f') + source + QLatin1Char('\x1f') + comment; }
};

QVector<Message> readCatalog(const QString &path, QString *error)
{
    QVector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(path);
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            Message m;
            m.context = context;
            m.numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("source")) {
                    m.source = xml.readElementText();
                } else if (xml.name() == QLatin1String("comment")) {
                    m.comment = xml.readElementText();
                } else if (xml.name() == QLatin1String("translation")) {
                    // No type: finished; "unfinished", "vanished" and "obsolete" are not.
                    m.finished = xml.attributes().value(QLatin1String("type")).isEmpty();
                    if (m.numerus) {
                        while (xml.readNextStartElement())
                            m.translations << xml.readElementText();
                    } else {
                        m.translations << xml.readElementText();
                    }
                } else {
                    xml.skipCurrentElement();
                }
            }
            messages << m;
        }
    }
    if (xml.hasError())
        *error = QStringLiteral("%1: %2").arg(path, xml.errorString());
    return messages;
}

// Sources that are translation ids, not English: an identifier-style first word ("TransferCenter
// Name"), an underscore and a number at the end ("OK_2"), or a dialog-title key ending in a
// lower-case "tip" ("Load complete tip"). They read as words only through the English catalog.
bool isTranslationId(const QString &source)
{
    static const QRegularExpression id(QStringLiteral("^[A-Z][a-z0-9]+[A-Z]\\w*[ _]|^\\w+_\\d+$| tip$"));
    return id.match(source).hasMatch();
}

QStringList placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%(?:L?\\d+|n)"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

// Empty when every form keeps the source's markers; a plural form may leave %n out ("eine Datei").
QString placeholderMismatch(const Message &source, const Message &shipped)
{
    QStringList wanted = placeholders(source.source);
    wanted.removeAll(QStringLiteral("%n"));
    bool countShown = !source.numerus || !placeholders(source.source).contains(QStringLiteral("%n"));
    for (const QString &form : shipped.translations) {
        QStringList got = placeholders(form);
        countShown = countShown || got.contains(QStringLiteral("%n"));
        got.removeAll(QStringLiteral("%n"));
        if (got != wanted)
            return QStringLiteral("placeholders %1 in \"%2\"").arg(got.join(QLatin1Char(' ')), form);
    }
    return countShown ? QString() : QStringLiteral("no form shows %n");
}

// Counts the language changes the application is told about: one per translator installed or removed.
class LanguageChanges : public QObject
{
public:
    LanguageChanges() { qApp->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        count += watched == qApp && event->type() == QEvent::LanguageChange;
        return false;
    }
};

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void catalogsCoverTheSources();
    void hostLanguageChoosesCatalogs_data();
    void hostLanguageChoosesCatalogs();
};

void TestTranslations::initTestCase()
{
    // The widget kit installs the host catalog by itself, before its first widget shows a text.
    qputenv("KSHOST_LANG", "de");
    KSTitleBar titleBar;
    titleBar.setButtons(KSTitleBar::CloseButton);
    QCOMPARE(titleBar.button(KSTitleBar::CloseButton)->toolTip(), QStringLiteral("Schließen"));
}

void TestTranslations::catalogsCoverTheSources()
{
    QFile manifestFile(QStringLiteral(KSCD_TRANSLATION_MANIFEST));
    QVERIFY(manifestFile.open(QIODevice::ReadOnly));
    const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
    const QString translations = manifest.value(QLatin1String("translations")).toString();
    QStringList options;
    for (const QJsonValue &option : manifest.value(QLatin1String("options")).toArray())
        options << option.toString();
    QTemporaryDir probeDir;
    QVERIFY(probeDir.isValid());

    QStringList failures;
    QHash<QString, QStringList> translatedAs; // language + key: the same text must read the same everywhere
    const QJsonArray catalogs = manifest.value(QLatin1String("catalogs")).toArray();
    QVERIFY(catalogs.size() >= 2);
    for (const QJsonValue &value : catalogs) {
        const QJsonObject catalog = value.toObject();
        const QString name = catalog.value(QLatin1String("name")).toString();
        QStringList arguments = options;
        for (const QJsonValue &source : catalog.value(QLatin1String("sources")).toArray())
            arguments << source.toString();
        const QString probePath = probeDir.filePath(name + QStringLiteral(".ts"));
        arguments << QStringLiteral("-ts") << probePath;
        QProcess lupdate;
        lupdate.start(manifest.value(QLatin1String("lupdate")).toString(), arguments);
        QVERIFY2(
            lupdate.waitForFinished(120000) && lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
        QString error;
        const QVector<Message> texts = readCatalog(probePath, &error);
        QVERIFY2(error.isEmpty() && !texts.isEmpty(), qPrintable(name + QStringLiteral(": no texts found ") + error));

        QStringList languages;
        for (const QJsonValue &language : catalog.value(QLatin1String("languages")).toArray())
            languages << language.toString();
        for (const QString &language : qAsConst(languages)) {
            const QString file = QStringLiteral("%1_%2.ts").arg(name, language);
            QHash<QString, Message> shipped;
            for (const Message &m : readCatalog(translations + QLatin1Char('/') + file, &error))
                shipped.insert(m.key(), m);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            for (const Message &text : texts) {
                // English translates the ids and the plural forms; the other sources are English already.
                const bool required = language != QLatin1String("en") || isTranslationId(text.source) || text.numerus;
                const QString where = QStringLiteral("%1: %2 \"%3\"").arg(file, text.context, text.source);
                const auto found = shipped.constFind(text.key());
                if (found == shipped.constEnd()) {
                    if (required)
                        failures << where + QStringLiteral(": missing");
                    continue;
                }
                if (!found->finished || found->translations.isEmpty() || found->translations.contains(QString())) {
                    if (required)
                        failures << where + QStringLiteral(": unfinished or empty");
                    continue;
                }
                const QString mismatch = placeholderMismatch(text, *found);
                if (!mismatch.isEmpty())
                    failures << where + QStringLiteral(": ") + mismatch;
                QStringList &first = translatedAs[language + text.key()];
                if (first.isEmpty())
                    first = found->translations;
                else if (first != found->translations)
                    failures << where + QStringLiteral(": translated differently in another catalog");
            }
        }
        if (!languages.contains(QLatin1String("en"))) {
            for (const Message &text : texts) {
                if (isTranslationId(text.source))
                    failures << QStringLiteral("%1: %2 \"%3\": an id, and no English catalog")
                                    .arg(name, text.context, text.source);
            }
        }
    }
    // One line each: a failure message would be cut short.
    for (const QString &failure : qAsConst(failures))
        qWarning().noquote() << failure;
    QVERIFY2(failures.isEmpty(), qPrintable(QStringLiteral("%1 catalog problems, listed above").arg(failures.size())));
}

void TestTranslations::hostLanguageChoosesCatalogs_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("uploadTab"); // the plug-in's id "TransferCenter Uploading"
    QTest::addColumn<QString>("closeButton"); // the host kit's "Close"

    QTest::newRow("de") << QByteArray("de") << QStringLiteral("Uploads") << QStringLiteral("Schließen");
    QTest::newRow("de_AT") << QByteArray("de_AT") << QStringLiteral("Uploads") << QStringLiteral("Schließen");
    QTest::newRow("en") << QByteArray("en") << QStringLiteral("Uploads") << QStringLiteral("Close");
    QTest::newRow("fr_FR") << QByteArray("fr_FR") << QStringLiteral("Uploads") << QStringLiteral("Close");
}

void TestTranslations::hostLanguageChoosesCatalogs()
{
    QFETCH(QByteArray, language);
    QFETCH(QString, uploadTab);
    QFETCH(QString, closeButton);
    qputenv("KSHOST_LANG", language);
    CloudTestEnvironment env;
    QVERIFY(env.isReady());
    getCloudDisk(); // creating the service installs the plug-in's catalog
    KSTransferCenterTabBar tabs;
    QCOMPARE(tabs.item(KSTransferCenterTabUpload)->text(), uploadTab);

    // The kit installed the host's at its first widget; a process changing language calls again.
    KSHostTranslator::install();
    LanguageChanges changes;
    KSCloudDiskTranslator::install();
    KSHostTranslator::install();
    QCOMPARE(changes.count, 0); // the same language again installs nothing more
    KSTitleBar titleBar;
    titleBar.setButtons(KSTitleBar::CloseButton);
    QCOMPARE(titleBar.button(KSTitleBar::CloseButton)->toolTip(), closeButton);
    releaseService();
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
