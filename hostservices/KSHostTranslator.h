// The host's own texts (widget kit, message dialogs, network errors) in the host's language.
#ifndef KSHOSTTRANSLATOR_H
#define KSHOSTTRANSLATOR_H

#include "kshostglobal.h"

#include <QString>

class KSHOST_API KSHostTranslator
{
public:
    // Installs on the application the host catalog for KSLocale::languageCode(). The widget kit
    // calls it when it first styles an application; an app may call it too. Repeated calls keep the
    // one translator while the language stays the same and reload it when the language changed:
    // never two. Called off the GUI thread, it is queued onto it. Returns whether a catalog is in
    // place; a missing one is a warning in the host log and leaves the English sources.
    static bool install();
    // ":/i18n/kshost_de.qm" for German ("de", "de_AT", ...); empty for every other language, which
    // reads the English sources.
    static QString catalogFor(const QString &languageCode);
};

#endif
