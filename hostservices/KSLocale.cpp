#include "KSLocale.h"

#include "KSNetwork.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMainWindow>
#include <QMutex>
#include <QPointer>
#include <QQueue>
#include <QSysInfo>
#include <QUrl>
#include <QWidget>

#include <iterator>

namespace {

// "C" and "POSIX" name no language; the editor then shows English.
QString normalisedCode(QString code)
{
    code.replace(QLatin1Char('-'), QLatin1Char('_'));
    const int dot = code.indexOf(QLatin1Char('.')); // "en_US.UTF-8" from the environment
    if (dot >= 0)
        code.truncate(dot);
    if (code.isEmpty() || code == QLatin1String("C") || code == QLatin1String("POSIX"))
        return QStringLiteral("en_US");
    return code;
}

QString languagePart(const QString &code)
{
    return code.section(QLatin1Char('_'), 0, 0).toLower();
}

QMutex &mainWindowMutex()
{
    static QMutex mutex;
    return mutex;
}

QPointer<QWidget> &mainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

constexpr qint64 kQuickHashChunk = 1 << 20;

} // namespace

QString KSLocale::languageCode()
{
    const QString env = qEnvironmentVariable("KSHOST_LANG");
    return normalisedCode(env.isEmpty() ? QLocale::system().name() : env);
}

QString KSLocale::countryCode()
{
    const QString code = languageCode();
    QString country = code.section(QLatin1Char('_'), 1, 1);
    if (country.isEmpty()) {
        // A bare language ("ja") takes the country Qt pairs it with ("ja_JP").
        country = QLocale(code).name().section(QLatin1Char('_'), 1, 1);
    }
    return country.isEmpty() ? QStringLiteral("US") : country.toUpper();
}

QString KSLocale::clientLanguageCode2(int style)
{
    const QString separator = style == 1 ? QStringLiteral("-") : QStringLiteral("_");
    return languagePart(languageCode()) + separator + countryCode();
}

int KSLocale::languageType()
{
    const QString code = languageCode();
    const QString language = languagePart(code);
    if (language == QLatin1String("en"))
        return English;
    if (language == QLatin1String("ja"))
        return Japanese;
    if (language == QLatin1String("zh")) {
        const QString rest = code.section(QLatin1Char('_'), 1).toUpper();
        const bool traditional = rest.contains(QLatin1String("HANT")) || rest == QLatin1String("TW")
            || rest == QLatin1String("HK") || rest == QLatin1String("MO");
        return traditional ? ChineseTraditional : ChineseSimplified;
    }
    return Other;
}

bool KSLocale::isLanguageType(int type)
{
    return languageType() == type;
}

QString KSUtility::GetOsVersion()
{
    return QSysInfo::prettyProductName();
}

int KSUtility::GetOsSystemBit()
{
    return QSysInfo::currentCpuArchitecture().contains(QLatin1String("64")) ? 64 : 32;
}

QString KSUtility::GetSysLanguageSimple()
{
    return languagePart(normalisedCode(QLocale::system().name()));
}

int KSUtility::GetTimeZone()
{
    return QDateTime::currentDateTime().offsetFromUtc() / 3600;
}

QWidget *KSUtility::gGetMainWindow()
{
    {
        QMutexLocker lock(&mainWindowMutex());
        if (mainWindow())
            return mainWindow().data();
    }
    // Without a window set by the host, the first main window of the application stands in.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (qobject_cast<QMainWindow *>(window))
            return window;
    }
    return nullptr;
}

void KSUtility::setMainWindow(QWidget *window)
{
    QMutexLocker lock(&mainWindowMutex());
    mainWindow() = window;
}

QString KSUtility::gGetFileSizeAuto(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(qMax<qint64>(bytes, 0));
    static const char *const units[] = {"KB", "MB", "GB", "TB", "PB"};
    double value = double(bytes);
    int unit = -1;
    int decimals = 1;
    // A value that would round up to 1024 of one unit is shown as 1 of the next ("1.0 MB", never
    // "1024.0 KB").
    do {
        value /= 1024.0;
        ++unit;
        decimals = unit >= 2 ? 2 : 1;
    } while (unit + 1 < int(std::size(units)) && QString::number(value, 'f', decimals).toDouble() >= 1024.0);
    return QStringLiteral("%1 %2").arg(QString::number(value, 'f', decimals), QLatin1String(units[unit]));
}

QString KSUtility::getQuickFileMD5HexString(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return QString();
    const qint64 size = file.size();
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(file.read(qMin(size, kQuickHashChunk)));
    const qint64 tailStart = qMax<qint64>(0, size - kQuickHashChunk);
    if (!file.seek(tailStart))
        return QString();
    hash.addData(file.read(size - tailStart));
    hash.addData(QByteArray::number(size));
    return QString::fromLatin1(hash.result().toHex());
}

QString KSUtility::findTargetFile(const QString &folder, const QString &name)
{
    if (name.isEmpty() || !QFileInfo(folder).isDir())
        return QString();
    QQueue<QString> pending;
    pending.enqueue(QDir(folder).absolutePath());
    while (!pending.isEmpty()) {
        const QDir dir(pending.dequeue());
        const QFileInfoList entries
            = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
        for (const QFileInfo &entry : entries) {
            if (entry.isDir()) {
                // Linked folders could lead back up the tree.
                if (!entry.isSymLink())
                    pending.enqueue(entry.absoluteFilePath());
            } else if (entry.fileName() == name) {
                return entry.absoluteFilePath();
            }
        }
    }
    return QString();
}

bool KSUtility::findTargetFile(const QString &path)
{
    const QFileInfo target(path);
    if (path.isEmpty() || !target.exists())
        return false;
    // Opening the folder is what every desktop can do; selecting the file inside it would need a
    // file-manager protocol that not all of them speak.
    const QString folder = target.isDir() ? target.absoluteFilePath() : target.absolutePath();
    return KSDesktopService::openURL(QUrl::fromLocalFile(folder).toString());
}

QString KSUtility::getShortPathName(const QString &path)
{
    // Short (8.3) names exist on Windows only; elsewhere a path is its own short form.
    return QDir::toNativeSeparators(path);
}
