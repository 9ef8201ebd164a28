#include "output.h"

#include "command.h"
#include "terminal.h"

#include <VHError.h>

#include <QDateTime>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>

namespace {

QJsonValue member(const QJsonObject &row, const char *path)
{
    QJsonValue value = row;
    for (const QString &key : QString::fromLatin1(path).split(QLatin1Char('.')))
        value = value.toObject().value(key);
    return value;
}

void writeOut(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// The server's date-time texts, shown in local time to the minute.
QString localTime(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(\\.\\d+)?Z$"));
    if (!pattern.match(text).hasMatch())
        return text;
    return QDateTime::fromString(text, Qt::ISODateWithMs)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// Text from the server as it may reach a terminal: control characters
// (escape sequences that retitle the window, clear the screen or move the
// cursor over earlier lines among them) are shown as \xHH instead of acting.
// Line breaks and tabs become spaces, or are kept as lines where asked.
QString printable(const QString &text, bool keepLineBreaks)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort code = c.unicode();
        const bool control = code < 0x20 || (code >= 0x7f && code <= 0x9f);
        if (!control)
            out += c;
        else if (c == QLatin1Char('\n') && keepLineBreaks)
            out += c;
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\t') || c == QLatin1Char('\r'))
            out += QLatin1Char(' ');
        else
            out += QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
    }
    return out;
}

// The state numbers whose meaning the server's data shows, in words: a model
// file's preprocessing (0 waiting, 2 done, 3 failed) and a membership request
// (0 waiting, 1 accepted, 2 rejected). Any other number is shown as it is.
QString label(int number, CellFormat format)
{
    static const char *const preprocessing[] = {"waiting", nullptr, "done", "failed"};
    static const char *const requests[] = {"waiting", "accepted", "rejected"};
    const char *text = nullptr;
    if (format == CellFormat::Preprocessing && number >= 0 && number < 4)
        text = preprocessing[number];
    else if (format == CellFormat::RequestStatus && number >= 0 && number < 3)
        text = requests[number];
    return text ? QString::fromLatin1(text) : QString::number(number);
}

} // namespace

QString Output::bytes(qint64 size)
{
    static const char *const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    double value = double(size);
    int unit = 0;
    while (value >= 1024.0 && unit < 4) {
        value /= 1024.0;
        ++unit;
    }
    return unit == 0
               ? QStringLiteral("%1 B").arg(size)
               : QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString Output::cell(const QJsonValue &value, CellFormat format)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    case QJsonValue::Double:
        if (format == CellFormat::Bytes)
            return bytes(qint64(value.toDouble()));
        if (format != CellFormat::Auto)
            return label(value.toInt(), format);
        return QString::number(value.toDouble(), 'g', 15);
    case QJsonValue::String:
        return printable(localTime(value.toString()), false);
    case QJsonValue::Array: {
        if (format == CellFormat::Count)
            return QString::number(value.toArray().size());
        QStringList parts;
        for (const QJsonValue &element : value.toArray())
            parts.append(cell(element, format));
        return parts.join(QLatin1String(", "));
    }
    case QJsonValue::Object:
        return printable(
            QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact)),
            false);
    default:
        return QString();
    }
}

namespace {

// Ids are what later commands take: never cut.
bool keepsWhole(const Column &column)
{
    const QString key = QString::fromLatin1(column.key).section(QLatin1Char('.'), -1);
    return key == QLatin1String("id") || key.endsWith(QLatin1String("Id")) ||
           key.compare(QLatin1String("uuid"), Qt::CaseInsensitive) == 0;
}

// The narrowest a cut column gets: its title, or a few letters.
constexpr int kNarrowestCut = 8;

// The columns' widths narrowed until a line of them fits `width`: the widest
// column that may be cut loses a character at a time.
QList<int> fitted(const QList<Column> &columns, QList<int> widths, int width)
{
    const auto lineWidth = [&widths] {
        int total = 0;
        for (int w : widths)
            total += w + 2;
        return total - 2;
    };
    while (lineWidth() > width) {
        int widest = -1;
        for (int i = 0; i < columns.size(); ++i) {
            const int narrowest = qMax(kNarrowestCut, int(qstrlen(columns[i].title)));
            if (!keepsWhole(columns[i]) && widths[i] > narrowest &&
                (widest < 0 || widths[i] > widths[widest]))
                widest = i;
        }
        if (widest < 0)
            break; // what is left is ids and titles: the terminal wraps it
        --widths[widest];
    }
    return widths;
}

} // namespace

bool Output::isTerminal()
{
    return Terminal::isTerminal(stdout);
}

int Output::terminalWidth()
{
    if (const int columns = Terminal::width(); columns > 0)
        return columns;
    bool ok = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && columns > 0 ? columns : 80;
}

QString Output::table(const QList<Column> &columns, const QJsonArray &rows, int width)
{
    QList<QStringList> lines;
    QStringList titles;
    for (const Column &column : columns)
        titles.append(QString::fromLatin1(column.title).toUpper());
    lines.append(titles);
    for (const QJsonValue &row : rows) {
        QStringList cells;
        for (const Column &column : columns)
            cells.append(cell(member(row.toObject(), column.key), column.format));
        lines.append(cells);
    }
    QList<int> widths;
    for (int i = 0; i < columns.size(); ++i) {
        int widest = 0;
        for (const QStringList &cells : lines)
            widest = qMax(widest, int(cells[i].size()));
        widths.append(widest);
    }
    if (width > 0)
        widths = fitted(columns, widths, width);
    QString text;
    for (const QStringList &cells : lines) {
        QString line;
        for (int i = 0; i < cells.size(); ++i) {
            QString cellText = cells[i];
            if (cellText.size() > widths[i])
                cellText = cellText.left(qMax(0, widths[i] - 3)) + QLatin1String("...");
            line += i + 1 < cells.size() ? cellText.leftJustified(widths[i] + 2) : cellText;
        }
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text;
}

void Output::list(const QList<Column> &columns, const QJsonArray &rows,
                  const QString &emptyText) const
{
    if (m_json)
        json(rows);
    else if (rows.isEmpty())
        text(emptyText);
    else
        writeOut(table(columns, rows, isTerminal() ? terminalWidth() : 0));
}

void Output::record(const QList<Column> &fields, const QJsonObject &object) const
{
    if (m_json) {
        json(object);
        return;
    }
    int width = 0;
    for (const Column &field : fields)
        width = qMax(width, int(qstrlen(field.title)) + 1);
    QString text;
    for (const Column &field : fields) {
        text +=
            QString(QString::fromLatin1(field.title) + QLatin1Char(':')).leftJustified(width + 1) +
            cell(member(object, field.key), field.format) + QLatin1Char('\n');
    }
    writeOut(text);
}

void Output::json(const QJsonValue &value) const
{
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    writeOut(QString::fromUtf8(document.toJson(QJsonDocument::Indented)));
}

void Output::text(const QString &line) const
{
    if (!m_json)
        writeOut(printable(line, true) + QLatin1Char('\n'));
}

namespace {

bool g_jsonFailures = false;

QString kindOfStatus(int status)
{
    switch (status) {
    case ExitUsage:
        return QStringLiteral("usage");
    case ExitUnreachable:
        return QStringLiteral("network");
    case ExitAuth:
        return QStringLiteral("auth");
    default:
        return QStringLiteral("failed");
    }
}

} // namespace

void setJsonFailures(bool json)
{
    g_jsonFailures = json;
}

int reportFailure(int status, const QString &message)
{
    return reportFailure(status, message, VHError());
}

int reportFailure(int status, const QString &message, const VHError &cause)
{
    printError(message);
    if (g_jsonFailures) {
        const QJsonObject error{{QStringLiteral("kind"), cause.isNone()
                                                             ? kindOfStatus(status)
                                                             : VHError::kindName(cause.kind)},
                                {QStringLiteral("httpStatus"), cause.httpStatus},
                                {QStringLiteral("serverCode"), cause.serverCode},
                                {QStringLiteral("message"), message}};
        writeOut(QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("error"), error}})
                                       .toJson(QJsonDocument::Indented)));
    }
    return status;
}

void printError(const QString &message)
{
    printNote(QLatin1String("vhpd: ") + message);
}

void printNote(const QString &line)
{
    std::fputs((printable(line, true) + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
}
