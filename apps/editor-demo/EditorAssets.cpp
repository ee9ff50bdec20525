#include "EditorAssets.h"

#include "KSZip.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QSaveFile>

namespace {

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace

EditorAssets::EditorAssets(const QString &libraryRoot)
    : m_root(QDir(libraryRoot).absolutePath())
{ }

QString EditorAssets::projectsFolder() const
{
    return m_root + QStringLiteral("/projects");
}

QString EditorAssets::templatesFolder() const
{
    return m_root + QStringLiteral("/templates");
}

QString EditorAssets::presetsFolder() const
{
    return m_root + QStringLiteral("/presets");
}

QString EditorAssets::mediaFolder() const
{
    return m_root + QStringLiteral("/media");
}

bool EditorAssets::ensure()
{
    // A library the user already has is left as it is, emptied or not.
    return (QFileInfo::exists(projectsFolder()) || makeProjects())
        && (QFileInfo::exists(templatesFolder()) || makeTemplates())
        && (QFileInfo::exists(presetsFolder()) || makePresets()) && (QFileInfo::exists(mediaFolder()) || makeMedia());
}

bool EditorAssets::writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    m_error = tr("Cannot write %1: %2").arg(path, file.errorString());
    return false;
}

bool EditorAssets::savePicture(const QString &path, int width, int height, int seed, bool grain)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient background(0, 0, width, height);
    background.setColorAt(0, QColor::fromHsv((seed * 47) % 360, 160, 230));
    background.setColorAt(1, QColor::fromHsv((seed * 47 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), background);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 150));
    painter.drawEllipse(QPointF(width * 0.3, height * 0.5), height * 0.25, height * 0.25);
    painter.end();
    if (grain) {
        QRandomGenerator random{quint32(seed)};
        for (int y = 0; y < height; ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const int noise = int(random.bounded(48u)) - 24;
                const QRgb c = line[x];
                line[x] = qRgb(qBound(0, qRed(c) + noise, 255), qBound(0, qGreen(c) + noise, 255),
                    qBound(0, qBlue(c) + noise, 255));
            }
        }
    }
    QDir().mkpath(QFileInfo(path).path());
    if (image.save(path, "PNG"))
        return true;
    m_error = tr("Cannot write the picture %1.").arg(path);
    return false;
}

bool EditorAssets::makeProject(const QString &name, int seed)
{
    // The layout the plug-in looks into: the thumbnail sits at ProjectFolder/Timeline/thumb.fsthumb.
    const QString source = m_root + QStringLiteral("/.project-sources/") + name;
    const QJsonObject project{{QStringLiteral("name"), name}, {QStringLiteral("fps"), 25},
        {QStringLiteral("width"), 1280}, {QStringLiteral("height"), 720},
        {QStringLiteral("tracks"), QJsonArray{QJsonObject{{QStringLiteral("kind"), QStringLiteral("video")}}}}};
    if (!writeFile(source + QStringLiteral("/project.json"), json(project))
        || !savePicture(source + QStringLiteral("/ProjectFolder/Timeline/thumb.fsthumb"), 160, 90, seed, false)
        || !savePicture(source + QStringLiteral("/ProjectFolder/media/still.png"), 640, 400, seed + 1, true))
        return false;
    const QString container = projectsFolder() + QLatin1Char('/') + name + QStringLiteral(".vqp");
    QDir().mkpath(projectsFolder());
    if (!KSQuaZip::CompressDirWithUTF8(container, source)) {
        m_error = tr("Cannot pack the project %1.").arg(container);
        return false;
    }
    QDir(source).removeRecursively();
    return true;
}

bool EditorAssets::makeProjects()
{
    const bool made = makeProject(QStringLiteral("Demo Project"), 1) && makeProject(QStringLiteral("Summer Trip"), 4);
    QDir(m_root + QStringLiteral("/.project-sources")).removeRecursively();
    return made;
}

bool EditorAssets::makeTemplates()
{
    const QString folder = templatesFolder() + QStringLiteral("/Demo Template");
    const QJsonObject description{{QStringLiteral("name"), QStringLiteral("Demo Template")},
        {QStringLiteral("duration"), 6.0},
        {QStringLiteral("slots"),
            QJsonArray{QJsonObject{{QStringLiteral("kind"), QStringLiteral("video")}, {QStringLiteral("at"), 0.0}},
                QJsonObject{{QStringLiteral("kind"), QStringLiteral("title")}, {QStringLiteral("at"), 4.0}}}}};
    return writeFile(folder + QStringLiteral("/template.json"), json(description))
        && savePicture(folder + QStringLiteral("/thumbnail.png"), 160, 90, 2, false)
        && savePicture(folder + QStringLiteral("/media/background.png"), 320, 180, 3, true);
}

bool EditorAssets::makePresets()
{
    const QJsonObject warm{{QStringLiteral("kind"), QStringLiteral("color")}, {QStringLiteral("temperature"), 12},
        {QStringLiteral("tint"), 3}, {QStringLiteral("saturation"), 1.1}};
    const QJsonObject cool{{QStringLiteral("kind"), QStringLiteral("color")}, {QStringLiteral("temperature"), -15},
        {QStringLiteral("tint"), -2}, {QStringLiteral("saturation"), 0.9}};
    return writeFile(presetsFolder() + QStringLiteral("/Warm Look/preset.json"), json(warm))
        && writeFile(presetsFolder() + QStringLiteral("/Cool Look/preset.json"), json(cool));
}

bool EditorAssets::makeMedia()
{
    // The larger still takes a few seconds through a slowed drive: long enough to watch.
    return savePicture(mediaFolder() + QStringLiteral("/Beach Still.png"), 640, 400, 5, true)
        && savePicture(mediaFolder() + QStringLiteral("/Title Card.png"), 320, 180, 6, false);
}
