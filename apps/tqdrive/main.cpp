// tqdrive: the local cloud drive from the command line. Every command goes through the same
// TQCoreKit functions the plug-in calls; account and token set-up goes through TQDriveAdmin.
#include "TQCoreKit.h"
#include "TQDriveAdmin.h"
#include "TQDriveCodes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QTemporaryDir>
#include <QUuid>
#include <QWaitCondition>

#include <cstdio>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

int fail(const QString &what, int code)
{
    out().flush();
    std::fprintf(stderr, "tqdrive: %s (code %d)\n", qPrintable(what), code);
    return 1;
}

QByteArray compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// Waits for the end of one transfer and draws its progress on stderr.
class TransferWatch
{
public:
    static void callback(const char *, const char *info, void *context)
    {
        static_cast<TransferWatch *>(context)->onReport(QJsonDocument::fromJson(info).object());
    }

    // The final report: status 3 on success, 4 with the error in "current"."code".
    QJsonObject wait()
    {
        QMutexLocker lock(&m_mutex);
        while (m_final.isEmpty())
            m_done.wait(&m_mutex);
        return m_final;
    }

private:
    void onReport(const QJsonObject &report)
    {
        const int status = report.value(QLatin1String("status")).toInt();
        const QJsonObject all = report.value(QLatin1String("all")).toObject();
        drawBar(all.value(QLatin1String("transferred_size")).toVariant().toLongLong(),
            all.value(QLatin1String("total_size")).toVariant().toLongLong(), status != 1);
        if (status == 3 || status == 4) {
            QMutexLocker lock(&m_mutex);
            m_final = report;
            m_done.wakeAll();
        }
    }

    void drawBar(qint64 done, qint64 total, bool last)
    {
        if (!m_clock.isValid())
            m_clock.start();
        const int width = 30;
        const double fraction = total > 0 ? double(done) / double(total) : 1.0;
        const int filled = int(fraction * width);
        const double seconds = qMax<qint64>(1, m_clock.elapsed()) / 1000.0;
        std::fprintf(stderr, "\r[%s%s] %3d%%  %.1f MB/s%s", QByteArray(filled, '#').constData(),
            QByteArray(width - filled, ' ').constData(), int(fraction * 100), done / seconds / 1e6, last ? "\n" : "");
    }

    QMutex m_mutex;
    QWaitCondition m_done;
    QJsonObject m_final;
    QElapsedTimer m_clock;
};

struct Session {
    QString token;
    quint64 spaceId = 0;
};

// Answers of the out-text functions as JSON objects; {"code": -1} when nothing came back.
template<typename Call>
QJsonObject answered(Call call)
{
    char *text = nullptr;
    const qint64 result = call(&text);
    QJsonObject answer{{QStringLiteral("code"), -1}};
    if (result != 0 && text)
        answer = QJsonDocument::fromJson(text).object();
    Drive_FreeBuf(text);
    return answer;
}

int codeOf(const QJsonObject &answer)
{
    return answer.value(QLatin1String("code")).toInt(-1);
}

int signIn(const QString &token, Session *session)
{
    const QByteArray login = compact({{QStringLiteral("token"), token}, {QStringLiteral("is_public"), false}});
    const int code = Drive_Login(login.constData());
    if (code != 0)
        return code;
    const QJsonObject spaces = answered([](char **o) { return Drive_GetSpaceList("", o); });
    if (codeOf(spaces) != 0)
        return codeOf(spaces);
    session->token = token;
    session->spaceId = spaces.value(QLatin1String("data"))
                           .toArray()
                           .first()
                           .toObject()
                           .value(QLatin1String("space_id"))
                           .toVariant()
                           .toULongLong();
    return 0;
}

// "space_id" must reach the drive as an exact number, which QJsonDocument cannot write above 2^53.
QByteArray withSpace(QJsonObject request, const Session &session)
{
    request.insert(QStringLiteral("space_id"), QStringLiteral("@SPACE@"));
    return compact(request).replace("\"@SPACE@\"", QByteArray::number(session.spaceId));
}

int transfer(bool upload, const QJsonObject &item, const Session &session, QJsonObject *final)
{
    const QString uid = QUuid::createUuid().toString();
    const QByteArray request
        = withSpace({{QStringLiteral("custom_uid"), uid},
                        {upload ? QStringLiteral("upload") : QStringLiteral("download"), QJsonArray{item}}},
            session);
    TransferWatch watch;
    const int code = upload ? Drive_UploadFile(request.constData(), &TransferWatch::callback, &watch)
                            : Drive_DownloadFile(request.constData(), &TransferWatch::callback, &watch);
    if (code != 0)
        return code;
    *final = watch.wait();
    return final->value(QLatin1String("status")).toInt() == 3
        ? 0
        : final->value(QLatin1String("current")).toObject().value(QLatin1String("code")).toInt(-1);
}

QString current(const QJsonObject &report, const char *key)
{
    return report.value(QLatin1String("current")).toObject().value(QLatin1String(key)).toString();
}

void printEntries(const QJsonObject &answer)
{
    for (const QJsonValue &v : answer.value(QLatin1String("data")).toArray()) {
        const QJsonObject e = v.toObject();
        out() << QStringLiteral("%1  %2  %3  %4\n")
                     .arg(e.value(QLatin1String("file_id")).toString(),
                         e.value(QLatin1String("type")).toString().leftJustified(6),
                         QString::number(e.value(QLatin1String("size")).toVariant().toLongLong()).rightJustified(12),
                         e.value(QLatin1String("name")).toString());
    }
}

QJsonObject listFolder(const Session &session, const QString &folderId)
{
    const QByteArray request = withSpace({{QStringLiteral("parent_file_id"), folderId}}, session);
    return answered([&](char **o) { return Drive_GetFileList(request.constData(), o); });
}

int printSpace(const Session &session)
{
    const QJsonObject info = answered([&](char **o) { return Drive_GetSpaceInfo(session.spaceId, o); });
    if (codeOf(info) != 0)
        return fail(QStringLiteral("cannot read the space"), codeOf(info));
    const QJsonObject d = info.value(QLatin1String("data")).toObject();
    auto mib = [&](const char *key) { return d.value(QLatin1String(key)).toVariant().toLongLong() / 1048576.0; };
    out() << QStringLiteral("space %1 (%2): used %3 MiB of %4 MiB, file limit %5 MiB\n")
                 .arg(session.spaceId)
                 .arg(d.value(QLatin1String("level_alias")).toString())
                 .arg(mib("used_size"), 0, 'f', 2)
                 .arg(mib("total_size"), 0, 'f', 0)
                 .arg(mib("file_size_limit"), 0, 'f', 0);
    return 0;
}

// The unfinished transfers of the account and the share downloads, with who holds each: "other" when
// a live process (an editor, say) owns it, "none" when anyone may resume or cancel it.
int printTransfers()
{
    const QJsonObject answer = answered([](char **o) { return Drive_GetTransferList("{}", o); });
    if (codeOf(answer) != 0)
        return fail(QStringLiteral("cannot list the transfers"), codeOf(answer));
    for (const QJsonValue &v : answer.value(QLatin1String("data")).toArray()) {
        const QJsonObject t = v.toObject();
        const QString kind = t.value(QLatin1String("share")).toBool() ? QStringLiteral("share")
            : t.value(QLatin1String("kind")).toInt() == 1             ? QStringLiteral("upload")
                                                                      : QStringLiteral("download");
        const QString holder = t.value(QLatin1String("running_here")).toBool() ? QStringLiteral("here")
            : t.value(QLatin1String("owner_alive")).toBool()                   ? QStringLiteral("other")
                                                                               : QStringLiteral("none");
        out() << QStringLiteral("%1  %2  %3  %4\n")
                     .arg(kind.leftJustified(8), t.value(QLatin1String("state")).toString().leftJustified(7),
                         holder.leftJustified(5), t.value(QLatin1String("custom_uid")).toString());
    }
    return 0;
}

// A whole round trip on a fresh account: the main job of a fresh checkout.
int runDemo()
{
    const QString email
        = QStringLiteral("demo-%1@tqdrive.local").arg(QUuid::createUuid().toString(QUuid::Id128).left(8));
    TQDriveAdmin::AccountInfo account;
    int code = TQDriveAdmin::createAccount(email, 0, &account);
    if (code != 0)
        return fail(QStringLiteral("cannot create an account"), code);
    TQDriveAdmin::setServiceState(account.accountId, TQDriveAdmin::Opened);
    Session session;
    if ((code = signIn(TQDriveAdmin::issueToken(account.accountId), &session)) != 0)
        return fail(QStringLiteral("cannot sign in"), code);
    out() << "account " << email << " signed in\n";

    QTemporaryDir work;
    const QString folder = work.filePath(QStringLiteral("Holiday project"));
    QDir().mkpath(folder + QStringLiteral("/media"));
    auto writeFile = [](const QString &path, qint64 size, char seed) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray block(1 << 20, seed);
        for (qint64 left = size; left > 0; left -= block.size())
            f.write(block.constData(), qMin<qint64>(left, block.size()));
    };
    writeFile(folder + QStringLiteral("/project.json"), 4096, 'p');
    writeFile(folder + QStringLiteral("/media/clip.mp4"), 48 << 20, 'c');
    writeFile(work.filePath(QStringLiteral("export.mp4")), 24 << 20, 'e');

    QJsonObject final;
    out() << "uploading the folder \"Holiday project\"\n";
    out().flush();
    if ((code = transfer(true, {{QStringLiteral("file_id"), QStringLiteral("root")}, {QStringLiteral("path"), folder}},
             session, &final))
        != 0)
        return fail(QStringLiteral("folder upload failed"), code);
    const QString folderId = current(final, "file_id");
    out() << "uploading the file export.mp4\n";
    out().flush();
    if ((code = transfer(true,
             {{QStringLiteral("parent_file_id"), QStringLiteral("root")},
                 {QStringLiteral("path"), work.filePath(QStringLiteral("export.mp4"))},
                 {QStringLiteral("custom_name"), QStringLiteral("export.mp4")}},
             session, &final))
        != 0)
        return fail(QStringLiteral("file upload failed"), code);
    const QString fileId = current(final, "file_id");

    out() << "cloud root:\n";
    printEntries(listFolder(session, QStringLiteral("root")));
    out() << "\"Holiday project\":\n";
    printEntries(listFolder(session, folderId));

    const QString saveDir = work.filePath(QStringLiteral("downloads"));
    QDir().mkpath(saveDir);
    out() << "downloading the folder back\n";
    out().flush();
    if ((code = transfer(
             false, {{QStringLiteral("file_id"), folderId}, {QStringLiteral("save_dir"), saveDir}}, session, &final))
        != 0)
        return fail(QStringLiteral("download failed"), code);
    out() << "downloaded to " << current(final, "path") << '\n';

    const QByteArray shareRequest
        = withSpace({{QStringLiteral("file_id"), fileId}, {QStringLiteral("expires_in"), 7 * 24 * 3600},
                        {QStringLiteral("code"), QStringLiteral("4321")}, {QStringLiteral("type"), 0},
                        {QStringLiteral("tags"), QJsonArray()}},
            session);
    const QJsonObject share = answered([&](char **o) { return Drive_ShareFile(shareRequest.constData(), o); });
    if (codeOf(share) != 0)
        return fail(QStringLiteral("share failed"), codeOf(share));
    const QJsonObject link = share.value(QLatin1String("data")).toObject();
    out() << "share link " << link.value(QLatin1String("url")).toString() << " (access code "
          << link.value(QLatin1String("code")).toString() << ")\n";
    return printSpace(session);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tqdrive"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The local cloud drive from the command line."));
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("root"), QStringLiteral("Drive folder (default: $TQDRIVE_ROOT)."), QStringLiteral("folder")});
    parser.addOption(
        {QStringLiteral("token"), QStringLiteral("Access token of the account."), QStringLiteral("token")});
    parser.addOption({QStringLiteral("limit-rate"), QStringLiteral("Slows transfers to this many bytes per second."),
        QStringLiteral("bytes")});
    parser.addPositionalArgument(QStringLiteral("command"),
        QStringLiteral("demo | account <email> | upload <path> [folder-id] | download <file-id> <save-dir> | "
                       "ls [folder-id] | share <file-id> [access-code] | fetch-share <share-id[:code]> <save-dir> | "
                       "space | transfers"));
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        parser.showHelp(2);
    if (parser.isSet(QStringLiteral("root")))
        TQDriveAdmin::setDriveRoot(parser.value(QStringLiteral("root")));
    if (parser.isSet(QStringLiteral("limit-rate")))
        TQDriveAdmin::setThrottle(parser.value(QStringLiteral("limit-rate")).toLongLong());

    const QString command = args.first();
    if (command == QLatin1String("account")) {
        // Set-up only: no library session needed.
        if (args.size() < 2)
            return fail(QStringLiteral("account needs an e-mail"), TQDrive::BadArgument);
        TQDriveAdmin::AccountInfo account;
        const int code = TQDriveAdmin::ensureAccount(args.at(1), &account);
        if (code != TQDrive::Ok)
            return fail(QStringLiteral("cannot create the account"), code);
        TQDriveAdmin::setServiceState(account.accountId, TQDriveAdmin::Opened);
        out() << TQDriveAdmin::issueToken(account.accountId) << '\n';
        return 0;
    }

    int code = Drive_Init(R"({"pid":1,"pname":"Cutlane","pver":"1.0","did":"tqdrive"})");
    if (code != 0)
        return fail(QStringLiteral("cannot open the drive folder %1").arg(TQDriveAdmin::driveRoot()), code);
    struct Uninit {
        ~Uninit() { Drive_Uninit(); }
    } uninit;

    if (command == QLatin1String("demo"))
        return runDemo();

    QJsonObject final;
    if (command == QLatin1String("fetch-share")) {
        if (args.size() < 3)
            return fail(QStringLiteral("fetch-share needs a share id and a folder"), TQDrive::BadArgument);
        Session anonymous;
        code = transfer(false, {{QStringLiteral("share_id"), args.at(1)}, {QStringLiteral("save_dir"), args.at(2)}},
            anonymous, &final);
        if (code != 0)
            return fail(QStringLiteral("download failed"), code);
        out() << current(final, "path") << '\n';
        return 0;
    }

    Session session;
    if ((code = signIn(parser.value(QStringLiteral("token")), &session)) != 0)
        return fail(QStringLiteral("cannot sign in"), code);

    if (command == QLatin1String("upload") && args.size() >= 2) {
        const QString target = args.value(2, QStringLiteral("root"));
        code = transfer(true,
            {{QStringLiteral("file_id"), target}, {QStringLiteral("path"), QFileInfo(args.at(1)).absoluteFilePath()}},
            session, &final);
        if (code != 0)
            return fail(QStringLiteral("upload failed"), code);
        out() << current(final, "file_id") << '\n';
    } else if (command == QLatin1String("download") && args.size() >= 3) {
        code = transfer(false, {{QStringLiteral("file_id"), args.at(1)}, {QStringLiteral("save_dir"), args.at(2)}},
            session, &final);
        if (code != 0)
            return fail(QStringLiteral("download failed"), code);
        out() << current(final, "path") << '\n';
    } else if (command == QLatin1String("ls")) {
        const QJsonObject answer = listFolder(session, args.value(1, QStringLiteral("root")));
        if (codeOf(answer) != 0)
            return fail(QStringLiteral("cannot list the folder"), codeOf(answer));
        printEntries(answer);
    } else if (command == QLatin1String("share") && args.size() >= 2) {
        const QByteArray request
            = withSpace({{QStringLiteral("file_id"), args.at(1)}, {QStringLiteral("expires_in"), 0},
                            {QStringLiteral("code"), args.value(2)}, {QStringLiteral("type"), 0}},
                session);
        const QJsonObject answer = answered([&](char **o) { return Drive_ShareFile(request.constData(), o); });
        if (codeOf(answer) != 0)
            return fail(QStringLiteral("share failed"), codeOf(answer));
        out() << answer.value(QLatin1String("data")).toObject().value(QLatin1String("id")).toString() << '\n';
    } else if (command == QLatin1String("space")) {
        return printSpace(session);
    } else if (command == QLatin1String("transfers")) {
        return printTransfers();
    } else {
        parser.showHelp(2);
    }
    return 0;
}
