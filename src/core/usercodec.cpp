#include "usercodec.h"

void parseUser(const QJsonObject &object, VHUser &user)
{
    user.id = object.value(QLatin1String("_id")).toString();
    user.name = object.value(QLatin1String("name")).toString();
    user.nickName = object.value(QLatin1String("nickName")).toString();
    user.avatar = object.value(QLatin1String("avatar")).toString();
    user.phoneNumber = object.value(QLatin1String("phoneNumber")).toString();
    user.signature = object.value(QLatin1String("signature")).toString();
    user.visible = object.value(QLatin1String("visible")).toBool(true);
}
