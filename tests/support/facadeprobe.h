#ifndef VHPD_FACADEPROBE_H
#define VHPD_FACADEPROBE_H

#include "VHPrimaryData.h"
#include "core/vhprimarydata_p.h"

// The state behind the facade's d-pointer, which tests read and seed.
inline VHPrimaryDataPrivate &facadeState()
{
    return *VHPrimaryDataPrivate::get(VHPrimaryData::instance());
}

// Each test program names the caches it checks in a specialisation of this
// template, so that a test reads as "ModelProbe::models()". The core ones:
template<typename Fields> struct VHPrimaryDataProbe;
struct CoreFields;
template<> struct VHPrimaryDataProbe<CoreFields>
{
    static VHPrimaryData &facade() { return *VHPrimaryData::instance(); }
    static VHUser &currentUser() { return facadeState().m_currentUser; }
    static QList<VHUser> &projectMembers() { return facadeState().m_projectMembers; }
};
using CoreProbe = VHPrimaryDataProbe<CoreFields>;

#endif // VHPD_FACADEPROBE_H
