#include "KSTransferCenterTabWidget.h"

#include "KSSkin.h"
#include "KSStringUtils.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {
const QChar kEllipsis(0x2026);

QLabel *styledLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    KSSkinManager::instance()->applyStyleSheet(label, QStringLiteral("CloudDisk/") + name);
    return label;
}
} // namespace

KSTransferCenterTabItem::KSTransferCenterTabItem(const QString &iconName, bool showCount, QWidget *parent)
    : KSWidget(parent)
    , m_showCount(showCount)
{
    setObjectName(QStringLiteral("KSTransferCenterTabItem"));
    setStyleKey(QStringLiteral("CloudDisk/KSTransferCenterTabItem"));
    setFixedHeight(32);
    setAttribute(Qt::WA_Hover);

    m_iconLabel = styledLabel(iconName, this);
    m_iconLabel->setFixedSize(24, 24);
    m_textLabel = styledLabel(QStringLiteral("KSTransferCenterTabBarItemText"), this);
    m_textLabel->setWordWrap(false);
    // The count suffix is measured against the label's real width, known only after layout.
    m_textLabel->installEventFilter(this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(0);
    layout->addWidget(m_iconLabel, 0, Qt::AlignVCenter);
    layout->addSpacing(7);
    layout->addWidget(m_textLabel, 1, Qt::AlignVCenter);

    setVisualProperty("state", QStringLiteral("normal"));
    setVisualProperty("selected", QStringLiteral("false"));
}

KSTransferCenterTabItem::~KSTransferCenterTabItem() = default;

void KSTransferCenterTabItem::setText(const QString &text)
{
    m_text = text;
    renderText();
}

QString KSTransferCenterTabItem::text() const
{
    return m_text;
}

void KSTransferCenterTabItem::setCount(int count)
{
    m_count = count;
    if (m_showCount)
        renderText();
}

int KSTransferCenterTabItem::count() const
{
    return m_count;
}

bool KSTransferCenterTabItem::showCount() const
{
    return m_showCount;
}

void KSTransferCenterTabItem::setSelected(bool selected)
{
    m_selected = selected;
    setVisualProperty("selected", selected ? QStringLiteral("true") : QStringLiteral("false"));
}

bool KSTransferCenterTabItem::isSelected() const
{
    return m_selected;
}

QString KSTransferCenterTabItem::state() const
{
    return property("state").toString();
}

QLabel *KSTransferCenterTabItem::iconLabel() const
{
    return m_iconLabel;
}

QLabel *KSTransferCenterTabItem::textLabel() const
{
    return m_textLabel;
}

void KSTransferCenterTabItem::setVisualProperty(const char *name, const QString &value)
{
    // The icon and text rules select on the same properties as the item itself.
    for (QWidget *w :
        {static_cast<QWidget *>(this), static_cast<QWidget *>(m_iconLabel), static_cast<QWidget *>(m_textLabel)}) {
        w->setProperty(name, value);
        KSUIStyle::RePolishStyle(w);
    }
}

void KSTransferCenterTabItem::renderText()
{
    const QString suffix = m_showCount ? QStringLiteral(" (%1)").arg(m_count) : QString();
    const QFont font = m_textLabel->font();
    const int available = m_textLabel->width() - KSStringUtils::calcTextLenght(suffix, font);
    const QString elided = KSStringUtils::calcElidedString(m_text, font, qMax(0, available), Qt::ElideRight);
    m_textLabel->setToolTip(elided.contains(kEllipsis) ? m_text : QString());
    m_textLabel->setText(elided + suffix);
}

bool KSTransferCenterTabItem::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_textLabel && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        renderText();
    return KSWidget::eventFilter(watched, event);
}

void KSTransferCenterTabItem::enterEvent(QEvent *event)
{
    setVisualProperty("state", QStringLiteral("hover"));
    KSWidget::enterEvent(event);
}

void KSTransferCenterTabItem::leaveEvent(QEvent *event)
{
    setVisualProperty("state", QStringLiteral("normal"));
    KSWidget::leaveEvent(event);
}

void KSTransferCenterTabItem::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        setVisualProperty("state", QStringLiteral("pressed"));
    KSWidget::mousePressEvent(event);
}

void KSTransferCenterTabItem::mouseReleaseEvent(QMouseEvent *event)
{
    KSWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    setVisualProperty("state", QStringLiteral("hover"));
    emit sigClicked();
}

void KSTransferCenterTabItem::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        setVisualProperty("state", isEnabled() ? QStringLiteral("normal") : QStringLiteral("disabled"));
    KSWidget::changeEvent(event);
}

// ---------------------------------------------------------------------------------------------

KSTransferCenterTabBar::KSTransferCenterTabBar(QWidget *parent)
    : KSWidget(parent)
{
    setObjectName(QStringLiteral("KSTransferCenterTabBar"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    const struct {
        const char *icon;
        bool showCount;
    } tabs[] = {
        {"KSTransferCenterTabBarIcon_upload", true},
        {"KSTransferCenterTabBarIcon_download", true},
        {"KSTransferCenterTabBarIcon_finish", false},
        {"KSTransferCenterTabBarIcon_sync", false},
    };
    for (const auto &tab : tabs) {
        auto *item = new KSTransferCenterTabItem(QString::fromLatin1(tab.icon), tab.showCount, this);
        connect(item, &KSTransferCenterTabItem::sigClicked, this, &KSTransferCenterTabBar::slotTabItemClicked);
        layout->addWidget(item);
        m_items.append(item);
    }
    layout->addStretch();
    retranslateUi();
}

KSTransferCenterTabBar::~KSTransferCenterTabBar() = default;

void KSTransferCenterTabBar::retranslateUi()
{
    m_items[KSTransferCenterTabUpload]->setText(tr("TransferCenter Uploading"));
    m_items[KSTransferCenterTabDownload]->setText(tr("Downloading"));
    m_items[KSTransferCenterTabDone]->setText(tr("TransferCenter Done"));
    m_items[KSTransferCenterTabSyncSettings]->setText(tr("Sync settings"));
}

void KSTransferCenterTabBar::setCurrentIndex(int index)
{
    if (index < 0 || index > KSTransferCenterTabSyncSettings)
        return;
    const int previous = m_currentIndex;
    m_currentIndex = index;
    for (int i = 0; i < m_items.size(); ++i)
        m_items[i]->setSelected(i == index);
    if (index != previous)
        emit sigCurrentTabChanged(KSTransferCenterTabIndex(index));
}

int KSTransferCenterTabBar::currentIndex() const
{
    return m_currentIndex;
}

KSTransferCenterTabItem *KSTransferCenterTabBar::item(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

void KSTransferCenterTabBar::slotTabItemClicked()
{
    const int index = m_items.indexOf(qobject_cast<KSTransferCenterTabItem *>(sender()));
    setCurrentIndex(index < 0 ? 0 : index);
}

// ---------------------------------------------------------------------------------------------

KSTransferCenterTabWidget::KSTransferCenterTabWidget(QWidget *parent)
    : KSWidget(parent)
{
    // The column itself stays unstyled: the inner frame carries the background.
    setObjectName(QStringLiteral("KSTransferCenterTabColumn"));

    m_logoLabel = styledLabel(QStringLiteral("KSTransferCenterTabLogoLabel"), this);
    m_logoLabel->setFixedHeight(28);
    m_logoLabel->hide();

    m_frame = new KSWidget(this);
    m_frame->setObjectName(QStringLiteral("KSTransferCenterTabWidget"));
    m_frame->setStyleKey(QStringLiteral("CloudDisk/KSTransferCenterTabWidget"));

    m_tabBar = new KSTransferCenterTabBar(m_frame);

    m_tipLabel = styledLabel(QStringLiteral("KSTransferCenterTabTipLabel"), m_frame);
    m_tipLabel->setMinimumHeight(60);
    m_tipLabel->setWordWrap(true);
    m_tipLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);

    m_linkLabel = styledLabel(QStringLiteral("KSTransferCenterTabTipLabel"), m_frame);
    m_linkLabel->setMinimumHeight(22);
    m_linkLabel->setWordWrap(true);
    m_linkLabel->setAlignment(Qt::AlignCenter);
    m_linkLabel->setContextMenuPolicy(Qt::NoContextMenu);
    m_linkLabel->setTextFormat(Qt::RichText);
    connect(m_linkLabel, &QLabel::linkActivated, this, &KSTransferCenterTabWidget::sigLinkCutlaneIO);

    auto *frameLayout = new QVBoxLayout(m_frame);
    frameLayout->setContentsMargins(12, 16, 12, 24);
    frameLayout->setSpacing(0);
    frameLayout->addWidget(m_tabBar);
    frameLayout->addStretch();
    frameLayout->addWidget(m_tipLabel);
    frameLayout->addSpacing(8);
    frameLayout->addWidget(m_linkLabel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 0, 8);
    layout->setSpacing(0);
    layout->addWidget(m_frame);

    connect(m_tabBar, &KSTransferCenterTabBar::sigCurrentTabChanged, this,
        &KSTransferCenterTabWidget::sigCurrentTabChanged);
    retranslateUi();
}

KSTransferCenterTabWidget::~KSTransferCenterTabWidget() = default;

void KSTransferCenterTabWidget::retranslateUi()
{
    m_logoLabel->setText(tr("Transfer Center"));
    m_tipLabel->setText(tr("Cutlane Cloud is here."));
    m_linkLabel->setText(
        QStringLiteral("<a style=\"color:#50e3c2;\" href=\"href\">%1</a>").arg(tr("Try it out!").toHtmlEscaped()));
}

void KSTransferCenterTabWidget::paintEvent(QPaintEvent *)
{ }

void KSTransferCenterTabWidget::setCurrentTab(int index)
{
    m_tabBar->setCurrentIndex(index);
}

int KSTransferCenterTabWidget::currentTab() const
{
    return m_tabBar->currentIndex();
}

void KSTransferCenterTabWidget::setTabCount(int index, int count)
{
    if (index < KSTransferCenterTabUpload || index > KSTransferCenterTabDone)
        return;
    m_tabBar->item(index)->setCount(count);
}

KSTransferCenterTabBar *KSTransferCenterTabWidget::tabBar() const
{
    return m_tabBar;
}

QLabel *KSTransferCenterTabWidget::linkLabel() const
{
    return m_linkLabel;
}
