// widget-gallery: renders the host widget kit in both skins, offscreen, to PNG files for review.
#include "WidgetGallery.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

namespace {

QtMessageHandler g_defaultHandler = nullptr;

// The offscreen platform says so for every fixed-size window; it tells nothing about the pictures.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    g_defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    g_defaultHandler = qInstallMessageHandler(quietHandler);
    // Pictures only: no window ever needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("widget-gallery"));
    QApplication::setCursorFlashTime(0); // no blinking caret in the pictures

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("WidgetGallery", "Writes a PNG of every kit widget in each skin."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("folder"), QCoreApplication::translate("WidgetGallery", "Folder for <skin>/<scene>.png"));
    QCommandLineOption skinOption(QStringLiteral("skin"),
        QCoreApplication::translate("WidgetGallery", "dark, light or both (default)."), QStringLiteral("skin"),
        QStringLiteral("both"));
    parser.addOption(skinOption);
    parser.process(app);
    QTextStream err(stderr);
    if (parser.positionalArguments().size() != 1) {
        err << parser.helpText();
        return 2;
    }
    const QString which = parser.value(skinOption);
    QList<KSSkinManager::Skin> skins;
    if (which == QLatin1String("dark") || which == QLatin1String("both"))
        skins << KSSkinManager::DarkSkin;
    if (which == QLatin1String("light") || which == QLatin1String("both"))
        skins << KSSkinManager::LightSkin;
    if (skins.isEmpty()) {
        err << QCoreApplication::translate("WidgetGallery", "widget-gallery: unknown skin %1").arg(which) << '\n';
        return 2;
    }
    QDir folder(parser.positionalArguments().constFirst());
    if (!folder.mkpath(QStringLiteral("."))) {
        err << QCoreApplication::translate("WidgetGallery", "widget-gallery: cannot create %1").arg(folder.path())
            << '\n';
        return 1;
    }

    // A missing picture leaves its place empty; the rest is still worth looking at.
    const QStringList missing = WidgetGallery::missingResources();
    for (const QString &path : missing)
        err << QCoreApplication::translate("WidgetGallery", "widget-gallery: the skins name %1, which does not load")
                   .arg(path)
            << '\n';

    WidgetGallery gallery(folder);
    QTextStream out(stdout);
    for (KSSkinManager::Skin skin : qAsConst(skins)) {
        const QStringList files = gallery.render(skin);
        for (const QString &file : files)
            out << file << '\n';
    }
    return 0;
}
