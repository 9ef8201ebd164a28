#include "statisticscodec.h"

#include "core/jsonfields.h"

using JsonField::integer;

VHStatisticsQuantity parseStatisticsQuantity(const QJsonObject &object)
{
    VHStatisticsQuantity quantity;
    quantity.type = JsonField::text(object, "type");
    quantity.year = integer(object, "year");
    quantity.month = integer(object, "month");
    quantity.week = integer(object, "week");
    quantity.day = integer(object, "day");
    quantity.total = integer(object, "total");
    return quantity;
}
