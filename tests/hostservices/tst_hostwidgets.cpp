// The host's message box and notices, driven through their real widgets.
#include "KSCustomEvent.h"
#include "KSWidgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <functional>

class TestHostWidgets : public QObject
{
    Q_OBJECT

private slots:
    // A failed check can leave notices up; the next function must start without them.
    void cleanup() { QTRY_VERIFY_WITH_TIMEOUT(KSToast::visibleToasts().isEmpty(), 8000); }
    void questionAnswers();
    void informationBox();
    void toastEvents();
    void toastLifetimeAndStacking();
    void toastLink();
    void toastOutlivesAnchor();

private:
    QStringList m_printed;
    QStringList m_printedElsewhere;
};

namespace {

// What the box showed while it was up; read after exec() has returned, so a failed check can never
// leave a modal loop running.
struct Seen {
    bool shown = false;
    QString title;
    QStringList labels;
    QString yes;
    QString no = QStringLiteral("<none>");
    bool hasIcon = false;
    QWidget *parent = nullptr;
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

bool showsIcon(QWidget *root)
{
    const QList<QLabel *> labels = root->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->isVisibleTo(root) && label->pixmap(Qt::ReturnByValue).width() > 0)
            return true;
    }
    return false;
}

// Once the modal box is up, records it and hands it to `act`, which must end it.
void whenModal(Seen *seen, std::function<void(KOldMessageDialog *)> act)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, seen, act] {
        auto *box = qobject_cast<KOldMessageDialog *>(QApplication::activeModalWidget());
        if (!box && clock->elapsed() < 5000)
            return;
        timer->deleteLater();
        delete clock;
        if (!box)
            return;
        seen->shown = true;
        seen->title = box->title();
        seen->labels = labelTexts(box);
        seen->yes = box->yesButton()->text();
        if (box->noButton())
            seen->no = box->noButton()->text();
        seen->hasIcon = showsIcon(box);
        seen->parent = box->parentWidget();
        act(box);
    });
    timer->start(10);
}

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void pressEscape(QWidget *box)
{
    QWidget *target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, Qt::Key_Escape);
}

QList<QPointer<KSToast>> guarded(const QList<KSToast *> &toasts)
{
    QList<QPointer<KSToast>> result;
    for (KSToast *toast : toasts)
        result.append(toast);
    return result;
}

bool allGone(const QList<QPointer<KSToast>> &toasts)
{
    return std::all_of(toasts.begin(), toasts.end(), [](const QPointer<KSToast> &t) { return t.isNull(); });
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

void TestHostWidgets::questionAnswers()
{
    QWidget window;
    Seen seen;
    whenModal(&seen, [](KOldMessageDialog *box) { click(box->yesButton()); });
    QVERIFY(KOldMessageDialog::question(&window, "Delete", "Delete \"<b>a</b>.mp4\"?", "Delete", "Keep"));
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, QStringLiteral("Delete"));
    // A file name that looks like markup is shown as typed.
    QVERIFY2(seen.labels.contains("Delete \"<b>a</b>.mp4\"?"), qPrintable(seen.labels.join('|')));
    QCOMPARE(seen.yes, QStringLiteral("Delete"));
    QCOMPARE(seen.no, QStringLiteral("Keep"));
    QVERIFY(seen.hasIcon);
    QCOMPARE(seen.parent, &window);

    seen = Seen();
    whenModal(&seen, [](KOldMessageDialog *box) { click(box->noButton()); });
    QVERIFY(!KOldMessageDialog::question(nullptr, "Q", "Sure?", "Go", "Stop", 0));
    QVERIFY(seen.shown);
    QVERIFY(!seen.hasIcon);

    seen = Seen();
    whenModal(&seen, [](KOldMessageDialog *box) { pressEscape(box); });
    QVERIFY(!KOldMessageDialog::question(nullptr, "Q", "Sure?", "Go", "Stop"));
    QVERIFY(seen.shown);

    seen = Seen();
    whenModal(&seen, [](KOldMessageDialog *box) { box->close(); });
    QVERIFY(!KOldMessageDialog::question(nullptr, "Q", "Sure?", "Go", "Stop"));
    QVERIFY(seen.shown);

    // Empty texts fall back to the defaults rather than leaving blank buttons.
    seen = Seen();
    whenModal(&seen, [](KOldMessageDialog *box) { click(box->yesButton()); });
    QVERIFY(KOldMessageDialog::question(nullptr, "Q", "Sure?", QString(), QString()));
    QCOMPARE(seen.yes, QStringLiteral("Yes"));
    QCOMPARE(seen.no, QStringLiteral("No"));

    KOldMessageDialog box(KOldMessageDialog::Question, "T", "Text");
    QCOMPARE(box.messageType(), KOldMessageDialog::Question);
    QCOMPARE(box.yesButton()->text(), QStringLiteral("Yes"));
    QCOMPARE(box.noButton()->text(), QStringLiteral("No"));
    QCOMPARE(box.yesButton()->objectName(), QStringLiteral("yesButton"));
    QCOMPARE(box.noButton()->objectName(), QStringLiteral("noButton"));
    box.setButtonTexts("Replace", QString());
    QCOMPARE(box.yesButton()->text(), QStringLiteral("Replace"));
    QCOMPARE(box.noButton()->text(), QStringLiteral("No"));
    box.setIconKind(2);
    QVERIFY(showsIcon(&box));
    box.setIconKind(0);
    QVERIFY(!showsIcon(&box));

    // The parent going away while the box waits takes the box along; nothing is freed twice.
    auto *doomed = new QWidget;
    seen = Seen();
    whenModal(&seen, [doomed](KOldMessageDialog *) { delete doomed; });
    QVERIFY(!KOldMessageDialog::question(doomed, "Q", "Sure?", "Go", "Stop"));
    QVERIFY(seen.shown);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestHostWidgets::informationBox()
{
    Seen seen;
    whenModal(&seen, [](KOldMessageDialog *box) { click(box->yesButton()); });
    QVERIFY(KOldMessageDialog::information(nullptr, "Saved", "The project was saved to the cloud."));
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, QStringLiteral("Saved"));
    QVERIFY(seen.labels.contains("The project was saved to the cloud."));
    QCOMPARE(seen.yes, QStringLiteral("OK"));
    QCOMPARE(seen.no, QStringLiteral("<none>"));
    QVERIFY(seen.hasIcon);

    seen = Seen();
    whenModal(&seen, [](KOldMessageDialog *box) { pressEscape(box); });
    QVERIFY(!KOldMessageDialog::information(nullptr, "Saved", "Done."));
    QVERIFY(seen.shown);

    KOldMessageDialog box(KOldMessageDialog::Information, "T", "Text");
    box.setButtonTexts("Yes please", "No thanks");
    QCOMPARE(box.yesButton()->text(), QStringLiteral("OK"));
    QVERIFY(!box.noButton());
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
    QCOMPARE(m_printed, QStringList{"Uploaded 3 files"});
    QCOMPARE(toastTexts(), QStringList{"Uploaded 3 files"});
    KSToast *first = KSToast::visibleToasts().constFirst();
    QVERIFY(first->isVisible());
    QVERIFY(labelTexts(first).contains("Uploaded 3 files"));
    QVERIFY(window.geometry().contains(first->geometry().center()));
    QCOMPARE(QApplication::activeWindow(), &window);

    KSToastEvents::post("Download finished");
    QCOMPARE(m_printed, QStringList({"Uploaded 3 files", "Download finished"}));
    QCOMPARE(toastTexts(), QStringList({"Uploaded 3 files", "Download finished"}));
    KSToast *second = KSToast::visibleToasts().constLast();
    QVERIFY(second->geometry().top() > first->geometry().bottom());
    QVERIFY(window.geometry().contains(second->geometry().center()));
    QCOMPARE(QApplication::activeWindow(), &window);

    // A second install swaps the sink and keeps a single handler on the bus.
    KSToastEvents::install([this](const QString &text) { m_printedElsewhere.append(text); });
    KSToastEvents::post("Quota almost full");
    QCOMPARE(m_printed.size(), 2);
    QCOMPARE(m_printedElsewhere, QStringList{"Quota almost full"});
    QCOMPARE(KSCustomEventManager::instance()->listenerCount(KSToastEvents::eventName()), 1);
    QCOMPARE(KSToast::visibleToasts().size(), 3);

    KSToastEvents::install();
    KSToastEvents::post("No one prints this");
    QCOMPARE(m_printedElsewhere.size(), 1);
    QCOMPARE(KSToast::visibleToasts().size(), 4);

    const QList<QPointer<KSToast>> shown = guarded(KSToast::visibleToasts());
    QTRY_VERIFY_WITH_TIMEOUT(allGone(shown), 8000);
    QVERIFY(KSToast::visibleToasts().isEmpty());
}

void TestHostWidgets::toastLifetimeAndStacking()
{
    QPointer<KSToast> brief = KSToast::showToast("Copied", nullptr, 800);
    QVERIFY(brief);
    QCOMPARE(brief->text(), QStringLiteral("Copied"));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((brief->geometry().center() - screenCentre).manhattanLength() <= 2);
    QTest::qWait(100);
    QVERIFY(brief && brief->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(brief.isNull(), 3000);
    QVERIFY(KSToast::visibleToasts().isEmpty());

    // A burst keeps the five newest, oldest on top, none covering another.
    QList<QPointer<KSToast>> burst;
    for (int i = 0; i < 7; ++i)
        burst.append(KSToast::showToast(QString::number(i), nullptr, 2000));
    QCOMPARE(toastTexts(), QStringList({"2", "3", "4", "5", "6"}));
    QTRY_VERIFY(burst.at(0).isNull() && burst.at(1).isNull());
    const QList<KSToast *> shown = KSToast::visibleToasts();
    for (int i = 1; i < shown.size(); ++i)
        QVERIFY(shown.at(i)->geometry().top() > shown.at(i - 1)->geometry().bottom());
    QTRY_VERIFY_WITH_TIMEOUT(allGone(burst), 5000);

    // The survivors close up when one in the middle leaves.
    QPointer<KSToast> top = KSToast::showToast("top", nullptr, 3000);
    QPointer<KSToast> middle = KSToast::showToast("middle", nullptr, 200);
    QPointer<KSToast> bottom = KSToast::showToast("bottom", nullptr, 3000);
    const int bottomBefore = bottom->y();
    QTRY_VERIFY(middle.isNull());
    QVERIFY(bottom->y() < bottomBefore);
    QVERIFY(bottom->geometry().top() > top->geometry().bottom());
    QTRY_VERIFY_WITH_TIMEOUT(top.isNull() && bottom.isNull(), 5000);
}

void TestHostWidgets::toastLink()
{
    QWidget window;
    window.setGeometry(50, 50, 640, 480);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    int calls = 0;
    bool shownDuringCall = true;
    QPointer<KSToast> toast;
    toast = KSToast::showToastBySequence("Upload failed", "Retry <now>", "/nonexistent/icon.png", &window, [&] {
        ++calls;
        shownDuringCall = toast && (toast->isVisible() || KSToast::visibleToasts().contains(toast));
    });
    QVERIFY(toast);
    QCOMPARE(toast->text(), QStringLiteral("Upload failed"));
    QCOMPARE(toast->linkText(), QStringLiteral("Retry <now>"));
    QSignalSpy activated(toast.data(), &KSToast::linkActivated);

    QLabel *link = nullptr;
    const QList<QLabel *> labels = toast->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->text().contains("Retry &lt;now&gt;"))
            link = label;
    }
    QVERIFY2(link, qPrintable(labelTexts(toast).join('|')));
    QVERIFY(link->text().contains("<a "));
    QVERIFY(labelTexts(toast).contains("Upload failed"));

    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    QCOMPARE(calls, 1);
    QCOMPARE(activated.count(), 1);
    // What the link opens must not appear under the notice.
    QVERIFY(!shownDuringCall);
    QVERIFY(!KSToast::visibleToasts().contains(toast));
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

void TestHostWidgets::toastOutlivesAnchor()
{
    auto *window = new QWidget;
    auto *child = new QWidget(window);
    window->setGeometry(200, 150, 500, 400);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QPointer<KSToast> toast = KSToast::showToast("Saved", child, 1500);
    QVERIFY(window->geometry().contains(toast->geometry().center()));
    // It follows its window.
    const QPoint before = toast->pos();
    window->move(window->pos() + QPoint(60, 40));
    QTRY_COMPARE(toast->pos(), before + QPoint(60, 40));

    const QRect lastPlace = toast->geometry();
    delete window;
    // Another notice makes the column be laid out again, which reads every notice's anchor.
    QPointer<KSToast> other = KSToast::showToast("Other", nullptr, 300);
    QVERIFY(toast && toast->isVisible());
    QCOMPARE(toast->geometry(), lastPlace);
    QCOMPARE(toastTexts(), QStringList({"Saved", "Other"}));
    QTRY_VERIFY(other.isNull());
    QTRY_VERIFY_WITH_TIMEOUT(toast.isNull(), 4000);
}

QTEST_MAIN(TestHostWidgets)
#include "tst_hostwidgets.moc"
