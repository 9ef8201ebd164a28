#ifndef VHUSER_H
#define VHUSER_H

#include "VHRecord.h"

#include <QString>

/// A user of the service: the logged-in user or a member of a project.
struct VHUser
{
    QString id;
    QString name;
    QString nickName;
    QString avatar;
    QString phoneNumber;
    QString structureId; ///< the member's place in the project's structure
    QString signature;
    bool visible = true;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHUser::id);
        visit("name", &VHUser::name);
        visit("nickName", &VHUser::nickName);
        visit("avatar", &VHUser::avatar);
        visit("phoneNumber", &VHUser::phoneNumber);
        visit("structureId", &VHUser::structureId);
        visit("signature", &VHUser::signature);
        visit("visible", &VHUser::visible);
    }
};

#endif // VHUSER_H
