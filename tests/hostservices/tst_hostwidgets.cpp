// The host's message box and notices, driven through their real widgets.
#include "KSCustomEvent.h"
#include "KSWidgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <functional>

class TestHostWidgets : public QObject
{
    Q_OBJECT

private slots:
    // A failed check can leave notices up; the next function must start without them.
    void cleanup() { QTRY_VERIFY_WITH_TIMEOUT(KSToast::visibleToasts().isEmpty(), 8000); }
    void messageBoxes();
    void toastEvents();
    void toastPlacement();
    void toastLink();

private:
    QStringList m_printed; // outlives the sink that fills it, should a check fail before it is removed
};

namespace {

// What the box showed while it was up; read after exec() has returned, so a failed check can never
// leave a modal loop running.
struct Seen {
    QString title;
    QStringList labels;
    QStringList buttons;
    bool hasIcon = false;
};

// Texts the labels show as written; one that reads its text as markup shows something else.
QStringList labelTexts(QWidget *root)
{
    QStringList texts;
    const QList<QLabel *> labels = root->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        const bool literal = label->textFormat() == Qt::PlainText
            || (label->textFormat() == Qt::AutoText && !Qt::mightBeRichText(label->text()));
        if (literal && label->isVisibleTo(root) && !label->text().isEmpty())
            texts.append(label->text());
    }
    return texts;
}

// Once the modal box is up, records it and hands it to `act`, which must end it.
void whenModal(Seen *seen, std::function<void(KOldMessageDialog *)> act)
{
    *seen = Seen();
    auto *timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, seen, act] {
        auto *box = qobject_cast<KOldMessageDialog *>(QApplication::activeModalWidget());
        if (!box && !deadline.hasExpired())
            return;
        timer->deleteLater();
        if (!box)
            return;
        *seen = Seen{box->title(), labelTexts(box), {box->yesButton()->text()}};
        if (box->noButton())
            seen->buttons.append(box->noButton()->text());
        const QList<QLabel *> labels = box->findChildren<QLabel *>();
        for (QLabel *label : labels)
            seen->hasIcon |= label->isVisibleTo(box) && label->pixmap(Qt::ReturnByValue).width() > 0;
        act(box);
    });
    timer->start(10);
}

QStringList toastTexts()
{
    QStringList texts;
    const QList<KSToast *> toasts = KSToast::visibleToasts();
    for (KSToast *toast : toasts)
        texts.append(toast->text());
    return texts;
}

} // namespace

void TestHostWidgets::messageBoxes()
{
    const auto yes = [](KOldMessageDialog *box) { QTest::mouseClick(box->yesButton(), Qt::LeftButton); };
    Seen seen;
    whenModal(&seen, yes);
    QVERIFY(KOldMessageDialog::question(nullptr, "Delete", "Delete \"<b>a</b>.mp4\"?", "Delete", "Keep"));
    QCOMPARE(seen.title, QStringLiteral("Delete"));
    // A file name that looks like markup is shown as typed.
    QVERIFY2(seen.labels.contains("Delete \"<b>a</b>.mp4\"?"), qPrintable(seen.labels.join('|')));
    QCOMPARE(seen.buttons, QStringList({"Delete", "Keep"}));
    QVERIFY(seen.hasIcon);

    // Every other way out answers no. Empty texts keep the defaults: blank buttons cannot be told apart.
    whenModal(&seen, [](KOldMessageDialog *box) { QTest::mouseClick(box->noButton(), Qt::LeftButton); });
    QVERIFY(!KOldMessageDialog::question(nullptr, "Q", "Sure?", QString(), QString(), 0));
    QCOMPARE(seen.buttons, QStringList({"Yes", "No"}));
    QVERIFY(!seen.hasIcon);
    whenModal(&seen, [](KOldMessageDialog *box) {
        // The box itself when the focus has not reached a child yet (a loaded machine).
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : static_cast<QWidget *>(box), Qt::Key_Escape);
    });
    QVERIFY(!KOldMessageDialog::question(nullptr, "Q", "Sure?", "Go", "Stop"));
    QCOMPARE(seen.buttons, QStringList({"Go", "Stop"}));

    // The box belongs to its parent: when that goes while the box waits, it takes the box along,
    // which must not be freed a second time.
    auto *doomed = new QWidget;
    whenModal(&seen, [doomed](KOldMessageDialog *) { delete doomed; });
    QVERIFY(!KOldMessageDialog::question(doomed, "Q", "Sure?", "Go", "Stop"));

    whenModal(&seen, yes);
    QVERIFY(KOldMessageDialog::information(nullptr, "Saved", "The project was saved to the cloud."));
    QVERIFY(seen.labels.contains("The project was saved to the cloud."));
    QCOMPARE(seen.buttons, QStringList{"OK"});
    QVERIFY(seen.hasIcon);
}

void TestHostWidgets::toastEvents()
{
    QWidget window;
    window.setGeometry(100, 100, 800, 600);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    KSToastEvents::install([this](const QString &text) { m_printed.append(text); });
    // The plug-in sends the event by its name, not through post().
    KSCustomEventManager::instance()->dispatch(KSCustomEventPtr::create(
        "ShowToast", QVariantMap{{"text", QStringLiteral("Uploaded 3 files")}, {"flag", true}}));
    KSToastEvents::post("Download finished");
    QCOMPARE(m_printed, QStringList({"Uploaded 3 files", "Download finished"}));
    QCOMPARE(toastTexts(), QStringList({"Uploaded 3 files", "Download finished"}));
    QPointer<KSToast> first = KSToast::visibleToasts().constFirst();
    QVERIFY(first->isVisible());
    QVERIFY(labelTexts(first).contains("Uploaded 3 files"));
    QVERIFY(window.geometry().contains(first->geometry().center()));

    // Installed again, the sink is replaced and the bus keeps one handler, so nothing shows twice.
    KSToastEvents::install([this](const QString &text) { m_printed.append("again " + text); });
    for (const char *text : {"1", "2", "3", "4"})
        KSToastEvents::post(text);
    QCOMPARE(m_printed.mid(2), QStringList({"again 1", "again 2", "again 3", "again 4"}));
    // At most five, the oldest closed first, stacked without covering one another.
    QCOMPARE(toastTexts(), QStringList({"Download finished", "1", "2", "3", "4"}));
    const QList<KSToast *> shown = KSToast::visibleToasts();
    for (int i = 1; i < shown.size(); ++i)
        QVERIFY(shown.at(i)->geometry().top() > shown.at(i - 1)->geometry().bottom());
    // The user keeps typing where they were.
    QCOMPARE(QApplication::activeWindow(), &window);

    KSToastEvents::install();
    KSToastEvents::post("No one prints this");
    QCOMPARE(m_printed.size(), 6);
    QCOMPARE(toastTexts().constLast(), QStringLiteral("No one prints this"));
    QTRY_VERIFY_WITH_TIMEOUT(KSToast::visibleToasts().isEmpty(), 8000);
}

void TestHostWidgets::toastPlacement()
{
    auto *window = new QWidget;
    auto *child = new QWidget(window);
    window->setGeometry(200, 150, 500, 400);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QPointer<KSToast> top = KSToast::showToast("Saved", child, 3000);
    QPointer<KSToast> middle = KSToast::showToast("middle", window, 200);
    QPointer<KSToast> bottom = KSToast::showToast("bottom", window, 3000);
    // The survivors close up when one in the middle leaves.
    const int bottomBefore = bottom->y();
    QTRY_VERIFY(middle.isNull());
    QVERIFY(bottom->y() < bottomBefore);
    QVERIFY(bottom->geometry().top() > top->geometry().bottom());
    // They follow their window.
    const QPoint before = top->pos();
    window->move(window->pos() + QPoint(60, 40));
    QTRY_COMPARE(top->pos(), before + QPoint(60, 40));

    // Once the window is gone they stay where they were, also when another notice lays the notices
    // out again, which reads every notice's anchor. Without one, a notice sits mid-screen.
    const QRect lastPlace = top->geometry();
    delete window;
    QPointer<KSToast> other = KSToast::showToast("Other", nullptr, 1600);
    QVERIFY(top && top->isVisible());
    QCOMPARE(top->geometry(), lastPlace);
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((other->geometry().center() - screenCentre).manhattanLength() <= 2);
    QTest::qWait(800); // half its time: well before it starts to fade
    QVERIFY(other && other->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(other.isNull() && top.isNull() && bottom.isNull(), 5000);
}

void TestHostWidgets::toastLink()
{
    int calls = 0;
    bool shownDuringCall = true;
    QPointer<KSToast> toast;
    toast = KSToast::showToastBySequence("Upload failed", "Retry <now>", "/nonexistent/icon.png", nullptr, [&] {
        ++calls;
        shownDuringCall = toast && (toast->isVisible() || KSToast::visibleToasts().contains(toast));
    });
    QVERIFY(toast);
    QSignalSpy activated(toast.data(), &KSToast::linkActivated);
    QLabel *link = nullptr;
    const QList<QLabel *> labels = toast->findChildren<QLabel *>();
    for (QLabel *label : labels)
        link = label->text().contains("Retry &lt;now&gt;") ? label : link;
    QVERIFY2(link, qPrintable(labelTexts(toast).join('|')));

    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    // What the link opens must not appear under the notice.
    QVERIFY(!shownDuringCall);
    // A second click reaching the label before the deferred delete changes nothing.
    if (toast)
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    QCOMPARE(calls, 1);
    QCOMPARE(activated.count(), 1);
    QTRY_VERIFY(toast.isNull());

    // Left alone, a linked notice times out without running its action.
    QPointer<KSToast> ignored = KSToast::showToastBySequence(
        "Shared", "Copy link", QString(), nullptr, [&] { ++calls; }, 200);
    QTRY_VERIFY(ignored.isNull());
    QCOMPARE(calls, 1);
}

QTEST_MAIN(TestHostWidgets)
#include "tst_hostwidgets.moc"
