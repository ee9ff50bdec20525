#include "KSCloudSpaceSelectDownloadAddressDialog.h"

#include "KSCloudSpaceDownloadPathFile.h"
#include "KSConfigEngine.h"

#include <QBoxLayout>
#include <QLabel>

struct KSCloudSpaceSelectDownloadAddressDialog::Private {
    QString fileName;
    QLabel *titleLabel = nullptr;
    KSOpenFileLineEdit *pathEdit = nullptr;
    KSCheckBox *defaultCheck = nullptr;
    int cancelIndex = -1;
    int downloadIndex = -1;
    QString resultPath;
    int mode = 2;
};

KSCloudSpaceSelectDownloadAddressDialog::KSCloudSpaceSelectDownloadAddressDialog(
    QWidget *parent, int mode, const QString &initialPath, const QString &fileName)
    : KSFramelessDialog(parent)
    , d(new Private)
{
    d->fileName = fileName;
    d->mode = mode;
    setObjectName(QStringLiteral("KSCloudSpaceSelectDownloadAddressDialog"));
    // A blank title keeps the bar's height without naming the window twice.
    setTitle(QStringLiteral(" "));
    setFixedHeight(224);
    // Wide enough that a usual download folder shows whole rather than as its last few characters.
    setMinimumWidth(440);
    KSUIStyle::setBackgroundColorType(this, 11);

    auto *content = new KSWidget;
    content->setObjectName(QStringLiteral("selectDownloadAddressContent"));
    d->titleLabel = new QLabel(content);
    d->titleLabel->setObjectName(QStringLiteral("lblDownloadTitle"));
    d->titleLabel->setFixedHeight(24);
    d->titleLabel->setMinimumWidth(100);
    d->titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    d->titleLabel->setWordWrap(true);
    KSUIStyle::setLabelStyle(d->titleLabel, 56, 2);

    d->pathEdit = new KSOpenFileLineEdit(content);
    d->pathEdit->setObjectName(QStringLiteral("downloadPathEdit"));
    d->pathEdit->setFont(KSSkinManager::instance()->getFont(6));
    d->pathEdit->setReadOnly(true);
    d->pathEdit->setFixedHeight(24);
    d->pathEdit->setMinimumWidth(100);

    d->defaultCheck = new KSCheckBox(content);
    d->defaultCheck->setObjectName(QStringLiteral("defaultAddressCheckBox"));
    d->defaultCheck->setFont(KSSkinManager::instance()->getFont(6));
    d->defaultCheck->setFixedHeight(16);
    d->defaultCheck->setMinimumWidth(100);

    d->cancelIndex = addButton(QString(), SecondaryRole);
    d->downloadIndex = addButton(QString(), PrimaryRole);
    button(d->cancelIndex)->setObjectName(QStringLiteral("btnCancel"));
    button(d->downloadIndex)->setObjectName(QStringLiteral("btnDownload"));

    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(24, 0, 24, 0);
    layout->setSpacing(0);
    layout->addSpacing(4);
    layout->addWidget(d->titleLabel);
    layout->addSpacing(40);
    layout->addWidget(d->pathEdit);
    layout->addSpacing(12);
    layout->addWidget(d->defaultCheck);
    layout->addStretch(1);
    setContentWidget(content);

    const KSCloudSpaceDownloadPathFile file;
    d->pathEdit->setText(initialPath.isEmpty() ? file.loadPath(mode) : initialPath);
    d->defaultCheck->setChecked(file.loadRemember());

    connect(this, &KSFramelessDialog::sigButtonClick, this, [this](int index) {
        if (index == d->downloadIndex)
            slotOk();
        else if (index == d->cancelIndex)
            reject();
    });
    retranslateUi();
}

KSCloudSpaceSelectDownloadAddressDialog::~KSCloudSpaceSelectDownloadAddressDialog() = default;

QString KSCloudSpaceSelectDownloadAddressDialog::resultPath() const
{
    return d->resultPath;
}

int KSCloudSpaceSelectDownloadAddressDialog::mode() const
{
    return d->mode;
}

void KSCloudSpaceSelectDownloadAddressDialog::retranslateUi()
{
    KSFramelessDialog::retranslateUi();
    if (!d)
        return;
    d->titleLabel->setText(tr("Download"));
    d->defaultCheck->setText(tr("Set as the default address"));
    button(d->cancelIndex)->setText(tr("Cancel"));
    button(d->downloadIndex)->setText(tr("Download"));
}

void KSCloudSpaceSelectDownloadAddressDialog::slotOk()
{
    if (d->fileName.length() + d->pathEdit->text().length() >= kLongNameLimit) {
        // Only a warning: the download still goes where the user chose.
        KSCommonTipDialog::showTip(this, tr("Filename too long"),
            tr("The file name is too long may cause the file cannot be opened after downloading"));
    }
    d->resultPath = d->pathEdit->text();
    const bool remember = d->defaultCheck->isChecked();
    const KSCloudSpaceDownloadPathFile file;
    if (remember)
        file.writeElement(KSCloudSpaceDownloadPathFile::elementName(d->mode), d->resultPath);
    file.writeElement(
        KSCloudSpaceDownloadPathFile::rememberElementName(), remember ? QStringLiteral("1") : QStringLiteral("0"));
    KSConfigEngine::instance()->setValue(1, QStringLiteral("CLOUD_SPACE"), QStringLiteral("DEFAULT_FOLDER"), remember);
    accept();
}
