#ifndef VHPD_SANDBOX_MODELACCESS_H
#define VHPD_SANDBOX_MODELACCESS_H

#include "api.h"
#include "store.h"

#include <QJsonObject>
#include <QStringList>

// Who may read and change which models: per project and user, an overall
// edit right ("value" "true"/"false"), per-tag edit rights ("items") and the
// tags whose models the user may not read ("readDenied").
namespace ModelAccess {

QJsonObject rights(const Store &store, const QString &projectId, const QString &userId);
bool canRead(const QJsonObject &rights, const QJsonObject &model);
bool canEdit(const QJsonObject &rights, const QJsonObject &model);

// A model or history entry as the service shows it to `userId`: internal
// keys removed, "authorized" telling whether the user may read it.
QJsonObject view(const Store &store, const QJsonObject &model, const QString &userId);

// Finds the model `modelId` and checks that the user is a member of its
// project (and, with `edit`, may change it); otherwise sets `failure`.
bool find(const Store &store, const ApiRequest &request, const QString &modelId, bool edit,
          QJsonObject &model, ApiReply &failure);

} // namespace ModelAccess

#endif // VHPD_SANDBOX_MODELACCESS_H
