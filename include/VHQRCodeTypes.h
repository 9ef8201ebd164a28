#ifndef VHQRCODETYPES_H
#define VHQRCODETYPES_H

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Records of QR-code labels and print records.
// (Placeholders until their codecs land; each becomes a full record.)

struct VHQRSetting
{
};

struct VHQRTemplateItem
{
};

struct VHQRTemplate
{
};

struct VHQRTemplateField
{
};

struct VHPrintRecord
{
};

#endif // VHQRCODETYPES_H
