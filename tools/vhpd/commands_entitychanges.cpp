// Entities by id or uuid, creating them, the shown property groups, and
// writing the elements' extended properties.
#include "context.h"
#include "lookup.h"

#include <VHPrimaryData.h>

#include <algorithm>

namespace {

// Entities by name, or by id, uuid or QR code among the most recently printed.
int show(Context &context)
{
    QList<VHEntity> entities;
    if (const int status = findEntities(context, context.arguments(), entities))
        return status;
    return context.showRows("entities", entityColumns(), entityRows(context, entities));
}

// A model's entities of the elements of these uuids; a uuid without one is a
// failure.
int byUuids(Context &context)
{
    VHModel model;
    if (const int status = findModel(context, context.argument(0), model))
        return status;
    const QStringList uuids = context.arguments().mid(1);
    QList<VHEntity> entities;
    if (!context.data().getEntityByGuids(model.modelId, uuids, entities))
        return context.fail(QStringLiteral("cannot read the entities"));
    QStringList unknown = uuids;
    for (const VHEntity &entity : entities)
        unknown.removeAll(entity.uuid);
    if (!unknown.isEmpty())
        return reportFailure(ExitFailed, QStringLiteral("%1 has no entity of %2")
                                             .arg(model.name, unknown.join(QLatin1String(", "))));
    return context.showRows("entities", entityColumns(), entityRows(context, entities));
}

int byId(Context &context)
{
    int version = 0;
    if (!context.intArgument(2, version))
        return ExitUsage;
    VHModel model;
    if (const int status = findModel(context, context.argument(0), model))
        return status;
    VHEntity entity;
    if (!context.data().getEntityById(model.modelId, context.argument(1), version, entity) ||
        entity.id.isEmpty())
        return context.fail(QStringLiteral("%1 has no entity %2 in version %3")
                                .arg(model.name, context.argument(1))
                                .arg(version));
    QJsonObject object = entityRows(context, {entity}).first().toObject();
    object.insert(QStringLiteral("version"), version);
    context.out.record(entityColumns() + QList<Column>{{"Version", "version"}}, object);
    return ExitOk;
}

void declareCreate(Options &parser)
{
    addOption(parser, "name", "Name of the entity.", "name");
    addOption(parser, "floor", "Floor of the entity.", "floor");
    addOption(parser, "entity-id", "The element's number in the model.", "n");
}

int create(Context &context)
{
    VHModel model;
    if (const int status = findModel(context, context.argument(0), model))
        return status;
    VHEntity entity;
    entity.modelId = model.modelId;
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

void declareSet(Options &parser)
{
    addOption(parser, "set", "A property as category:key=value; may be repeated.", "property");
}

void declarePropertySet(Options &parser)
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
    return context.showRows(
        "properties",
        {{"Uuid", "uuid"}, {"Category", "category"}, {"Key", "key"}, {"Value", "value"}}, rows);
}

} // namespace

QList<Command> entityChangeCommands()
{
    return {
        {"entity", "<entity>...",
         "Show entities: by name, or by id, uuid or QR code among the 5000 most recently printed.",
         Needs::Project, 1, -1, nullptr, show, Group::Entities,
         "vhpd entity \"Pipe Types: Copper - 22mm\"\n"
         "vhpd entity 675946805e17ab1c0d3a64b4 RMC-S-L00-ARC-02741",
         "[entity +printedByName]"},
        {"entities-by-uuids", "<model> <uuid>...", "Show a model's entities of elements.",
         Needs::Project, 2, -1, nullptr, byUuids, Group::Entities,
         "vhpd entities-by-uuids \"Block B - MEP\" UUID1 UUID2", "[entity +printedByName]",
         "entity-by-uuids"},
        {"entity-by-id", "<model> <entity-id> <version>",
         "Show an entity (its number in the model) as of a model version.", Needs::Project, 3, 3,
         nullptr, byId, Group::Entities,
         "vhpd entity-by-id \"Block B - MEP Coordination\" 216843 1",
         "entity +printedByName +version"},
        {"entity-create", "<model> <uuid>", "Create the entity of an element.", Needs::Project, 2,
         2, declareCreate, create, Group::Entities,
         "vhpd entity-create \"Block B - MEP\" UUID --name \"Valve V-12\"", "entity"},
        {"entity-display", "<group>", "Tell whether the project shows a property group.",
         Needs::Project, 1, 1, nullptr, display, Group::Entities, "vhpd entity-display Identity",
         "{\"shown\": true or false}"},
        {"property-create", "<uuid>", "Create the extended properties of an element.",
         Needs::Project, 1, 1, declareSet, propertyCreate, Group::Entities,
         "vhpd property-create UUID --set Site:Zone=North", "propertyDocument"},
        {"property-set", "<uuid>...",
         "Set extended properties of elements, keeping their others (--replace: only these).",
         Needs::Project, 1, -1, declarePropertySet, propertySet, Group::Entities,
         "vhpd property-set UUID --set Quality:Status=Rejected\n"
         "vhpd property-set UUID1 UUID2 --replace --set Site:Zone=East",
         "{\"uuids\": [uuid], \"properties\": [property]}"},
        {"properties-by-uuids", "<uuid>...", "List the extended properties of elements by uuid.",
         Needs::Project, 1, -1, nullptr, propertyByUuids, Group::Entities,
         "vhpd properties-by-uuids UUID1 UUID2", "[property +uuid]", "property-by-uuids"},
    };
}
