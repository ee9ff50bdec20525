// The row widgets of the transfer center's task lists. A list owns six of them and re-binds them to
// whichever rows are in view, so a widget only ever shows the task of the row it is bound to now.
#ifndef KSTRANSFERCENTERLISTCELLWIDGET_H
#define KSTRANSFERCENTERLISTCELLWIDGET_H

#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <QLabel>
#include <QPixmap>

class KSCloudDiskTask;
class QHBoxLayout;
class QListWidgetItem;
class QStackedWidget;
class QToolButton;

namespace KSTransferCenter {
// 0 video, 1 audio, 2 image, 3 subtitle, 4 project.
KSCLOUDDISK_API int filterCategory(const KSCloudDiskTask *task);
KSCLOUDDISK_API QString defaultPicture(int category);
// Two decimals and the unit, no space between them.
KSCLOUDDISK_API QString formatSize(qint64 bytes);
// The name as the row shows it when it must fit `available` pixels in `metrics`.
KSCLOUDDISK_API QString elidedName(const QString &name, const QFontMetrics &metrics, int available);
KSCLOUDDISK_API QString nameToolTip(const QString &name);
// Scaled to cover size and cut around the middle.
KSCLOUDDISK_API QPixmap coverPixmap(const QPixmap &source, const QSize &size);
// What a list row carries in Qt::UserRole.
KSCLOUDDISK_API KSCloudDiskTask *taskOfItem(const QListWidgetItem *item);
} // namespace KSTransferCenter

class KSCLOUDDISK_API KSTransferCenterImageLabel : public QLabel
{
    Q_OBJECT
public:
    explicit KSTransferCenterImageLabel(QWidget *parent = nullptr);
    void setImage(const QPixmap &pixmap);
    QPixmap image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_image;
};

class KSCLOUDDISK_API KSTransferCenterTaskItemWidget : public KSWidget
{
    Q_OBJECT
public:
    explicit KSTransferCenterTaskItemWidget(QWidget *parent = nullptr);
    ~KSTransferCenterTaskItemWidget() override;

    virtual void setItem(QListWidgetItem *item);
    virtual void updateState();
    QListWidgetItem *item() const { return m_item; }
    KSCloudDiskTask *task() const;
    // Shown while the row is hovered or selected.
    void setDeleteVisible(bool visible);
    bool isDeleteVisible() const;
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void reloadThumbnail();

signals:
    void sigDelete(KSCloudDiskTask *task);
    void sigStart(KSCloudDiskTask *task);
    void sigPause(KSCloudDiskTask *task);
    void sigRetry(KSCloudDiskTask *task);
    void sigOpen(KSCloudDiskTask *task);
    void sigShare(KSCloudDiskTask *task);
    void sigLinkActivated(KSCloudDiskTask *task);
    void sigRowPressed(QListWidgetItem *item);

protected:
    QToolButton *makeButton(const QString &objectName);
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

    QListWidgetItem *m_item = nullptr;
    KSTransferCenterImageLabel *m_thumbnail = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLabel *m_sizeLabel = nullptr;
    QToolButton *m_deleteButton = nullptr;
    QHBoxLayout *m_layout = nullptr;
    bool m_selected = false;
};

class KSCLOUDDISK_API KSTransferCenterUploadTaskItemWidget : public KSTransferCenterTaskItemWidget
{
    Q_OBJECT
public:
    explicit KSTransferCenterUploadTaskItemWidget(QWidget *parent = nullptr);
    ~KSTransferCenterUploadTaskItemWidget() override;
    void updateState() override;
    // The row's failure text for a task, links included.
    static QString failureText(const KSCloudDiskTask *task);

protected:
    void retranslateUi() override;

private:
    QStackedWidget *m_statusStack = nullptr;
    QLabel *m_waitingLabel = nullptr;
    KSProgressBar *m_progress = nullptr;
    QLabel *m_percentLabel = nullptr;
    QLabel *m_errorIcon = nullptr;
    QLabel *m_errorText = nullptr;
    QToolButton *m_startButton = nullptr;
    QToolButton *m_pauseButton = nullptr;
    QToolButton *m_retryButton = nullptr;
};

class KSCLOUDDISK_API KSTransferCenterDownloadTaskItemWidget : public KSTransferCenterUploadTaskItemWidget
{
    Q_OBJECT
public:
    explicit KSTransferCenterDownloadTaskItemWidget(QWidget *parent = nullptr);
};

class KSCLOUDDISK_API KSTransferCenterFinishTaskItemWidget : public KSTransferCenterTaskItemWidget
{
    Q_OBJECT
public:
    explicit KSTransferCenterFinishTaskItemWidget(QWidget *parent = nullptr);
    ~KSTransferCenterFinishTaskItemWidget() override;
    void setItem(QListWidgetItem *item) override;
    void updateState() override;

protected:
    void retranslateUi() override;

private:
    KSCloudDiskTask *m_task = nullptr;
    QLabel *m_typeLabel = nullptr;
    QLabel *m_dateLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    QToolButton *m_openButton = nullptr;
    QToolButton *m_shareButton = nullptr;
};

class KSCLOUDDISK_API KSTransferCenterLimitItemWidget : public KSWidget
{
    Q_OBJECT
public:
    explicit KSTransferCenterLimitItemWidget(QWidget *parent = nullptr);
    QLabel *label() const { return m_label; }

protected:
    void retranslateUi() override;

private:
    QLabel *m_label = nullptr;
};

#endif
