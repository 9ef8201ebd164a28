#include "VHPrimaryData.h"

#include "projects/accountservice.h"
#include "projects/periodservice.h"

bool VHPrimaryData::getProjectEncodePair(QList<VHEncodePair> &pairs)
{
    return AccountService::getProjectEncodePair(pairs);
}

bool VHPrimaryData::getProjectEncodeRule(QList<VHEncodeRule> &rules)
{
    return AccountService::getProjectEncodeRule(rules);
}

bool VHPrimaryData::getModule(QList<VHModule> &modules)
{
    return AccountService::getModule(modules);
}

bool VHPrimaryData::getModuleGroup(QList<VHModuleGroup> &groups)
{
    return AccountService::getModuleGroup(groups);
}

bool VHPrimaryData::getPeriodByEntityCode(const QString &entityCode, QList<VHPeriod> &periods)
{
    return PeriodService::getPeriodByEntityCode(entityCode, periods);
}
