#ifndef KSCLOUDDISKSTATUSBUTTONS_H
#define KSCLOUDDISKSTATUSBUTTONS_H

#include "kscloudglobal.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class KSCloudDiskTask;
class KSCloudDiskViewPresenter;
class KSToolButton;
class QTimer;
class QWidget;

// The cloud buttons the editor puts in its title bars: one picture set for the state of all
// transfers, a twelve-frame animation while any of them runs, and the "added to the Transfer Center"
// notice. Reads the presenter's lists as they are, without settling finished uploads.
class KSCLOUDDISK_API KSCloudDiskStatusButtons : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFrameCount = 12;

    KSCloudDiskStatusButtons(KSCloudDiskViewPresenter *presenter, const QList<KSCloudDiskTask *> *uploads,
        const QList<KSCloudDiskTask *> *downloads);
    ~KSCloudDiskStatusButtons() override;

    void addButton(KSToolButton *button);
    void removeButton(KSToolButton *button);
    QList<KSToolButton *> buttons() const;
    void updateButtons();

    // The frame the next animation step shows, 0 to 11.
    int frame() const { return m_frame; }
    bool isAnimating() const { return m_animating; }
    QTimer *statusTimer() const { return m_statusTimer; }
    QTimer *animationTimer() const { return m_animationTimer; }

    // Paths in the order KSToolButton::setImageButton takes them.
    static QStringList imageSet(const QString &name);
    static QStringList busyFrameSet(int frame);

    void showBubble(int count, bool isDownload, QWidget *parent);

public slots:
    void slotTimerOut();

private slots:
    void slotAnimationStep();

private:
    void setImages(const QStringList &images);

    QPointer<KSCloudDiskViewPresenter> m_presenter;
    const QList<KSCloudDiskTask *> *m_uploads;
    const QList<KSCloudDiskTask *> *m_downloads;
    QList<QPointer<KSToolButton>> m_buttons;
    QTimer *m_statusTimer = nullptr;
    QTimer *m_animationTimer = nullptr;
    int m_frame = 0;
    bool m_animating = false;
};

#endif
