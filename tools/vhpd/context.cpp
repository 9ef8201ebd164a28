#include "context.h"

#include "failure.h"
#include "lookup.h"
#include "terminal.h"

#include <VHPrimaryData.h>

#include <cstdio>

Context::Context(const Command &command, const QCommandLineParser &parser, const Output &output,
                 Session &session, const QString &server)
    : command(command)
    , out(output)
    , session(session)
    , server(server)
    , m_parser(parser)
{}

Context::~Context() = default;

VHPrimaryData &Context::data() const
{
    return *VHPrimaryData::instance();
}

Names &Context::names() const
{
    if (!m_names)
        m_names.reset(new Names(*this));
    return *m_names;
}

bool Context::isSet(const char *option) const
{
    return m_parser.isSet(QLatin1String(option));
}

QString Context::value(const char *option) const
{
    return m_parser.value(QLatin1String(option));
}

QStringList Context::values(const char *option) const
{
    return m_parser.values(QLatin1String(option));
}

bool Context::intValue(const char *option, int fallback, int minimum, int &result) const
{
    if (!isSet(option)) {
        result = fallback;
        return true;
    }
    bool ok = false;
    result = value(option).toInt(&ok);
    if (ok && result >= minimum)
        return true;
    usage(QStringLiteral("--%1 needs a whole number from %2 up")
              .arg(QLatin1String(option))
              .arg(minimum));
    return false;
}

bool Context::intArgument(int index, int &result) const
{
    bool ok = false;
    result = argument(index).toInt(&ok);
    if (!ok)
        usage(QStringLiteral("\"%1\" is not a whole number").arg(argument(index)));
    return ok;
}

int Context::usage(const QString &message) const
{
    return reportFailure(
        ExitUsage,
        QStringLiteral("%1 (see vhpd help %2)").arg(message, QLatin1String(command.name)));
}

int Context::fail(const QString &what) const
{
    const VHError cause = data().lastError();
    if (cause.isNone())
        return reportFailure(ExitFailed, what);
    const FailureReport report = explainFailure(cause);
    return reportFailure(report.status, what + QLatin1String(": ") + report.cause, cause);
}

int Context::confirm(const QString &action) const
{
    if (isSet("yes"))
        return ExitOk;
    if (!Terminal::isTerminal(stdin))
        return reportFailure(ExitUsage,
                             QStringLiteral("%1 Not without --yes when standard input is not a "
                                            "terminal")
                                 .arg(action));
    std::fputs(QStringLiteral("%1 [y/N] ").arg(action).toUtf8().constData(), stderr);
    std::fflush(stderr);
    QByteArray answer;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
        answer.append(char(c));
    const QString word = QString::fromUtf8(answer).trimmed().toLower();
    if (word == QLatin1String("y") || word == QLatin1String("yes"))
        return ExitOk;
    return reportFailure(ExitFailed, QStringLiteral("nothing deleted"));
}

int Context::saveSession() const
{
    QString error;
    if (session.save(error))
        return ExitOk;
    return reportFailure(ExitFailed, error);
}

bool Context::paging(int &page, int &pageSize, int fallback) const
{
    return intValue("page", 1, 1, page) && intValue("page-size", fallback, 1, pageSize);
}

int Context::checkPage(int count, int page, int pageSize, const char *what) const
{
    const int pages = pageSize > 0 ? qMax(1, (count + pageSize - 1) / pageSize) : 1;
    if (page <= pages)
        return ExitOk;
    return reportFailure(ExitFailed, QStringLiteral("page %1 is past the end: %2 %3 fill %4 of %5")
                                         .arg(page)
                                         .arg(count)
                                         .arg(QLatin1String(what))
                                         .arg(pages == 1 ? QStringLiteral("1 page")
                                                         : QStringLiteral("%1 pages").arg(pages))
                                         .arg(pageSize));
}

int Context::showPage(int count, int page, int pageSize, const char *what,
                      const QList<Column> &columns, const QJsonArray &rows) const
{
    if (out.isJson()) {
        out.json(QJsonObject{{QStringLiteral("count"), count},
                             {QStringLiteral("page"), page},
                             {QStringLiteral("pageSize"), pageSize},
                             {QStringLiteral("items"), rows}});
        return ExitOk;
    }
    const int pages = pageSize > 0 ? qMax(1, (count + pageSize - 1) / pageSize) : 1;
    out.text(QStringLiteral("Page %1 of %2; %3 %4")
                 .arg(page)
                 .arg(pages)
                 .arg(count)
                 .arg(QLatin1String(what)));
    out.list(columns, rows, QString());
    return ExitOk;
}

int Context::pageRange(int count, const char *what, int &first, int &end) const
{
    int page = 1;
    int pageSize = 0;
    if (!paging(page, pageSize, 0))
        return ExitUsage;
    if (const int status = checkPage(count, page, pageSize, what))
        return status;
    first = pageSize > 0 ? (page - 1) * pageSize : 0;
    end = pageSize > 0 ? qMin(count, page * pageSize) : count;
    return ExitOk;
}

int Context::showRows(const char *what, const QList<Column> &columns, const QJsonArray &rows) const
{
    const int count = rows.size();
    int first = 0;
    int end = 0;
    if (const int status = pageRange(count, what, first, end))
        return status;
    if (isSet("page") || isSet("page-size")) {
        int page = 1;
        int pageSize = 0;
        paging(page, pageSize, count);
        QJsonArray shown;
        for (int i = first; i < end; ++i)
            shown.append(rows[i]);
        return showPage(count, page, pageSize, what, columns, shown);
    }
    if (out.isJson())
        return showPage(count, 1, count, what, columns, rows);
    if (rows.isEmpty()) {
        out.text(QStringLiteral("No %1.").arg(QLatin1String(what)));
        return ExitOk;
    }
    out.list(columns, rows);
    if (Output::isTerminal())
        out.text(QStringLiteral("%1 %2").arg(count).arg(QLatin1String(what)));
    return ExitOk;
}

int Context::report(const QString &line, const QJsonObject &object) const
{
    out.text(line);
    if (out.isJson())
        out.json(object);
    return ExitOk;
}
