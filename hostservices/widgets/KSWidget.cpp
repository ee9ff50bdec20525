#include "KSWidgets.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

// ---- KSWidget

KSWidget::KSWidget(QWidget *parent)
    : QWidget(parent)
{
    KSSkinManager::instance()->followObjectName(this);
}

KSWidget::~KSWidget() = default;

void KSWidget::setStyleKey(const QString &key)
{
    KSSkinManager::instance()->applyStyleSheet(this, key);
}

QString KSWidget::styleKey() const
{
    return KSSkinManager::styleKey(this);
}

void KSWidget::retranslateUi()
{ }

void KSWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void KSWidget::paintEvent(QPaintEvent *)
{
    // A plain QWidget subclass draws its style sheet background only when asked to.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

// ---- KSDialog

KSDialog::KSDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    KSSkinManager::instance()->followObjectName(this);
}

KSDialog::~KSDialog() = default;

void KSDialog::setStyleKey(const QString &key)
{
    KSSkinManager::instance()->applyStyleSheet(this, key);
}

QString KSDialog::styleKey() const
{
    return KSSkinManager::styleKey(this);
}

bool KSDialog::requestClose(CloseReason reason)
{
    if (!isVisible() || !acceptCloseRequest(reason))
        return false;
    reject();
    return true;
}

bool KSDialog::acceptCloseRequest(CloseReason)
{
    return true;
}

void KSDialog::retranslateUi()
{ }

void KSDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void KSDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Cancel)) {
        requestClose(EscapeKey);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void KSDialog::closeEvent(QCloseEvent *event)
{
    // Only the user's request comes from the window system; close() from code always closes.
    if (event->spontaneous() && isVisible() && !acceptCloseRequest(WindowCloseRequest)) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
