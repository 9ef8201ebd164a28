// Organisation look-ups and the current project's configuration: circles,
// enterprises, structures, domains, species, subcontracts, encoding, modules
// and periods.
#include "context.h"

#include <VHPrimaryData.h>

namespace {

const QList<Column> kNamed = {{"Name", "name"}, {"Id", "id"}};

int circles(Context &context)
{
    return context.showList(&VHPrimaryData::getProjectCircles, "circles",
                            {{"Name", "name"},
                             {"Short", "sortName"},
                             {"Enterprise", "enterpriseId"},
                             {"Parent", "parentId"},
                             {"Id", "id"}});
}

int enterprises(Context &context)
{
    return context.showList(&VHPrimaryData::getProjectEnterprises, "enterprises",
                            {{"Name", "name"}, {"Short", "sortName"}, {"Id", "id"}});
}

int structures(Context &context)
{
    return context.showList(&VHPrimaryData::getStructures, "structures",
                            {{"Name", "name"},
                             {"Level", "level"},
                             {"Type", "type"},
                             {"Parent", "parentId"},
                             {"Id", "id"}});
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
                             {"Enabled", "enable"},
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
    if (context.out.isJson()) {
        context.out.json(toJsonArray(periods));
        return ExitOk;
    }
    if (periods.isEmpty())
        context.out.text(QStringLiteral("No periods."));
    for (int i = 0; i < periods.size(); ++i) {
        if (i > 0)
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
         circles},
        {"enterprises", "", "List the enterprises.", Needs::Login, 0, 0, nullptr, enterprises},
        {"structures", "", "List the current project's organisation chart.", Needs::Project, 0, 0,
         nullptr, structures},
        {"domains", "", "List the current project's domains.", Needs::Project, 0, 0, nullptr,
         domains},
        {"species", "", "List the current project's species.", Needs::Project, 0, 0, nullptr,
         species},
        {"subcontracts", "", "List the current project's subcontracts.", Needs::Project, 0, 0,
         nullptr, subcontracts},
        {"encoding", "", "Show the current project's encoding rules and table.", Needs::Project, 0,
         0, nullptr, encoding},
        {"modules", "", "List the current project's modules.", Needs::Project, 0, 0, nullptr,
         modules},
        {"module-groups", "", "List the module catalogue.", Needs::Project, 0, 0, nullptr,
         moduleGroups},
        {"periods", "<entity-code>", "Show the periods of an entity code.", Needs::Project, 1, 1,
         nullptr, periods},
        {"circle-name", "<id>", "Show the name of a circle or enterprise.", Needs::Login, 1, 1,
         nullptr, circleName},
        {"species-name", "<id>", "Show the name of a species.", Needs::Project, 1, 1, nullptr,
         speciesName},
        {"subcontract-name", "<id>", "Show the name of a subcontract.", Needs::Project, 1, 1,
         nullptr, subcontractName},
    };
}
