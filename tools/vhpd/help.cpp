#include "help.h"

#include "command.h"
#include "records.h"
#include "session.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

#include <utility>

namespace {

constexpr int kWidth = 80;
// Where descriptions start beside option and command names.
constexpr int kTab = 24;

const char kDescription[] =
    "A command-line client of the collaboration service: log in, choose a project, and work "
    "with its members, models, entities, properties, QR labels and statistics.";

const char kNaming[] =
    "A plural noun lists (models), the singular shows one (model NAME), and noun-verb acts on "
    "one (model-delete NAME). Wherever a command takes a project, model, model set, tag, user "
    "or entity, an id or an unambiguous part of a name will do.";

const char kServer[] =
    "The server is --server, else $VHPD_SERVER, else the one of the saved login, which is "
    "kept in %1 ($VHPD_CONFIG_DIR names another folder for it).";

const char kExitStatus[] =
    "Exit status: 0 success; 1 the server refused, or no record has that id or name, or a page "
    "lies past the end; 2 wrong command line; 3 the server, proxy or update server cannot be "
    "reached (network, time-out, TLS, proxy, HTTP 502-504); 4 login refused, missing or "
    "expired (HTTP 401 from any call).";

const char kMore[] = "Run \"vhpd help COMMAND\" for a command's options and examples, and "
                     "\"vhpd help json\" for what --json prints.";

// `text` broken into lines of at most kWidth columns after `indent` spaces;
// the first line starts at column `first` of a line already begun.
QString wrapped(const QString &text, int indent, int first = -1)
{
    QString result;
    int column = first < 0 ? indent : first;
    if (first < 0)
        result += QString(indent, QLatin1Char(' '));
    bool lineEmpty = true;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (!lineEmpty && column + 1 + word.size() > kWidth) {
            result += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            result += QLatin1Char(' ');
            ++column;
        }
        result += word;
        column += word.size();
        lineEmpty = false;
    }
    return result + QLatin1Char('\n');
}

// "  label      description", the description wrapped beside the label, or
// under it when the label is too long.
QString entry(const QString &label, const QString &description)
{
    const QString start = QLatin1String("  ") + label;
    if (start.size() >= kTab)
        return start + QLatin1Char('\n') + wrapped(description, kTab);
    return start.leftJustified(kTab) + wrapped(description, kTab, kTab);
}

QString optionLabel(const OptionSpec &option)
{
    QString label = QLatin1String("--") + option.name;
    if (!option.valueName.isEmpty())
        label += QLatin1Char(' ') + option.valueName.toUpper();
    return label;
}

QString optionList(const QList<OptionSpec> &options)
{
    QString text;
    for (const OptionSpec &option : options)
        text += entry(optionLabel(option), option.description);
    return text;
}

// The options a command declares itself, without the global ones.
QList<OptionSpec> ownOptions(const Command &command)
{
    QList<OptionSpec> own = commandOptions(command).options;
    own.erase(own.end() - globalOptions().options.size(), own.end());
    return own;
}

QStringList globalOptionNames()
{
    QStringList names;
    for (const OptionSpec &option : globalOptions().options)
        names.append(QLatin1String("--") + option.name);
    return names;
}

QString neededText(Needs needs)
{
    switch (needs) {
    case Needs::Nothing:
        return QString();
    case Needs::Server:
        return QStringLiteral("Needs a server (--server URL, or the saved login's).");
    case Needs::Login:
        return QStringLiteral("Needs a login (vhpd login).");
    case Needs::Project:
        return QStringLiteral("Works in the current project (vhpd enter PROJECT), or in the one "
                              "--project names.");
    }
    return QString();
}

// A command's --json shape as the help writes it: the record (or object) and
// the members added beside the record's own.
struct JsonShape
{
    bool list = false;
    QString record;
    QStringList added;
};

JsonShape shapeOf(const Command &command)
{
    JsonShape shape;
    QString text = QString::fromUtf8(command.json);
    shape.list = command.isList();
    if (shape.list)
        text = text.mid(1, text.size() - 2);
    if (text.startsWith(QLatin1Char('{'))) {
        shape.record = text;
        return shape;
    }
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    shape.record = words.value(0);
    const QStringList rest = words.mid(1);
    for (const QString &word : rest)
        shape.added.append(word.mid(1));
    return shape;
}

QString shapeText(const JsonShape &shape)
{
    if (shape.record.isEmpty())
        return QStringLiteral("None: the text is printed as it is.");
    if (shape.record.startsWith(QLatin1Char('{')))
        return shape.list ? QStringLiteral("{\"count\", \"page\", \"pageSize\", \"items\": "
                                           "[%1, ...]}.")
                                .arg(shape.record)
                          : shape.record + QLatin1Char('.');
    QString text = shape.list ? QStringLiteral("{\"count\", \"page\", \"pageSize\", \"items\": "
                                               "[%1, ...]}: %1 records")
                                    .arg(shape.record)
                              : QStringLiteral("A %1 record").arg(shape.record);
    if (!shape.added.isEmpty()) {
        QStringList added = shape.added;
        const QString last = added.takeLast();
        text += QStringLiteral(", with %1")
                    .arg(added.isEmpty()
                             ? last
                             : added.join(QLatin1String(", ")) + QLatin1String(" and ") + last);
    }
    return text + QLatin1String(". Their members: vhpd help json.");
}

QList<QPair<QString, QJsonObject>> recordKinds()
{
    return {
        {QStringLiteral("build"), toJson(UpdateInfo())},
        {QStringLiteral("circle"), toJson(VHCircle())},
        {QStringLiteral("encodingPair"), toJson(VHEncodePair())},
        {QStringLiteral("encodingRule"), toJson(VHEncodeRule())},
        {QStringLiteral("enterprise"), toJson(VHEnterprise())},
        {QStringLiteral("entity"), toJson(VHEntity())},
        {QStringLiteral("entityTree"), toJson(VHEntityTree())},
        {QStringLiteral("model"), toJson(VHModel())},
        {QStringLiteral("modelSet"), toJson(VHModelSet())},
        {QStringLiteral("module"), toJson(VHModule())},
        {QStringLiteral("moduleGroup"), toJson(VHModuleGroup())},
        {QStringLiteral("named"), toJson(VHDomain())},
        {QStringLiteral("period"), toJson(VHPeriod())},
        {QStringLiteral("print"), toJson(VHPrintRecord())},
        {QStringLiteral("project"), toJson(VHProject())},
        {QStringLiteral("property"), toJson(VHProperty())},
        {QStringLiteral("propertyDocument"), toJson(VHEntityPropertyExtend())},
        {QStringLiteral("propertyVersion"), toJson(VHEntityPropertyVersion())},
        {QStringLiteral("qrSetting"), toJson(VHQRSetting())},
        {QStringLiteral("qrTemplate"), toJson(VHQRTemplate())},
        {QStringLiteral("quantity"), toJson(VHStatisticsQuantity())},
        {QStringLiteral("request"), toJson(VHMemRequest())},
        {QStringLiteral("structure"), toJson(VHStructure())},
        {QStringLiteral("tag"), toJson(VHModelTag())},
        {QStringLiteral("tagType"), toJson(VHModelTagType())},
        {QStringLiteral("user"), toJson(VHUser())},
    };
}

// A record's members in the order toJson makes them (QJsonObject sorts
// them by name), nested objects with their own.
QString memberList(const QJsonObject &object)
{
    QStringList members;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it.value().isObject() && !it.value().toObject().isEmpty())
            members.append(
                QStringLiteral("%1 {%2}").arg(it.key(), memberList(it.value().toObject())));
        else
            members.append(it.key());
    }
    return members.join(QLatin1String(", "));
}

const char kJsonIntro[] =
    "With --json every command prints one JSON document on standard output and nothing else "
    "there; notes and prompts go to standard error.";

const QList<QPair<const char *, const char *>> kJsonShapes = {
    {"A list", "{\"count\": N, \"page\": P, \"pageSize\": S, \"items\": [...]}: count is how "
               "many there are in all, items the rows of page P. Without --page or --page-size "
               "a list read whole has them all (pageSize is then count); a search the server "
               "pages has 20 a page. A page past the end is a failure."},
    {"Anything else", "one object: a record, or what the command did."},
    {"A failure", "{\"error\": {\"kind\", \"httpStatus\", \"serverCode\", \"message\"}}, with "
                  "the exit status (vhpd --help)."},
};

const char kJsonNames[] =
    "Date-times are UTC texts such as 2025-06-04T21:45:00.000Z. A member ending in Name (or "
    "Names) that is not the record's own stands beside the id (or ids) of the same stem and "
    "holds the name vhpd found for it, or the id itself where it found none: createdByName "
    "beside createdBy, enterpriseName beside enterpriseId, adminNames beside adminIds.";

// Text for roff: backslashes and hyphens escaped, and no line starting with
// a control character.
QString roff(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\e"));
    escaped.replace(QLatin1Char('-'), QLatin1String("\\-"));
    QStringList lines = escaped.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
            line.prepend(QLatin1String("\\&"));
    }
    return lines.join(QLatin1Char('\n'));
}

QString roffOptions(const QList<OptionSpec> &options)
{
    QString text;
    for (const OptionSpec &option : options) {
        const QString name = roff(QLatin1String("--") + option.name);
        text += option.valueName.isEmpty() ? QStringLiteral(".TP\n.B %1\n").arg(name)
                                           : QStringLiteral(".TP\n.BI \"%1 \" %2\n")
                                                 .arg(name, roff(option.valueName.toUpper()));
        text += roff(option.description) + QLatin1Char('\n');
    }
    return text;
}

QString roffCommand(const Command &command)
{
    QString text = QLatin1String(".SS ") + roff(command.synopsis()) + QLatin1Char('\n') +
                   roff(QString::fromUtf8(command.summary)) + QLatin1Char('\n');
    const QString needs = neededText(command.needs);
    if (!needs.isEmpty())
        text += QLatin1String(".br\n") + roff(needs) + QLatin1Char('\n');
    const QList<OptionSpec> own = ownOptions(command);
    if (!own.isEmpty())
        text += QLatin1String(".RS\n") + roffOptions(own) + QLatin1String(".RE\n");
    if (qstrlen(command.examples) > 0)
        text += QLatin1String(".PP\nExamples:\n.RS\n.nf\n") +
                roff(QString::fromUtf8(command.examples)) + QLatin1String("\n.fi\n.RE\n");
    text += QLatin1String(".PP\nJSON: ") + roff(shapeText(shapeOf(command))) + QLatin1Char('\n');
    return text;
}

// The commands shown to people, a group at a time: the `heading` of each
// group, then the `item` of each of its commands.
template<typename Heading, typename Item> QString grouped(Heading heading, Item item)
{
    QString text;
    Group current = Group::Hidden;
    for (const Command &command : allCommands()) {
        if (command.group == Group::Hidden)
            continue;
        if (command.group != current) {
            current = command.group;
            text += heading(current);
        }
        text += item(command);
    }
    return text;
}

// Words for a shell: the command names, and each command's options.
QString quotedForShell(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QStringList visibleNames()
{
    QStringList names;
    for (const Command &command : allCommands()) {
        if (command.group != Group::Hidden)
            names.append(QLatin1String(command.name));
    }
    return names;
}

QStringList optionWords(const QList<OptionSpec> &options, bool withValue)
{
    QStringList words;
    for (const OptionSpec &option : options) {
        if (!withValue || !option.valueName.isEmpty())
            words.append(QLatin1String("--") + option.name);
    }
    return words;
}

// What a command's positional arguments complete to in bash: files for the
// upload, commands and topics for the help, shells for the completion.
QString bashArguments(const Command &command)
{
    const QString name = QLatin1String(command.name);
    if (name == QLatin1String("model-upload"))
        return QStringLiteral("compgen -f -- \"$cur\"");
    if (name == QLatin1String("help"))
        return QStringLiteral("compgen -W \"$commands json\" -- \"$cur\"");
    if (name == QLatin1String("completion"))
        return QStringLiteral("compgen -W \"bash zsh\" -- \"$cur\"");
    return QString();
}

QString bashScript()
{
    QStringList valueOptions = optionWords(globalOptions().options, true);
    QString cases;
    for (const Command &command : allCommands()) {
        if (command.group == Group::Hidden)
            continue;
        const QList<OptionSpec> options = commandOptions(command).options;
        const QStringList words = optionWords(options, true);
        for (const QString &word : words) {
            if (!valueOptions.contains(word))
                valueOptions.append(word);
        }
        QStringList names = command.aliasList();
        names.prepend(QLatin1String(command.name));
        cases += QStringLiteral("        %1)\n            options=%2\n")
                     .arg(names.join(QLatin1Char('|')),
                          quotedForShell(optionWords(options, false).join(QLatin1Char(' '))));
        const QString arguments = bashArguments(command);
        if (!arguments.isEmpty())
            cases += QStringLiteral("            arguments=$(%1)\n").arg(arguments);
        cases += QLatin1String("            ;;\n");
    }
    return QStringLiteral(
               "# bash completion for vhpd, made by \"vhpd completion bash\".\n"
               "_vhpd()\n"
               "{\n"
               "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
               "    local commands=%1\n"
               "    local command='' options='' arguments='' i\n"
               "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
               "        case ${COMP_WORDS[i]} in\n"
               "            %2) ((i++)) ;;\n"
               "            -*) ;;\n"
               "            *) command=${COMP_WORDS[i]}; break ;;\n"
               "        esac\n"
               "    done\n"
               "    case $prev in\n"
               "        --cacert) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
               "        %3) COMPREPLY=(); return ;;\n"
               "    esac\n"
               "    if [[ -z $command ]]; then\n"
               "        if [[ $cur == -* ]]; then\n"
               "            COMPREPLY=($(compgen -W %4 -- \"$cur\"))\n"
               "        else\n"
               "            COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\"))\n"
               "        fi\n"
               "        return\n"
               "    fi\n"
               "    case $command in\n"
               "%5"
               "    esac\n"
               "    if [[ $cur == -* ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
               "    else\n"
               "        COMPREPLY=($arguments)\n"
               "    fi\n"
               "}\n"
               "complete -F _vhpd vhpd\n")
        .arg(quotedForShell(visibleNames().join(QLatin1Char(' '))),
             optionWords(globalOptions().options, true).join(QLatin1Char('|')),
             valueOptions.join(QLatin1Char('|')),
             quotedForShell(optionWords(globalOptions().options, false).join(QLatin1Char(' '))),
             cases);
}

// A zsh description, without the brackets that _arguments reads as syntax.
QString zshText(const QString &text)
{
    QString plain = text;
    if (plain.endsWith(QLatin1Char('.')))
        plain.chop(1);
    plain.replace(QLatin1Char('['), QLatin1Char('('));
    plain.replace(QLatin1Char(']'), QLatin1Char(')'));
    return plain;
}

QString zshOptions(const QList<OptionSpec> &options)
{
    QString specs;
    for (const OptionSpec &option : options) {
        QString spec = QStringLiteral("--%1[%2]").arg(option.name, zshText(option.description));
        if (option.name == QLatin1String("cacert"))
            spec += QLatin1String(":file:_files");
        else if (!option.valueName.isEmpty())
            spec += QLatin1Char(':') + option.valueName + QLatin1Char(':');
        specs += QLatin1Char(' ') + quotedForShell(spec);
    }
    return specs;
}

QString zshScript()
{
    QString described;
    QString cases;
    for (const Command &command : allCommands()) {
        if (command.group == Group::Hidden)
            continue;
        described += QLatin1String("        ") +
                     quotedForShell(QLatin1String(command.name) + QLatin1Char(':') +
                                    zshText(QString::fromUtf8(command.summary))) +
                     QLatin1Char('\n');
        QStringList names = command.aliasList();
        names.prepend(QLatin1String(command.name));
        QString rest = QStringLiteral("'*:argument: '");
        if (qstrcmp(command.name, "model-upload") == 0)
            rest = QStringLiteral("'*:file:_files'");
        else if (qstrcmp(command.name, "help") == 0)
            rest =
                QStringLiteral("'1:command:(%1 json)'").arg(visibleNames().join(QLatin1Char(' ')));
        else if (qstrcmp(command.name, "completion") == 0)
            rest = QStringLiteral("'1:shell:(bash zsh)'");
        cases += QStringLiteral("            %1)\n                _arguments%2 %3 ;;\n")
                     .arg(names.join(QLatin1Char('|')), zshOptions(commandOptions(command).options),
                          rest);
    }
    return QStringLiteral("#compdef vhpd\n"
                          "# zsh completion for vhpd, made by \"vhpd completion zsh\".\n"
                          "_vhpd() {\n"
                          "    local -a commands\n"
                          "    commands=(\n"
                          "%1"
                          "    )\n"
                          "    local curcontext=$curcontext state line\n"
                          "    _arguments -C%2 '1:command:->command' '*::argument:->argument'\n"
                          "    case $state in\n"
                          "        command)\n"
                          "            _describe -t commands 'vhpd command' commands ;;\n"
                          "        argument)\n"
                          "            case $words[1] in\n"
                          "%3"
                          "            esac ;;\n"
                          "    esac\n"
                          "}\n"
                          "_vhpd \"$@\"\n")
        .arg(described, zshOptions(globalOptions().options), cases);
}

} // namespace

QString generalHelp()
{
    QString text =
        QStringLiteral("Usage: vhpd [global options] COMMAND [options] [arguments]\n\n") +
        wrapped(QString::fromUtf8(kDescription), 0);
    text += grouped(
        [](Group group) -> QString {
            return QLatin1Char('\n') + groupTitle(group) + QLatin1String(":\n");
        },
        [](const Command &command) -> QString {
            return entry(QLatin1String(command.name), QString::fromUtf8(command.summary));
        });
    QList<OptionSpec> global = globalOptions().options;
    global.append(
        {QStringLiteral("version"), QStringLiteral("Show the program's version."), QString()});
    text +=
        QLatin1String("\nGlobal options, before or after the command:\n") + optionList(global) +
        QLatin1Char('\n') + wrapped(QString::fromUtf8(kNaming), 0) + QLatin1Char('\n') +
        wrapped(QString::fromUtf8(kServer).arg(QDir::toNativeSeparators(Session::filePath())), 0) +
        wrapped(QString::fromUtf8(kExitStatus), 0) + QLatin1Char('\n') +
        wrapped(QString::fromUtf8(kMore), 0);
    return text;
}

QString commandHelp(const Command &command)
{
    QString text = QStringLiteral("Usage: vhpd %1 [options] %2")
                       .arg(QLatin1String(command.name), QLatin1String(command.arguments))
                       .trimmed() +
                   QLatin1String("\n\n") + wrapped(QString::fromUtf8(command.summary), 0);
    const QString needs = neededText(command.needs);
    if (!needs.isEmpty())
        text += wrapped(needs, 0);
    const Options options = commandOptions(command);
    if (!options.positionals.isEmpty()) {
        text += QLatin1String("\nArguments:\n");
        for (const OptionSpec &argument : options.positionals)
            text += entry(argument.name, argument.description);
    }
    const QList<OptionSpec> own = ownOptions(command);
    if (!own.isEmpty())
        text += QLatin1String("\nOptions:\n") + optionList(own);
    text += QLatin1Char('\n') + wrapped(QStringLiteral("Global options (vhpd --help): %1.")
                                            .arg(globalOptionNames().join(QLatin1String(", "))),
                                        0);
    if (qstrlen(command.examples) > 0) {
        text += QLatin1String("\nExamples:\n");
        const QStringList lines = QString::fromUtf8(command.examples).split(QLatin1Char('\n'));
        for (const QString &line : lines)
            text += QLatin1String("  ") + line + QLatin1Char('\n');
    }
    text += QLatin1String("\nJSON (--json):\n") + wrapped(shapeText(shapeOf(command)), 2);
    return text;
}

QString jsonHelp()
{
    QString text = wrapped(QString::fromUtf8(kJsonIntro), 0) + QLatin1Char('\n');
    for (const auto &shape : kJsonShapes)
        text += wrapped(QString::fromUtf8(shape.first) + QLatin1String(": ") +
                            QString::fromUtf8(shape.second),
                        2);
    text += QLatin1Char('\n') + wrapped(QString::fromUtf8(kJsonNames), 0) +
            QLatin1String("\nThe members of each record:\n");
    const auto kinds = recordKinds();
    for (const auto &kind : kinds)
        text += entry(kind.first, memberList(kind.second));
    return text;
}

QString manualPage()
{
    QString text = QStringLiteral(".TH VHPD 1 \"\" \"vhpd %1\" \"User Commands\"\n"
                                  ".nh\n"
                                  ".SH NAME\n"
                                  "vhpd \\- command\\-line client of the collaboration service\n"
                                  ".SH SYNOPSIS\n"
                                  ".B vhpd\n"
                                  "[\\fIglobal options\\fR] \\fIcommand\\fR [\\fIoptions\\fR] "
                                  "[\\fIarguments\\fR]\n"
                                  ".SH DESCRIPTION\n")
                       .arg(QCoreApplication::applicationVersion()) +
                   roff(QString::fromUtf8(kDescription)) + QLatin1String("\n.PP\n") +
                   roff(QString::fromUtf8(kNaming)) + QLatin1String("\n.SH GLOBAL OPTIONS\n") +
                   roffOptions(globalOptions().options);
    text += grouped(
        [](Group group) -> QString {
            return QLatin1String(".SH ") + roff(groupTitle(group).toUpper()) + QLatin1Char('\n');
        },
        roffCommand);
    text += QLatin1String(".SH JSON OUTPUT\n") + roff(QString::fromUtf8(kJsonIntro)) +
            QLatin1Char('\n');
    for (const auto &shape : kJsonShapes)
        text += QLatin1String(".TP\n") + roff(QString::fromUtf8(shape.first)) + QLatin1Char('\n') +
                roff(QString::fromUtf8(shape.second)) + QLatin1Char('\n');
    text += QLatin1String(".PP\n") + roff(QString::fromUtf8(kJsonNames)) +
            QLatin1String("\n.PP\nThe members of each record:\n");
    const auto kinds = recordKinds();
    for (const auto &kind : kinds)
        text += QLatin1String(".TP\n.B ") + roff(kind.first) + QLatin1Char('\n') +
                roff(memberList(kind.second)) + QLatin1Char('\n');
    text += QLatin1String(".SH EXIT STATUS\n") + roff(QString::fromUtf8(kExitStatus)) +
            QLatin1String("\n.SH ENVIRONMENT\n"
                          ".TP\n.B VHPD_SERVER\nThe server when no \\-\\-server is given.\n"
                          ".TP\n.B VHPD_PASSWORD\nThe password of a login that reads none "
                          "from standard input.\n"
                          ".TP\n.B VHPD_TRANSPORT\n\"qt\" sends requests over Qt's sockets "
                          "instead of libcurl.\n"
                          ".TP\n.B VH_PACKAGE_API\nThe update server of update\\-check.\n"
                          ".TP\n.B VHPD_CONFIG_DIR\nThe folder of the saved login, instead "
                          "of $XDG_CONFIG_HOME/vhpd. A folder the program creates is private; "
                          "one that exists keeps its permissions, the file is private anyway.\n"
                          ".TP\n.B XDG_CONFIG_HOME\nWhere the saved login is kept.\n"
                          ".SH FILES\n.TP\n"
                          ".I $XDG_CONFIG_HOME/vhpd/session.json\n"
                          "(~/.config/vhpd/session.json when XDG_CONFIG_HOME is not set, "
                          "%APPDATA%\\\\vhpd\\\\session.json on Windows)"
                          "\nThe saved login: server, token, user and current project, "
                          "readable by its owner only.\n");
    return text;
}

QString completionScript(const QString &shell)
{
    if (shell == QLatin1String("bash"))
        return bashScript();
    if (shell == QLatin1String("zsh"))
        return zshScript();
    return QString();
}
