#ifndef VHPD_EXCHANGEFAILURE_H
#define VHPD_EXCHANGEFAILURE_H

#include "VHError.h"

#include <QByteArray>
#include <QString>

class QNetworkReply;
class QUrl;

// Names of the properties the transport leaves on a reply for the failure's
// description: set when the exchange's deadline aborted it, the first
// certificate problem Qt's TLS layer reported for it, and set when the
// transport refused the reply (over its limits on size or records, or in a
// form it does not accept).
extern const char *const kTimedOutProperty;
extern const char *const kTlsProblemProperty;
extern const char *const kRefusedProperty;

// "scheme://host:port" of `url`, the port filled in from the scheme when the
// URL names none; empty when it names no host. Credentials and the memory of
// an unreachable server are kept per origin.
QString originOf(const QUrl &url);

// `text` with the user information ("user:password@") of every URL it quotes
// taken out: the network stack's words may quote one, and no password, token
// or proxy credential may leave in a failure's description.
QString withoutUserInfo(const QString &text);

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
//
// The outermost scope, the operation the client called, also remembers the
// first exchange that found its server unreachable (timed out, or no
// connection could be made): the transport fails that operation's later
// exchanges to the same origin at once with the same error, instead of
// making each wait for its own time-out.
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
    // The failure that showed, earlier in the operation under way on this
    // thread, that the server at `url`'s origin cannot be reached; None when
    // no exchange has shown it.
    static VHError unreachable(const QUrl &url);

private:
    FailureScope *outermost();

    VHError &m_target;
    FailureScope *m_outer;
    VHError m_first;
    bool m_sawExchange = false;
    // Kept by the outermost scope only.
    VHError m_unreachable;
};

#endif // VHPD_EXCHANGEFAILURE_H
