// Entities of the current project's models: the paged search with its
// filters, the entity tree, and the elements' extended properties.
#include "context.h"
#include "lookup.h"

#include <VHPrimaryData.h>

namespace {

void declareEntities(Options &parser)
{
    addOption(parser, "name", "Names matching this regular expression (any case).", "regex");
    addOption(parser, "printed", "Only entities whose label has been printed.");
    addOption(parser, "printed-by", "Printed by this user (name or id); may be repeated.", "user");
    addOption(parser, "printed-from", "Printed on or after this day.", "yyyy-mm-dd");
    addOption(parser, "printed-to", "Printed on or before this day.", "yyyy-mm-dd");
    addOption(parser, "model", "Only entities of this model (id or name); may be repeated.",
              "model");
    addOption(parser, "group", "Of the models given, the group entities.");
    addOption(parser, "floor", "Of the models given, this floor; may be repeated.", "floor");
    addOption(parser, "domain", "On the floors given, this domain; may be repeated.", "n");
    addOption(parser, "category", "In the domains given, this category; may be repeated.", "n");
}

// Searches page by page.
constexpr int kSearchPageSize = 20;

bool readDay(Context &context, const char *option, QDateTime &day)
{
    if (!context.isSet(option))
        return true;
    const QDate date = QDate::fromString(context.value(option), Qt::ISODate);
    if (!date.isValid()) {
        context.usage(QStringLiteral("--%1 needs a day as yyyy-mm-dd").arg(QLatin1String(option)));
        return false;
    }
    day = date.startOfDay();
    return true;
}

bool readNumbers(Context &context, const char *option, QList<int> &numbers)
{
    for (const QString &text : context.values(option)) {
        bool ok = false;
        numbers.append(text.toInt(&ok));
        if (!ok) {
            context.usage(QStringLiteral("--%1 needs a number").arg(QLatin1String(option)));
            return false;
        }
    }
    return true;
}

// The part of the entity tree that --model, --group, --floor, --domain and
// --category select: every model given, whole unless a finer option narrows
// it. ExitOk, or the status of the failure reported.
int readSelection(Context &context, VHEntityCondition &condition)
{
    QList<int> domains;
    QList<int> categories;
    if (!readNumbers(context, "domain", domains) || !readNumbers(context, "category", categories))
        return ExitUsage;
    const QStringList floors = context.values("floor");
    if ((!categories.isEmpty() && domains.isEmpty()) || (!domains.isEmpty() && floors.isEmpty()) ||
        ((!floors.isEmpty() || context.isSet("group")) && !context.isSet("model")))
        return context.usage(QStringLiteral("--category needs --domain, --domain needs --floor, "
                                            "and --floor and --group need --model"));
    QStringList models;
    if (const int status = findModelIds(context, context.values("model"), models))
        return status;
    if (models.isEmpty())
        return ExitOk;
    condition.allModels = false;
    for (const QString &modelId : models) {
        VHEntityTree tree;
        tree.modelId = modelId;
        tree.group = context.isSet("group");
        tree.wholeModel = floors.isEmpty() && !tree.group;
        for (const QString &name : floors) {
            VHEntityTreeFloor floor;
            floor.floor = name;
            for (int number : domains)
                floor.domains.append(VHEntityTreeDomain{number, categories});
            tree.floors.append(floor);
        }
        condition.models.append(tree);
    }
    return ExitOk;
}

// ExitOk, or the status of the failure reported.
int readCondition(Context &context, VHEntityCondition &condition)
{
    condition.name = context.value("name");
    condition.printed = context.isSet("printed");
    if (context.isSet("printed-by")) {
        condition.allPrintedBy = false;
        if (const int status =
                findUserIds(context, context.values("printed-by"), condition.printedBy))
            return status;
    }
    if (context.isSet("printed-from") || context.isSet("printed-to")) {
        condition.allPrintedAt = false;
        condition.printedFrom = QDate(1970, 1, 1).startOfDay();
        condition.printedTo = QDate::currentDate().startOfDay();
    }
    if (!readDay(context, "printed-from", condition.printedFrom) ||
        !readDay(context, "printed-to", condition.printedTo))
        return ExitUsage;
    return readSelection(context, condition);
}

// One page of the entities the filters select, most recently printed first.
int entities(Context &context)
{
    VHEntityCondition condition;
    int page = 1;
    int pageSize = 0;
    if (!context.paging(page, pageSize, kSearchPageSize))
        return ExitUsage;
    if (const int status = readCondition(context, condition))
        return status;
    int count = 0;
    QList<VHEntity> entities;
    if (!context.data().getEntityRangeCount(condition, count))
        return context.fail(QStringLiteral("the entity search failed"));
    if (const int status = context.checkPage(count, page, pageSize, "entities"))
        return status;
    if (!context.data().getEntityRangeData((page - 1) * pageSize, pageSize, entities))
        return context.fail(QStringLiteral("the entity search failed"));
    return context.showPage(count, page, pageSize, "entities", entityColumns(),
                            entityRows(context, entities));
}

// The project's entity tree: per model and floor, the domains with the
// number of their categories.
int entityTree(Context &context)
{
    QList<VHEntityTree> trees;
    if (!context.data().getEntityTree(trees))
        return context.fail(QStringLiteral("cannot read the entity tree"));
    QJsonArray nodes;
    for (const VHEntityTree &tree : trees) {
        QJsonObject node = toJson(tree);
        const QString model = context.data().getModelName(tree.modelId);
        node.insert(QStringLiteral("modelName"), model.isEmpty() ? tree.modelId : model);
        nodes.append(node);
    }
    if (context.out.isJson())
        return context.showRows("models", {}, nodes);

    // A table of floors, of the models on the page asked for.
    int first = 0;
    int end = 0;
    if (const int status = context.pageRange(trees.size(), "models", first, end))
        return status;
    QJsonArray rows;
    for (int i = first; i < end; ++i) {
        const VHEntityTree &tree = trees[i];
        const QString model = nodes[i].toObject().value(QLatin1String("modelName")).toString();
        if (tree.group)
            rows.append(QJsonObject{{QStringLiteral("model"), model},
                                    {QStringLiteral("floor"), QStringLiteral("(group)")}});
        for (const VHEntityTreeFloor &floor : tree.floors) {
            QStringList domains;
            for (const VHEntityTreeDomain &domain : floor.domains) {
                const QString name =
                    context.data().getDomainNameById(QString::number(domain.domain));
                domains.append(QStringLiteral("%1 (%2)")
                                   .arg(name.isEmpty() ? QString::number(domain.domain) : name)
                                   .arg(domain.categories.size()));
            }
            rows.append(
                QJsonObject{{QStringLiteral("model"), model},
                            {QStringLiteral("floor"), floor.floor},
                            {QStringLiteral("domains"), domains.join(QLatin1String(", "))}});
        }
    }
    const QList<Column> columns = {
        {"Model", "model"}, {"Floor", "floor"}, {"Domains (categories)", "domains"}};
    if (!context.isSet("page") && !context.isSet("page-size")) {
        context.out.list(columns, rows, QStringLiteral("The tree is empty."));
        return ExitOk;
    }
    int page = 1;
    int pageSize = 0;
    context.paging(page, pageSize, trees.size());
    return context.showPage(trees.size(), page, pageSize, "models", columns, rows);
}

const QList<Column> kPropertyColumns = {
    {"Category", "category"}, {"Key", "key"}, {"Value", "value"}};

// The extended properties of one element, or of several merged: a value
// where they all agree, empty where they differ.
int properties(Context &context)
{
    const QStringList uuids = context.arguments();
    if (uuids.size() == 1) {
        QList<VHEntityPropertyExtend> documents;
        if (!context.data().getExtendPropertyByGuid(uuids.first(), documents))
            return context.fail(
                QStringLiteral("cannot read the properties of %1").arg(uuids.first()));
        QJsonArray rows;
        for (const VHEntityPropertyExtend &document : documents)
            for (const QJsonValue &row : toJsonArray(document.properties))
                rows.append(row);
        return context.showRows("properties", kPropertyColumns, rows);
    }
    QList<VHProperty> merged;
    if (!context.data().getExtendPropertyMerged(uuids, merged))
        return context.fail(QStringLiteral("cannot read the merged properties"));
    return context.showRows("properties", kPropertyColumns, toJsonArray(merged));
}

void declarePropertySearch(Options &parser)
{
    parser.addPositionalArgument(QStringLiteral("text"), QStringLiteral("Text to look for."));
    addOption(parser, "exact",
              "Match whole keys, values or categories; otherwise the text is a regular "
              "expression found anywhere, in any case.");
}

// The elements whose extended properties hold a text.
int propertySearch(Context &context)
{
    QStringList uuids;
    if (!context.data().getEntityByExtendProperty(context.argument(0), context.isSet("exact"),
                                                  uuids))
        return context.fail(QStringLiteral("the property search failed"));
    uuids.removeDuplicates();
    QJsonArray rows;
    for (const QString &uuid : uuids)
        rows.append(QJsonObject{{QStringLiteral("uuid"), uuid}});
    return context.showRows("elements", {{"Uuid", "uuid"}}, rows);
}

} // namespace

QList<Command> entityCommands()
{
    return {
        {"entities", "", "Search the project's entities, a page at a time.", Needs::Project, 0, 0,
         declareEntities, entities, Group::Entities,
         "vhpd entities --name wall --printed-by demo\n"
         "vhpd entities --model \"Block A - Arch\" --floor L04 --page 2",
         "[entity +printedByName]"},
        {"entity-tree", "", "Show the project's entity tree.", Needs::Project, 0, 0, nullptr,
         entityTree, Group::Entities, "vhpd entity-tree", "[entityTree +modelName]"},
        {"properties", "<uuid>...",
         "Show the extended properties of an element, or those several share.", Needs::Project, 1,
         -1, nullptr, properties, Group::Entities,
         "vhpd properties 92471b74-c5e7-dea6-14b9-7097aa5053d1-0006ed33", "[property]"},
        {"property-search", "<text>", "List the elements whose extended properties hold a text.",
         Needs::Project, 1, 1, declarePropertySearch, propertySearch, Group::Entities,
         "vhpd property-search \"Shenzhen Steel\"\n"
         "vhpd property-search Rejected --exact",
         "[{uuid}]"},
    };
}
