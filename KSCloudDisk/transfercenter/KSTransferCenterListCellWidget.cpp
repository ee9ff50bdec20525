#include "KSTransferCenterListCellWidget.h"

#include "IKSCloudDisk.h"
#include "KSBaseLog.h"
#include "KSCloudDiskTask.h"
#include "KSLocale.h"
#include "KSSkin.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QSet>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kRowHeight = 56;

// The row's buttons side by side in a box of fixed width, so the columns stay aligned whatever shows.
QWidget *makeButtonBox(QWidget *row, std::initializer_list<QToolButton *> buttons)
{
    auto *box = new QWidget(row);
    box->setObjectName(QStringLiteral("KSTransferCenterButtonBox"));
    box->setFixedSize(56, kRowHeight);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    for (QToolButton *button : buttons) {
        button->setParent(box);
        layout->addWidget(button);
    }
    layout->addStretch();
    return box;
}

constexpr int kThumbSide = 40;

QSet<QString> suffixSet(const char *list)
{
    QSet<QString> set;
    for (const QString &part : QString::fromLatin1(list).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        set.insert(part.trimmed().toUpper());
    return set;
}

} // namespace

namespace KSTransferCenter {

int filterCategory(const KSCloudDiskTask *task)
{
    if (!task)
        return 0;
    const int type = task->fileType();
    if (type == ProjectFile || type == ProjectArchiveFile || type == ProjectTemplateFile)
        return 4;
    if (type != VideoFile && type != CloudMediaFile)
        return 0;
    // Built once: a filter change classifies every task of a long list.
    static const QSet<QString> audio
        = suffixSet("*.AAC;*.AC3;*.AIF;*.AIFF;*.AU;*.FLAC;*.M4A;*.MKA;*.MP2;*.MP3;*.OGG;*.WAV;*.WMA;*.CAF");
    static const QSet<QString> image = suffixSet("*.BMP;*.JPG;*.PNG;*.TIF;*.ICO;*.DIB;*.JPEG;*.JPE;*.JFIF;*.TIFF;"
                                                 "*.EMF;*.DNG;*.HEIF;*.HEIC;*.WEBP;*.GIF");
    static const QSet<QString> subtitle = suffixSet("*.SRT;*.LRC;");
    const QString key = QStringLiteral("*.") + QFileInfo(task->filePath()).suffix().toUpper();
    if (audio.contains(key))
        return 1;
    if (image.contains(key))
        return 2;
    if (subtitle.contains(key))
        return 3;
    return 0;
}

QString defaultPicture(int category)
{
    switch (category) {
    case 1:
        return QStringLiteral(":/Resource/img40_music.png");
    case 2:
        return QStringLiteral(":/Resource/img40_picture.png");
    case 3:
        return QStringLiteral(":/Resource/img40_srt.png");
    case 4:
        return QStringLiteral(":/Resource/icon40_project.png");
    default:
        return QStringLiteral(":/Resource/img40_video.png");
    }
}

QString formatSize(qint64 bytes)
{
    const double b = double(bytes);
    if (bytes < 1048576LL)
        return QString::number(b / 1024.0, 'f', 2) + QStringLiteral("KB");
    if (bytes < 1073741824LL)
        return QString::number(b / 1048576.0, 'f', 2) + QStringLiteral("MB");
    if (bytes < 1099511627776LL)
        return QString::number(b / 1073741824.0, 'f', 2) + QStringLiteral("GB");
    return QString::number(b / 1099511627776.0, 'f', 2) + QStringLiteral("TB");
}

static QString shortened(const QString &name, const QString &base, const QString &suffix, int limit)
{
    if (name.size() <= limit)
        return name;
    const int room = limit - suffix.size() - 1;
    QString head = base;
    if (base.size() > room)
        head = base.left(qMax(0, room - 6)) + QStringLiteral("...") + base.right(3);
    return head + QLatin1Char('.') + suffix;
}

QString elidedName(const QString &name, const QFontMetrics &metrics, int available)
{
    const int room = available - 5;
    if (name.size() < 21 && metrics.horizontalAdvance(name) <= room)
        return name;
    const QFileInfo info(name);
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix();
    for (int limit = 20; limit >= 12; --limit) {
        const QString candidate = shortened(name, base, suffix, limit);
        if (metrics.horizontalAdvance(candidate) <= room)
            return candidate;
    }
    return shortened(name, base, suffix, 12);
}

QString nameToolTip(const QString &name)
{
    QStringList pieces;
    for (int i = 0; i < name.size(); i += 100)
        pieces << name.mid(i, 100);
    return pieces.join(QLatin1Char('\n'));
}

static QPixmap coverPixmapUncached(const QPixmap &source, const QSize &size);

QPixmap coverPixmap(const QPixmap &source, const QSize &size)
{
    if (source.isNull() || size.isEmpty())
        return QPixmap();
    // Most rows share a default picture: scale each source once, not on every bind.
    const QString key
        = QStringLiteral("KSTransferCenterCover/%1/%2x%3").arg(source.cacheKey()).arg(size.width()).arg(size.height());
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;
    cached = coverPixmapUncached(source, size);
    QPixmapCache::insert(key, cached);
    return cached;
}

static QPixmap coverPixmapUncached(const QPixmap &source, const QSize &size)
{
    if (source.width() <= source.height()) {
        const QPixmap scaled = source.scaledToWidth(size.width(), Qt::SmoothTransformation);
        return scaled.copy(0, (scaled.height() - size.height()) / 2, size.width(), size.height());
    }
    const QPixmap scaled = source.scaledToHeight(size.height(), Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - size.width()) / 2, 0, size.width(), size.height());
}

KSCloudDiskTask *taskOfItem(const QListWidgetItem *item)
{
    if (!item)
        return nullptr;
    return reinterpret_cast<KSCloudDiskTask *>(item->data(Qt::UserRole).value<quint64>());
}

} // namespace KSTransferCenter

// ---------------------------------------------------------------------------------------------

KSTransferCenterImageLabel::KSTransferCenterImageLabel(QWidget *parent)
    : QLabel(parent)
{ }

void KSTransferCenterImageLabel::setImage(const QPixmap &pixmap)
{
    m_image = pixmap;
    update();
}

void KSTransferCenterImageLabel::paintEvent(QPaintEvent *event)
{
    if (m_image.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 4, 4);
    painter.setClipPath(clip);
    painter.drawPixmap(rect(), m_image);
}

// ---------------------------------------------------------------------------------------------

KSTransferCenterTaskItemWidget::KSTransferCenterTaskItemWidget(QWidget *parent)
    : KSWidget(parent)
{
    setFixedHeight(kRowHeight);
    setFocusPolicy(Qt::NoFocus);

    m_thumbnail = new KSTransferCenterImageLabel(this);
    m_thumbnail->setObjectName(QStringLiteral("KSTransferCenterImageLabel"));
    m_thumbnail->setFixedSize(kThumbSide, kThumbSide);
    m_thumbnail->setAlignment(Qt::AlignCenter);

    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("KSTransferCenterTableNameLabel"));
    KSSkinManager::instance()->applyStyleSheet(m_nameLabel, QStringLiteral("CloudDisk/KSTransferCenterTableNameLabel"));
    m_nameLabel->setFixedWidth(136);

    m_sizeLabel = new QLabel(this);
    m_sizeLabel->setObjectName(QStringLiteral("KSTransferCenterTableSizeLabel"));
    KSSkinManager::instance()->applyStyleSheet(m_sizeLabel, QStringLiteral("CloudDisk/KSTransferCenterTableSizeLabel"));
    m_sizeLabel->setFixedWidth(124);

    m_deleteButton = makeButton(QStringLiteral("KSTransferCenterListCellStateDelete"));
    m_deleteButton->hide();
    connect(m_deleteButton, &QToolButton::clicked, this, [this] { emit sigDelete(task()); });

    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->addSpacing(8);
    m_layout->addWidget(m_thumbnail, 0, Qt::AlignCenter);
    m_layout->addSpacing(8);
    m_layout->addWidget(m_nameLabel);
    m_layout->addSpacing(12);
    m_layout->addWidget(m_sizeLabel);
}

KSTransferCenterTaskItemWidget::~KSTransferCenterTaskItemWidget() = default;

QToolButton *KSTransferCenterTaskItemWidget::makeButton(const QString &objectName)
{
    auto *button = new QToolButton(this);
    button->setObjectName(objectName);
    KSSkinManager::instance()->applyStyleSheet(button, QStringLiteral("BasicWidget/") + objectName);
    button->setFixedSize(24, 24);
    // Keyboard focus stays on the list: pooled rows must not put transient buttons in the Tab chain.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

KSCloudDiskTask *KSTransferCenterTaskItemWidget::task() const
{
    return KSTransferCenter::taskOfItem(m_item);
}

void KSTransferCenterTaskItemWidget::setItem(QListWidgetItem *item)
{
    m_nameLabel->clear();
    m_nameLabel->setToolTip(QString());
    m_thumbnail->setImage(QPixmap());
    m_sizeLabel->clear();
    m_item = item;
    if (!item)
        return;
    KSCloudDiskTask *t = task();
    if (!t) {
        updateState();
        return;
    }
    const QString name = t->name();
    m_nameLabel->setText(KSTransferCenter::elidedName(name, m_nameLabel->fontMetrics(), m_nameLabel->width()));
    m_nameLabel->setToolTip(KSTransferCenter::nameToolTip(name));
    reloadThumbnail();
    updateState();
}

void KSTransferCenterTaskItemWidget::reloadThumbnail()
{
    KSCloudDiskTask *t = task();
    if (!t) {
        m_thumbnail->setImage(QPixmap());
        return;
    }
    if (t->thumbnail().isNull()) {
        // One shared pixmap per default picture, however many tasks show it.
        const QString path = KSTransferCenter::defaultPicture(KSTransferCenter::filterCategory(t));
        QPixmap picture;
        if (!QPixmapCache::find(path, &picture)) {
            picture.load(path);
            QPixmapCache::insert(path, picture);
        }
        t->setThumbnail(picture);
    }
    m_thumbnail->setImage(KSTransferCenter::coverPixmap(t->thumbnail(), m_thumbnail->size()));
}

void KSTransferCenterTaskItemWidget::updateState()
{ }

void KSTransferCenterTaskItemWidget::setDeleteVisible(bool visible)
{
    if (m_deleteButton->isVisibleTo(this) == visible)
        return;
    m_deleteButton->setVisible(visible);
    update();
}

bool KSTransferCenterTaskItemWidget::isDeleteVisible() const
{
    return m_deleteButton->isVisibleTo(const_cast<KSTransferCenterTaskItemWidget *>(this));
}

void KSTransferCenterTaskItemWidget::setSelected(bool selected)
{
    m_selected = selected;
    setDeleteVisible(selected);
    update();
}

void KSTransferCenterTaskItemWidget::paintEvent(QPaintEvent *)
{
    if (!m_item || (!m_selected && !isDeleteVisible()))
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(KSSkinManager::instance()->getColor(m_selected ? 28 : 26));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

void KSTransferCenterTaskItemWidget::enterEvent(QEvent *event)
{
    if (!m_selected)
        setDeleteVisible(true);
    KSWidget::enterEvent(event);
}

void KSTransferCenterTaskItemWidget::leaveEvent(QEvent *event)
{
    if (!m_selected)
        setDeleteVisible(false);
    KSWidget::leaveEvent(event);
}

void KSTransferCenterTaskItemWidget::mousePressEvent(QMouseEvent *event)
{
    if (m_item)
        emit sigRowPressed(m_item);
    KSWidget::mousePressEvent(event);
}

// ---------------------------------------------------------------------------------------------

KSTransferCenterUploadTaskItemWidget::KSTransferCenterUploadTaskItemWidget(QWidget *parent)
    : KSTransferCenterTaskItemWidget(parent)
{
    m_statusStack = new QStackedWidget(this);
    m_statusStack->setObjectName(QStringLiteral("KSTransferCenterStatusStack"));
    m_statusStack->setFixedSize(174, kRowHeight);

    auto *waitingPage = new QWidget(m_statusStack);
    waitingPage->setObjectName(QStringLiteral("KSTransferCenterWaitingPage"));
    m_waitingLabel = new QLabel(waitingPage);
    m_waitingLabel->setObjectName(QStringLiteral("KSTransferCenterWaitingLabel"));
    KSSkinManager::instance()->applyStyleSheet(
        m_waitingLabel, QStringLiteral("CloudDisk/KSTransferCenterTableSizeLabel"));
    m_waitingLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto *waitingLayout = new QHBoxLayout(waitingPage);
    waitingLayout->setContentsMargins(0, 0, 0, 0);
    waitingLayout->addWidget(m_waitingLabel);

    auto *progressPage = new QWidget(m_statusStack);
    progressPage->setObjectName(QStringLiteral("KSTransferCenterProgressPage"));
    m_progress = new KSProgressBar(progressPage);
    m_progress->setObjectName(QStringLiteral("KSTransferCenterProgressBar"));
    m_progress->setSizeKind(6);
    m_progress->setFixedWidth(158);
    m_progress->setRange(0, 100);
    m_percentLabel = new QLabel(QStringLiteral("0%"), progressPage);
    m_percentLabel->setObjectName(QStringLiteral("KSTransferCenterPercentLabel"));
    KSSkinManager::instance()->applyStyleSheet(
        m_percentLabel, QStringLiteral("CloudDisk/KSTransferCenterTableSizeLabel"));
    m_percentLabel->setFixedHeight(16);
    auto *progressLayout = new QVBoxLayout(progressPage);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->setSpacing(0);
    progressLayout->addStretch();
    progressLayout->addWidget(m_progress);
    progressLayout->addSpacing(4);
    progressLayout->addWidget(m_percentLabel);
    progressLayout->addSpacerItem(new QSpacerItem(20, 7, QSizePolicy::Fixed, QSizePolicy::Fixed));
    progressLayout->addStretch();

    auto *errorPage = new QWidget(m_statusStack);
    errorPage->setObjectName(QStringLiteral("KSTransferCenterErrorPage"));
    m_errorIcon = new QLabel(errorPage);
    m_errorIcon->setObjectName(QStringLiteral("KSTransferCenterErrorIcon"));
    KSSkinManager::instance()->applyStyleSheet(m_errorIcon, QStringLiteral("CloudDisk/KSTransferCenterErrorIcon"));
    m_errorIcon->setFixedSize(16, 16);
    m_errorText = new QLabel(errorPage);
    m_errorText->setObjectName(QStringLiteral("KSTransferCenterErrorText"));
    KSSkinManager::instance()->applyStyleSheet(m_errorText, QStringLiteral("CloudDisk/KSTransferCenterErrorText"));
    m_errorText->setFixedWidth(153);
    m_errorText->setWordWrap(true);
    m_errorText->setContextMenuPolicy(Qt::NoContextMenu);
    m_errorText->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    m_errorText->setFocusPolicy(Qt::NoFocus);
    connect(m_errorText, &QLabel::linkActivated, this, [this](const QString &) {
        KSLOG_INFO("sync center upload file failed, click expand button");
        emit sigLinkActivated(task());
    });
    auto *errorLayout = new QHBoxLayout(errorPage);
    errorLayout->setContentsMargins(0, 0, 0, 0);
    errorLayout->setSpacing(0);
    errorLayout->addWidget(m_errorIcon, 0, Qt::AlignVCenter);
    errorLayout->addSpacing(4);
    errorLayout->addWidget(m_errorText, 0, Qt::AlignVCenter);
    errorLayout->addStretch();

    m_statusStack->addWidget(waitingPage);
    m_statusStack->addWidget(progressPage);
    m_statusStack->addWidget(errorPage);

    m_startButton = makeButton(QStringLiteral("KSTransferCenterListCellStatePlay"));
    m_pauseButton = makeButton(QStringLiteral("KSTransferCenterListCellStatePause"));
    m_retryButton = makeButton(QStringLiteral("KSTransferCenterListCellStateRetry"));
    connect(m_startButton, &QToolButton::clicked, this, [this] { emit sigStart(task()); });
    connect(m_pauseButton, &QToolButton::clicked, this, [this] { emit sigPause(task()); });
    connect(m_retryButton, &QToolButton::clicked, this, [this] { emit sigRetry(task()); });

    QWidget *buttonBox = makeButtonBox(this, {m_startButton, m_pauseButton, m_retryButton, m_deleteButton});

    m_layout->addWidget(m_statusStack);
    m_layout->addSpacing(16);
    m_layout->addWidget(buttonBox);
    m_layout->addStretch();

    m_startButton->hide();
    m_retryButton->hide();
    m_deleteButton->hide();
    retranslateUi();
}

KSTransferCenterUploadTaskItemWidget::~KSTransferCenterUploadTaskItemWidget() = default;

void KSTransferCenterUploadTaskItemWidget::retranslateUi()
{
    m_waitingLabel->setText(tr("TransferCenter Waiting..."));
    m_startButton->setToolTip(tr("Start"));
    m_pauseButton->setToolTip(tr("TransferCenter Stop"));
    m_retryButton->setToolTip(tr("Retry"));
    m_deleteButton->setToolTip(tr("TransferCenter Clear"));
    for (QToolButton *button : {m_startButton, m_pauseButton, m_retryButton, m_deleteButton})
        button->setAccessibleName(button->toolTip());
    if (task())
        updateState();
}

QString KSTransferCenterUploadTaskItemWidget::failureText(const KSCloudDiskTask *task)
{
    const bool upload = task->operation() != DownloadOperation;
    switch (task->failedCode()) {
    case 3:
        return upload ? tr("Upload failed. Network connection problems.")
                      : tr("Download failed. Network connection problems.");
    case LocalDiskTooSmall:
        return tr("Failed. There is insufficient disk space.");
    case CloudSpaceInsufficient:
    case MembershipExpired:
        return tr("Failed. Insufficient Cloud space.") + QLatin1Char(' ')
            + QStringLiteral("<a style=\"color:#FF0000;\" href=\"href\">%1</a>").arg(tr("Expand Now."));
    case 26: {
        IKSCloudDisk *service = getCloudDiskNoCreate();
        const double limit = service ? double(service->getDiskInfo().fileSizeLimit) / 1073741824.0 : 0.0;
        return tr("File size, over %1GB cannot be uploaded").arg(QString::number(limit, 'g', 6));
    }
    default:
        return upload ? tr("Upload failed. Please try again.") : tr("Download failed. Please try again.");
    }
}

void KSTransferCenterUploadTaskItemWidget::updateState()
{
    KSCloudDiskTask *t = task();
    if (!t)
        return;
    int percent = 0;
    if (t->totalSize() < 1) {
        m_sizeLabel->setText(QStringLiteral("--"));
        m_progress->setValue(0);
        m_percentLabel->setText(QStringLiteral("0%"));
    } else {
        m_sizeLabel->setText(QStringLiteral("%1/%2").arg(
            KSTransferCenter::formatSize(t->transSize()), KSTransferCenter::formatSize(t->totalSize())));
        percent = int(t->transSize() * 100 / t->totalSize());
        m_progress->setValue(qBound(0, percent, 100));
        m_percentLabel->setText(QStringLiteral("%1%").arg(percent));
    }
    auto showButtons = [this](bool start, bool pause, bool retry) {
        m_startButton->setVisible(start);
        m_pauseButton->setVisible(pause);
        m_retryButton->setVisible(retry);
    };
    switch (t->status()) {
    case Waiting:
    case Transferred:
    case FolderCreated:
    case RootFolderSynced:
        m_statusStack->setCurrentIndex(percent < 1 ? 0 : 1);
        showButtons(false, true, false);
        break;
    case Running:
        m_statusStack->setCurrentIndex(1);
        showButtons(false, true, false);
        break;
    case Paused:
        m_statusStack->setCurrentIndex(1);
        m_percentLabel->setText(tr("Stopped"));
        showButtons(true, false, false);
        break;
    case Failed:
    case Cancelled:
    case RootFolderSyncFailed: {
        const QString text = failureText(t);
        m_errorText->setTextFormat(text.contains(QLatin1String("<a ")) ? Qt::RichText : Qt::PlainText);
        m_errorText->setText(text);
        m_statusStack->setCurrentIndex(2);
        showButtons(false, false, true);
        break;
    }
    default:
        break;
    }
}

KSTransferCenterDownloadTaskItemWidget::KSTransferCenterDownloadTaskItemWidget(QWidget *parent)
    : KSTransferCenterUploadTaskItemWidget(parent)
{ }

// ---------------------------------------------------------------------------------------------

KSTransferCenterFinishTaskItemWidget::KSTransferCenterFinishTaskItemWidget(QWidget *parent)
    : KSTransferCenterTaskItemWidget(parent)
{
    auto *statusArea = new QWidget(this);
    statusArea->setObjectName(QStringLiteral("KSTransferCenterFinishStatusArea"));
    statusArea->setFixedSize(174, kRowHeight);
    m_typeLabel = new QLabel(statusArea);
    m_typeLabel->setObjectName(QStringLiteral("KSTransferCenterUploadTaskTypeLabel"));
    KSSkinManager::instance()->applyStyleSheet(
        m_typeLabel, QStringLiteral("CloudDisk/KSTransferCenterUploadTaskTypeLabel"));
    m_typeLabel->setFixedSize(24, 24);
    m_dateLabel = new QLabel(statusArea);
    m_dateLabel->setObjectName(QStringLiteral("KSTransferCenterTableDateLabel"));
    KSSkinManager::instance()->applyStyleSheet(m_dateLabel, QStringLiteral("CloudDisk/KSTransferCenterTableDateLabel"));
    m_dateLabel->setFixedWidth(60);
    m_statusLabel = new QLabel(statusArea);
    m_statusLabel->setObjectName(QStringLiteral("KSTransferCenterTableStatusLabel"));
    KSSkinManager::instance()->applyStyleSheet(
        m_statusLabel, QStringLiteral("CloudDisk/KSTransferCenterTableStatusLabel"));
    m_statusLabel->setFixedWidth(78);
    auto *statusLayout = new QHBoxLayout(statusArea);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(0);
    statusLayout->addWidget(m_typeLabel, 0, Qt::AlignVCenter);
    statusLayout->addWidget(m_dateLabel, 0, Qt::AlignVCenter);
    statusLayout->addSpacing(4);
    statusLayout->addWidget(m_statusLabel, 0, Qt::AlignVCenter);

    m_openButton = makeButton(QStringLiteral("KSTransferCenterOpenBtn"));
    m_shareButton = makeButton(QStringLiteral("KSTransferCenterShareBtn"));
    connect(m_openButton, &QToolButton::clicked, this, [this] { emit sigOpen(task()); });
    connect(m_shareButton, &QToolButton::clicked, this, [this] { emit sigShare(task()); });

    QWidget *buttonBox = makeButtonBox(this, {m_openButton, m_shareButton, m_deleteButton});
    m_deleteButton->hide();

    m_layout->addWidget(statusArea);
    m_layout->addSpacing(16);
    m_layout->addWidget(buttonBox);
    m_layout->addStretch();
    m_layout->setContentsMargins(0, 0, 10, 0);
    retranslateUi();
}

KSTransferCenterFinishTaskItemWidget::~KSTransferCenterFinishTaskItemWidget() = default;

void KSTransferCenterFinishTaskItemWidget::retranslateUi()
{
    m_shareButton->setToolTip(tr("Share"));
    m_deleteButton->setToolTip(tr("Clear Record"));
    m_openButton->setToolTip(
        m_task && m_task->fileType() < 3 ? tr("Go to Project") : tr("TransferCenter Reveal in Explorer"));
    for (QToolButton *button : {m_openButton, m_shareButton, m_deleteButton})
        button->setAccessibleName(button->toolTip());
    if (m_task)
        m_statusLabel->setText(QLatin1Char(' ') + (m_task->isUpload() ? tr("Uploaded") : tr("Downloaded")));
}

void KSTransferCenterFinishTaskItemWidget::setItem(QListWidgetItem *item)
{
    KSTransferCenterTaskItemWidget::setItem(item);
    m_task = task();
    m_dateLabel->clear();
    m_statusLabel->clear();
    retranslateUi();
    if (!m_task)
        return;
    if (m_task->totalSize() > 0)
        m_sizeLabel->setText(KSTransferCenter::formatSize(m_task->totalSize()));
    const QString typeName = m_task->isDownload() ? QStringLiteral("KSTransferCenterdownloadTaskTypeLabel")
                                                  : QStringLiteral("KSTransferCenterUploadTaskTypeLabel");
    if (m_typeLabel->objectName() != typeName) {
        m_typeLabel->setObjectName(typeName);
        KSSkinManager::instance()->applyStyleSheet(m_typeLabel, QStringLiteral("CloudDisk/") + typeName);
    }
    if (m_task->isDownload()) {
        m_shareButton->hide();
        m_openButton->show();
    } else {
        m_openButton->hide();
        m_shareButton->setVisible(m_task->fileType() != CustomCompoundClipFile);
    }
    const QString format = KSLocale::isLanguageType(2) || KSLocale::isLanguageType(3) ? QStringLiteral("dd/MM/yyyy")
                                                                                      : QStringLiteral("yyyy/MM/dd");
    m_dateLabel->setText(QDateTime::fromMSecsSinceEpoch(m_task->timeStamp()).toLocalTime().toString(format));
}

void KSTransferCenterFinishTaskItemWidget::updateState()
{ }

// ---------------------------------------------------------------------------------------------

KSTransferCenterLimitItemWidget::KSTransferCenterLimitItemWidget(QWidget *parent)
    : KSWidget(parent)
{
    setObjectName(QStringLiteral("KSTransferCenterLimitItemWidget"));
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("KSTransferCenterRecordNumberTipLabel"));
    KSSkinManager::instance()->applyStyleSheet(
        m_label, QStringLiteral("CloudDisk/KSTransferCenterRecordNumberTipLabel"));
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 20, 0);
    layout->addStretch();
    layout->addWidget(m_label, 0, Qt::AlignVCenter);
    retranslateUi();
}

void KSTransferCenterLimitItemWidget::retranslateUi()
{
    m_label->setText(tr("*Up to 200 transmission history records"));
}
