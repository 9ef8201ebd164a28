#ifndef VHPD_PROJECTPROBE_H
#define VHPD_PROJECTPROBE_H

#include "VHPrimaryData.h"

// The caches that the project, member and organisation operations keep.
struct ProjectFields;
template<> struct VHPrimaryDataProbe<ProjectFields>
{
    static VHPrimaryData &facade() { return *VHPrimaryData::instance(); }
    static QMap<QString, VHProject> &projects() { return facade().m_projects; }
    static QList<VHUser> &projectMembers() { return facade().m_projectMembers; }
    static bool &structuresLoaded() { return facade().m_structuresLoaded; }
    static QList<VHStructure> &structures() { return facade().m_structures; }
    static bool &domainsLoaded() { return facade().m_domainsLoaded; }
    static QList<VHDomain> &domains() { return facade().m_domains; }
    static QMap<QString, QString> &orgNameById() { return facade().m_orgNameById; }

    // Every cache of this subsystem empty, as after the library's load.
    static void reset()
    {
        facade().clear();
        projects().clear();
        orgNameById().clear();
    }
};
using ProjectProbe = VHPrimaryDataProbe<ProjectFields>;

#endif // VHPD_PROJECTPROBE_H
