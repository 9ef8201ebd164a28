#ifndef VHQRCODETYPES_H
#define VHQRCODETYPES_H

#include "VHRecord.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

/// @file
/// Records of QR-code labels and print records.

/// The project's QR-code setting for the user: the logo and the label type.
struct VHQRSetting
{
    QString id;
    int type = 1;
    QString logo;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHQRSetting::id);
        visit("type", &VHQRSetting::type);
        visit("logo", &VHQRSetting::logo);
    }
};

/// One key/value item of a label template.
struct VHQRTemplateItem
{
    QString key;
    QString value;
    bool property = true; ///< a parsed item without "property" has false

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("key", &VHQRTemplateItem::key);
        visit("value", &VHQRTemplateItem::value);
        visit("property", &VHQRTemplateItem::property);
    }
};

/// Fields of a template that an update sends.
enum class VHQRTemplateField { Name = 0, Data = 1 };

inline QDebug operator<<(QDebug debug, VHQRTemplateField field)
{
    return debug << (field == VHQRTemplateField::Name ? "Name" : "Data");
}

/// A named, typed label template of the project.
struct VHQRTemplate
{
    QString id;
    QString name;
    QList<VHQRTemplateItem> data;
    int type = 0;
    /// What an update sends; empty for a creation, and after every parse.
    QList<VHQRTemplateField> modifiedFields;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHQRTemplate::id);
        visit("name", &VHQRTemplate::name);
        visit("data", &VHQRTemplate::data);
        visit("type", &VHQRTemplate::type);
        visit("modifiedFields", &VHQRTemplate::modifiedFields);
    }
};

/// One printed label of a resource.
struct VHPrintRecord
{
    QString id;
    QString rId; ///< the resource the print belongs to
    QString logo;
    int type = 1;
    QStringList properties; ///< the texts printed on the label
    QDateTime createdAt;
    QString createdBy; ///< a user id

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &VHPrintRecord::id);
        visit("rId", &VHPrintRecord::rId);
        visit("logo", &VHPrintRecord::logo);
        visit("type", &VHPrintRecord::type);
        visit("properties", &VHPrintRecord::properties);
        visit("createdAt", &VHPrintRecord::createdAt);
        visit("createdBy", &VHPrintRecord::createdBy);
    }
};

#endif // VHQRCODETYPES_H
