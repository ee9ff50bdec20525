#include "ContentHasher.h"

#include <QByteArray>
#include <QIODevice>

#include <openssl/evp.h>

namespace TQDrive {

// OpenSSL uses the CPU's SHA extensions where present: several times faster than a portable SHA-256,
// which would make hashing, not the disk, the limit of every transfer.
struct ContentHasher::Private {
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    ~Private() { EVP_MD_CTX_free(ctx); }
};

ContentHasher::ContentHasher()
    : d(new Private)
{
    reset();
}

ContentHasher::~ContentHasher() = default;

void ContentHasher::reset()
{
    EVP_DigestInit_ex(d->ctx, EVP_sha256(), nullptr);
}

void ContentHasher::addData(const char *data, qint64 length)
{
    EVP_DigestUpdate(d->ctx, data, size_t(length));
}

bool ContentHasher::addPrefix(QIODevice &device, qint64 length)
{
    QByteArray buffer(int(qMin<qint64>(length, 1 << 20)), Qt::Uninitialized);
    for (qint64 left = length; left > 0;) {
        const qint64 n = device.read(buffer.data(), qMin<qint64>(left, buffer.size()));
        if (n <= 0)
            return false;
        addData(buffer.constData(), n);
        left -= n;
    }
    return true;
}

QString ContentHasher::result()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(d->ctx, digest, &length);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

QString ContentHasher::hashOf(const QByteArray &data)
{
    ContentHasher hasher;
    hasher.addData(data.constData(), data.size());
    return hasher.result();
}

} // namespace TQDrive
