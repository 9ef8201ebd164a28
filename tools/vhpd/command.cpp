#include "command.h"

#include <QVector>

#include <algorithm>
#include <cstdlib>

QString groupTitle(Group group)
{
    switch (group) {
    case Group::Session:
        return QStringLiteral("Session");
    case Group::Projects:
        return QStringLiteral("Projects");
    case Group::Members:
        return QStringLiteral("Members and users");
    case Group::Organisation:
        return QStringLiteral("Organisation and project configuration");
    case Group::Models:
        return QStringLiteral("Models");
    case Group::ModelSets:
        return QStringLiteral("Model sets and tags");
    case Group::Entities:
        return QStringLiteral("Entities and properties");
    case Group::Labels:
        return QStringLiteral("QR labels and prints");
    case Group::Statistics:
        return QStringLiteral("Statistics");
    case Group::Updates:
        return QStringLiteral("Updates");
    case Group::Help:
        return QStringLiteral("Help and shell");
    case Group::Hidden:
        break;
    }
    return QString();
}

void Options::add(const char *name, const char *description, const char *valueName)
{
    options.append({QString::fromLatin1(name), QString::fromUtf8(description),
                    valueName ? QString::fromLatin1(valueName) : QString()});
}

void Options::addPositionalArgument(const QString &name, const QString &description)
{
    positionals.append({name, description, QString()});
}

QString Command::synopsis() const
{
    return QString(QLatin1String(name) + QLatin1Char(' ') + QLatin1String(arguments)).trimmed();
}

QStringList Command::aliasList() const
{
    return QString::fromLatin1(aliases).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

const QList<Command> &allCommands()
{
    static const QList<Command> commands = [] {
        QList<Command> all = accountCommands() + projectCommands() + membershipCommands() +
                             organisationCommands() + modelCommands() + modelChangeCommands() +
                             modelSetCommands() + entityCommands() + entityChangeCommands() +
                             qrCodeCommands() + labelCommands() + statisticsCommands() +
                             updateCommands() + helpCommands();
        std::stable_sort(all.begin(), all.end(), [](const Command &a, const Command &b) {
            return int(a.group) < int(b.group);
        });
        return all;
    }();
    return commands;
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : allCommands()) {
        if (name == QLatin1String(command.name) || command.aliasList().contains(name))
            return &command;
    }
    return nullptr;
}

namespace {

// The edits (insert, delete, change, swap of neighbours) that turn a into b.
int editDistance(const QString &a, const QString &b)
{
    const int n = a.size();
    const int m = b.size();
    QVector<QVector<int>> d(n + 1, QVector<int>(m + 1));
    for (int i = 0; i <= n; ++i)
        d[i][0] = i;
    for (int j = 0; j <= m; ++j)
        d[0][j] = j;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= m; ++j) {
            const int change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

} // namespace

QStringList closestNames(const QString &word, const QStringList &candidates)
{
    // About one slip in three letters, and at least one, counts as close; a
    // word that starts a name (a shortened one) too.
    const QString typed = word.toLower();
    const int allowed = std::max(1, int(typed.size()) / 3);
    QList<QPair<int, QString>> close;
    for (const QString &candidate : candidates) {
        int distance = editDistance(typed, candidate);
        if (typed.size() >= 3 && candidate.startsWith(typed))
            distance = std::min(distance, 1);
        if (distance <= allowed && !close.contains({distance, candidate}))
            close.append({distance, candidate});
    }
    // Closest first; of equally close names, the one as long as the word.
    const auto lengthGap = [&typed](const QString &name) {
        return std::abs(int(name.size()) - int(typed.size()));
    };
    std::stable_sort(close.begin(), close.end(), [&lengthGap](const auto &a, const auto &b) {
        return a.first != b.first ? a.first < b.first : lengthGap(a.second) < lengthGap(b.second);
    });
    QStringList names;
    const auto closest = close.mid(0, 3);
    for (const auto &entry : closest)
        names.append(entry.second);
    return names;
}

const Options &globalOptions()
{
    static const Options options = [] {
        Options global;
        global.add("help", "Show the help of the program, or of the command.");
        global.add("server", "Server address, e.g. https://vh.example.com.", "url");
        global.add("json", "Print JSON instead of tables (see vhpd help json).");
        global.add("project", "Project (id or name) to use instead of the current one.", "project");
        global.add("timeout", "Seconds one exchange with the server may take.", "seconds");
        global.add("cacert",
                   "Also trust the certification authorities in this PEM file (a company's "
                   "own CA); the login remembers it for its server.",
                   "file");
        return global;
    }();
    return options;
}

Options commandOptions(const Command &command)
{
    Options options;
    if (command.declare)
        command.declare(options);
    if (command.isList())
        addPagingOptions(options);
    options.options += globalOptions().options;
    return options;
}

void addOption(Options &options, const char *name, const char *description, const char *valueName)
{
    options.add(name, description, valueName);
}

void declareConfirmation(Options &options)
{
    addOption(options, "yes",
              "Do it without asking; needed when standard input is not a terminal.");
}

void addPagingOptions(Options &options)
{
    addOption(options, "page", "Page to show, from 1 (default 1).", "n");
    addOption(options, "page-size", "Rows per page (default: 20 for searches, else all).", "n");
}
