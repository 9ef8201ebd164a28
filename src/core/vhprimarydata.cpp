#include "VHPrimaryData.h"

#include "accountservice.h"

VHPrimaryData::VHPrimaryData() = default;
VHPrimaryData::~VHPrimaryData() = default;

VHPrimaryData *VHPrimaryData::instance()
{
    // Constructed once, on first use, by whichever thread gets here first.
    static VHPrimaryData facade;
    return &facade;
}

int VHPrimaryData::login(const QString &name, const QString &password, const QString &code,
                         QString &message, VHUser &user, bool useCode, bool useDouble)
{
    const int result =
        AccountService::login(name, password, code, message, user, useCode, useDouble);
    m_currentUser = user;
    return result;
}

bool VHPrimaryData::logout()
{
    m_currentUser.id.clear();
    return AccountService::logout();
}

void VHPrimaryData::getCurrentUserInfo(VHUser &user)
{
    user = m_currentUser;
}

void VHPrimaryData::clear()
{
    m_currentUser.id.clear();
    m_projectMembers.clear();
}
