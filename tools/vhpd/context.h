#ifndef VHPD_CLI_CONTEXT_H
#define VHPD_CLI_CONTEXT_H

#include "command.h"
#include "output.h"
#include "records.h"
#include "session.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>

class Names;

// What a running command works with: its parsed command line, the output, the
// saved session and the server, with helpers for the usual failures.
class Context
{
public:
    Context(const Command &command, const QCommandLineParser &parser, const Output &output,
            Session &session, const QString &server);
    ~Context();

    const Command &command;
    const Output &out;
    Session &session;
    // The server root the library talks to.
    const QString server;

    VHPrimaryData &data() const;
    // The names of the ids records hold (users, organisations, tags), looked
    // up once per run.
    Names &names() const;

    // The positional arguments after the command's name.
    QStringList arguments() const { return m_parser.positionalArguments(); }
    QString argument(int index) const { return arguments().value(index); }
    bool isSet(const char *option) const;
    QString value(const char *option) const;
    QStringList values(const char *option) const;
    // An integer option (or `fallback` when absent); false, with a usage
    // error printed, when its value is not a whole number from `minimum` up.
    bool intValue(const char *option, int fallback, int minimum, int &result) const;
    bool intArgument(int index, int &result) const;

    // Prints `message` and gives ExitUsage.
    int usage(const QString &message) const;
    // Reports a failed operation: `what`, followed by the cause of the
    // exchange that failed (the library's lastError()) with what to do next,
    // and the exit status that cause calls for. Asks the server nothing more.
    int fail(const QString &what) const;
    // What a changing command did: `line` in a table run, `object` with --json.
    int report(const QString &line, const QJsonObject &object) const;
    // Saves the session, reporting a failure.
    int saveSession() const;

    // The --page and --page-size options (addPagingOptions): `pageSize` is
    // `fallback` without --page-size, 0 for "all" when that is 0 too. False
    // after a usage error.
    bool paging(int &page, int &pageSize, int fallback) const;
    // ExitOk when `page` of `pageSize` rows lies within a list of `count`
    // `what`; else a page past the end is reported as a failure. The first
    // page of an empty list exists.
    int checkPage(int count, int page, int pageSize, const char *what) const;
    // The rows [first, end) of the page the --page and --page-size options
    // ask for in a list of `count` `what` read whole (all of them without
    // the options); ExitOk, or the status of the failure reported.
    int pageRange(int count, const char *what, int &first, int &end) const;
    // One page of a list the server pages: a line saying where it lies and the
    // table, or {"count", "page", "pageSize", "items"} as JSON.
    int showPage(int count, int page, int pageSize, const char *what, const QList<Column> &columns,
                 const QJsonArray &rows) const;
    // A list read whole, shown as showPage does: all of it, or the page the
    // --page and --page-size options ask for. On a terminal a whole list
    // says how long it is.
    int showRows(const char *what, const QList<Column> &columns, const QJsonArray &rows) const;

    // How many of the records a name matches an error lists.
    static constexpr int kMostCandidates = 10;

    // Picks the record that `text` names among `records`: its id, its whole
    // name in any case, or a unique part of its name. ExitOk with `found`
    // set; a text that several names hold is a usage error; ExitFailed, with
    // nothing printed, when none matches.
    template<typename Record>
    int pick(const QList<Record> &records, const QString &text, const char *what,
             Record &found) const
    {
        return pick(records, text, what, found,
                    [](const Record &record) { return QStringList{record.name}; });
    }
    // The same, with the names each record is known by (a user's account name
    // and nickname, say); the first is the one shown.
    template<typename Record, typename NamesOf>
    int pick(const QList<Record> &records, const QString &text, const char *what, Record &found,
             NamesOf namesOf) const
    {
        QList<Record> exact;
        QList<Record> partial;
        for (const Record &record : records) {
            if (record.id == text) {
                found = record;
                return ExitOk;
            }
            const QStringList names = namesOf(record);
            const auto is = [&text](const QString &name) {
                return name.compare(text, Qt::CaseInsensitive) == 0;
            };
            const auto holds = [&text](const QString &name) {
                return name.contains(text, Qt::CaseInsensitive);
            };
            if (std::any_of(names.cbegin(), names.cend(), is))
                exact.append(record);
            else if (std::any_of(names.cbegin(), names.cend(), holds))
                partial.append(record);
        }
        const QList<Record> &matches = exact.isEmpty() ? partial : exact;
        if (matches.isEmpty())
            return ExitFailed;
        if (matches.size() > 1) {
            // Never a silent choice between records: name them with their ids.
            QStringList names;
            for (const Record &record : matches.mid(0, kMostCandidates))
                names.append(QStringLiteral("%1 (%2)").arg(namesOf(record).value(0), record.id));
            if (matches.size() > kMostCandidates)
                names.append(QStringLiteral("and %1 more").arg(matches.size() - kMostCandidates));
            return usage(QStringLiteral("\"%1\" matches several %2; give one of their ids: %3")
                             .arg(text, QLatin1String(what), names.join(QLatin1String("; "))));
        }
        found = matches.first();
        return ExitOk;
    }

    // Reads a list through the facade operation `read` and prints it.
    template<typename Record>
    int showList(bool (VHPrimaryData::*read)(QList<Record> &), const char *what,
                 const QList<Column> &columns) const
    {
        QList<Record> records;
        if (!(data().*read)(records))
            return fail(QStringLiteral("cannot read the %1").arg(QLatin1String(what)));
        return showRows(what, columns, toJsonArray(records));
    }

    // Asks before `action` ("Delete model X?") that destroys data: a y/N
    // question on a terminal; elsewhere only --yes lets it go ahead. ExitOk
    // to go on, else the status to end with, the refusal reported.
    int confirm(const QString &action) const;

    // Deletes the record named by the first argument through the facade
    // operation `remove`, once confirmed, and says so.
    int removeRecord(bool (VHPrimaryData::*remove)(const QString &), const char *what) const
    {
        return removeRecord(remove, what, argument(0), argument(0));
    }
    // The same for the record `id`, called `name` in the question.
    int removeRecord(bool (VHPrimaryData::*remove)(const QString &), const char *what,
                     const QString &id, const QString &name) const
    {
        const QString shown = name == id ? id : QStringLiteral("%1 (%2)").arg(name, id);
        if (const int status =
                confirm(QStringLiteral("Delete %1 %2?").arg(QLatin1String(what), shown)))
            return status;
        if (!(data().*remove)(id))
            return fail(QStringLiteral("cannot delete the %1 %2").arg(QLatin1String(what), id));
        return report(QStringLiteral("Deleted %1 %2.").arg(QLatin1String(what), id),
                      {{QStringLiteral("deleted"), id}});
    }

private:
    const QCommandLineParser &m_parser;
    mutable std::unique_ptr<Names> m_names;
};

#endif // VHPD_CLI_CONTEXT_H
