#include "KSWidgets.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Our own drawings rather than the platform style's, so the dialog matches the skin everywhere.
QString iconFor(int kind)
{
    switch (kind) {
    case 1:
        return QStringLiteral(":/Resource/icon24_info.png");
    case 2:
        return QStringLiteral(":/Resource/icon24_alert.png");
    default:
        return QStringLiteral(":/Resource/icon24_question.png");
    }
}

} // namespace

// ---- KOldMessageDialog

KOldMessageDialog::KOldMessageDialog(MessageType type, const QString &title, const QString &text, QWidget *parent)
    : QDialog(parent)
    , m_type(type)
{
    setWindowTitle(title);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_iconLabel = new QLabel(this);
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_textLabel = new QLabel(this);
    m_textLabel->setObjectName(QStringLiteral("textLabel"));
    m_textLabel->setTextFormat(Qt::PlainText);
    m_textLabel->setWordWrap(true);
    m_textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_textLabel->setMinimumWidth(280);
    m_textLabel->setText(text);

    auto *buttons = new QDialogButtonBox(this);
    m_yesButton = new QPushButton(this);
    m_yesButton->setObjectName(QStringLiteral("yesButton"));
    if (m_type == Information) {
        m_yesButton->setText(tr("OK"));
        buttons->addButton(m_yesButton, QDialogButtonBox::AcceptRole);
    } else {
        m_noButton = new QPushButton(this);
        m_noButton->setObjectName(QStringLiteral("noButton"));
        buttons->addButton(m_yesButton, QDialogButtonBox::AcceptRole);
        buttons->addButton(m_noButton, QDialogButtonBox::RejectRole);
        setButtonTexts(QString(), QString());
    }
    m_yesButton->setDefault(true);
    connect(m_yesButton, &QPushButton::clicked, this, [this] { onButton(m_noButton ? YesButtonId : OkButtonId); });
    if (m_noButton)
        connect(m_noButton, &QPushButton::clicked, this, [this] { onButton(NoButtonId); });

    auto *body = new QHBoxLayout;
    body->setSpacing(12);
    body->addWidget(m_iconLabel, 0, Qt::AlignTop);
    body->addWidget(m_textLabel, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    // The text decides the width; the box must not be stretched into a wall of empty space.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setIconKind(m_type == Information ? 1 : 3);
}

void KOldMessageDialog::setButtonTexts(const QString &yesText, const QString &noText)
{
    if (!m_noButton)
        return;
    m_yesButton->setText(yesText.isEmpty() ? tr("Yes") : yesText);
    m_noButton->setText(noText.isEmpty() ? tr("No") : noText);
}

void KOldMessageDialog::setIconKind(int kind)
{
    if (kind < 1 || kind > 3) {
        m_iconLabel->clear();
        m_iconLabel->hide();
        return;
    }
    m_iconLabel->setPixmap(QIcon(iconFor(kind)).pixmap(QSize(24, 24)));
    m_iconLabel->show();
}

KOldMessageDialog::MessageType KOldMessageDialog::messageType() const
{
    return m_type;
}

QString KOldMessageDialog::title() const
{
    return windowTitle();
}

QString KOldMessageDialog::text() const
{
    return m_textLabel->text();
}

QAbstractButton *KOldMessageDialog::yesButton() const
{
    return m_yesButton;
}

QAbstractButton *KOldMessageDialog::noButton() const
{
    return m_noButton;
}

void KOldMessageDialog::setButtonClosesDialog(int id, bool closes)
{
    if (id < 0 || id > 30)
        return;
    if (closes)
        m_keepOpenIds &= ~(1 << id);
    else
        m_keepOpenIds |= 1 << id;
}

void KOldMessageDialog::onButton(int id)
{
    // The signal may close or delete the box; the answer is read before.
    const bool closes = !(m_keepOpenIds & (1 << id));
    QPointer<KOldMessageDialog> guard(this);
    emit sigButtonClick(id);
    if (!guard || !closes)
        return;
    if (id == NoButtonId)
        reject();
    else
        accept();
}

bool KOldMessageDialog::acceptCloseRequest()
{
    return true;
}

void KOldMessageDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Cancel)) {
        if (acceptCloseRequest())
            reject();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void KOldMessageDialog::closeEvent(QCloseEvent *event)
{
    if (event->spontaneous() && isVisible() && !acceptCloseRequest()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool KOldMessageDialog::run(KOldMessageDialog *box)
{
    // The parent may be destroyed while the box waits (its window closed by a timer, a logout):
    // it then takes the box along, which must not be deleted a second time here.
    QPointer<KOldMessageDialog> guard(box);
    const int answer = box->exec();
    delete guard.data();
    return answer == QDialog::Accepted;
}

bool KOldMessageDialog::information(QWidget *parent, const QString &title, const QString &text)
{
    return run(new KOldMessageDialog(Information, title, text, parent));
}

bool KOldMessageDialog::question(QWidget *parent, const QString &title, const QString &text, const QString &yesText,
    const QString &noText, int iconKind)
{
    auto *box = new KOldMessageDialog(Question_CustomYesNo, title, text, parent);
    box->setButtonTexts(yesText, noText);
    box->setIconKind(iconKind);
    return run(box);
}
