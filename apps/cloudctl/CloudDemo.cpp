#include "CloudDemo.h"

#include "CloudCommands.h"
#include "DemoAssets.h"
#include "KSZip.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

CloudDemo::CloudDemo(CloudCommands &commands)
    : m_commands(commands)
{ }

int CloudDemo::run(const QString &root, const QString &email)
{
    m_clock.start();
    if (!root.isEmpty())
        return runIn(root, email);
    QTemporaryDir fresh(QDir::tempPath() + QStringLiteral("/cloudctl-demo-XXXXXX"));
    if (!fresh.isValid())
        return m_commands.fail(tr("cannot create a temporary folder: %1").arg(fresh.errorString()));
    m_temporary = true;
    // The plug-in is released inside runIn, before the folder it wrote to goes away.
    return runIn(fresh.path(), email);
}

void CloudDemo::heading(const QString &title)
{
    CloudCommands::print(QStringLiteral("\n== %1").arg(title));
}

int CloudDemo::stopWith(int code)
{
    if (m_commands.host().isInterrupted())
        code = CloudCommands::Interrupted;
    m_commands.host().stop();
    return code;
}

int CloudDemo::runIn(const QString &root, const QString &email)
{
    CloudCtl &host = m_commands.host();
    m_work = QDir(root).absoluteFilePath(QStringLiteral("demo"));
    CloudCommands::print((m_temporary ? tr("cloudctl demo: host data and drive in %1 (removed at the end)")
                                      : tr("cloudctl demo: host data and drive in %1"))
                             .arg(QDir(root).absolutePath()));

    heading(tr("sample items"));
    DemoAssets assets(m_work + QStringLiteral("/assets"));
    if (!assets.make())
        return m_commands.fail(assets.error());
    m_projectSource = assets.projectSource();
    auto item = [](CloudCtl::ItemKind kind, const char *kindName, const QString &local, const QString &folder) {
        Item made;
        made.kind = kind;
        made.kindName = QLatin1String(kindName);
        made.local = local;
        made.cloudFolder = folder;
        return made;
    };
    m_items = {item(CloudCtl::ProjectItem, "project", assets.projectFile(), QString()),
        item(CloudCtl::TemplateItem, "template", assets.templateFolder(), QString()),
        item(CloudCtl::VideoItem, "video", assets.videoFile(), QString()),
        item(CloudCtl::MediaItem, "media", assets.templateFolder() + QStringLiteral("/media/background.png"),
            QStringLiteral("/Demo"))};
    for (Item &item : m_items) {
        const QFileInfo info(item.local);
        item.size = info.isDir() ? DemoAssets::treeSize(item.local) : info.size();
        CloudCommands::print(QStringLiteral("%1  %2  %3")
                                 .arg(item.kindName.leftJustified(8),
                                     TransferProgress::humanBytes(item.size).rightJustified(10), item.local));
    }

    if (!host.start(root, email))
        return stopWith(m_commands.fail(host.lastError()));
    heading(tr("status"));
    if (m_commands.status() != CloudCommands::Success)
        return stopWith(CloudCommands::Failure);

    heading(tr("upload"));
    for (Item &item : m_items) {
        if (m_commands.upload(item.kind, item.local, item.cloudFolder) != CloudCommands::Success)
            return stopWith(CloudCommands::Failure);
        item.up = m_commands.lastTransfer();
    }

    heading(tr("cloud root"));
    m_commands.list(QStringLiteral("root"), false);
    heading(tr("every cloud file"));
    m_commands.list(QStringLiteral("root"), true);

    heading(tr("download"));
    const QString downloads = m_work + QStringLiteral("/downloads/");
    for (Item &item : m_items) {
        // A folder of its own per item: the download takes its cloud name inside it.
        const QString dest = downloads + item.kindName;
        QDir().mkpath(dest);
        if (m_commands.download(item.kind, item.up.fileId, dest) != CloudCommands::Success)
            return stopWith(CloudCommands::Failure);
        item.down = m_commands.lastTransfer();
    }

    heading(tr("check"));
    bool allVerified = true;
    for (Item &item : m_items) {
        allVerified = verify(item) && allVerified;
        CloudCommands::print(
            QStringLiteral("%1  %2  %3")
                .arg(item.verified ? tr("ok  ") : tr("FAIL"), item.kindName.leftJustified(8), item.check));
    }

    heading(tr("share"));
    const Item &video = m_items.at(2);
    if (m_commands.share(video.up.fileId, QStringLiteral("2468"), 7) != CloudCommands::Success)
        return stopWith(CloudCommands::Failure);

    heading(tr("transfer lists"));
    m_commands.tasks();
    heading(tr("status"));
    m_commands.status();

    heading(tr("summary"));
    summary();
    const int code = stopWith(allVerified ? CloudCommands::Success : CloudCommands::Failure);
    if (code == CloudCommands::Success) {
        CloudCommands::print(tr("\n%n item(s) went up and came back intact in %1 s.", nullptr, int(m_items.size()))
                                 .arg(m_clock.elapsed() / 1000.0, 0, 'f', 1));
    } else {
        m_commands.fail(tr("some items did not come back intact"));
    }
    return code;
}

bool CloudDemo::verify(Item &item)
{
    const QString got = item.down.localPath;
    switch (item.kind) {
    case CloudCtl::VideoItem:
    case CloudCtl::MediaItem: {
        const QByteArray sent = DemoAssets::sha256(item.local);
        const QByteArray back = DemoAssets::sha256(got);
        item.verified = !sent.isEmpty() && sent == back;
        item.check = item.verified
            ? tr("same SHA-256 %1...").arg(QString::fromLatin1(back.left(16)))
            : tr("SHA-256 differs: %1 against %2").arg(QString::fromLatin1(back), QString::fromLatin1(sent));
        break;
    }
    case CloudCtl::ProjectItem: {
        // The project comes back as a container again: it must unpack to the very files packed.
        const QString unpacked = m_work + QStringLiteral("/check/project");
        QDir(unpacked).removeRecursively();
        if (!got.endsWith(QLatin1String(".vqp")) || !KSVblLibzip::ExtractDir(got, unpacked)) {
            item.check = tr("%1 does not unpack: %2").arg(got, KSVblLibzip::lastError());
            break;
        }
        const auto sent = DemoAssets::treeDigest(m_projectSource);
        item.verified = !sent.isEmpty() && DemoAssets::treeDigest(unpacked) == sent;
        item.check = item.verified
            ? tr("%1 unpacks to the same %n file(s)", nullptr, int(sent.size())).arg(QFileInfo(got).fileName())
            : tr("%1 unpacks to other files").arg(QFileInfo(got).fileName());
        break;
    }
    case CloudCtl::TemplateItem: {
        const auto sent = DemoAssets::treeDigest(item.local);
        item.verified = !sent.isEmpty() && DemoAssets::treeDigest(got) == sent;
        item.check = item.verified ? tr("the same %n file(s)", nullptr, int(sent.size()))
                                   : tr("the files differ from the sent ones");
        break;
    }
    }
    return item.verified;
}

void CloudDemo::summary()
{
    const QString format = QStringLiteral("%1  %2  %3  %4  %5  %6  %7");
    CloudCommands::print(
        format.arg(tr("kind").leftJustified(8), tr("size").rightJustified(10), tr("cloud id").leftJustified(16),
            tr("up").rightJustified(6), tr("down").rightJustified(6), tr("check").leftJustified(5), tr("item")));
    for (const Item &item : qAsConst(m_items)) {
        auto seconds = [](qint64 ms) { return QStringLiteral("%1 s").arg(ms / 1000.0, 0, 'f', 1); };
        CloudCommands::print(format.arg(item.kindName.leftJustified(8),
            TransferProgress::humanBytes(item.size).rightJustified(10), item.up.fileId.leftJustified(16),
            seconds(item.up.elapsedMs).rightJustified(6), seconds(item.down.elapsedMs).rightJustified(6),
            (item.verified ? tr("ok") : tr("FAIL")).leftJustified(5), QFileInfo(item.local).fileName()));
    }
    if (!m_commands.lastShareLink().isEmpty())
        CloudCommands::print(tr("shared: %1 (code 2468)").arg(m_commands.lastShareLink()));
}
