// Finding one's way: the help of the program and of each command, the JSON
// shapes, and what the shell and man need.
#include "context.h"
#include "help.h"

#include <cstdio>

namespace {

void print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

int help(Context &context)
{
    const QString topic = context.argument(0);
    if (topic.isEmpty()) {
        print(generalHelp());
        return ExitOk;
    }
    if (topic == QLatin1String("json")) {
        print(jsonHelp());
        return ExitOk;
    }
    if (const Command *command = findCommand(topic)) {
        print(commandHelp(*command));
        return ExitOk;
    }
    QStringList names;
    for (const Command &command : allCommands())
        names.append(QLatin1String(command.name));
    const QStringList close = closestNames(topic, names);
    return context.usage(close.isEmpty() ? QStringLiteral("no command \"%1\"").arg(topic)
                                         : QStringLiteral("no command \"%1\"; did you mean %2?")
                                               .arg(topic, close.join(QLatin1String(" or "))));
}

int completion(Context &context)
{
    const QString script = completionScript(context.argument(0));
    if (script.isEmpty())
        return context.usage(QStringLiteral("completion is made for bash or zsh"));
    print(script);
    return ExitOk;
}

int manualPage(Context &)
{
    print(::manualPage());
    return ExitOk;
}

} // namespace

QList<Command> helpCommands()
{
    return {
        {"help", "[command|json]", "Show the help of the program, of a command, or of --json.",
         Needs::Nothing, 0, 1, nullptr, help, Group::Help,
         "vhpd help models\n"
         "vhpd help json",
         ""},
        {"completion", "<bash|zsh>", "Print the shell completion script for bash or zsh.",
         Needs::Nothing, 1, 1, nullptr, completion, Group::Help,
         "# in ~/.bashrc, unless the installed script is loaded:\n"
         "source <(vhpd completion bash)\n"
         "vhpd completion zsh > ~/.zfunc/_vhpd",
         ""},
        {"man-page", "", "Print the manual page in roff.", Needs::Nothing, 0, 0, nullptr,
         manualPage, Group::Hidden, "", ""},
    };
}
