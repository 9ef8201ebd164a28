#include "usercodec.h"

#include "jsonfields.h"

using JsonField::text;

void parseUser(const QJsonObject &object, VHUser &user)
{
    user.id = text(object, "_id");
    user.name = text(object, "name");
    user.nickName = text(object, "nickName");
    user.avatar = text(object, "avatar");
    user.phoneNumber = text(object, "phoneNumber");
    user.signature = text(object, "signature");
    user.visible = JsonField::boolean(object, "visible", true);
}
