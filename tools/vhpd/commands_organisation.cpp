// Organisation look-ups and the current project's configuration: circles,
// enterprises, structures, domains, species, subcontracts, encoding, modules
// and periods.
#include "context.h"
#include "lookup.h"

#include <VHPrimaryData.h>

namespace {

const QList<Column> kNamed = {{"Name", "name"}, {"Id", "id"}};

// The circles with the names of their enterprise and parent circle.
int circles(Context &context)
{
    QList<VHCircle> circles;
    if (!context.data().getProjectCircles(circles))
        return context.fail(QStringLiteral("cannot read the circles"));
    QJsonArray rows;
    for (const VHCircle &circle : circles) {
        QJsonObject row = toJson(circle);
        context.names().addOrganisation(row, "enterpriseId");
        context.names().addOrganisation(row, "parentId");
        rows.append(row);
    }
    return context.showRows("circles",
                            {{"Name", "name"},
                             {"Short", "sortName"},
                             {"Enterprise", "enterpriseName"},
                             {"Parent", "parentName"},
                             {"Id", "id"}},
                            rows);
}

int enterprises(Context &context)
{
    return context.showList(&VHPrimaryData::getProjectEnterprises, "enterprises",
                            {{"Name", "name"}, {"Short", "sortName"}, {"Id", "id"}});
}

// The organisation chart, each unit with the name of the one above it.
int structures(Context &context)
{
    QList<VHStructure> structures;
    if (!context.data().getStructures(structures))
        return context.fail(QStringLiteral("cannot read the structures"));
    QJsonArray rows;
    for (const VHStructure &structure : structures) {
        QJsonObject row = toJson(structure);
        const QString parent = context.data().getStructureName(structure.parentId);
        row.insert(QStringLiteral("parentName"), parent.isEmpty() ? structure.parentId : parent);
        rows.append(row);
    }
    return context.showRows("structures",
                            {{"Name", "name"},
                             {"Level", "level"},
                             {"Type", "type"},
                             {"Parent", "parentName"},
                             {"Id", "id"}},
                            rows);
}

int domains(Context &context)
{
    return context.showList(&VHPrimaryData::getDomain, "domains", kNamed);
}

int species(Context &context)
{
    return context.showList(&VHPrimaryData::getSpecies, "species", kNamed);
}

int subcontracts(Context &context)
{
    return context.showList(&VHPrimaryData::getSubcontract, "subcontracts", kNamed);
}

int modules(Context &context)
{
    return context.showList(&VHPrimaryData::getModule, "modules",
                            {{"Name", "name"},
                             {"Key", "key"},
                             {"Category", "category"},
                             {"Enabled", "enabled"},
                             {"Statistics", "statistics"},
                             {"Id", "id"}});
}

int moduleGroups(Context &context)
{
    return context.showList(&VHPrimaryData::getModuleGroup, "module groups",
                            {{"Name", "name"},
                             {"Type", "type"},
                             {"Module", "module.key"},
                             {"Parent", "parentId"},
                             {"Id", "id"}});
}

// The encoding table and the rules that compose the project's codes.
int encoding(Context &context)
{
    QList<VHEncodePair> pairs;
    QList<VHEncodeRule> rules;
    if (!context.data().getProjectEncodePair(pairs) || !context.data().getProjectEncodeRule(rules))
        return context.fail(QStringLiteral("cannot read the project's encoding"));
    if (context.out.isJson()) {
        context.out.json(QJsonObject{{QStringLiteral("pairs"), toJsonArray(pairs)},
                                     {QStringLiteral("rules"), toJsonArray(rules)}});
        return ExitOk;
    }
    context.out.list({{"Rule", "rule"}, {"Separator", "separator"}}, toJsonArray(rules),
                     QStringLiteral("No encoding rules."));
    context.out.text(QString());
    context.out.list({{"Key", "key"}, {"Value", "value"}}, toJsonArray(pairs),
                     QStringLiteral("No encoding pairs."));
    return ExitOk;
}

// The periods of an entity code, each as its "key: value" lines.
int periods(Context &context)
{
    QList<VHPeriod> periods;
    if (!context.data().getPeriodByEntityCode(context.argument(0), periods))
        return context.fail(
            QStringLiteral("cannot read the periods of %1").arg(context.argument(0)));
    if (context.out.isJson())
        return context.showRows("periods", {}, toJsonArray(periods));
    int first = 0;
    int end = 0;
    if (const int status = context.pageRange(periods.size(), "periods", first, end))
        return status;
    if (periods.isEmpty())
        context.out.text(QStringLiteral("No periods."));
    for (int i = first; i < end; ++i) {
        if (i > first)
            context.out.text(QString());
        const QMap<QString, QString> &properties = periods[i].properties;
        for (auto it = properties.constBegin(); it != properties.constEnd(); ++it)
            context.out.text(it.key() + QLatin1String(": ") + it.value());
    }
    return ExitOk;
}

// The display name of one id, once the list it belongs to is loaded.
template<typename Record>
int nameOf(Context &context, bool (VHPrimaryData::*load)(QList<Record> &),
           QString (VHPrimaryData::*name)(const QString &), const char *what)
{
    QList<Record> records;
    if (!(context.data().*load)(records))
        return context.fail(QStringLiteral("cannot read the %1").arg(QLatin1String(what)));
    const QString found = (context.data().*name)(context.argument(0));
    if (found.isEmpty())
        return context.fail(QStringLiteral("no name for %1").arg(context.argument(0)));
    return context.report(
        found, {{QStringLiteral("id"), context.argument(0)}, {QStringLiteral("name"), found}});
}

int circleName(Context &context)
{
    return nameOf(context, &VHPrimaryData::getProjectCircles, &VHPrimaryData::getProjectCircleName,
                  "circles");
}

int speciesName(Context &context)
{
    return nameOf(context, &VHPrimaryData::getSpecies, &VHPrimaryData::getSpeciesNameById,
                  "species");
}

int subcontractName(Context &context)
{
    return nameOf(context, &VHPrimaryData::getSubcontract, &VHPrimaryData::getSubcontractNameById,
                  "subcontracts");
}

} // namespace

QList<Command> organisationCommands()
{
    return {
        {"circles", "", "List the circles of the organisation.", Needs::Login, 0, 0, nullptr,
         circles, Group::Organisation, "vhpd circles", "[circle +enterpriseName +parentName]"},
        {"enterprises", "", "List the enterprises.", Needs::Login, 0, 0, nullptr, enterprises,
         Group::Organisation, "vhpd enterprises", "[enterprise]"},
        {"structures", "", "List the current project's organisation chart.", Needs::Project, 0, 0,
         nullptr, structures, Group::Organisation, "vhpd structures", "[structure +parentName]"},
        {"domains", "", "List the current project's domains.", Needs::Project, 0, 0, nullptr,
         domains, Group::Organisation, "vhpd domains", "[named]"},
        {"species", "", "List the current project's species.", Needs::Project, 0, 0, nullptr,
         species, Group::Organisation, "vhpd species", "[named]"},
        {"subcontracts", "", "List the current project's subcontracts.", Needs::Project, 0, 0,
         nullptr, subcontracts, Group::Organisation, "vhpd subcontracts", "[named]"},
        {"encoding", "", "Show the current project's encoding rules and table.", Needs::Project, 0,
         0, nullptr, encoding, Group::Organisation, "vhpd encoding",
         "{\"pairs\": [encodingPair], \"rules\": [encodingRule]}"},
        {"modules", "", "List the current project's modules.", Needs::Project, 0, 0, nullptr,
         modules, Group::Organisation, "vhpd modules", "[module]"},
        {"module-groups", "", "List the module catalogue.", Needs::Project, 0, 0, nullptr,
         moduleGroups, Group::Organisation, "vhpd module-groups", "[moduleGroup]"},
        {"periods", "<entity-code>", "Show the periods of an entity code.", Needs::Project, 1, 1,
         nullptr, periods, Group::Organisation, "vhpd periods RMC-S-L00-ARC-02741", "[period]"},
        {"circle-name", "<id>", "Show the name of a circle or enterprise.", Needs::Login, 1, 1,
         nullptr, circleName, Group::Organisation, "vhpd circle-name 675946805e17ab1c0d3a5c11",
         "{\"id\", \"name\"}"},
        {"species-name", "<id>", "Show the name of a species.", Needs::Project, 1, 1, nullptr,
         speciesName, Group::Organisation, "vhpd species-name 675946805e17ab1c0d3a5c6f",
         "{\"id\", \"name\"}"},
        {"subcontract-name", "<id>", "Show the name of a subcontract.", Needs::Project, 1, 1,
         nullptr, subcontractName, Group::Organisation,
         "vhpd subcontract-name 675946805e17ab1c0d3a5c75", "{\"id\", \"name\"}"},
    };
}
