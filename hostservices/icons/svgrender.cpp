// Build-time renderer of the host's icon set. The manifest names every PNG the windows load and the
// SVG drawing behind it; a name holding {state} is rendered once per button state with that state's
// colours filled into the drawing, and "frames" turns one drawing into the steps of an animation. Each
// PNG is written at 1x and as "@2x" for high-DPI screens, and a .qrc lists them all for rcc.
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

namespace {

using Values = QHash<QString, QString>;

struct Rendered {
    QString name;
    QImage image;
    QImage image2x;
};

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "svgrender: %s\n", qPrintable(message));
    std::exit(1);
}

// QtSvg only warns about what it cannot draw and then leaves it out; at build time that is an error.
// Other warnings (the headless platform's complaints about the build machine's session) are noise in
// a build log: the tool's own failures go through fail().
QStringList svgWarnings;

void collectSvgWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && QByteArray(context.category).startsWith("qt.svg") && type != QtDebugMsg
        && type != QtInfoMsg)
        svgWarnings.append(message);
    else if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(path));
    return file.readAll();
}

QString filled(QString text, const Values &values, const QString &where)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        text.replace(QLatin1Char('{') + it.key() + QLatin1Char('}'), it.value());
    // A placeholder left over means the manifest and the drawing disagree.
    static const QRegularExpression placeholder(QStringLiteral("\\{[A-Za-z]+\\}"));
    const QRegularExpressionMatch left = placeholder.match(text);
    if (left.hasMatch())
        fail(QStringLiteral("%1: nothing fills %2").arg(where, left.captured()));
    return text;
}

QImage render(QSvgRenderer &svg, int scale)
{
    QImage image(svg.defaultSize() * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter, QRectF(QPointF(), QSizeF(image.size())));
    return image;
}

// Every combination of state and frame an entry asks for, as the values its names and drawing read.
QVector<Values> variants(const QJsonObject &entry, const QJsonObject &states)
{
    QVector<Values> result{Values()};
    if (entry.value(QLatin1String("name")).toString().contains(QLatin1String("{state}"))) {
        QVector<Values> perState;
        for (auto state = states.begin(); state != states.end(); ++state) {
            Values values{{QStringLiteral("state"), state.key()}};
            const QJsonObject colours = state.value().toObject();
            for (auto colour = colours.begin(); colour != colours.end(); ++colour)
                values.insert(colour.key(), colour.value().toString());
            perState.append(values);
        }
        result = perState;
    }
    const int frames = entry.value(QLatin1String("frames")).toInt();
    if (frames > 0) {
        QVector<Values> perFrame;
        for (const Values &base : qAsConst(result)) {
            for (int frame = 1; frame <= frames; ++frame) {
                Values values = base;
                values.insert(QStringLiteral("frame"), QString::number(frame));
                values.insert(QStringLiteral("angle"), QString::number(360.0 * (frame - 1) / frames));
                perFrame.append(values);
            }
        }
        result = perFrame;
    }
    return result;
}

QVector<Rendered> renderManifest(const QString &manifestPath)
{
    QJsonParseError error{};
    const QJsonObject manifest = QJsonDocument::fromJson(readFile(manifestPath), &error).object();
    if (error.error != QJsonParseError::NoError)
        fail(QStringLiteral("%1: %2").arg(manifestPath, error.errorString()));
    const QDir base = QFileInfo(manifestPath).dir();
    const QJsonObject states = manifest.value(QLatin1String("states")).toObject();

    QVector<Rendered> result;
    QSet<QString> names;
    const QJsonArray entries = manifest.value(QLatin1String("icons")).toArray();
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        const QString svgPath = base.filePath(entry.value(QLatin1String("svg")).toString());
        const QString drawing = QString::fromUtf8(readFile(svgPath));
        for (const Values &values : variants(entry, states)) {
            Rendered icon;
            icon.name = filled(entry.value(QLatin1String("name")).toString(), values, manifestPath);
            if (names.contains(icon.name))
                fail(QStringLiteral("%1 is named twice").arg(icon.name));
            names.insert(icon.name);

            svgWarnings.clear();
            QSvgRenderer svg(filled(drawing, values, svgPath).toUtf8());
            if (!svg.isValid() || !svgWarnings.isEmpty())
                fail(QStringLiteral("%1 (for %2): %3").arg(svgPath, icon.name, svgWarnings.join(QLatin1String("; "))));
            if (svg.defaultSize().isEmpty())
                fail(QStringLiteral("%1 gives no width and height").arg(svgPath));
            icon.image = render(svg, 1);
            icon.image2x = render(svg, 2);
            result.append(icon);
        }
    }
    if (result.isEmpty())
        fail(QStringLiteral("%1 names no icon").arg(manifestPath));
    return result;
}

QString twiceName(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return name.left(dot) + QLatin1String("@2x") + name.mid(dot);
}

void save(const QImage &image, const QString &path)
{
    if (!image.save(path, "PNG"))
        fail(QStringLiteral("cannot write %1").arg(path));
}

void writeQrc(const QVector<Rendered> &icons, const QDir &out, const QString &qrcPath)
{
    const QDir qrcDir = QFileInfo(qrcPath).dir();
    QByteArray text = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const Rendered &icon : icons) {
        for (const QString &name : {icon.name, twiceName(icon.name)})
            text += "    <file>" + qrcDir.relativeFilePath(out.filePath(name)).toHtmlEscaped().toUtf8() + "</file>\n";
    }
    text += "</qresource>\n</RCC>\n";
    QSaveFile file(qrcPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        fail(QStringLiteral("cannot write %1").arg(qrcPath));
}

// All icons at 1x and 2x, named, once on a dark and once on a light background, for a reviewer's eye.
QImage contactSheet(const QVector<Rendered> &icons)
{
    const int width = 1240, gap = 12, label = 14;
    QVector<QRect> cells;
    int x = gap, y = gap, rowHeight = 0;
    for (const Rendered &icon : icons) {
        const QSize size(qMax(150, icon.image.width() + 6 + icon.image2x.width()), icon.image2x.height() + label + 4);
        if (x + size.width() > width - gap && x > gap) {
            x = gap;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        cells.append(QRect(QPoint(x, y), size));
        x += size.width() + gap;
        rowHeight = qMax(rowHeight, size.height());
    }
    const int panelHeight = y + rowHeight + gap;

    QImage sheet(width, 2 * panelHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    const QColor backgrounds[] = {QColor(0x1E, 0x1F, 0x24), QColor(0xF5, 0xF6, 0xF8)};
    const QColor inks[] = {QColor(0xA0, 0xA4, 0xAC), QColor(0x50, 0x54, 0x5C)};
    for (int panel = 0; panel < 2; ++panel) {
        const int top = panel * panelHeight;
        painter.fillRect(0, top, width, panelHeight, backgrounds[panel]);
        painter.setPen(inks[panel]);
        for (int i = 0; i < icons.size(); ++i) {
            const QRect cell = cells[i].translated(0, top);
            painter.drawImage(cell.topLeft(), icons[i].image);
            painter.drawImage(cell.topLeft() + QPoint(icons[i].image.width() + 6, 0), icons[i].image2x);
            const QRect text(cell.left(), cell.bottom() - label, cell.width(), label);
            painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                painter.fontMetrics().elidedText(icons[i].name, Qt::ElideMiddle, text.width()));
        }
    }
    return sheet;
}

} // namespace

int main(int argc, char *argv[])
{
    // Only images are painted, never a window: the tool must run on build machines without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(collectSvgWarnings);
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders the icons a manifest names from their SVG drawings."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("manifest"), QStringLiteral("JSON list of icons and state colours"));
    const QCommandLineOption outOption(
        QStringLiteral("out"), QStringLiteral("Folder for the PNGs."), QStringLiteral("dir"));
    const QCommandLineOption qrcOption(
        QStringLiteral("qrc"), QStringLiteral("Resource list to write."), QStringLiteral("file"));
    const QCommandLineOption sheetOption(
        QStringLiteral("sheet"), QStringLiteral("Write a contact sheet of every icon."), QStringLiteral("png"));
    parser.addOptions({outOption, qrcOption, sheetOption});
    parser.process(app);
    if (parser.positionalArguments().size() != 1 || (!parser.isSet(outOption) && !parser.isSet(sheetOption)))
        parser.showHelp(2);

    const QVector<Rendered> icons = renderManifest(parser.positionalArguments().constFirst());
    if (parser.isSet(outOption)) {
        const QDir out(parser.value(outOption));
        if (!out.mkpath(QStringLiteral(".")))
            fail(QStringLiteral("cannot make %1").arg(out.path()));
        for (const Rendered &icon : icons) {
            save(icon.image, out.filePath(icon.name));
            save(icon.image2x, out.filePath(twiceName(icon.name)));
        }
        if (parser.isSet(qrcOption))
            writeQrc(icons, out, parser.value(qrcOption));
    }
    if (parser.isSet(sheetOption))
        save(contactSheet(icons), parser.value(sheetOption));
    return 0;
}
