// The Win32 API as the updater's Windows code sees it.
//
// The build decides where these headers come from: the system's for the
// Windows program, the simulated machine's (sim/winsim/include, put on the
// include path only of the host test build) for the tests that run the
// same code on the build host. Code that includes this header is Windows
// code; the Linux edition never does.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>
