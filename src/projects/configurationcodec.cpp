#include "configurationcodec.h"

#include "core/jsonfields.h"

using JsonField::text;

namespace {

// The English name of a record's "i18n" object.
QString englishName(const QJsonObject &object)
{
    return text(JsonField::object(object, "i18n"), "en_US");
}

} // namespace

void parseEncodePair(const QJsonObject &object, VHEncodePair &pair)
{
    pair.id = text(object, "_id");
    pair.key = text(object, "key");
    pair.value = text(object, "value");
}

void parseEncodeRule(const QJsonObject &object, VHEncodeRule &rule)
{
    rule.id = text(object, "_id");
    rule.rule = text(object, "rule");
    rule.separator = text(object, "separator");
}

void parseModule(const QJsonObject &object, VHModule &module)
{
    module.id = text(object, "_id");
    module.name = text(object, "nickName");
    if (module.name.isEmpty())
        module.name = text(object, "name");
    module.i18nName = englishName(object);
    module.key = text(object, "key");
    module.category = text(object, "category");
    module.icon = text(object, "icon");
    module.value = JsonField::boolean(object, "value", true);
    module.internal = JsonField::boolean(object, "internal", false);
    module.enable = JsonField::boolean(object, "enable", true);
    module.statistics = JsonField::boolean(object, "statistics", false);
}

void parseModuleGroup(const QJsonObject &object, VHModuleGroup &group)
{
    group.id = text(object, "_id");
    group.name = text(object, "name");
    group.parentId = text(object, "parentId");
    group.type = text(object, "type");
    group.i18nName = englishName(object);
    parseModule(JsonField::object(object, "module"), group.module);
}

void parsePeriods(const QJsonArray &array, QList<VHPeriod> &periods)
{
    for (const QJsonValue &element : array) {
        VHPeriod period;
        const QJsonArray properties = JsonField::array(element.toObject(), "properties");
        for (const QJsonValue &item : properties) {
            const QJsonObject property = item.toObject();
            const QJsonValue value = property.value(QLatin1String("value"));
            QString valueText = value.toString();
            if (valueText.isEmpty())
                valueText = QString::number(value.toDouble(0.0), 'g', 6);
            period.properties.insert(text(property, "key"), valueText);
        }
        periods.append(period);
    }
}
