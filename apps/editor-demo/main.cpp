// editor-demo: a windowed stand-in for the video editor that loads the cloud-disk plug-in as the
// editor does, with its libraries, menus and the plug-in's windows; --tour walks through them all
// and saves a picture of each.
#include "EditorAssets.h"
#include "EditorHost.h"
#include "EditorMainWindow.h"
#include "EditorTour.h"

#include "KSSkin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTranslator>

namespace {

QtMessageHandler g_defaultHandler = nullptr;

// The offscreen platform says so for every frameless or translucent window; it tells nothing.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    g_defaultHandler(type, context, message);
}

struct Options {
    QString root; // empty: a fresh temporary folder for a tour, else the per-user folder
    QString email;
    QString skin;
    QString language;
    QString tourFolder;
};

// Read before the application exists: the language must be in place before the host starts.
QString earlyValue(int argc, char **argv, const char *name)
{
    const QByteArray option = QByteArray("--") + name;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == option && i + 1 < argc)
            return QString::fromLocal8Bit(argv[i + 1]);
        if (arg.startsWith(option + '='))
            return QString::fromLocal8Bit(arg.mid(option.size() + 1));
    }
    return QString();
}

int parseOptions(Options *options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "EditorDemo", "A stand-in for the video editor that hosts the cloud-disk plug-in."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption root(QStringLiteral("root"),
        QCoreApplication::translate("EditorDemo",
            "Data folder (libraries, host data, drive); a tour needs one whose account has not opened its "
            "cloud storage yet, and uses a temporary one when none is given."),
        QStringLiteral("dir"));
    const QCommandLineOption email(QStringLiteral("email"),
        QCoreApplication::translate("EditorDemo", "The editor's account, created on first use."),
        QStringLiteral("address"), QStringLiteral("editor@example.com"));
    const QCommandLineOption skin(
        QStringLiteral("skin"), QCoreApplication::translate("EditorDemo", "dark or light."), QStringLiteral("skin"));
    const QCommandLineOption language(QStringLiteral("lang"),
        QCoreApplication::translate("EditorDemo", "Language of the windows, e.g. de."), QStringLiteral("code"));
    const QCommandLineOption tour(QStringLiteral("tour"),
        QCoreApplication::translate("EditorDemo", "Walk through every window and save pictures to this folder."),
        QStringLiteral("dir"));
    parser.addOptions({root, email, skin, language, tour});
    if (!parser.parse(QCoreApplication::arguments())) {
        QTextStream(stderr) << parser.errorText() << '\n';
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        QTextStream(stderr) << parser.helpText();
        return 2;
    }
    options->tourFolder = parser.value(tour);
    options->root = parser.value(root);
    if (options->root.isEmpty())
        options->root = qEnvironmentVariable("EDITORDEMO_ROOT");
    // A tour starts with an account that has not opened its cloud storage yet.
    if (options->root.isEmpty() && options->tourFolder.isEmpty())
        options->root
            = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/editor-demo");
    options->email = parser.value(email);
    options->skin = parser.value(skin);
    options->language = parser.value(language);
    if (!options->skin.isEmpty() && options->skin != QLatin1String("dark") && options->skin != QLatin1String("light")) {
        QTextStream(stderr)
            << QCoreApplication::translate("EditorDemo", "editor-demo: unknown skin %1").arg(options->skin) << '\n';
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    g_defaultHandler = qInstallMessageHandler(quietHandler);
    // The plug-in needs a widget application; without a display it still runs, drawing offscreen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The host services and the plug-in read the language when they start.
    const QString earlyLanguage = earlyValue(argc, argv, "lang");
    if (!earlyLanguage.isEmpty())
        qputenv("KSHOST_LANG", earlyLanguage.toUtf8());
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("editor-demo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(EDITORDEMO_VERSION));

    Options options;
    if (const int usage = parseOptions(&options))
        return usage;
    QTemporaryDir tourRoot;
    if (options.root.isEmpty()) {
        if (!tourRoot.isValid()) {
            QTextStream(stderr) << QCoreApplication::translate("EditorDemo", "editor-demo: no temporary folder")
                                << '\n';
            return 1;
        }
        options.root = tourRoot.path();
    }

    // The demo's own catalog, when the build carries one for the language.
    // "de_AT" falls back to the "de" catalog.
    QTranslator translator;
    if (!options.language.isEmpty()
        && translator.load(QLocale(options.language), QStringLiteral("editordemo"), QStringLiteral("_"),
            QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&translator);

    if (!options.skin.isEmpty())
        KSSkinManager::instance()->setSkin(
            options.skin == QLatin1String("light") ? KSSkinManager::LightSkin : KSSkinManager::DarkSkin);

    const QString root = QDir(options.root).absolutePath();
    EditorAssets assets(root + QStringLiteral("/library"));
    if (!assets.ensure()) {
        QTextStream(stderr) << QCoreApplication::translate("EditorDemo", "editor-demo: %1").arg(assets.error()) << '\n';
        return 1;
    }
    int status = 0;
    {
        EditorHost host;
        if (!host.start(root, options.email)) {
            QTextStream(stderr) << QCoreApplication::translate("EditorDemo", "editor-demo: %1").arg(host.error())
                                << '\n';
            return 1;
        }
        {
            EditorMainWindow window(&host, root + QStringLiteral("/library"), root + QStringLiteral("/downloads"));
            if (options.tourFolder.isEmpty()) {
                window.show();
                status = app.exec();
            } else {
                EditorTour tour(&host, &window, options.tourFolder);
                QObject::connect(&tour, &EditorTour::finished, &app, &QCoreApplication::exit);
                tour.start();
                status = app.exec();
            }
        }
        host.stop();
    }
    return status;
}
