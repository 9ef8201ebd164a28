#ifndef VHPD_ENTITIES_QRCODEC_H
#define VHPD_ENTITIES_QRCODEC_H

#include "VHQRCodeTypes.h"

#include <QJsonObject>

// Conversions between the services' JSON and the QR setting, label template
// and print records. Missing or mistyped members give the JSON defaults (0 for
// a number, false for a flag), not the records' own defaults.

void parseQRSetting(const QJsonObject &object, VHQRSetting &setting);
// The setting as the current user's in the current project; the ids are null
// when empty, and the setting's own id is never sent.
QJsonObject qrSettingToJson(const VHQRSetting &setting);

VHQRTemplateItem parseQRTemplateItem(const QJsonObject &object);
QJsonObject qrTemplateItemToJson(const VHQRTemplateItem &item);
// Replaces the template's items and forgets its modified fields.
void parseQRTemplate(const QJsonObject &object, VHQRTemplate &qrTemplate);
// A template without modified fields is sent whole, for the current project;
// otherwise only its name and/or items, as `modifiedFields` names them.
QJsonObject qrTemplateToJson(const VHQRTemplate &qrTemplate);

void parsePrintRecord(const QJsonObject &object, VHPrintRecord &record);
// The print record for the current project; its id, creation time and
// creator are the server's.
QJsonObject printRecordToJson(const VHPrintRecord &record);

#endif // VHPD_ENTITIES_QRCODEC_H
