// Host widgets the plug-in borrows: the widget kit (styled widgets and dialogs, frameless dialogs
// with their own title bar and button bar, message and tip boxes, buttons, fields, progress and
// loading indicators), the old-style message box and the fading notice ("toast"). Their look comes
// from the host skin (KSSkin.h).
#ifndef KSWIDGETS_H
#define KSWIDGETS_H

#include "KSSkin.h"
#include "kshostglobal.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <memory>

class QAbstractButton;
class QIcon;
class QLabel;
class QPropertyAnimation;
class QTimer;

// A widget styled by the skin: its object name selects its sheet ("CloudDisk/<name>", else
// "BasicWidget/<name>") unless a key is given explicitly; it paints its style sheet background,
// and runs retranslateUi() when the application's language changes.
class KSHOST_API KSWidget : public QWidget
{
    Q_OBJECT
public:
    explicit KSWidget(QWidget *parent = nullptr);
    ~KSWidget() override;
    // Same as KSSkinManager::applyStyleSheet(this, key).
    void setStyleKey(const QString &key);
    QString styleKey() const;

protected:
    // Sets every text again; called on QEvent::LanguageChange. Subclasses call it from their
    // constructor too, so the texts are composed in one place.
    virtual void retranslateUi();
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

// A dialog styled by the skin like KSWidget, in a window of the system. The user's ways of closing
// it (the window's close control, Escape, a title bar's close button) ask acceptCloseRequest()
// first; closing from code (accept(), reject(), done(), close()) is never refused.
class KSHOST_API KSDialog : public QDialog
{
    Q_OBJECT
public:
    enum CloseReason { WindowCloseRequest = 0, EscapeKey = 1, TitleBarCloseButton = 2 };
    Q_ENUM(CloseReason)

    explicit KSDialog(QWidget *parent = nullptr);
    ~KSDialog() override;
    void setStyleKey(const QString &key);
    QString styleKey() const;
    // The path of every user close request: rejects the dialog unless acceptCloseRequest() refuses.
    // Returns whether the dialog was closed.
    bool requestClose(CloseReason reason);

protected:
    // Answer false to keep the dialog open (a request in progress). The default accepts.
    virtual bool acceptCloseRequest(CloseReason reason);
    virtual void retranslateUi();
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};

// The title bar of a frameless dialog: icon, title (mirrors the window's title), and buttons.
// Dragging it moves the window (through the window system where it can, else by hand).
class KSHOST_API KSTitleBar : public KSWidget
{
    Q_OBJECT
public:
    // Button ids, combinable into a button set; the close button alone is set 32.
    enum Button { MinimizeButton = 0x08, MaximizeButton = 0x10, CloseButton = 0x20 };
    Q_ENUM(Button)

    explicit KSTitleBar(QWidget *parent = nullptr);
    ~KSTitleBar() override;
    void setButtons(int buttons);
    int buttons() const;
    QAbstractButton *button(Button id) const; // null when not in the set
    void setCloseButtonEnabled(bool enabled);
    bool isCloseButtonEnabled() const;
    void setTitleVisible(bool visible);
    void setIconVisible(bool visible);
    void setIcon(const QIcon &icon);
    // A resizable window maximizes and restores on a double click of the bar.
    void setResizable(bool resizable);
    bool isResizable() const;
    QLabel *titleLabel() const;

signals:
    void sigButtonClicked(int id);

protected:
    void retranslateUi() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

class KSPushButton;

// A dialog without the system's frame: its own title bar, a content widget, and a bottom bar of
// buttons that report their index. Escape, the title bar's close button and the window system's
// close request go through KSDialog::acceptCloseRequest().
class KSHOST_API KSFramelessDialog : public KSDialog
{
    Q_OBJECT
public:
    // Looks of the bottom bar's buttons (KSPushButton styles).
    enum ButtonRole { PrimaryRole = 0, SecondaryRole = 1, WarningRole = 2 };
    Q_ENUM(ButtonRole)

    explicit KSFramelessDialog(QWidget *parent = nullptr);
    ~KSFramelessDialog() override;

    KSTitleBar *titleBar() const;
    void setTitle(const QString &title); // the window title, which the title bar shows
    void setCloseButtonEnabled(bool enabled);
    bool isCloseButtonEnabled() const;
    // Whether the title bar's close button asks to close the dialog (default) or only reports
    // sigButtonClicked(KSTitleBar::CloseButton) for the dialog to handle.
    void setTitleBarClosesDialog(bool closes);

    // The dialog owns the content; a previous one is deleted unless it is the same widget.
    void setContentWidget(QWidget *widget);
    QWidget *contentWidget() const;
    // Hands the content back without a parent; the dialog shows none afterwards.
    QWidget *takeContentWidget();
    void setContentMargins(int left, int top, int right, int bottom);

    // Appends a button to the bottom bar; returns its index, the value sigButtonClick reports.
    // The first primary button is the default one (Enter). Buttons do not close the dialog.
    int addButton(const QString &text, int role = PrimaryRole);
    KSPushButton *button(int index) const;
    int buttonCount() const;
    void setButtonBarVisible(bool visible);
    bool isButtonBarVisible() const;

signals:
    void sigButtonClick(int index);

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

// A frameless message box: title, text and buttons; any button closes it, and its answer is the
// text of the button chosen (empty when it was closed otherwise).
class KSHOST_API KSMessageDialog : public KSFramelessDialog
{
    Q_OBJECT
public:
    struct Button {
        QString text;
        int role;
    };

    explicit KSMessageDialog(QWidget *parent = nullptr);
    KSMessageDialog(const QString &title, const QString &text, QWidget *parent = nullptr);
    ~KSMessageDialog() override;
    void setText(const QString &text); // shown as plain text
    QString text() const;
    int clickedButton() const; // index, -1 when none was clicked
    QString clickedButtonText() const;

    // Runs a box modally with the buttons in order; the answer is the chosen button's text. A
    // parent that goes away while the box waits takes the box along; the answer is then empty.
    static QString showMessage(
        QWidget *parent, const QString &title, const QString &text, const QList<Button> &buttons);
    // "No" and "Yes" (translated); compare the answer with tr("Yes") of this class.
    static QString question(QWidget *parent, const QString &title, const QString &text);

protected:
    void retranslateUi() override;

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

// A frameless box with a notice and one "OK" button.
class KSHOST_API KSCommonTipDialog : public KSMessageDialog
{
    Q_OBJECT
public:
    KSCommonTipDialog(const QString &title, const QString &text, QWidget *parent = nullptr);
    ~KSCommonTipDialog() override;
    // Runs the box modally and returns when it is closed.
    static void showTip(QWidget *parent, const QString &title, const QString &text);

protected:
    void retranslateUi() override;
};

// A push button in one of the skin's looks and heights.
class KSHOST_API KSPushButton : public QPushButton
{
    Q_OBJECT
public:
    enum ButtonStyle { PrimaryStyle = 0, SecondaryStyle = 1, WarningStyle = 2 };
    Q_ENUM(ButtonStyle)

    explicit KSPushButton(QWidget *parent = nullptr);
    explicit KSPushButton(const QString &text, ButtonStyle style = SecondaryStyle, QWidget *parent = nullptr);
    ~KSPushButton() override;
    // Dynamic property "buttonStyle": "primary", "secondary" or "warning".
    void setButtonStyle(ButtonStyle style);
    ButtonStyle buttonStyle() const;
    // Height in pixels; 24 (compact) and 32 (regular, the default) have their own padding and
    // font in the skin (dynamic property "sizeKind").
    void setSizeKind(int kind);
    int sizeKind() const;

private:
    ButtonStyle m_style = SecondaryStyle;
    int m_sizeKind = 32;
};

// A button that stands in for another while a request runs: a spinning ring in its text colour,
// beside its text if it has one. It ignores clicks.
class KSHOST_API KSLoadingButton : public KSPushButton
{
    Q_OBJECT
public:
    explicit KSLoadingButton(QWidget *parent = nullptr);
    ~KSLoadingButton() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QTimer *m_timer = nullptr;
    int m_angle = 0;
};

// A tool button that can show a picture per state instead of the skin's look.
class KSHOST_API KSToolButton : public QToolButton
{
    Q_OBJECT
public:
    explicit KSToolButton(QWidget *parent = nullptr);
    ~KSToolButton() override;
    // Four image paths in the order disabled, pressed, hover, normal. The button shows the one of
    // its state; an image that does not load falls back to the normal one, and without a normal
    // one the skin draws the button. Any other count clears the set.
    void setImageButton(const QStringList &images);
    QStringList imageButton() const;
    // "disabled", "pressed", "hover" or "normal".
    QString state() const;
    // The image painted for the current state, empty when the skin draws the button.
    QString currentImage() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

class KSHOST_API KSCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit KSCheckBox(QWidget *parent = nullptr);
    explicit KSCheckBox(const QString &text, QWidget *parent = nullptr);
    ~KSCheckBox() override;
};

class KSHOST_API KSLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit KSLineEdit(QWidget *parent = nullptr);
    ~KSLineEdit() override;
};

// A path field with a button that asks for a folder. The text stays editable unless read-only;
// a chosen folder replaces it either way.
class KSHOST_API KSOpenFileLineEdit : public KSLineEdit
{
    Q_OBJECT
public:
    // Shows a folder picker and answers the chosen folder, empty when cancelled.
    using FolderPicker = std::function<QString(QWidget *parent, const QString &caption, const QString &startFolder)>;

    explicit KSOpenFileLineEdit(QWidget *parent = nullptr);
    ~KSOpenFileLineEdit() override;
    // Replaces the system dialog (QFileDialog::getExistingDirectory); an empty picker restores it.
    void setFolderPicker(FolderPicker picker);
    void setDialogCaption(const QString &caption);
    QToolButton *browseButton() const;

public slots:
    void openFolderPicker();

signals:
    void sigPathSelected(const QString &path);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslateUi();
    void placeButton();

    struct Private;
    std::unique_ptr<Private> const d;
};

// A one-pixel separator line in the skin's divider colour.
class KSHOST_API KSLineWidget : public KSWidget
{
    Q_OBJECT
public:
    explicit KSLineWidget(QWidget *parent = nullptr, Qt::Orientation orientation = Qt::Horizontal);
    ~KSLineWidget() override;
    Qt::Orientation orientation() const;

private:
    Qt::Orientation m_orientation;
};

// A thin progress bar without text.
class KSHOST_API KSProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    explicit KSProgressBar(QWidget *parent = nullptr);
    ~KSProgressBar() override;
    // Thickness of the bar in pixels (6 by default; 8 for a bolder one), dynamic property "sizeKind".
    void setSizeKind(int kind);
    int sizeKind() const;

private:
    int m_sizeKind = 6;
};

// The loading animation: a ring spinning in a numbered skin colour, square at the ring size.
class KSHOST_API KSLoadingWidget : public KSWidget
{
    Q_OBJECT
public:
    explicit KSLoadingWidget(QWidget *parent = nullptr, int ringSize = 24);
    ~KSLoadingWidget() override;
    void setRingSize(int size);
    int ringSize() const;
    // Skin colour number (56 by default); follows skin switches.
    void setColorIndex(int index);
    int colorIndex() const;
    QColor ringColor() const;
    // Runs only while shown: a hidden ring costs nothing and a stopped one draws its still frame.
    void start();
    void stop();
    bool isRunning() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateTimer();

    struct Private;
    std::unique_ptr<Private> const d;
};

// Modal message box of the host's old style: an information box with one "OK" button, or a
// question box with two buttons whose texts the caller chooses.
class KSHOST_API KOldMessageDialog : public QDialog
{
    Q_OBJECT
public:
    enum MessageType { Information = 0, Question = 1, Question_CustomYesNo = 2 };
    // What sigButtonClick reports: the OK button (information) 1, the accepting button 2, the
    // rejecting button 3.
    enum ButtonId { OkButtonId = 1, YesButtonId = 2, NoButtonId = 3 };

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
    // A button that does not close the box only reports its click; the owner closes the box when
    // its work is done. Every button closes it by default.
    void setButtonClosesDialog(int id, bool closes);

signals:
    void sigButtonClick(int id);

protected:
    // Asked before Escape or the window's close control ends the box; false keeps it open (a
    // request in progress). Closing from code is never refused.
    virtual bool acceptCloseRequest();
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    static bool run(KOldMessageDialog *box);
    void onButton(int id);

    MessageType m_type;
    QLabel *m_iconLabel = nullptr;
    QLabel *m_textLabel = nullptr;
    QPushButton *m_yesButton = nullptr;
    QPushButton *m_noButton = nullptr;
    int m_keepOpenIds = 0; // bit per button id
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
