#ifndef KSSYNCSWITCHBUTTON_H
#define KSSYNCSWITCHBUTTON_H

#include <QAbstractButton>
#include <QColor>

// The sync page's on/off switch, with its text beside it. Its colours come from the skin section of
// the page that holds it (qproperty-trackOnColor, ...); the text takes the sheet's "color".
class KSSyncSwitchButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QColor trackOnColor MEMBER m_trackOnColor DESIGNABLE true)
    Q_PROPERTY(QColor trackOffColor MEMBER m_trackOffColor DESIGNABLE true)
    Q_PROPERTY(QColor knobColor MEMBER m_knobColor DESIGNABLE true)
public:
    explicit KSSyncSwitchButton(QWidget *parent = nullptr);
    ~KSSyncSwitchButton() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    QRectF trackRect() const;

    QColor m_trackOnColor;
    QColor m_trackOffColor;
    QColor m_knobColor;
};

#endif
