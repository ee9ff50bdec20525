#include "IKSTQIDAccount.h"

#include "KSBaseLog.h"
#include "KSConfigEngine.h"
#include "KSNetwork.h"

#include "TQDriveAdmin.h"

#include <QMutex>
#include <QUrl>
#include <QUrlQuery>
#include <QVector>

#include <atomic>

namespace {

class KSTQIDAccount : public IKSTQIDAccount
{
public:
    QString userId() const override
    {
        QMutexLocker lock(&m_mutex);
        return m_userId;
    }

    QString email() const override
    {
        QMutexLocker lock(&m_mutex);
        return m_email;
    }

    QString accessToken() const override
    {
        QMutexLocker lock(&m_mutex);
        return m_token;
    }

    bool isLoggedIn() const override
    {
        QMutexLocker lock(&m_mutex);
        return !m_token.isEmpty();
    }

    bool signIn(const QString &email, const KLoginSource &source) override
    {
        const QString address = email.trimmed();
        bool ok = false;
        {
            // The drive calls run under the lock: two sign-ins must not interleave their results.
            QMutexLocker lock(&m_mutex);
            TQDriveAdmin::AccountInfo info;
            if (!address.isEmpty())
                TQDriveAdmin::ensureAccount(address, &info);
            const QString token
                = info.accountId ? TQDriveAdmin::issueToken(info.accountId, tokenLifetime()) : QString();
            if (!token.isEmpty()) {
                m_accountId = info.accountId;
                m_userId = info.uid;
                m_email = info.email;
                m_token = token;
                ok = true;
            }
        }
        if (ok) {
            KSLOG_INFO("signed in, user %s, source %d", qUtf8Printable(userId()), source.type());
        } else {
            KSLOG_WARN(
                "sign-in failed, source %d, drive folder %s", source.type(), qUtf8Printable(TQDriveAdmin::driveRoot()));
        }
        notify(ok ? KSTQIDSignedIn : KSTQIDNetworkError);
        return ok;
    }

    void signOut() override
    {
        {
            QMutexLocker lock(&m_mutex);
            m_accountId = 0;
            m_userId.clear();
            m_email.clear();
            m_token.clear();
        }
        KSLOG_INFO("signed out");
        notify(KSTQIDSignedOut);
    }

    bool renewToken() override
    {
        bool ok = false;
        {
            QMutexLocker lock(&m_mutex);
            if (!m_accountId)
                return false;
            const QString token = TQDriveAdmin::issueToken(m_accountId, tokenLifetime());
            if (!token.isEmpty()) {
                m_token = token;
                ok = true;
            }
        }
        if (!ok)
            KSLOG_WARN("token renewal failed");
        notify(ok ? KSTQIDTokenRenewed : KSTQIDNetworkError);
        return ok;
    }

    void openSignedInPage(const QString &address) override
    {
        // Callers hand the address percent-encoded as a whole; a plain address is taken as it is.
        QUrl url(address);
        if (url.scheme().isEmpty())
            url = QUrl(QUrl::fromPercentEncoding(address.toUtf8()));
        {
            QMutexLocker lock(&m_mutex);
            if (!m_token.isEmpty()) {
                QUrlQuery query(url);
                query.addQueryItem(QStringLiteral("uid"), m_userId);
                query.addQueryItem(QStringLiteral("session"), m_token);
                url.setQuery(query);
            }
        }
        KSDesktopService::openURL(url.toString(QUrl::FullyEncoded));
    }

    void addObserver(IKSTQIDEventObserver *observer) override
    {
        QMutexLocker lock(&m_mutex);
        if (observer && !m_observers.contains(observer))
            m_observers.append(observer);
    }

    void removeObserver(IKSTQIDEventObserver *observer) override
    {
        QMutexLocker lock(&m_mutex);
        m_observers.removeAll(observer);
    }

private:
    static qint64 tokenLifetime()
    {
        return KSConfigEngine::instance()
            ->getValue(0, QStringLiteral("Account"), QStringLiteral("TokenLifetimeMs"), 0)
            .toLongLong();
    }

    void notify(KSTQIDResponseCode code)
    {
        QVector<IKSTQIDEventObserver *> observers;
        {
            QMutexLocker lock(&m_mutex);
            observers = m_observers;
        }
        for (IKSTQIDEventObserver *observer : qAsConst(observers)) {
            {
                // An observer called earlier may have removed (and deleted) this one.
                QMutexLocker lock(&m_mutex);
                if (!m_observers.contains(observer))
                    continue;
            }
            observer->onTQIDResponse(code);
        }
    }

    mutable QMutex m_mutex;
    qint64 m_accountId = 0;
    QString m_userId;
    QString m_email;
    QString m_token;
    QVector<IKSTQIDEventObserver *> m_observers;
};

// Created once and never destroyed, so an observer destroyed at any time may still reach it.
std::atomic<KSTQIDAccount *> g_account{nullptr};

} // namespace

IKSTQIDEventObserver::~IKSTQIDEventObserver()
{
    // An observer that forgot to unregister must not be called after it is gone.
    if (KSTQIDAccount *account = g_account.load())
        account->removeObserver(this);
}

KLoginSource::KLoginSource(int type)
    : m_type(type)
{ }

IKSTQIDAccount::~IKSTQIDAccount() = default;

IKSTQIDAccount *getTQIDAccount()
{
    static KSTQIDAccount *const account = [] {
        auto *created = new KSTQIDAccount;
        g_account.store(created);
        return created;
    }();
    return account;
}
