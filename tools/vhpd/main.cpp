// vhpd: a command-line client of the collaboration service, built on the
// library's facade. `vhpd --server URL login NAME`, then commands that list
// and inspect projects, models, entities, QR labels and statistics.
#include "command.h"
#include "context.h"
#include "help.h"
#include "lookup.h"
#include "output.h"
#include "session.h"

#include <VHNetwork.h>
#include <VHSoftBase.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSslCertificate>

#include <cstdio>

namespace {

void print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

// The parser of `options`; --help also answers to -h.
void declare(QCommandLineParser &parser, const Options &options)
{
    for (const OptionSpec &option : options.options) {
        const QStringList names = option.name == QLatin1String("help")
                                      ? QStringList{QStringLiteral("h"), option.name}
                                      : QStringList{option.name};
        parser.addOption(QCommandLineOption(names, option.description, option.valueName));
    }
}

// The parser's complaint, with the options the mistyped one may have meant.
QString parseError(const QCommandLineParser &parser, const Options &options, const QString &help)
{
    QStringList names;
    for (const OptionSpec &option : options.options)
        names.append(option.name);
    const QStringList unknownNames = parser.unknownOptionNames();
    for (const QString &unknown : unknownNames) {
        const QStringList close = closestNames(unknown, names);
        if (!close.isEmpty())
            return QStringLiteral("unknown option --%1; did you mean --%2? (see %3)")
                .arg(unknown, close.join(QLatin1String(" or --")), help);
    }
    return parser.errorText() + QStringLiteral(" (see %1)").arg(help);
}

int unknownCommand(const QString &name)
{
    QStringList names;
    for (const Command &command : allCommands()) {
        if (command.group != Group::Hidden)
            names += QStringList{QLatin1String(command.name)} + command.aliasList();
    }
    QStringList meant;
    const QStringList closest = closestNames(name, names);
    for (const QString &close : closest) {
        const QString current = QLatin1String(findCommand(close)->name);
        if (!meant.contains(current))
            meant.append(current);
    }
    const QString guess =
        meant.isEmpty()
            ? QString()
            : QStringLiteral("; did you mean %1?").arg(meant.join(QLatin1String(" or ")));
    return reportFailure(
        ExitUsage, QStringLiteral("unknown command \"%1\"%2 (see vhpd --help)").arg(name, guess));
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
    // However the command ends, the transport's connections close before the
    // program does, while TLS can still end them properly.
    struct CloseConnectionsOnExit
    {
        ~CloseConnectionsOnExit() { NetworkManager::instance().closeConnections(); }
    } closeOnExit;

    // Global options come before the command; what follows it is the command's.
    QCommandLineParser global;
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    Options globalAndVersion = globalOptions();
    globalAndVersion.add("version", "Show the program's version.");
    declare(global, globalAndVersion);
    const bool parsed = global.parse(app.arguments());
    setJsonFailures(global.isSet(QStringLiteral("json")));
    if (!parsed)
        return reportFailure(ExitUsage,
                             parseError(global, globalAndVersion, QStringLiteral("vhpd --help")));
    if (global.isSet(QStringLiteral("version"))) {
        print(QStringLiteral("vhpd %1\n").arg(QCoreApplication::applicationVersion()));
        return ExitOk;
    }
    const QStringList rest = global.positionalArguments();
    if (rest.isEmpty()) {
        print(generalHelp());
        return global.isSet(QStringLiteral("help")) ? ExitOk : ExitUsage;
    }
    const Command *command = findCommand(rest.first());
    if (!command)
        return unknownCommand(rest.first());

    QCommandLineParser parser;
    const Options options = commandOptions(*command);
    declare(parser, options);
    for (const OptionSpec &argument : options.positionals)
        parser.addPositionalArgument(argument.name, argument.description);
    const bool commandParsed = parser.parse(QStringList{app.arguments().first()} + rest.mid(1));
    setJsonFailures(global.isSet(QStringLiteral("json")) || parser.isSet(QStringLiteral("json")));
    if (!commandParsed)
        return reportFailure(
            ExitUsage,
            parseError(parser, options,
                       QStringLiteral("vhpd help %1").arg(QLatin1String(command->name))));
    if (global.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help"))) {
        print(commandHelp(*command));
        return ExitOk;
    }
    const int count = parser.positionalArguments().size();
    if (count < command->minArguments ||
        (command->maxArguments >= 0 && count > command->maxArguments)) {
        return reportFailure(
            ExitUsage, QStringLiteral("wrong number of arguments; usage: vhpd %1 %2 (see vhpd "
                                      "help %1)")
                           .arg(QLatin1String(command->name), QLatin1String(command->arguments)));
    }
    const Output output(global.isSet(QStringLiteral("json")) ||
                        parser.isSet(QStringLiteral("json")));
    if (command->group == Group::Help || command->group == Group::Hidden) {
        // Help works whatever state the saved login is in.
        Session none;
        Context context(*command, parser, output, none, QString());
        return command->run(context);
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

    // An authorities file is given once per server: the session keeps it,
    // and a login saves it with the server it was given for.
    const QString givenCa = globalValue("cacert");
    if (!givenCa.isEmpty())
        session.caFile = QFileInfo(givenCa).absoluteFilePath();
    else if (session.server != server)
        session.caFile.clear();
    if (!session.caFile.isEmpty()) {
        const QList<QSslCertificate> authorities = QSslCertificate::fromPath(session.caFile);
        if (authorities.isEmpty())
            return reportFailure(
                givenCa.isEmpty() ? ExitFailed : ExitUsage,
                QStringLiteral("--cacert: no PEM certificate in %1%2")
                    .arg(session.caFile, givenCa.isEmpty()
                                             ? QStringLiteral(" (kept from an earlier --cacert; "
                                                              "give it again)")
                                             : QString()));
        NetworkManager::instance().addCaCertificates(authorities);
    }
    const QString project = globalValue("project");
    const int prepared = prepare(*command, session, server, project);
    if (prepared != ExitOk)
        return prepared;

    Context context(*command, parser, output, session, server);
    if (!project.isEmpty() && !looksLikeId(project) && command->needs != Needs::Nothing) {
        // A project named rather than given by id.
        VHProject named;
        if (const int status = findProject(context, project, named))
            return status;
        session.projectId = named.id;
        session.projectName = named.name;
        GetSoftCache()->setCurrentProjectId(named.id);
    }
    return command->run(context);
}
