#ifndef VHPLATFORM_H
#define VHPLATFORM_H

/// @file
/// The client-side services the library runs on and a client configures: the
/// HTTP transport and backend address, the settings cache, the push socket and
/// the general helpers.
#include "VHNetwork.h"
#include "VHPublicFun.h"
#include "VHSocketIO.h"
#include "VHSoftBase.h"

#endif // VHPLATFORM_H
