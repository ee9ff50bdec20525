#include "KSTransferCenterToolbar.h"

#include "KSCloudDiskTask.h"
#include "KSCloudDiskTrackEvent.h"

#include <QBoxLayout>
#include <QComboBox>

namespace {
void sendClick(const QString &tab, const QString &button)
{
    KSCloudDiskCustomEvent(QStringLiteral("transfer_center_click"))
        .send({{QStringLiteral("transfer_center_tab"), tab}, {QStringLiteral("transfer_center_btn"), button}});
}

KSPushButton *batchButton(const QString &name, QWidget *parent)
{
    auto *button = new KSPushButton(QString(), KSPushButton::SecondaryStyle, parent);
    button->setObjectName(name);
    button->setSizeKind(24);
    // Inside the window's dialog, Enter must not fire a batch command.
    button->setAutoDefault(false);
    return button;
}
} // namespace

KSTransferCenterToolbar::KSTransferCenterToolbar(int type, QWidget *parent)
    : KSWidget(parent)
    , m_type(type)
{
    setObjectName(QStringLiteral("KSTransferCenterToolbar"));
    setFixedHeight(24);

    m_filter = new QComboBox(this);
    m_filter->setObjectName(QStringLiteral("KSTransferCenterFilterComboBox"));
    m_filter->setFixedSize(80, 24);
    m_filter->setFocusPolicy(Qt::NoFocus);
    for (int category = -1; category <= 4; ++category)
        m_filter->addItem(QString(), category);
    m_filter->setCurrentIndex(0);

    m_startAll = batchButton(QStringLiteral("KSTransferCenterStartAllButton"), this);
    m_stopAll = batchButton(QStringLiteral("KSTransferCenterStopAllButton"), this);
    m_clearAll = batchButton(QStringLiteral("KSTransferCenterClearAllButton"), this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_filter);
    layout->addStretch();
    layout->addWidget(m_startAll);
    layout->addWidget(m_stopAll);
    layout->addWidget(m_clearAll);
    layout->addSpacing(16);

    const bool done = m_type == 2;
    m_startAll->setVisible(!done);
    m_stopAll->setVisible(!done);
    m_filter->setVisible(done);

    connect(m_filter, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &KSTransferCenterToolbar::slotTypeIndexChanged);
    connect(m_startAll, &QPushButton::clicked, this, [this] {
        sendClick(tabName(), QStringLiteral("Start All"));
        emit sigStartAll();
    });
    connect(m_stopAll, &QPushButton::clicked, this, [this] {
        sendClick(tabName(), QStringLiteral("Stop All"));
        emit sigStopAll();
    });
    connect(m_clearAll, &QPushButton::clicked, this, &KSTransferCenterToolbar::onClearAllClicked);

    retranslateUi();
    updateButtonStates(nullptr);
}

KSTransferCenterToolbar::~KSTransferCenterToolbar() = default;

void KSTransferCenterToolbar::retranslateUi()
{
    const QString texts[] = {tr("All"), tr("Video"), tr("Audio"), tr("Image"), tr("Subtitle"), tr("Project")};
    for (int i = 0; i < m_filter->count(); ++i) {
        m_filter->setItemText(i, texts[i]);
        m_filter->setItemData(i, texts[i], Qt::ToolTipRole);
    }
    m_startAll->setText(tr("Start All"));
    m_stopAll->setText(tr("TransferCenter Stop All"));
    m_clearAll->setText(m_type == 2 ? tr("Clear All") : tr("Cancel All"));
}

int KSTransferCenterToolbar::type() const
{
    return m_type;
}

QString KSTransferCenterToolbar::tabName() const
{
    switch (m_type) {
    case 0:
        return QStringLiteral("upload");
    case 1:
        return QStringLiteral("download");
    default:
        return QStringLiteral("done");
    }
}

void KSTransferCenterToolbar::slotTypeIndexChanged(int index)
{
    emit sigFilterTypeChanged(m_filter->itemData(index).toInt());
}

void KSTransferCenterToolbar::onClearAllClicked()
{
    const bool done = m_type == 2;
    sendClick(tabName(), done ? QStringLiteral("Clear All") : QStringLiteral("Cancel All"));
    if (!done) {
        const QString clear = tr("TransferCenter Clear");
        const QString answer
            = KSMessageDialog::showMessage(this, tr("Clear All Tasks"), tr("Are you sure to clear all tasks?"),
                {{tr("Cancel"), KSFramelessDialog::SecondaryRole}, {clear, KSFramelessDialog::WarningRole}});
        if (answer != clear)
            return;
    }
    emit sigClearAll();
}

void KSTransferCenterToolbar::updateButtonStates(const QList<KSCloudDiskTask *> *tasks)
{
    int total = 0;
    int active = 0;
    int resumable = 0;
    if (tasks) {
        for (const KSCloudDiskTask *task : *tasks) {
            if (!task)
                continue;
            ++total;
            const int status = task->status();
            if (status == Waiting || status == Running)
                ++active;
            else if (status == Paused || status == Failed)
                ++resumable;
        }
    }
    m_clearAll->setEnabled(total > 0);
    m_startAll->setEnabled(resumable > 0);
    m_stopAll->setEnabled(active > 0);
}

QComboBox *KSTransferCenterToolbar::filterComboBox() const
{
    return m_filter;
}

KSPushButton *KSTransferCenterToolbar::startAllButton() const
{
    return m_startAll;
}

KSPushButton *KSTransferCenterToolbar::stopAllButton() const
{
    return m_stopAll;
}

KSPushButton *KSTransferCenterToolbar::clearAllButton() const
{
    return m_clearAll;
}
