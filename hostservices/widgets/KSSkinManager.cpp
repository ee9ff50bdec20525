#include "KSSkin.h"

#include "../KSHostTranslator.h"
#include "KSBaseLog.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QPalette>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QStyle>
#include <QWidget>

#include <utility>

namespace {

// The skin colours by number. The same numbers, roles and values are documented in
// hostservices/widgets/skins/SKIN.md, which the widget tests compare with these tables.
// Values with an alpha byte are #AARRGGBB.
const std::pair<int, QRgb> kDarkColors[] = {
    {1, 0xFF1C1D21}, // page background
    {2, 0xFF2A2B30}, // side panel, cards
    {3, 0xFF2F3137}, // control background
    {4, 0xFF3B3E45}, // control border
    {5, 0xFF34363C}, // divider line
    {7, 0xFF50E3C2}, // accent: text, rings, links
    {8, 0xFF50E3C2}, // accent fill
    {9, 0xFF74EBD1}, // accent fill, hover
    {10, 0xFF3AC6A7}, // accent fill, pressed
    {11, 0xFF232428}, // dialog background
    {12, 0xFF0B2B24}, // text on accent fill
    {26, 0xFF2A2C31}, // row hover
    {27, 0xFF3D4048}, // control hover
    {28, 0xFF243B38}, // row selected
    {29, 0xFF35383F}, // control pressed
    {30, 0xFF4A4D55}, // scroll bar handle
    {31, 0xF0303136}, // toast background
    {32, 0xFFF2F3F5}, // toast and tooltip text
    {33, 0xFF3A3C43}, // tooltip background
    {56, 0xFFE9EAEC}, // primary text
    {57, 0xFFA3A7AF}, // secondary text
    {58, 0xFF62666E}, // disabled text
    {69, 0xFFFF6161}, // error
};

const std::pair<int, QRgb> kLightColors[] = {
    {1, 0xFFFFFFFF},
    {2, 0xFFF4F5F7},
    {3, 0xFFFFFFFF},
    {4, 0xFFD5D8DE},
    {5, 0xFFE6E8EC},
    {7, 0xFF0E9474},
    {8, 0xFF2CC9A7},
    {9, 0xFF4AD6B7},
    {10, 0xFF22B294},
    {11, 0xFFFFFFFF},
    {12, 0xFF0B2B24},
    {26, 0xFFF3F5F7},
    {27, 0xFFEEF0F3},
    {28, 0xFFE2F6F1},
    {29, 0xFFE3E6EA},
    {30, 0xFFC8CCD3},
    {31, 0xF0303136},
    {32, 0xFFF2F3F5},
    {33, 0xFF303136},
    {56, 0xFF1F2329},
    {57, 0xFF5C6370},
    {58, 0xFFA7ACB4},
    {69, 0xFFE5484D},
};

constexpr int kPrimaryText = 56;

// Host font kinds: pixel size and weight; the same in both skins. Kind 0 is the application font.
struct FontKind {
    int kind;
    int pixelSize;
    bool bold;
};
const FontKind kFonts[] = {
    {0, 13, false},
    {1, 18, true},
    {2, 16, true},
    {3, 14, true},
    {4, 14, false},
    {5, 13, true},
    {6, 12, false},
    {7, 12, true},
    {8, 11, false},
};

const char kKeyProperty[] = "_ks_styleKey";
const char kExplicitProperty[] = "_ks_styleKeyExplicit";

QString colorText(QRgb rgb)
{
    if (qAlpha(rgb) == 255)
        return QColor(rgb).name();
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(qRed(rgb)).arg(qGreen(rgb)).arg(qBlue(rgb)).arg(qAlpha(rgb));
}

template<size_t N>
void fillColors(QHash<int, QRgb> *colors, const std::pair<int, QRgb> (&table)[N])
{
    for (const auto &entry : table)
        colors->insert(entry.first, entry.second);
}

// The application palette from the skin: what style sheets do not cover (placeholder text, rich
// text links, selections in views) follows the skin too.
QPalette paletteFor(const QHash<int, QRgb> &colors)
{
    const auto c = [&colors](int index) { return QColor::fromRgba(colors.value(index, colors.value(kPrimaryText))); };
    QPalette palette;
    const std::pair<QPalette::ColorRole, int> roles[] = {
        {QPalette::Window, 11},
        {QPalette::WindowText, 56},
        {QPalette::Base, 3},
        {QPalette::AlternateBase, 2},
        {QPalette::Text, 56},
        {QPalette::Button, 3},
        {QPalette::ButtonText, 56},
        {QPalette::BrightText, 32},
        {QPalette::Highlight, 8},
        {QPalette::HighlightedText, 12},
        {QPalette::Link, 7},
        {QPalette::LinkVisited, 7},
        {QPalette::ToolTipBase, 33},
        {QPalette::ToolTipText, 32},
        {QPalette::PlaceholderText, 58},
        {QPalette::Light, 27},
        {QPalette::Midlight, 4},
        {QPalette::Mid, 4},
        {QPalette::Dark, 1},
        {QPalette::Shadow, 1},
    };
    for (const auto &role : roles)
        palette.setColor(role.first, c(role.second));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, c(58));
    return palette;
}

struct SkinData {
    QHash<int, QRgb> colors;
    QString applicationSheet;
    QHash<QString, QString> sections;
    QStringList keys; // in file order
};

} // namespace

struct KSSkinManager::Private {
    KSSkinManager::Skin skin = KSSkinManager::DarkSkin;
    QHash<int, SkinData> skins; // loaded on first use
    QPointer<QApplication> installedFor;
    mutable QMutex warnMutex;
    mutable QSet<QString> warnedKeys;
    mutable QSet<int> warnedColors;

    const SkinData &data(KSSkinManager::Skin which);
    const SkinData &current() { return data(skin); }
};

const SkinData &KSSkinManager::Private::data(KSSkinManager::Skin which)
{
    auto it = skins.find(which);
    if (it != skins.end())
        return *it;

    SkinData skinData;
    if (which == LightSkin)
        fillColors(&skinData.colors, kLightColors);
    else
        fillColors(&skinData.colors, kDarkColors);

    const QString path
        = which == LightSkin ? QStringLiteral(":/ksskin/light.qss") : QStringLiteral(":/ksskin/dark.qss");
    QFile file(path);
    QString text;
    if (file.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(file.readAll());
    else
        KSLOG_ERROR("skin sheet %s is missing", qUtf8Printable(path));

    // Sheets name skin colours as @c<number>, so the painted parts and the sheets share one table.
    static const QRegularExpression colorToken(QStringLiteral("@c(\\d+)\\b"));
    QString resolved;
    int last = 0;
    auto matches = colorToken.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        resolved += text.midRef(last, match.capturedStart() - last);
        const int index = match.captured(1).toInt();
        if (skinData.colors.contains(index)) {
            resolved += colorText(skinData.colors.value(index));
        } else {
            KSLOG_WARN("skin %s uses colour %d, which it does not define", qUtf8Printable(path), index);
            resolved += colorText(skinData.colors.value(kPrimaryText));
        }
        last = match.capturedEnd();
    }
    resolved += text.midRef(last);

    static const QRegularExpression marker(
        QStringLiteral("^/\\* @key (\\S+) \\*/[ \\t]*$"), QRegularExpression::MultilineOption);
    auto sections = marker.globalMatch(resolved);
    QString pendingKey;
    int sectionStart = -1;
    const auto closeSection = [&](int end) {
        const QString body = resolved.mid(sectionStart, end - sectionStart).trimmed();
        if (pendingKey.isEmpty()) {
            skinData.applicationSheet = body;
            return;
        }
        if (skinData.sections.contains(pendingKey))
            KSLOG_WARN(
                "skin %s has key %s twice; the later section wins", qUtf8Printable(path), qUtf8Printable(pendingKey));
        else
            skinData.keys.append(pendingKey);
        skinData.sections.insert(pendingKey, body);
    };
    sectionStart = 0;
    while (sections.hasNext()) {
        const QRegularExpressionMatch match = sections.next();
        closeSection(match.capturedStart());
        pendingKey = match.captured(1);
        sectionStart = match.capturedEnd();
    }
    closeSection(resolved.size());

    // Widgets coloured by number (KSUIStyle::setTextColorType and friends) follow these rules.
    QString generated;
    QList<int> indexes = skinData.colors.keys();
    std::sort(indexes.begin(), indexes.end());
    for (int index : qAsConst(indexes)) {
        const QString color = colorText(skinData.colors.value(index));
        generated += QStringLiteral("*[textColorType=\"%1\"] { color: %2; }\n"
                                    "*[backgroundColorType=\"%1\"] { background-color: %2; }\n")
                         .arg(index)
                         .arg(color);
    }
    skinData.applicationSheet += QLatin1Char('\n') + generated;
    return *skins.insert(which, std::move(skinData));
}

KSSkinManager *KSSkinManager::instance()
{
    static QPointer<KSSkinManager> manager;
    static QMutex mutex;
    QMutexLocker lock(&mutex);
    if (!manager) {
        // Lives with the application object; before there is one it lives for the process.
        manager = new KSSkinManager(QCoreApplication::instance());
    }
    return manager;
}

KSSkinManager::KSSkinManager(QObject *parent)
    : QObject(parent)
    , d(new Private)
{
    // Receivers in other threads and signal spies get the skin by value.
    qRegisterMetaType<KSSkinManager::Skin>();
    const QByteArray wanted = qgetenv("KSHOST_SKIN").trimmed().toLower();
    if (wanted == "light")
        d->skin = LightSkin;
}

KSSkinManager::~KSSkinManager() = default;

KSSkinManager::Skin KSSkinManager::skin() const
{
    return d->skin;
}

QString KSSkinManager::skinName() const
{
    return d->skin == LightSkin ? QStringLiteral("light") : QStringLiteral("dark");
}

void KSSkinManager::ensureApplicationSheet()
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app || d->installedFor == app)
        return;
    d->installedFor = app;
    // The kit's texts are made right after this, in the first kit widget's constructor.
    KSHostTranslator::install();
    // Fonts by pixel size: the same text size on every platform, whatever the screen's dpi.
    app->setFont(getFont(0));
    app->setPalette(paletteFor(d->current().colors));
    // Re-polishes every widget, so property-driven rules are matched again under a new skin.
    app->setStyleSheet(d->current().applicationSheet);
}

void KSSkinManager::setSkin(Skin skin)
{
    if (skin == d->skin)
        return;
    d->skin = skin;
    const SkinData &data = d->current();
    d->installedFor = nullptr;
    ensureApplicationSheet();
    if (d->installedFor) {
        const QList<QWidget *> widgets = QApplication::allWidgets();
        for (QWidget *widget : widgets) {
            const QString key = widget->property(kKeyProperty).toString();
            if (!key.isEmpty())
                widget->setStyleSheet(data.sections.value(key));
        }
        // Painted parts read their colours on paint.
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (window->isVisible())
                window->update();
        }
    }
    emit sigSkinChanged(skin);
}

bool KSSkinManager::applyStyleSheet(QWidget *widget, const QString &key)
{
    if (!widget)
        return false;
    ensureApplicationSheet();
    if (!d->current().sections.contains(key)) {
        QMutexLocker lock(&d->warnMutex);
        if (!d->warnedKeys.contains(key)) {
            d->warnedKeys.insert(key);
            KSLOG_WARN("skin %s has no style sheet for key \"%s\"", qUtf8Printable(skinName()), qUtf8Printable(key));
        }
        return false;
    }
    applyKey(widget, key, true);
    return true;
}

void KSSkinManager::applyKey(QWidget *widget, const QString &key, bool explicitKey)
{
    widget->setProperty(kKeyProperty, key);
    widget->setProperty(kExplicitProperty, explicitKey);
    widget->setStyleSheet(d->current().sections.value(key));
}

void KSSkinManager::followObjectName(QWidget *widget)
{
    if (!widget)
        return;
    ensureApplicationSheet();
    const auto follow = [widget](const QString &name) {
        KSSkinManager *manager = KSSkinManager::instance();
        if (widget->property(kExplicitProperty).toBool())
            return;
        const QString key = manager->styleKeyForName(name);
        if (!key.isEmpty()) {
            manager->applyKey(widget, key, false);
        } else if (!widget->property(kKeyProperty).toString().isEmpty()) {
            // The sheet of the former name no longer describes this widget.
            widget->setProperty(kKeyProperty, QVariant());
            widget->setStyleSheet(QString());
        }
    };
    connect(widget, &QObject::objectNameChanged, widget, follow);
    if (!widget->objectName().isEmpty())
        follow(widget->objectName());
}

QString KSSkinManager::styleKey(const QWidget *widget)
{
    return widget ? widget->property(kKeyProperty).toString() : QString();
}

QString KSSkinManager::styleKeyForName(const QString &objectName) const
{
    if (objectName.isEmpty())
        return QString();
    const SkinData &data = d->current();
    for (const QString &prefix : {QStringLiteral("CloudDisk/"), QStringLiteral("BasicWidget/")}) {
        if (data.sections.contains(prefix + objectName))
            return prefix + objectName;
    }
    return QString();
}

bool KSSkinManager::hasStyleSheet(const QString &key) const
{
    return d->current().sections.contains(key);
}

QString KSSkinManager::styleSheet(const QString &key) const
{
    return d->current().sections.value(key);
}

QStringList KSSkinManager::styleKeys() const
{
    return d->current().keys;
}

QString KSSkinManager::applicationStyleSheet() const
{
    return d->current().applicationSheet;
}

QColor KSSkinManager::getColor(int index) const
{
    const SkinData &data = d->current();
    const auto it = data.colors.constFind(index);
    if (it != data.colors.constEnd())
        return QColor::fromRgba(*it);
    QMutexLocker lock(&d->warnMutex);
    if (!d->warnedColors.contains(index)) {
        d->warnedColors.insert(index);
        KSLOG_WARN("skin %s has no colour %d", qUtf8Printable(skinName()), index);
    }
    return QColor::fromRgba(data.colors.value(kPrimaryText));
}

QList<int> KSSkinManager::colorIndexes() const
{
    QList<int> indexes = d->current().colors.keys();
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

QFont KSSkinManager::getFont(int kind) const
{
    QFont font = QApplication::font();
    const FontKind *chosen = &kFonts[0];
    for (const FontKind &entry : kFonts) {
        if (entry.kind == kind)
            chosen = &entry;
    }
    font.setPixelSize(chosen->pixelSize);
    font.setBold(chosen->bold);
    return font;
}

// ---- KSUIStyle

void KSUIStyle::RePolishStyle(QWidget *widget)
{
    if (!widget)
        return;
    QStyle *style = widget->style();
    style->unpolish(widget);
    style->polish(widget);
    widget->update();
}

void KSUIStyle::setStyleProperty(QWidget *widget, const char *name, const QVariant &value)
{
    if (!widget || widget->property(name) == value)
        return;
    widget->setProperty(name, value);
    RePolishStyle(widget);
}

void KSUIStyle::setTextColorType(QWidget *widget, int colorIndex)
{
    setStyleProperty(widget, "textColorType", colorIndex);
}

void KSUIStyle::setBackgroundColorType(QWidget *widget, int colorIndex)
{
    if (!widget)
        return;
    // A plain widget fills its background from a style sheet only when asked to.
    widget->setAttribute(Qt::WA_StyledBackground);
    setStyleProperty(widget, "backgroundColorType", colorIndex);
}

void KSUIStyle::setLabelStyle(QWidget *widget, int colorIndex, int fontKind)
{
    if (!widget)
        return;
    widget->setFont(KSSkinManager::instance()->getFont(fontKind));
    setTextColorType(widget, colorIndex);
}
