#ifndef VHPD_ENTITIES_MODELSERVICE_H
#define VHPD_ENTITIES_MODELSERVICE_H

#include "VHEntityTypes.h"
#include "VHQRCodeTypes.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Requests of the model service for entities, extended properties and print
// records. Each runs one synchronous exchange; project-scoped paths address
// the current project of the settings cache. Outputs are converted from the
// reply also when the exchange fails; each function returns transport success.
namespace ModelService {

// One request for all `entities`, however many; `entities` then holds the
// server's records of them, in reply order.
bool createEntities(QList<VHEntity> &entities);
// `rangeQuery` is the "queryParam" value of the search, empty for none.
// `count` is 0 when the reply has none.
bool getEntityRangeCount(const QString &rangeQuery, int &count);
// Replaces `entities` with one page of the search, newest print first.
bool getEntityRangeData(const QString &rangeQuery, int skip, int limit, QList<VHEntity> &entities);
// Replaces `entities` with those of the model's elements `uuids`.
bool getEntityByGuids(const QString &modelId, const QStringList &uuids, QList<VHEntity> &entities);
// The entity as of `version`; `entity.domainText` keeps the reply's "domain"
// when it is text.
bool getEntityById(const QString &modelId, const QString &entityId, int version, VHEntity &entity);
// Appends the element uuid of every extended-property document that matches.
bool getEntityByExtendProperty(const QString &text, bool exact, QStringList &uuids);
// Replaces `trees` with the project's entity tree.
bool getEntityTree(QList<VHEntityTree> &trees);
// Replaces `display` with the project's property groups and whether each is
// shown; a group listed twice keeps its last setting.
bool getEntityPropertyDisplay(QMap<QString, bool> &display);

bool createGuidExtendProperty(const VHEntityPropertyExtend &extend);
// Appends the documents of the element `uuid`.
bool getExtendPropertyByGuid(const QString &uuid, QList<VHEntityPropertyExtend> &list);
// Replaces `byUuid` with the documents of `uuids`, grouped by element uuid in
// reply order; an element without documents has no key.
bool getExtendPropertyByGuids(const QStringList &uuids,
                              QMap<QString, QList<VHEntityPropertyExtend>> &byUuid);
// Replaces `properties` with the server's merge of the elements' properties.
bool getExtendPropertyMerged(const QStringList &uuids, QList<VHProperty> &properties);
// Writes `properties` to every element of `uuids` at once.
bool putExtendPropertyMerged(const QStringList &uuids, const QList<VHProperty> &properties);

// One request for all `records`.
bool createPrintRecord(const QList<VHPrintRecord> &records);
// Replaces `records` with the print records of the resource, in reply order.
bool getResourcePrintRecord(const QString &resourceId, QList<VHPrintRecord> &records);

} // namespace ModelService

#endif // VHPD_ENTITIES_MODELSERVICE_H
