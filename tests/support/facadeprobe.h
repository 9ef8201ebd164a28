#ifndef VHPD_FACADEPROBE_H
#define VHPD_FACADEPROBE_H

#include "VHPrimaryData.h"

// Tests read and seed the facade's caches through specialisations of this
// friend; each test program declares the accessors it needs. The core ones:
struct CoreFields;
template<> struct VHPrimaryDataProbe<CoreFields>
{
    static VHPrimaryData &facade() { return *VHPrimaryData::instance(); }
    static VHUser &currentUser() { return facade().m_currentUser; }
    static QList<VHUser> &projectMembers() { return facade().m_projectMembers; }
};
using CoreProbe = VHPrimaryDataProbe<CoreFields>;

#endif // VHPD_FACADEPROBE_H
