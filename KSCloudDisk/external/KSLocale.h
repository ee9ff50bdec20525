// Host locale and system facts.
#ifndef KSLOCALE_H
#define KSLOCALE_H

#include "kshostglobal.h"

#include <QString>

class QWidget;

class KSHOST_API KSLocale
{
public:
    enum LanguageType { English = 0, ChineseSimplified = 1, ChineseTraditional = 2, Japanese = 3, Other = 99 };

    // "en", "zh_CN", ...: the UI language ($KSHOST_LANG, else the system locale).
    static QString languageCode();
    // The client's language code in form `style`: 1 gives "en-US"-like text, any other "en_US".
    static QString clientLanguageCode2(int style);
    static QString countryCode();
    static int languageType();
    static bool isLanguageType(int type);
};

class KSHOST_API KSTranslations
{
public:
    // Installs `catalog` (a .qm path) on the application as the one translator of `component`
    // ("host", "kscloud", ...): a repeated call with the same catalog keeps it, another catalog
    // replaces it, an empty one removes it. Called off the GUI thread, it is queued onto it and
    // returns false. Returns whether the catalog is in place; a missing one is a warning in the host
    // log, and the component's sources show as written.
    static bool install(const QString &component, const QString &catalog);
};

class KSHOST_API KSUtility
{
public:
    static QString GetOsVersion();
    static int GetOsSystemBit();
    static QString GetSysLanguageSimple();
    // Offset from UTC in whole hours.
    static int GetTimeZone();
    // The window the host registered, or while none is (or it was destroyed) the application's
    // first main window; null without one.
    static QWidget *gGetMainWindow();
    static void setMainWindow(QWidget *window);
    // Binary units (1 KB = 1024 B): below 1 KB whole bytes ("0 B", "1023 B"; negative counts as 0),
    // KB and MB with one decimal ("1.0 KB", "1.5 MB"), GB and larger with two ("2.00 GB"); a value
    // that would round to 1024 of a unit is shown in the next unit ("1.0 MB", not "1024.0 KB").
    static QString gGetFileSizeAuto(qint64 bytes);
    // MD5 of the first and last MiB and the size: quick, for telling files apart.
    static QString getQuickFileMD5HexString(const QString &path);
    // The first file named `name` below `folder`, searched breadth first; empty when none.
    static QString findTargetFile(const QString &folder, const QString &name);
    // Shows the file or folder in the system's file browser (the folder holding a file); false when
    // it does not exist.
    static bool findTargetFile(const QString &path);
    static QString getShortPathName(const QString &path);
};

#endif
