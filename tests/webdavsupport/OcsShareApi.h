#ifndef OCSSHAREAPI_H
#define OCSSHAREAPI_H

#include "HttpConnection.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>

#include <functional>

// The OCS share API of the Nextcloud stand-in, for public link shares (shareType 3) only:
// POST .../shares (path, shareType, password, expireDate YYYY-MM-DD), GET .../shares[?path=],
// GET/PUT/DELETE .../shares/ID. Passwords are kept as hashes and answered as such, as Nextcloud does.
// Not thread-safe: its owner serialises the calls.
class OcsShareApi
{
public:
    struct Item {
        bool exists = false;
        bool folder = false;
        qint64 fileId = -1;
    };
    // Looks up a path relative to the user's root.
    using Lookup = std::function<Item(const QString &rel)>;

    explicit OcsShareApi(const QString &owner);

    static bool handles(const QString &path);
    HttpResponse handle(const HttpRequest &request, const Lookup &lookup);
    // A deleted file or folder takes its shares with it.
    void forgetBelow(const QString &rel);
    QJsonArray shares() const;

private:
    struct Share {
        int id = 0;
        QString path; // relative to the user's root
        bool folder = false;
        qint64 fileId = -1;
        QString token;
        QByteArray passwordHash;
        QDate expiration;
        qint64 created = 0;
        QByteArray host; // the Host the share was created through, for its URL
    };

    HttpResponse create(const HttpRequest &request, const QUrlQuery &params, const Lookup &lookup);
    HttpResponse update(const HttpRequest &request, Share *share, const QUrlQuery &params);
    // Applies password and expireDate when given; an error message, or empty.
    QString applyOptions(Share *share, const QUrlQuery &params) const;
    HttpResponse reply(const HttpRequest &request, int code, const QString &message, const QJsonValue &data) const;
    QJsonObject toJson(const Share &share) const;

    const QString m_owner;
    QMap<int, Share> m_shares;
    int m_nextId = 1;
};

#endif
