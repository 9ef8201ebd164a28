// vhpd-sandbox: a local stand-in for the collaboration service's REST backend,
// seeded with a sample construction project, for trying the library and its
// command-line client without a real server.
#include "httpserver.h"
#include "sandbox.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char *argv[])
{
    // SIGINT and SIGTERM are blocked in every thread, so that the server's
    // threads never see them, and collected by the main thread below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

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
    const QCommandLineOption dataOption(QStringLiteral("data"),
                                        QStringLiteral("Seed data file to start from."),
                                        QStringLiteral("file"), QStringLiteral(VHPD_SANDBOX_SEED));
    const QCommandLineOption redirectOption(
        QStringLiteral("redirect-touch"),
        QStringLiteral("Answer \"touch\" with a permanent redirect to this root."),
        QStringLiteral("url"));
    parser.addOptions({hostOption, portOption, dataOption, redirectOption});
    parser.process(app);

    bool portOk = false;
    const int port = parser.value(portOption).toInt(&portOk);
    if (!portOk || port < 0 || port > 65535) {
        std::fprintf(stderr, "vhpd-sandbox: --port needs a number from 0 to 65535\n");
        return 2;
    }

    SandboxOptions options;
    options.dataFile = parser.value(dataOption);
    options.redirectTouchRoot = parser.value(redirectOption);
    Sandbox sandbox(options);
    QString error;
    if (!sandbox.load(error)) {
        std::fprintf(stderr, "vhpd-sandbox: %s\n", qUtf8Printable(error));
        return 1;
    }

    HttpServer server(sandbox);
    const QString host = parser.value(hostOption);
    const int bound = server.start(host, port);
    if (bound < 0) {
        std::fprintf(stderr, "vhpd-sandbox: cannot listen on %s:%d\n", qUtf8Printable(host), port);
        return 1;
    }
    std::printf("listening on http://%s:%d\n", qUtf8Printable(host), bound);
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
    return 0;
}
