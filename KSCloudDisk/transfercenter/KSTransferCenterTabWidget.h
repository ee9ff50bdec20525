#ifndef KSTRANSFERCENTERTABWIDGET_H
#define KSTRANSFERCENTERTABWIDGET_H

#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <QList>

class QLabel;

// Tabs of the transfer center, in the order of its page stack. Larger values are ignored.
enum KSTransferCenterTabIndex {
    KSTransferCenterTabUpload = 0,
    KSTransferCenterTabDownload = 1,
    KSTransferCenterTabDone = 2,
    KSTransferCenterTabSyncSettings = 3,
};

// One entry of the tab column: icon, text and an optional count kept visible when the text is elided.
class KSCLOUDDISK_API KSTransferCenterTabItem : public KSWidget
{
    Q_OBJECT
public:
    KSTransferCenterTabItem(const QString &iconName, bool showCount, QWidget *parent = nullptr);
    ~KSTransferCenterTabItem() override;

    void setText(const QString &text);
    QString text() const;
    void setCount(int count);
    int count() const;
    bool showCount() const;
    void setSelected(bool selected);
    bool isSelected() const;
    // "normal", "hover", "pressed" or "disabled".
    QString state() const;
    QLabel *iconLabel() const;
    QLabel *textLabel() const;

signals:
    void sigClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setVisualProperty(const char *name, const QString &value);
    void renderText();

    QLabel *m_iconLabel = nullptr;
    QLabel *m_textLabel = nullptr;
    bool m_selected = false;
    int m_count = 0;
    QString m_text;
    bool m_showCount = true;
};

class KSCLOUDDISK_API KSTransferCenterTabBar : public KSWidget
{
    Q_OBJECT
public:
    explicit KSTransferCenterTabBar(QWidget *parent = nullptr);
    ~KSTransferCenterTabBar() override;

    void setCurrentIndex(int index);
    int currentIndex() const;
    KSTransferCenterTabItem *item(int index) const; // null outside 0-3

signals:
    void sigCurrentTabChanged(KSTransferCenterTabIndex index);

public slots:
    void slotTabItemClicked();

protected:
    void retranslateUi() override;

private:
    int m_currentIndex = -1;
    QList<KSTransferCenterTabItem *> m_items;
};

// The left column of the transfer center: the tab bar and the link to the product page.
class KSCLOUDDISK_API KSTransferCenterTabWidget : public KSWidget
{
    Q_OBJECT
public:
    explicit KSTransferCenterTabWidget(QWidget *parent = nullptr);
    ~KSTransferCenterTabWidget() override;

    void setCurrentTab(int index);
    int currentTab() const;
    // Only the upload, download and done tabs take a count.
    void setTabCount(int index, int count);
    KSTransferCenterTabBar *tabBar() const;
    QLabel *linkLabel() const;

signals:
    void sigCurrentTabChanged(KSTransferCenterTabIndex index);
    void sigLinkCutlaneIO(const QString &url);

protected:
    void retranslateUi() override;
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_logoLabel = nullptr;
    KSWidget *m_frame = nullptr;
    KSTransferCenterTabBar *m_tabBar = nullptr;
    QLabel *m_tipLabel = nullptr;
    QLabel *m_linkLabel = nullptr;
};

#endif
