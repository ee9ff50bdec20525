// The demo editor's sample items, made at the first run in the data folder: projects packed with
// the host's zip service, a template folder, custom preset folders and media pictures.
#ifndef EDITORASSETS_H
#define EDITORASSETS_H

#include <QCoreApplication>
#include <QString>

class EditorAssets
{
    Q_DECLARE_TR_FUNCTIONS(EditorAssets)
public:
    // Library folders below `libraryRoot`: projects, templates, presets, media.
    explicit EditorAssets(const QString &libraryRoot);

    QString projectsFolder() const;
    QString templatesFolder() const;
    QString presetsFolder() const;
    QString mediaFolder() const;

    // Makes each library that does not exist yet; false with error() set.
    bool ensure();
    QString error() const { return m_error; }

private:
    bool makeProjects();
    bool makeTemplates();
    bool makePresets();
    bool makeMedia();
    bool makeProject(const QString &name, int seed);
    bool writeFile(const QString &path, const QByteArray &data);
    // Pictures are drawn without text: an offscreen session may have no fonts at all. A grainy
    // picture does not compress, so its size is what the drive moves.
    bool savePicture(const QString &path, int width, int height, int seed, bool grain);

    QString m_root;
    QString m_error;
};

#endif
