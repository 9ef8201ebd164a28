#include "core/platform/sessioncookies.h"

#include <QHash>
#include <QNetworkCookieJar>

#include <algorithm>

namespace {

int sizeOf(const QNetworkCookie &cookie)
{
    return cookie.name().size() + cookie.value().size();
}

} // namespace

// Qt's jar does the matching by domain, path, expiry and security; it keeps
// its cookies in the order they were last set.
class SessionCookies::Jar : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::allCookies;
    using QNetworkCookieJar::setAllCookies;
};

SessionCookies::SessionCookies()
    : m_jar(new Jar)
{}

SessionCookies::~SessionCookies() = default;

QList<QNetworkCookie> SessionCookies::cookiesFor(const QUrl &url, const QString &origin) const
{
    const QMutexLocker lock(&m_mutex);
    if (origin.isEmpty() || origin != m_origin)
        return {};
    QList<QNetworkCookie> cookies = m_jar->cookiesForUrl(url);
    // "name=value" and the "; " that separates it from the next.
    int headerBytes = 0;
    cookies.erase(std::remove_if(cookies.begin(), cookies.end(),
                                 [&headerBytes](const QNetworkCookie &cookie) {
                                     const int bytes = sizeOf(cookie) + 3;
                                     if (headerBytes + bytes > MaxHeaderBytes)
                                         return true;
                                     headerBytes += bytes;
                                     return false;
                                 }),
                  cookies.end());
    return cookies;
}

void SessionCookies::store(const QList<QNetworkCookie> &cookies, const QUrl &url,
                           const QString &origin)
{
    if (cookies.isEmpty() || origin.isEmpty())
        return;
    QList<QNetworkCookie> acceptable;
    for (const QNetworkCookie &cookie : cookies) {
        if (sizeOf(cookie) <= MaxCookieBytes)
            acceptable.append(cookie);
    }
    const QMutexLocker lock(&m_mutex);
    if (origin != m_origin) {
        m_jar->setAllCookies({});
        m_origin = origin;
    }
    if (!m_jar->setCookiesFromUrl(acceptable, url))
        return;
    // The jar has filled in each accepted cookie's domain; a domain over its
    // share loses its least recently set cookies.
    QList<QNetworkCookie> all = m_jar->allCookies();
    QHash<QString, int> perDomain;
    for (const QNetworkCookie &cookie : qAsConst(all))
        ++perDomain[cookie.domain()];
    bool evicted = false;
    for (auto it = all.begin(); it != all.end();) {
        int &count = perDomain[it->domain()];
        if (count > MaxCookiesPerDomain) {
            --count;
            it = all.erase(it);
            evicted = true;
        } else {
            ++it;
        }
    }
    if (evicted)
        m_jar->setAllCookies(all);
}

void SessionCookies::clear()
{
    const QMutexLocker lock(&m_mutex);
    m_jar->setAllCookies({});
    m_origin.clear();
}
