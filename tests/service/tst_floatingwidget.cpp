// The floating share-download widget over a real main window, with the real service, presenter and
// drive: its place, what it shows in each skin, and share downloads it follows to their end.
#include "CloudTestEnvironment.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSWidgets.h"
#include "KSZip.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QLabel>
#include <QRandomGenerator>
#include <QThreadPool>
#include <QWindow>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kInset = 25 + 48; // the margin and the widget's side

// A main window that can refuse to close, as the editor does while work is unsaved.
class MainWindow : public QWidget
{
public:
    bool refuseClose = false;

protected:
    void closeEvent(QCloseEvent *event) override { event->setAccepted(!refuseClose); }
};

struct Box {
    bool seen = false;
    QString title, text;
    QStringList buttons;
};

// Answers the next modal box from inside its own loop with the button of that text (no such button:
// rejected) and records what it showed. Gone once it has answered or after timeoutMs.
QPointer<QTimer> answerNextBox(const QString &button, Box *box, int timeoutMs = 10000)
{
    *box = Box();
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, deadline = QDeadlineTimer(timeoutMs), button, box] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (deadline.hasExpired())
                poll->deleteLater();
            return;
        }
        poll->deleteLater();
        box->seen = true;
        auto *message = qobject_cast<KSMessageDialog *>(dialog);
        for (int i = 0; message && i < message->buttonCount(); ++i)
            box->buttons << message->button(i)->text();
        if (!message || !box->buttons.contains(button)) {
            dialog->reject();
            return;
        }
        box->title = message->windowTitle();
        box->text = message->text();
        message->button(box->buttons.indexOf(button))->click();
    });
    poll->start(20);
    return poll;
}

void drag(QWidget *widget, const QPoint &offset)
{
    const QPoint target = widget->mapToGlobal(widget->rect().center()) + offset;
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
    QMouseEvent move(
        QEvent::MouseMove, widget->mapFromGlobal(target), target, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, widget->mapFromGlobal(target));
}

// Whether the ring's centre line, `turn` of the way round clockwise from 12 o'clock, has skin colour `index`.
bool ringHas(QWidget *widget, double turn, int index)
{
    const QColor want = KSSkinManager::instance()->getColor(index);
    const QColor seen = widget->grab().toImage().pixelColor(
        int(24 + 20 * std::sin(turn * 2 * M_PI)), int(24 - 20 * std::cos(turn * 2 * M_PI)));
    return qAbs(seen.red() - want.red()) + qAbs(seen.green() - want.green()) + qAbs(seen.blue() - want.blue()) < 24
        && seen.alpha() > 240;
}

QString percentText(const KSCloudDiskTask *task)
{
    return QStringLiteral("%1%").arg(qRound(task->transSize() * 100.0 / task->totalSize()));
}

} // namespace

class TestFloatingWidget : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void placementAndFollowing();
    void statesInBothSkins();
    void shareDownloads();

private:
    QWidget *floating() const { return m_window->findChild<QWidget *>(QStringLiteral("KSCloudDiskFloatingWidget")); }
    QLabel *label() const { return m_window->findChild<QLabel *>(QStringLiteral("lblProgress")); }
    QPoint corner() const { return m_window->geometry().bottomRight() - QPoint(kInset, kInset); }
    void doubleClick() { QTest::mouseDClick(floating(), Qt::LeftButton, Qt::NoModifier, QPoint(24, 24)); }

    CloudTestEnvironment *m_env = nullptr;
    MainWindow *m_window = nullptr;
};

void TestFloatingWidget::init()
{
    m_env = new CloudTestEnvironment;
    QVERIFY(m_env->isReady());
    m_window = new MainWindow;
    m_window->setGeometry(100, 80, 800, 600);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestFloatingWidget::cleanup()
{
    delete m_window;
    delete m_env;
    TQDriveAdmin::setThrottle(0);
    KSSkinManager::instance()->setSkin(KSSkinManager::DarkSkin);
}

void TestFloatingWidget::placementAndFollowing()
{
    IKSCloudDisk *service = m_env->startService(false);
    service->showFloatingWidget(nullptr, false);
    QVERIFY(!service->isFloatingWidgetVisible());

    // Asked for from inside the window, it floats over the whole window, in its bottom-right corner.
    service->showFloatingWidget(new QWidget(m_window), false);
    QWidget *widget = floating();
    QVERIFY(widget && widget->isWindow() && service->isFloatingWidgetVisible());
    QCOMPARE(widget->parentWidget(), m_window);
    QCOMPARE(widget->pos(), corner());

    // A second show changes nothing, even with the reset flag.
    drag(widget, QPoint(-300, -200));
    QCOMPARE(widget->pos(), corner() - QPoint(300, 200));
    service->showFloatingWidget(m_window, true);
    QCOMPARE(m_window->findChildren<QWidget *>(QStringLiteral("KSCloudDiskFloatingWidget")).size(), 1);
    QCOMPARE(widget->pos(), corner() - QPoint(300, 200));

    // Every move, whoever makes it, stops 25 px inside the window's edges.
    const QPoint topLeft = m_window->geometry().topLeft() + QPoint(25, 25);
    drag(widget, QPoint(-5000, -5000));
    QCOMPARE(widget->pos(), topLeft);
    drag(widget, QPoint(5000, 5000));
    QCOMPARE(widget->pos(), corner());
    widget->move(0, 0);
    QCOMPARE(widget->pos(), topLeft);

    // It moves with the window, and a window that shrinks pulls it back in.
    drag(widget, QPoint(500, 400));
    const QPoint before = widget->pos();
    m_window->move(m_window->pos() + QPoint(40, 30));
    QTRY_COMPARE(widget->pos(), before + QPoint(40, 30));
    m_window->resize(400, 300);
    QTRY_COMPARE(widget->pos(), corner());

    // Close requests are ignored, from the window system as from code.
    widget->windowHandle()->close();
    QVERIFY(!widget->close());
    QVERIFY(service->isFloatingWidgetVisible());

    // Closed and shown again without reset, it is where the user left it; removing the share
    // download forgets that place.
    drag(widget, QPoint(-100, -100));
    const QPoint left = widget->pos();
    service->closeFloatingWidget();
    QVERIFY(!floating() && !service->isFloatingWidgetVisible());
    service->showFloatingWidget(m_window, false);
    QCOMPARE(floating()->pos(), left);
    service->closeFloatingWidget();
    service->getPresenter()->removeDownloadShareTask();
    service->showFloatingWidget(m_window, false);
    QCOMPARE(floating()->pos(), corner());

    // A window that refuses to close keeps it; one that closes takes it along.
    m_window->refuseClose = true;
    QVERIFY(!m_window->close());
    QTest::qWait(50);
    QVERIFY(service->isFloatingWidgetVisible());
    m_window->refuseClose = false;
    QVERIFY(m_window->close());
    QTRY_VERIFY(!floating());
    QVERIFY(!service->isFloatingWidgetVisible());
}

void TestFloatingWidget::statesInBothSkins()
{
    // Without the worker the share download stays as each step sets it; the steps reach the widget
    // through the presenter's own report handling.
    IKSCloudDisk *service = m_env->startService(false);
    KSCloudDiskViewPresenter *p = service->getPresenter();
    KSCloudDiskTask *task = p->findTask(p->downloadShareProject(QStringLiteral("link"), m_env->path("a.vqp")));
    service->showFloatingWidget(m_window, true);
    QWidget *widget = floating();
    const struct {
        const char *name;
        int status;
        qint64 total, done;
        const char *text, *state;
        int ring, textColor; // skin colours; ring 0: none
    } steps[] = {
        {"zero-total", Running, 0, 0, "0%", "", 0, 56},
        {"running-13", Running, 8, 1, "13%", "", 7, 56}, // 12.5 % rounds up
        {"failed", Failed, 1000, 370, "37%", "Failed", 69, 69},
        {"running-again", Running, 1000, 500, "50%", "", 7, 56},
        {"transferred", Transferred, 1000, 990, "100%", "", 7, 56},
        {"finished", Finished, 1000, 1000, "100%", "Finished", 7, 7},
    };
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../../screenshots/floating/");
    QVERIFY(QDir().mkpath(folder));
    for (const auto &step : steps) {
        task->setTotalSize(step.total);
        task->setTransSize(step.done);
        task->setFailedCode(24);
        if (step.status == Finished) {
            QVERIFY(QMetaObject::invokeMethod(p, "taskProgressFinished", Q_ARG(QString, task->taskId())));
        } else {
            static_cast<IKSCDBaseTask *>(task)->setStatus(step.status);
            p->doTaskStateChanged(task);
        }
        QCOMPARE(label()->text(), QString::fromLatin1(step.text));
        QCOMPARE(label()->property("Status").toString(), QString::fromLatin1(step.state));
        for (KSSkinManager::Skin skin : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
            KSSkinManager::instance()->setSkin(skin);
            const QString shot = folder + KSSkinManager::instance()->skinName() + '-' + step.name;
            QCOMPARE(
                label()->palette().color(QPalette::WindowText), KSSkinManager::instance()->getColor(step.textColor));
            // The ring starts at 12 o'clock and ends where the percentage does.
            QVERIFY2(step.ring ? ringHas(widget, 0.01, step.ring) : !ringHas(widget, 0.01, 7), qPrintable(shot));
            QCOMPARE(step.ring && QByteArray(step.text) == "100%", ringHas(widget, 0.99, step.ring ? step.ring : 7));
            QVERIFY(widget->grab().save(shot + QStringLiteral(".png")));
        }
    }
}

void TestFloatingWidget::shareDownloads()
{
    IKSCloudDisk *service = m_env->startService();
    QVERIFY(m_env->logIn(service));
    KSCloudDiskViewPresenter *p = service->getPresenter();

    // A project of 2 MiB in the cloud, shared by link.
    QDir().mkpath(m_env->path("film/ProjectFolder"));
    QFile media(m_env->path("film/ProjectFolder/clip.bin"));
    QVERIFY(media.open(QIODevice::WriteOnly));
    QByteArray bytes(2 << 20, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    media.write(bytes);
    media.close();
    QVERIFY(KSQuaZip::CompressDirWithUTF8(m_env->path("film.vqp"), m_env->path("film")));
    connect(p, &KSCloudDiskViewPresenter::sigFolderCreated, this, [p](const QString &taskId) {
        static_cast<IKSCDBaseTask *>(p->findTask(taskId))->setStatus(RootFolderSynced);
        p->doTaskStateChanged(p->findTask(taskId));
    });
    QSignalSpy uploaded(p, &KSCloudDiskViewPresenter::uploadFinished);
    p->uploadProject(m_env->path("film.vqp"), KeepBoth);
    QVERIFY(uploaded.wait(20000));
    KSCloudShareParam share;
    share.token = m_env->accountParam().token;
    share.fileId = uploaded.at(0).at(1).toString();
    service->share(share);
    QThreadPool::globalInstance()->waitForDone();
    const QString link = service->getShareResult().linkId;
    QVERIFY(!link.isEmpty());

    // Sent to the background, the download runs under the widget.
    QDir().mkpath(m_env->path("dest"));
    TQDriveAdmin::setThrottle(1 << 20);
    QSignalSpy finished(p, &KSCloudDiskViewPresenter::downloadFinished);
    p->downloadShareProject(link, m_env->path("dest/film.vqp"));
    service->showFloatingWidget(m_window, true);
    KSCloudDiskTask *task = p->downloadShareTask();
    QTRY_VERIFY_WITH_TIMEOUT(task->transSize() > 0 && task->transSize() < task->totalSize() / 2, 10000);
    QCOMPARE(label()->text(), percentText(task));
    QVERIFY(ringHas(floating(), 0.01, 7));

    // While it runs, a double click puts the widget away for the load dialog (dismissed should one
    // come); shown again, the widget is where it was and follows the download to its end.
    drag(floating(), QPoint(-200, -100));
    const QPoint place = floating()->pos();
    Box box;
    const QPointer<QTimer> dismiss = answerNextBox(QString(), &box, 500);
    doubleClick();
    QTRY_VERIFY(!floating());
    QTRY_VERIFY(!dismiss);
    service->showFloatingWidget(m_window, false);
    QCOMPARE(floating()->pos(), place);
    QCOMPARE(label()->text(), percentText(task));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(label()->text(), QStringLiteral("100%"));
    QCOMPARE(label()->property("Status").toString(), QStringLiteral("Finished"));
    QVERIFY(QFileInfo(m_env->path("dest/film.vqp")).size() > (1 << 20));

    // Finished: a double click offers to open the project; accepted, the download is done with.
    answerNextBox(QStringLiteral("Open now"), &box);
    doubleClick();
    QTRY_VERIFY(!floating());
    QCOMPARE(box.title, QStringLiteral("Loading Complete"));
    QCOMPARE(box.text, QStringLiteral("The \"film.vqp\" file has been loaded. Do you want to open the file now?"));
    QCOMPARE(box.buttons, QStringList({"Cancel", "Open now"}));
    QVERIFY(!p->downloadShareTask() && !service->isFloatingWidgetVisible());

    // Broken off with a damaged file (24): the widget stops where it did, in the failure colour; a
    // double click names the damage, and Refresh starts the download anew.
    TQDriveAdmin::delayNextCalls("Drive_DownloadFile", 1, 300);
    const QString damaged = p->downloadShareProject(link, m_env->path("dest/damaged.vqp"));
    TQDriveAdmin::failTransferAfter(damaged, 700 << 10, 24);
    service->showFloatingWidget(m_window, false);
    QCOMPARE(floating()->pos(), corner());
    task = p->downloadShareTask();
    QSignalSpy failed(p, qOverload<const QString &, bool, int>(&KSCloudDiskViewPresenter::taskFailed));
    QVERIFY(failed.wait(20000));
    QCOMPARE(label()->property("Status").toString(), QStringLiteral("Failed"));
    QCOMPARE(label()->text(), percentText(task));
    QVERIFY(task->transSize() > 0 && ringHas(floating(), 0.01, 69));
    const auto starts = [damaged] {
        const auto calls = TQDriveAdmin::calls();
        return std::count_if(calls.cbegin(), calls.cend(), [&](const TQDriveAdmin::CallRecord &call) {
            return call.function == QLatin1String("Drive_DownloadFile") && call.request.contains(damaged);
        });
    };
    QCOMPARE(starts(), 1);
    // Held at its start, so that what Refresh shows can be read before the drive answers.
    TQDriveAdmin::delayNextCalls("Drive_DownloadFile", 1, 1000);
    answerNextBox(QStringLiteral("Refresh"), &box);
    doubleClick();
    QTRY_VERIFY(box.seen);
    QCOMPARE(box.text, QStringLiteral("Sorry, the file is corrupted!"));
    QCOMPARE(box.buttons, QStringList({"Cancel", "Refresh"}));
    QCOMPARE(label()->property("Status").toString(), QString());
    QCOMPARE(label()->text(), QStringLiteral("0%"));
    QTRY_COMPARE(starts(), 2);
    // The retry resumes the drive's transfer where it broke off, and finishes.
    QTRY_COMPARE_WITH_TIMEOUT(task->status(), int(Finished), 20000);
    p->removeDownloadShareTask(task);
    service->closeFloatingWidget();

    // A link that has gone (381413): the message says so, and Cancel gives the download up.
    TQDriveAdmin::delayNextCalls("Drive_DownloadFile", 1, 300);
    const QString gone = p->downloadShareProject(link, m_env->path("dest/gone.vqp"));
    TQDriveAdmin::failTransferAfter(gone, 64 << 10, 381413);
    service->showFloatingWidget(m_window, false);
    // The retried download above still reports; only this one counts here.
    task = p->downloadShareTask();
    QCOMPARE(task->taskId(), gone);
    QTRY_COMPARE_WITH_TIMEOUT(task->status(), int(Failed), 20000);
    QCOMPARE(label()->property("Status").toString(), QStringLiteral("Failed"));
    answerNextBox(QStringLiteral("Cancel"), &box);
    doubleClick();
    QTRY_VERIFY(!floating());
    QCOMPARE(box.text, QStringLiteral("The file is no longer available, please contact the sharer to re-share it."));
    QVERIFY(!p->downloadShareTask());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestFloatingWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_floatingwidget.moc"
