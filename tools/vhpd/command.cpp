#include "command.h"

#include <QCommandLineParser>

const QList<Command> &allCommands()
{
    static const QList<Command> commands =
        accountCommands() + projectCommands() + organisationCommands() + modelCommands() +
        entityCommands() + qrCodeCommands() + statisticsCommands() + updateCommands() +
        membershipCommands() + modelChangeCommands() + modelSetCommands() + entityChangeCommands() +
        labelCommands();
    return commands;
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : allCommands()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

void addOption(QCommandLineParser &parser, const char *name, const char *description,
               const char *valueName)
{
    parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(description),
                                        valueName ? QString::fromLatin1(valueName) : QString()));
}

void declareConfirmation(QCommandLineParser &parser)
{
    addOption(parser, "yes", "Do it without asking; needed when standard input is not a terminal.");
}
