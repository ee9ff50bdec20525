#include "EditorItem.h"

#include <QDirIterator>
#include <QFileInfo>

EditorItem::EditorItem(CloudDiskItemType type, const QString &localPath)
    : m_type(type)
    , m_localPath(QFileInfo(localPath).absoluteFilePath())
    , m_name(QFileInfo(localPath).fileName())
{
    m_record.localFilePath = m_localPath;
    m_record.fileName = m_name;
    m_record.cloudState = CloudItemLocal;
}

bool EditorItem::isFolder() const
{
    return QFileInfo(m_localPath).isDir();
}

qint64 EditorItem::localSize() const
{
    if (!isFolder())
        return QFileInfo(m_localPath).size();
    qint64 total = 0;
    QDirIterator it(m_localPath, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

QString EditorItem::suffix() const
{
    return isFolder() ? QString() : QFileInfo(m_localPath).suffix().toLower();
}
