#include "VHPrimaryData.h"

#include "accountservice.h"
#include "core/platform/exchangefailure.h"

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
    const FailureScope scope(m_lastError);
    const int result =
        AccountService::login(name, password, code, message, user, useCode, useDouble);
    m_currentUser = user;
    return result;
}

bool VHPrimaryData::logout()
{
    const FailureScope scope(m_lastError);
    m_currentUser.id.clear();
    return AccountService::logout();
}

VHError VHPrimaryData::lastError() const
{
    return m_lastError;
}

void VHPrimaryData::getCurrentUserInfo(VHUser &user)
{
    user = m_currentUser;
}

// Drops what belongs to the current project and session; the project records,
// the edit rights and the organisation names stay until their own operations
// replace them.
void VHPrimaryData::clear()
{
    m_currentUser.id.clear();
    m_projectMembers.clear();
    m_structuresLoaded = false;
    m_structures.clear();
    m_models.clear();
    m_modelSets.clear();
    m_modelTagTypes.clear();
    m_modelTags.clear();
    m_tagTypeByTagId.clear();
    m_tagNameByTagId.clear();
    m_domains.clear();
    m_domainsLoaded = false;
    m_qrSettingLoaded = false;
    m_qrSetting = VHQRSetting();
    m_qrSettingInitialText.clear();
    m_qrTemplatesLoaded = false;
    m_qrTemplates.clear();
    m_printRecords.clear();
    m_entities.clear();
    m_entityRangeQuery.clear();
    m_entityPropertyDisplayLoaded = false;
    m_entityPropertyDisplay.clear();
}
