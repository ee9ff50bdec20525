// Small XML files (settings, remembered folders) read and written through QtXml.
#include "KSDomDocument.h"

#include <QDir>
#include <QDomImplementation>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

void collect(const QDomNode &parent, const QString &tagName, bool firstOnly, QList<QDomElement> *found)
{
    for (QDomElement child = parent.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        if (child.tagName() == tagName) {
            found->append(child);
            if (firstOnly)
                return;
        }
        collect(child, tagName, firstOnly, found);
        if (firstOnly && !found->isEmpty())
            return;
    }
}

} // namespace

KSDomDocument::KSDomDocument() = default;

KSDomDocument::KSDomDocument(const QString &doctypeName)
    : QDomDocument(QDomImplementation().createDocumentType(doctypeName, QString(), QString()))
{ }

bool KSDomDocument::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Parsed aside: a failed parse would otherwise leave this document emptied.
    QDomDocument parsed;
    QString message;
    int line = 0;
    int column = 0;
    if (!parsed.setContent(&file, &message, &line, &column)) {
        if (error)
            *error = QStringLiteral("%1 at line %2, column %3").arg(message).arg(line).arg(column);
        return false;
    }
    QDomDocument::operator=(parsed);
    return true;
}

bool KSDomDocument::save(const QString &path, int indent) const
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    // Written aside and renamed over the old file: a full disk or a crash never leaves half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = toByteArray(indent);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QDomElement KSDomDocument::getElementByTagName(const QString &tagName, const QDomNode &parent) const
{
    QList<QDomElement> found;
    collect(parent.isNull() ? QDomNode(*this) : parent, tagName, true, &found);
    return found.isEmpty() ? QDomElement() : found.constFirst();
}

QList<QDomElement> KSDomDocument::getElementsByTagName(const QString &tagName, const QDomNode &parent) const
{
    QList<QDomElement> found;
    collect(parent.isNull() ? QDomNode(*this) : parent, tagName, false, &found);
    return found;
}

QDomElement KSDomDocument::addChild(QDomNode parent, const QString &tagName, const QString &text)
{
    QDomElement element = createElement(tagName);
    if (!text.isEmpty())
        element.appendChild(createTextNode(text));
    if (parent.isNull())
        parent = documentElement();
    (parent.isNull() ? static_cast<QDomNode &>(*this) : parent).appendChild(element);
    return element;
}

int KSDomDocument::removeChildren(QDomNode parent, const QString &tagName)
{
    if (parent.isNull())
        parent = documentElement();
    int removed = 0;
    QDomElement child = parent.firstChildElement(tagName);
    while (!child.isNull()) {
        const QDomElement next = child.nextSiblingElement(tagName);
        parent.removeChild(child);
        ++removed;
        child = next;
    }
    return removed;
}

QDomElement KSDomDocument::ensureDocumentElement(const QString &tagName)
{
    QDomElement root = documentElement();
    if (root.isNull()) {
        root = createElement(tagName);
        appendChild(root);
    }
    return root;
}
