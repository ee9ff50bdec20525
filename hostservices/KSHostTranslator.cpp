#include "KSHostTranslator.h"

#include "KSBaseLog.h"
#include "KSLocale.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QThread>
#include <QTranslator>

namespace {

// Only the GUI thread reaches this state (install() hands other threads over to it).
struct Installed {
    QPointer<QCoreApplication> app;
    QPointer<QTranslator> translator; // a child of the application, gone with it
    QString catalog;
};

QHash<QString, Installed> &installedByComponent()
{
    static QHash<QString, Installed> state;
    return state;
}

} // namespace

bool KSTranslations::install(const QString &component, const QString &catalog)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    if (QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [component, catalog] { install(component, catalog); }, Qt::QueuedConnection);
        return false;
    }
    Installed &state = installedByComponent()[component];
    if (state.app == app && state.catalog == catalog)
        return !state.translator.isNull();
    if (state.translator) {
        QCoreApplication::removeTranslator(state.translator);
        delete state.translator;
    }
    state.app = app;
    state.catalog = catalog;
    if (catalog.isEmpty())
        return false;
    auto *translator = new QTranslator(app);
    if (!translator->load(catalog)) {
        KSLOG_WARN("translation catalog %s is missing: the %s texts show their sources", qUtf8Printable(catalog),
            qUtf8Printable(component));
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    state.translator = translator;
    KSLOG_INFO("%s texts from %s", qUtf8Printable(component), qUtf8Printable(catalog));
    return true;
}

QString KSHostTranslator::catalogFor(const QString &languageCode)
{
    const QString language = languageCode.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0).toLower();
    return language == QLatin1String("de") ? QStringLiteral(":/i18n/kshost_de.qm") : QString();
}

bool KSHostTranslator::install()
{
    return KSTranslations::install(QStringLiteral("host"), catalogFor(KSLocale::languageCode()));
}
