#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "projects/accountservice.h"

namespace {

// Circles and enterprises are shown by their short name when they have one.
template<typename Unit>
void rememberDisplayNames(const QList<Unit> &units, QMap<QString, QString> &names)
{
    for (const Unit &unit : units)
        names.insert(unit.id, unit.sortName.isEmpty() ? unit.name : unit.sortName);
}

template<typename Unit> QString nameById(const QList<Unit> &units, const QString &id)
{
    for (const Unit &unit : units) {
        if (unit.id == id)
            return unit.name;
    }
    return QString();
}

} // namespace

bool VHPrimaryData::getProjectCircles(QList<VHCircle> &circles)
{
    const FailureScope scope(d->m_lastError);
    if (!AccountService::getProjectCircles(circles))
        return false;
    rememberDisplayNames(circles, d->m_orgNameById);
    return true;
}

bool VHPrimaryData::getProjectEnterprises(QList<VHEnterprise> &enterprises)
{
    const FailureScope scope(d->m_lastError);
    if (!AccountService::getProjectEnterprises(enterprises))
        return false;
    rememberDisplayNames(enterprises, d->m_orgNameById);
    return true;
}

QString VHPrimaryData::getProjectCircleName(const QString &id)
{
    const FailureScope scope(d->m_lastError);
    // Answered from what the loaders stored; an unknown id is remembered with
    // an empty name.
    return d->m_orgNameById[id];
}

bool VHPrimaryData::getStructures(QList<VHStructure> &structures)
{
    const FailureScope scope(d->m_lastError);
    if (d->m_structuresLoaded) {
        structures = d->m_structures;
        return true;
    }
    // Whatever the caller's list held becomes part of the cache, and a failed
    // load is kept too, to be replaced by the next attempt.
    d->m_structuresLoaded = AccountService::getStructures(structures);
    d->m_structures = structures;
    return d->m_structuresLoaded;
}

QString VHPrimaryData::getStructureName(const QString &structureId)
{
    const FailureScope scope(d->m_lastError);
    if (d->m_structures.isEmpty() && !d->m_structuresLoaded) {
        QList<VHStructure> structures;
        d->m_structuresLoaded = AccountService::getStructures(structures);
        d->m_structures = structures;
    }
    return nameById(d->m_structures, structureId);
}

bool VHPrimaryData::getDomain(QList<VHDomain> &domains)
{
    const FailureScope scope(d->m_lastError);
    d->m_domainsLoaded = AccountService::getDomain(domains);
    if (d->m_domainsLoaded)
        d->m_domains = domains;
    return d->m_domainsLoaded;
}

QString VHPrimaryData::getDomainNameById(const QString &domainId)
{
    const FailureScope scope(d->m_lastError);
    if (!d->m_domainsLoaded)
        d->m_domainsLoaded = AccountService::getDomain(d->m_domains);
    return nameById(d->m_domains, domainId);
}

bool VHPrimaryData::getSpecies(QList<VHSpecies> &species)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getSpecies(species);
}

QString VHPrimaryData::getSpeciesNameById(const QString &speciesId)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getSpeciesNameById(speciesId);
}

bool VHPrimaryData::getSubcontract(QList<VHSubcontract> &subcontracts)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getSubcontract(subcontracts);
}

QString VHPrimaryData::getSubcontractNameById(const QString &subcontractId)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getSubcontractNameById(subcontractId);
}
