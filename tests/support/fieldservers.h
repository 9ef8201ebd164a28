#ifndef VHPD_FIELDSERVERS_H
#define VHPD_FIELDSERVERS_H

#include <QString>
#include <QStringList>

#include <memory>

// The web server and the proxy a client meets in a company's network, as
// Debian ships them: nginx terminating TLS in front of the backend, and squid
// as the office's forward proxy. They run as child processes of the test
// program on free loopback ports, with configuration, certificates and logs
// generated into a run directory, and the kernel kills them if the program
// dies first. Linux only.
//
// The proxied host is `backendName()`: the client cannot resolve it, squid
// can (its own hosts file maps it to 127.0.0.1). So a request that went
// through squid succeeds and leaves a line in squid's access log, and one
// that went direct fails to find the host.
class FieldServers
{
public:
    // The name squid resolves to 127.0.0.1 and nginx's certificate is for.
    static QString backendName() { return QStringLiteral("backend.test"); }
    // The account squid's guarded port accepts.
    static QString proxyUser() { return QStringLiteral("site-office"); }
    static QString proxyPassword() { return QStringLiteral("pass word@7"); }
    // Largest request body nginx takes; a larger one is refused with 413.
    static int bodyLimitBytes() { return 64 * 1024; }
    // Requests nginx's keep-alive front serves over one connection before it
    // closes it.
    static int requestsPerConnection() { return 5; }

    // Empty when the programs the servers need are installed; otherwise which
    // Debian packages are missing and the command that installs them.
    static QString missingPackages();
    // Kills the processes the pid files in `runDir` name: nginx or squid left
    // by a run that could not stop them. Returns what it killed, a line each.
    static QStringList stopLeftovers(const QString &runDir);
    // Stops the leftovers and empties the directory.
    static QStringList clearRunDirectory(const QString &runDir);

    explicit FieldServers(const QString &runDir);
    ~FieldServers();
    FieldServers(const FieldServers &) = delete;
    FieldServers &operator=(const FieldServers &) = delete;

    // Clears the run directory, generates a certification authority and the
    // server certificates with the openssl program, writes the
    // configuration, starts nginx in front of the HTTP server at
    // 127.0.0.1:`upstreamPort` and squid, and waits until both accept
    // connections. On failure `error` says what went wrong, with the
    // server's own words.
    bool start(int upstreamPort, QString &error);
    // Stops both servers; the destructor does it too.
    void stop();

    QString runDir() const;
    // The generated authority (PEM), which no system trusts.
    QString authorityPath() const;
    // nginx, with a certificate for backendName() and 127.0.0.1 from that
    // authority, forwarding to the upstream; it closes each connection after
    // its reply.
    int tlsPort() const;
    // The same, keeping each connection for requestsPerConnection() requests.
    int keepAlivePort() const;
    // The same with a certificate that has expired.
    int expiredTlsPort() const;
    // nginx forwarding to a port on which nothing listens: every request gets 502.
    int goneUpstreamPort() const;
    // squid without and with basic authentication; it closes each client
    // connection after its reply.
    int openProxyPort() const;
    int guardedProxyPort() const;

    // squid's access log so far, a line per request:
    // "<result>/<status> <method> <url> <user>", e.g.
    // "TCP_TUNNEL/200 CONNECT backend.test:4431 -". squid writes a tunnel's
    // line when the tunnel closes.
    QStringList proxyLog() const;
    // nginx's access log so far for the front on `port`, a line per request:
    // "<connection> <request on it> <status> <method> <path>". nginx writes
    // a request's line when it is done with it, after the reply: a refused
    // upload's, once it has read what the client still sent.
    QStringList webLog(int port) const;

private:
    struct State;
    std::unique_ptr<State> d;
};

#endif // VHPD_FIELDSERVERS_H
