// Host widgets the plug-in borrows: the old-style message box and the fading notice ("toast").
#ifndef KSWIDGETS_H
#define KSWIDGETS_H

#include "kshostglobal.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QLabel;
class QPropertyAnimation;
class QPushButton;
class QTimer;

// Modal message box of the host's old style: an information box with one "OK" button, or a
// question box with two buttons whose texts the caller chooses.
class KSHOST_API KOldMessageDialog : public QDialog
{
    Q_OBJECT
public:
    enum MessageType { Information = 0, Question = 1, Question_CustomYesNo = 2 };

    // The icon starts as the one of the type (information or question); the text is shown as
    // plain text, so names the user typed are never read as markup.
    KOldMessageDialog(MessageType type, const QString &title, const QString &text, QWidget *parent = nullptr);
    // Question kinds: texts of the accepting and the rejecting button (defaults tr("Yes"), tr("No")).
    // An empty text keeps the default: a button without a label cannot be told apart. An
    // information box keeps its "OK".
    void setButtonTexts(const QString &yesText, const QString &noText);
    // 0 none, 1 information, 2 warning, 3 question: a standard style icon beside the text.
    void setIconKind(int kind);
    MessageType messageType() const;
    QString title() const; // window title
    QString text() const;
    QAbstractButton *yesButton() const; // objectName "yesButton" ("OK" for Information)
    QAbstractButton *noButton() const; // objectName "noButton"; null for Information
    // Runs the box modally; true when the accepting button was chosen (Information: always returns
    // after close, answer true when OK). Escape, closing the window or the parent going away answer
    // false.
    static bool information(QWidget *parent, const QString &title, const QString &text);
    static bool question(QWidget *parent, const QString &title, const QString &text, const QString &yesText,
        const QString &noText, int iconKind = 3);

private:
    static bool run(KOldMessageDialog *box);

    MessageType m_type;
    QLabel *m_iconLabel = nullptr;
    QLabel *m_textLabel = nullptr;
    QPushButton *m_yesButton = nullptr;
    QPushButton *m_noButton = nullptr;
};

// A short notice that appears over its anchor window (or centred on the primary screen without
// one) and fades out by itself.
class KSHOST_API KSToast : public QWidget
{
    Q_OBJECT
public:
    // Shows the notice for durationMs (the default when not positive) and deletes it afterwards.
    // Returns it (a QPointer-safe object; callers must not delete it). At most five notices show at
    // once: a new one closes the oldest.
    static KSToast *showToast(const QString &text, QWidget *anchor = nullptr, int durationMs = 3000);
    // A notice with a clickable link; clicking the link runs onClick once and closes the notice.
    // An iconPath that does not load leaves the icon out.
    static KSToast *showToastBySequence(const QString &text, const QString &linkText, const QString &iconPath,
        QWidget *anchor, std::function<void()> onClick, int durationMs = 3000);
    QString text() const;
    QString linkText() const;
    // Most recent toasts still alive, oldest first (lets tests and hosts see what is shown).
    static QList<KSToast *> visibleToasts();

    ~KSToast() override;

signals:
    void linkActivated();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KSToast(const QString &text, const QString &linkText, const QString &iconPath, QWidget *anchor,
        std::function<void()> onClick, int durationMs);
    static KSToast *create(const QString &text, const QString &linkText, const QString &iconPath, QWidget *anchor,
        std::function<void()> onClick, int durationMs);
    static void relayout();
    QWidget *anchorWindow() const;
    QRect area();
    void onLinkActivated();
    void dismiss();

    QString m_text;
    QString m_linkText;
    QPointer<QWidget> m_anchor;
    QRect m_area; // where the anchor was last seen, kept once it is gone
    std::function<void()> m_onClick;
    QLabel *m_linkLabel = nullptr;
    QTimer *m_lifeTimer = nullptr;
    QPropertyAnimation *m_fade = nullptr;
    bool m_dismissed = false;
};

// The host's answer to the "ShowToast" event of the event bus: its payload is a QVariantMap
// {"text": QString, "flag": bool}. Installing the handler makes every such event show a KSToast on
// the application's active window (flag is carried, not used) and, when a sink is given, hands the
// text to the sink too (a command-line host prints it). Installing twice replaces the sink; the
// handler lives until the application object goes. Without a QApplication (a command-line host)
// only the sink sees the text.
namespace KSToastEvents {
KSHOST_API void install(std::function<void(const QString &text)> sink = {});
KSHOST_API QString eventName(); // "ShowToast"
KSHOST_API void post(const QString &text, bool flag = false); // dispatches the event on the bus
} // namespace KSToastEvents

#endif
