#include "ContentHasher.h"

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
