#ifndef VHPD_ENTITIES_BASESERVICE_H
#define VHPD_ENTITIES_BASESERVICE_H

#include "VHQRCodeTypes.h"

#include <QList>
#include <QString>

// Requests of the base service for the QR setting and the label templates.
// Each runs one synchronous exchange and returns transport success; records
// are overwritten from the reply also when the exchange fails.
namespace BaseService {

// The current project's setting (not a single user's).
bool getProjectUserQRSetting(VHQRSetting &setting);
// Send only what `setting` changes of `cached`, the setting the client last
// read or wrote. When nothing changes nothing is sent, `setting` takes the
// cached values and the result is true; otherwise `setting` receives the
// server's record.
bool createProjectUserQRSetting(const VHQRSetting &cached, VHQRSetting &setting);
bool updateProjectUserQRSetting(const VHQRSetting &cached, VHQRSetting &setting);

// Appends the current project's templates in reply order.
bool getQRTemplates(QList<VHQRTemplate> &templates);
// `qrTemplate` receives the server's record, without modified fields.
bool createQRTemplate(VHQRTemplate &qrTemplate);
// Sends only the fields that `qrTemplate.modifiedFields` names.
bool updateQRTemplate(VHQRTemplate &qrTemplate);
bool deleteQRTemplate(const QString &id);

} // namespace BaseService

#endif // VHPD_ENTITIES_BASESERVICE_H
