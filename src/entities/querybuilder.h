#ifndef VHPD_ENTITIES_QUERYBUILDER_H
#define VHPD_ENTITIES_QUERYBUILDER_H

#include "VHEntityTypes.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Query documents in the model service's MongoDB style, and the two ways a
// finished document travels in a URL:
// - "where=": the compact JSON text as it stands (RequestFrame::compactJson);
// - "queryParam=": that text as the transport encodes it (queryParam below).

// {"$in": [...]} over `values` in order; an empty text becomes null.
QJsonObject makeInClause(const QStringList &values);
// {"$in": [...]} over `values` in order, as numbers.
QJsonObject makeInClause(const QList<int> &values);

// The compact JSON text of the entity search for `condition`; "{}" when the
// condition filters nothing.
QString entityConditionToQuery(const VHEntityCondition &condition);

// {"uuid": {"$in": uuids}}: the extended properties of these model elements.
QJsonObject uuidQuery(const QStringList &uuids);
// {"uuid": {"$in": uuids}, "modelId": modelId}: the entities of these elements
// of one model; the model id is sent as text even when empty.
QJsonObject entityUuidQuery(const QString &modelId, const QStringList &uuids);
// Extended properties whose key, value or category equals `text` (exact) or
// matches it as a case-insensitive regular expression. The text is not escaped.
QJsonObject propertySearchQuery(const QString &text, bool exact);

// The value of a "queryParam=" parameter for compact JSON text, as the
// transport encodes it. Its output may hold percent signs ("%2C" for a comma),
// so URLs that carry it must be filled in one pass (RequestFrame::url).
QString queryParam(const QString &json);
QString queryParam(const QJsonObject &document);

#endif // VHPD_ENTITIES_QUERYBUILDER_H
