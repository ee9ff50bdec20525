#ifndef KSCLOUDSPACEDOWNLOADPATHFILE_H
#define KSCLOUDSPACEDOWNLOADPATHFILE_H

#include "kscloudglobal.h"

#include <QString>

// The remembered download folders per kind of item and the remember switch, kept in
// "defaultDownloadPath.xml" beside the host's cloud storage data.
class KSCLOUDDISK_API KSCloudSpaceDownloadPathFile
{
public:
    // Mode 1 is a project; any other value is other cloud media.
    explicit KSCloudSpaceDownloadPathFile(const QString &path = defaultFilePath());

    static QString defaultFilePath();
    static QString elementName(int mode);
    static QString defaultFolder(int mode);
    static QString rootName();
    static QString rememberElementName();

    QString path() const { return m_path; }
    // The remembered folder of the mode when there is one, else the mode's default folder.
    QString loadPath(int mode) const;
    bool loadRemember() const;
    // Replaces the element and appends it last under the root; the file is replaced whole.
    bool writeElement(const QString &tagName, const QString &text) const;

private:
    QString m_path;
};

#endif
