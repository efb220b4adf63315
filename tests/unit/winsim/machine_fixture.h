// Every winsim test starts from, and leaves behind, a freshly reset machine.
#pragma once

#include <gtest/gtest.h>

#include "sim/winsim/machine.h"

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override { sim::machine().Reset(); }
    void TearDown() override { sim::machine().Reset(); }
    sim::Machine& m = sim::machine();
};
