#ifndef VHUSER_H
#define VHUSER_H

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
};

#endif // VHUSER_H
