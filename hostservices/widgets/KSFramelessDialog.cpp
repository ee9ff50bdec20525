#include "KSWidgets.h"

#include <QApplication>
#include <QBoxLayout>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>
#include <QWindow>

namespace {

constexpr int kTitleBarHeight = 40;
constexpr int kMessageTextWidth = 352;

// A title that gives way to the buttons instead of widening a fixed-size window: it elides.
class ElidedLabel : public QLabel
{
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return QSize(0, QLabel::minimumSizeHint().height()); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QStyleOption option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
    }
};

} // namespace

// ---- KSTitleBar

struct KSTitleBar::Private {
    QLabel *icon = nullptr;
    ElidedLabel *title = nullptr;
    QHBoxLayout *buttonLayout = nullptr;
    QHash<int, QToolButton *> buttons;
    int buttonSet = 0;
    bool closeEnabled = true;
    bool resizable = false;
    QPointer<QWidget> window; // whose title is shown and which is dragged
    bool dragging = false;
    QPoint dragOffset;

    void follow(KSTitleBar *bar)
    {
        QWidget *found = bar->window() == bar ? nullptr : bar->window();
        if (found != window) {
            if (window)
                window->removeEventFilter(bar);
            window = found;
            if (window)
                window->installEventFilter(bar);
        }
        title->setText(window ? window->windowTitle() : QString());
    }
};

KSTitleBar::KSTitleBar(QWidget *parent)
    : KSWidget(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("KSTitleBar"));
    setFixedHeight(kTitleBarHeight);

    d->icon = new QLabel(this);
    d->icon->setObjectName(QStringLiteral("KSTitleBarIcon"));
    d->icon->setFixedSize(16, 16);
    d->icon->hide();
    d->title = new ElidedLabel(this);
    d->title->setObjectName(QStringLiteral("KSTitleBarTitle"));
    d->title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    d->title->setTextFormat(Qt::PlainText);
    // Presses on the title drag the window like presses on the bar.
    d->title->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 0, 8, 0);
    layout->setSpacing(8);
    layout->addWidget(d->icon, 0, Qt::AlignVCenter);
    layout->addWidget(d->title, 1);
    d->buttonLayout = new QHBoxLayout;
    d->buttonLayout->setSpacing(4);
    layout->addLayout(d->buttonLayout);

    setButtons(CloseButton);
    d->follow(this);
}

KSTitleBar::~KSTitleBar() = default;

void KSTitleBar::setButtons(int buttons)
{
    d->buttonSet = buttons & (MinimizeButton | MaximizeButton | CloseButton);
    static const struct {
        Button id;
        const char *name;
    } kinds[] = {{MinimizeButton, "KSTitleBarMinimizeButton"}, {MaximizeButton, "KSTitleBarMaximizeButton"},
        {CloseButton, "KSTitleBarCloseButton"}};
    for (const auto &kind : kinds) {
        QToolButton *button = d->buttons.value(kind.id);
        if (!(d->buttonSet & kind.id)) {
            delete button;
            d->buttons.remove(kind.id);
            continue;
        }
        if (button)
            continue;
        button = new QToolButton(this);
        button->setObjectName(QLatin1String(kind.name));
        button->setFixedSize(24, 24);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(true);
        const int id = kind.id;
        connect(button, &QToolButton::clicked, this, [this, id] {
            if (id == MinimizeButton && d->window)
                d->window->showMinimized();
            else if (id == MaximizeButton && d->window)
                d->window->isMaximized() ? d->window->showNormal() : d->window->showMaximized();
            emit sigButtonClicked(id);
        });
        d->buttons.insert(kind.id, button);
    }
    // Left to right in the order of the kinds.
    for (const auto &kind : kinds) {
        if (QToolButton *button = d->buttons.value(kind.id))
            d->buttonLayout->addWidget(button, 0, Qt::AlignVCenter);
    }
    if (QToolButton *close = d->buttons.value(CloseButton))
        close->setEnabled(d->closeEnabled);
    retranslateUi();
}

int KSTitleBar::buttons() const
{
    return d->buttonSet;
}

QAbstractButton *KSTitleBar::button(Button id) const
{
    return d->buttons.value(id);
}

void KSTitleBar::setCloseButtonEnabled(bool enabled)
{
    d->closeEnabled = enabled;
    if (QToolButton *close = d->buttons.value(CloseButton))
        close->setEnabled(enabled);
}

bool KSTitleBar::isCloseButtonEnabled() const
{
    return d->closeEnabled;
}

void KSTitleBar::setTitleVisible(bool visible)
{
    d->title->setVisible(visible);
}

void KSTitleBar::setIconVisible(bool visible)
{
    d->icon->setVisible(visible);
}

void KSTitleBar::setIcon(const QIcon &icon)
{
    d->icon->setPixmap(icon.pixmap(d->icon->size()));
}

void KSTitleBar::setResizable(bool resizable)
{
    d->resizable = resizable;
}

bool KSTitleBar::isResizable() const
{
    return d->resizable;
}

QLabel *KSTitleBar::titleLabel() const
{
    return d->title;
}

void KSTitleBar::retranslateUi()
{
    const QPair<int, QString> texts[]
        = {{MinimizeButton, tr("Minimize")}, {MaximizeButton, tr("Maximize")}, {CloseButton, tr("Close")}};
    for (const auto &text : texts) {
        if (QToolButton *button = d->buttons.value(text.first)) {
            button->setToolTip(text.second);
            button->setAccessibleName(text.second);
        }
    }
}

bool KSTitleBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == d->window && event->type() == QEvent::WindowTitleChange)
        d->title->setText(d->window->windowTitle());
    return KSWidget::eventFilter(watched, event);
}

void KSTitleBar::changeEvent(QEvent *event)
{
    // Another parent can mean another window, whose title is then shown.
    if (event->type() == QEvent::ParentChange)
        d->follow(this);
    KSWidget::changeEvent(event);
}

void KSTitleBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !d->window) {
        KSWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (d->window->isMaximized())
        return;
    QWindow *handle = d->window->windowHandle();
    // The window system moves the window where it can (and knows about snapping and screens).
    if (handle && handle->startSystemMove())
        return;
    d->dragging = true;
    d->dragOffset = event->globalPos() - d->window->frameGeometry().topLeft();
}

void KSTitleBar::mouseMoveEvent(QMouseEvent *event)
{
    if (d->dragging && d->window && (event->buttons() & Qt::LeftButton)) {
        d->window->move(event->globalPos() - d->dragOffset);
        event->accept();
        return;
    }
    KSWidget::mouseMoveEvent(event);
}

void KSTitleBar::mouseReleaseEvent(QMouseEvent *event)
{
    d->dragging = false;
    KSWidget::mouseReleaseEvent(event);
}

void KSTitleBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (d->resizable && d->window && event->button() == Qt::LeftButton) {
        d->window->isMaximized() ? d->window->showNormal() : d->window->showMaximized();
        event->accept();
        return;
    }
    KSWidget::mouseDoubleClickEvent(event);
}

// ---- KSFramelessDialog

struct KSFramelessDialog::Private {
    KSWidget *frame = nullptr;
    KSTitleBar *titleBar = nullptr;
    KSWidget *contentArea = nullptr;
    QVBoxLayout *contentLayout = nullptr;
    QPointer<QWidget> content;
    KSWidget *buttonBar = nullptr;
    QHBoxLayout *buttonLayout = nullptr;
    QList<KSPushButton *> buttons;
    bool titleBarCloses = true;
};

KSFramelessDialog::KSFramelessDialog(QWidget *parent)
    : KSDialog(parent)
    , d(new Private)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // The frame draws rounded corners; what lies outside them must show what is behind.
    setAttribute(Qt::WA_TranslucentBackground);
    setObjectName(QStringLiteral("KSFramelessDialog"));

    d->frame = new KSWidget(this);
    d->frame->setObjectName(QStringLiteral("KSFramelessDialogFrame"));
    d->titleBar = new KSTitleBar(d->frame);
    d->contentArea = new KSWidget(d->frame);
    d->contentArea->setObjectName(QStringLiteral("KSFramelessDialogContent"));
    d->contentLayout = new QVBoxLayout(d->contentArea);
    d->contentLayout->setContentsMargins(24, 8, 24, 8);
    d->contentLayout->setSpacing(0);
    d->buttonBar = new KSWidget(d->frame);
    d->buttonBar->setObjectName(QStringLiteral("KSFramelessDialogButtonBar"));
    d->buttonLayout = new QHBoxLayout(d->buttonBar);
    d->buttonLayout->setContentsMargins(24, 16, 24, 24);
    d->buttonLayout->setSpacing(12);
    d->buttonLayout->addStretch(1);

    auto *frameLayout = new QVBoxLayout(d->frame);
    // The frame's one-pixel border stays visible around the parts.
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->setSpacing(0);
    frameLayout->addWidget(d->titleBar);
    frameLayout->addWidget(d->contentArea, 1);
    frameLayout->addWidget(d->buttonBar);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(d->frame);

    connect(d->titleBar, &KSTitleBar::sigButtonClicked, this, [this](int id) {
        if (id == KSTitleBar::CloseButton && d->titleBarCloses)
            requestClose(TitleBarCloseButton);
    });
}

KSFramelessDialog::~KSFramelessDialog() = default;

KSTitleBar *KSFramelessDialog::titleBar() const
{
    return d->titleBar;
}

void KSFramelessDialog::setTitle(const QString &title)
{
    setWindowTitle(title);
}

void KSFramelessDialog::setCloseButtonEnabled(bool enabled)
{
    d->titleBar->setCloseButtonEnabled(enabled);
}

bool KSFramelessDialog::isCloseButtonEnabled() const
{
    return d->titleBar->isCloseButtonEnabled();
}

void KSFramelessDialog::setTitleBarClosesDialog(bool closes)
{
    d->titleBarCloses = closes;
}

void KSFramelessDialog::setContentWidget(QWidget *widget)
{
    if (widget == d->content)
        return;
    delete d->content.data();
    d->content = widget;
    if (!widget)
        return;
    widget->setParent(d->contentArea);
    d->contentLayout->addWidget(widget);
    widget->show();
}

QWidget *KSFramelessDialog::contentWidget() const
{
    return d->content;
}

QWidget *KSFramelessDialog::takeContentWidget()
{
    QWidget *widget = d->content;
    d->content = nullptr;
    if (widget) {
        d->contentLayout->removeWidget(widget);
        widget->setParent(nullptr);
    }
    return widget;
}

void KSFramelessDialog::setContentMargins(int left, int top, int right, int bottom)
{
    d->contentLayout->setContentsMargins(left, top, right, bottom);
}

int KSFramelessDialog::addButton(const QString &text, int role)
{
    const auto style = role == SecondaryRole ? KSPushButton::SecondaryStyle
        : role == WarningRole                ? KSPushButton::WarningStyle
                                             : KSPushButton::PrimaryStyle;
    auto *button = new KSPushButton(text, style, d->buttonBar);
    button->setObjectName(QStringLiteral("KSFramelessDialogButton%1").arg(d->buttons.size()));
    const int index = d->buttons.size();
    if (style == KSPushButton::PrimaryStyle) {
        bool hasDefault = false;
        for (KSPushButton *other : qAsConst(d->buttons))
            hasDefault |= other->isDefault();
        button->setDefault(!hasDefault);
    }
    connect(button, &QPushButton::clicked, this, [this, index] { emit sigButtonClick(index); });
    d->buttons.append(button);
    d->buttonLayout->addWidget(button);
    return index;
}

KSPushButton *KSFramelessDialog::button(int index) const
{
    return d->buttons.value(index);
}

int KSFramelessDialog::buttonCount() const
{
    return d->buttons.size();
}

void KSFramelessDialog::setButtonBarVisible(bool visible)
{
    d->buttonBar->setVisible(visible);
}

bool KSFramelessDialog::isButtonBarVisible() const
{
    return !d->buttonBar->isHidden();
}

// ---- KSMessageDialog

struct KSMessageDialog::Private {
    QLabel *text = nullptr;
    int clicked = -1;
};

KSMessageDialog::KSMessageDialog(QWidget *parent)
    : KSMessageDialog(QString(), QString(), parent)
{ }

KSMessageDialog::KSMessageDialog(const QString &title, const QString &text, QWidget *parent)
    : KSFramelessDialog(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("KSMessageDialog"));
    setWindowTitle(title);
    auto *content = new KSWidget;
    content->setObjectName(QStringLiteral("KSMessageDialogContent"));
    d->text = new QLabel(content);
    d->text->setObjectName(QStringLiteral("KSMessageDialogText"));
    d->text->setTextFormat(Qt::PlainText);
    d->text->setWordWrap(true);
    d->text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The text column fixes the box's width; its height follows the text.
    d->text->setFixedWidth(kMessageTextWidth);
    d->text->setText(text);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(d->text);
    setContentWidget(content);
    this->layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(this, &KSFramelessDialog::sigButtonClick, this, [this](int index) {
        d->clicked = index;
        accept();
    });
}

KSMessageDialog::~KSMessageDialog() = default;

void KSMessageDialog::setText(const QString &text)
{
    d->text->setText(text);
}

QString KSMessageDialog::text() const
{
    return d->text->text();
}

int KSMessageDialog::clickedButton() const
{
    return d->clicked;
}

QString KSMessageDialog::clickedButtonText() const
{
    const KSPushButton *chosen = button(d->clicked);
    return chosen ? chosen->text() : QString();
}

void KSMessageDialog::retranslateUi()
{ }

QString KSMessageDialog::showMessage(
    QWidget *parent, const QString &title, const QString &text, const QList<Button> &buttons)
{
    // The parent may go away while the box waits, taking the box along.
    QPointer<KSMessageDialog> box = new KSMessageDialog(title, text, parent);
    for (const Button &button : buttons)
        box->addButton(button.text, button.role);
    box->exec();
    if (!box)
        return QString();
    const QString answer = box->clickedButtonText();
    delete box.data();
    return answer;
}

QString KSMessageDialog::question(QWidget *parent, const QString &title, const QString &text)
{
    return showMessage(parent, title, text, {{tr("No"), SecondaryRole}, {tr("Yes"), PrimaryRole}});
}

// ---- KSCommonTipDialog

KSCommonTipDialog::KSCommonTipDialog(const QString &title, const QString &text, QWidget *parent)
    : KSMessageDialog(title, text, parent)
{
    setObjectName(QStringLiteral("KSCommonTipDialog"));
    addButton(QString(), PrimaryRole);
    retranslateUi();
}

KSCommonTipDialog::~KSCommonTipDialog() = default;

void KSCommonTipDialog::retranslateUi()
{
    button(0)->setText(tr("OK"));
}

void KSCommonTipDialog::showTip(QWidget *parent, const QString &title, const QString &text)
{
    QPointer<KSCommonTipDialog> box = new KSCommonTipDialog(title, text, parent);
    box->exec();
    delete box.data();
}
