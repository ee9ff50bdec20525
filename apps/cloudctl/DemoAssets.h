// The demo's sample items, made from nothing: a short video, a project container and a template.
#ifndef DEMOASSETS_H
#define DEMOASSETS_H

#include <QCoreApplication>
#include <QMap>
#include <QString>

class DemoAssets
{
    Q_DECLARE_TR_FUNCTIONS(DemoAssets)
public:
    // Everything goes below `folder`, which is emptied first.
    explicit DemoAssets(const QString &folder);

    // The video needs the ffmpeg program; each step answers false with error() set.
    bool make();
    QString error() const { return m_error; }

    QString videoFile() const; // a 2 s test picture, 320x240
    QString projectFile() const; // "Demo Project.vqp", a zip container
    QString projectSource() const; // the folder packed into it
    QString templateFolder() const; // "Demo Template", a few files and a thumbnail

    static QString ffmpegProgram(); // empty when not on PATH
    static QByteArray sha256(const QString &file);
    // Relative path of every file below `folder` with its SHA-256: two trees with equal digests
    // hold the same files with the same contents.
    static QMap<QString, QByteArray> treeDigest(const QString &folder);
    static qint64 treeSize(const QString &folder);

private:
    bool makeVideo();
    bool makeProject();
    bool makeTemplate();
    bool writeFile(const QString &path, const QByteArray &data);
    bool savePicture(const QString &path, int width, int height, int seed, const char *format);

    QString m_folder;
    QString m_error;
};

#endif
