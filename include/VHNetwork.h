#ifndef VHNETWORK_H
#define VHNETWORK_H

#include "VHError.h"
#include "VHPrimaryDataExport.h"

#include <QByteArray>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>

#include <atomic>

class CurlTransport;
class FailureScope;
class QTemporaryFile;
class SessionCookies;
class SocketTransport;

/// The client's HTTP transport: one process-wide manager that sends JSON
/// requests to the backend, with a time-out on every exchange, the session's
/// bearer token and cookies, limits on what a reply may cost, and no redirect
/// following.
///
/// Any thread with a Qt event loop may use it: each thread sends through
/// transport objects of its own, created on its first request, and waits in
/// its own event loop; the settings below are shared by all of them.
///
/// Proxy policy, the same for both backends: loopback addresses and
/// "localhost" are reached directly; a proxy or factory the application set
/// (QNetworkProxy::setApplicationProxy, QNetworkProxyFactory::
/// setApplicationProxyFactory) answers next; otherwise the environment as
/// curl reads it ("no_proxy"/"NO_PROXY", then "https_proxy"/"HTTPS_PROXY" for
/// https, "http_proxy" for http, then "all_proxy"/"ALL_PROXY", lower case
/// first; read at every request); on Windows and macOS, when it names none,
/// the system's settings. Credentials come from the proxy URL or from the
/// QNetworkProxy's user and password; a 407 fails like
/// QNetworkReply::ProxyAuthenticationRequiredError.
///
/// Trusted authorities: the system's, those added with addCaCertificates(),
/// and those named by SSL_CERT_FILE, CURL_CA_BUNDLE and SSL_CERT_DIR when the
/// manager is created.
///
/// The session's credentials, the bearer token and the backend's cookies, go
/// only to the origin (scheme, host and port) of the API root
/// (VHBaseApi::getBaseApi()) they came from: requests elsewhere, such as the
/// update check's to the update server, carry neither.
class VHPRIMARYDATA_EXPORT NetworkManager : public QObject
{
    Q_OBJECT
public:
    static NetworkManager &instance();
    ~NetworkManager() override;

    /// What carries the requests. Both give the same replies, keep the same
    /// cookies, take the same proxy for each request (see proxy policy above),
    /// trust the same authorities and hold a reply to the same limits while it
    /// arrives, in the thread that waits for it. libcurl, the default, accepts
    /// compressed replies and resumes TLS sessions. Qt's backend is the
    /// library's own HTTP/1.1 over Qt's sockets (QTcpSocket, QSslSocket and
    /// Qt's proxy sockets), not QNetworkAccessManager, whose network thread
    /// cannot be held to a limit; it asks for uncompressed replies.
    enum class Backend { Qt, Curl };
    /// The backend of requests started from now on; the environment variable
    /// VHPD_TRANSPORT ("qt" or "curl") chooses the first.
    void setBackend(Backend backend) { m_backend = backend; }
    Backend backend() const { return m_backend; }
    static constexpr Backend DefaultBackend = Backend::Curl;

    /// Each starts the request at once and returns its reply, which the
    /// transport deletes some time after it has finished. Within a
    /// VHPrimaryData operation whose earlier exchange found the server
    /// unreachable (it timed out, or no connection could be made), a request
    /// to the same origin fails at once with that exchange's error, without
    /// connecting again.
    QNetworkReply *get(const QString &url);
    QNetworkReply *postJson(const QString &url, const QJsonObject &body);
    QNetworkReply *postJson(const QString &url, const QJsonArray &body);
    QNetworkReply *putJson(const QString &url, const QJsonObject &body);
    QNetworkReply *deleteResource(const QString &url);
    /// Sends a multipart form with `verb`: a text part per field and the part
    /// "file", streamed from disk. While the form is being sent, it gives up
    /// when no data has moved for the time-out rather than after a total
    /// time; once it is sent, the reply has the time-out like any other.
    /// Null, and nothing sent, when the file cannot be opened.
    QNetworkReply *sendFileForm(const QString &url, const QByteArray &verb,
                                const QMap<QString, QString> &fields, const QString &filePath);

    /// Longest time one exchange may take, from start to the last byte; an
    /// exchange that runs over is aborted and fails like a network error.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int timeout() const { return m_timeoutMs; }
    static constexpr int DefaultTimeoutMs = 30000;

    /// Largest reply body taken, counted decoded, as it arrives: a reply that
    /// grows past it (an endless body, a compressed one that inflates beyond
    /// it) is cut off there and fails like a network error, which
    /// VHPrimaryData::lastError() names. At most 2 GiB.
    void setMaxReplyBytes(qint64 bytes) { m_maxReplyBytes = bytes; }
    qint64 maxReplyBytes() const { return m_maxReplyBytes; }
    static constexpr qint64 DefaultMaxReplyBytes = qint64(256) << 20;
    /// Most records one reply may hold: every JSON object and array in it
    /// counts, nested ones too, and it may hold at most eight times as many
    /// members and elements in all. They are counted before the body is
    /// parsed; a reply with more fails like one over the size limit. A page
    /// of 100,000 entities holds about 100,000 records and 2.7 million values.
    void setMaxReplyRecords(int records) { m_maxReplyRecords = records; }
    int maxReplyRecords() const { return m_maxReplyRecords; }
    static constexpr int DefaultMaxReplyRecords = 2000000;

    /// The token sent as "Authorization: Bearer <token>"; empty sends none.
    /// It goes only to the origin of the API root at the time it is set (or,
    /// when no server address is set yet, at its first request).
    void setAuthToken(const QString &token);
    QString authToken() const;
    /// Forgets the token and every cookie of the session.
    void clearSession();
    /// Trusts these certification authorities for HTTPS, beside the system's
    /// and the environment's, on connections opened from now on. Certificates
    /// are always verified; there is no switch to turn that off.
    void addCaCertificates(const QList<QSslCertificate> &certificates);

    /// Closes the idle connections the calling thread keeps for reuse (its
    /// requests under way are cancelled). On the libcurl backend this also
    /// drops the parsed authorities, which the next TLS connection reads
    /// again (tens of milliseconds).
    void closeConnections();

    /// Processes the calling thread's events until every request it started
    /// has finished, or `milliseconds` have passed; true when none is left.
    /// For a program about to end after a request it does not wait for
    /// (VHPrimaryData::logout() sends one), so that it reaches the server.
    bool waitForPendingRequests(int milliseconds);

    /// Requests created since the manager was constructed; lets a client (or
    /// its tests) see that an answer came from the caches without a request.
    quint64 requestCount() const { return m_requestCount; }

signals:
    /// How far the file form of sendFileForm (a model file's upload) has
    /// gone: `sent` of `total` bytes of the request, headers of the parts
    /// included. Emitted as the transfer moves, from the thread that waits
    /// for it; `total` is -1 while the size is not known yet.
    void uploadProgress(qint64 sent, qint64 total);

private:
    struct ThreadTransport;

    explicit NetworkManager(QObject *parent = nullptr);
    // The calling thread's transport objects, created on its first request.
    static ThreadTransport *&localTransport();
    ThreadTransport &threadTransport();
    QObject *sameThreadParent();
    SocketTransport *sockets(ThreadTransport &transport);
    CurlTransport *curl(ThreadTransport &transport);
    QNetworkRequest makeRequest(const QString &url, const QByteArray &contentType);
    QNetworkReply *send(QNetworkAccessManager::Operation operation, const QNetworkRequest &request,
                        const QByteArray &body = QByteArray());
    // An exchange that fails at once because its server proved unreachable
    // earlier in the operation under way; null when it may go ahead.
    QNetworkReply *refuseIfUnreachable(const QNetworkRequest &request,
                                       QNetworkAccessManager::Operation operation);
    enum class Deadline { WholeExchange, AfterUpload };
    QNetworkReply *track(QNetworkReply *reply, Deadline deadline = Deadline::WholeExchange);
    void armDeadline(QNetworkReply *reply);

    std::atomic<Backend> m_backend;
    std::atomic<int> m_timeoutMs{DefaultTimeoutMs};
    std::atomic<qint64> m_maxReplyBytes{DefaultMaxReplyBytes};
    std::atomic<int> m_maxReplyRecords{DefaultMaxReplyRecords};
    std::atomic<quint64> m_requestCount{0};
    SessionCookies *m_cookies;
    // Guards what follows, which every thread's requests read.
    mutable QMutex m_mutex;
    QString m_authToken;
    QString m_tokenOrigin;
    QSslConfiguration m_tls = QSslConfiguration::defaultConfiguration();
    QList<QSslCertificate> m_extraAuthorities;
    // The system's and the added authorities as PEM files, the last one
    // current; empty while none were added.
    QList<QTemporaryFile *> m_caFiles;
    // The current one's path, as libcurl takes it.
    QByteArray m_caFile;
};

/// Waits in a local event loop for one reply and keeps what it delivered: the
/// body, the error, the HTTP status and the redirection target. The thread's
/// other events are processed while it waits. The failure of the exchange, and
/// a body found not to be the JSON a view asked for, also go to the
/// VHPrimaryData operation under way (VHPrimaryData::lastError()).
class VHPRIMARYDATA_EXPORT NetworkEventLoop : public QObject
{
    Q_OBJECT
public:
    NetworkEventLoop(QNetworkReply *reply, QObject *parent = nullptr);
    ~NetworkEventLoop() override;

    /// Returns once the reply is complete (at once when it already is).
    int exec(int flags = 0);

    /// True when the exchange ended without a network or HTTP error.
    bool isSuccessful() const { return m_finished && m_error == QNetworkReply::NoError; }
    QNetworkReply::NetworkError error() const { return m_error; }
    /// Why the exchange failed or, after a view found the body unreadable,
    /// why the reply could not be used (Kind::BadReply); Kind::None otherwise.
    VHError failure() const;
    int httpStatus() const { return m_httpStatus; }
    QString redirectTarget() const { return m_redirectTarget; }
    /// The body as received. Reading one of the JSON views below releases
    /// it, as the parsed document then holds all they give.
    const QByteArray &body() const { return m_body; }

    /// The body as one JSON object; empty when it is anything else.
    QJsonObject object() const;
    /// The body's records: the objects of a top-level array, or of the array under
    /// "data" of a top-level object; empty otherwise.
    QList<QJsonObject> objectList() const;
    /// The body as a JSON array; empty when it is anything else.
    QJsonArray array() const;

private:
    void capture();
    const QJsonDocument &document() const;
    // Records that a successful reply's body is not what a view needed.
    void noteBadReply(const QString &what) const;

    QPointer<QNetworkReply> m_reply;
    FailureScope *m_scope = nullptr;
    mutable VHError m_failure;
    QEventLoop m_loop;
    bool m_finished = false;
    QNetworkReply::NetworkError m_error = QNetworkReply::UnknownNetworkError;
    int m_httpStatus = 0;
    QString m_redirectTarget;
    mutable QByteArray m_body;
    mutable QJsonDocument m_document;
    mutable bool m_parsed = false;
};

/// A GET that does not block: the body of every completed reply, error or not,
/// arrives through netComplete.
class VHPRIMARYDATA_EXPORT AsyncNetManager : public QObject
{
    Q_OBJECT
public:
    explicit AsyncNetManager(QObject *parent = nullptr);
    ~AsyncNetManager() override;

    void get(const QString &url);
    /// Whether the last request has completed (true before the first).
    bool isFinished() const;
    /// The outcome of the last completed request: its method, URL and HTTP
    /// status, and why it failed (Kind::None when it succeeded). Read it in a
    /// slot of netComplete.
    VHError outcome() const { return m_outcome; }

signals:
    void netComplete(const QByteArray &content);

private:
    QPointer<QNetworkReply> m_reply;
    VHError m_outcome;
};

/// Where the backend is: the server address and the API version in front of
/// every service path.
class VHPRIMARYDATA_EXPORT VHBaseApi
{
public:
    static VHBaseApi &GetInstance();

    QString getIp() const { return m_ip; }
    void setIp(const QString &ip) { m_ip = ip; }
    QString getApiVer() const { return m_apiVer; }
    void setApiVer(const QString &apiVer) { m_apiVer = apiVer; }
    /// The server root (the address, with "https://" when it names no scheme,
    /// and one trailing "/") followed by the API version.
    QString getBaseApi() const;

private:
    VHBaseApi() = default;
    QString m_ip;
    QString m_apiVer = QStringLiteral("v1/");
};

class VHPRIMARYDATA_EXPORT VHBaseProxy
{
public:
    /// Writes to `out` the value of a "queryParam=" parameter carrying the compact
    /// JSON text `json`: its UTF-8 bytes with every reserved character
    /// percent-encoded. Always returns true.
    static bool getQueryParam(const QString &json, QString &out);
};

/// Sends model files as multipart forms: one text part per parameter and a part
/// "file" streamed from disk.
class VHPRIMARYDATA_EXPORT CFileUploadProxy
{
public:
    /// Creates a model from the file (POST "models/dng" on the model service).
    static bool uploadDNG(const QString &filePath, const QMap<QString, QString> &params);
    /// Replaces the file of model `modelId` (PUT "models/<id>/dng").
    static bool updateDNG(const QString &filePath, const QMap<QString, QString> &params,
                          const QString &modelId);
};

#endif // VHNETWORK_H
