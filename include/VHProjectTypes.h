#ifndef VHPROJECTTYPES_H
#define VHPROJECTTYPES_H

#include "VHRecord.h"
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

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHProject::id);
        visit("name", &VHProject::name);
        visit("sortName", &VHProject::sortName);
        visit("description", &VHProject::description);
        visit("enterpriseId", &VHProject::enterpriseId);
        visit("circleId", &VHProject::circleId);
        visit("location", &VHProject::location);
        visit("paymentId", &VHProject::paymentId);
        visit("pictures", &VHProject::pictures);
        visit("state", &VHProject::state);
        visit("province", &VHProject::province);
        visit("city", &VHProject::city);
        visit("area", &VHProject::area);
        visit("road", &VHProject::road);
        visit("adminIds", &VHProject::adminIds);
        visit("status", &VHProject::status);
        visit("platforms", &VHProject::platforms);
        visit("duration", &VHProject::duration);
        visit("startAt", &VHProject::startAt);
        visit("endAt", &VHProject::endAt);
        visit("expireAt", &VHProject::expireAt);
        visit("createAt", &VHProject::createAt);
        visit("createBy", &VHProject::createBy);
        visit("updateAt", &VHProject::updateAt);
        visit("updateBy", &VHProject::updateBy);
    }
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

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("words", &VHProjectCondition::words);
        visit("status", &VHProjectCondition::status);
        visit("ownerId", &VHProjectCondition::ownerId);
        visit("excludeEnterpriseIds", &VHProjectCondition::excludeEnterpriseIds);
        visit("excludeCircleIds", &VHProjectCondition::excludeCircleIds);
        visit("ownerType", &VHProjectCondition::ownerType);
    }
};

/// The decision data of a membership request.
struct Approved
{
    QString remark;
    QString positionId;
    QString structureId; ///< where the new member is placed

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("remark", &Approved::remark);
        visit("positionId", &Approved::positionId);
        visit("structureId", &Approved::structureId);
    }
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

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHMemRequest::id);
        visit("hostId", &VHMemRequest::hostId);
        visit("type", &VHMemRequest::type);
        visit("userId", &VHMemRequest::userId);
        visit("status", &VHMemRequest::status);
        visit("invitationId", &VHMemRequest::invitationId);
        visit("invitedBy", &VHMemRequest::invitedBy);
        visit("createdBy", &VHMemRequest::createdBy);
        visit("approvedBy", &VHMemRequest::approvedBy);
        visit("approvedData", &VHMemRequest::approvedData);
        visit("user", &VHMemRequest::user);
    }
};

/// A unit of an enterprise's tree.
struct VHCircle
{
    QString id;
    QString name;
    QString sortName;
    QString enterpriseId;
    QString parentId;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHCircle::id);
        visit("name", &VHCircle::name);
        visit("sortName", &VHCircle::sortName);
        visit("enterpriseId", &VHCircle::enterpriseId);
        visit("parentId", &VHCircle::parentId);
    }
};

struct VHEnterprise
{
    QString id;
    QString name;
    QString sortName;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHEnterprise::id);
        visit("name", &VHEnterprise::name);
        visit("sortName", &VHEnterprise::sortName);
    }
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

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHStructure::id);
        visit("name", &VHStructure::name);
        visit("hostId", &VHStructure::hostId);
        visit("parentId", &VHStructure::parentId);
        visit("authTemplateId", &VHStructure::authTemplateId);
        visit("type", &VHStructure::type);
        visit("level", &VHStructure::level);
    }
};

struct VHDomain
{
    QString id;
    QString name;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHDomain::id);
        visit("name", &VHDomain::name);
    }
};

struct VHSpecies
{
    QString id;
    QString name;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHSpecies::id);
        visit("name", &VHSpecies::name);
    }
};

struct VHSubcontract
{
    QString id;
    QString name;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHSubcontract::id);
        visit("name", &VHSubcontract::name);
    }
};

/// One key of the project's encoding table.
struct VHEncodePair
{
    QString id;
    QString key;
    QString value;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHEncodePair::id);
        visit("key", &VHEncodePair::key);
        visit("value", &VHEncodePair::value);
    }
};

/// How the project's codes are composed.
struct VHEncodeRule
{
    QString id;
    QString rule;
    QString separator;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHEncodeRule::id);
        visit("rule", &VHEncodeRule::rule);
        visit("separator", &VHEncodeRule::separator);
    }
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

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHModule::id);
        visit("name", &VHModule::name);
        visit("i18nName", &VHModule::i18nName);
        visit("key", &VHModule::key);
        visit("category", &VHModule::category);
        visit("icon", &VHModule::icon);
        visit("value", &VHModule::value);
        visit("internal", &VHModule::internal);
        visit("enable", &VHModule::enable);
        visit("statistics", &VHModule::statistics);
    }
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

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHModuleGroup::id);
        visit("name", &VHModuleGroup::name);
        visit("i18nName", &VHModuleGroup::i18nName);
        visit("parentId", &VHModuleGroup::parentId);
        visit("type", &VHModuleGroup::type);
        visit("module", &VHModuleGroup::module);
    }
};

/// One period of an entity code: its properties by key.
struct VHPeriod
{
    QMap<QString, QString> properties;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("properties", &VHPeriod::properties);
    }
};

#endif // VHPROJECTTYPES_H
