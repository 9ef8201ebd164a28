#ifndef VHPD_FACADEPROBE_H
#define VHPD_FACADEPROBE_H

#include "VHPrimaryData.h"
#include "core/vhprimarydata_p.h"

// The state behind the facade's d-pointer, which tests read and seed.
inline VHPrimaryDataPrivate &facadeState()
{
    return *VHPrimaryDataPrivate::get(VHPrimaryData::instance());
}

#endif // VHPD_FACADEPROBE_H
