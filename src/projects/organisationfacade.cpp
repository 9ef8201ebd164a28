#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
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
    const FailureScope scope(m_lastError);
    if (!AccountService::getProjectCircles(circles))
        return false;
    rememberDisplayNames(circles, m_orgNameById);
    return true;
}

bool VHPrimaryData::getProjectEnterprises(QList<VHEnterprise> &enterprises)
{
    const FailureScope scope(m_lastError);
    if (!AccountService::getProjectEnterprises(enterprises))
        return false;
    rememberDisplayNames(enterprises, m_orgNameById);
    return true;
}

QString VHPrimaryData::getProjectCircleName(const QString &id)
{
    const FailureScope scope(m_lastError);
    // Answered from what the loaders stored; an unknown id is remembered with
    // an empty name.
    return m_orgNameById[id];
}

bool VHPrimaryData::getStructures(QList<VHStructure> &structures)
{
    const FailureScope scope(m_lastError);
    if (m_structuresLoaded) {
        structures = m_structures;
        return true;
    }
    // Whatever the caller's list held becomes part of the cache, and a failed
    // load is kept too, to be replaced by the next attempt.
    m_structuresLoaded = AccountService::getStructures(structures);
    m_structures = structures;
    return m_structuresLoaded;
}

QString VHPrimaryData::getStructureName(const QString &structureId)
{
    const FailureScope scope(m_lastError);
    if (m_structures.isEmpty() && !m_structuresLoaded) {
        QList<VHStructure> structures;
        m_structuresLoaded = AccountService::getStructures(structures);
        m_structures = structures;
    }
    return nameById(m_structures, structureId);
}

bool VHPrimaryData::getDomain(QList<VHDomain> &domains)
{
    const FailureScope scope(m_lastError);
    m_domainsLoaded = AccountService::getDomain(domains);
    if (m_domainsLoaded)
        m_domains = domains;
    return m_domainsLoaded;
}

QString VHPrimaryData::getDomainNameById(const QString &domainId)
{
    const FailureScope scope(m_lastError);
    if (!m_domainsLoaded)
        m_domainsLoaded = AccountService::getDomain(m_domains);
    return nameById(m_domains, domainId);
}

bool VHPrimaryData::getSpecies(QList<VHSpecies> &species)
{
    const FailureScope scope(m_lastError);
    return AccountService::getSpecies(species);
}

QString VHPrimaryData::getSpeciesNameById(const QString &speciesId)
{
    const FailureScope scope(m_lastError);
    return AccountService::getSpeciesNameById(speciesId);
}

bool VHPrimaryData::getSubcontract(QList<VHSubcontract> &subcontracts)
{
    const FailureScope scope(m_lastError);
    return AccountService::getSubcontract(subcontracts);
}

QString VHPrimaryData::getSubcontractNameById(const QString &subcontractId)
{
    const FailureScope scope(m_lastError);
    return AccountService::getSubcontractNameById(subcontractId);
}
