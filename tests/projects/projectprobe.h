#ifndef VHPD_PROJECTPROBE_H
#define VHPD_PROJECTPROBE_H

#include "VHPrimaryData.h"
#include "facadeprobe.h"

// The caches that the project, member and organisation operations keep.
struct ProjectFields;
template<> struct VHPrimaryDataProbe<ProjectFields>
{
    static VHPrimaryData &facade() { return *VHPrimaryData::instance(); }
    static QMap<QString, VHProject> &projects() { return facadeState().m_projects; }
    static QList<VHUser> &projectMembers() { return facadeState().m_projectMembers; }
    static bool &structuresLoaded() { return facadeState().m_structuresLoaded; }
    static QList<VHStructure> &structures() { return facadeState().m_structures; }
    static bool &domainsLoaded() { return facadeState().m_domainsLoaded; }
    static QList<VHDomain> &domains() { return facadeState().m_domains; }
    static QMap<QString, QString> &orgNameById() { return facadeState().m_orgNameById; }
};
using ProjectProbe = VHPrimaryDataProbe<ProjectFields>;

#endif // VHPD_PROJECTPROBE_H
