#ifndef VHPD_CORE_ACCOUNTSERVICE_H
#define VHPD_CORE_ACCOUNTSERVICE_H

#include "VHUser.h"

#include <QString>
#include <QStringList>

// Login, session and account-level requests of the account service.
namespace AccountService {

int login(const QString &name, const QString &password, const QString &code, QString &message,
          VHUser &user, bool useCode, bool useDouble);
bool logout();

bool createSecurities(const QString &phoneNumber, QString countryCode, QString &code,
                      QString &message, bool verify, bool debug);
bool touchApi(QString &url);
bool getCountryCodes(QStringList &codes);
bool getUser(const QString &userId, VHUser &user);
bool verifyUser(const QString &hostId, const QString &userId, int type);

} // namespace AccountService

#endif // VHPD_CORE_ACCOUNTSERVICE_H
