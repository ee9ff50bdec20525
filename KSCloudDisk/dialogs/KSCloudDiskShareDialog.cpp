#include "KSCloudDiskShareDialog.h"

#include "IKSAppInfo.h"
#include "IKSTQIDAccount.h"
#include "KSBaseLog.h"
#include "KSCloudDiskShareWidget.h"
#include "KSCloudDiskTrackEvent.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSLocale.h"
#include "KSNetwork.h"
#include "KSStringUtils.h"
#include "KSupportedFilter.h"

#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

namespace {
constexpr int kDialogWidth = 480;
constexpr int kTitleBudget = 210;
constexpr int kLanguageNameFirst = 7;
constexpr int kFileTypeProject = 0;
constexpr int kFileTypeProjectArchive = 1;
constexpr int kFileTypeProjectTemplate = 2;
constexpr int kFileTypeMediaResource = 7;
constexpr int kCodeFileCorrupted = 381413;
constexpr int kCodeMembershipSize = 381407;
constexpr qint64 kMiB = 1048576;
const char kWindowName[] = "cloud_share";
} // namespace

KSCloudDiskShareDialog::KSCloudDiskShareDialog(IKSCloudDisk *service, const QString &fileId, int fileType, qint64 size,
    const QString &suffix, const QString &source, QWidget *parent)
    : KSFramelessDialog(parent)
    , m_service(service)
    , m_fileId(fileId)
    , m_fileType(fileType)
    , m_size(size)
    , m_suffix(suffix)
    , m_source(source)
{
    setObjectName(QStringLiteral("KSCloudDiskShareDialog"));
    setStyleKey(QStringLiteral("CloudDisk/KSCloudDiskShareDialog"));
    setFixedWidth(kDialogWidth);
    setContentMargins(24, 0, 24, 16);
    m_category = categoryOfSuffix(suffix);

    auto *content = new KSWidget;
    content->setObjectName(QStringLiteral("shareContent"));
    m_shareWidget = new KSCloudDiskShareWidget(content);
    m_shareWidget->setPermissionVisible(m_category == 1);
    m_errorTip = new QLabel(content);
    m_errorTip->setObjectName(QStringLiteral("lblErrorTip"));
    m_errorTip->setWordWrap(true);
    m_errorTip->hide();
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_shareWidget);
    layout->addWidget(m_errorTip);
    setContentWidget(content);

    m_cancelButton = addButton(QString(), SecondaryRole);
    m_createButton = addButton(QString(), PrimaryRole);
    button(m_cancelButton)->setObjectName(QStringLiteral("btnCancel"));
    button(m_createButton)->setObjectName(QStringLiteral("btnCreateLink"));
    titleBar()->setTitleVisible(false);
    // Without its title the bar would let the close button drift to the middle.
    if (auto *bar = qobject_cast<QBoxLayout *>(titleBar()->layout()))
        bar->insertStretch(qMax(0, bar->indexOf(titleBar()->titleLabel())), 1);

    if (m_service)
        m_service->attach(this);
    if (IKSProjectManager *projects = IKSProjectManager::getInstance())
        m_mediaConnector.connect(projects->getMediaItemManager(), this);

    connect(this, &KSFramelessDialog::sigButtonClick, this, &KSCloudDiskShareDialog::slotButtonClicked);
    connect(m_shareWidget, &KSCloudDiskShareWidget::sigPasswordModeChanged, this, [this] { adjustSize(); });
    retranslateUi();
}

KSCloudDiskShareDialog::~KSCloudDiskShareDialog()
{
    if (m_service)
        m_service->detach(this);
    if (m_toast)
        m_toast->hide();
}

int KSCloudDiskShareDialog::categoryOfSuffix(const QString &suffix)
{
    if (suffix.compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0)
        return 2;
    switch (KSupportedFilter::getFileTypeFromFilter(suffix)) {
    case 0:
        return 1;
    case 2:
        return 2;
    case 1:
        return 3;
    case 3:
        return 4;
    default:
        return 0;
    }
}

QString KSCloudDiskShareDialog::projectTypeCode(const QString &suffix)
{
    static const QHash<QString, QString> codes{{QStringLiteral("vqp"), QStringLiteral("0")},
        {QStringLiteral("vqpbundle"), QStringLiteral("1")}, {QStringLiteral("vqpxii"), QStringLiteral("3")},
        {QStringLiteral("vqpbundlexii"), QStringLiteral("4")}, {QStringLiteral("vqpx"), QStringLiteral("5")},
        {QStringLiteral("vqpbundlex"), QStringLiteral("6")}};
    return codes.value(suffix.toLower());
}

void KSCloudDiskShareDialog::setFileName(const QString &fileName)
{
    m_fileName = fileName;
    retranslateUi();
}

void KSCloudDiskShareDialog::retranslateUi()
{
    const QString word = tr("Share");
    const QFontMetrics metrics(m_shareWidget->lblTitle->font());
    const int budget = kTitleBudget - metrics.horizontalAdvance(word);
    const QString quoted
        = QStringLiteral("\"%1\"").arg(metrics.elidedText(m_fileName, Qt::ElideMiddle, qMax(budget, 0)));
    const QString title = KSLocale::languageType() == kLanguageNameFirst ? quoted + QLatin1Char(' ') + word
                                                                         : word + QLatin1Char(' ') + quoted;
    m_shareWidget->lblTitle->setText(title);
    setTitle(title);
    button(m_cancelButton)->setText(tr("Cancel"));
    button(m_createButton)->setText(tr("Create Link"));
}

bool KSCloudDiskShareDialog::event(QEvent *event)
{
    // Showing or hiding the password row changes the height the dialog needs.
    if (event->type() == QEvent::LayoutRequest)
        resize(sizeHint());
    return KSFramelessDialog::event(event);
}

QString KSCloudDiskShareDialog::resultAddress() const
{
    return m_result;
}

int KSCloudDiskShareDialog::shareCategory() const
{
    return m_category;
}

bool KSCloudDiskShareDialog::isBusy() const
{
    return m_busy;
}

KSCloudDiskShareWidget *KSCloudDiskShareDialog::shareWidget() const
{
    return m_shareWidget;
}

QString KSCloudDiskShareDialog::sourceDetail() const
{
    return m_fileType == kFileTypeProjectTemplate ? QStringLiteral("media_project_template") : QString();
}

QString KSCloudDiskShareDialog::accessToken() const
{
    IKSTQIDAccount *account = getTQIDAccount();
    return account ? account->accessToken() : QString();
}

void KSCloudDiskShareDialog::setBusy(bool busy)
{
    m_busy = busy;
    button(m_cancelButton)->setEnabled(!busy);
    button(m_createButton)->setEnabled(!busy);
    setCloseButtonEnabled(!busy);
}

bool KSCloudDiskShareDialog::acceptCloseRequest(CloseReason)
{
    KSCloudDiskBtnClickEvent(QLatin1String(kWindowName), QStringLiteral("close"), QString()).sendEvent();
    return button(m_cancelButton)->isEnabled();
}

void KSCloudDiskShareDialog::showError(const QString &text)
{
    m_errorTip->setText(text);
    m_errorTip->show();
}

QString KSCloudDiskShareDialog::failureText(int code) const
{
    if (!KSNetwork::IsNetworkDeviceValid())
        return tr("There is no network, please check the network before clicking share.");
    if (code == kCodeFileCorrupted)
        return tr("Sorry, the file is corrupted, please check it before clicking share.");
    if (code == kCodeMembershipSize)
        return tr("Your cloud membership benefits don't support sharing files of this size, please upgrade your "
                  "membership and try again.");
    return tr("Sorry,link creation failed.Please recreate the link.");
}

void KSCloudDiskShareDialog::slotButtonClicked(int id)
{
    if (id == m_cancelButton) {
        KSCloudDiskBtnClickEvent(QLatin1String(kWindowName), QStringLiteral("Cancel"), QString()).sendEvent();
        reject();
    } else if (id == m_createButton) {
        createLink();
    }
}

void KSCloudDiskShareDialog::createLink()
{
    setBusy(true);
    m_errorTip->hide();
    if (!m_service || !m_service->waitLoginFinished(this, 1)) {
        setBusy(false);
        return;
    }
    KSCloudDiskBtnClickEvent(QLatin1String(kWindowName), QStringLiteral("create_link"), QString()).sendEvent();
    KSCloudDiskClickCreateLinkEvent(m_suffix, m_size, m_fileId, m_source, QString()).sendEvent();
    m_result.clear();
    const QString password = m_shareWidget->password();

    if (m_category != 0) {
        IKSMediaItemManager *media = m_mediaConnector.subject();
        if (!media) {
            setBusy(false);
            showError(failureText(-1));
            return;
        }
        const bool withPermissions = m_category == 1;
        media->createResourceShare(m_fileId, m_fileType == kFileTypeMediaResource ? 1 : 2, password,
            withPermissions ? m_shareWidget->allowDownload() : true,
            withPermissions ? m_shareWidget->allowComment() : false, withPermissions, m_shareWidget->validitySeconds(),
            accessToken());
        return;
    }

    KSCloudShareParam param;
    param.token = accessToken();
    param.fileId = m_fileId;
    param.accessCode = password;
    param.expiresIn = m_shareWidget->validityDays() == 0 ? -1 : m_shareWidget->validitySeconds();
    param.reserved = 0;
    const bool projectLike = m_fileType == kFileTypeProject || m_fileType == kFileTypeProjectArchive
        || m_fileType == kFileTypeProjectTemplate;
    param.type = projectLike ? 1 : 0;
    if (m_fileType == kFileTypeProject || m_fileType == kFileTypeProjectArchive)
        param.tags.insert(QStringLiteral("assertion"), projectTypeCode(m_suffix));
    else if (m_fileType == kFileTypeProjectTemplate)
        param.tags.insert(QStringLiteral("assertion"), QStringLiteral("2"));
    m_service->share(param);
}

bool KSCloudDiskShareDialog::storageFull() const
{
    const KSCloudDiskInfo info = m_service->getDiskInfo();
    return info.totalSize / kMiB < info.usedSize / kMiB || (info.totalSize >= 1 && info.totalSize - info.usedSize < 1);
}

void KSCloudDiskShareDialog::onCloudDiskOperationDone(KSCloudDiskOperation operation)
{
    if (operation == Share && m_busy && m_category == 0)
        onDriveShareDone();
}

void KSCloudDiskShareDialog::onDriveShareDone()
{
    setBusy(false);
    if (storageFull()) {
        const bool buy = KOldMessageDialog::question(this, tr("Lack of Storage"),
            tr("Insufficient cloud storage. Please buy more."), tr("Buy Storage"), tr("Cancel"), 2);
        bool abort = false;
        if (buy) {
            KSCloudDiskBtnClickEvent(QStringLiteral("membership_expired"), QStringLiteral("buy"), QString())
                .sendEvent();
            if (KSCloudDiskViewPresenter *presenter = m_service->getPresenter())
                emit presenter->sigOpenExpandPage(abort, false);
        }
        if (!buy || abort) {
            reject();
            return;
        }
    }
    const KSCloudShareResult result = m_service->getShareResult();
    if (result.linkAddress.isEmpty()) {
        KSCloudDiskShareFailedEvent(m_suffix, m_size, m_fileId, m_source, result.code, sourceDetail()).sendEvent();
        showError(failureText(result.code));
        return;
    }
    IKSMediaItemManager *media = m_mediaConnector.subject();
    if (!media) {
        showError(failureText(-1));
        return;
    }
    setBusy(true);
    const int productId = IKSAppInfo::getInstance()->getValue(IKSAppInfo::ProductId).toInt();
    media->registerDriveShare(result.linkId, productId, m_shareWidget->password(), true, false, false,
        m_shareWidget->validitySeconds(), accessToken());
}

void KSCloudDiskShareDialog::onCloudResourceReply(const KSCloudResourceReply &reply)
{
    if (reply.kind != KSCloudResourceShareCreated || !m_busy)
        return;
    if (reply.objectId.isEmpty()) {
        KSCloudDiskShareFailedEvent(m_suffix, m_size, m_fileId, m_source, reply.code, sourceDetail()).sendEvent();
        showError(failureText(-1));
        setBusy(false);
        return;
    }
    if (KSCloudDiskViewPresenter *presenter = m_service ? m_service->getPresenter() : nullptr)
        emit presenter->sigGetShareUrl(reply.objectId, this);
}

void KSCloudDiskShareDialog::slotGetShareUrl(const QString &address)
{
    setBusy(false);
    if (address.isEmpty()) {
        KSCloudDiskShareFailedEvent(m_suffix, m_size, m_fileId, m_source, QStringLiteral("cbs error"), sourceDetail())
            .sendEvent();
        showError(failureText(-1));
        KSLOG_INFO("share url is empty");
        return;
    }
    m_result = address;
    if (m_toast)
        m_toast->hide();
    m_toast = KSToast::showToastBySequence(
        tr("Link copied successfully!"), QString(), QStringLiteral(":/Resource/icon24_success.png"), this, {});
    const QString password = m_shareWidget->password();
    QString text = address;
    if (!password.isEmpty()) {
        text = QStringLiteral("%1 %2").arg(tr("Link:"), address) + QStringLiteral("\r\n")
            + QStringLiteral("%1: %2").arg(tr("Extraction code"), password);
    }
    QApplication::clipboard()->setText(text);
}
