// The kit's dialogs and buttons, driven through their real widgets.
#include "KSWidgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

class TestHostWidgetsDialogs : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()); }
    void framelessClosing();
    void buttonBar();
    void messageDialogAnswers();
    void oldMessageBoxKeepsOpen();
    void toolButtonImages();
    void folderField();
};

namespace {

// A dialog that refuses the user's close requests while it is busy, as the share and remove
// dialogs do while a request runs.
class BusyDialog : public KSFramelessDialog
{
public:
    bool busy = false;
    QList<CloseReason> asked;

protected:
    bool acceptCloseRequest(CloseReason reason) override
    {
        asked.append(reason);
        return !busy;
    }
};

QAbstractButton *titleClose(KSFramelessDialog *dialog)
{
    return dialog->titleBar()->button(KSTitleBar::CloseButton);
}

// Once a modal `T` is up, hands it to `act`, which must end it.
template<typename T>
void whenModal(std::function<void(T *)> act)
{
    auto *timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, act] {
        auto *box = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!box && !deadline.hasExpired())
            return;
        timer->deleteLater();
        if (box)
            act(box);
    });
    timer->start(10);
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &local, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, local, widget->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QString solidPng(const QTemporaryDir &dir, const QString &name, const QColor &color)
{
    QImage image(24, 24, QImage::Format_ARGB32);
    image.fill(color);
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    image.save(path);
    return path;
}

} // namespace

void TestHostWidgetsDialogs::framelessClosing()
{
    BusyDialog dialog;
    dialog.setTitle(QStringLiteral("Share \"a.mp4\""));
    QCOMPARE(dialog.titleBar()->titleLabel()->text(), QStringLiteral("Share \"a.mp4\""));
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    // Busy: Escape, the window system's close and the title bar's button are all asked and refused.
    dialog.busy = true;
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.windowHandle()->close();
    QTest::mouseClick(titleClose(&dialog), Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.asked,
        (QList<KSDialog::CloseReason>{
            KSDialog::EscapeKey, KSDialog::WindowCloseRequest, KSDialog::TitleBarCloseButton}));
    // Code may always close it.
    dialog.accept();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    dialog.busy = false;
    const std::function<void()> ways[] = {
        [&] { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [&] { dialog.windowHandle()->close(); },
        [&] { QTest::mouseClick(titleClose(&dialog), Qt::LeftButton); },
    };
    for (const auto &way : ways) {
        dialog.open();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        way();
        QTRY_VERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    // A dialog that handles its title bar's close button itself only hears about it.
    dialog.setTitleBarClosesDialog(false);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QSignalSpy titleButtons(dialog.titleBar(), &KSTitleBar::sigButtonClicked);
    QTest::mouseClick(titleClose(&dialog), Qt::LeftButton);
    QCOMPARE(titleButtons.count(), 1);
    QCOMPARE(titleButtons.at(0).at(0).toInt(), int(KSTitleBar::CloseButton));
    QVERIFY(dialog.isVisible());

    // Dragging the title bar moves the window (by hand where the platform cannot).
    const QPoint before = dialog.pos();
    QWidget *bar = dialog.titleBar();
    sendMouse(bar, QEvent::MouseButtonPress, QPoint(60, 10), Qt::LeftButton);
    sendMouse(bar, QEvent::MouseMove, QPoint(90, 30), Qt::LeftButton);
    sendMouse(bar, QEvent::MouseButtonRelease, QPoint(90, 30), Qt::NoButton);
    QTRY_COMPARE(dialog.pos(), before + QPoint(30, 20));
    dialog.reject();
}

void TestHostWidgetsDialogs::buttonBar()
{
    KSFramelessDialog dialog;
    auto *content = new QLabel(QStringLiteral("content"));
    dialog.setContentWidget(content);
    QCOMPARE(dialog.addButton(QStringLiteral("Cancel"), KSFramelessDialog::SecondaryRole), 0);
    QCOMPARE(dialog.addButton(QStringLiteral("Create Link"), KSFramelessDialog::PrimaryRole), 1);
    QCOMPARE(dialog.addButton(QStringLiteral("Delete"), KSFramelessDialog::WarningRole), 2);
    QCOMPARE(dialog.button(2)->buttonStyle(), KSPushButton::WarningStyle);
    QVERIFY(!dialog.button(3));
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QSignalSpy clicks(&dialog, &KSFramelessDialog::sigButtonClick);
    for (int index : {2, 0, 1})
        QTest::mouseClick(dialog.button(index), Qt::LeftButton);
    // Enter presses the first primary button; no button closes the dialog by itself.
    // To the focused child when there is one (a loaded machine may not have moved the focus yet).
    QWidget *focused = QApplication::focusWidget();
    QTest::keyClick(focused && dialog.isAncestorOf(focused) ? focused : &dialog, Qt::Key_Return);
    QList<int> indexes;
    for (const QList<QVariant> &click : qAsConst(clicks))
        indexes.append(click.at(0).toInt());
    QCOMPARE(indexes, (QList<int>{2, 0, 1, 1}));
    QVERIFY(dialog.isVisible());

    // The content can be taken back (the transfer center moves its panel between dialogs).
    QCOMPARE(dialog.takeContentWidget(), content);
    QVERIFY(!content->parent());
    QVERIFY(!dialog.contentWidget());
    delete content;
    dialog.reject();
}

void TestHostWidgetsDialogs::messageDialogAnswers()
{
    const auto clickText = [](const QString &text) {
        return [text](KSMessageDialog *box) {
            for (int i = 0; i < box->buttonCount(); ++i) {
                if (box->button(i)->text() == text)
                    QTest::mouseClick(box->button(i), Qt::LeftButton);
            }
        };
    };
    whenModal<KSMessageDialog>(clickText(QStringLiteral("Clear")));
    QCOMPARE(KSMessageDialog::showMessage(nullptr, QStringLiteral("Clear All Tasks"),
                 QStringLiteral("Are you sure to clear all tasks?"),
                 {{QStringLiteral("Cancel"), KSFramelessDialog::SecondaryRole},
                     {QStringLiteral("Clear"), KSFramelessDialog::WarningRole}}),
        QStringLiteral("Clear"));

    whenModal<KSMessageDialog>(clickText(KSMessageDialog::tr("Yes")));
    QCOMPARE(KSMessageDialog::question(nullptr, QStringLiteral("Cancel loading tip"), QStringLiteral("Sure?")),
        KSMessageDialog::tr("Yes"));
    whenModal<KSMessageDialog>([](KSMessageDialog *box) { QTest::keyClick(box, Qt::Key_Escape); });
    QVERIFY(KSMessageDialog::question(nullptr, QStringLiteral("Q"), QStringLiteral("Sure?")).isEmpty());

    // The parent going away while the box waits takes the box along; nothing is freed twice.
    auto *doomed = new QWidget;
    whenModal<KSMessageDialog>([doomed](KSMessageDialog *) { delete doomed; });
    QVERIFY(KSMessageDialog::question(doomed, QStringLiteral("Q"), QStringLiteral("Sure?")).isEmpty());

    whenModal<KSCommonTipDialog>(clickText(KSCommonTipDialog::tr("OK")));
    KSCommonTipDialog::showTip(nullptr, QStringLiteral("Filename too long"), QStringLiteral("Long."));
}

void TestHostWidgetsDialogs::oldMessageBoxKeepsOpen()
{
    // The remove dialog's shape: Delete only reports its click; the box closes when removal is done.
    KOldMessageDialog box(KOldMessageDialog::Question_CustomYesNo, QString(), QStringLiteral("Delete?"));
    box.setButtonTexts(QStringLiteral("Delete"), QStringLiteral("Cancel"));
    box.setButtonClosesDialog(KOldMessageDialog::YesButtonId, false);
    QSignalSpy clicks(&box, &KOldMessageDialog::sigButtonClick);
    box.open();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QTest::mouseClick(box.yesButton(), Qt::LeftButton);
    QVERIFY(box.isVisible());
    QTest::mouseClick(box.noButton(), Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Rejected));
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(clicks.at(0).at(0).toInt(), int(KOldMessageDialog::YesButtonId));
    QCOMPARE(clicks.at(1).at(0).toInt(), int(KOldMessageDialog::NoButtonId));
}

void TestHostWidgetsDialogs::toolButtonImages()
{
    QTemporaryDir dir;
    const QStringList images
        = {solidPng(dir, QStringLiteral("disabled"), Qt::gray), solidPng(dir, QStringLiteral("pressed"), Qt::blue),
            solidPng(dir, QStringLiteral("hover"), Qt::green), solidPng(dir, QStringLiteral("normal"), Qt::red)};
    QWidget window;
    window.resize(120, 60);
    auto *button = new KSToolButton(&window);
    button->setGeometry(10, 10, 24, 24);
    button->setImageButton(images);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto shown = [button] { return button->grab().toImage().pixelColor(12, 12); };

    QCOMPARE(button->state(), QStringLiteral("normal"));
    QCOMPARE(shown(), QColor(Qt::red));
    QTest::mouseMove(button);
    QTRY_COMPARE(button->state(), QStringLiteral("hover"));
    QCOMPARE(shown(), QColor(Qt::green));
    QTest::mousePress(button, Qt::LeftButton);
    QCOMPARE(button->currentImage(), images.at(1));
    QCOMPARE(shown(), QColor(Qt::blue));
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(shown(), QColor(Qt::green));
    QTest::mouseMove(&window, QPoint(100, 50));
    QTRY_COMPARE(button->state(), QStringLiteral("normal"));
    button->setEnabled(false);
    QCOMPARE(shown(), QColor(Qt::gray));

    // A picture that does not load gives way to the normal one; a wrong set to the skin's look.
    button->setImageButton({images.at(0), images.at(1), dir.filePath(QStringLiteral("missing.png")), images.at(3)});
    button->setEnabled(true);
    QTest::mouseMove(button);
    QTRY_COMPARE(button->state(), QStringLiteral("hover"));
    QCOMPARE(button->currentImage(), images.at(3));
    QCOMPARE(shown(), QColor(Qt::red));
    button->setImageButton(images.mid(1));
    QVERIFY(button->imageButton().isEmpty());
    QVERIFY(button->currentImage().isEmpty());
}

void TestHostWidgetsDialogs::folderField()
{
    KSOpenFileLineEdit field;
    field.setReadOnly(true);
    field.setText(QStringLiteral("/home/editor/Videos"));
    QString askedFrom;
    QString answer = QStringLiteral("/home/editor/Cloud Media");
    field.setFolderPicker([&](QWidget *parent, const QString &, const QString &start) {
        askedFrom = start;
        return parent == &field ? answer : QString();
    });
    QSignalSpy picked(&field, &KSOpenFileLineEdit::sigPathSelected);
    field.resize(300, 24);
    field.show();
    QVERIFY(QTest::qWaitForWindowExposed(&field));
    // The button sits inside the field, clear of the text.
    QVERIFY(field.rect().contains(field.browseButton()->geometry()));
    QVERIFY(field.textMargins().right() >= field.browseButton()->width());

    QTest::mouseClick(field.browseButton(), Qt::LeftButton);
    QCOMPARE(askedFrom, QStringLiteral("/home/editor/Videos"));
    QCOMPARE(field.text(), answer);
    QCOMPARE(picked.count(), 1);
    // Cancelling the picker keeps the path.
    answer.clear();
    QTest::mouseClick(field.browseButton(), Qt::LeftButton);
    QCOMPARE(field.text(), QStringLiteral("/home/editor/Cloud Media"));
    QCOMPARE(picked.count(), 1);
}

QTEST_MAIN(TestHostWidgetsDialogs)
#include "tst_hostwidgets_dialogs.moc"
