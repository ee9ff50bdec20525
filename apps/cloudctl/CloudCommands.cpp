#include "CloudCommands.h"

#include "CloudDemo.h"
#include "IKSTQIDAccount.h"
#include "KSCloudDiskHelper.h"
#include "KSCloudDiskTask.h"
#include "KSCloudDiskViewPresenter.h"
#include "ServerSetup.h"
#include "TQDriveAdmin.h"
#include "TQDriveCodes.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {

QString statusName(int status)
{
    switch (status) {
    case Waiting:
        return QCoreApplication::translate("CloudCommands", "waiting");
    case Running:
        return QCoreApplication::translate("CloudCommands", "running");
    case Paused:
        return QCoreApplication::translate("CloudCommands", "paused");
    case Transferred:
        return QCoreApplication::translate("CloudCommands", "transferred");
    case Failed:
        return QCoreApplication::translate("CloudCommands", "failed");
    case Cancelled:
        return QCoreApplication::translate("CloudCommands", "cancelled");
    case Finished:
        return QCoreApplication::translate("CloudCommands", "finished");
    case FolderCreated:
        return QCoreApplication::translate("CloudCommands", "folder created");
    case RootFolderSynced:
        return QCoreApplication::translate("CloudCommands", "folder synced");
    case RootFolderSyncFailed:
        return QCoreApplication::translate("CloudCommands", "folder sync failed");
    default:
        return QString::number(status);
    }
}

QString fileTypeName(int type)
{
    switch (type) {
    case ProjectFile:
        return QStringLiteral("project");
    case ProjectArchiveFile:
        return QStringLiteral("archive");
    case ProjectTemplateFile:
        return QStringLiteral("template");
    case VideoFile:
        return QStringLiteral("video");
    case CloudMediaFile:
        return QStringLiteral("media");
    case CustomTitleFile:
    case CustomEffectFile:
    case CustomAdjustLayerFile:
    case CustomColorFile:
    case CustomMaskPresetFile:
    case CustomSpeedPresetFile:
    case CustomCompoundClipFile:
    case AIColorPaletteFile:
    case CustomColorLayerFile:
        return QStringLiteral("preset");
    default:
        return QStringLiteral("other");
    }
}

bool kindWantsFolder(CloudCtl::ItemKind kind)
{
    return kind == CloudCtl::ProjectItem || kind == CloudCtl::TemplateItem;
}

} // namespace

void CloudCommands::print(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

int CloudCommands::fail(const QString &text, int exitCode)
{
    m_host.message(tr("cloudctl: %1").arg(text));
    return exitCode;
}

int CloudCommands::usageError(const QString &text)
{
    fail(text, UsageError);
    m_host.message(usage());
    return UsageError;
}

QString CloudCommands::usage() const
{
    return tr("usage: cloudctl [--root DIR] [--email ADDR] COMMAND ...; see cloudctl --help");
}

void CloudCommands::setUp(QCommandLineParser &parser) const
{
    parser.setApplicationDescription(
        tr("Runs the editor's cloud-storage plug-in from the command line: signs the editor's account in on the "
           "local cloud drive, starts the plug-in the way the editor does and drives its transfers and cloud "
           "folders.\n\n"
           "Commands:\n"
           "  status                          account, service state, space used, membership\n"
           "  upload project|template|media|video PATH [--folder CLOUD_FOLDER]\n"
           "                                  a project file (.vqp), a template folder, a media file (into\n"
           "                                  \"Cutlane/My Cloud Media\" + CLOUD_FOLDER) or an exported video\n"
           "  download project|template|media|video FILE_ID DEST\n"
           "                                  DEST is the file or folder to write, or an existing folder\n"
           "                                  (or one ending in /) to put the item in under its cloud name\n"
           "  ls [FOLDER_ID] [--tree]         a cloud folder (default \"root\"), or every file below it\n"
           "  mkdir PARENT_ID NAME            a cloud folder (NAME may be a/b/c); prints its id\n"
           "  rename FILE_ID NEW_NAME\n"
           "  recycle FILE_ID                 moves a cloud item to the recycle bin\n"
           "  delete FILE_ID                  deletes a cloud item for good\n"
           "  share FILE_ID [CODE] [--days N] a share link, with an access code when CODE is given\n"
           "  tasks                           the upload, download and done lists, with the reason of\n"
           "                                  each failed task\n"
           "  resume                          restarts the unfinished transfers and waits for them\n"
           "  cancel TASK_ID...               removes tasks (as listed by tasks) and their transfers\n"
           "  clear [--done|--failed]         removes the finished and/or the failed tasks (both\n"
           "                                  without an option)\n"
           "  demo                            a round trip of sample items, in a fresh folder unless\n"
           "                                  --root is given\n\n"
           "Every command signs in the way the editor does. upload, download and resume also restart the\n"
           "transfers left unfinished, as the editor does at sign-in, and pause them again at exit unless\n"
           "the command is resume; the other commands leave them as they are. Local paths are taken as\n"
           "the system encodes them, so any existing file can be named.\n"
           "Exit codes: 0 success, 1 the operation failed, 2 usage error, 130 interrupted by Ctrl-C\n"
           "(unfinished transfers are kept for resume; a second Ctrl-C ends the program at once)."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("root"),
        tr("Folder of the host data and the drive (default: $CLOUDCTL_ROOT, else ~/.local/share/cloudctl)."),
        tr("DIR")});
    parser.addOption({QStringLiteral("email"), tr("The editor's account (default: editor@example.com)."), tr("ADDR")});
    parser.addOption(
        {QStringLiteral("folder"), tr("Cloud folder of a media upload (default: /)."), tr("CLOUD_FOLDER")});
    parser.addOption({QStringLiteral("tree"), tr("ls: every file below the folder, with its path.")});
    parser.addOption({QStringLiteral("days"), tr("share: days the link lives, 0 for ever (default: 7)."), tr("N")});
    parser.addOption({QStringLiteral("done"), tr("clear: the finished tasks.")});
    parser.addOption({QStringLiteral("failed"), tr("clear: the failed tasks.")});
    parser.addOption({QStringLiteral("limit-rate"),
        tr("Slows the local drive's transfers to RATE bytes per second (suffix K or M), to watch the "
           "progress or try resume."),
        tr("RATE")});
    parser.addOption({QStringLiteral("server"),
        tr("Keep the drive's files on your own WebDAV server (Nextcloud, ownCloud, Apache, a NAS): its https "
           "address; remembered in the drive folder. Needs --user."),
        tr("URL")});
    parser.addOption({QStringLiteral("user"),
        tr("User name on the --server; the password comes from the keychain, else $TQDRIVE_PASSWORD, else "
           "it is asked for."),
        tr("NAME")});
    parser.addPositionalArgument(QStringLiteral("command"), tr("What to do; see the list above."));
}

qint64 CloudCommands::parseRate(const QString &text, bool *ok)
{
    QString digits = text.trimmed().toUpper();
    qint64 factor = 1;
    if (digits.endsWith(QLatin1Char('K'))) {
        factor = 1024;
        digits.chop(1);
    } else if (digits.endsWith(QLatin1Char('M'))) {
        factor = 1024 * 1024;
        digits.chop(1);
    }
    const qint64 value = digits.toLongLong(ok);
    *ok = *ok && value > 0;
    return value * factor;
}

int CloudCommands::validate(const QStringList &args, const QCommandLineParser &parser)
{
    static const QHash<QString, QPair<int, int>> arity{{QStringLiteral("status"), {0, 0}},
        {QStringLiteral("upload"), {2, 2}}, {QStringLiteral("download"), {3, 3}}, {QStringLiteral("ls"), {0, 1}},
        {QStringLiteral("mkdir"), {2, 2}}, {QStringLiteral("rename"), {2, 2}}, {QStringLiteral("recycle"), {1, 1}},
        {QStringLiteral("delete"), {1, 1}}, {QStringLiteral("share"), {1, 2}}, {QStringLiteral("tasks"), {0, 0}},
        {QStringLiteral("resume"), {0, 0}}, {QStringLiteral("demo"), {0, 0}}, {QStringLiteral("cancel"), {1, 100000}},
        {QStringLiteral("clear"), {0, 0}}};
    const QString command = args.first();
    const auto it = arity.constFind(command);
    if (it == arity.constEnd())
        return usageError(tr("unknown command \"%1\"").arg(command));
    const int count = int(args.size()) - 1;
    if (count < it->first || count > it->second)
        return usageError(tr("wrong number of arguments for %1").arg(command));
    if (parser.isSet(QStringLiteral("folder"))
        && !(command == QLatin1String("upload") && args.value(1) == QLatin1String("media")))
        return usageError(tr("--folder is for media uploads only: the other kinds have their own cloud folders"));
    if (parser.isSet(QStringLiteral("tree")) && command != QLatin1String("ls"))
        return usageError(tr("--tree is for ls only"));
    if ((parser.isSet(QStringLiteral("done")) || parser.isSet(QStringLiteral("failed")))
        && command != QLatin1String("clear"))
        return usageError(tr("--done and --failed are for clear only"));
    if (parser.isSet(QStringLiteral("days"))) {
        bool ok = false;
        const int days = parser.value(QStringLiteral("days")).toInt(&ok);
        if (command != QLatin1String("share") || !ok || days < 0)
            return usageError(tr("--days takes a number of days and is for share only"));
    }
    if (parser.isSet(QStringLiteral("server")) || parser.isSet(QStringLiteral("user"))) {
        const QString problem
            = ServerSetup(QUrl(parser.value(QStringLiteral("server"))), parser.value(QStringLiteral("user"))).problem();
        if (!parser.isSet(QStringLiteral("server")))
            return usageError(tr("--user is for --server only"));
        if (!problem.isEmpty())
            return usageError(problem);
    }
    if (parser.isSet(QStringLiteral("limit-rate"))) {
        bool ok = false;
        parseRate(parser.value(QStringLiteral("limit-rate")), &ok);
        if (!ok)
            return usageError(tr("--limit-rate takes a rate such as 500K or 2M"));
    }
    if (command != QLatin1String("upload") && command != QLatin1String("download"))
        return Success;
    CloudCtl::ItemKind kind;
    if (!CloudCtl::parseKind(args.at(1), &kind))
        return usageError(tr("unknown kind \"%1\": project, template, media or video").arg(args.at(1)));
    if (command == QLatin1String("download"))
        return Success;
    const QFileInfo source(args.at(2));
    if (!source.exists())
        return fail(tr("no such file or folder: %1").arg(args.at(2)));
    if (kindWantsFolder(kind) != source.isDir() && kind != CloudCtl::ProjectItem)
        return usageError(kind == CloudCtl::TemplateItem ? tr("a template is a folder: %1").arg(args.at(2))
                                                         : tr("%1 is not a file").arg(args.at(2)));
    if (kind == CloudCtl::ProjectItem && !source.isFile())
        return usageError(tr("a project is a file (.vqp): %1").arg(args.at(2)));
    return Success;
}

int CloudCommands::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    setUp(parser);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        print(parser.helpText());
        return Success;
    }
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usageError(tr("no command given"));
    const int checked = validate(args, parser);
    if (checked != Success)
        return checked;

    const QString email = parser.isSet(QStringLiteral("email")) ? parser.value(QStringLiteral("email"))
                                                                : QStringLiteral("editor@example.com");
    if (args.first() == QLatin1String("demo")) {
        CloudDemo demo(*this);
        return demo.run(parser.value(QStringLiteral("root")), email);
    }
    QString root = parser.value(QStringLiteral("root"));
    if (root.isEmpty())
        root = qEnvironmentVariable("CLOUDCTL_ROOT");
    if (root.isEmpty())
        root = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/cloudctl");
    // Only the transfer commands set the unfinished transfers going again: a listing that restarts
    // them mixes their notices into its output, and a task removed by cancel must not run first.
    static const QStringList restarting{QStringLiteral("upload"), QStringLiteral("download"), QStringLiteral("resume")};
    if (parser.isSet(QStringLiteral("server"))) {
        ServerSetup server(QUrl(parser.value(QStringLiteral("server"))), parser.value(QStringLiteral("user")));
        if (!server.apply(QDir(root).absolutePath() + QStringLiteral("/drive")))
            return fail(server.lastError());
    }
    if (!m_host.start(root, email, restarting.contains(args.first()))) {
        const int code = m_host.isInterrupted() ? Interrupted : Failure;
        fail(m_host.lastError(), code);
        m_host.stop();
        return code;
    }
    if (parser.isSet(QStringLiteral("limit-rate"))) {
        bool ok = false;
        TQDriveAdmin::setThrottle(parseRate(parser.value(QStringLiteral("limit-rate")), &ok));
    }
    int code = dispatch(args, parser);
    if (m_host.isInterrupted()) {
        fail(tr("interrupted: unfinished transfers are kept; \"cloudctl resume\" finishes them"), Interrupted);
        code = Interrupted;
    }
    m_host.stop();
    return code;
}

int CloudCommands::dispatch(const QStringList &args, const QCommandLineParser &parser)
{
    const QString command = args.first();
    CloudCtl::ItemKind kind = CloudCtl::MediaItem;
    if (command == QLatin1String("status"))
        return status();
    if (command == QLatin1String("upload") && CloudCtl::parseKind(args.at(1), &kind))
        return upload(kind, args.at(2), parser.value(QStringLiteral("folder")));
    if (command == QLatin1String("download") && CloudCtl::parseKind(args.at(1), &kind))
        return download(kind, args.at(2), args.at(3));
    if (command == QLatin1String("ls"))
        return list(args.value(1, QStringLiteral("root")), parser.isSet(QStringLiteral("tree")));
    if (command == QLatin1String("mkdir"))
        return makeFolder(args.at(1), args.at(2));
    if (command == QLatin1String("rename"))
        return rename(args.at(1), args.at(2));
    if (command == QLatin1String("recycle"))
        return recycle(args.at(1));
    if (command == QLatin1String("delete"))
        return remove(args.at(1));
    if (command == QLatin1String("share")) {
        const int days = parser.isSet(QStringLiteral("days")) ? parser.value(QStringLiteral("days")).toInt() : 7;
        return share(args.at(1), args.value(2), days);
    }
    if (command == QLatin1String("tasks"))
        return tasks();
    if (command == QLatin1String("resume"))
        return resume();
    if (command == QLatin1String("cancel"))
        return cancel(args.mid(1));
    if (command == QLatin1String("clear")) {
        const bool done = parser.isSet(QStringLiteral("done"));
        const bool failed = parser.isSet(QStringLiteral("failed"));
        return clear(done || !failed, failed || !done);
    }
    return usageError(tr("unknown command \"%1\"").arg(command));
}

// ---------------------------------------------------------------------------------------------
// Commands

int CloudCommands::status()
{
    IKSCloudDisk *service = m_host.service();
    const int refreshed = m_host.refreshDiskInfo();
    if (refreshed != 0)
        return fail(
            tr("cannot read the space figures: %1 (code %2)").arg(CloudCtl::errorText(refreshed)).arg(refreshed));
    const KSCloudDiskInfo info = service->getDiskInfo();
    QString state = service->isServiceReady() ? tr("ready")
        : service->isServiceOpened()          ? tr("opened")
                                              : tr("not ready");
    if (service->isServiceUnavailable())
        state += tr(", unavailable");
    QString space;
    if (info.totalSize > 0) {
        space = tr("%1 used of %2 (%3%)")
                    .arg(TransferProgress::humanBytes(info.usedSize), TransferProgress::humanBytes(info.totalSize))
                    .arg(100.0 * double(info.usedSize) / double(info.totalSize), 0, 'f', 1);
    } else {
        space = tr("%1 used, no quota").arg(TransferProgress::humanBytes(info.usedSize));
    }
    if (info.fileSizeLimit > 0)
        space += tr(", files up to %1").arg(TransferProgress::humanBytes(info.fileSizeLimit));
    QString membership;
    const QString cloudStatus = KSCloudDiskHelper::getCloudStatus();
    if (info.expiredTime == 0) {
        membership = tr("free (level %1)").arg(info.level);
    } else {
        const QDateTime until = QDateTime::fromSecsSinceEpoch(info.expiredTime);
        membership = until < QDateTime::currentDateTime()
            ? tr("level %1, expired on %2").arg(info.level).arg(until.toString(Qt::ISODate))
            : tr("level %1, until %2").arg(info.level).arg(until.date().toString(Qt::ISODate));
    }
    if (cloudStatus.endsWith(QLatin1String("run_out")))
        membership += tr(" - the space is full");
    print(tr("account      %1").arg(getTQIDAccount()->email()));
    print(tr("service      %1 (data centre %2, space %3)")
              .arg(state, service->getDataCenter())
              .arg(service->getSpaceId()));
    print(tr("space        %1").arg(space));
    print(tr("membership   %1").arg(membership));
    print(tr("drive        %1").arg(TQDriveAdmin::driveRoot()));
    print(tr("host log     %1").arg(m_host.hostLog()));
    return Success;
}

int CloudCommands::transferFailed(const CloudCtl::Transfer &transfer)
{
    if (transfer.interrupted)
        return Interrupted;
    return fail((transfer.upload ? tr("upload of %1 failed: %2 (code %3); details in %4")
                                 : tr("download of %1 failed: %2 (code %3); details in %4"))
                    .arg(transfer.name, CloudCtl::failureText(transfer.errorCode, transfer.reason))
                    .arg(transfer.errorCode)
                    .arg(m_host.hostLog()));
}

int CloudCommands::upload(CloudCtl::ItemKind kind, const QString &path, const QString &cloudFolder)
{
    m_lastTransfer = m_host.upload(kind, path, cloudFolder);
    if (!m_lastTransfer.finished)
        return transferFailed(m_lastTransfer);
    print(QStringLiteral("%1  %2").arg(m_lastTransfer.fileId, m_lastTransfer.cloudName));
    return Success;
}

int CloudCommands::download(CloudCtl::ItemKind kind, const QString &fileId, const QString &dest)
{
    CloudCtl::CloudEntry entry;
    const bool known = m_host.findEntry(fileId, &entry);
    if (known && entry.folder != kindWantsFolder(kind)) {
        return fail(entry.folder ? tr("%1 (%2) is a folder, not a file").arg(fileId, entry.path)
                                 : tr("%1 (%2) is a file, not a folder").arg(fileId, entry.path));
    }
    // An unknown id still goes to the plug-in: its answer is the one the user should see.
    QString target = dest;
    if (QFileInfo(dest).isDir() || dest.endsWith(QLatin1Char('/'))) {
        QString name = known ? entry.name : fileId;
        if (kind == CloudCtl::ProjectItem && !name.endsWith(QLatin1String(".vqp"), Qt::CaseInsensitive))
            name += QStringLiteral(".vqp");
        target = QDir(dest).filePath(name);
    }
    qint64 size = known ? entry.size : 0;
    KSCloudFolderEntries files;
    if (known && entry.folder && m_host.listTree(fileId, &files)) {
        for (const auto &file : qAsConst(files))
            size += file.second.section(QLatin1Char('|'), -2, -2).toLongLong();
    }
    m_lastTransfer = m_host.download(kind, fileId, target, size);
    if (!m_lastTransfer.finished)
        return transferFailed(m_lastTransfer);
    print(m_lastTransfer.localPath);
    return Success;
}

int CloudCommands::list(const QString &folderId, bool tree)
{
    if (tree) {
        KSCloudFolderEntries files;
        if (!m_host.listTree(folderId, &files))
            return fail(tr("the folder listing did not answer"));
        // The plug-in's listing answers nothing at all for a folder it cannot read.
        QList<CloudCtl::CloudEntry> direct;
        int code = 0;
        if (files.isEmpty() && !m_host.listFolder(folderId, &direct, &code))
            return fail(tr("cannot list %1: %2 (code %3)").arg(folderId, CloudCtl::errorText(code)).arg(code));
        for (const auto &file : qAsConst(files)) {
            const QStringList parts = file.second.split(QLatin1Char('|'));
            print(QStringLiteral("%1  %2  %3")
                      .arg(file.first, TransferProgress::humanBytes(parts.value(1).toLongLong()).rightJustified(10),
                          parts.value(0)));
        }
        return Success;
    }
    QList<CloudCtl::CloudEntry> entries;
    int code = 0;
    if (!m_host.listFolder(folderId, &entries, &code))
        return fail(tr("cannot list %1: %2 (code %3)").arg(folderId, CloudCtl::errorText(code)).arg(code));
    for (const CloudCtl::CloudEntry &e : qAsConst(entries)) {
        print(QStringLiteral("%1  %2  %3  %4")
                  .arg(e.id, (e.folder ? tr("folder") : tr("file")).leftJustified(6),
                      (e.folder ? QStringLiteral("-") : TransferProgress::humanBytes(e.size)).rightJustified(10),
                      e.folder ? e.name + QLatin1Char('/') : e.name));
    }
    return Success;
}

int CloudCommands::makeFolder(const QString &parentId, const QString &name)
{
    QString id;
    int code = 0;
    if (!m_host.createFolder(parentId, name, &id, &code))
        return fail(tr("cannot create %1: %2 (code %3)").arg(name, CloudCtl::errorText(code)).arg(code));
    print(id);
    return Success;
}

int CloudCommands::rename(const QString &fileId, const QString &name)
{
    int code = 0;
    if (!m_host.rename(fileId, name, &code))
        return fail(tr("cannot rename %1: %2 (code %3)").arg(fileId, CloudCtl::errorText(code)).arg(code));
    print(tr("renamed %1 to %2").arg(fileId, name));
    return Success;
}

int CloudCommands::recycle(const QString &fileId)
{
    if (!m_host.recycle(fileId))
        return fail(tr("cannot move %1 to the recycle bin; details in %2").arg(fileId, m_host.hostLog()));
    print(tr("moved %1 to the recycle bin").arg(fileId));
    return Success;
}

int CloudCommands::remove(const QString &fileId)
{
    if (!m_host.deleteForGood(fileId))
        return fail(tr("cannot delete %1; details in %2").arg(fileId, m_host.hostLog()));
    print(tr("deleted %1").arg(fileId));
    return Success;
}

int CloudCommands::share(const QString &fileId, const QString &accessCode, int days)
{
    KSCloudShareResult result;
    if (!m_host.share(fileId, accessCode, qint64(days) * 24 * 3600, &result))
        return fail(tr("cannot share %1: %2 (code %3)").arg(fileId, CloudCtl::errorText(result.code)).arg(result.code));
    m_lastShareLink = result.linkAddress;
    print(tr("link         %1").arg(result.linkAddress));
    print(tr("access code  %1").arg(result.accessCode.isEmpty() ? tr("(none)") : result.accessCode));
    print(tr("expires      %1").arg(days == 0 ? tr("never") : tr("in %n day(s)", nullptr, days)));
    return Success;
}

int CloudCommands::tasks()
{
    KSCloudDiskViewPresenter *presenter = m_host.presenter();
    const QSet<QString> elsewhere = m_host.transfersHeldElsewhere();
    auto printList = [&elsewhere](const QString &title, const QList<KSCloudDiskTask *> &list) {
        print(tr("%1 (%2)").arg(title).arg(list.size()));
        for (const KSCloudDiskTask *task : list) {
            QString progress = QStringLiteral("-");
            if (task->totalSize() > 0) {
                const qint64 done = task->status() == Finished ? task->totalSize() : task->transSize();
                progress = tr("%1% of %2")
                               .arg(qBound<qint64>(0, done * 100 / task->totalSize(), 100))
                               .arg(TransferProgress::humanBytes(task->totalSize()));
            }
            QString id = task->taskId();
            id.remove(QLatin1Char('{')).remove(QLatin1Char('}'));
            // Left unfinished by a program that is gone: nothing runs it until a transfer command or
            // resume restarts it.
            const bool interrupted = !task->queuedOnce() && !elsewhere.contains(task->taskId())
                && (task->status() == Waiting || task->status() == Running || task->status() == Transferred);
            const QString status = interrupted ? tr("interrupted") : statusName(task->status());
            print(QStringLiteral("  %1  %2  %3  %4  %5  %6")
                      .arg(id, (task->isUpload() ? tr("up") : tr("down")).leftJustified(4),
                          fileTypeName(task->fileType()).leftJustified(8), status.leftJustified(11),
                          progress.leftJustified(16), task->name()));
            if (elsewhere.contains(task->taskId()))
                print(tr("      running in another program on this account"));
            else if (task->status() == Failed)
                print(tr("      why: %1 (code %2)")
                          .arg(CloudCtl::failureText(task->failedCode(), task->failedReason()))
                          .arg(task->failedCode()));
        }
    };
    printList(tr("uploads"), *presenter->uploadTaskList());
    printList(tr("downloads"), *presenter->downloadTaskList());
    printList(tr("done"), *presenter->doneTaskList());
    const QList<KSCloudDiskTask *> background = presenter->allTask();
    if (!background.isEmpty())
        printList(tr("background"), background);
    return Success;
}

int CloudCommands::resume()
{
    KSCloudDiskViewPresenter *presenter = m_host.presenter();
    presenter->restartUnfinishedTasks();
    QList<KSCloudDiskTask *> pending;
    int paused = 0;
    for (const QList<KSCloudDiskTask *> &list :
        {*presenter->uploadTaskList(), *presenter->downloadTaskList(), presenter->allTask()}) {
        for (KSCloudDiskTask *task : list) {
            if (task->status() == Paused)
                ++paused;
            else if (task->status() != Finished && task->status() != Cancelled && task->status() != Failed)
                pending << task;
        }
    }
    if (pending.isEmpty()) {
        print(paused > 0 ? tr("nothing to resume; %n paused transfer(s) stay paused", nullptr, paused)
                         : tr("nothing to resume"));
        return Success;
    }
    const QList<CloudCtl::Transfer> results = m_host.waitForTasks(pending);
    int finished = 0;
    int failed = 0;
    for (const CloudCtl::Transfer &t : results) {
        if (t.finished) {
            ++finished;
            print(tr("finished  %1  %2").arg(t.name, t.upload ? t.fileId : t.localPath));
        } else if (t.paused) {
            print(tr("paused    %1").arg(t.name));
        } else if (t.errorCode == TQDrive::TransferBusy) {
            print(tr("elsewhere %1  %2").arg(t.name, CloudCtl::errorText(t.errorCode)));
        } else if (!t.interrupted) {
            ++failed;
            print(tr("failed    %1  %2 (code %3)")
                      .arg(t.name, CloudCtl::failureText(t.errorCode, t.reason))
                      .arg(t.errorCode));
        }
    }
    print(tr("%1 finished, %2 failed").arg(finished).arg(failed));
    return failed > 0 ? Failure : Success;
}

namespace {

// "1234-..." as tasks prints it, or the braced form the lists keep.
QString bracedTaskId(const QString &id)
{
    return id.startsWith(QLatin1Char('{')) ? id : QLatin1Char('{') + id + QLatin1Char('}');
}

} // namespace

int CloudCommands::cancel(const QStringList &taskIds)
{
    KSCloudDiskViewPresenter *presenter = m_host.presenter();
    int result = Success;
    QStringList removed;
    for (const QString &given : taskIds) {
        KSCloudDiskTask *task = presenter->findTask(bracedTaskId(given));
        if (!task) {
            result = fail(tr("no such task: %1").arg(given));
            continue;
        }
        if (presenter->uploadTaskList()->contains(task)) {
            presenter->slotRemoveUploadTask(task);
        } else if (presenter->downloadTaskList()->contains(task)) {
            presenter->slotRemoveDownloadTask(task);
        } else if (presenter->doneTaskList()->contains(task)) {
            presenter->slotRemoveDoneTask(task);
        } else {
            task->abort();
            presenter->removeTask(task);
        }
        removed << task->taskId();
        print(tr("cancelled %1  %2").arg(given, task->name()));
    }
    const QSet<QString> elsewhere = m_host.transfersHeldElsewhere();
    for (const QString &id : qAsConst(removed)) {
        if (elsewhere.contains(id))
            m_host.message(tr("cloudctl: %1 runs in another program on this account and finishes there").arg(id));
    }
    return result;
}

int CloudCommands::clear(bool done, bool failed)
{
    KSCloudDiskViewPresenter *presenter = m_host.presenter();
    int finished = 0;
    int hopeless = 0;
    if (done) {
        finished = presenter->doneTaskList()->size();
        presenter->slotRemoveAllDoneTask();
    }
    if (failed) {
        for (QList<KSCloudDiskTask *> *list : {presenter->uploadTaskList(), presenter->downloadTaskList()}) {
            const QList<KSCloudDiskTask *> tasks = *list;
            for (KSCloudDiskTask *task : tasks) {
                if (task->status() != Failed)
                    continue;
                ++hopeless;
                if (task->isUpload())
                    presenter->slotRemoveUploadTask(task);
                else
                    presenter->slotRemoveDownloadTask(task);
            }
        }
    }
    print(tr("removed %n finished task(s)", nullptr, finished) + QStringLiteral(", ")
        + tr("%n failed task(s)", nullptr, hopeless));
    return Success;
}
