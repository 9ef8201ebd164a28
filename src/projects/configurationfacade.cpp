#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "projects/accountservice.h"
#include "projects/periodservice.h"

bool VHPrimaryData::getProjectEncodePair(QList<VHEncodePair> &pairs)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getProjectEncodePair(pairs);
}

bool VHPrimaryData::getProjectEncodeRule(QList<VHEncodeRule> &rules)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getProjectEncodeRule(rules);
}

bool VHPrimaryData::getModule(QList<VHModule> &modules)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getModule(modules);
}

bool VHPrimaryData::getModuleGroup(QList<VHModuleGroup> &groups)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getModuleGroup(groups);
}

bool VHPrimaryData::getPeriodByEntityCode(const QString &entityCode, QList<VHPeriod> &periods)
{
    const FailureScope scope(d->m_lastError);
    return PeriodService::getPeriodByEntityCode(entityCode, periods);
}
