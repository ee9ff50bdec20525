#ifndef TQDRIVE_CONTENTHASHER_H
#define TQDRIVE_CONTENTHASHER_H

#include <QString>

class QIODevice;

#include <memory>

namespace TQDrive {

// Streaming SHA-256 of file content; the name the drive reports for it is "sha256".
class ContentHasher
{
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher &) = delete;
    ContentHasher &operator=(const ContentHasher &) = delete;

    void reset();
    void addData(const char *data, qint64 length);
    // Reads the next `length` bytes of `device` into the hash: the prefix of a file an earlier run of a
    // resumed transfer already moved. False when the device ends or fails first.
    bool addPrefix(QIODevice &device, qint64 length);
    // Lower-case hex digest; the hasher must be reset before reuse.
    QString result();

    static QString name() { return QStringLiteral("sha256"); }
    static QString hashOf(const QByteArray &data);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace TQDrive

#endif
