#ifndef VHPD_CLI_OUTPUT_H
#define VHPD_CLI_OUTPUT_H

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// How a cell shows its value. Auto: texts as they are (date-times in local
// time), numbers in decimal, booleans as yes/no, arrays joined with ", ".
// Bytes: a size in B, KiB, MiB... Count: how many elements a list has.
// Preprocessing and RequestStatus: the server's state numbers of a model
// file's preprocessing and of a membership request in words (a number of
// unknown meaning as it is).
enum class CellFormat { Auto, Bytes, Count, Preprocessing, RequestStatus };

// One column of a table, or one line of a record: its title and the member
// of the JSON row it shows (a dotted path reaches into nested objects).
struct Column
{
    const char *title;
    const char *key;
    CellFormat format = CellFormat::Auto;
};

// Everything the program prints on standard output goes through here: readable
// tables by default, JSON with --json. Every record is first converted to JSON,
// so both forms show the same data.
class Output
{
public:
    explicit Output(bool json)
        : m_json(json)
    {}
    bool isJson() const { return m_json; }

    // The rows as a table of `columns` (`emptyText` when there are none), or
    // as a JSON array.
    void list(const QList<Column> &columns, const QJsonArray &rows,
              const QString &emptyText = QStringLiteral("(none)")) const;
    // One "Title: value" line per field, or the whole object as JSON.
    void record(const QList<Column> &fields, const QJsonObject &object) const;
    // A JSON document, in either mode.
    void json(const QJsonValue &value) const;
    // A line of text; nothing in JSON mode, where the document says it all.
    void text(const QString &line) const;

    // Whether standard output is a terminal, and its width in columns.
    static bool isTerminal();
    static int terminalWidth();

    // The rows under the columns' titles, each column as wide as its widest
    // cell. With a `width` (a terminal's), cells are cut so that each line
    // fits it, widest columns first; ids and uuids are never cut, since
    // other commands need them whole.
    static QString table(const QList<Column> &columns, const QJsonArray &rows, int width = 0);
    static QString cell(const QJsonValue &value, CellFormat format = CellFormat::Auto);
    static QString bytes(qint64 size);

private:
    bool m_json;
};

struct VHError;

// "vhpd: <message>" on standard error.
void printError(const QString &message);
// Ends a command that failed: "vhpd: <message>" on standard error and, once
// errors are JSON, {"error": {"kind", "httpStatus", "serverCode", "message"}}
// on standard output. `cause` is the failed exchange, when there was one; the
// kind is then its kind, else a word for `status` ("failed", "usage",
// "network", "auth"). Returns `status`.
int reportFailure(int status, const QString &message);
int reportFailure(int status, const QString &message, const VHError &cause);
// From now on failures are reported as JSON too (--json was given).
void setJsonFailures(bool json);
// A line on standard error, for progress and prompts.
void printNote(const QString &line);

#endif // VHPD_CLI_OUTPUT_H
