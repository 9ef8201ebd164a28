#include "projectcodec.h"

#include "core/jsonfields.h"
#include "core/requestframe.h"

#include "VHPublicFun.h"

#include <QJsonArray>

using JsonField::dateTime;
using JsonField::integer;
using JsonField::stringList;
using JsonField::text;

namespace {

QJsonObject notIn(const QStringList &ids)
{
    QJsonObject clause;
    clause.insert(QStringLiteral("$nin"), QJsonArray::fromStringList(ids));
    return clause;
}

} // namespace

void parseProject(const QJsonObject &object, VHProject &project)
{
    project.id = text(object, "_id");
    project.name = text(object, "name");
    project.sortName = text(object, "sortName");
    project.description = text(object, "description");
    project.enterpriseId = text(object, "enterpriseId");
    project.circleId = text(object, "circleId");
    project.location = text(object, "location");
    project.paymentId = text(object, "paymentId");
    project.platforms = stringList(object, "platforms");
    project.status = integer(object, "status");
    project.duration = integer(object, "duration");

    // The service sends picture objects; the record keeps their file ids.
    project.pictures.clear();
    const QJsonArray pictures = JsonField::array(object, "pictures");
    for (const QJsonValue &picture : pictures)
        project.pictures.append(text(picture.toObject(), "fileId"));

    project.adminIds = stringList(object, "adminIds");
    project.startAt = dateTime(object, "startAt");
    project.endAt = dateTime(object, "endAt");
    project.expireAt = dateTime(object, "expireAt");
    project.createAt = dateTime(object, "createAt");
    project.createBy = text(object, "createBy");
    project.updateAt = dateTime(object, "updateAt");
    project.updateBy = text(object, "updateBy");

    const QJsonObject address = JsonField::object(object, "address");
    project.state = text(address, "state");
    project.province = text(address, "province");
    project.city = text(address, "city");
    project.area = text(address, "area");
    project.road = text(address, "road");
}

QJsonObject projectToJson(const VHProject &project)
{
    QJsonObject body;
    body.insert(QStringLiteral("name"), project.name);
    body.insert(QStringLiteral("description"), project.description);
    body.insert(QStringLiteral("location"), project.location);
    return body;
}

QString projectConditionToWhere(const VHProjectCondition &condition)
{
    QJsonObject where;
    if (!condition.words.isEmpty())
        where.insert(QStringLiteral("words"), condition.words);
    if (condition.status != -1)
        where.insert(QStringLiteral("status"), condition.status);

    switch (condition.ownerType) {
    case 0:
        if (condition.ownerId != QLatin1String("null")) {
            // An enterprise scope matches the id as enterprise or as circle.
            where.insert(QStringLiteral("enterpriseId"), condition.ownerId);
            where.insert(QStringLiteral("circleId"), condition.ownerId);
        } else {
            // No particular enterprise: everything but the excluded owners.
            if (!condition.excludeEnterpriseIds.isEmpty())
                where.insert(QStringLiteral("enterpriseId"), notIn(condition.excludeEnterpriseIds));
            if (!condition.excludeCircleIds.isEmpty())
                where.insert(QStringLiteral("circleId"), notIn(condition.excludeCircleIds));
        }
        break;
    case 1:
        where.insert(QStringLiteral("circleId"), condition.ownerId);
        break;
    default:
        break;
    }

    return RequestFrame::compactJson(where) + QLatin1String("&expandPayment=true");
}
