// Work-sheet statistics of the current project: the open inspections, and
// the current user's own contact sheets and inspections.
#include "context.h"

#include <VHPrimaryData.h>

#include <algorithm>

namespace {

void declareStatistics(Options &parser)
{
    addOption(parser, "category", "Inspection category (default quality).", "name");
    addOption(parser, "period",
              "Buckets of the inspection quantities: day, week, month or year "
              "(default month).",
              "period");
}

// The bucket of a quantity as text: 2026, 2026-01, 2026-W03 or 2026-01-13.
QString bucket(const VHStatisticsQuantity &quantity)
{
    if (quantity.week > 0)
        return QStringLiteral("%1-W%2")
            .arg(quantity.year)
            .arg(quantity.week, 2, 10, QLatin1Char('0'));
    QString text = QString::number(quantity.year);
    if (quantity.month > 0)
        text +=
            QLatin1Char('-') + QStringLiteral("%1").arg(quantity.month, 2, 10, QLatin1Char('0'));
    if (quantity.day > 0)
        text += QLatin1Char('-') + QStringLiteral("%1").arg(quantity.day, 2, 10, QLatin1Char('0'));
    return text;
}

int statistics(Context &context)
{
    const QString category =
        context.isSet("category") ? context.value("category") : QStringLiteral("quality");
    const QString period =
        context.isSet("period") ? context.value("period") : QStringLiteral("month");
    int unfinished = 0;
    int open = 0;
    QList<QDate> deadlines;
    int total = 0;
    int delayed = 0;
    QList<VHStatisticsQuantity> quantities;
    VHPrimaryData &data = context.data();
    if (!data.getContactSheetStatistics(unfinished) ||
        !data.getInspectCount(category, open, deadlines) ||
        !data.getInspectStatistics(category, total, delayed) ||
        !data.getInspectQuantities(quantities, category, period))
        return context.fail(QStringLiteral("cannot read the statistics"));
    std::sort(deadlines.begin(), deadlines.end());

    QJsonArray rows;
    for (const VHStatisticsQuantity &quantity : quantities) {
        QJsonObject row = toJson(quantity);
        row.insert(QStringLiteral("bucket"), bucket(quantity));
        rows.append(row);
    }
    QJsonArray deadlineTexts;
    for (const QDate &deadline : deadlines)
        deadlineTexts.append(deadline.toString(Qt::ISODate));
    const QJsonObject figures{{QStringLiteral("category"), category},
                              {QStringLiteral("unfinishedContactSheets"), unfinished},
                              {QStringLiteral("openInspections"), open},
                              {QStringLiteral("deadlines"), deadlineTexts},
                              {QStringLiteral("inspections"), total},
                              {QStringLiteral("delayedInspections"), delayed}};
    if (context.out.isJson()) {
        QJsonObject document = figures;
        document.insert(QStringLiteral("period"), period);
        document.insert(QStringLiteral("quantities"), rows);
        context.out.json(document);
        return ExitOk;
    }
    QJsonObject shown = figures;
    shown.insert(QStringLiteral("nextDeadline"),
                 deadlineTexts.isEmpty() ? QJsonValue() : deadlineTexts.first());
    context.out.record({{"Contact sheets for you to finish", "unfinishedContactSheets"},
                        {"Inspection category", "category"},
                        {"Open inspections", "openInspections"},
                        {"Earliest open deadline", "nextDeadline"},
                        {"Your inspections", "inspections"},
                        {"Your delayed inspections", "delayedInspections"}},
                       shown);
    context.out.text(QStringLiteral("\nInspections per %1:").arg(period));
    context.out.list({{"Period", "bucket"}, {"Type", "type"}, {"Total", "total"}}, rows,
                     QStringLiteral("(none)"));
    return ExitOk;
}

} // namespace

QList<Command> statisticsCommands()
{
    return {
        {"stats", "", "Show your contact-sheet and inspection figures in the current project.",
         Needs::Project, 0, 0, declareStatistics, statistics, Group::Statistics,
         "vhpd stats\n"
         "vhpd stats --category safety --period week",
         "{\"category\", \"period\", \"unfinishedContactSheets\", \"openInspections\", "
         "\"deadlines\": [day], \"inspections\", \"delayedInspections\", \"quantities\": "
         "[quantity +bucket]}"},
    };
}
