#ifndef VHPD_SESSIONCOOKIES_H
#define VHPD_SESSIONCOOKIES_H

#include <QList>
#include <QMutex>
#include <QNetworkCookie>
#include <QString>
#include <QUrl>

#include <memory>

// The backend's cookies, shared by every thread's requests and the same for
// both transport backends. They belong to one origin, the API root's: they
// are taken only from replies of that origin and go back only to it, and a
// reply from another API root starts the store afresh.
//
// The store is bounded as browsers bound theirs, so that a server cannot make
// every later request carry megabytes of cookies: a cookie whose name and
// value pass MaxCookieBytes is ignored, a domain keeps its MaxCookiesPerDomain
// most recently set cookies, and a request carries at most MaxHeaderBytes of
// them (those that do not fit are left out, the most recently set first).
class SessionCookies
{
public:
    static constexpr int MaxCookieBytes = 4096;
    static constexpr int MaxCookiesPerDomain = 50;
    static constexpr int MaxHeaderBytes = 64 * 1024;

    SessionCookies();
    ~SessionCookies();
    SessionCookies(const SessionCookies &) = delete;
    SessionCookies &operator=(const SessionCookies &) = delete;

    // The cookies to send with a request for `url`, of origin `origin`.
    QList<QNetworkCookie> cookiesFor(const QUrl &url, const QString &origin) const;
    // Keeps the cookies a reply from `url`, of origin `origin`, set.
    void store(const QList<QNetworkCookie> &cookies, const QUrl &url, const QString &origin);
    void clear();

private:
    class Jar;
    mutable QMutex m_mutex;
    std::unique_ptr<Jar> m_jar;
    QString m_origin;
};

#endif // VHPD_SESSIONCOOKIES_H
