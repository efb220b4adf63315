// The simulated machine stands in for the system header of this name on
// the build host: one header, win32_sim.h, declares all it implements.
#pragma once

#include "../win32_sim.h"
