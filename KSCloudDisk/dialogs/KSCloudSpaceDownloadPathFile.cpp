#include "KSCloudSpaceDownloadPathFile.h"

#include "KSAppSettings.h"
#include "KSBaseLog.h"
#include "KSDomDocument.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

KSFolderSettings *folders()
{
    return KSAppSettings::GetInstance()->GetSettings()->GetFolderSettings();
}

// A file that exists but cannot be used is moved out of the way so that the next write starts
// clean and the user's broken copy is still there to look at.
void setAside(const QString &path, const QString &reason)
{
    const QString aside = path + QStringLiteral(".broken-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    if (QFile::rename(path, aside))
        KSLOG_WARN("download address file unusable (%s), moved to %s", qUtf8Printable(reason), qUtf8Printable(aside));
    else
        KSLOG_WARN("download address file unusable (%s), could not move it", qUtf8Printable(reason));
}

// False when there is no usable file; the document is then left empty.
bool loadDocument(const QString &path, KSDomDocument *doc)
{
    if (!QFileInfo::exists(path))
        return false;
    QString error;
    if (doc->load(path, &error))
        return true;
    setAside(path, error);
    return false;
}

QString elementText(const QString &path, const QString &tagName)
{
    KSDomDocument doc;
    if (!loadDocument(path, &doc))
        return QString();
    const QDomElement root = doc.documentElement();
    if (root.isNull())
        return QString();
    return doc.getElementByTagName(tagName, root).text();
}

} // namespace

KSCloudSpaceDownloadPathFile::KSCloudSpaceDownloadPathFile(const QString &path)
    : m_path(path)
{ }

QString KSCloudSpaceDownloadPathFile::defaultFilePath()
{
    const QString native = folders()->getTotalStorageFolder() + QDir::separator() + QStringLiteral("Cloud Space")
        + QStringLiteral("/") + QStringLiteral("defaultDownloadPath.xml");
    return QDir::fromNativeSeparators(native);
}

QString KSCloudSpaceDownloadPathFile::elementName(int mode)
{
    return mode == 1 ? QStringLiteral("ProjectDownloadPath") : QStringLiteral("CloudMediaDownloadPath");
}

QString KSCloudSpaceDownloadPathFile::defaultFolder(int mode)
{
    if (mode == 1)
        return folders()->GetCloudDiskFileFolder();
    return folders()->GetDownloadFileFolder() + QStringLiteral("/Cloud Media/My cloud media");
}

QString KSCloudSpaceDownloadPathFile::rootName()
{
    return QStringLiteral("CloudSpaceDownloadPath");
}

QString KSCloudSpaceDownloadPathFile::rememberElementName()
{
    return QStringLiteral("SetDefaultDownPathStatus");
}

QString KSCloudSpaceDownloadPathFile::loadPath(int mode) const
{
    const QString remembered = elementText(m_path, elementName(mode));
    return remembered.isEmpty() ? defaultFolder(mode) : remembered;
}

bool KSCloudSpaceDownloadPathFile::loadRemember() const
{
    const QString text = elementText(m_path, rememberElementName());
    return !text.isEmpty() && text.toInt() != 0;
}

bool KSCloudSpaceDownloadPathFile::writeElement(const QString &tagName, const QString &text) const
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
            return false;
        QFile::setPermissions(folder, kOwnerOnly | QFileDevice::ExeOwner);
    }
    KSDomDocument doc(rootName());
    loadDocument(m_path, &doc);
    QDomElement root = doc.documentElement();
    if (!root.isNull())
        doc.removeChildren(root, tagName);
    root = doc.ensureDocumentElement(rootName());
    doc.addChild(root, tagName, text);

    // Written beside the file and renamed over it: a crash leaves the old file or the new one.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        KSLOG_WARN("download address file not writable: %s", qUtf8Printable(file.errorString()));
        return false;
    }
    file.setPermissions(kOwnerOnly);
    file.write(doc.toByteArray(4));
    if (!file.commit()) {
        KSLOG_WARN("download address file not written: %s", qUtf8Printable(file.errorString()));
        return false;
    }
    return QFile::setPermissions(m_path, kOwnerOnly);
}
