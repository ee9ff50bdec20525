#include "DemoAssets.h"

#include "KSZip.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

namespace {

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace

DemoAssets::DemoAssets(const QString &folder)
    : m_folder(QDir(folder).absolutePath())
{ }

QString DemoAssets::videoFile() const
{
    return m_folder + QStringLiteral("/Demo Clip.mp4");
}

QString DemoAssets::projectFile() const
{
    return m_folder + QStringLiteral("/Demo Project.vqp");
}

QString DemoAssets::projectSource() const
{
    return m_folder + QStringLiteral("/project-source");
}

QString DemoAssets::templateFolder() const
{
    return m_folder + QStringLiteral("/Demo Template");
}

QString DemoAssets::ffmpegProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

bool DemoAssets::make()
{
    // A second demo in the same root starts from the same items, not from last time's leftovers.
    QDir(m_folder).removeRecursively();
    if (!QDir().mkpath(m_folder)) {
        m_error = tr("cannot create the folder %1").arg(m_folder);
        return false;
    }
    return makeVideo() && makeProject() && makeTemplate();
}

bool DemoAssets::writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size())
        return true;
    m_error = tr("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

bool DemoAssets::savePicture(const QString &path, int width, int height, int seed, const char *format)
{
    // Drawn without text: an offscreen session may have no fonts at all.
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient background(0, 0, width, height);
    background.setColorAt(0, QColor::fromHsv((seed * 47) % 360, 160, 230));
    background.setColorAt(1, QColor::fromHsv((seed * 47 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), background);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 150));
    painter.drawEllipse(QPointF(width * 0.3, height * 0.5), height * 0.25, height * 0.25);
    painter.setBrush(QColor(0, 0, 0, 90));
    painter.drawRect(QRectF(width * 0.55, height * 0.3, width * 0.3, height * 0.4));
    painter.end();
    QDir().mkpath(QFileInfo(path).path());
    if (image.save(path, format))
        return true;
    m_error = tr("cannot write the picture %1").arg(path);
    return false;
}

bool DemoAssets::makeVideo()
{
    const QString program = ffmpegProgram();
    if (program.isEmpty()) {
        m_error = tr("the demo makes its sample video with ffmpeg, which is not on PATH; install it (Debian: "
                     "apt-get install ffmpeg) and try again");
        return false;
    }
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(program,
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostdin"), QStringLiteral("-y"),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc=duration=2:size=320x240:rate=25"), QStringLiteral("-pix_fmt"),
            QStringLiteral("yuv420p"), videoFile()});
    const bool finished = ffmpeg.waitForFinished(60000);
    if (!finished || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0
        || QFileInfo(videoFile()).size() == 0) {
        if (!finished)
            ffmpeg.kill();
        m_error
            = tr("ffmpeg could not make the sample video: %1").arg(QString::fromLocal8Bit(ffmpeg.readAll()).trimmed());
        return false;
    }
    return true;
}

bool DemoAssets::makeProject()
{
    // The layout the plug-in looks into: its thumbnail sits at ProjectFolder/Timeline/thumb.fsthumb.
    const QString source = projectSource();
    const QJsonObject project{{QStringLiteral("name"), QStringLiteral("Demo Project")}, {QStringLiteral("fps"), 25},
        {QStringLiteral("width"), 320}, {QStringLiteral("height"), 240},
        {QStringLiteral("tracks"),
            QJsonArray{QJsonObject{{QStringLiteral("kind"), QStringLiteral("video")},
                {QStringLiteral("clips"),
                    QJsonArray{QJsonObject{{QStringLiteral("media"), QStringLiteral("ProjectFolder/media/clip.mp4")},
                        {QStringLiteral("in"), 0.0}, {QStringLiteral("out"), 2.0}}}}}}}};
    if (!writeFile(source + QStringLiteral("/project.json"), json(project))
        || !savePicture(source + QStringLiteral("/ProjectFolder/Timeline/thumb.fsthumb"), 160, 120, 1, "PNG")
        || !writeFile(source + QStringLiteral("/ProjectFolder/notes.txt"), "Cut on the beat.\n"))
        return false;
    QDir().mkpath(source + QStringLiteral("/ProjectFolder/media"));
    if (!QFile::copy(videoFile(), source + QStringLiteral("/ProjectFolder/media/clip.mp4"))) {
        m_error = tr("cannot copy the clip into the project");
        return false;
    }
    if (!KSQuaZip::CompressDirWithUTF8(projectFile(), source)) {
        m_error = tr("cannot pack the project into %1").arg(projectFile());
        return false;
    }
    return true;
}

bool DemoAssets::makeTemplate()
{
    const QString folder = templateFolder();
    const QJsonObject description{{QStringLiteral("name"), QStringLiteral("Demo Template")},
        {QStringLiteral("duration"), 6.0},
        {QStringLiteral("slots"),
            QJsonArray{QJsonObject{{QStringLiteral("kind"), QStringLiteral("video")}, {QStringLiteral("at"), 0.0}},
                QJsonObject{{QStringLiteral("kind"), QStringLiteral("title")}, {QStringLiteral("at"), 4.0}}}}};
    return writeFile(folder + QStringLiteral("/template.json"), json(description))
        && savePicture(folder + QStringLiteral("/thumbnail.png"), 160, 90, 2, "PNG")
        && savePicture(folder + QStringLiteral("/media/background.png"), 320, 240, 3, "PNG")
        && writeFile(folder + QStringLiteral("/titles/intro.txt"), "Welcome\n");
}

QByteArray DemoAssets::sha256(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex();
}

QMap<QString, QByteArray> DemoAssets::treeDigest(const QString &folder)
{
    QMap<QString, QByteArray> digest;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        digest.insert(QDir(folder).relativeFilePath(path), sha256(path));
    }
    return digest;
}

qint64 DemoAssets::treeSize(const QString &folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}
