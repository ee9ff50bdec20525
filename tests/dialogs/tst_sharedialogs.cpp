// The share, remove and load dialogs, run through the service's entry points as the editor runs
// them, against the local drive; the drive itself confirms what a link allows.
#include "CloudTestEnvironment.h"
#include "KSCloudDiskItemManagerProxy.h"
#include "KSCloudDiskViewPresenter.h"
#include "KSProject.h"
#include "KSSkin.h"
#include "KSWidgets.h"
#include "TQCoreKit.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QProgressBar>
#include <QRadioButton>
#include <QUuid>
#include <QWaitCondition>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>

// QVERIFY and QCOMPARE inside a step: record the failure and end the step (the script then closes
// the window).
#define STEP_VERIFY2(cond, message)                                                                                    \
    do {                                                                                                               \
        if (!QTest::qVerify(static_cast<bool>(cond), #cond, message, __FILE__, __LINE__))                              \
            return true;                                                                                               \
    } while (false)
#define STEP_VERIFY(cond) STEP_VERIFY2(cond, "")
#define STEP_COMPARE(actual, expected)                                                                                 \
    do {                                                                                                               \
        if (!QTest::qCompare(actual, expected, #actual, #expected, __FILE__, __LINE__))                                \
            return true;                                                                                               \
    } while (false)

namespace {

void shoot(QWidget *window, const QString &name)
{
    KSSkinManager *skins = KSSkinManager::instance();
    const KSSkinManager::Skin was = skins->skin();
    for (KSSkinManager::Skin skin : {KSSkinManager::DarkSkin, KSSkinManager::LightSkin}) {
        skins->setSkin(skin);
        const QString dir = QStringLiteral(KSCD_SHARE_SCREENSHOT_DIR "/") + skins->skinName();
        QDir().mkpath(dir);
        window->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
    skins->setSkin(was);
}

template<typename T = QWidget>
T *child(QWidget *parent, const char *name)
{
    return parent ? parent->findChild<T *>(QLatin1String(name)) : nullptr;
}

// Steps run one after another against the modal window of the flow under test, from inside its own
// loop; a step answers true once it is done. A failed test or the deadline closes whatever is up.
class ModalScript
{
public:
    using Step = std::function<bool(QDialog *)>;
    explicit ModalScript(QList<Step> steps)
        : m_steps(std::move(steps))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start(20);
    }
    bool finished() const { return m_steps.isEmpty(); }

private:
    void tick()
    {
        if (m_steps.isEmpty()) {
            m_timer.stop();
            return;
        }
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!modal)
            return;
        if (QTest::currentTestFailed() || m_deadline.hasExpired()) {
            modal->done(QDialog::Rejected);
            return;
        }
        if (m_steps.first()(modal))
            m_steps.removeFirst();
    }

    QList<Step> m_steps;
    QTimer m_timer;
    QDeadlineTimer m_deadline{30000};
};

bool isShareDialog(QDialog *dialog)
{
    return qstrcmp(dialog->metaObject()->className(), "KSCloudDiskShareDialog") == 0;
}

// A drive transfer started in this process, waited for; answers the drive's code (0 success).
class Transfer
{
public:
    static int run(bool upload, const QJsonObject &item, quint64 spaceId, QJsonObject *last = nullptr)
    {
        Transfer watch;
        QJsonObject request{{QStringLiteral("custom_uid"), QUuid::createUuid().toString()},
            {upload ? QStringLiteral("upload") : QStringLiteral("download"), QJsonArray{item}},
            {QStringLiteral("space_id"), QStringLiteral("@SPACE@")}};
        const QByteArray text
            = QJsonDocument(request).toJson(QJsonDocument::Compact).replace("\"@SPACE@\"", QByteArray::number(spaceId));
        const int code = upload ? Drive_UploadFile(text.constData(), &Transfer::callback, &watch)
                                : Drive_DownloadFile(text.constData(), &Transfer::callback, &watch);
        if (code != 0)
            return code;
        QMutexLocker lock(&watch.m_mutex);
        while (watch.m_final.isEmpty())
            watch.m_done.wait(&watch.m_mutex);
        if (last)
            *last = watch.m_final;
        const QJsonObject current = watch.m_final.value(QStringLiteral("current")).toObject();
        return watch.m_final.value(QStringLiteral("status")).toInt() == 3
            ? 0
            : current.value(QStringLiteral("code")).toInt(-1);
    }

private:
    static void callback(const char *, const char *info, void *context)
    {
        auto *self = static_cast<Transfer *>(context);
        const QJsonObject report = QJsonDocument::fromJson(info).object();
        const int status = report.value(QStringLiteral("status")).toInt();
        if (status == 3 || status == 4) {
            QMutexLocker lock(&self->m_mutex);
            self->m_final = report;
            self->m_done.wakeAll();
        }
    }
    QMutex m_mutex;
    QWaitCondition m_done;
    QJsonObject m_final;
};

QString shareIdOf(const QString &address)
{
    return address.section(QLatin1Char('/'), -1);
}

QJsonObject lastShareAnswer()
{
    QJsonObject answer;
    for (const auto &call : TQDriveAdmin::calls()) {
        if (call.function == QLatin1String("Drive_ShareFile"))
            answer = QJsonDocument::fromJson(call.answer.toUtf8()).object();
    }
    return answer;
}

QJsonObject lastShareRequest()
{
    QJsonObject request;
    for (const auto &call : TQDriveAdmin::calls()) {
        if (call.function == QLatin1String("Drive_ShareFile"))
            request = QJsonDocument::fromJson(call.request.toUtf8()).object();
    }
    return request;
}

} // namespace

class TestShareDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void driveShareWithPassword();
    void mediaShareThroughResourceService();
    void passwordRule();
    void removeDialogAnswers();
    void loadDialog();

private:
    QString upload(const QString &name, const QByteArray &content);
    int fetchShare(const QString &shareId, const QString &code, QByteArray *content = nullptr);

    std::unique_ptr<CloudTestEnvironment> m_env;
    IKSCloudDisk *m_service = nullptr;
};

void TestShareDialogs::initTestCase()
{
    m_env = std::make_unique<CloudTestEnvironment>();
    QVERIFY(m_env->isReady());
    m_service = m_env->startService();
    QVERIFY(m_env->logIn(m_service));
    // The editor's answer to a share object: its address, handed to the dialog that asked.
    connect(m_service->getPresenter(), &KSCloudDiskViewPresenter::sigGetShareUrl, this,
        [](const QString &objectId, QObject *dialog) {
            const QString address = IKSProjectManager::getInstance()->getMediaItemManager()->shareAddress(objectId);
            QMetaObject::invokeMethod(dialog, "slotGetShareUrl", Qt::QueuedConnection, Q_ARG(QString, address));
        });
}

void TestShareDialogs::cleanupTestCase()
{
    m_env.reset();
}

QString TestShareDialogs::upload(const QString &name, const QByteArray &content)
{
    const QString path = m_env->path(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    file.close();
    QJsonObject last;
    const int code
        = Transfer::run(true, {{QStringLiteral("file_id"), QStringLiteral("root")}, {QStringLiteral("path"), path}},
            m_env->account().spaceId, &last);
    return code == 0 ? last.value(QStringLiteral("current")).toObject().value(QStringLiteral("file_id")).toString()
                     : QString();
}

int TestShareDialogs::fetchShare(const QString &shareId, const QString &code, QByteArray *content)
{
    const QString dir = m_env->path(QStringLiteral("fetch-") + QUuid::createUuid().toString(QUuid::Id128));
    QDir().mkpath(dir);
    QJsonObject last;
    const QString target = code.isNull() ? shareId : shareId + QLatin1Char(':') + code;
    const int result
        = Transfer::run(false, {{QStringLiteral("share_id"), target}, {QStringLiteral("save_dir"), dir}}, 0, &last);
    if (result == 0 && content) {
        const QStringList files = QDir(dir).entryList(QDir::Files);
        QFile file(dir + QLatin1Char('/') + files.value(0));
        if (file.open(QIODevice::ReadOnly))
            *content = file.readAll();
    }
    return result;
}

void TestShareDialogs::driveShareWithPassword()
{
    const QByteArray content("project bytes for a drive share");
    const QString fileId = upload(QStringLiteral("Holiday.vqp"), content);
    QVERIFY(!fileId.isEmpty());
    QApplication::clipboard()->clear();
    TQDriveAdmin::clearCalls();

    ModalScript script({[](QDialog *dialog) {
                            if (!isShareDialog(dialog))
                                return false;
                            // A project is shared by the drive: no media permissions offered.
                            STEP_VERIFY2(child(dialog, "m_pPermissionWdg")->isHidden(), "permissions on a project");
                            STEP_COMPARE(
                                child<QComboBox>(dialog, "m_pPeriodCbb")->currentText(), QStringLiteral("7 days"));
                            shoot(dialog, QStringLiteral("share_default"));
                            child<QRadioButton>(dialog, "m_pWithPWBtn")->click();
                            auto *edit = child<QLineEdit>(dialog, "m_pPasswordEdt");
                            edit->clear();
                            QTest::keyClicks(edit, QStringLiteral("Ab12"));
                            shoot(dialog, QStringLiteral("share_with_password"));
                            child<QPushButton>(dialog, "btnCreateLink")->click();
                            return true;
                        },
        [](QDialog *dialog) {
            if (QApplication::clipboard()->text().isEmpty())
                return false;
            STEP_VERIFY(child<QPushButton>(dialog, "btnCreateLink")->isEnabled());
            shoot(dialog, QStringLiteral("share_created"));
            dialog->done(QDialog::Rejected);
            return true;
        }});
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    QVERIFY(m_service->showShareDialog(nullptr, QStringLiteral("Holiday.vqp"), fileId, 0, content.size(),
        QStringLiteral("vqp"), QStringLiteral("test")));
    QVERIFY(script.finished());

    const KSCloudShareResult result = m_service->getShareResult();
    QVERIFY(!result.linkId.isEmpty());
    const QString clipboard = QApplication::clipboard()->text();
    QVERIFY2(clipboard.startsWith(QStringLiteral("Link: ")), qPrintable(clipboard));
    QVERIFY2(clipboard.endsWith(QStringLiteral("\r\nExtraction code: Ab12")), qPrintable(clipboard));
    QCOMPARE(shareIdOf(clipboard.section(QStringLiteral("\r\n"), 0, 0)), result.linkId);
    QVERIFY(!KSToast::visibleToasts().isEmpty());
    QCOMPARE(KSToast::visibleToasts().last()->text(), QStringLiteral("Link copied successfully!"));

    // The request carried the project's tag, and the drive set the link to end in seven days.
    const QJsonObject request = lastShareRequest();
    QCOMPARE(request.value(QStringLiteral("expires_in")).toInt(), 7 * 86400);
    QCOMPARE(request.value(QStringLiteral("type")).toInt(), 1);
    const qint64 expiresAt = lastShareAnswer()
                                 .value(QStringLiteral("data"))
                                 .toObject()
                                 .value(QStringLiteral("expires_at"))
                                 .toVariant()
                                 .toLongLong();
    QVERIFY2(qAbs(expiresAt - (before + 7 * 86400)) < 120, qPrintable(QString::number(expiresAt - before)));

    QByteArray fetched;
    QCOMPARE(fetchShare(result.linkId, QStringLiteral("Ab12"), &fetched), 0);
    QCOMPARE(fetched, content);
    QCOMPARE(fetchShare(result.linkId, QStringLiteral("Ab13")), 403003);
    QCOMPARE(fetchShare(result.linkId, QString()), 403003);
}

void TestShareDialogs::mediaShareThroughResourceService()
{
    const QByteArray content("not really a video");
    const QString fileId = upload(QStringLiteral("clip.MP4"), content);
    QVERIFY(!fileId.isEmpty());
    const QString driveLinkBefore = m_service->getShareResult().linkId;
    QApplication::clipboard()->clear();
    TQDriveAdmin::clearCalls();

    ModalScript script({[](QDialog *dialog) {
                            if (!isShareDialog(dialog))
                                return false;
                            STEP_VERIFY2(!child(dialog, "m_pPermissionWdg")->isHidden(), "no permissions for a video");
                            STEP_VERIFY(child(dialog, "m_pPasswrodWdg")->isHidden());
                            child<QCheckBox>(dialog, "m_pCommentChb")->setChecked(false);
                            child<QComboBox>(dialog, "m_pPeriodCbb")->setCurrentIndex(0);
                            shoot(dialog, QStringLiteral("share_media_permissions"));
                            child<QPushButton>(dialog, "btnCreateLink")->click();
                            STEP_VERIFY(!child<QPushButton>(dialog, "btnCancel")->isEnabled());
                            return true;
                        },
        [](QDialog *dialog) {
            if (QApplication::clipboard()->text().isEmpty())
                return false;
            dialog->done(QDialog::Rejected);
            return true;
        }});
    QVERIFY(m_service->showShareDialog(
        nullptr, QStringLiteral("clip.MP4"), fileId, 7, content.size(), QStringLiteral("MP4"), QStringLiteral("test")));
    QVERIFY(script.finished());

    // Without a password the clipboard holds the address alone; the service's own share was not used.
    const QString address = QApplication::clipboard()->text();
    QVERIFY2(address.startsWith(QStringLiteral("https://")), qPrintable(address));
    QCOMPARE(m_service->getShareResult().linkId, driveLinkBefore);
    const QJsonObject request = lastShareRequest();
    QCOMPARE(request.value(QStringLiteral("file_id")).toString(), fileId);
    QCOMPARE(request.value(QStringLiteral("expires_in")).toInt(-5), 0);
    QVERIFY(request.value(QStringLiteral("code")).toString().isEmpty());
    QByteArray fetched;
    QCOMPARE(fetchShare(shareIdOf(address), QString(), &fetched), 0);
    QCOMPARE(fetched, content);
}

void TestShareDialogs::passwordRule()
{
    const QString fileId = upload(QStringLiteral("Rule.vqp"), "rule");
    QVERIFY(!fileId.isEmpty());
    QApplication::clipboard()->clear();
    QString generated;
    ModalScript script({[&generated](QDialog *dialog) {
                            if (!isShareDialog(dialog))
                                return false;
                            auto *edit = child<QLineEdit>(dialog, "m_pPasswordEdt");
                            auto *tip = child<QLabel>(dialog, "m_pPWTipLbl");
                            child<QRadioButton>(dialog, "m_pWithPWBtn")->click();
                            STEP_VERIFY(!tip->isHidden());
                            STEP_COMPARE(tip->text(), QStringLiteral("Support 4 letters or numbers"));
                            STEP_COMPARE(tip->property("Status").toString(), QString());
                            const QRegularExpression rule(QStringLiteral("^[0-9a-zA-Z]{4}$"));

                            // Five characters: the fifth is refused.
                            edit->clear();
                            edit->setFocus();
                            QTest::keyClicks(edit, QStringLiteral("abcde"));
                            STEP_COMPARE(edit->text(), QStringLiteral("abcd"));
                            STEP_COMPARE(tip->property("Status").toString(), QStringLiteral("Warning"));

                            // A symbol is refused, the letters around it are kept.
                            edit->clear();
                            QTest::keyClicks(edit, QStringLiteral("a"));
                            STEP_COMPARE(tip->property("Status").toString(), QString());
                            QTest::keyClicks(edit, QStringLiteral("!"));
                            STEP_COMPARE(tip->property("Status").toString(), QStringLiteral("Warning"));
                            STEP_COMPARE(
                                tip->palette().color(QPalette::WindowText), KSSkinManager::instance()->getColor(69));
                            shoot(dialog, QStringLiteral("share_password_refused"));
                            QTest::keyClicks(edit, QStringLiteral("b-"));
                            STEP_COMPARE(tip->property("Status").toString(), QStringLiteral("Warning"));
                            QTest::keyClicks(edit, QStringLiteral("2"));
                            STEP_COMPARE(edit->text(), QStringLiteral("ab2"));

                            // Three characters left behind are replaced by four random ones when the
                            // field loses the focus (sent directly: an offscreen window need not be active).
                            QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
                            QApplication::sendEvent(edit, &leaving);
                            STEP_VERIFY(edit->text() != QStringLiteral("ab2"));
                            STEP_VERIFY2(rule.match(edit->text()).hasMatch(), qPrintable(edit->text()));
                            generated = edit->text();
                            child<QPushButton>(dialog, "btnCreateLink")->click();
                            return true;
                        },
        [](QDialog *dialog) {
            if (QApplication::clipboard()->text().isEmpty())
                return false;
            dialog->done(QDialog::Rejected);
            return true;
        }});
    QVERIFY(m_service->showShareDialog(
        nullptr, QStringLiteral("Rule.vqp"), fileId, 0, 4, QStringLiteral("vqp"), QStringLiteral("test")));
    QVERIFY(script.finished());
    // The link needs exactly the code the field was given.
    QVERIFY(QApplication::clipboard()->text().endsWith(QStringLiteral("Extraction code: ") + generated));
    QCOMPARE(fetchShare(m_service->getShareResult().linkId, generated), 0);
}

void TestShareDialogs::removeDialogAnswers()
{
    const QString fileId = upload(QStringLiteral("Remove me.vqp"), "remove");
    QVERIFY(!fileId.isEmpty());
    auto listed = [this, &fileId] {
        const QByteArray request = QByteArray(R"({"space_id":)") + QByteArray::number(m_env->account().spaceId)
            + R"(,"parent_file_id":"root"})";
        char *out = nullptr;
        Drive_GetFileList(request.constData(), &out);
        const QByteArray answer(out ? out : "");
        Drive_FreeBuf(out);
        return answer.contains(fileId.toUtf8());
    };

    // "Cancel" answers false and leaves the file.
    ModalScript cancel({[](QDialog *dialog) {
        STEP_COMPARE(child<QLabel>(dialog, "textLabel")->text(),
            QStringLiteral("Are you sure you want to delete the file from the cloud storage? After deleting, you can "
                           "check the deleted files in the cloud storage's recycle bin."));
        shoot(dialog, QStringLiteral("remove_question"));
        child<QPushButton>(dialog, "noButton")->click();
        return true;
    }});
    QVERIFY(!m_service->showRemoveDialog(nullptr, fileId));
    QVERIFY(cancel.finished());
    QVERIFY(listed());

    // A failed removal keeps the dialog with its tip; while the next one runs, Escape and the close
    // control do nothing; once it succeeds the dialog answers true.
    TQDriveAdmin::failNextCalls(QStringLiteral("Drive_RecycleFile"), 1, 381000);
    ModalScript remove({[](QDialog *dialog) {
                            child<QPushButton>(dialog, "yesButton")->click();
                            return true;
                        },
        [](QDialog *dialog) {
            auto *tip = child<QLabel>(dialog, "lblErrorTip");
            if (tip->isHidden())
                return false;
            STEP_COMPARE(tip->text(), QStringLiteral("Please check your internet connection and try again."));
            STEP_VERIFY(child<QPushButton>(dialog, "yesButton")->isEnabled());
            shoot(dialog, QStringLiteral("remove_failed"));
            TQDriveAdmin::delayNextCalls(QStringLiteral("Drive_RecycleFile"), 1, 1500);
            child<QPushButton>(dialog, "yesButton")->click();
            STEP_VERIFY(tip->isHidden());
            STEP_VERIFY(!child<QPushButton>(dialog, "yesButton")->isEnabled());
            STEP_VERIFY(!child<QPushButton>(dialog, "noButton")->isEnabled());
            QTest::keyClick(dialog, Qt::Key_Escape);
            STEP_VERIFY2(dialog->isVisible(), "Escape closed a busy dialog");
            // As the window system asks, not as code closing it.
            dialog->windowHandle()->close();
            STEP_VERIFY(dialog->isVisible());
            shoot(dialog, QStringLiteral("remove_busy"));
            return true;
        }});
    QVERIFY(m_service->showRemoveDialog(nullptr, fileId));
    QVERIFY(remove.finished());
    QVERIFY(!listed());
}

void TestShareDialogs::loadDialog()
{
    // Automatic sync keeps the dialog away.
    KSCloudDiskItemManagerProxy::setInAutoSync(true);
    QVERIFY(!m_service->showDownloadDialog(nullptr));
    KSCloudDiskItemManagerProxy::setInAutoSync(false);

    // A slow share download: progress, then a confirmed cancel removes it.
    const QByteArray content(4 << 20, 'x');
    const QString fileId = upload(QStringLiteral("Big.vqp"), content);
    QVERIFY(!fileId.isEmpty());
    KSCloudShareParam param;
    param.token = m_env->accountParam().token;
    param.fileId = fileId;
    param.expiresIn = 86400;
    m_service->share(param);
    QTRY_VERIFY(m_service->getShareResult().linkId.size() == 16
        && lastShareRequest().value(QStringLiteral("file_id")).toString() == fileId);
    KSCloudDiskViewPresenter *presenter = m_service->getPresenter();
    TQDriveAdmin::setThrottle(256 * 1024);
    presenter->downloadShareProject(m_service->getShareResult().linkId, m_env->path(QStringLiteral("load")));
    QVERIFY(presenter->downloadShareTask());

    ModalScript script({[](QDialog *dialog) {
                            if (qstrcmp(dialog->metaObject()->className(), "KSCloudDiskDownloadDialog") != 0)
                                return false;
                            STEP_COMPARE(dialog->windowTitle(), QStringLiteral("Load File"));
                            auto *label = child<QLabel>(dialog, "lblProgress");
                            auto *cancel = child<QPushButton>(dialog, "btnCancel");
                            if (!cancel->isEnabled() || child<QProgressBar>(dialog, "progressBar")->value() < 1)
                                return false;
                            STEP_VERIFY(label->text().endsWith(QLatin1Char('%')));
                            shoot(dialog, QStringLiteral("load_running"));
                            // The question runs its own loop: click from outside this step.
                            QTimer::singleShot(0, cancel, &QPushButton::click);
                            return true;
                        },
        [](QDialog *dialog) {
            if (qstrcmp(dialog->metaObject()->className(), "KSMessageDialog") != 0)
                return false;
            shoot(dialog, QStringLiteral("load_cancel_question"));
            for (auto *button : dialog->findChildren<QPushButton *>()) {
                if (button->text() == QStringLiteral("Yes")) {
                    button->click();
                    return true;
                }
            }
            return false;
        }});
    QVERIFY(!m_service->showDownloadDialog(nullptr));
    QVERIFY(script.finished());
    QCOMPARE(presenter->downloadShareTask(), nullptr);
    TQDriveAdmin::setThrottle(0);
}

QTEST_MAIN(TestShareDialogs)
#include "tst_sharedialogs.moc"
