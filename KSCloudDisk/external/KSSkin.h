// The host skin: style sheets by key, the numbered skin colours and fonts, and the dark and light
// looks that the user switches between at run time.
#ifndef KSSKIN_H
#define KSSKIN_H

#include "kshostglobal.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QWidget;

// One object per process. A skin is a Qt style sheet made of an application part (the kit's own
// widgets and the common controls, installed on the application) and one section per style key
// ("CloudDisk/<object name>", "BasicWidget/<object name>") that a widget receives as its own sheet,
// so that it refines the application part: the closer sheet wins in Qt's cascade.
class KSHOST_API KSSkinManager : public QObject
{
    Q_OBJECT
public:
    enum Skin { DarkSkin = 0, LightSkin = 1 };
    Q_ENUM(Skin)

    // Created on first use; the skin starts as $KSHOST_SKIN ("dark" or "light"), else dark.
    static KSSkinManager *instance();
    ~KSSkinManager() override;

    Skin skin() const;
    QString skinName() const; // "dark" or "light"
    // Installs the new application part, gives every widget that holds a style key that key's sheet
    // of the new skin, re-polishes and repaints every open window, then emits sigSkinChanged.
    void setSkin(Skin skin);

    // Gives `widget` the sheet of `key` as its own style sheet and remembers the key, so a skin
    // switch re-applies it. An unknown key applies nothing and logs a warning (once per key).
    // Returns whether the key is known.
    bool applyStyleSheet(QWidget *widget, const QString &key);
    // The key `widget` was styled with, empty when none.
    static QString styleKey(const QWidget *widget);
    // "CloudDisk/<name>" when the skin has it, else "BasicWidget/<name>" when it has that, else empty.
    QString styleKeyForName(const QString &objectName) const;
    bool hasStyleSheet(const QString &key) const;
    QString styleSheet(const QString &key) const; // empty for an unknown key
    QStringList styleKeys() const; // keys of the current skin
    QString applicationStyleSheet() const;
    // From now on `widget` takes the sheet of the key its object name gives (styleKeyForName)
    // whenever the name changes, unless a key was given to it explicitly. Kit widgets call this in
    // their constructors; host widgets may too.
    void followObjectName(QWidget *widget);

    // Skin colour by number (the table in hostservices/widgets/skins/SKIN.md). An unknown number
    // logs a warning once and answers the skin's primary text colour, so nothing is drawn in black.
    QColor getColor(int index) const;
    QList<int> colorIndexes() const;
    // Host font by kind (same table): the application's family at a pixel size and weight.
    QFont getFont(int kind) const;

signals:
    void sigSkinChanged(KSSkinManager::Skin skin);

private:
    explicit KSSkinManager(QObject *parent = nullptr);
    void ensureApplicationSheet();
    void applyKey(QWidget *widget, const QString &key, bool explicitKey);

    struct Private;
    std::unique_ptr<Private> const d;
};

// Helpers for widgets whose look follows dynamic properties ("state", "selected", "Status", ...).
class KSHOST_API KSUIStyle
{
public:
    // Style sheet selectors are matched at polish time: after a property change the widget must be
    // unpolished and polished again for its rules to follow.
    static void RePolishStyle(QWidget *widget);
    // Sets the property and re-polishes, only when the value changes.
    static void setStyleProperty(QWidget *widget, const char *name, const QVariant &value);
    // Text or background in a numbered skin colour ("textColorType" / "backgroundColorType"
    // properties matched by the skin's application part); follows skin switches.
    static void setTextColorType(QWidget *widget, int colorIndex);
    static void setBackgroundColorType(QWidget *widget, int colorIndex);
    // Text colour and host font kind together.
    static void setLabelStyle(QWidget *widget, int colorIndex, int fontKind);
};

#endif
