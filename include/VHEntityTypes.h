#ifndef VHENTITYTYPES_H
#define VHENTITYTYPES_H

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Records of model entities and their properties.
// (Placeholders until their codecs land; each becomes a full record.)

struct VHEntity
{
};

struct VHEntityTree
{
};

struct VHEntityTreeFloor
{
};

struct VHEntityTreeDomain
{
};

struct VHEntityPropertyVersion
{
};

struct VHProperty
{
};

struct VHEntityCondition
{
};

#endif // VHENTITYTYPES_H
