#ifndef VHMODELTYPES_H
#define VHMODELTYPES_H

#include "VHRecord.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

/// @file
/// Records of building models.

/// One model of a project, or one entry of a model's version history: `id` is
/// the id of what was read, `modelId` the model it belongs to (for a current
/// model both are the same).
struct VHModel
{
    QString id;
    QString modelId;
    QString linkId;
    QString name;
    QString modelFile;
    QString remark;
    qint64 modelSize = 0;    ///< size of the model file in bytes
    bool authorized = false; ///< whether the user may see the model
    int version = 1;         ///< 1 for the first upload
    int preprocessed = 0;    ///< the server's preprocessing state, carried unchanged
    QStringList tags;        ///< ids of the tags attached to the model
    /// Tag type id to the model's tag of that type; built from `tags` by the
    /// facade, never read from the server.
    QMap<QString, QString> mapModelTag;
    QDateTime updatedAt;
    QString updatedBy;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHModel::id);
        visit("modelId", &VHModel::modelId);
        visit("linkId", &VHModel::linkId);
        visit("name", &VHModel::name);
        visit("modelFile", &VHModel::modelFile);
        visit("remark", &VHModel::remark);
        visit("modelSize", &VHModel::modelSize);
        visit("authorized", &VHModel::authorized);
        visit("version", &VHModel::version);
        visit("preprocessed", &VHModel::preprocessed);
        visit("tags", &VHModel::tags);
        visit("mapModelTag", &VHModel::mapModelTag);
        visit("updatedAt", &VHModel::updatedAt);
        visit("updatedBy", &VHModel::updatedBy);
    }
};

/// A named selection of models that a user created.
struct VHModelSet
{
    QString id;
    QString name;
    QStringList modelIds;
    QDateTime createdAt;
    QString createdBy; ///< a user id

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHModelSet::id);
        visit("name", &VHModelSet::name);
        visit("modelIds", &VHModelSet::modelIds);
        visit("createdAt", &VHModelSet::createdAt);
        visit("createdBy", &VHModelSet::createdBy);
    }
};

/// Filter for listing model sets. Only `createdBy` and `name` reach the server;
/// the other fields belong to the caller's own filter form.
struct VHModelSetCondition
{
    bool allTime = true;
    QDateTime timeFrom;
    QDateTime timeTo;
    QString text;
    QString createdBy;
    QString name; ///< no filter on the name when empty

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("allTime", &VHModelSetCondition::allTime);
        visit("timeFrom", &VHModelSetCondition::timeFrom);
        visit("timeTo", &VHModelSetCondition::timeTo);
        visit("text", &VHModelSetCondition::text);
        visit("createdBy", &VHModelSetCondition::createdBy);
        visit("name", &VHModelSetCondition::name);
    }
};

/// A tag that can be attached to models.
struct VHModelTag
{
    QString id;
    QString name;
    QString type; ///< the id of the tag's VHModelTagType

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHModelTag::id);
        visit("name", &VHModelTag::name);
        visit("type", &VHModelTag::type);
    }
};

/// A category of tags; a project marks some categories as default.
struct VHModelTagType
{
    QString id;
    QString name;
    bool isDefault = false;
    QList<VHModelTag> tags; ///< the tags of this type, filled by the facade

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHModelTagType::id);
        visit("name", &VHModelTagType::name);
        visit("isDefault", &VHModelTagType::isDefault);
        visit("tags", &VHModelTagType::tags);
    }
};

/// The caller's description of one model file to upload or to replace.
struct VHUploadDNG
{
    QString projectId;
    QString name;
    QString remark;
    QString firstTagId;
    QString secondTagId;
    QString filePath; ///< local file to send
    QString modelId;  ///< the model to replace; read by the replacement only

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("projectId", &VHUploadDNG::projectId);
        visit("name", &VHUploadDNG::name);
        visit("remark", &VHUploadDNG::remark);
        visit("firstTagId", &VHUploadDNG::firstTagId);
        visit("secondTagId", &VHUploadDNG::secondTagId);
        visit("filePath", &VHUploadDNG::filePath);
        visit("modelId", &VHUploadDNG::modelId);
    }
};

#endif // VHMODELTYPES_H
