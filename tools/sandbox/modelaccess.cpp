#include "modelaccess.h"

#include "routesupport.h"

#include <QJsonArray>

namespace ModelAccess {

namespace {

QStringList tagsOf(const QJsonObject &model)
{
    QStringList tags;
    for (const QJsonValue &tag : model.value(QLatin1String("tags")).toArray())
        tags.append(tag.toString());
    return tags;
}

} // namespace

QJsonObject rights(const Store &store, const QString &projectId, const QString &userId)
{
    return store.first(QStringLiteral("model_rights"), [&](const QJsonObject &entry) {
        return entry.value(QLatin1String("projectId")).toString() == projectId &&
               entry.value(QLatin1String("userId")).toString() == userId;
    });
}

bool canRead(const QJsonObject &rights, const QJsonObject &model)
{
    const QJsonArray denied = rights.value(QLatin1String("readDenied")).toArray();
    for (const QString &tag : tagsOf(model)) {
        if (denied.contains(tag))
            return false;
    }
    return true;
}

bool canEdit(const QJsonObject &rights, const QJsonObject &model)
{
    if (rights.value(QLatin1String("value")).toString() != QLatin1String("true"))
        return false;
    const QStringList tags = tagsOf(model);
    for (const QJsonValue &item : rights.value(QLatin1String("items")).toArray()) {
        const QJsonObject right = item.toObject();
        if (tags.contains(right.value(QLatin1String("rId")).toString()) &&
            right.value(QLatin1String("value")).toString() != QLatin1String("true"))
            return false;
    }
    return canRead(rights, model);
}

QJsonObject view(const Store &store, const QJsonObject &model, const QString &userId)
{
    QJsonObject shown = model;
    shown.remove(QStringLiteral("changes"));
    shown.insert(
        QStringLiteral("authorized"),
        canRead(rights(store, model.value(QLatin1String("projectId")).toString(), userId), model));
    return shown;
}

bool find(const Store &store, const ApiRequest &request, const QString &modelId, bool edit,
          QJsonObject &model, ApiReply &failure)
{
    const QString projectKey = QStringLiteral("projectId");
    if (!findInOwnProject(store, request, QStringLiteral("models"), modelId, projectKey,
                          QStringLiteral("model \"%1\"").arg(modelId), model, failure))
        return false;
    const QString projectId = model.value(projectKey).toString();
    if (edit && !canEdit(rights(store, projectId, request.userId), model)) {
        failure = ApiReply::error(403, 40301, QStringLiteral("you may not change this model"));
        return false;
    }
    return true;
}

} // namespace ModelAccess
