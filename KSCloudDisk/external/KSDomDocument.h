// Host XML document: a QDomDocument with the lookups, additions and file handling small settings
// files need.
#ifndef KSDOMDOCUMENT_H
#define KSDOMDOCUMENT_H

#include "kshostglobal.h"

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QString>

class KSHOST_API KSDomDocument : public QDomDocument
{
public:
    KSDomDocument();
    // An empty document that carries a document type declaration with that name.
    explicit KSDomDocument(const QString &doctypeName);

    // Replaces the content by the file's. False when the file cannot be read or is not well-formed
    // XML; the document is then left as it was.
    bool load(const QString &path, QString *error = nullptr);
    // Writes the document as UTF-8 with `indent` spaces per level, replacing the file whole (a
    // failed write leaves the old file); makes the folder when missing.
    bool save(const QString &path, int indent = 4) const;

    // The first element of that name below `parent` (the whole document when null), depth first in
    // document order; null when there is none.
    QDomElement getElementByTagName(const QString &tagName, const QDomNode &parent = QDomNode()) const;
    // Every such element, in document order.
    QList<QDomElement> getElementsByTagName(const QString &tagName, const QDomNode &parent = QDomNode()) const;
    // Appends <tagName>text</tagName> as the last child of `parent` and returns it. A null parent
    // stands for the document element; when the document has none, the new element becomes it.
    QDomElement addChild(QDomNode parent, const QString &tagName, const QString &text = QString());
    // Removes the direct children of `parent` (the document element when null) with that name;
    // answers how many went.
    int removeChildren(QDomNode parent, const QString &tagName);
    // The document element, made with that name when the document has none.
    QDomElement ensureDocumentElement(const QString &tagName);
};

#endif
