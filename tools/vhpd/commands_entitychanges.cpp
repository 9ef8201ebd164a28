// Entities by id or uuid, creating them, the shown property groups, and
// writing the elements' extended properties.
#include "context.h"

#include <VHPrimaryData.h>

#include <QCommandLineParser>

#include <algorithm>

namespace {

const QList<Column> kEntityColumns = {
    {"Name", "name"}, {"Floor", "floor"}, {"Printed", "printed"}, {"Uuid", "uuid"}, {"Id", "id"}};

// The entities of the newest page of the whole project's search, as the
// library remembers them for reads by id.
int show(Context &context)
{
    int limit = 0;
    if (!context.intValue("within", 100, 1, limit))
        return ExitUsage;
    int count = 0;
    QList<VHEntity> page;
    if (!context.data().getEntityRangeCount(VHEntityCondition(), count) ||
        !context.data().getEntityRangeData(0, limit, page))
        return context.fail(QStringLiteral("cannot search the entities"));
    QList<VHEntity> entities;
    if (context.arguments().size() == 1) {
        VHEntity entity;
        context.data().getEntity(context.argument(0), entity);
        entities.append(entity);
    } else {
        context.data().getEntities(context.arguments(), entities);
    }
    context.out.list(kEntityColumns, toJsonArray(entities), QStringLiteral("No entities."));
    return ExitOk;
}

void declareShow(QCommandLineParser &parser)
{
    addOption(parser, "within", "How many of the newest entities to look in (default 100).", "n");
}

int byUuids(Context &context)
{
    QList<VHEntity> entities;
    if (!context.data().getEntityByGuids(context.argument(0), context.arguments().mid(1), entities))
        return context.fail(QStringLiteral("cannot read the entities"));
    context.out.list(kEntityColumns, toJsonArray(entities), QStringLiteral("No entities."));
    return ExitOk;
}

int byId(Context &context)
{
    int version = 0;
    if (!context.intArgument(2, version))
        return ExitUsage;
    VHEntity entity;
    if (!context.data().getEntityById(context.argument(0), context.argument(1), version, entity))
        return context.fail(QStringLiteral("no entity %1").arg(context.argument(1)));
    QJsonObject object = toJson(entity);
    object.insert(QStringLiteral("version"), version);
    context.out.record(kEntityColumns + QList<Column>{{"Version", "version"}}, object);
    return ExitOk;
}

void declareCreate(QCommandLineParser &parser)
{
    addOption(parser, "name", "Name of the entity.", "name");
    addOption(parser, "floor", "Floor of the entity.", "floor");
    addOption(parser, "entity-id", "The element's number in the model.", "n");
}

int create(Context &context)
{
    VHEntity entity;
    entity.modelId = context.argument(0);
    entity.uuid = context.argument(1);
    entity.name = context.value("name");
    entity.floor = context.value("floor");
    entity.entityId = context.value("entity-id");
    QList<VHEntity> entities{entity};
    if (!context.data().createEntities(entities) || entities.isEmpty())
        return context.fail(QStringLiteral("cannot create the entity %1").arg(entity.uuid));
    return context.report(
        QStringLiteral("Created entity %1 (%2).").arg(entity.uuid, entities.first().id),
        toJson(entities.first()));
}

// Whether the project shows a property group, after loading the settings.
int display(Context &context)
{
    if (!context.data().getEntityPropertyDisplay())
        return context.fail(QStringLiteral("cannot read which property groups are shown"));
    const bool shown = context.data().isEntityPropertyDisplay(context.argument(0));
    return context.report(shown ? QStringLiteral("shown") : QStringLiteral("hidden"),
                          {{QStringLiteral("shown"), shown}});
}

void declareSet(QCommandLineParser &parser)
{
    addOption(parser, "set", "A property as category:key=value; may be repeated.", "property");
}

void declarePropertySet(QCommandLineParser &parser)
{
    declareSet(parser);
    addOption(parser, "replace",
              "Replace each element's whole set of extended properties with the --set ones, "
              "deleting the others (without it, each --set changes or adds one property and "
              "the others are kept).");
}

// The --set options as properties; false after a usage error.
bool readProperties(Context &context, QList<VHProperty> &properties)
{
    for (const QString &text : context.values("set")) {
        const int colon = text.indexOf(QLatin1Char(':'));
        const int equals = text.indexOf(QLatin1Char('='), colon + 1);
        if (colon <= 0 || equals <= colon + 1) {
            context.usage(QStringLiteral("--set needs category:key=value, not \"%1\"").arg(text));
            return false;
        }
        properties.append(
            {text.left(colon), text.mid(colon + 1, equals - colon - 1), text.mid(equals + 1)});
    }
    if (properties.isEmpty())
        context.usage(QStringLiteral("give at least one --set"));
    return !properties.isEmpty();
}

int propertyCreate(Context &context)
{
    VHEntityPropertyExtend extend;
    extend.uuid = context.argument(0);
    extend.projectId = context.session.projectId;
    if (!readProperties(context, extend.properties))
        return ExitUsage;
    if (!context.data().createGuidExtendProperty(extend))
        return context.fail(QStringLiteral("cannot create the properties of %1").arg(extend.uuid));
    return context.report(QStringLiteral("Created the properties of %1.").arg(extend.uuid),
                          toJson(extend));
}

// `changes` applied to `properties`: a property of the same category and key
// takes the new value, any other is added at the end.
QList<VHProperty> merged(QList<VHProperty> properties, const QList<VHProperty> &changes)
{
    for (const VHProperty &change : changes) {
        const auto same = std::find_if(
            properties.begin(), properties.end(), [&change](const VHProperty &property) {
                return property.category == change.category && property.key == change.key;
            });
        if (same != properties.end())
            same->value = change.value;
        else
            properties.append(change);
    }
    return properties;
}

// The server replaces an element's whole set of extended properties, so a
// change is merged into each element's current set and that is written back;
// --replace writes exactly the given properties.
int propertySet(Context &context)
{
    QList<VHProperty> changes;
    if (!readProperties(context, changes))
        return ExitUsage;
    const QStringList uuids = context.arguments();
    const QJsonObject written{{QStringLiteral("uuids"), QJsonArray::fromStringList(uuids)},
                              {QStringLiteral("properties"), toJsonArray(changes)}};
    if (context.isSet("replace")) {
        if (!context.data().putExtendPropertyMerged(uuids, changes))
            return context.fail(QStringLiteral("cannot write the properties"));
        return context.report(QStringLiteral("Replaced the properties of %1 elements with %2.")
                                  .arg(uuids.size())
                                  .arg(changes.size()),
                              written);
    }
    QMap<QString, QList<VHEntityPropertyExtend>> current;
    if (!context.data().getExtendPropertyByGuids(uuids, current))
        return context.fail(QStringLiteral("cannot read the current properties"));
    for (int i = 0; i < uuids.size(); ++i) {
        QList<VHProperty> properties;
        for (const VHEntityPropertyExtend &extend : current.value(uuids[i]))
            properties += extend.properties;
        properties = merged(properties, changes);
        if (!context.data().putExtendPropertyMerged({uuids[i]}, properties))
            return context.fail(
                QStringLiteral("cannot write the properties of %1 (%2 of %3 elements written)")
                    .arg(uuids[i])
                    .arg(i)
                    .arg(uuids.size()));
    }
    return context.report(QStringLiteral("Set %1 properties on %2 elements; their other "
                                         "properties are kept.")
                              .arg(changes.size())
                              .arg(uuids.size()),
                          written);
}

// The extended properties of several elements, one row per property.
int propertyByUuids(Context &context)
{
    QMap<QString, QList<VHEntityPropertyExtend>> byUuid;
    if (!context.data().getExtendPropertyByGuids(context.arguments(), byUuid))
        return context.fail(QStringLiteral("cannot read the extended properties"));
    QJsonArray rows;
    for (auto it = byUuid.constBegin(); it != byUuid.constEnd(); ++it) {
        for (const VHEntityPropertyExtend &extend : it.value()) {
            for (const VHProperty &property : extend.properties) {
                QJsonObject row = toJson(property);
                row.insert(QStringLiteral("uuid"), it.key());
                rows.append(row);
            }
        }
    }
    context.out.list(
        {{"Uuid", "uuid"}, {"Category", "category"}, {"Key", "key"}, {"Value", "value"}}, rows,
        QStringLiteral("No properties."));
    return ExitOk;
}

} // namespace

QList<Command> entityChangeCommands()
{
    return {
        {"entity", "<id>...", "Show entities by id among the newest of the project.",
         Needs::Project, 1, -1, declareShow, show},
        {"entity-by-uuids", "<model-id> <uuid>...", "Show a model's entities of elements.",
         Needs::Project, 2, -1, nullptr, byUuids},
        {"entity-by-id", "<model-id> <entity-id> <version>",
         "Show an entity as of a model version.", Needs::Project, 3, 3, nullptr, byId},
        {"entity-create", "<model-id> <uuid>", "Create the entity of an element.", Needs::Project,
         2, 2, declareCreate, create},
        {"entity-display", "<group>", "Tell whether the project shows a property group.",
         Needs::Project, 1, 1, nullptr, display},
        {"property-create", "<uuid>", "Create the extended properties of an element.",
         Needs::Project, 1, 1, declareSet, propertyCreate},
        {"property-set", "<uuid>...",
         "Set extended properties of elements, keeping their others (--replace: only these).",
         Needs::Project, 1, -1, declarePropertySet, propertySet},
        {"property-by-uuids", "<uuid>...", "List the extended properties of elements by uuid.",
         Needs::Project, 1, -1, nullptr, propertyByUuids},
    };
}
