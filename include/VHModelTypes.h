#ifndef VHMODELTYPES_H
#define VHMODELTYPES_H

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Records of building models.
// (Placeholders until their codecs land; each becomes a full record.)

struct VHModel
{
};

struct VHModelSet
{
};

struct VHModelSetCondition
{
};

struct VHModelTag
{
};

struct VHModelTagType
{
};

struct VHUploadDNG
{
};

#endif // VHMODELTYPES_H
