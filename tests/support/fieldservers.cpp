#include "fieldservers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <vector>

namespace {

const char *const kNginx = "/usr/sbin/nginx";
const char *const kSquid = "/usr/sbin/squid";
const char *const kSquidPasswordHelper = "/usr/lib/squid/basic_ncsa_auth";
const char *const kOpenssl = "/usr/bin/openssl";
// Debian's account for squid, which will not serve as root.
const char *const kSquidUser = "proxy";
const int kStartMs = 15000;

// A server process that cannot outlive the test program: the kernel kills it
// when the thread that started it ends, however the program ends. A program
// that switches to another user itself loses that order (the kernel clears it
// with the credentials), so a server that would drop root's rights is
// started as its own user instead.
class BoundProcess : public QProcess
{
public:
    void runAs(uid_t uid, gid_t gid)
    {
        m_dropRights = true;
        m_uid = uid;
        m_gid = gid;
    }

protected:
    // Runs in the child between fork and exec: system calls only.
    void setupChildProcess() override
    {
        if (m_dropRights &&
            (setgroups(0, nullptr) != 0 || setgid(m_gid) != 0 || setuid(m_uid) != 0))
            _exit(126);
        // The parent may have died before the order was given.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != m_parent)
            _exit(126);
    }

private:
    pid_t m_parent = getpid();
    bool m_dropRights = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};

bool writeFile(const QString &path, const QByteArray &content, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    // The proxy's own user reads its configuration.
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return true;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The last lines of a server's logs, for a failure message.
QString tail(const QStringList &paths)
{
    QString text;
    for (const QString &path : paths) {
        const QList<QByteArray> lines = readFile(path).trimmed().split('\n');
        text += QStringLiteral("%1:\n%2\n")
                    .arg(path, QString::fromUtf8(lines.mid(qMax(0, lines.size() - 8)).join('\n')));
    }
    return text;
}

// Runs the openssl program; its output on success, a null array and `error` otherwise.
QByteArray openssl(const QStringList &arguments, QString &error)
{
    QProcess process;
    process.start(QString::fromLatin1(kOpenssl), arguments);
    if (!process.waitForFinished(kStartMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        error = QStringLiteral("openssl %1 failed: %2")
                    .arg(arguments.join(QLatin1Char(' ')),
                         QString::fromLocal8Bit(process.readAllStandardError()));
        return QByteArray();
    }
    const QByteArray out = process.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}

// Loopback ports nothing listens on, all different. Each is free when
// chosen; a server takes it a moment later.
std::vector<int> freePorts(int count)
{
    std::vector<std::unique_ptr<QTcpServer>> probes;
    std::vector<int> ports;
    for (int i = 0; i < count; ++i) {
        probes.push_back(std::make_unique<QTcpServer>());
        probes.back()->listen(QHostAddress::LocalHost);
        ports.push_back(probes.back()->serverPort());
    }
    return ports;
}

bool accepts(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    return socket.waitForConnected(200);
}

bool waitUntilListening(QProcess &process, const QList<int> &ports, const QString &name,
                        const QStringList &logs, QString &error)
{
    const QDeadlineTimer deadline(kStartMs);
    for (int port : ports) {
        while (!accepts(port)) {
            // Waiting for the end also notices it.
            const bool exited =
                process.state() == QProcess::NotRunning || process.waitForFinished(20);
            if (exited || deadline.hasExpired()) {
                const QString state =
                    exited ? QStringLiteral("it exited with status %1").arg(process.exitCode())
                           : QStringLiteral("still starting");
                error = QStringLiteral("%1 did not start listening on 127.0.0.1:%2 (%3):\n%4")
                            .arg(name)
                            .arg(port)
                            .arg(state, tail(logs));
                return false;
            }
        }
    }
    return true;
}

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

} // namespace

struct FieldServers::State
{
    QString runDir;
    int tlsPort = 0;
    int expiredTlsPort = 0;
    int goneUpstreamPort = 0;
    int keepAlivePort = 0;
    int openProxyPort = 0;
    int guardedProxyPort = 0;
    BoundProcess nginx;
    BoundProcess squid;

    QString path(const QString &name) const { return runDir + QLatin1Char('/') + name; }
    bool makeCertificates(QString &error);
    bool writeNginxConfiguration(int upstreamPort, int closedPort, QString &error);
    bool writeSquidConfiguration(QString &error);
    bool launch(BoundProcess &process, const QString &name, const QStringList &arguments,
                QString &error);
    bool startOnce(int upstreamPort, QString &error);
};

QString FieldServers::missingPackages()
{
    struct Need
    {
        const char *file;
        const char *package;
    };
    const Need needs[] = {{kNginx, "nginx"},
                          {kSquid, "squid"},
                          {kSquidPasswordHelper, "squid"},
                          {kOpenssl, "openssl"}};
    QStringList packages;
    QStringList files;
    for (const Need &need : needs) {
        if (QFileInfo(QString::fromLatin1(need.file)).isExecutable())
            continue;
        files.append(QString::fromLatin1(need.file));
        if (!packages.contains(QLatin1String(need.package)))
            packages.append(QLatin1String(need.package));
    }
    if (getuid() == 0 && !getpwnam(kSquidUser))
        return QStringLiteral("squid's user \"%1\" does not exist: reinstall squid with "
                              "`apt-get install --reinstall squid`")
            .arg(QLatin1String(kSquidUser));
    if (packages.isEmpty())
        return QString();
    return QStringLiteral("the field tests need the Debian packages %1 (missing: %2): install "
                          "them with `apt-get install %1` (or `make deps`)")
        .arg(packages.join(QLatin1Char(' ')), files.join(QStringLiteral(", ")));
}

QStringList FieldServers::stopLeftovers(const QString &runDir)
{
    // "nginx" or "squid" while that process lives (a zombie has ended);
    // empty for any other process that may have the number by now.
    const auto liveServer = [](pid_t pid) {
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const int open = stat.indexOf('(');
        const int close = stat.lastIndexOf(')');
        if (open < 0 || close < open || stat.mid(close + 2, 1) == "Z")
            return QByteArray();
        const QByteArray command = stat.mid(open + 1, close - open - 1);
        return command == "nginx" || command == "squid" ? command : QByteArray();
    };
    QStringList killed;
    const QDir dir(runDir);
    const QStringList pidFiles = dir.entryList({QStringLiteral("*.pid")}, QDir::Files);
    for (const QString &name : pidFiles) {
        bool ok = false;
        const pid_t pid = readFile(dir.filePath(name)).trimmed().toInt(&ok);
        const QByteArray command = ok && pid > 1 ? liveServer(pid) : QByteArray();
        if (command.isEmpty() || kill(pid, SIGKILL) != 0)
            continue;
        killed.append(QStringLiteral("killed %1 (%2), left by an earlier run")
                          .arg(QString::fromLatin1(command))
                          .arg(pid));
        const QDeadlineTimer deadline(5000);
        while (!liveServer(pid).isEmpty() && !deadline.hasExpired())
            QThread::msleep(20);
    }
    return killed;
}

QStringList FieldServers::clearRunDirectory(const QString &runDir)
{
    QStringList killed = stopLeftovers(runDir);
    QDir(runDir).removeRecursively();
    QDir().mkpath(runDir);
    return killed;
}

FieldServers::FieldServers(const QString &runDir)
    : d(new State)
{
    d->runDir = QDir(runDir).absolutePath();
}

FieldServers::~FieldServers()
{
    stop();
}

bool FieldServers::State::makeCertificates(QString &error)
{
    const QStringList ecKey = {
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    if (openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey +
                    QStringList{QStringLiteral("-keyout"), path(QStringLiteral("ca.key")),
                                QStringLiteral("-out"), path(QStringLiteral("ca.pem")),
                                QStringLiteral("-days"), QStringLiteral("2"),
                                QStringLiteral("-subj"),
                                QStringLiteral("/O=VHPrimaryData field tests/CN=Site Office CA"),
                                QStringLiteral("-addext"),
                                QStringLiteral("basicConstraints=critical,CA:TRUE"),
                                QStringLiteral("-addext"),
                                QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
                error)
            .isNull())
        return false;
    if (openssl(QStringList{QStringLiteral("req")} + ecKey +
                    QStringList{QStringLiteral("-keyout"), path(QStringLiteral("server.key")),
                                QStringLiteral("-out"), path(QStringLiteral("server.csr")),
                                QStringLiteral("-subj"), QStringLiteral("/CN=") + backendName()},
                error)
            .isNull())
        return false;
    const QByteArray extensions = "subjectAltName=DNS:" + backendName().toLatin1() +
                                  ",IP:127.0.0.1\n"
                                  "basicConstraints=CA:FALSE\n"
                                  "extendedKeyUsage=serverAuth\n";
    if (!writeFile(path(QStringLiteral("server.ext")), extensions, error))
        return false;
    // The expired certificate ends a day before it begins, so it is already
    // out of date when nginx first presents it.
    const struct
    {
        const char *file;
        const char *serial;
        const char *days;
    } issued[] = {{"server.pem", "2", "2"}, {"expired.pem", "3", "-1"}};
    for (const auto &certificate : issued) {
        if (openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                     path(QStringLiteral("server.csr")), QStringLiteral("-CA"),
                     path(QStringLiteral("ca.pem")), QStringLiteral("-CAkey"),
                     path(QStringLiteral("ca.key")), QStringLiteral("-set_serial"),
                     QLatin1String(certificate.serial), QStringLiteral("-days"),
                     QLatin1String(certificate.days), QStringLiteral("-extfile"),
                     path(QStringLiteral("server.ext")), QStringLiteral("-out"),
                     path(QLatin1String(certificate.file))},
                    error)
                .isNull())
            return false;
    }
    return true;
}

bool FieldServers::State::writeNginxConfiguration(int upstreamPort, int closedPort, QString &error)
{
    const QString home = path(QStringLiteral("nginx"));
    QDir().mkpath(home);
    // One process (no workers to outlive it), every file inside the run
    // directory and a small body limit. Connections end after their reply,
    // which ends a proxy's tunnel too, but on the keep-alive front, which
    // serves a few requests on each.
    QString text = QStringLiteral("master_process off;\n"
                                  "pid %1/nginx.pid;\n"
                                  "error_log %1/error.log info;\n"
                                  "events { worker_connections 256; }\n"
                                  "http {\n"
                                  "    log_format field '$server_port $connection "
                                  "$connection_requests $status $request_method $uri';\n"
                                  "    access_log %1/access.log field;\n"
                                  "    client_body_temp_path %1/body;\n"
                                  "    proxy_temp_path %1/proxy;\n"
                                  "    fastcgi_temp_path %1/fastcgi;\n"
                                  "    uwsgi_temp_path %1/uwsgi;\n"
                                  "    scgi_temp_path %1/scgi;\n"
                                  "    client_max_body_size %2;\n"
                                  "    keepalive_timeout 0;\n"
                                  "    keepalive_requests %3;\n"
                                  "    ssl_certificate %4/server.pem;\n"
                                  "    ssl_certificate_key %4/server.key;\n")
                       .arg(home)
                       .arg(bodyLimitBytes())
                       .arg(requestsPerConnection())
                       .arg(runDir);
    const QString server = QStringLiteral("    server {\n"
                                          "        listen 127.0.0.1:%1 ssl;\n"
                                          "        server_name %2 127.0.0.1;\n"
                                          "%3"
                                          "        location / { proxy_pass http://127.0.0.1:%4; }\n"
                                          "    }\n");
    text += server.arg(tlsPort).arg(backendName(), QString()).arg(upstreamPort);
    text += server.arg(expiredTlsPort)
                .arg(backendName(),
                     QStringLiteral("        ssl_certificate %1/expired.pem;\n").arg(runDir))
                .arg(upstreamPort);
    text += server.arg(goneUpstreamPort).arg(backendName(), QString()).arg(closedPort);
    text += server.arg(keepAlivePort)
                .arg(backendName(), QStringLiteral("        keepalive_timeout 60s;\n"))
                .arg(upstreamPort);
    text += QStringLiteral("}\n");
    return writeFile(path(QStringLiteral("nginx.conf")), text.toUtf8(), error);
}

bool FieldServers::State::writeSquidConfiguration(QString &error)
{
    const QString home = path(QStringLiteral("squid"));
    QDir().mkpath(home);
    if (getuid() == 0) {
        // squid runs as its own user and writes its logs here.
        const passwd *user = getpwnam(kSquidUser);
        if (!user || chown(QFile::encodeName(home).constData(), user->pw_uid, user->pw_gid) != 0) {
            error = QStringLiteral("cannot give %1 to the user %2")
                        .arg(home, QLatin1String(kSquidUser));
            return false;
        }
    }
    if (!writeFile(path(QStringLiteral("hosts")), "127.0.0.1 " + backendName().toLatin1() + '\n',
                   error))
        return false;
    const QByteArray hash =
        openssl({QStringLiteral("passwd"), QStringLiteral("-apr1"), proxyPassword()}, error)
            .trimmed();
    if (hash.isEmpty())
        return false;
    if (!writeFile(path(QStringLiteral("proxy-passwords")),
                   proxyUser().toUtf8() + ':' + hash + '\n', error))
        return false;
    // Two ports: "open" serves anyone, "guarded" only the proxy account.
    // Nothing is cached, so every request reaches the backend, and CONNECT
    // may open a tunnel to any port. A client connection ends with its
    // reply, so no request inherits another's connection and what it had
    // learnt there (which authentication the proxy wants).
    const QString text = QStringLiteral("http_port 127.0.0.1:%1 name=open\n"
                                        "http_port 127.0.0.1:%2 name=guarded\n"
                                        "visible_hostname field-proxy\n"
                                        "pid_filename %3/squid.pid\n"
                                        "cache_log %3/cache.log\n"
                                        "access_log stdio:%3/access.log\n"
                                        "cache_store_log none\n"
                                        "logfile_rotate 0\n"
                                        "coredump_dir %3\n"
                                        "netdb_filename none\n"
                                        "pinger_enable off\n"
                                        "cache deny all\n"
                                        "client_persistent_connections off\n"
                                        "cache_mem 4 MB\n"
                                        "shutdown_lifetime 0 seconds\n"
                                        "hosts_file %4/hosts\n"
                                        "dns_nameservers 127.0.0.1\n"
                                        "auth_param basic program %5 %4/proxy-passwords\n"
                                        "auth_param basic children 2 startup=1 idle=1\n"
                                        "auth_param basic realm site office\n"
                                        "acl open_port myportname open\n"
                                        "acl guarded_port myportname guarded\n"
                                        "acl signed_in proxy_auth REQUIRED\n"
                                        "http_access allow open_port\n"
                                        "http_access deny guarded_port !signed_in\n"
                                        "http_access allow guarded_port\n"
                                        "http_access deny all\n")
                             .arg(openProxyPort)
                             .arg(guardedProxyPort)
                             .arg(home, runDir, QLatin1String(kSquidPasswordHelper));
    return writeFile(path(QStringLiteral("squid.conf")), text.toUtf8(), error);
}

bool FieldServers::State::launch(BoundProcess &process, const QString &name,
                                 const QStringList &arguments, QString &error)
{
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(path(name + QStringLiteral(".out")));
    process.start(QStringLiteral("/usr/sbin/") + name, arguments);
    if (!process.waitForStarted(kStartMs)) {
        error = QStringLiteral("cannot start %1: %2").arg(name, process.errorString());
        return false;
    }
    // Read by stopLeftovers() should this program die before it stops them.
    return writeFile(path(name + QStringLiteral(".pid")),
                     QByteArray::number(process.processId()) + '\n', error);
}

bool FieldServers::start(int upstreamPort, QString &error)
{
    const QString missing = missingPackages();
    if (!missing.isEmpty()) {
        error = missing;
        return false;
    }
    if (getuid() == 0) {
        // squid, as its own user, must reach its files in the run directory.
        for (QDir dir(d->runDir); !dir.isRoot(); dir.cdUp()) {
            const QFileInfo folder(dir.absolutePath());
            if (folder.exists() && !folder.permission(QFile::ExeOther)) {
                error = QStringLiteral("squid runs as the user %1, who cannot enter %2: allow it "
                                       "(chmod o+x %2) or build in another folder")
                            .arg(QLatin1String(kSquidUser), folder.absoluteFilePath());
                return false;
            }
        }
    }
    // A port found free may be taken by another program before the server
    // binds it; another set of ports will do then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        stop();
        if (d->startOnce(upstreamPort, error))
            return true;
    }
    stop();
    return false;
}

bool FieldServers::State::startOnce(int upstreamPort, QString &error)
{
    clearRunDirectory(runDir);
    const std::vector<int> ports = freePorts(7);
    tlsPort = ports[0];
    expiredTlsPort = ports[1];
    goneUpstreamPort = ports[2];
    openProxyPort = ports[3];
    guardedProxyPort = ports[4];
    keepAlivePort = ports[5];
    const int closedPort = ports[6];

    if (!makeCertificates(error) || !writeNginxConfiguration(upstreamPort, closedPort, error) ||
        !writeSquidConfiguration(error))
        return false;

    const QString nginxHome = path(QStringLiteral("nginx"));
    if (!launch(nginx, QStringLiteral("nginx"),
                {QStringLiteral("-p"), nginxHome, QStringLiteral("-e"),
                 nginxHome + QStringLiteral("/error.log"), QStringLiteral("-c"),
                 path(QStringLiteral("nginx.conf")), QStringLiteral("-g"),
                 QStringLiteral("daemon off;")},
                error))
        return false;
    if (getuid() == 0) {
        const passwd *user = getpwnam(kSquidUser);
        squid.runAs(user->pw_uid, user->pw_gid);
    }
    if (!launch(squid, QStringLiteral("squid"),
                {QStringLiteral("-N"), QStringLiteral("-f"), path(QStringLiteral("squid.conf"))},
                error))
        return false;

    return waitUntilListening(
               nginx, {tlsPort, expiredTlsPort, goneUpstreamPort, keepAlivePort},
               QStringLiteral("nginx"),
               {path(QStringLiteral("nginx.out")), nginxHome + QStringLiteral("/error.log")},
               error) &&
           waitUntilListening(
               squid, {openProxyPort, guardedProxyPort}, QStringLiteral("squid"),
               {path(QStringLiteral("squid.out")), path(QStringLiteral("squid/cache.log"))}, error);
}

void FieldServers::stop()
{
    stopProcess(d->squid);
    stopProcess(d->nginx);
    QFile::remove(d->path(QStringLiteral("squid.pid")));
    QFile::remove(d->path(QStringLiteral("nginx.pid")));
}

QString FieldServers::runDir() const
{
    return d->runDir;
}

QString FieldServers::authorityPath() const
{
    return d->path(QStringLiteral("ca.pem"));
}

int FieldServers::tlsPort() const
{
    return d->tlsPort;
}

int FieldServers::expiredTlsPort() const
{
    return d->expiredTlsPort;
}

int FieldServers::goneUpstreamPort() const
{
    return d->goneUpstreamPort;
}

int FieldServers::keepAlivePort() const
{
    return d->keepAlivePort;
}

int FieldServers::openProxyPort() const
{
    return d->openProxyPort;
}

int FieldServers::guardedProxyPort() const
{
    return d->guardedProxyPort;
}

QStringList FieldServers::proxyLog() const
{
    // "time elapsed client result/status bytes method url user hierarchy type"
    QStringList lines;
    const QList<QByteArray> entries =
        readFile(d->path(QStringLiteral("squid/access.log"))).split('\n');
    for (const QByteArray &entry : entries) {
        const QList<QByteArray> fields = entry.simplified().split(' ');
        // A connection that ended before a request (start()'s probes, written
        // whenever squid gets to them) is no transaction.
        if (fields.size() < 8 || fields[6].startsWith("error:"))
            continue;
        lines.append(
            QString::fromUtf8(fields[3] + ' ' + fields[5] + ' ' + fields[6] + ' ' + fields[7]));
    }
    return lines;
}

QStringList FieldServers::webLog(int port) const
{
    QStringList lines;
    const QByteArray front = QByteArray::number(port) + ' ';
    const QList<QByteArray> entries =
        readFile(d->path(QStringLiteral("nginx/access.log"))).split('\n');
    for (const QByteArray &entry : entries) {
        if (entry.startsWith(front))
            lines.append(QString::fromUtf8(entry.mid(front.size()).trimmed()));
    }
    return lines;
}
