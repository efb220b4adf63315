// The one place that decides where the Win32 API comes from.
//
// On Windows the updater is plain Win32 code against the system headers.
// Elsewhere (the Linux host build that runs the unit and scenario tests) the
// same declarations come from the simulated machine in sim/winsim, which
// implements exactly the subset the updater calls.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>
#else
#include "../../sim/winsim/win32_sim.h"
#endif
