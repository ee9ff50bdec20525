#include "KSWidgets.h"

#include "KSBaseLog.h"
#include "KSCustomEvent.h"
#include "KSLocale.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMutex>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVariantMap>

namespace {

constexpr int kMaxToasts = 5;
constexpr int kDefaultToastMs = 3000;
constexpr int kToastSpacing = 8;
constexpr int kToastTextWidth = 420;
constexpr int kLongestFadeMs = 400;
constexpr int kToastBackgroundColor = 31; // skin colours
constexpr int kToastLinkColor = 8;

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

} // namespace

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
    // The labels' colours come from the skin's sheet for notices, which wins over the application's.
    KSSkinManager::instance()->applyStyleSheet(this, QStringLiteral("BasicWidget/KSToast"));

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
        // Rich text takes the link colour from the application palette, which is not meant for
        // this dark background, unless the anchor names its own.
        m_linkLabel->setText(
            QStringLiteral("<a href=\"#\" style=\"color:%1; text-decoration:underline;\">%2</a>")
                .arg(KSSkinManager::instance()->getColor(kToastLinkColor).name(), linkText.toHtmlEscaped()));
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
    painter.setBrush(KSSkinManager::instance()->getColor(kToastBackgroundColor));
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
