#ifndef VHPD_EXCHANGEFAILURE_H
#define VHPD_EXCHANGEFAILURE_H

#include "VHError.h"

#include <QByteArray>
#include <QString>

class QNetworkReply;

// Names of the properties the transport leaves on a reply for the failure's
// description: set when the exchange's deadline aborted it, the first
// certificate problem Qt's TLS layer reported for it, and set when Qt's
// backend sent it through a proxy.
extern const char *const kTimedOutProperty;
extern const char *const kTlsProblemProperty;
extern const char *const kViaProxyProperty;

// The request's HTTP method, custom verbs included.
QString exchangeMethod(const QNetworkReply &reply);

// The cause of a finished reply's failure, in the same terms on both
// transport backends. `body` is what the reply carried (the server's error
// object, when it sent one). When the exchange succeeded the kind is None and
// the method, URL and status are still filled in, so that a reply found
// unreadable later can be described from it.
VHError exchangeFailure(const QNetworkReply &reply, const QByteArray &body);

// Collects the first failure of the exchanges waited for while it lives and,
// when it saw at least one exchange, hands it to `target` as it goes: None
// when they all succeeded. Scopes nest; an inner scope's exchanges count for
// the outer ones too, so that an operation built on others reports the first
// failure of all of them.
class FailureScope
{
public:
    explicit FailureScope(VHError &target);
    ~FailureScope();
    FailureScope(const FailureScope &) = delete;
    FailureScope &operator=(const FailureScope &) = delete;

    // The innermost scope of this thread; null outside every scope.
    static FailureScope *current();
    // One exchange has been waited for; `failure` is None when it succeeded.
    void note(const VHError &failure);

private:
    VHError &m_target;
    FailureScope *m_outer;
    VHError m_first;
    bool m_sawExchange = false;
};

#endif // VHPD_EXCHANGEFAILURE_H
