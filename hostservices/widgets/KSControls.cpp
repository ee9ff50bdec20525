#include "KSWidgets.h"

#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

namespace {

constexpr int kFrameMs = 16; // about 60 frames a second
constexpr int kDegreesPerFrame = 6; // one turn a second
constexpr int kArcDegrees = 100;

// The ring of the loading widgets: a faint full track and a bright arc, inside `area`.
void paintRing(QPainter *painter, const QRectF &area, const QColor &color, int angle)
{
    const qreal width = qMax<qreal>(2.0, area.width() / 14.0);
    // The pen straddles the path: inset by half its width so nothing is clipped.
    const QRectF ring = area.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    QColor track = color;
    track.setAlphaF(color.alphaF() * 0.2);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(track, width));
    painter->drawEllipse(ring);
    painter->setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    // 1/16 degree units, counter-clockwise positive: a negative span turns clockwise.
    painter->drawArc(ring, (90 - angle) * 16, -kArcDegrees * 16);
    painter->restore();
}

} // namespace

// ---- KSPushButton

KSPushButton::KSPushButton(QWidget *parent)
    : KSPushButton(QString(), SecondaryStyle, parent)
{ }

KSPushButton::KSPushButton(const QString &text, ButtonStyle style, QWidget *parent)
    : QPushButton(text, parent)
{
    setObjectName(QStringLiteral("KSPushButton"));
    setCursor(Qt::PointingHandCursor);
    setProperty("buttonStyle", QStringLiteral("secondary"));
    setProperty("sizeKind", m_sizeKind);
    setFixedHeight(m_sizeKind);
    setMinimumWidth(80);
    KSSkinManager::instance()->followObjectName(this);
    setButtonStyle(style);
}

KSPushButton::~KSPushButton() = default;

void KSPushButton::setButtonStyle(ButtonStyle style)
{
    m_style = style;
    const QString name = style == PrimaryStyle ? QStringLiteral("primary")
        : style == WarningStyle                ? QStringLiteral("warning")
                                               : QStringLiteral("secondary");
    KSUIStyle::setStyleProperty(this, "buttonStyle", name);
}

KSPushButton::ButtonStyle KSPushButton::buttonStyle() const
{
    return m_style;
}

void KSPushButton::setSizeKind(int kind)
{
    if (kind <= 0)
        return;
    m_sizeKind = kind;
    setFixedHeight(kind);
    setMinimumWidth(kind < 32 ? 64 : 80);
    KSUIStyle::setStyleProperty(this, "sizeKind", kind);
}

int KSPushButton::sizeKind() const
{
    return m_sizeKind;
}

// ---- KSLoadingButton

KSLoadingButton::KSLoadingButton(QWidget *parent)
    : KSPushButton(QString(), PrimaryStyle, parent)
    , m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("KSLoadingButton"));
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    m_timer->setInterval(kFrameMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + kDegreesPerFrame) % 360;
        update();
    });
}

KSLoadingButton::~KSLoadingButton() = default;

void KSLoadingButton::paintEvent(QPaintEvent *event)
{
    // The button face (and text, if any) as the skin draws it, the ring before the text.
    KSPushButton::paintEvent(event);
    QPainter painter(this);
    const int side = qMin(16, height() - 8);
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text()) + 8;
    const QRectF area(
        (width() - side - textWidth) / 2.0 - (textWidth ? side / 2.0 + 4 : 0), (height() - side) / 2.0, side, side);
    paintRing(&painter, area, palette().color(QPalette::ButtonText), m_angle);
}

void KSLoadingButton::showEvent(QShowEvent *event)
{
    KSPushButton::showEvent(event);
    m_timer->start();
}

void KSLoadingButton::hideEvent(QHideEvent *event)
{
    m_timer->stop();
    KSPushButton::hideEvent(event);
}

void KSLoadingButton::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void KSLoadingButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void KSLoadingButton::keyPressEvent(QKeyEvent *event)
{
    event->ignore();
}

// ---- KSToolButton

namespace {
enum ImageState { DisabledImage = 0, PressedImage = 1, HoverImage = 2, NormalImage = 3 };
}

struct KSToolButton::Private {
    QStringList images;
    QVector<QIcon> icons; // null where the image does not load
    bool hovered = false;
};

KSToolButton::KSToolButton(QWidget *parent)
    : QToolButton(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("KSToolButton"));
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    KSSkinManager::instance()->followObjectName(this);
}

KSToolButton::~KSToolButton() = default;

void KSToolButton::setImageButton(const QStringList &images)
{
    if (images == d->images)
        return;
    d->images.clear();
    d->icons.clear();
    if (images.size() == 4) {
        d->images = images;
        for (const QString &path : images)
            d->icons.append(QImageReader(path).canRead() ? QIcon(path) : QIcon());
    }
    update();
}

QStringList KSToolButton::imageButton() const
{
    return d->images;
}

QString KSToolButton::state() const
{
    if (!isEnabled())
        return QStringLiteral("disabled");
    if (isDown())
        return QStringLiteral("pressed");
    if (d->hovered || underMouse())
        return QStringLiteral("hover");
    return QStringLiteral("normal");
}

QString KSToolButton::currentImage() const
{
    if (d->images.isEmpty())
        return QString();
    const QString now = state();
    const int index = now == QLatin1String("disabled") ? DisabledImage
        : now == QLatin1String("pressed")              ? PressedImage
        : now == QLatin1String("hover")                ? HoverImage
                                                       : NormalImage;
    if (!d->icons.at(index).isNull())
        return d->images.at(index);
    return d->icons.at(NormalImage).isNull() ? QString() : d->images.at(NormalImage);
}

void KSToolButton::paintEvent(QPaintEvent *event)
{
    const QString image = currentImage();
    if (image.isEmpty()) {
        QToolButton::paintEvent(event);
        return;
    }
    const int index = d->images.indexOf(image);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    d->icons.at(index).paint(&painter, rect());
}

void KSToolButton::enterEvent(QEvent *event)
{
    d->hovered = true;
    update();
    QToolButton::enterEvent(event);
}

void KSToolButton::leaveEvent(QEvent *event)
{
    d->hovered = false;
    update();
    QToolButton::leaveEvent(event);
}

// ---- KSCheckBox, KSLineEdit

KSCheckBox::KSCheckBox(QWidget *parent)
    : KSCheckBox(QString(), parent)
{ }

KSCheckBox::KSCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
    setObjectName(QStringLiteral("KSCheckBox"));
    KSSkinManager::instance()->followObjectName(this);
}

KSCheckBox::~KSCheckBox() = default;

KSLineEdit::KSLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setObjectName(QStringLiteral("KSLineEdit"));
    KSSkinManager::instance()->followObjectName(this);
}

KSLineEdit::~KSLineEdit() = default;

// ---- KSOpenFileLineEdit

struct KSOpenFileLineEdit::Private {
    QToolButton *button = nullptr;
    FolderPicker picker;
    QString caption;
};

KSOpenFileLineEdit::KSOpenFileLineEdit(QWidget *parent)
    : KSLineEdit(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("KSOpenFileLineEdit"));
    d->button = new QToolButton(this);
    d->button->setObjectName(QStringLiteral("KSOpenFileLineEditButton"));
    d->button->setCursor(Qt::PointingHandCursor);
    d->button->setFocusPolicy(Qt::NoFocus);
    d->button->setAutoRaise(true);
    connect(d->button, &QToolButton::clicked, this, &KSOpenFileLineEdit::openFolderPicker);
    retranslateUi();
}

KSOpenFileLineEdit::~KSOpenFileLineEdit() = default;

void KSOpenFileLineEdit::setFolderPicker(FolderPicker picker)
{
    d->picker = std::move(picker);
}

void KSOpenFileLineEdit::setDialogCaption(const QString &caption)
{
    d->caption = caption;
}

QToolButton *KSOpenFileLineEdit::browseButton() const
{
    return d->button;
}

void KSOpenFileLineEdit::openFolderPicker()
{
    const QString caption = d->caption.isEmpty() ? tr("Choose a folder") : d->caption;
    const QString start = text().isEmpty() ? QDir::homePath() : text();
    const QString chosen
        = d->picker ? d->picker(this, caption, start) : QFileDialog::getExistingDirectory(this, caption, start);
    if (chosen.isEmpty())
        return;
    setText(chosen);
    emit sigPathSelected(chosen);
}

void KSOpenFileLineEdit::resizeEvent(QResizeEvent *event)
{
    KSLineEdit::resizeEvent(event);
    placeButton();
}

void KSOpenFileLineEdit::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    KSLineEdit::changeEvent(event);
}

void KSOpenFileLineEdit::retranslateUi()
{
    d->button->setText(tr("..."));
    d->button->setToolTip(tr("Choose a folder"));
    d->button->setAccessibleName(tr("Choose a folder"));
    placeButton();
}

void KSOpenFileLineEdit::placeButton()
{
    // Inside the field at its right end; the text stops short of it.
    const int side = qMax(16, height() - 4);
    const int width = qMax(side, d->button->sizeHint().width());
    d->button->setGeometry(this->width() - width - 2, (height() - side) / 2, width, side);
    setTextMargins(0, 0, width + 2, 0);
}

// ---- KSLineWidget

KSLineWidget::KSLineWidget(QWidget *parent, Qt::Orientation orientation)
    : KSWidget(parent)
    , m_orientation(orientation)
{
    setObjectName(QStringLiteral("KSLineWidget"));
    if (orientation == Qt::Horizontal) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
}

KSLineWidget::~KSLineWidget() = default;

Qt::Orientation KSLineWidget::orientation() const
{
    return m_orientation;
}

// ---- KSProgressBar

KSProgressBar::KSProgressBar(QWidget *parent)
    : QProgressBar(parent)
{
    setObjectName(QStringLiteral("KSProgressBar"));
    setTextVisible(false);
    setProperty("sizeKind", m_sizeKind);
    setFixedHeight(m_sizeKind);
    KSSkinManager::instance()->followObjectName(this);
}

KSProgressBar::~KSProgressBar() = default;

void KSProgressBar::setSizeKind(int kind)
{
    if (kind <= 0)
        return;
    m_sizeKind = kind;
    setFixedHeight(kind);
    KSUIStyle::setStyleProperty(this, "sizeKind", kind);
}

int KSProgressBar::sizeKind() const
{
    return m_sizeKind;
}

// ---- KSLoadingWidget

struct KSLoadingWidget::Private {
    int ringSize = 24;
    int colorIndex = 56;
    bool running = false;
    int angle = 0;
    QTimer *timer = nullptr;
};

KSLoadingWidget::KSLoadingWidget(QWidget *parent, int ringSize)
    : KSWidget(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("KSLoadingWidget"));
    d->timer = new QTimer(this);
    d->timer->setInterval(kFrameMs);
    connect(d->timer, &QTimer::timeout, this, [this] {
        d->angle = (d->angle + kDegreesPerFrame) % 360;
        update();
    });
    connect(KSSkinManager::instance(), &KSSkinManager::sigSkinChanged, this, qOverload<>(&QWidget::update));
    setRingSize(ringSize);
}

KSLoadingWidget::~KSLoadingWidget() = default;

void KSLoadingWidget::setRingSize(int size)
{
    d->ringSize = qMax(8, size);
    setFixedSize(d->ringSize, d->ringSize);
}

int KSLoadingWidget::ringSize() const
{
    return d->ringSize;
}

void KSLoadingWidget::setColorIndex(int index)
{
    d->colorIndex = index;
    update();
}

int KSLoadingWidget::colorIndex() const
{
    return d->colorIndex;
}

QColor KSLoadingWidget::ringColor() const
{
    return KSSkinManager::instance()->getColor(d->colorIndex);
}

void KSLoadingWidget::start()
{
    d->running = true;
    updateTimer();
}

void KSLoadingWidget::stop()
{
    d->running = false;
    updateTimer();
}

bool KSLoadingWidget::isRunning() const
{
    return d->running;
}

void KSLoadingWidget::paintEvent(QPaintEvent *event)
{
    KSWidget::paintEvent(event);
    QPainter painter(this);
    paintRing(&painter, QRectF(rect()), ringColor(), d->angle);
}

void KSLoadingWidget::showEvent(QShowEvent *event)
{
    KSWidget::showEvent(event);
    updateTimer();
}

void KSLoadingWidget::hideEvent(QHideEvent *event)
{
    KSWidget::hideEvent(event);
    updateTimer();
}

void KSLoadingWidget::updateTimer()
{
    if (d->running && isVisible())
        d->timer->start();
    else
        d->timer->stop();
}
