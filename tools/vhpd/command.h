#ifndef VHPD_CLI_COMMAND_H
#define VHPD_CLI_COMMAND_H

#include <QList>
#include <QString>
#include <QStringList>

class Context;

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

// The subjects the general help, the manual and the completion group the
// commands by, in the order they are listed. Hidden commands are listed
// nowhere (the generator of the manual page, for one).
enum class Group {
    Session,
    Projects,
    Members,
    Organisation,
    Models,
    ModelSets,
    Entities,
    Labels,
    Statistics,
    Updates,
    Help,
    Hidden,
};

QString groupTitle(Group group);

// One option a command (or the program) takes: --name, with a value when
// `valueName` is not empty.
struct OptionSpec
{
    QString name;
    QString description;
    QString valueName;
};

// The options and positional arguments a command declares, for the parser,
// the help, the manual and the shell completion alike.
class Options
{
public:
    void add(const char *name, const char *description, const char *valueName = nullptr);
    void addPositionalArgument(const QString &name, const QString &description);

    QList<OptionSpec> options;
    QList<OptionSpec> positionals; // name and description
};

// One subcommand: its name and help, its own options and the function that
// carries it out.
//
// Names follow one scheme: a plural noun lists ("models"), the singular shows
// one ("model NAME"), and noun-verb acts on one ("model-delete"); login,
// logout, whoami and enter act on the session. `aliases` are earlier names,
// still accepted but shown nowhere.
//
// `json` is the shape printed with --json: "[record]" is a list, printed as
// {"count", "page", "pageSize", "items": [record, ...]}; "record" alone is one
// record object; anything else is the object as written. "+name" after a
// record names a member added beside the record's own (see `vhpd help json`).
struct Command
{
    const char *name;
    const char *arguments; // synopsis of the positional arguments, for the help
    const char *summary;
    Needs needs;
    int minArguments;
    int maxArguments;                  // -1: no limit
    void (*declare)(Options &options); // the command's own options; may be null
    int (*run)(Context &context);
    Group group;
    const char *examples; // lines of "command line  # what it does"
    const char *json;
    const char *aliases = ""; // space-separated

    QString synopsis() const;
    QStringList aliasList() const;
    bool isList() const { return json[0] == '['; }
};

// Every command, grouped, in the order the general help lists them.
const QList<Command> &allCommands();
// The command of this name or of this earlier name; null when none.
const Command *findCommand(const QString &name);
// The names a mistyped `word` may have meant among `candidates`, closest
// first; none when nothing is close.
QStringList closestNames(const QString &word, const QStringList &candidates);
// The options of a command with the global ones: what its parser accepts.
Options commandOptions(const Command &command);
// The options every command takes.
const Options &globalOptions();

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
QList<Command> helpCommands();

// Adds an option given by name; a value name makes it take a value.
void addOption(Options &options, const char *name, const char *description,
               const char *valueName = nullptr);
// --yes, read by Context::confirm, for commands that destroy data.
void declareConfirmation(Options &options);
// --page and --page-size, read by Context::paging; every list command has them.
void addPagingOptions(Options &options);

#endif // VHPD_CLI_COMMAND_H
