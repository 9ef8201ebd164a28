#include "membercodec.h"

#include "core/jsonfields.h"

using JsonField::text;

void parseProjectMember(const QJsonObject &object, VHUser &member)
{
    member.id = text(object, "userId");
    member.structureId = text(object, "structureId");
    member.visible = JsonField::boolean(object, "visible", true);

    const QJsonObject user = JsonField::object(object, "user");
    if (!user.isEmpty()) {
        member.name = text(user, "name");
        member.nickName = text(user, "nickName");
        member.avatar = text(user, "avatar");
    }
}

void parseMemRequest(const QJsonObject &object, VHMemRequest &request)
{
    request.id = text(object, "_id");
    request.hostId = text(object, "hostId");
    request.type = JsonField::integer(object, "type");
    request.userId = text(object, "userId");
    request.status = JsonField::integer(object, "status");
    request.invitationId = text(object, "invitationId");
    request.invitedBy = text(object, "invitedBy");
    request.createdBy = text(object, "createdBy");
    request.approvedBy = text(object, "approvedBy");

    const QJsonObject approved = JsonField::object(object, "approvedData");
    request.approvedData.remark = text(approved, "remark");
    request.approvedData.positionId = text(approved, "positionId");
    request.approvedData.structureId = text(approved, "structureId");

    const QJsonObject user = JsonField::object(object, "user");
    request.user.id = text(user, "_id");
    request.user.avatar = text(user, "avatar");
    request.user.name = text(user, "name");
    request.user.nickName = text(user, "nickName");
    request.user.phoneNumber = text(user, "phoneNumber");
}
