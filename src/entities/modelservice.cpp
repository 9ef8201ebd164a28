#include "modelservice.h"

#include "core/jsonfields.h"
#include "core/requestframe.h"
#include "entities/entitycodec.h"
#include "entities/extendpropertycodec.h"
#include "entities/qrcodes/qrcodec.h"
#include "entities/querybuilder.h"

#include <QJsonArray>

using namespace RequestFrame;

namespace ModelService {

bool createEntities(QList<VHEntity> &entities)
{
    QJsonArray body;
    for (const VHEntity &entity : entities)
        body.append(entityToJson(entity));
    const Exchange reply =
        Exchange::post(url(Service::Model, "projects/%1/entities", currentProjectId()), body);
    entities.clear();
    return reply.appendList(entities, parseEntity);
}

bool getEntityRangeCount(const QString &rangeQuery, int &count)
{
    const Exchange reply =
        Exchange::get(url(Service::Model, "projects/%1/entities?queryParam=%2&only_count=true",
                          currentProjectId(), rangeQuery));
    count = JsonField::integer(reply.object(), "count");
    return reply.isSuccessful();
}

bool getEntityRangeData(const QString &rangeQuery, int skip, int limit, QList<VHEntity> &entities)
{
    const Exchange reply = Exchange::get(
        url(Service::Model, "projects/%1/entities?queryParam=%2&skip=%3&limit=%4&order=-printedAt",
            currentProjectId(), rangeQuery, skip, limit));
    entities.clear();
    return reply.appendList(entities, parseEntity);
}

bool getEntityByGuids(const QString &modelId, const QStringList &uuids, QList<VHEntity> &entities)
{
    const Exchange reply =
        Exchange::get(url(Service::Model, "projects/%1/entities?queryParam=%2", currentProjectId(),
                          queryParam(entityUuidQuery(modelId, uuids))));
    entities.clear();
    return reply.appendList(entities, parseEntity);
}

bool getEntityById(const QString &modelId, const QString &entityId, int version, VHEntity &entity)
{
    const Exchange reply = Exchange::get(url(
        Service::Model, "tesselo/models/%1/entities/%2?version=%3", modelId, entityId, version));
    const QJsonObject data = JsonField::object(reply.object(), "data");
    parseEntity(data, entity);
    // The by-version store may name the domain by text, which the integer
    // field cannot hold.
    entity.domainText = JsonField::text(data, "domain");
    return reply.isSuccessful();
}

bool getEntityByExtendProperty(const QString &text, bool exact, QStringList &uuids)
{
    const Exchange reply =
        Exchange::get(url(Service::Model, "projects/%1/extend_properties?where=%2",
                          currentProjectId(), compactJson(propertySearchQuery(text, exact))));
    for (const QJsonObject &document : reply.objectList())
        uuids.append(JsonField::text(document, "uuid"));
    return reply.isSuccessful();
}

bool getEntityTree(QList<VHEntityTree> &trees)
{
    const Exchange reply =
        Exchange::get(url(Service::Model, "projects/%1/entityTrees", currentProjectId()));
    trees.clear();
    return reply.appendList(trees, parseEntityTree);
}

bool getEntityPropertyDisplay(QMap<QString, bool> &display)
{
    const Exchange reply =
        Exchange::get(url(Service::Model, "entitySettings/%1", currentProjectId()));
    display.clear();
    for (const QJsonObject &setting : reply.objectList())
        display.insert(JsonField::text(setting, "group"),
                       JsonField::boolean(setting, "visible", false));
    return reply.isSuccessful();
}

bool createGuidExtendProperty(const VHEntityPropertyExtend &extend)
{
    return Exchange::post(url(Service::Model, "extend_properties"),
                          entityPropertyExtendToJson(extend))
        .isSuccessful();
}

bool getExtendPropertyByGuid(const QString &uuid, QList<VHEntityPropertyExtend> &list)
{
    const Exchange reply =
        Exchange::get(url(Service::Model, R"(projects/%1/extend_properties?where={"uuid":"%2"})",
                          currentProjectId(), uuid));
    for (const QJsonObject &document : reply.objectList())
        list.append(parseEntityPropertyExtend(document));
    return reply.isSuccessful();
}

bool getExtendPropertyByGuids(const QStringList &uuids,
                              QMap<QString, QList<VHEntityPropertyExtend>> &byUuid)
{
    byUuid.clear();
    const Exchange reply =
        Exchange::get(url(Service::Model, "projects/%1/extend_properties?queryParam=%2",
                          currentProjectId(), queryParam(uuidQuery(uuids))));
    for (const QJsonObject &document : reply.objectList()) {
        const VHEntityPropertyExtend extend = parseEntityPropertyExtend(document);
        byUuid[extend.uuid].append(extend);
    }
    return reply.isSuccessful();
}

bool getExtendPropertyMerged(const QStringList &uuids, QList<VHProperty> &properties)
{
    const Exchange reply =
        Exchange::get(url(Service::Model, "projects/%1/extend_properties?merge=true&queryParam=%2",
                          currentProjectId(), queryParam(uuidQuery(uuids))));
    // The merge comes back as a single document of all the elements.
    properties = parseEntityPropertyExtend(reply.object()).properties;
    return reply.isSuccessful();
}

bool putExtendPropertyMerged(const QStringList &uuids, const QList<VHProperty> &properties)
{
    const QJsonObject body{{QStringLiteral("projectId"), jsonStringOrNull(currentProjectId())},
                           {QStringLiteral("uuids"), QJsonArray::fromStringList(uuids)},
                           {QStringLiteral("properties"), propertiesToJson(properties)}};
    return Exchange::put(url(Service::Model, "projects/%1/extend_properties", currentProjectId()),
                         body)
        .isSuccessful();
}

bool createPrintRecord(const QList<VHPrintRecord> &records)
{
    QJsonArray body;
    for (const VHPrintRecord &record : records)
        body.append(printRecordToJson(record));
    return Exchange::post(url(Service::Model, "printRecords"), body).isSuccessful();
}

bool getResourcePrintRecord(const QString &resourceId, QList<VHPrintRecord> &records)
{
    const Exchange reply =
        Exchange::get(url(Service::Model, "resource/%1/printRecords", resourceId));
    records.clear();
    return reply.appendList(records, parsePrintRecord);
}

} // namespace ModelService
