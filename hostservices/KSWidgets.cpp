#include "KSWidgets.h"

#include "KSBaseLog.h"
#include "KSCustomEvent.h"
#include "KSLocale.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMutex>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantMap>

namespace {

constexpr int kMaxToasts = 5;
constexpr int kDefaultToastMs = 3000;
constexpr int kToastSpacing = 8;
constexpr int kToastTextWidth = 420;
constexpr int kLongestFadeMs = 400;

// Toasts on screen, oldest first; touched on the GUI thread only.
QList<KSToast *> &shownToasts()
{
    static QList<KSToast *> toasts;
    return toasts;
}

// Every toast not yet destroyed, including closed ones whose deferred delete has not run.
QList<KSToast *> &liveToasts()
{
    static QList<KSToast *> toasts;
    return toasts;
}

// Toasts have no parent, so nothing else would delete them when the application ends.
void deleteRemainingToasts()
{
    const QList<KSToast *> toasts = liveToasts();
    for (KSToast *toast : toasts)
        delete toast;
}

void ensureToastCleanup()
{
    static QPointer<QCoreApplication> registeredFor;
    if (registeredFor == QCoreApplication::instance())
        return;
    registeredFor = QCoreApplication::instance();
    qAddPostRoutine(deleteRemainingToasts);
}

QStyle::StandardPixmap iconFor(int kind)
{
    switch (kind) {
    case 1:
        return QStyle::SP_MessageBoxInformation;
    case 2:
        return QStyle::SP_MessageBoxWarning;
    default:
        return QStyle::SP_MessageBoxQuestion;
    }
}

} // namespace

// ---- KOldMessageDialog

KOldMessageDialog::KOldMessageDialog(MessageType type, const QString &title, const QString &text, QWidget *parent)
    : QDialog(parent)
    , m_type(type)
{
    setWindowTitle(title);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_iconLabel = new QLabel(this);
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_textLabel = new QLabel(this);
    m_textLabel->setObjectName(QStringLiteral("textLabel"));
    m_textLabel->setTextFormat(Qt::PlainText);
    m_textLabel->setWordWrap(true);
    m_textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_textLabel->setMinimumWidth(280);
    m_textLabel->setText(text);

    auto *buttons = new QDialogButtonBox(this);
    m_yesButton = new QPushButton(this);
    m_yesButton->setObjectName(QStringLiteral("yesButton"));
    if (m_type == Information) {
        m_yesButton->setText(tr("OK"));
        buttons->addButton(m_yesButton, QDialogButtonBox::AcceptRole);
    } else {
        m_noButton = new QPushButton(this);
        m_noButton->setObjectName(QStringLiteral("noButton"));
        buttons->addButton(m_yesButton, QDialogButtonBox::AcceptRole);
        buttons->addButton(m_noButton, QDialogButtonBox::RejectRole);
        setButtonTexts(QString(), QString());
    }
    m_yesButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *body = new QHBoxLayout;
    body->setSpacing(12);
    body->addWidget(m_iconLabel, 0, Qt::AlignTop);
    body->addWidget(m_textLabel, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    // The text decides the width; the box must not be stretched into a wall of empty space.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setIconKind(m_type == Information ? 1 : 3);
}

void KOldMessageDialog::setButtonTexts(const QString &yesText, const QString &noText)
{
    if (!m_noButton)
        return;
    m_yesButton->setText(yesText.isEmpty() ? tr("Yes") : yesText);
    m_noButton->setText(noText.isEmpty() ? tr("No") : noText);
}

void KOldMessageDialog::setIconKind(int kind)
{
    if (kind < 1 || kind > 3) {
        m_iconLabel->clear();
        m_iconLabel->hide();
        return;
    }
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    m_iconLabel->setPixmap(style()->standardIcon(iconFor(kind), nullptr, this).pixmap(size, size));
    m_iconLabel->show();
}

KOldMessageDialog::MessageType KOldMessageDialog::messageType() const
{
    return m_type;
}

QString KOldMessageDialog::title() const
{
    return windowTitle();
}

QString KOldMessageDialog::text() const
{
    return m_textLabel->text();
}

QAbstractButton *KOldMessageDialog::yesButton() const
{
    return m_yesButton;
}

QAbstractButton *KOldMessageDialog::noButton() const
{
    return m_noButton;
}

bool KOldMessageDialog::run(KOldMessageDialog *box)
{
    // The parent may be destroyed while the box waits (its window closed by a timer, a logout):
    // it then takes the box along, which must not be deleted a second time here.
    QPointer<KOldMessageDialog> guard(box);
    const int answer = box->exec();
    delete guard.data();
    return answer == QDialog::Accepted;
}

bool KOldMessageDialog::information(QWidget *parent, const QString &title, const QString &text)
{
    return run(new KOldMessageDialog(Information, title, text, parent));
}

bool KOldMessageDialog::question(QWidget *parent, const QString &title, const QString &text, const QString &yesText,
    const QString &noText, int iconKind)
{
    auto *box = new KOldMessageDialog(Question_CustomYesNo, title, text, parent);
    box->setButtonTexts(yesText, noText);
    box->setIconKind(iconKind);
    return run(box);
}

// ---- KSToast

KSToast::KSToast(const QString &text, const QString &linkText, const QString &iconPath, QWidget *anchor,
    std::function<void()> onClick, int durationMs)
    // A tool tip window: frameless, above the others and never activated, even by platforms that
    // ignore WA_ShowWithoutActivating (the offscreen one activates any other kind of window on show).
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
    , m_text(text)
    , m_linkText(linkText)
    , m_anchor(anchor)
    , m_onClick(std::move(onClick))
{
    liveToasts().append(this);
    setObjectName(QStringLiteral("KSToast"));
    // A notice must never take the keyboard from what the user is typing into.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    // A style sheet rather than the palette: the host's application style sheet would win over it.
    setStyleSheet(QStringLiteral("QLabel { color: white; background: transparent; }"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 10, 16, 10);
    layout->setSpacing(8);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const QPixmap icon = iconPath.isEmpty() ? QPixmap() : QPixmap(iconPath);
    if (!icon.isNull()) {
        auto *iconLabel = new QLabel(this);
        iconLabel->setObjectName(QStringLiteral("iconLabel"));
        iconLabel->setPixmap(icon.height() > 20 ? icon.scaledToHeight(20, Qt::SmoothTransformation) : icon);
        layout->addWidget(iconLabel, 0, Qt::AlignVCenter);
    }

    auto *textLabel = new QLabel(this);
    textLabel->setObjectName(QStringLiteral("textLabel"));
    textLabel->setTextFormat(Qt::PlainText);
    textLabel->setWordWrap(true);
    textLabel->setMaximumWidth(kToastTextWidth);
    // Word-wrapped labels choose a narrow width of their own; a short notice belongs on one line.
    textLabel->setMinimumWidth(qMin(textLabel->fontMetrics().horizontalAdvance(text) + 1, kToastTextWidth));
    textLabel->setText(text);
    layout->addWidget(textLabel, 1, Qt::AlignVCenter);

    if (!linkText.isEmpty()) {
        m_linkLabel = new QLabel(this);
        m_linkLabel->setObjectName(QStringLiteral("linkLabel"));
        m_linkLabel->setTextFormat(Qt::RichText);
        // Rich text takes the link colour from the application palette, dark blue on this dark
        // background, unless the anchor names its own.
        m_linkLabel->setText(QStringLiteral("<a href=\"#\" style=\"color:#5cb3ff; text-decoration:underline;\">%1</a>")
                                 .arg(linkText.toHtmlEscaped()));
        m_linkLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        m_linkLabel->setOpenExternalLinks(false);
        m_linkLabel->setFocusPolicy(Qt::NoFocus);
        connect(m_linkLabel, &QLabel::linkActivated, this, &KSToast::onLinkActivated);
        layout->addWidget(m_linkLabel, 0, Qt::AlignVCenter);
    }

    if (QWidget *window = anchorWindow())
        window->installEventFilter(this); // follows the window when it moves

    const int duration = durationMs > 0 ? durationMs : kDefaultToastMs;
    const int fadeMs = qMin(kLongestFadeMs, duration / 4);
    m_fade = new QPropertyAnimation(this, "windowOpacity", this);
    m_fade->setDuration(fadeMs);
    m_fade->setStartValue(1.0);
    m_fade->setEndValue(0.0);
    connect(m_fade, &QPropertyAnimation::finished, this, &KSToast::dismiss);
    m_lifeTimer = new QTimer(this);
    m_lifeTimer->setSingleShot(true);
    m_lifeTimer->setInterval(duration - fadeMs);
    connect(m_lifeTimer, &QTimer::timeout, m_fade, [this] { m_fade->start(); });
}

KSToast::~KSToast()
{
    liveToasts().removeAll(this);
    if (shownToasts().removeAll(this) > 0)
        relayout();
}

KSToast *KSToast::showToast(const QString &text, QWidget *anchor, int durationMs)
{
    return create(text, QString(), QString(), anchor, {}, durationMs);
}

KSToast *KSToast::showToastBySequence(const QString &text, const QString &linkText, const QString &iconPath,
    QWidget *anchor, std::function<void()> onClick, int durationMs)
{
    return create(text, linkText, iconPath, anchor, std::move(onClick), durationMs);
}

KSToast *KSToast::create(const QString &text, const QString &linkText, const QString &iconPath, QWidget *anchor,
    std::function<void()> onClick, int durationMs)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!qobject_cast<QApplication *>(app)) {
        KSLOG_WARN("toast without a widget application: %s", qUtf8Printable(text));
        return nullptr;
    }
    if (QThread::currentThread() != app->thread()) {
        // Widgets live on the GUI thread only; the caller gets no object it could not use anyway.
        QPointer<QWidget> guardedAnchor(anchor);
        QMetaObject::invokeMethod(
            app, [=]() { create(text, linkText, iconPath, guardedAnchor.data(), onClick, durationMs); },
            Qt::QueuedConnection);
        return nullptr;
    }
    ensureToastCleanup();
    auto *toast = new KSToast(text, linkText, iconPath, anchor, std::move(onClick), durationMs);
    shownToasts().append(toast);
    while (shownToasts().size() > kMaxToasts)
        shownToasts().first()->dismiss();
    toast->adjustSize();
    relayout();
    toast->show();
    toast->m_lifeTimer->start();
    return toast;
}

QString KSToast::text() const
{
    return m_text;
}

QString KSToast::linkText() const
{
    return m_linkText;
}

QList<KSToast *> KSToast::visibleToasts()
{
    return shownToasts();
}

QWidget *KSToast::anchorWindow() const
{
    return m_anchor ? m_anchor->window() : nullptr;
}

QRect KSToast::area()
{
    QWidget *window = anchorWindow();
    if (window && window->isVisible()) {
        m_area = window->geometry();
    } else if (m_area.isNull()) {
        // Without a window to sit on (none given, or it is not shown) the notice goes mid-screen;
        // once its window is gone it stays where it was.
        if (QScreen *screen = QGuiApplication::primaryScreen())
            m_area = screen->availableGeometry();
    }
    return m_area;
}

void KSToast::relayout()
{
    // Toasts over the same window form one column, oldest on top, centred on that window.
    const QList<KSToast *> toasts = shownToasts();
    QVector<QRect> areas;
    areas.reserve(toasts.size());
    for (KSToast *toast : toasts)
        areas.append(toast->area());
    QVector<bool> placed(toasts.size(), false);
    for (int i = 0; i < toasts.size(); ++i) {
        if (placed.at(i))
            continue;
        QVector<int> column;
        int height = -kToastSpacing;
        for (int j = i; j < toasts.size(); ++j) {
            if (areas.at(j) == areas.at(i)) {
                column.append(j);
                placed[j] = true;
                height += toasts.at(j)->height() + kToastSpacing;
            }
        }
        const QPoint centre = areas.at(i).center();
        int y = centre.y() - height / 2;
        for (int j : qAsConst(column)) {
            KSToast *toast = toasts.at(j);
            toast->move(centre.x() - toast->width() / 2, y);
            y += toast->height() + kToastSpacing;
        }
    }
}

void KSToast::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(32, 32, 32, 230));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

bool KSToast::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == anchorWindow() && !m_dismissed) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            relayout();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KSToast::onLinkActivated()
{
    // A second click can arrive before the deferred delete runs.
    if (m_dismissed)
        return;
    std::function<void()> onClick = std::move(m_onClick);
    m_onClick = nullptr;
    // Closed first: what the link opens (a dialog, a folder) must not sit under the notice.
    dismiss();
    emit linkActivated();
    if (onClick)
        onClick();
}

void KSToast::dismiss()
{
    if (m_dismissed)
        return;
    m_dismissed = true;
    m_lifeTimer->stop();
    m_fade->stop();
    hide();
    shownToasts().removeAll(this);
    relayout();
    deleteLater();
}

// ---- KSToastEvents

namespace {

struct ToastEventState {
    QMutex mutex;
    std::function<void(const QString &)> sink;
    QPointer<KSCustomEventListener> listener;
};

ToastEventState &toastEventState()
{
    static ToastEventState state;
    return state;
}

void onShowToast(const KSCustomEventPtr &event)
{
    const QVariant payload = event->payload();
    QString text = payload.toMap().value(QStringLiteral("text")).toString();
    if (text.isEmpty() && payload.userType() == QMetaType::QString)
        text = payload.toString();
    if (text.isEmpty())
        return;

    std::function<void(const QString &)> sink;
    {
        QMutexLocker lock(&toastEventState().mutex);
        sink = toastEventState().sink;
    }
    if (sink)
        sink(text);

    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    QWidget *anchor = QApplication::activeWindow();
    if (qobject_cast<KSToast *>(anchor))
        anchor = nullptr;
    // With the application in the background the notice still belongs over its main window.
    if (!anchor)
        anchor = KSUtility::gGetMainWindow();
    KSToast::showToast(text, anchor);
}

} // namespace

void KSToastEvents::install(std::function<void(const QString &)> sink)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        KSLOG_ERROR("toast events installed before the application object exists");
        return;
    }
    ToastEventState &state = toastEventState();
    QMutexLocker lock(&state.mutex);
    state.sink = std::move(sink);
    if (!state.listener)
        state.listener = new KSCustomEventListener(KSCustomEventManager::instance(), app, eventName(), onShowToast);
}

QString KSToastEvents::eventName()
{
    return QStringLiteral("ShowToast");
}

void KSToastEvents::post(const QString &text, bool flag)
{
    const QVariantMap payload{{QStringLiteral("text"), text}, {QStringLiteral("flag"), flag}};
    KSCustomEventManager::instance()->dispatch(KSCustomEventPtr::create(eventName(), payload));
}
