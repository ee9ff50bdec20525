#include "KSCloudDiskTranslator.h"

#include "KSLocale.h"

QString KSCloudDiskTranslator::catalogFor(const QString &languageCode)
{
    const QString language = languageCode.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0).toLower();
    return language == QLatin1String("de") ? QStringLiteral(":/i18n/kscloud_de.qm")
                                           : QStringLiteral(":/i18n/kscloud_en.qm");
}

bool KSCloudDiskTranslator::install()
{
    return KSTranslations::install(QStringLiteral("plug-in"), catalogFor(KSLocale::languageCode()));
}
