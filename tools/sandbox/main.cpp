// vhpd-sandbox: a local stand-in for the collaboration service's REST backend,
// seeded with a sample construction project, for trying the library and its
// command-line client without a real server.
#include "httpserver.h"
#include "sandbox.h"
#include "stopsignal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

// The seed data: installed beside the program (<prefix>/share/vhpd-sandbox
// for <prefix>/bin/vhpd-sandbox), else that of the source tree it was built
// from.
QString defaultSeed()
{
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .absoluteFilePath(QStringLiteral(VHPD_SANDBOX_INSTALLED_SEED));
    return QFileInfo::exists(installed) ? QDir::cleanPath(installed)
                                        : QStringLiteral(VHPD_SANDBOX_SEED);
}

} // namespace

int main(int argc, char *argv[])
{
    // Before the server's threads exist; the main thread waits for the signal below.
    StopSignal::prepare();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vhpd-sandbox"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A local backend that speaks the collaboration service's REST API."));
    parser.addHelpOption();
    const QCommandLineOption hostOption(QStringLiteral("host"),
                                        QStringLiteral("Address to listen on."),
                                        QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption dataOption(
        QStringLiteral("data"),
        QStringLiteral("Seed data file to start from (default: %1).").arg(defaultSeed()),
        QStringLiteral("file"));
    const QCommandLineOption stateOption(
        QStringLiteral("state"),
        QStringLiteral("Keep the data in this file across restarts: loaded at start when it "
                       "exists, written after every change."),
        QStringLiteral("file"));
    const QCommandLineOption resetOption(
        QStringLiteral("reset"),
        QStringLiteral("With --state: start again from the seed data, replacing the file."));
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Print one line per request (method, path, status, time), and the "
                       "verification codes \"sent\" by text message."));
    const QCommandLineOption redirectOption(
        QStringLiteral("redirect-touch"),
        QStringLiteral("Answer \"touch\" with a permanent redirect to this root."),
        QStringLiteral("url"));
    const QCommandLineOption stopOption(
        QStringLiteral("stop"),
        QStringLiteral("Stop the sandbox with this process id (its greeting names it), then "
                       "exit."),
        QStringLiteral("pid"));
    parser.addOptions({hostOption, portOption, dataOption, stateOption, resetOption, logOption,
                       redirectOption, stopOption});
    parser.process(app);

    if (parser.isSet(stopOption)) {
        bool pidOk = false;
        const long long pid = parser.value(stopOption).toLongLong(&pidOk);
        std::string error = "--stop needs a process id";
        if (!pidOk || !StopSignal::request(pid, error)) {
            std::fprintf(stderr, "vhpd-sandbox: %s\n", error.c_str());
            return pidOk ? 1 : 2;
        }
        return 0;
    }

    bool portOk = false;
    const int port = parser.value(portOption).toInt(&portOk);
    if (!portOk || port < 0 || port > 65535) {
        std::fprintf(stderr, "vhpd-sandbox: --port needs a number from 0 to 65535\n");
        return 2;
    }

    if (parser.isSet(resetOption) && !parser.isSet(stateOption)) {
        std::fprintf(stderr, "vhpd-sandbox: --reset needs --state FILE\n");
        return 2;
    }

    SandboxOptions options;
    options.dataFile = parser.isSet(dataOption) ? parser.value(dataOption) : defaultSeed();
    options.stateFile = parser.value(stateOption);
    options.resetState = parser.isSet(resetOption);
    options.redirectTouchRoot = parser.value(redirectOption);
    Sandbox sandbox(options);
    QString error;
    if (!sandbox.load(error)) {
        std::fprintf(stderr, "vhpd-sandbox: %s\n", qUtf8Printable(error));
        if (!options.stateFile.isEmpty() && error.contains(options.stateFile) &&
            !error.startsWith(QLatin1String("cannot write")))
            std::fprintf(stderr, "Move the file away, or start again from the seed data with "
                                 "--reset (which replaces it).\n");
        return 1;
    }

    HttpServer server(sandbox);
    const QString host = parser.value(hostOption);
    const int bound = server.start(host, port);
    if (bound < 0) {
        std::fprintf(stderr, "vhpd-sandbox: cannot listen on %s:%d: %s\n", qUtf8Printable(host),
                     port, qUtf8Printable(server.errorString()));
        if (port != 0)
            std::fprintf(stderr, "Try --port 0 to have a free port picked.\n");
        return 1;
    }
    if (parser.isSet(logOption))
        server.setRequestLog(stdout);
    // The first line is for scripts; the rest for the person who started it.
    QString keeping = QStringLiteral("changes last until the sandbox stops");
    if (sandbox.loadedFrom() == options.stateFile)
        keeping = QStringLiteral("the saved state; changes are saved there");
    else if (!options.stateFile.isEmpty())
        keeping = QStringLiteral("changes are saved in %1")
                      .arg(QFileInfo(options.stateFile).absoluteFilePath());
    const QString url =
        QStringLiteral("http://%1:%2")
            .arg(host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']')
                                                 : host)
            .arg(bound);
    const QString demoPassword = sandbox.password(QStringLiteral("demo"));
    const QString account =
        demoPassword.isEmpty()
            ? QStringLiteral("sign in with an account of the data file")
            : QStringLiteral("sign in as demo with the password %1").arg(demoPassword);
    std::printf("listening on %s\n"
                "  %s\n"
                "  data: %s (%s)\n"
                "  stop with Ctrl-C, or: %s\n",
                qUtf8Printable(url), qUtf8Printable(account),
                qUtf8Printable(QFileInfo(sandbox.loadedFrom()).absoluteFilePath()),
                qUtf8Printable(keeping), StopSignal::stopHint().c_str());
    std::fflush(stdout);

    StopSignal::wait();
    server.stop();
    return 0;
}
