// The cookie store's bounds, whatever Set-Cookie headers a server sends: a
// request carries at most 64 KiB of cookies, none over 4 KiB, and a store
// keeps them for the origin they came from alone.
#include "fuzzsupport.h"

#include "core/platform/exchangefailure.h"
#include "core/platform/sessioncookies.h"

#include <QNetworkCookie>
#include <QUrl>

namespace {

int headerBytes(const QList<QNetworkCookie> &cookies)
{
    int bytes = 0;
    for (const QNetworkCookie &cookie : cookies) {
        const int size = cookie.name().size() + cookie.value().size();
        Fuzz::require(size <= SessionCookies::MaxCookieBytes);
        bytes += size + 3;
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray header =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const QUrl api(QStringLiteral("https://api.example.com/v1/projects"));
    const QUrl elsewhere(QStringLiteral("https://update.example.com/v1/projects"));
    SessionCookies store;
    // The same header from several replies, each round's names made new.
    for (int round = 0; round < 4; ++round) {
        QList<QNetworkCookie> cookies = QNetworkCookie::parseCookies(header);
        for (QNetworkCookie &cookie : cookies)
            cookie.setName(cookie.name() + QByteArray::number(round));
        store.store(cookies, api, originOf(api));
        Fuzz::require(headerBytes(store.cookiesFor(api, originOf(api))) <=
                      SessionCookies::MaxHeaderBytes);
    }
    Fuzz::require(store.cookiesFor(elsewhere, originOf(elsewhere)).isEmpty());
    return 0;
}
