#ifndef VHPD_PROXYPOLICY_H
#define VHPD_PROXYPOLICY_H

#include <QNetworkProxy>

class QUrl;

// The proxy a request to `url` goes through, decided here once for every
// backend so that Qt's and libcurl's agree:
// - loopback addresses and "localhost" are always reached directly;
// - a proxy or proxy factory the application set in code answers next
//   (anything but QNetworkProxyFactory::usesSystemConfiguration());
// - otherwise the environment, by curl's rules: "no_proxy" (or "NO_PROXY"),
//   then "https_proxy" (or "HTTPS_PROXY") for https, "http_proxy" for http
//   (the upper-case form is left alone: CGI programs receive a request's
//   "Proxy:" header under that name), then "all_proxy" (or "ALL_PROXY");
// - on Windows and macOS, when the environment names none, the system's
//   proxy settings.
// The answer is a proxy of type HttpProxy, Socks5Proxy or NoProxy, with the
// credentials to give it, if any.
QNetworkProxy proxyFor(const QUrl &url);

#endif // VHPD_PROXYPOLICY_H
