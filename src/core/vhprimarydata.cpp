#include "VHPrimaryData.h"

#include "accountservice.h"
#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"

VHPrimaryData::VHPrimaryData()
    : d(new VHPrimaryDataPrivate)
{}

VHPrimaryData::~VHPrimaryData()
{
    delete d;
}

VHPrimaryData::VHPrimaryData(const VHPrimaryData &other)
    : d(new VHPrimaryDataPrivate(*other.d))
{}

VHPrimaryData &VHPrimaryData::operator=(const VHPrimaryData &other)
{
    if (this != &other)
        *d = *other.d;
    return *this;
}

VHPrimaryData *VHPrimaryData::instance()
{
    // Constructed once, on first use, by whichever thread gets here first.
    static VHPrimaryData facade;
    return &facade;
}

int VHPrimaryData::login(const QString &name, const QString &password, const QString &code,
                         QString &message, VHUser &user, bool useCode, bool useDouble)
{
    const FailureScope scope(d->m_lastError);
    const int result =
        AccountService::login(name, password, code, message, user, useCode, useDouble);
    d->m_currentUser = user;
    return result;
}

bool VHPrimaryData::logout()
{
    const FailureScope scope(d->m_lastError);
    d->m_currentUser.id.clear();
    return AccountService::logout();
}

VHError VHPrimaryData::lastError() const
{
    return d->m_lastError;
}

void VHPrimaryData::getCurrentUserInfo(VHUser &user)
{
    user = d->m_currentUser;
}

// Drops what belongs to the current project and session; the project records,
// the edit rights and the organisation names stay until their own operations
// replace them.
void VHPrimaryData::clear()
{
    d->m_currentUser.id.clear();
    d->m_projectMembers.clear();
    d->m_structuresLoaded = false;
    d->m_structures.clear();
    d->m_models.clear();
    d->m_modelSets.clear();
    d->m_modelTagTypes.clear();
    d->m_modelTags.clear();
    d->m_tagTypeByTagId.clear();
    d->m_tagNameByTagId.clear();
    d->m_domains.clear();
    d->m_domainsLoaded = false;
    d->m_qrSettingLoaded = false;
    d->m_qrSetting = VHQRSetting();
    d->m_qrSettingInitialText.clear();
    d->m_qrTemplatesLoaded = false;
    d->m_qrTemplates.clear();
    d->m_printRecords.clear();
    d->m_entities.clear();
    d->m_entityRangeQuery.clear();
    d->m_entityPropertyDisplayLoaded = false;
    d->m_entityPropertyDisplay.clear();
}
