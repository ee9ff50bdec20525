// The plug-in's texts in the host's language.
#ifndef KSCLOUDDISKTRANSLATOR_H
#define KSCLOUDDISKTRANSLATOR_H

#include "kscloudglobal.h"

#include <QString>

class KSCLOUDDISK_API KSCloudDiskTranslator
{
public:
    // Installs on the application the plug-in catalog for KSLocale::languageCode(). The service
    // calls it when it is created; an app may call it too. Repeated calls keep the one translator
    // while the language stays the same and reload it when the language changed: never two. Called
    // off the GUI thread, it is queued onto it. Returns whether a catalog is in place; a missing one
    // is a warning in the host log, and the sources show as written.
    static bool install();
    // ":/i18n/kscloud_de.qm" for German ("de", "de_AT", ...), else ":/i18n/kscloud_en.qm": some
    // sources are translation ids ("TransferCenter Name") that only a catalog turns into words.
    static QString catalogFor(const QString &languageCode);
};

#endif
