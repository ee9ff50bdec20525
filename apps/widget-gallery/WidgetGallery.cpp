#include "WidgetGallery.h"

#include "KSWidgets.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

KSSkinManager *skin()
{
    return KSSkinManager::instance();
}

QLabel *keyedLabel(const QString &name, const QString &text = QString(), QWidget *parent = nullptr)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    skin()->applyStyleSheet(label, QStringLiteral("CloudDisk/") + name);
    return label;
}

KSToolButton *keyedButton(const QString &name, const QString &tip)
{
    auto *button = new KSToolButton;
    button->setObjectName(name); // takes "BasicWidget/<name>"
    button->setFixedSize(24, 24);
    button->setToolTip(tip);
    return button;
}

// A transfer-list row as the plug-in paints it: a rounded fill in skin colour 26 (hover) or 28
// (selected), nothing otherwise.
class SampleRow : public KSWidget
{
public:
    explicit SampleRow(int fillColor)
        : m_fillColor(fillColor)
    {
        setFixedHeight(56);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_fillColor)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(skin()->getColor(m_fillColor));
        painter.drawRoundedRect(QRectF(rect()), 8, 8);
    }

private:
    int m_fillColor;
};

// The floating share-download widget as the plug-in draws it: styled background, then the ring.
class SampleFloating : public KSWidget
{
public:
    SampleFloating(int percent, const QString &status)
        : m_percent(percent)
        , m_failed(status == QLatin1String("Failed"))
    {
        setObjectName(QStringLiteral("KSCloudDiskFloatingWidget"));
        setFixedSize(48, 48);
        auto *label = new QLabel(QStringLiteral("%1%").arg(percent), this);
        label->setObjectName(QStringLiteral("lblProgress"));
        label->setProperty("Status", status);
        label->setAlignment(Qt::AlignCenter);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(label);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        KSWidget::paintEvent(event);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(skin()->getColor(m_failed ? 69 : 7), 4));
        painter.drawArc(QRectF(rect()).adjusted(4, 4, -4, -4), 90 * 16, -m_percent * 360 * 16 / 100);
    }

private:
    int m_percent;
    bool m_failed;
};

} // namespace

WidgetGallery::WidgetGallery(const QDir &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
{ }

QStringList WidgetGallery::render(KSSkinManager::Skin which)
{
    m_written.clear();
    skin()->setSkin(which);
    m_folder.mkpath(skin()->skinName());
    dialogs();
    messageBoxes();
    buttons();
    toolButtons();
    checkBoxes();
    fields();
    progress();
    transferCenter();
    emptyStates();
    floatingAndToast();
    return m_written;
}

QStringList WidgetGallery::missingResources()
{
    QStringList missing;
    static const QRegularExpression url(QStringLiteral("url\\((:[^)]+)\\)"));
    for (auto which : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
        skin()->setSkin(which);
        QString all = skin()->applicationStyleSheet();
        const QStringList keys = skin()->styleKeys();
        for (const QString &key : keys)
            all += skin()->styleSheet(key);
        auto matches = url.globalMatch(all);
        while (matches.hasNext()) {
            const QString path = matches.next().captured(1);
            if (!QFile::exists(path) && !missing.contains(path))
                missing.append(path);
        }
    }
    return missing;
}

void WidgetGallery::save(QWidget *window, const QString &name)
{
    // Shown, so that polish, layouts and show-driven state (rings) are real; offscreen nothing appears.
    // Sized by hand: showing alone would keep a window within two thirds of the (small) screen.
    window->ensurePolished();
    if (window->layout())
        window->layout()->activate();
    window->resize(window->sizeHint().expandedTo(window->minimumSizeHint()));
    window->show();
    QApplication::processEvents();
    const QPixmap shot = window->grab();
    QImage out(shot.size() + QSize(32, 32), QImage::Format_ARGB32_Premultiplied);
    out.fill(skin()->getColor(2));
    QPainter painter(&out);
    painter.drawPixmap(16, 16, shot);
    painter.end();
    const QString path = m_folder.filePath(skin()->skinName() + QLatin1Char('/') + name + QStringLiteral(".png"));
    if (out.save(path))
        m_written.append(path);
    window->close();
    delete window;
}

QWidget *WidgetGallery::sheet(QGridLayout **grid) const
{
    auto *page = new KSWidget;
    KSUIStyle::setBackgroundColorType(page, 11);
    *grid = new QGridLayout(page);
    (*grid)->setContentsMargins(24, 24, 24, 24);
    (*grid)->setHorizontalSpacing(20);
    (*grid)->setVerticalSpacing(12);
    return page;
}

QWidget *WidgetGallery::hovered(QWidget *sample, QWidget *target) const
{
    // Style sheets show :hover only after a real enter, and only one widget is under the mouse at a
    // time: each hovered sample is captured on its own, under the (virtual) cursor.
    auto *window = new KSWidget;
    KSUIStyle::setBackgroundColorType(window, 11);
    auto *layout = new QHBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sample);
    window->adjustSize();
    window->show();
    QApplication::processEvents();
    QWidget *under = target ? target : sample;
    QCursor::setPos(under->mapToGlobal(under->rect().center()));
    QApplication::processEvents();
    auto *label = new QLabel;
    label->setPixmap(window->grab());
    QCursor::setPos(QPoint(-1000, -1000));
    QApplication::processEvents();
    delete window;
    return label;
}

void WidgetGallery::addCaption(QGridLayout *grid, int row, int column, const QString &text) const
{
    auto *caption = new QLabel(text);
    KSUIStyle::setLabelStyle(caption, 57, 8);
    grid->addWidget(caption, row, column);
}

void WidgetGallery::dialogs()
{
    for (bool busy : {false, true}) {
        auto *dialog = new KSFramelessDialog;
        dialog->setObjectName(QStringLiteral("KSCloudDiskShareDialog"));
        dialog->setTitle(tr("Share \"Holiday in Lisbon.mp4\""));
        dialog->setFixedWidth(480);
        auto *form = new KSWidget;
        auto *grid = new QGridLayout(form);
        grid->setContentsMargins(0, 8, 0, 8);
        grid->setHorizontalSpacing(12);
        grid->setVerticalSpacing(14);
        auto *without = new QRadioButton(tr("Without password"));
        without->setObjectName(QStringLiteral("m_pWithoutPWBtn"));
        auto *with = new QRadioButton(tr("With password"));
        with->setObjectName(QStringLiteral("m_pWithPWBtn"));
        with->setChecked(true);
        auto *radios = new QHBoxLayout;
        radios->setSpacing(24);
        radios->addWidget(without);
        radios->addWidget(with);
        radios->addStretch();
        grid->addLayout(radios, 0, 0, 1, 3);
        auto *pwLabel = new QLabel(tr("Password") + QStringLiteral(":"));
        pwLabel->setObjectName(QStringLiteral("m_pPWLbl"));
        grid->addWidget(pwLabel, 1, 0);
        auto *password = new KSLineEdit;
        password->setObjectName(QStringLiteral("m_pPasswordEdt"));
        password->setText(QStringLiteral("a3F9"));
        password->setFixedSize(96, 28);
        grid->addWidget(password, 1, 1);
        auto *pwTip = new QLabel(tr("Support 4 letters or numbers"));
        pwTip->setObjectName(QStringLiteral("m_pPWTipLbl"));
        grid->addWidget(pwTip, 1, 2);
        auto *periodLabel = new QLabel(tr("Validity Period") + QStringLiteral(":"));
        periodLabel->setObjectName(QStringLiteral("m_pPeriodLbl"));
        grid->addWidget(periodLabel, 2, 0);
        auto *period = new QComboBox;
        period->setObjectName(QStringLiteral("m_pPeriodCbb"));
        period->addItems({tr("Permanent"), tr("1 day"), tr("7 days"), tr("30 days")});
        period->setCurrentIndex(2);
        period->setFixedSize(120, 28);
        grid->addWidget(period, 2, 1, 1, 2, Qt::AlignLeft);
        auto *permission = new QLabel(tr("Permission") + QStringLiteral(":"));
        permission->setObjectName(QStringLiteral("m_pPermissionLbl"));
        grid->addWidget(permission, 3, 0);
        auto *boxes = new QHBoxLayout;
        boxes->setSpacing(24);
        for (const QString &text : {tr("Allow downloads"), tr("Allow comments")}) {
            auto *box = new KSCheckBox(text);
            box->setChecked(true);
            boxes->addWidget(box);
        }
        boxes->addStretch();
        grid->addLayout(boxes, 3, 1, 1, 2);
        auto *tipIcon = new QLabel;
        tipIcon->setObjectName(QStringLiteral("lblTipIcon"));
        auto *tip = new QLabel(busy ? tr("Sorry,link creation failed.Please recreate the link.")
                                    : tr("The number of downloads is determined by the cloud membership rights."));
        tip->setObjectName(busy ? QStringLiteral("lblErrorTip") : QStringLiteral("m_pTipLable"));
        tip->setWordWrap(true);
        auto *tipRow = new QHBoxLayout;
        tipRow->addWidget(tipIcon, 0, Qt::AlignTop);
        tipRow->addWidget(tip, 1);
        grid->addLayout(tipRow, 4, 0, 1, 3);
        grid->setColumnStretch(2, 1);
        dialog->setContentWidget(form);
        dialog->addButton(tr("Cancel"), KSFramelessDialog::SecondaryRole);
        dialog->addButton(tr("Create Link"), KSFramelessDialog::PrimaryRole);
        if (busy) {
            dialog->setCloseButtonEnabled(false);
            dialog->button(0)->setEnabled(false);
            dialog->button(1)->setEnabled(false);
        }
        save(dialog, busy ? QStringLiteral("dialog-frameless-busy") : QStringLiteral("dialog-frameless"));
    }

    // Waiting for a login: a 56 px ring in colour 56, no button bar.
    auto *waiting = new KSFramelessDialog;
    waiting->setObjectName(QStringLiteral("KSCloudDiskReLoginDialog"));
    waiting->setTitle(tr("Cloud space"));
    waiting->setFixedSize(500, 200);
    waiting->setButtonBarVisible(false);
    waiting->setCloseButtonEnabled(false);
    auto *page = new KSWidget;
    auto *column = new QVBoxLayout(page);
    auto *ring = new KSLoadingWidget(nullptr, 56);
    ring->setColorIndex(56);
    ring->start();
    column->addStretch();
    column->addWidget(ring, 0, Qt::AlignHCenter);
    column->addSpacing(12);
    auto *waitingText = new QLabel(tr("Logging in to cloud space. Please wait."));
    waitingText->setObjectName(QStringLiteral("lblText"));
    column->addWidget(waitingText, 0, Qt::AlignHCenter);
    column->addStretch();
    waiting->setContentWidget(page);
    save(waiting, QStringLiteral("dialog-relogin-waiting"));

    // Opening cloud storage: picture, region in colour 7, the policy box warning, loading button.
    auto *activate = new KSFramelessDialog;
    activate->setObjectName(QStringLiteral("KSCloudDiskActivateDialog"));
    activate->setFixedWidth(480);
    activate->setButtonBarVisible(false);
    auto *body = new KSWidget;
    auto *rows = new QVBoxLayout(body);
    rows->setSpacing(8);
    auto *picture = new QLabel;
    picture->setPixmap(QPixmap(QStringLiteral(":/Resource/img278.png")));
    picture->setFixedSize(278, 190);
    picture->setScaledContents(false);
    picture->setAlignment(Qt::AlignCenter);
    rows->addWidget(picture, 0, Qt::AlignHCenter);
    auto *heading = new QLabel(tr("Open cloud storage and get cloud space for free."));
    heading->setObjectName(QStringLiteral("lblHeading"));
    heading->setWordWrap(true);
    heading->setAlignment(Qt::AlignCenter);
    rows->addWidget(heading);
    auto *region = new QLabel(tr("Your data will be stored in %1, and we will strictly protect your personal data.")
                                  .arg(QStringLiteral("<span style=\" color:%1;\">%2</span>")
                                           .arg(skin()->getColor(7).name(), tr("Europe (Germany)"))));
    region->setObjectName(QStringLiteral("lblRegion"));
    region->setWordWrap(true);
    region->setAlignment(Qt::AlignCenter);
    rows->addWidget(region);
    auto *policyRow = new QHBoxLayout;
    auto *agree = new KSCheckBox;
    agree->setProperty("Status", QStringLiteral("Warning"));
    auto *policy = new QLabel(tr("I accept %1 and %2")
                                  .arg(QStringLiteral("<a href=\"#\">%1</a>").arg(tr("Orvane Privacy Policy")),
                                      QStringLiteral("<a href=\"#\">%1</a>").arg(tr("End User License Agreement"))));
    policy->setObjectName(QStringLiteral("lblPolicy"));
    policy->setWordWrap(true);
    policyRow->addWidget(agree, 0, Qt::AlignTop);
    policyRow->addWidget(policy, 1);
    rows->addLayout(policyRow);
    auto *warn = new QLabel(tr("Please Agree to Our Policy First"));
    warn->setObjectName(QStringLiteral("lblTip"));
    rows->addWidget(warn, 0, Qt::AlignHCenter);
    auto *actions = new QHBoxLayout;
    actions->addStretch();
    actions->addWidget(new KSPushButton(tr("Open"), KSPushButton::PrimaryStyle));
    auto *loading = new KSLoadingButton;
    loading->setMinimumWidth(96);
    actions->addWidget(loading);
    actions->addStretch();
    rows->addStretch();
    rows->addLayout(actions);
    activate->setContentWidget(body);
    save(activate, QStringLiteral("dialog-activate"));

    // Loading a shared file.
    auto *load = new KSFramelessDialog;
    load->setObjectName(QStringLiteral("KSCloudDiskDownloadDialog"));
    load->setTitle(tr("Load File"));
    load->setFixedSize(480, 239);
    load->setButtonBarVisible(false);
    auto *loadBody = new KSWidget;
    auto *loadRows = new QVBoxLayout(loadBody);
    auto *loadText = new QLabel(tr("Loading file. Please wait..."));
    loadText->setObjectName(QStringLiteral("lblText"));
    loadRows->addWidget(loadText);
    auto *bar = new KSProgressBar;
    bar->setObjectName(QStringLiteral("progressBar"));
    bar->setValue(37);
    loadRows->addWidget(bar);
    auto *percent = new QLabel(QStringLiteral("37%"));
    percent->setObjectName(QStringLiteral("lblProgress"));
    loadRows->addWidget(percent, 0, Qt::AlignRight);
    loadRows->addStretch();
    auto *loadButtons = new QHBoxLayout;
    loadButtons->addStretch();
    loadButtons->addWidget(new KSPushButton(tr("Silent loading")));
    loadButtons->addWidget(new KSPushButton(tr("Cancel")));
    loadRows->addLayout(loadButtons);
    load->setContentWidget(loadBody);
    save(load, QStringLiteral("dialog-load"));

    // Choosing a download folder: label style (56, 2), font 6 fields, background colour 11.
    auto *address = new KSFramelessDialog;
    address->setTitle(QStringLiteral(" "));
    address->setFixedSize(480, 224);
    KSUIStyle::setBackgroundColorType(address, 11);
    auto *addressBody = new KSWidget;
    auto *addressRows = new QVBoxLayout(addressBody);
    addressRows->setContentsMargins(0, 0, 0, 0);
    auto *title = new QLabel(tr("Download"));
    KSUIStyle::setLabelStyle(title, 56, 2);
    addressRows->addWidget(title);
    addressRows->addSpacing(24);
    auto *path = new KSOpenFileLineEdit;
    path->setReadOnly(true);
    path->setFont(skin()->getFont(6));
    path->setFixedHeight(24);
    path->setText(QStringLiteral("/home/editor/Videos/Cloud Media/My cloud media"));
    addressRows->addWidget(path);
    addressRows->addSpacing(12);
    auto *remember = new KSCheckBox(tr("Set as the default address"));
    remember->setFont(skin()->getFont(6));
    addressRows->addWidget(remember);
    addressRows->addStretch();
    address->setContentWidget(addressBody);
    address->addButton(tr("Cancel"), KSFramelessDialog::SecondaryRole);
    address->addButton(tr("Download"), KSFramelessDialog::PrimaryRole);
    save(address, QStringLiteral("dialog-download-address"));
}

void WidgetGallery::messageBoxes()
{
    auto *clear = new KSMessageDialog(tr("Clear All Tasks"), tr("Are you sure to clear all tasks?"));
    clear->addButton(tr("Cancel"), KSFramelessDialog::SecondaryRole);
    clear->addButton(tr("Clear"), KSFramelessDialog::WarningRole);
    save(clear, QStringLiteral("message-dialog"));

    auto *question = new KSMessageDialog(tr("Cancel loading tip"),
        tr("Are you sure you want to cancel the load? If you cancel, you need to load the file again to open it."));
    question->addButton(tr("No"), KSFramelessDialog::SecondaryRole);
    question->addButton(tr("Yes"), KSFramelessDialog::PrimaryRole);
    save(question, QStringLiteral("message-dialog-question"));

    save(new KSCommonTipDialog(tr("Filename too long"),
             tr("The file name is too long may cause the file cannot be opened after downloading")),
        QStringLiteral("message-dialog-tip"));

    auto *old = new KOldMessageDialog(KOldMessageDialog::Question_CustomYesNo, tr("Lack of Storage"),
        tr("Insufficient cloud storage. Please buy more."));
    old->setButtonTexts(tr("Buy Storage"), tr("Cancel"));
    old->setIconKind(2);
    save(old, QStringLiteral("message-dialog-old"));
}

void WidgetGallery::buttons()
{
    QGridLayout *grid = nullptr;
    QWidget *page = sheet(&grid);
    const QStringList states = {tr("normal"), tr("hover"), tr("pressed"), tr("disabled")};
    for (int c = 0; c < states.size(); ++c)
        addCaption(grid, 0, c + 1, states.at(c));
    const struct {
        KSPushButton::ButtonStyle style;
        QString name;
    } looks[] = {{KSPushButton::PrimaryStyle, tr("Primary")}, {KSPushButton::SecondaryStyle, tr("Secondary")},
        {KSPushButton::WarningStyle, tr("Warning")}};
    int row = 1;
    for (int size : {32, 24}) {
        for (const auto &look : looks) {
            addCaption(grid, row, 0, QStringLiteral("%1 %2").arg(look.name).arg(size));
            for (int c = 0; c < states.size(); ++c) {
                auto *button = new KSPushButton(look.name, look.style);
                button->setSizeKind(size);
                button->setFocusPolicy(Qt::NoFocus);
                if (c == 2)
                    button->setDown(true);
                if (c == 3)
                    button->setEnabled(false);
                grid->addWidget(c == 1 ? hovered(button) : button, row, c + 1);
            }
            ++row;
        }
    }
    save(page, QStringLiteral("buttons"));
}

void WidgetGallery::toolButtons()
{
    QGridLayout *grid = nullptr;
    QWidget *page = sheet(&grid);
    const QStringList states = {tr("normal"), tr("hover"), tr("pressed"), tr("disabled")};
    for (int c = 0; c < states.size(); ++c)
        addCaption(grid, 0, c + 1, states.at(c));
    const auto setOf = [](const QString &stem, const QString &suffix) {
        QStringList images;
        for (const char *state : {"disabled", "pressed", "hover", "normal"})
            images << QStringLiteral(":/Resource/%1-%2%3.png").arg(stem, QLatin1String(state), suffix);
        return images;
    };
    const QList<QPair<QString, QStringList>> sets = {
        {tr("no task"), setOf(QStringLiteral("icon24_no_task"), QString())},
        {tr("pause all"), setOf(QStringLiteral("icon24_pause all"), QString())},
        {tr("all failed"), setOf(QStringLiteral("icon24_all failed"), QString())},
        {tr("busy, frame 3"), setOf(QStringLiteral("icon24_delivery"), QStringLiteral("03"))},
        {tr("missing images"), setOf(QStringLiteral("icon24_not_there"), QString())},
    };
    int row = 1;
    for (const auto &set : sets) {
        addCaption(grid, row, 0, set.first);
        for (int c = 0; c < states.size(); ++c) {
            auto *button = new KSToolButton;
            button->setFixedSize(24, 24);
            button->setImageButton(set.second);
            if (c == 1)
                button->setAttribute(Qt::WA_UnderMouse);
            if (c == 2)
                button->setDown(true);
            if (c == 3)
                button->setEnabled(false);
            grid->addWidget(button, row, c + 1);
        }
        ++row;
    }
    const QStringList keyed
        = {QStringLiteral("KSTransferCenterListCellStatePlay"), QStringLiteral("KSTransferCenterListCellStatePause"),
            QStringLiteral("KSTransferCenterListCellStateRetry"), QStringLiteral("KSTransferCenterListCellStateDelete"),
            QStringLiteral("KSTransferCenterOpenBtn"), QStringLiteral("KSTransferCenterShareBtn")};
    for (const QString &name : keyed) {
        addCaption(grid, row, 0, name.mid(int(qstrlen("KSTransferCenter"))));
        for (int c = 0; c < 3; ++c) {
            KSToolButton *button = keyedButton(name, name);
            if (c == 2)
                button->setDown(true);
            grid->addWidget(c == 1 ? hovered(button) : button, row, c + 1);
        }
        ++row;
    }
    // Title bars show their window's title.
    page->setWindowTitle(tr("Title bar"));
    addCaption(grid, row, 0, tr("title bar"));
    auto *bar = new KSTitleBar;
    bar->setButtons(KSTitleBar::MinimizeButton | KSTitleBar::MaximizeButton | KSTitleBar::CloseButton);
    grid->addWidget(bar, row, 1, 1, 2);
    addCaption(grid, row + 1, 0, tr("close hovered"));
    auto *hoverBar = new KSTitleBar;
    hoverBar->setFixedWidth(160);
    grid->addWidget(hovered(hoverBar, hoverBar->button(KSTitleBar::CloseButton)), row + 1, 1, 1, 2);
    auto *disabled = new KSTitleBar;
    disabled->setCloseButtonEnabled(false);
    grid->addWidget(disabled, row, 3, 1, 2);
    save(page, QStringLiteral("tool-buttons"));
}

void WidgetGallery::checkBoxes()
{
    QGridLayout *grid = nullptr;
    QWidget *page = sheet(&grid);
    const QStringList captions
        = {tr("unchecked"), tr("checked"), tr("hover"), tr("Status Warning"), tr("disabled"), tr("disabled, checked")};
    for (int c = 0; c < captions.size(); ++c) {
        addCaption(grid, 0, c, captions.at(c));
        auto *box = new KSCheckBox(tr("Allow downloads"));
        box->setChecked(c == 1 || c == 5);
        if (c == 3)
            box->setProperty("Status", QStringLiteral("Warning"));
        box->setEnabled(c < 4);
        grid->addWidget(c == 2 ? hovered(box) : box, 1, c);
        if (c == 2 || c == 3)
            continue;
        auto *radio = new QRadioButton(tr("With password"));
        radio->setChecked(c == 1 || c == 5);
        radio->setEnabled(c < 4);
        grid->addWidget(radio, 2, c);
    }
    save(page, QStringLiteral("check-boxes"));
}

void WidgetGallery::fields()
{
    QGridLayout *grid = nullptr;
    QWidget *page = sheet(&grid);
    page->setFixedWidth(720);
    int row = 0;
    const auto add = [&](const QString &caption, QWidget *widget) {
        addCaption(grid, row, 0, caption);
        grid->addWidget(widget, row++, 1);
    };
    auto *plain = new KSLineEdit;
    plain->setText(tr("Holiday in Lisbon"));
    add(tr("line edit"), plain);
    auto *empty = new KSLineEdit;
    empty->setPlaceholderText(tr("Support 4 letters or numbers"));
    add(tr("placeholder"), empty);
    auto *focused = new KSLineEdit;
    focused->setText(tr("Focused"));
    add(tr("focus"), focused);
    auto *readOnly = new KSLineEdit;
    readOnly->setReadOnly(true);
    readOnly->setText(tr("Read-only"));
    add(tr("read-only"), readOnly);
    auto *disabled = new KSLineEdit;
    disabled->setText(tr("Disabled"));
    disabled->setEnabled(false);
    add(tr("disabled"), disabled);
    auto *folder = new KSOpenFileLineEdit;
    folder->setText(QStringLiteral("/home/editor/Videos/Cloud Media"));
    add(tr("folder field"), folder);
    auto *combo = new QComboBox;
    combo->addItems({tr("All"), tr("Video"), tr("Audio")});
    combo->setFixedSize(80, 24);
    add(tr("combo box"), combo);
    auto *colored = new QLabel(tr("Text colour 7, then 69"));
    KSUIStyle::setTextColorType(colored, 7);
    auto *failed = new QLabel(tr("Upload failed. Please try again."));
    KSUIStyle::setTextColorType(failed, 69);
    auto *pair = new QWidget;
    auto *pairRow = new QHBoxLayout(pair);
    pairRow->setContentsMargins(0, 0, 0, 0);
    pairRow->addWidget(colored);
    pairRow->addWidget(failed);
    pairRow->addStretch();
    add(tr("colour types"), pair);
    auto *styled = new QLabel(tr("Label style 56, font 2"));
    KSUIStyle::setLabelStyle(styled, 56, 2);
    add(tr("label style"), styled);
    for (QLineEdit *edit : page->findChildren<QLineEdit *>())
        edit->setFixedHeight(28);
    grid->setColumnStretch(1, 1);
    page->show();
    page->activateWindow();
    focused->setFocus();
    save(page, QStringLiteral("fields"));
}

void WidgetGallery::progress()
{
    QGridLayout *grid = nullptr;
    QWidget *page = sheet(&grid);
    page->setFixedWidth(560);
    int row = 0;
    for (int kind : {6, 8}) {
        for (int value : {0, 37, 100}) {
            addCaption(grid, row, 0, tr("size %1, %2%").arg(kind).arg(value));
            auto *bar = new KSProgressBar;
            bar->setSizeKind(kind);
            bar->setValue(value);
            grid->addWidget(bar, row++, 1, 1, 3);
        }
    }
    // The export dialog's own chunk colours over the skin's bar.
    for (const char *chunk : {"#55E5C5", "#FF6161"}) {
        addCaption(grid, row, 0, tr("chunk %1").arg(QLatin1String(chunk)));
        auto *bar = new KSProgressBar;
        bar->setSizeKind(8);
        bar->setValue(62);
        bar->setStyleSheet(QStringLiteral("QProgressBar::chunk{background-color:%1}").arg(QLatin1String(chunk)));
        grid->addWidget(bar, row++, 1, 1, 3);
    }
    addCaption(grid, row, 0, tr("lines"));
    auto *lines = new QWidget;
    auto *lineRow = new QHBoxLayout(lines);
    lineRow->setContentsMargins(0, 0, 0, 0);
    lineRow->addWidget(new KSLineWidget);
    auto *vertical = new KSLineWidget(nullptr, Qt::Vertical);
    vertical->setFixedHeight(24);
    lineRow->addWidget(vertical);
    grid->addWidget(lines, row++, 1, 1, 3);
    addCaption(grid, row, 0, tr("loading 56, 24, 16"));
    const QPair<int, int> rings[] = {{56, 56}, {24, 7}, {16, 69}};
    for (int i = 0; i < 3; ++i) {
        auto *ring = new KSLoadingWidget(nullptr, rings[i].first);
        ring->setColorIndex(rings[i].second);
        ring->start();
        grid->addWidget(ring, row, 1 + i, Qt::AlignLeft);
    }
    ++row;
    addCaption(grid, row, 0, tr("loading buttons"));
    grid->addWidget(new KSLoadingButton, row, 1);
    auto *withText = new KSLoadingButton;
    withText->setText(tr("Opening"));
    withText->setButtonStyle(KSPushButton::SecondaryStyle);
    grid->addWidget(withText, row, 2);
    save(page, QStringLiteral("progress-and-loading"));
}

void WidgetGallery::transferCenter()
{
    for (int done : {0, 1}) {
        auto *dialog = new KSFramelessDialog;
        dialog->setFixedSize(800, 460);
        dialog->titleBar()->setObjectName(QStringLiteral("TransferCenter_titlebar"));
        dialog->titleBar()->setIconVisible(false);
        dialog->setButtonBarVisible(false);
        dialog->setContentMargins(0, 0, 0, 0);
        auto *panel = new KSWidget;
        panel->setObjectName(QStringLiteral("KSTransferCenterPanel"));

        // Tab column.
        auto *column = new KSWidget;
        column->setFixedWidth(192);
        auto *inner = new KSWidget;
        inner->setObjectName(QStringLiteral("KSTransferCenterTabWidget"));
        auto *tabs = new QVBoxLayout(inner);
        tabs->setContentsMargins(12, 16, 12, 24);
        tabs->setSpacing(8);
        const QStringList names
            = {QStringLiteral("upload"), QStringLiteral("download"), QStringLiteral("finish"), QStringLiteral("sync")};
        const QStringList texts = {tr("Uploading (3)"), tr("Downloading (1)"), tr("Done"), tr("Sync settings")};
        const QStringList states
            = {QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("normal"), QStringLiteral("pressed")};
        for (int i = 0; i < 4; ++i) {
            auto *item = new KSWidget;
            item->setObjectName(QStringLiteral("KSTransferCenterTabItem"));
            item->setFixedHeight(32);
            auto *icon = keyedLabel(QStringLiteral("KSTransferCenterTabBarIcon_") + names.at(i));
            icon->setFixedSize(24, 24);
            auto *text = keyedLabel(QStringLiteral("KSTransferCenterTabBarItemText"), texts.at(i));
            const bool selected = i == (done ? 2 : 0);
            for (QWidget *part :
                {static_cast<QWidget *>(item), static_cast<QWidget *>(icon), static_cast<QWidget *>(text)}) {
                part->setProperty("state", selected ? QStringLiteral("normal") : states.at(i));
                part->setProperty("selected", selected ? QStringLiteral("true") : QStringLiteral("false"));
            }
            auto *itemRow = new QHBoxLayout(item);
            itemRow->setContentsMargins(12, 0, 12, 0);
            itemRow->setSpacing(0);
            itemRow->addWidget(icon, 0, Qt::AlignVCenter);
            itemRow->addSpacing(7);
            itemRow->addWidget(text, 1, Qt::AlignVCenter);
            tabs->addWidget(item);
        }
        tabs->addStretch();
        auto *tip = keyedLabel(QStringLiteral("KSTransferCenterTabTipLabel"), tr("Cutlane Cloud is here."));
        tip->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        tip->setWordWrap(true);
        tabs->addWidget(tip);
        tabs->addSpacing(8);
        auto *link = keyedLabel(QStringLiteral("KSTransferCenterTabTipLabel"),
            QStringLiteral("<a style=\"color:#50e3c2;\" href=\"href\">%1</a>").arg(tr("Try it out!")));
        link->setAlignment(Qt::AlignCenter);
        tabs->addWidget(link);
        auto *columnLayout = new QVBoxLayout(column);
        columnLayout->setContentsMargins(8, 8, 0, 8);
        columnLayout->addWidget(inner);

        // Page: toolbar, header, rows.
        auto *content = new QWidget;
        auto *pageRows = new QVBoxLayout(content);
        pageRows->setContentsMargins(16, 16, 16, 16);
        pageRows->setSpacing(0);
        auto *toolbar = new QHBoxLayout;
        if (done) {
            auto *filter = new QComboBox;
            filter->addItems({tr("All"), tr("Video")});
            filter->setFixedSize(80, 24);
            toolbar->addWidget(filter);
        }
        toolbar->addStretch();
        const QStringList actions
            = done ? QStringList{tr("Clear All")} : QStringList{tr("Start All"), tr("Stop All"), tr("Cancel All")};
        for (const QString &action : actions) {
            auto *button = new KSPushButton(action);
            button->setSizeKind(24);
            button->setEnabled(action != tr("Start All"));
            toolbar->addWidget(button);
        }
        pageRows->addLayout(toolbar);
        pageRows->addSpacing(21);
        const auto line = [] {
            auto *widget = new KSLineWidget;
            widget->setObjectName(QStringLiteral("KSTransferCenterTaskWidgetLine"));
            return widget;
        };
        pageRows->addWidget(line());
        auto *header = new QHBoxLayout;
        header->setSpacing(0);
        header->addSpacing(10);
        const QPair<QString, int> columns[] = {{tr("Name"), 196}, {tr("Size"), 132}, {tr("Status"), 72}};
        for (const auto &col : columns) {
            QLabel *label = keyedLabel(QStringLiteral("KSTransferCenterTableHeaderLabel"), col.first);
            label->setFixedSize(col.second, 26);
            header->addWidget(label);
        }
        header->addStretch();
        pageRows->addLayout(header);
        pageRows->addWidget(line());
        pageRows->addSpacing(4);

        const int fills[] = {28, 26, 0, 0};
        for (int r = 0; r < (done ? 3 : 4); ++r) {
            auto *rowWidget = new SampleRow(fills[r]);
            auto *cells = new QHBoxLayout(rowWidget);
            cells->setContentsMargins(8, 0, 10, 0);
            cells->setSpacing(0);
            auto *thumb = new QLabel;
            thumb->setFixedSize(40, 40);
            thumb->setPixmap(QPixmap(
                r % 2 ? QStringLiteral(":/Resource/img40_music.png") : QStringLiteral(":/Resource/img40_video.png")));
            cells->addWidget(thumb);
            cells->addSpacing(8);
            QLabel *name = keyedLabel(QStringLiteral("KSTransferCenterTableNameLabel"),
                r % 2 ? QStringLiteral("Interview take 2.wav") : QStringLiteral("Holiday in Li...bon.mp4"));
            name->setFixedWidth(136);
            cells->addWidget(name);
            cells->addSpacing(12);
            QLabel *size = keyedLabel(QStringLiteral("KSTransferCenterTableSizeLabel"),
                done ? QStringLiteral("48.20MB") : QStringLiteral("17.83MB/48.20MB"));
            size->setFixedWidth(124);
            cells->addWidget(size);
            auto *status = new QStackedWidget;
            status->setFixedSize(174, 56);
            auto *area = new QWidget;
            auto *areaRow = new QHBoxLayout(area);
            areaRow->setContentsMargins(0, 0, 0, 0);
            areaRow->setSpacing(4);
            if (done) {
                QLabel *type = keyedLabel(r == 1 ? QStringLiteral("KSTransferCenterdownloadTaskTypeLabel")
                                                 : QStringLiteral("KSTransferCenterUploadTaskTypeLabel"));
                type->setFixedSize(24, 24);
                areaRow->addWidget(type);
                QLabel *date
                    = keyedLabel(QStringLiteral("KSTransferCenterTableDateLabel"), QStringLiteral("2026/05/14"));
                date->setFixedWidth(60);
                areaRow->addWidget(date);
                QLabel *word = keyedLabel(QStringLiteral("KSTransferCenterTableStatusLabel"),
                    QLatin1Char(' ') + (r == 1 ? tr("Downloaded") : tr("Uploaded")));
                word->setFixedWidth(78);
                areaRow->addWidget(word);
            } else if (r == 2) {
                QLabel *icon = keyedLabel(QStringLiteral("KSTransferCenterErrorIcon"));
                icon->setFixedSize(16, 16);
                areaRow->addWidget(icon);
                QLabel *error = keyedLabel(QStringLiteral("KSTransferCenterErrorText"),
                    tr("Failed. Insufficient Cloud space.") + QLatin1Char(' ')
                        + QStringLiteral("<a style=\"color:#FF0000;\" href=\"href\">%1</a>").arg(tr("Expand Now.")));
                error->setFixedWidth(153);
                error->setWordWrap(true);
                areaRow->addWidget(error);
            } else if (r == 3) {
                areaRow->addWidget(keyedLabel(QStringLiteral("KSTransferCenterTableSizeLabel"), tr("Waiting...")));
            } else {
                auto *bar = new KSProgressBar;
                bar->setFixedWidth(120);
                bar->setValue(r == 1 ? 37 : 64);
                areaRow->addWidget(bar);
                auto *percent = new QLabel(r == 1 ? tr("Stopped") : QStringLiteral("64%"));
                KSUIStyle::setLabelStyle(percent, 57, 6);
                areaRow->addWidget(percent);
            }
            areaRow->addStretch();
            status->addWidget(area);
            cells->addWidget(status);
            cells->addSpacing(16);
            // The button box: 56 px, the row's one action and, on hover or selection, delete.
            auto *box = new QWidget;
            box->setFixedSize(56, 56);
            auto *boxRow = new QHBoxLayout(box);
            boxRow->setContentsMargins(0, 0, 0, 0);
            boxRow->setSpacing(8);
            const QString action = done
                ? (r == 1 ? QStringLiteral("KSTransferCenterOpenBtn") : QStringLiteral("KSTransferCenterShareBtn"))
                : r == 1 ? QStringLiteral("KSTransferCenterListCellStatePlay")
                : r == 2 ? QStringLiteral("KSTransferCenterListCellStateRetry")
                         : QStringLiteral("KSTransferCenterListCellStatePause");
            boxRow->addWidget(keyedButton(action, action));
            if (fills[r])
                boxRow->addWidget(keyedButton(QStringLiteral("KSTransferCenterListCellStateDelete"),
                    QStringLiteral("KSTransferCenterListCellStateDelete")));
            boxRow->addStretch();
            cells->addWidget(box);
            cells->addStretch();
            pageRows->addWidget(rowWidget);
        }
        pageRows->addStretch();
        if (done) {
            QLabel *limit = keyedLabel(
                QStringLiteral("KSTransferCenterRecordNumberTipLabel"), tr("*Up to 200 transmission history records"));
            pageRows->addWidget(limit, 0, Qt::AlignRight);
        }

        auto *panelRow = new QHBoxLayout(panel);
        panelRow->setContentsMargins(0, 0, 0, 0);
        panelRow->setSpacing(0);
        panelRow->addWidget(column);
        panelRow->addWidget(content, 1);
        dialog->setContentWidget(panel);

        // The window's name, laid over the title bar where the tab column begins.
        QLabel *title = keyedLabel(QStringLiteral("TransferCenter_TitleBarBgLabel"), tr("Transfer Center"), dialog);
        title->setAttribute(Qt::WA_TransparentForMouseEvents);
        title->setFixedHeight(24);
        dialog->show();
        const QRect bar(dialog->titleBar()->mapTo(dialog, QPoint(0, 0)), dialog->titleBar()->size());
        title->setGeometry(bar.left() + 24, bar.top() + (bar.height() - 24) / 2, 193, 24);
        title->raise();
        save(dialog, done ? QStringLiteral("transfer-center-done") : QStringLiteral("transfer-center-uploads"));
    }
}

void WidgetGallery::emptyStates()
{
    QGridLayout *grid = nullptr;
    QWidget *page = sheet(&grid);
    const QPair<QString, int> pictures[] = {{QStringLiteral("KSTransferCenterDiskLabelUpload"), 100},
        {QStringLiteral("KSTransferCenterDiskLabelDownload"), 100}, {QStringLiteral("KSTransferCenterDiskLabel"), 160},
        {QStringLiteral("KSTransferCenterTaskWidgetFilterEmptyLabel"), 160}};
    const QStringList texts = {tr("No uploads in progress."), tr("No downloads in progress."),
        tr("No completed tasks."), tr("There are no results for %1").arg(tr("Audio"))};
    for (int i = 0; i < 4; ++i) {
        QLabel *picture = keyedLabel(pictures[i].first);
        picture->setFixedSize(pictures[i].second, pictures[i].second);
        grid->addWidget(picture, 0, i, Qt::AlignHCenter | Qt::AlignBottom);
        auto *text = new QLabel(texts.at(i));
        KSUIStyle::setLabelStyle(text, 57, 6);
        grid->addWidget(text, 1, i, Qt::AlignHCenter);
    }
    save(page, QStringLiteral("empty-states"));
}

void WidgetGallery::floatingAndToast()
{
    QGridLayout *grid = nullptr;
    QWidget *page = sheet(&grid);
    const QPair<int, QString> states[]
        = {{0, QString()}, {64, QString()}, {42, QStringLiteral("Failed")}, {100, QStringLiteral("Finished")}};
    for (int i = 0; i < 4; ++i) {
        addCaption(grid, 0, i, states[i].second.isEmpty() ? tr("running") : states[i].second);
        auto *floating = new SampleFloating(states[i].first, states[i].second);
        skin()->applyStyleSheet(floating, QStringLiteral("CloudDisk/KSCloudDiskFloatingWidget"));
        grid->addWidget(floating, 1, i);
    }
    save(page, QStringLiteral("floating-widget"));

    QPointer<KSToast> toast = KSToast::showToastBySequence(
        tr("2 item(s) has been added to the Transfer Center."), tr("Click to view"),
        QStringLiteral(":/Resource/icon24_success.png"), nullptr, [] {}, 60000);
    if (toast) {
        const QPixmap shot = toast->grab();
        QImage out(shot.size() + QSize(32, 32), QImage::Format_ARGB32_Premultiplied);
        out.fill(skin()->getColor(1));
        QPainter painter(&out);
        painter.drawPixmap(16, 16, shot);
        painter.end();
        const QString path = m_folder.filePath(skin()->skinName() + QStringLiteral("/toast.png"));
        if (out.save(path))
            m_written.append(path);
        delete toast.data();
    }
}
