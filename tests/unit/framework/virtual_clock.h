// A fresh simulated machine on its virtual clock, for one test.
#pragma once

#include "sim/winsim/machine.h"

struct VirtualClock {
    VirtualClock() {
        sim::machine().Reset();
        sim::machine().SetClockMode(sim::ClockMode::Virtual);
    }
    ~VirtualClock() { sim::machine().Reset(); }
};
