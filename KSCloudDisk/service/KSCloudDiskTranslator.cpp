#include "KSCloudDiskTranslator.h"

#include "KSBaseLog.h"
#include "KSLocale.h"

#include <QCoreApplication>
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

Installed &installed()
{
    static Installed state;
    return state;
}

} // namespace

QString KSCloudDiskTranslator::catalogFor(const QString &languageCode)
{
    const QString language = languageCode.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0).toLower();
    return language == QLatin1String("de") ? QStringLiteral(":/i18n/kscloud_de.qm")
                                           : QStringLiteral(":/i18n/kscloud_en.qm");
}

bool KSCloudDiskTranslator::install()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    if (QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [] { install(); }, Qt::QueuedConnection);
        return false;
    }
    Installed &state = installed();
    const QString catalog = catalogFor(KSLocale::languageCode());
    if (state.app == app && state.catalog == catalog)
        return !state.translator.isNull();
    if (state.translator) {
        QCoreApplication::removeTranslator(state.translator);
        delete state.translator;
    }
    state.app = app;
    state.catalog = catalog;
    auto *translator = new QTranslator(app);
    if (!translator->load(catalog)) {
        KSLOG_WARN("translation catalog %s is missing: the plug-in shows its sources", qUtf8Printable(catalog));
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    state.translator = translator;
    KSLOG_INFO("plug-in texts from %s", qUtf8Printable(catalog));
    return true;
}
