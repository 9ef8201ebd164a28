#ifndef VHPROJECTTYPES_H
#define VHPROJECTTYPES_H

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Records of projects and their organisation.
// (Placeholders until their codecs land; each becomes a full record.)

struct VHProject
{
};

struct VHProjectCondition
{
};

struct VHMemRequest
{
};

struct VHCircle
{
};

struct VHEnterprise
{
};

struct VHStructure
{
};

struct VHDomain
{
};

struct VHSpecies
{
};

struct VHSubcontract
{
};

struct VHEncodePair
{
};

struct VHEncodeRule
{
};

struct VHModule
{
};

struct VHModuleGroup
{
};

struct VHPeriod
{
};

#endif // VHPROJECTTYPES_H
