#ifndef VHPD_CLI_CONTEXT_H
#define VHPD_CLI_CONTEXT_H

#include "command.h"
#include "output.h"
#include "records.h"
#include "session.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// What a running command works with: its parsed command line, the output, the
// saved session and the server, with helpers for the usual failures.
class Context
{
public:
    Context(const Command &command, const QCommandLineParser &parser, const Output &output,
            Session &session, const QString &server);

    const Command &command;
    const Output &out;
    Session &session;
    // The server root the library talks to.
    const QString server;

    VHPrimaryData &data() const;

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

    // The --page and --page-size options (addPagingOptions); false after a
    // usage error.
    bool paging(int &page, int &pageSize) const;
    // One page of a search: a line saying where it lies and the table, or
    // {"count", "page", "pageSize", <what>: rows} as JSON.
    int showPage(int count, int page, int pageSize, const char *what, const QList<Column> &columns,
                 const QJsonArray &rows) const;

    // Picks the record that `text` names among `records`: its id, its whole
    // name in any case, or a unique part of its name. ExitOk with `found`
    // set; a text that several names hold is a usage error; ExitFailed, with
    // nothing printed, when none matches.
    template<typename Record>
    int pick(const QList<Record> &records, const QString &text, const char *what,
             Record &found) const
    {
        QList<Record> exact;
        QList<Record> partial;
        for (const Record &record : records) {
            if (record.id == text) {
                found = record;
                return ExitOk;
            }
            if (record.name.compare(text, Qt::CaseInsensitive) == 0)
                exact.append(record);
            else if (record.name.contains(text, Qt::CaseInsensitive))
                partial.append(record);
        }
        const QList<Record> &matches = exact.isEmpty() ? partial : exact;
        if (matches.isEmpty())
            return ExitFailed;
        if (matches.size() > 1) {
            // Never a silent choice between records: name them with their ids.
            QStringList names;
            for (const Record &record : matches)
                names.append(QStringLiteral("%1 (%2)").arg(record.name, record.id));
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
        out.list(columns, toJsonArray(records));
        return ExitOk;
    }

    // Asks before `action` ("Delete model X?") that destroys data: a y/N
    // question on a terminal; elsewhere only --yes lets it go ahead. ExitOk
    // to go on, else the status to end with, the refusal reported.
    int confirm(const QString &action) const;

    // Deletes the record named by the first argument through the facade
    // operation `remove`, once confirmed, and says so.
    int removeRecord(bool (VHPrimaryData::*remove)(const QString &), const char *what) const
    {
        const QString id = argument(0);
        if (const int status =
                confirm(QStringLiteral("Delete %1 %2?").arg(QLatin1String(what), id)))
            return status;
        if (!(data().*remove)(id))
            return fail(QStringLiteral("cannot delete the %1 %2").arg(QLatin1String(what), id));
        return report(QStringLiteral("Deleted %1 %2.").arg(QLatin1String(what), id),
                      {{QStringLiteral("deleted"), id}});
    }

private:
    const QCommandLineParser &m_parser;
};

#endif // VHPD_CLI_CONTEXT_H
