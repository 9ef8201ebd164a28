#include "records.h"

#include <VHPublicFun.h>

#include <initializer_list>
#include <utility>

namespace {

using Member = std::pair<const char *, QJsonValue>;

QJsonObject object(std::initializer_list<Member> members)
{
    QJsonObject result;
    for (const Member &member : members)
        result.insert(QLatin1String(member.first), member.second);
    return result;
}

QJsonValue when(const QDateTime &dateTime)
{
    return VHPub::getQStringByDateTime(dateTime);
}

QJsonValue strings(const QStringList &list)
{
    return QJsonArray::fromStringList(list);
}

// An {id, name} record: domains, species, subcontracts.
template<typename Named> QJsonObject named(const Named &record)
{
    return object({{"id", record.id}, {"name", record.name}});
}

} // namespace

QJsonObject toJson(const VHUser &user)
{
    return object({{"id", user.id},
                   {"name", user.name},
                   {"nickName", user.nickName},
                   {"avatar", user.avatar},
                   {"phoneNumber", user.phoneNumber},
                   {"structureId", user.structureId},
                   {"signature", user.signature},
                   {"visible", user.visible}});
}

QJsonObject toJson(const VHProject &project)
{
    return object({{"id", project.id},
                   {"name", project.name},
                   {"sortName", project.sortName},
                   {"description", project.description},
                   {"enterpriseId", project.enterpriseId},
                   {"circleId", project.circleId},
                   {"location", project.location},
                   {"paymentId", project.paymentId},
                   {"pictures", strings(project.pictures)},
                   {"state", project.state},
                   {"province", project.province},
                   {"city", project.city},
                   {"area", project.area},
                   {"road", project.road},
                   {"adminIds", strings(project.adminIds)},
                   {"status", project.status},
                   {"platforms", strings(project.platforms)},
                   {"duration", project.duration},
                   {"startAt", when(project.startAt)},
                   {"endAt", when(project.endAt)},
                   {"expireAt", when(project.expireAt)},
                   {"createdAt", when(project.createAt)},
                   {"createdBy", project.createBy},
                   {"updatedAt", when(project.updateAt)},
                   {"updatedBy", project.updateBy}});
}

QJsonObject toJson(const VHMemRequest &request)
{
    return object({{"id", request.id},
                   {"hostId", request.hostId},
                   {"type", request.type},
                   {"userId", request.userId},
                   {"status", request.status},
                   {"invitationId", request.invitationId},
                   {"invitedBy", request.invitedBy},
                   {"createdBy", request.createdBy},
                   {"approvedBy", request.approvedBy},
                   {"approvedData", object({{"remark", request.approvedData.remark},
                                            {"positionId", request.approvedData.positionId},
                                            {"structureId", request.approvedData.structureId}})},
                   {"user", toJson(request.user)}});
}

QJsonObject toJson(const VHCircle &circle)
{
    return object({{"id", circle.id},
                   {"name", circle.name},
                   {"sortName", circle.sortName},
                   {"enterpriseId", circle.enterpriseId},
                   {"parentId", circle.parentId}});
}

QJsonObject toJson(const VHEnterprise &enterprise)
{
    return object(
        {{"id", enterprise.id}, {"name", enterprise.name}, {"sortName", enterprise.sortName}});
}

QJsonObject toJson(const VHStructure &structure)
{
    return object({{"id", structure.id},
                   {"name", structure.name},
                   {"hostId", structure.hostId},
                   {"parentId", structure.parentId},
                   {"authTemplateId", structure.authTemplateId},
                   {"type", structure.type},
                   {"level", structure.level}});
}

QJsonObject toJson(const VHDomain &domain)
{
    return named(domain);
}

QJsonObject toJson(const VHSpecies &species)
{
    return named(species);
}

QJsonObject toJson(const VHSubcontract &subcontract)
{
    return named(subcontract);
}

QJsonObject toJson(const VHEncodePair &pair)
{
    return object({{"id", pair.id}, {"key", pair.key}, {"value", pair.value}});
}

QJsonObject toJson(const VHEncodeRule &rule)
{
    return object({{"id", rule.id}, {"rule", rule.rule}, {"separator", rule.separator}});
}

QJsonObject toJson(const VHModule &module)
{
    return object({{"id", module.id},
                   {"name", module.name},
                   {"i18nName", module.i18nName},
                   {"key", module.key},
                   {"category", module.category},
                   {"icon", module.icon},
                   {"value", module.value},
                   {"internal", module.internal},
                   {"enabled", module.enable},
                   {"statistics", module.statistics}});
}

QJsonObject toJson(const VHModuleGroup &group)
{
    return object({{"id", group.id},
                   {"name", group.name},
                   {"i18nName", group.i18nName},
                   {"parentId", group.parentId},
                   {"type", group.type},
                   {"module", toJson(group.module)}});
}

QJsonObject toJson(const VHPeriod &period)
{
    QJsonObject properties;
    for (auto it = period.properties.constBegin(); it != period.properties.constEnd(); ++it)
        properties.insert(it.key(), it.value());
    return object({{"properties", properties}});
}

QJsonObject toJson(const VHModel &model)
{
    QJsonObject mapModelTag;
    for (auto it = model.mapModelTag.constBegin(); it != model.mapModelTag.constEnd(); ++it)
        mapModelTag.insert(it.key(), it.value());
    return object({{"id", model.id},
                   {"modelId", model.modelId},
                   {"linkId", model.linkId},
                   {"name", model.name},
                   {"modelFile", model.modelFile},
                   {"remark", model.remark},
                   {"modelSize", model.modelSize},
                   {"authorized", model.authorized},
                   {"version", model.version},
                   {"preprocessed", model.preprocessed},
                   {"tags", strings(model.tags)},
                   {"mapModelTag", mapModelTag},
                   {"updatedAt", when(model.updatedAt)},
                   {"updatedBy", model.updatedBy}});
}

QJsonObject toJson(const VHModelSet &set)
{
    return object({{"id", set.id},
                   {"name", set.name},
                   {"modelIds", strings(set.modelIds)},
                   {"createdAt", when(set.createdAt)},
                   {"createdBy", set.createdBy}});
}

QJsonObject toJson(const VHModelTag &tag)
{
    return object({{"id", tag.id}, {"name", tag.name}, {"type", tag.type}});
}

QJsonObject toJson(const VHModelTagType &type)
{
    return object({{"id", type.id},
                   {"name", type.name},
                   {"isDefault", type.isDefault},
                   {"tags", toJsonArray(type.tags)}});
}

QJsonObject toJson(const VHEntity &entity)
{
    return object({{"id", entity.id},
                   {"uuid", entity.uuid},
                   {"model", entity.model},
                   {"modelId", entity.modelId},
                   {"qrCode", entity.qrCode},
                   {"printed", entity.printed},
                   {"name", entity.name},
                   {"entityId", entity.entityId},
                   {"floor", entity.floor},
                   {"domain", entity.domain},
                   {"category", entity.category},
                   {"printedAt", when(entity.printedAt)},
                   {"printedBy", entity.printedBy}});
}

QJsonObject toJson(const VHEntityTree &tree)
{
    QJsonArray floors;
    for (const VHEntityTreeFloor &floor : tree.floors) {
        QJsonArray domains;
        for (const VHEntityTreeDomain &domain : floor.domains) {
            QJsonArray categories;
            for (int category : domain.categories)
                categories.append(category);
            domains.append(object({{"domain", domain.domain}, {"categories", categories}}));
        }
        floors.append(object({{"floor", floor.floor}, {"domains", domains}}));
    }
    return object({{"modelId", tree.modelId}, {"group", tree.group}, {"floors", floors}});
}

QJsonObject toJson(const VHProperty &property)
{
    return object(
        {{"category", property.category}, {"key", property.key}, {"value", property.value}});
}

QJsonObject toJson(const VHEntityPropertyVersion &version)
{
    return object({{"name", version.name},
                   {"entityId", version.entityId},
                   {"floor", version.floor},
                   {"category", version.category},
                   {"domain", version.domain},
                   {"properties", toJsonArray(version.properties)}});
}

QJsonObject toJson(const VHEntityPropertyExtend &extend)
{
    return object({{"uuid", extend.uuid},
                   {"projectId", extend.projectId},
                   {"properties", toJsonArray(extend.properties)}});
}

QJsonObject toJson(const VHQRSetting &setting)
{
    return object({{"id", setting.id}, {"type", setting.type}, {"logo", setting.logo}});
}

QJsonObject toJson(const VHQRTemplate &qrTemplate)
{
    QJsonArray data;
    for (const VHQRTemplateItem &item : qrTemplate.data)
        data.append(
            object({{"key", item.key}, {"value", item.value}, {"property", item.property}}));
    return object({{"id", qrTemplate.id},
                   {"name", qrTemplate.name},
                   {"type", qrTemplate.type},
                   {"data", data}});
}

QJsonObject toJson(const VHPrintRecord &record)
{
    return object({{"id", record.id},
                   {"rId", record.rId},
                   {"logo", record.logo},
                   {"type", record.type},
                   {"properties", strings(record.properties)},
                   {"createdAt", when(record.createdAt)},
                   {"createdBy", record.createdBy}});
}

QJsonObject toJson(const VHStatisticsQuantity &quantity)
{
    return object({{"type", quantity.type},
                   {"year", quantity.year},
                   {"month", quantity.month},
                   {"week", quantity.week},
                   {"day", quantity.day},
                   {"total", quantity.total}});
}

QJsonObject toJson(const UpdateInfo &info)
{
    return object({{"id", info.id},
                   {"name", info.name},
                   {"version", info.version},
                   {"fileId", info.fileId},
                   {"device", info.device},
                   {"description", info.description},
                   {"build", info.build},
                   {"forced", info.forced}});
}
