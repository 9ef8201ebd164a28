#ifndef VHPD_CLI_COMMAND_H
#define VHPD_CLI_COMMAND_H

#include <QList>
#include <QString>

class Context;
class QCommandLineParser;

// Exit statuses of the program, for scripts that need to tell failures apart.
enum ExitStatus {
    ExitOk = 0,
    ExitFailed = 1,      // the server refused the operation, or an id is unknown
    ExitUsage = 2,       // wrong command line
    ExitUnreachable = 3, // no answer from the server
    ExitAuth = 4,        // login refused, not logged in, or the session has expired
};

// What a command needs before it can run.
enum class Needs {
    Nothing, // works offline
    Server,  // a server address
    Login,   // a saved login for that server
    Project, // a login and a current project
};

// One subcommand: its name and help, its own options and the function that
// carries it out.
struct Command
{
    const char *name;
    const char *arguments; // synopsis of the positional arguments, for the help
    const char *summary;
    Needs needs;
    int minArguments;
    int maxArguments;                            // -1: no limit
    void (*declare)(QCommandLineParser &parser); // the command's own options; may be null
    int (*run)(Context &context);
};

// Every command, in the order the general help lists them.
const QList<Command> &allCommands();
const Command *findCommand(const QString &name);

// The commands of each area, in their own files.
QList<Command> accountCommands();
QList<Command> projectCommands();
QList<Command> organisationCommands();
QList<Command> modelCommands();
QList<Command> entityCommands();
QList<Command> qrCodeCommands();
QList<Command> statisticsCommands();
QList<Command> updateCommands();
QList<Command> membershipCommands();
QList<Command> modelChangeCommands();
QList<Command> modelSetCommands();
QList<Command> entityChangeCommands();
QList<Command> labelCommands();

// Adds an option given by name; a value name makes it take a value.
void addOption(QCommandLineParser &parser, const char *name, const char *description,
               const char *valueName = nullptr);
// --yes, read by Context::confirm, for commands that destroy data.
void declareConfirmation(QCommandLineParser &parser);
// --page and --page-size, read by Context::paging.
void addPagingOptions(QCommandLineParser &parser);

#endif // VHPD_CLI_COMMAND_H
