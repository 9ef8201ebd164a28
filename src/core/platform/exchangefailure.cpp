#include "exchangefailure.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSslError>

const char *const kTimedOutProperty = "vhpdTimedOut";
const char *const kTlsProblemProperty = "vhpdTlsProblem";
const char *const kRefusedProperty = "vhpdRefused";

namespace {

thread_local FailureScope *t_currentScope = nullptr;

// What was wrong with a server's certificate, as far as a user can act on it.
enum class TlsProblem { Other, UnknownAuthority, Expired, NotYetValid, NameMismatch };

TlsProblem problemOfQtError(int error)
{
    switch (QSslError::SslError(error)) {
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::CertificateUntrusted:
        return TlsProblem::UnknownAuthority;
    case QSslError::CertificateExpired:
        return TlsProblem::Expired;
    case QSslError::CertificateNotYetValid:
        return TlsProblem::NotYetValid;
    case QSslError::HostNameMismatch:
        return TlsProblem::NameMismatch;
    default:
        return TlsProblem::Other;
    }
}

// libcurl names the certificate problem only in its message (OpenSSL's words).
TlsProblem problemOfCurlText(const QString &text)
{
    const auto has = [&text](const char *words) {
        return text.contains(QLatin1String(words), Qt::CaseInsensitive);
    };
    if (has("issuer") || has("self-signed") || has("self signed") ||
        has("unable to verify the first certificate"))
        return TlsProblem::UnknownAuthority;
    if (has("expired"))
        return TlsProblem::Expired;
    if (has("not yet valid"))
        return TlsProblem::NotYetValid;
    if (has("subject name") || has("does not match target host"))
        return TlsProblem::NameMismatch;
    return TlsProblem::Other;
}

QString tlsDetail(const QNetworkReply &reply, const QString &transportText)
{
    const QString host = reply.url().host();
    const QVariant qtProblem = reply.property(kTlsProblemProperty);
    const TlsProblem problem = qtProblem.isValid() ? problemOfQtError(qtProblem.toInt())
                                                   : problemOfCurlText(transportText);
    switch (problem) {
    case TlsProblem::UnknownAuthority:
        return QStringLiteral("the certificate of %1 is signed by an unknown authority").arg(host);
    case TlsProblem::Expired:
        return QStringLiteral("the certificate of %1 has expired").arg(host);
    case TlsProblem::NotYetValid:
        return QStringLiteral("the certificate of %1 is not valid yet").arg(host);
    case TlsProblem::NameMismatch:
        return QStringLiteral("the certificate of %1 is issued for another name").arg(host);
    case TlsProblem::Other:
        break;
    }
    return QStringLiteral("the TLS handshake with %1 failed: %2").arg(host, transportText);
}

// The exchange's identity, shared by every kind of failure.
VHError failureOf(const QNetworkReply &reply, VHError::Kind kind)
{
    VHError failure;
    failure.kind = kind;
    failure.httpStatus = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    failure.method = exchangeMethod(reply);
    failure.url = reply.url().toString(QUrl::RemoveUserInfo);
    return failure;
}

bool wasTimedOut(const QNetworkReply &reply)
{
    // The manager's deadline marks the reply it aborts; an upload is aborted
    // by the transfer time-out of its request, the only thing that cancels one.
    return reply.property(kTimedOutProperty).toBool() || reply.request().transferTimeout() > 0;
}

// Failures that say the server cannot be reached at all: trying again within
// the same operation would only wait as long again.
bool showsUnreachable(VHError::Kind kind)
{
    return kind == VHError::Kind::TimedOut || kind == VHError::Kind::ConnectionRefused ||
           kind == VHError::Kind::HostNotFound || kind == VHError::Kind::Proxy;
}

VHError::Kind kindOf(const QNetworkReply &reply)
{
    // The server answered, but the transport would not take the answer.
    if (reply.property(kRefusedProperty).toBool())
        return VHError::Kind::Network;
    switch (reply.error()) {
    case QNetworkReply::NoError:
        return VHError::Kind::None;
    case QNetworkReply::ConnectionRefusedError:
        return VHError::Kind::ConnectionRefused;
    case QNetworkReply::HostNotFoundError:
        return VHError::Kind::HostNotFound;
    case QNetworkReply::TimeoutError:
        return VHError::Kind::TimedOut;
    case QNetworkReply::OperationCanceledError:
        return wasTimedOut(reply) ? VHError::Kind::TimedOut : VHError::Kind::Network;
    case QNetworkReply::SslHandshakeFailedError:
        return VHError::Kind::Tls;
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::UnknownProxyError:
        return VHError::Kind::Proxy;
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return VHError::Kind::ProxyAuthentication;
    default:
        break;
    }
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 400 ? VHError::Kind::Http : VHError::Kind::Network;
}

} // namespace

// A hand-written scan: a regular expression here would be JIT-compiled,
// which memory checkers cannot follow.
QString withoutUserInfo(const QString &text)
{
    QString scrubbed = text;
    int from = 0;
    while ((from = scrubbed.indexOf(QLatin1String("://"), from)) >= 0) {
        from += 3;
        int end = from;
        while (end < scrubbed.size() && scrubbed.at(end) != QLatin1Char('/') &&
               scrubbed.at(end) != QLatin1Char('@') && !scrubbed.at(end).isSpace())
            ++end;
        if (end < scrubbed.size() && scrubbed.at(end) == QLatin1Char('@'))
            scrubbed.remove(from, end + 1 - from);
    }
    return scrubbed;
}

QString originOf(const QUrl &url)
{
    if (url.host().isEmpty())
        return QString();
    const QString scheme = url.scheme().toLower();
    const int port = url.port(scheme == QLatin1String("https") ? 443 : 80);
    return scheme + QLatin1String("://") + url.host().toLower() + QLatin1Char(':') +
           QString::number(port);
}

QString exchangeMethod(const QNetworkReply &reply)
{
    switch (reply.operation()) {
    case QNetworkAccessManager::GetOperation:
        return QStringLiteral("GET");
    case QNetworkAccessManager::PostOperation:
        return QStringLiteral("POST");
    case QNetworkAccessManager::PutOperation:
        return QStringLiteral("PUT");
    case QNetworkAccessManager::DeleteOperation:
        return QStringLiteral("DELETE");
    case QNetworkAccessManager::HeadOperation:
        return QStringLiteral("HEAD");
    default:
        return QString::fromLatin1(
            reply.request().attribute(QNetworkRequest::CustomVerbAttribute).toByteArray());
    }
}

VHError exchangeFailure(const QNetworkReply &reply, const QByteArray &body)
{
    const VHError::Kind kind = kindOf(reply);
    VHError failure = failureOf(reply, kind);
    if (kind == VHError::Kind::None)
        return failure;
    const QString transportText = withoutUserInfo(reply.errorString());
    if (kind == VHError::Kind::Tls) {
        failure.detail = tlsDetail(reply, transportText);
        return failure;
    }
    failure.detail = transportText;
    if (kind == VHError::Kind::Http) {
        // The backend explains a refusal in a body {"code": ..., "message": ...}.
        const QJsonObject object = QJsonDocument::fromJson(body).object();
        const QJsonValue code = object.value(QLatin1String("code"));
        const QJsonValue message = object.value(QLatin1String("message"));
        if (!code.isUndefined() || message.isString()) {
            failure.kind = VHError::Kind::Server;
            failure.serverCode = code.toVariant().toInt();
            failure.serverMessage = message.toString();
        }
    }
    return failure;
}

FailureScope::FailureScope(VHError &target)
    : m_target(target)
    , m_outer(t_currentScope)
{
    t_currentScope = this;
}

FailureScope::~FailureScope()
{
    t_currentScope = m_outer;
    if (!m_sawExchange)
        return;
    m_target = m_first;
    if (m_outer)
        m_outer->note(m_first);
}

FailureScope *FailureScope::current()
{
    return t_currentScope;
}

void FailureScope::note(const VHError &failure)
{
    m_sawExchange = true;
    if (m_first.isNone())
        m_first = failure;
    if (showsUnreachable(failure.kind)) {
        FailureScope *operation = outermost();
        if (operation->m_unreachable.isNone())
            operation->m_unreachable = failure;
    }
}

FailureScope *FailureScope::outermost()
{
    FailureScope *scope = this;
    while (scope->m_outer)
        scope = scope->m_outer;
    return scope;
}

VHError FailureScope::unreachable(const QUrl &url)
{
    FailureScope *scope = current();
    if (!scope)
        return VHError();
    const VHError &failure = scope->outermost()->m_unreachable;
    if (failure.isNone() || originOf(QUrl(failure.url)) != originOf(url))
        return VHError();
    return failure;
}

QString VHError::kindName(Kind kind)
{
    switch (kind) {
    case Kind::None:
        return QStringLiteral("none");
    case Kind::ConnectionRefused:
        return QStringLiteral("connectionRefused");
    case Kind::HostNotFound:
        return QStringLiteral("hostNotFound");
    case Kind::TimedOut:
        return QStringLiteral("timedOut");
    case Kind::Tls:
        return QStringLiteral("tls");
    case Kind::Proxy:
        return QStringLiteral("proxy");
    case Kind::ProxyAuthentication:
        return QStringLiteral("proxyAuthentication");
    case Kind::Http:
        return QStringLiteral("http");
    case Kind::Server:
        return QStringLiteral("server");
    case Kind::BadReply:
        return QStringLiteral("badReply");
    case Kind::Network:
        return QStringLiteral("network");
    }
    return QString();
}

QDebug operator<<(QDebug debug, const VHError &error)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "VHError(kind: " << VHError::kindName(error.kind)
                    << ", httpStatus: " << error.httpStatus << ", serverCode: " << error.serverCode
                    << ", serverMessage: " << error.serverMessage << ", detail: " << error.detail
                    << ", method: " << error.method << ", url: " << error.url << ')';
    return debug;
}
