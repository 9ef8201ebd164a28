#ifndef VHPD_SANDBOX_MODELVERSIONS_H
#define VHPD_SANDBOX_MODELVERSIONS_H

#include "store.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>

// A model's versions and what changed between them. Each history entry after
// the first lists its changes against the version before: entities added
// ("add"), modified ("mod", with the kind of change in "diff") and deleted
// ("del", with what the entity was). From those the sandbox tells which
// entities a version holds and how their properties read in it.
namespace ModelVersions {

// The model's history entries, oldest version first.
QList<QJsonObject> history(const Store &store, const QString &modelId);
bool hasVersion(const Store &store, const QString &modelId, int version);

// Whether the stored entity is part of the model at `version`.
bool entityInVersion(const Store &store, const QJsonObject &entity, int version);

// The entities that differ between two versions, each {"uuid", "name",
// "status"} plus "diff" for modified ones, entities in stored order.
QJsonArray compare(const Store &store, const QString &modelId, int base, int other);

// One entity with its properties as they read at `version`: {"name",
// "entityId" (a number), "floor", "category", "domain", "properties":
// [{"group", "key", "value"}]}; an empty object when the version lacks it.
QJsonObject entityProperties(const Store &store, const QString &modelId, const QString &uuid,
                             int version);

} // namespace ModelVersions

#endif // VHPD_SANDBOX_MODELVERSIONS_H
