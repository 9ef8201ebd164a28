#ifndef VHQRCODETYPES_H
#define VHQRCODETYPES_H

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
};

/// One key/value item of a label template.
struct VHQRTemplateItem
{
    QString key;
    QString value;
    bool property = true; ///< a parsed item without "property" has false
};

/// Fields of a template that an update sends.
enum class VHQRTemplateField { Name = 0, Data = 1 };

/// A named, typed label template of the project.
struct VHQRTemplate
{
    QString id;
    QString name;
    QList<VHQRTemplateItem> data;
    int type = 0;
    /// What an update sends; empty for a creation, and after every parse.
    QList<VHQRTemplateField> modifiedFields;
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
};

#endif // VHQRCODETYPES_H
