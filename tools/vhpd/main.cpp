// vhpd: a command-line client of the collaboration service, built on the
// library's facade. `vhpd --server URL login NAME`, then commands that list
// and inspect projects, models, entities, QR labels and statistics.
#include "command.h"
#include "context.h"
#include "output.h"
#include "session.h"

#include <VHNetwork.h>
#include <VHSoftBase.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSslCertificate>

#include <cstdio>

namespace {

const char kDescription[] =
    "A command-line client of the collaboration service: log in, choose a project, and\n"
    "inspect its members, models, entities, QR labels and statistics.";

const char kFooter[] =
    "The server is --server, else $VHPD_SERVER, else the one of the saved login.\n"
    "The login is kept in %1.\n"
    "Exit status: 0 success; 1 the server refused or an id is unknown; 2 wrong command line;\n"
    "3 the server, proxy or update server cannot be reached (network, time-out, TLS, proxy,\n"
    "HTTP 502-504); 4 login refused, missing or expired (HTTP 401 from any call).\n"
    "With --json a failure prints {\"error\": {\"kind\", \"httpStatus\", \"serverCode\",\n"
    "\"message\"}} on standard output, with the same exit status.\n"
    "Run \"vhpd <command> --help\" for a command's options.\n";

void addGlobalOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    addOption(parser, "server", "Server address, e.g. https://vh.example.com.", "url");
    addOption(parser, "json", "Print JSON instead of tables.");
    addOption(parser, "project", "Project id to use instead of the current one.", "id");
    addOption(parser, "timeout", "Seconds one exchange with the server may take.", "seconds");
    addOption(parser, "cacert",
              "Also trust the certification authorities in this PEM file (a company's own CA).",
              "file");
}

void print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

// The parser's help without its own usage line, which names the program's path.
QString helpBody(const QCommandLineParser &parser)
{
    const QString text = parser.helpText();
    return text.mid(text.indexOf(QLatin1Char('\n')) + 1);
}

void printGeneralHelp(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    QString commands;
    for (const Command &command : allCommands()) {
        const QString synopsis = QString(QLatin1String(command.name) + QLatin1Char(' ') +
                                         QLatin1String(command.arguments))
                                     .trimmed();
        commands += QLatin1String("  ") + synopsis.leftJustified(34) + QLatin1Char(' ') +
                    QString::fromUtf8(command.summary) + QLatin1Char('\n');
    }
    print(QLatin1String("Usage: vhpd [global options] <command> [options] [arguments]\n") +
          helpBody(parser) + QLatin1String("\nCommands:\n") + commands + QLatin1Char('\n') +
          QString::fromUtf8(kFooter).arg(Session::filePath()));
}

void printCommandHelp(QCommandLineParser &parser, const Command &command)
{
    parser.setApplicationDescription(QString::fromUtf8(command.summary));
    const QString usage = QStringLiteral("Usage: vhpd %1 [options] %2")
                              .arg(QLatin1String(command.name), QLatin1String(command.arguments));
    print(usage.trimmed() + QLatin1Char('\n') + helpBody(parser));
}

// Points the library at the server and, when the saved login belongs to it,
// hands the transport the login's token and the settings cache its user and
// project. Anything but ExitOk, with the failure reported, when the command
// cannot run.
int prepare(const Command &command, Session &session, const QString &server, const QString &project)
{
    if (command.needs == Needs::Nothing)
        return ExitOk;
    if (server.isEmpty()) {
        if (command.needs == Needs::Server) {
            return reportFailure(ExitUsage,
                                 QStringLiteral("no server: give one with --server URL"));
        }
        return reportFailure(
            ExitAuth, QStringLiteral("not logged in; log in with: vhpd --server URL login NAME"));
    }
    VHBaseApi::GetInstance().setIp(server);
    GetSoftCache()->setServerAddress(server);

    const bool loggedIn = session.isLoggedIn() && session.server == server;
    if (loggedIn) {
        NetworkManager::instance().setAuthToken(session.token);
        GetSoftCache()->setCurrentUserId(session.user.id);
    }
    if (!project.isEmpty())
        session.projectId = project;
    if (loggedIn)
        GetSoftCache()->setCurrentProjectId(session.projectId);

    if (command.needs == Needs::Server)
        return ExitOk;
    if (!loggedIn) {
        return reportFailure(
            ExitAuth,
            QStringLiteral("not logged in to %1; log in with: vhpd --server %1 login NAME")
                .arg(server));
    }
    if (command.needs == Needs::Project && session.projectId.isEmpty()) {
        return reportFailure(
            ExitUsage, QStringLiteral("no current project; choose one with: vhpd enter PROJECT"));
    }
    return ExitOk;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vhpd"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VHPD_VERSION));

    // Global options come before the command; what follows it is the command's.
    QCommandLineParser global;
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    addGlobalOptions(global);
    addOption(global, "version", "Show the program's version.");
    const bool parsed = global.parse(app.arguments());
    setJsonFailures(global.isSet(QStringLiteral("json")));
    if (!parsed) {
        return reportFailure(ExitUsage, global.errorText() + QLatin1String(" (see vhpd --help)"));
    }
    if (global.isSet(QStringLiteral("version"))) {
        print(QStringLiteral("vhpd %1\n").arg(QCoreApplication::applicationVersion()));
        return ExitOk;
    }
    const QStringList rest = global.positionalArguments();
    if (rest.isEmpty()) {
        printGeneralHelp(global);
        return global.isSet(QStringLiteral("help")) ? ExitOk : ExitUsage;
    }
    const Command *command = findCommand(rest.first());
    if (!command) {
        return reportFailure(
            ExitUsage,
            QStringLiteral("unknown command \"%1\" (see vhpd --help)").arg(rest.first()));
    }

    QCommandLineParser parser;
    addGlobalOptions(parser);
    if (command->declare)
        command->declare(parser);
    const bool commandParsed = parser.parse(QStringList{app.arguments().first()} + rest.mid(1));
    setJsonFailures(global.isSet(QStringLiteral("json")) || parser.isSet(QStringLiteral("json")));
    if (!commandParsed) {
        return reportFailure(
            ExitUsage,
            parser.errorText() +
                QStringLiteral(" (see vhpd %1 --help)").arg(QLatin1String(command->name)));
    }
    if (global.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help"))) {
        printCommandHelp(parser, *command);
        return ExitOk;
    }
    const int count = parser.positionalArguments().size();
    if (count < command->minArguments ||
        (command->maxArguments >= 0 && count > command->maxArguments)) {
        return reportFailure(
            ExitUsage, QStringLiteral("wrong number of arguments; usage: vhpd %1 %2")
                           .arg(QLatin1String(command->name), QLatin1String(command->arguments)));
    }

    // A global option counts wherever it is given.
    const auto globalValue = [&](const char *name) {
        const QString key = QLatin1String(name);
        return parser.isSet(key) ? parser.value(key) : global.value(key);
    };
    if (!globalValue("timeout").isEmpty()) {
        bool ok = false;
        const int seconds = globalValue("timeout").toInt(&ok);
        if (!ok || seconds <= 0) {
            return reportFailure(ExitUsage, QStringLiteral("--timeout needs a number of seconds"));
        }
        NetworkManager::instance().setTimeout(seconds * 1000);
    }

    const QString caFile = globalValue("cacert");
    if (!caFile.isEmpty()) {
        const QList<QSslCertificate> authorities = QSslCertificate::fromPath(caFile);
        if (authorities.isEmpty())
            return reportFailure(ExitUsage,
                                 QStringLiteral("--cacert: no PEM certificate in %1").arg(caFile));
        NetworkManager::instance().addCaCertificates(authorities);
    }

    Session session;
    QString error;
    if (!session.load(error)) {
        return reportFailure(ExitFailed, error);
    }
    QString server = serverRoot(globalValue("server"));
    if (server.isEmpty())
        server = serverRoot(qEnvironmentVariable("VHPD_SERVER"));
    if (server.isEmpty())
        server = session.server;
    const int prepared = prepare(*command, session, server, globalValue("project"));
    if (prepared != ExitOk)
        return prepared;

    const Output output(global.isSet(QStringLiteral("json")) ||
                        parser.isSet(QStringLiteral("json")));
    Context context(*command, parser, output, session, server);
    return command->run(context);
}
