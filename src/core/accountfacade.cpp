#include "VHPrimaryData.h"

#include "accountservice.h"
#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"

#include <utility>

bool VHPrimaryData::createSecurities(const QString &phoneNumber, QString countryCode, QString &code,
                                     QString &message, bool verify, bool debug)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::createSecurities(phoneNumber, countryCode, code, message, verify, debug);
}

bool VHPrimaryData::touchApi(QString &url)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::touchApi(url);
}

bool VHPrimaryData::getCountryCodes(QStringList &codes)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getCountryCodes(codes);
}

bool VHPrimaryData::getUser(const QString &userId, VHUser &user, bool refresh)
{
    const FailureScope scope(d->m_lastError);
    if (refresh) {
        const bool ok = AccountService::getUser(userId, user);
        // The cached member follows what the server just said, failure or not.
        for (VHUser &member : d->m_projectMembers) {
            if (member.id == userId) {
                member = user;
                break;
            }
        }
        return ok;
    }
    // Answered from the member list, loaded first when there is none yet.
    if (d->m_projectMembers.isEmpty())
        initProjectMembers();
    for (const VHUser &member : std::as_const(d->m_projectMembers)) {
        if (member.id == userId) {
            user = member;
            return true;
        }
    }
    return false;
}

bool VHPrimaryData::verifyUser(const QString &hostId, const QString &userId, int type)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::verifyUser(hostId, userId, type);
}
