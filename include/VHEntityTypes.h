#ifndef VHENTITYTYPES_H
#define VHENTITYTYPES_H

#include "VHRecord.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

/// @file
/// Records of model entities and their properties.

/// One element of a building model that carries a QR code and can be printed.
struct VHEntity
{
    QString id;   ///< the stored entity's id
    QString uuid; ///< the element's id inside the model file
    QString model;
    QString modelId;
    QString qrCode;
    bool printed = false;
    bool clientFlag = false; ///< the caller's own; the library only copies it
    QString name;
    QString entityId;
    QString floor;
    QString domainText; ///< "domain" as text, kept only by the read by id and version
    QString clientText; ///< the caller's own; the library only copies it
    int domain = 0;
    int category = 0;
    QDateTime printedAt;
    QString printedBy; ///< a user id

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHEntity::id);
        visit("uuid", &VHEntity::uuid);
        visit("model", &VHEntity::model);
        visit("modelId", &VHEntity::modelId);
        visit("qrCode", &VHEntity::qrCode);
        visit("printed", &VHEntity::printed);
        visit("clientFlag", &VHEntity::clientFlag);
        visit("name", &VHEntity::name);
        visit("entityId", &VHEntity::entityId);
        visit("floor", &VHEntity::floor);
        visit("domainText", &VHEntity::domainText);
        visit("clientText", &VHEntity::clientText);
        visit("domain", &VHEntity::domain);
        visit("category", &VHEntity::category);
        visit("printedAt", &VHEntity::printedAt);
        visit("printedBy", &VHEntity::printedBy);
    }
};

/// One domain of a floor in the entity tree, with its categories.
struct VHEntityTreeDomain
{
    int domain = 0;
    QList<int> categories; ///< empty in a selection: the whole domain

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("domain", &VHEntityTreeDomain::domain);
        visit("categories", &VHEntityTreeDomain::categories);
    }
};

/// One floor of a model in the entity tree.
struct VHEntityTreeFloor
{
    QString floor;
    QList<VHEntityTreeDomain> domains; ///< empty in a selection: the whole floor

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("floor", &VHEntityTreeFloor::floor);
        visit("domains", &VHEntityTreeFloor::domains);
    }
};

/// One model node of a project's entity tree. The same record describes what
/// the caller selected for an entity search.
struct VHEntityTree
{
    QString modelId;
    bool group = false;      ///< in a selection: the model's group entities
    bool wholeModel = false; ///< in a selection: everything of the model
    QList<VHEntityTreeFloor> floors;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("modelId", &VHEntityTree::modelId);
        visit("group", &VHEntityTree::group);
        visit("wholeModel", &VHEntityTree::wholeModel);
        visit("floors", &VHEntityTree::floors);
    }
};

/// One category/key/value property of an entity.
struct VHProperty
{
    QString category; ///< the group the property belongs to
    QString key;
    QString value; ///< always text

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("category", &VHProperty::category);
        visit("key", &VHProperty::key);
        visit("value", &VHProperty::value);
    }
};

/// An entity with its properties as of one model version.
struct VHEntityPropertyVersion
{
    QString name;
    int entityId = 0;
    QString floor;
    int category = 0;
    int domain = 0;
    QList<VHProperty> properties;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("name", &VHEntityPropertyVersion::name);
        visit("entityId", &VHEntityPropertyVersion::entityId);
        visit("floor", &VHEntityPropertyVersion::floor);
        visit("category", &VHEntityPropertyVersion::category);
        visit("domain", &VHEntityPropertyVersion::domain);
        visit("properties", &VHEntityPropertyVersion::properties);
    }
};

/// The caller's filter for the paged entity search. A default record filters
/// nothing.
struct VHEntityCondition
{
    bool allPrintedAt = true; ///< false: printed within printedFrom .. the day after printedTo
    QDateTime printedFrom;    ///< inclusive
    QDateTime printedTo;      ///< the range ends, exclusive, one day after this
    QString name;             ///< regular expression on the name; no filter when empty
    bool allPrintedBy = true; ///< false: printed by one of `printedBy`
    QStringList printedBy;    ///< user ids
    bool allModels = true;    ///< false: only what the selection tree `models` names
    QList<VHEntityTree> models;
    bool printed = false; ///< true: only entities already printed

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("allPrintedAt", &VHEntityCondition::allPrintedAt);
        visit("printedFrom", &VHEntityCondition::printedFrom);
        visit("printedTo", &VHEntityCondition::printedTo);
        visit("name", &VHEntityCondition::name);
        visit("allPrintedBy", &VHEntityCondition::allPrintedBy);
        visit("printedBy", &VHEntityCondition::printedBy);
        visit("allModels", &VHEntityCondition::allModels);
        visit("models", &VHEntityCondition::models);
        visit("printed", &VHEntityCondition::printed);
    }
};

/// The extended properties that one project attaches to one model element.
struct VHEntityPropertyExtend
{
    QString uuid; ///< the element's id inside the model file
    QString projectId;
    QList<VHProperty> properties;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("uuid", &VHEntityPropertyExtend::uuid);
        visit("projectId", &VHEntityPropertyExtend::projectId);
        visit("properties", &VHEntityPropertyExtend::properties);
    }
};

#endif // VHENTITYTYPES_H
