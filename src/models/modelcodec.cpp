#include "modelcodec.h"

#include "core/jsonfields.h"
#include "core/requestframe.h"

#include "VHPublicFun.h"

#include <QJsonArray>

using JsonField::dateTime;
using JsonField::stringList;
using JsonField::text;

void parseModel(const QJsonObject &object, VHModel &model)
{
    model.id = text(object, "_id");
    model.modelId = text(object, "modelId");
    // A current model is its own model; only history entries name another.
    if (model.modelId.isEmpty())
        model.modelId = model.id;
    model.linkId = text(object, "linkId");
    model.name = text(object, "name");
    model.authorized = JsonField::boolean(object, "authorized", true);
    model.modelFile = text(object, "modelFile");
    model.remark = text(object, "remark");
    // Through the variant, so that sizes beyond 32 bits keep their exact value.
    model.modelSize = object.value(QLatin1String("modelSize")).toVariant().toLongLong();
    model.version = object.value(QLatin1String("version")).toInt(1);
    model.preprocessed = object.value(QLatin1String("preprocessed")).toInt(0);
    model.tags = stringList(object, "tags");
    model.updatedAt = dateTime(object, "updatedAt");
    model.updatedBy = text(object, "updatedBy");
}

void parseModelSet(const QJsonObject &object, VHModelSet &set)
{
    set.id = text(object, "_id");
    set.name = text(object, "name");
    set.modelIds = stringList(object, "modelIds");
    set.createdAt = dateTime(object, "createdAt");
    set.createdBy = text(object, "createdBy");
}

void modelSetToJson(const VHModelSet &set, QJsonObject &body)
{
    body.insert(QStringLiteral("projectId"),
                RequestFrame::jsonStringOrNull(RequestFrame::currentProjectId()));
    body.insert(QStringLiteral("name"), set.name);
    body.insert(QStringLiteral("modelIds"), QJsonArray::fromStringList(set.modelIds));
}

QString modelSetConditionToWhere(const VHModelSetCondition &condition)
{
    QJsonObject where;
    where.insert(QStringLiteral("createdBy"), condition.createdBy);
    if (!condition.name.isEmpty())
        where.insert(QStringLiteral("name"), condition.name);
    return RequestFrame::compactJson(where);
}

VHModelTag parseModelTag(const QJsonObject &object)
{
    VHModelTag tag;
    tag.id = text(object, "_id");
    tag.name = text(object, "name");
    tag.type = text(object, "type");
    return tag;
}

VHModelTagType parseModelTagType(const QJsonObject &object)
{
    VHModelTagType type;
    type.id = text(object, "_id");
    type.name = text(object, "name");
    type.isDefault = JsonField::boolean(object, "default", false);
    return type;
}
