// The editor's own account, as the host signs it in.
#ifndef IKSTQIDACCOUNT_H
#define IKSTQIDACCOUNT_H

#include "kshostglobal.h"

#include <QString>

enum KSTQIDResponseCode {
    KSTQIDNetworkError = 1,
    KSTQIDSignedIn = 2,
    KSTQIDSignedOut = 4,
    KSTQIDTokenRenewed = 18,
};

class KSHOST_API IKSTQIDEventObserver
{
public:
    virtual ~IKSTQIDEventObserver();
    // Called on the thread that changed the account.
    virtual void onTQIDResponse(KSTQIDResponseCode code) = 0;
};

// Where a sign-in request comes from (menu, cloud panel, ...); kept with the request.
class KSHOST_API KLoginSource
{
public:
    explicit KLoginSource(int type = 0);
    int type() const { return m_type; }

private:
    int m_type;
};

class KSHOST_API IKSTQIDAccount
{
public:
    virtual ~IKSTQIDAccount();
    virtual QString userId() const = 0;
    virtual QString email() const = 0;
    virtual QString accessToken() const = 0;
    virtual bool isLoggedIn() const = 0;
    // Obtains a token for the e-mail from the cloud drive's account service; tells observers 2,
    // or 1 when the drive cannot be reached.
    virtual bool signIn(const QString &email, const KLoginSource &source) = 0;
    // Tells observers 4.
    virtual void signOut() = 0;
    // A fresh token for the signed-in account; tells observers 18.
    virtual bool renewToken() = 0;
    // Opens a web page with the account signed in (the address carries the account's session).
    virtual void openSignedInPage(const QString &address) = 0;
    virtual void addObserver(IKSTQIDEventObserver *observer) = 0;
    virtual void removeObserver(IKSTQIDEventObserver *observer) = 0;
};

KSHOST_API IKSTQIDAccount *getTQIDAccount();

#endif
