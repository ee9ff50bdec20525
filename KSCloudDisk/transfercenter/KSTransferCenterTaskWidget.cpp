#include "KSTransferCenterTaskWidget.h"

#include "KSCloudDiskTask.h"
#include "KSSkin.h"
#include "KSTransferCenterListCellWidget.h"
#include "KSTransferCenterListWidget.h"
#include "KSTransferCenterToolbar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
QLabel *makeLabel(const QString &objectName, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    KSSkinManager::instance()->applyStyleSheet(label, QStringLiteral("CloudDisk/") + objectName);
    return label;
}
} // namespace

KSTransferCenterTaskWidget::KSTransferCenterTaskWidget(KSCloudDiskViewPresenter *presenter, int type, QWidget *parent)
    : KSWidget(parent)
    , m_type(type)
{
    setObjectName(QStringLiteral("KSTransferCenterTaskWidget"));
    setStyleKey(QStringLiteral("CloudDisk/KSTransferCenterTaskWidget"));

    // Empty page.
    m_emptyPage = new QWidget(this);
    m_emptyPage->setObjectName(QStringLiteral("KSTransferCenterEmptyPage"));
    const QString pictureName = type == 0 ? QStringLiteral("KSTransferCenterDiskLabelUpload")
        : type == 1                       ? QStringLiteral("KSTransferCenterDiskLabelDownload")
                                          : QStringLiteral("KSTransferCenterDiskLabel");
    m_emptyPicture = makeLabel(pictureName, m_emptyPage);
    m_emptyPicture->setFixedSize(type == 2 ? QSize(160, 160) : QSize(100, 100));
    m_emptyText = makeLabel(QStringLiteral("KSTransferCenterEmptyText"), m_emptyPage);
    m_emptyText->setFixedSize(460, 80);
    m_emptyText->setWordWrap(true);
    m_emptyText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto *emptyLayout = new QVBoxLayout(m_emptyPage);
    emptyLayout->setContentsMargins(0, 0, 0, 0);
    emptyLayout->setSpacing(0);
    emptyLayout->addStretch();
    emptyLayout->addWidget(m_emptyPicture, 0, Qt::AlignHCenter);
    emptyLayout->addSpacing(10);
    emptyLayout->addWidget(m_emptyText, 0, Qt::AlignHCenter);
    emptyLayout->addStretch();

    // Filter-empty page.
    m_filterEmptyPage = new QWidget(this);
    m_filterEmptyPage->setObjectName(QStringLiteral("KSTransferCenterFilterEmptyPage"));
    m_filterEmptyPicture = makeLabel(QStringLiteral("KSTransferCenterTaskWidgetFilterEmptyLabel"), m_filterEmptyPage);
    m_filterEmptyPicture->setFixedSize(160, 160);
    m_filterEmptyText = makeLabel(QStringLiteral("KSTransferCenterEmptyText"), m_filterEmptyPage);
    m_filterEmptyText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto *filterLayout = new QVBoxLayout(m_filterEmptyPage);
    filterLayout->setContentsMargins(0, 0, 0, 0);
    filterLayout->setSpacing(0);
    filterLayout->addStretch();
    filterLayout->addWidget(m_filterEmptyPicture, 0, Qt::AlignHCenter);
    filterLayout->addWidget(m_filterEmptyText, 0, Qt::AlignHCenter);
    filterLayout->addStretch();

    // Content page.
    m_contentPage = new QWidget(this);
    m_contentPage->setObjectName(QStringLiteral("KSTransferCenterContentPage"));
    m_toolbar = new KSTransferCenterToolbar(type, m_contentPage);
    m_toolbar->setFixedHeight(24);
    auto header = [this](int width) {
        QLabel *label = makeLabel(QStringLiteral("KSTransferCenterTableHeaderLabel"), m_contentPage);
        label->setFixedSize(width, 26);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    };
    m_nameHeader = header(196);
    m_sizeHeader = header(132);
    m_statusHeader = header(72);
    auto line = [this] {
        auto *l = new KSLineWidget(m_contentPage);
        l->setObjectName(QStringLiteral("KSTransferCenterTaskWidgetLine"));
        l->setStyleKey(QStringLiteral("CloudDisk/KSTransferCenterTaskWidgetLine"));
        l->setFixedHeight(1);
        return l;
    };
    auto *headerRow = new QHBoxLayout;
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->setSpacing(0);
    headerRow->addSpacing(10);
    headerRow->addWidget(m_nameHeader);
    headerRow->addWidget(m_sizeHeader);
    headerRow->addWidget(m_statusHeader);
    headerRow->addStretch();

    m_list = new KSTransferCenterListWidget(presenter, type, m_contentPage);
    m_innerStack = new QStackedWidget(m_contentPage);
    m_innerStack->setObjectName(QStringLiteral("KSTransferCenterInnerStack"));
    m_innerStack->addWidget(m_list);
    m_innerStack->addWidget(m_filterEmptyPage);

    auto *contentLayout = new QVBoxLayout(m_contentPage);
    contentLayout->setContentsMargins(16, 0, 16, 0);
    contentLayout->setSpacing(0);
    contentLayout->addWidget(m_toolbar);
    contentLayout->addSpacing(21);
    contentLayout->addWidget(line());
    contentLayout->addLayout(headerRow);
    contentLayout->addWidget(line());
    contentLayout->addSpacing(4);
    contentLayout->addWidget(m_innerStack, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_contentPage);
    layout->addWidget(m_emptyPage);
    layout->addSpacing(16);
    m_contentPage->hide();

    connect(m_toolbar, &KSTransferCenterToolbar::sigFilterTypeChanged, m_list,
        &KSTransferCenterListWidget::slotFilterTypeChanged);
    connect(m_list, &KSTransferCenterListWidget::sigFilterCountChanged, this, [this](int count) {
        m_innerStack->setCurrentIndex(count < 1 ? 1 : 0);
        retranslateUi();
    });
    retranslateUi();
}

KSTransferCenterTaskWidget::~KSTransferCenterTaskWidget() = default;

void KSTransferCenterTaskWidget::retranslateUi()
{
    m_nameHeader->setText(tr("TransferCenter Name"));
    m_sizeHeader->setText(tr("TransferCenter Size"));
    m_statusHeader->setText(tr("TransferCenter Status"));
    m_filterEmptyText->setText(tr("There are no results for %1").arg(m_toolbar->filterComboBox()->currentText()));
    QString title;
    QString line;
    if (m_type == 0) {
        title = tr("No uploads in progress.");
        line = tr("Upload videos, images, projects, and more to your personal cloud storage.");
    } else if (m_type == 1) {
        title = tr("No downloads in progress.");
        line = tr("Download videos, images, projects, and more from your personal cloud storage.");
    } else {
        title = tr("No completed tasks.");
        line = tr("Uploaded and downloaded tasks will appear here.");
    }
    m_emptyText->setText(title + QLatin1Char('\n') + line);
}

void KSTransferCenterTaskWidget::setTaskList(QList<KSCloudDiskTask *> *tasks)
{
    m_list->setTaskList(tasks);
    updateToolbarState();
    updateEmptyState();
}

QList<KSCloudDiskTask *> *KSTransferCenterTaskWidget::taskList() const
{
    return m_list->taskList();
}

void KSTransferCenterTaskWidget::refresh()
{
    m_list->rebuildRows();
    updateToolbarState();
    updateEmptyState();
}

void KSTransferCenterTaskWidget::refreshTask(KSCloudDiskTask *task)
{
    m_list->refreshTask(task);
    updateToolbarState();
}

void KSTransferCenterTaskWidget::refreshVisibleRows()
{
    m_list->refreshVisibleRows();
    updateToolbarState();
}

void KSTransferCenterTaskWidget::reloadThumbnail(KSCloudDiskTask *task)
{
    m_list->reloadThumbnail(task);
}

void KSTransferCenterTaskWidget::setMaxCount(int count)
{
    m_list->setMaxCount(count);
    updateEmptyState();
}

void KSTransferCenterTaskWidget::updateToolbarState()
{
    m_toolbar->updateButtonStates(m_list->taskList());
}

void KSTransferCenterTaskWidget::updateEmptyState()
{
    const bool empty = m_list->taskCount() == 0;
    m_contentPage->setVisible(!empty);
    m_emptyPage->setVisible(empty);
    if (!empty)
        m_innerStack->setCurrentIndex(m_list->filterType() != -1 && m_list->shownTaskRowCount() < 1 ? 1 : 0);
}

bool KSTransferCenterTaskWidget::isEmptyPageShown() const
{
    return !m_emptyPage->isHidden();
}

bool KSTransferCenterTaskWidget::isFilterEmptyPageShown() const
{
    return !m_contentPage->isHidden() && m_innerStack->currentIndex() == 1;
}

QString KSTransferCenterTaskWidget::filterEmptyText() const
{
    return m_filterEmptyText->text();
}

QString KSTransferCenterTaskWidget::emptyText() const
{
    return m_emptyText->text();
}
