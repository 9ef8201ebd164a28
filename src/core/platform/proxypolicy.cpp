#include "core/platform/proxypolicy.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QNetworkProxyFactory>
#include <QString>
#include <QUrl>

#include <atomic>

namespace {

// A proxy URL that names no port means curl's default port.
constexpr quint16 kDefaultProxyPort = 1080;

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
        host.endsWith(QLatin1String(".localhost"), Qt::CaseInsensitive))
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

// The value of `lower`, or of `upper` when that is unset or empty.
QByteArray environment(const char *lower, const char *upper)
{
    QByteArray value = qgetenv(lower).trimmed();
    if (value.isEmpty() && upper)
        value = qgetenv(upper).trimmed();
    return value;
}

// One entry of "no_proxy" without the port some lists give it: "[::1]:8080"
// and "example.com:443" both name their host only.
QString entryHost(QString entry)
{
    if (entry.startsWith(QLatin1Char('['))) {
        const int close = entry.indexOf(QLatin1Char(']'));
        return close < 0 ? entry.mid(1) : entry.mid(1, close - 1);
    }
    if (entry.count(QLatin1Char(':')) == 1)
        entry.truncate(entry.indexOf(QLatin1Char(':')));
    return entry;
}

// Whether `host` is exempt under a "no_proxy" list: "*" exempts every host;
// an address or a range ("10.0.0.0/8") exempts the addresses it covers; a
// name exempts itself and every name below it ("example.com" and
// ".example.com" both cover "a.example.com").
bool isExempt(const QByteArray &list, const QString &host)
{
    QString name = host.toLower();
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    QHostAddress address;
    const bool isAddress = address.setAddress(name);
    const QList<QByteArray> entries = list.split(',');
    for (const QByteArray &raw : entries) {
        const QString entry = QString::fromUtf8(raw.trimmed()).toLower();
        if (entry.isEmpty())
            continue;
        if (entry == QLatin1String("*"))
            return true;
        if (isAddress) {
            if (entry.contains(QLatin1Char('/'))) {
                const QPair<QHostAddress, int> range = QHostAddress::parseSubnet(entry);
                if (!range.first.isNull() && address.isInSubnet(range))
                    return true;
            } else if (QHostAddress(entryHost(entry)).isEqual(address)) {
                return true;
            }
            continue;
        }
        QString suffix = entryHost(entry);
        if (suffix.startsWith(QLatin1String("*.")))
            suffix.remove(0, 2);
        else if (suffix.startsWith(QLatin1Char('.')))
            suffix.remove(0, 1);
        if (suffix.endsWith(QLatin1Char('.')))
            suffix.chop(1);
        if (!suffix.isEmpty() &&
            (name == suffix || (name.endsWith(suffix) &&
                                name.at(name.size() - suffix.size() - 1) == QLatin1Char('.'))))
            return true;
    }
    return false;
}

// The proxy a URL from the environment names: "http://" (the scheme may be
// left out) or "socks5://" and "socks5h://", whose names the proxy resolves
// either way, with "user:password@" for basic authentication.
QNetworkProxy proxyFromUrl(const QByteArray &text)
{
    QString written = QString::fromUtf8(text);
    if (!written.contains(QLatin1String("://")))
        written.prepend(QLatin1String("http://"));
    const QUrl url(written, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    QNetworkProxy::ProxyType type = QNetworkProxy::NoProxy;
    if (scheme == QLatin1String("http"))
        type = QNetworkProxy::HttpProxy;
    else if (scheme == QLatin1String("socks5") || scheme == QLatin1String("socks5h"))
        type = QNetworkProxy::Socks5Proxy;
    if (type == QNetworkProxy::NoProxy || !url.isValid() || url.host().isEmpty()) {
        // Qt cannot speak TLS to a proxy, nor SOCKS4: say so once rather
        // than on every request.
        static std::atomic<bool> warned{false};
        if (!warned.exchange(true))
            qWarning("VHPrimaryData: the proxy \"%s\" from the environment is not an http:// or "
                     "socks5:// URL; connecting directly",
                     qPrintable(url.toString(QUrl::RemoveUserInfo)));
        return QNetworkProxy(QNetworkProxy::NoProxy);
    }
    return QNetworkProxy(type, url.host(), quint16(url.port(kDefaultProxyPort)),
                         url.userName(QUrl::FullyDecoded), url.password(QUrl::FullyDecoded));
}

QNetworkProxy fromEnvironment(const QUrl &url)
{
    if (isExempt(environment("no_proxy", "NO_PROXY"), url.host()))
        return QNetworkProxy(QNetworkProxy::NoProxy);
    const QString scheme = url.scheme().toLower();
    QByteArray named;
    if (scheme == QLatin1String("https"))
        named = environment("https_proxy", "HTTPS_PROXY");
    else if (scheme == QLatin1String("http"))
        named = environment("http_proxy", nullptr);
    if (named.isEmpty())
        named = environment("all_proxy", "ALL_PROXY");
    return named.isEmpty() ? QNetworkProxy(QNetworkProxy::DefaultProxy) : proxyFromUrl(named);
}

// The first answer either backend can use; a factory's "DefaultProxy" or FTP
// proxy is passed over.
QNetworkProxy firstUsable(const QList<QNetworkProxy> &answers)
{
    for (const QNetworkProxy &answer : answers) {
        switch (answer.type()) {
        case QNetworkProxy::NoProxy:
        case QNetworkProxy::Socks5Proxy:
            return answer;
        case QNetworkProxy::HttpProxy:
        case QNetworkProxy::HttpCachingProxy: {
            QNetworkProxy http(answer);
            http.setType(QNetworkProxy::HttpProxy);
            return http;
        }
        default:
            break;
        }
    }
    return QNetworkProxy(QNetworkProxy::NoProxy);
}

} // namespace

QNetworkProxy proxyFor(const QUrl &url)
{
    if (isLoopbackHost(url.host()))
        return QNetworkProxy(QNetworkProxy::NoProxy);
    const QNetworkProxyQuery query(url);
    if (!QNetworkProxyFactory::usesSystemConfiguration())
        return firstUsable(QNetworkProxyFactory::proxyForQuery(query));
    const QNetworkProxy named = fromEnvironment(url);
    if (named.type() != QNetworkProxy::DefaultProxy)
        return named;
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return firstUsable(QNetworkProxyFactory::systemProxyForQuery(query));
#else
    // Elsewhere Qt's system settings are these same variables.
    return QNetworkProxy(QNetworkProxy::NoProxy);
#endif
}
