#include "KSSyncSwitchButton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace {

constexpr qreal kTrackWidth = 32;
constexpr qreal kTrackHeight = 18;
constexpr qreal kKnobMargin = 3;
constexpr int kTextGap = 8;

} // namespace

KSSyncSwitchButton::KSSyncSwitchButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

KSSyncSwitchButton::~KSSyncSwitchButton() = default;

QSize KSSyncSwitchButton::sizeHint() const
{
    const int textWidth = text().isEmpty() ? 0 : kTextGap + fontMetrics().horizontalAdvance(text());
    return QSize(int(kTrackWidth) + textWidth + 2, qMax(int(kTrackHeight) + 2, fontMetrics().height()));
}

QSize KSSyncSwitchButton::minimumSizeHint() const
{
    return sizeHint();
}

QRectF KSSyncSwitchButton::trackRect() const
{
    return QRectF(1, (height() - kTrackHeight) / 2, kTrackWidth, kTrackHeight);
}

bool KSSyncSwitchButton::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void KSSyncSwitchButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &p, this);

    const QRectF track = trackRect();
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? m_trackOnColor : m_trackOffColor);
    p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const qreal knob = track.height() - 2 * kKnobMargin;
    const qreal x = isChecked() ? track.right() - kKnobMargin - knob : track.left() + kKnobMargin;
    p.setBrush(m_knobColor);
    p.drawEllipse(QRectF(x, track.top() + kKnobMargin, knob, knob));
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(m_trackOnColor, 1));
        p.drawRoundedRect(track.adjusted(-1, -1, 1, 1), track.height() / 2 + 1, track.height() / 2 + 1);
    }

    if (text().isEmpty())
        return;
    p.setOpacity(1.0);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QRectF textArea(track.right() + kTextGap, 0, width() - track.right() - kTextGap, height());
    p.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft, text());
}
