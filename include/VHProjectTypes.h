#ifndef VHPROJECTTYPES_H
#define VHPROJECTTYPES_H

#include "VHUser.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

/// @file
/// Records of projects and their organisation.

/// One project as the account service describes it.
struct VHProject
{
    QString id;
    QString name;
    QString sortName;
    QString description;
    QString enterpriseId; ///< the enterprise that owns the project
    QString circleId;     ///< the circle that owns the project
    QString location;
    QString paymentId;
    QStringList pictures; ///< file ids of the project's pictures
    /// @name The project's address
    /// @{
    QString state;
    QString province;
    QString city;
    QString area;
    QString road;
    /// @}
    QStringList adminIds;
    int status = 0;
    QStringList platforms;
    int duration = 0;
    QDateTime startAt;
    QDateTime endAt;
    QDateTime expireAt;
    QDateTime createAt;
    QString createBy;
    QDateTime updateAt;
    QString updateBy;
};

/// The filter of a paged project search. The default filters nothing.
struct VHProjectCondition
{
    QString words;   ///< search words; empty: any
    int status = -1; ///< -1: any status
    /// Enterprise id (owner type 0) or circle id (owner type 1). Under owner
    /// type 0 the text "null" means no particular enterprise and selects the
    /// exclusion lists instead.
    QString ownerId;
    QStringList excludeEnterpriseIds;
    QStringList excludeCircleIds;
    int ownerType = -1; ///< 0: enterprise scope, 1: circle scope, other: any owner
};

/// The decision data of a membership request.
struct Approved
{
    QString remark;
    QString positionId;
    QString structureId; ///< where the new member is placed
};

/// One membership request or invitation.
struct VHMemRequest
{
    QString id;
    QString hostId; ///< what the person is to join
    int type = 0;   ///< the kind of host; 0 for a project
    QString userId; ///< the person the request is about
    int status = 0;
    QString invitationId;
    QString invitedBy;
    QString createdBy;
    QString approvedBy;
    Approved approvedData;
    VHUser user;
};

/// A unit of an enterprise's tree.
struct VHCircle
{
    QString id;
    QString name;
    QString sortName;
    QString enterpriseId;
    QString parentId;
};

struct VHEnterprise
{
    QString id;
    QString name;
    QString sortName;
};

/// A unit of a project's organisation chart; members are placed in one.
struct VHStructure
{
    QString id;
    QString name;
    QString hostId;
    QString parentId;
    QString authTemplateId;
    int type = 0;
    int level = 0;
};

struct VHDomain
{
    QString id;
    QString name;
};

struct VHSpecies
{
    QString id;
    QString name;
};

struct VHSubcontract
{
    QString id;
    QString name;
};

/// One key of the project's encoding table.
struct VHEncodePair
{
    QString id;
    QString key;
    QString value;
};

/// How the project's codes are composed.
struct VHEncodeRule
{
    QString id;
    QString rule;
    QString separator;
};

/// A functional module of a project.
struct VHModule
{
    QString id;
    QString name; ///< the nickname when the module has one
    QString i18nName;
    QString key;
    QString category;
    QString icon;
    bool value = true;
    bool internal = false;
    bool enable = true;
    bool statistics = false;
};

/// A group of the module catalogue.
struct VHModuleGroup
{
    QString id;
    QString name;
    QString i18nName;
    QString parentId;
    QString type;
    VHModule module;
};

/// One period of an entity code: its properties by key.
struct VHPeriod
{
    QMap<QString, QString> properties;
};

#endif // VHPROJECTTYPES_H
