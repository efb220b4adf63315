#include <thread>

#include "machine_fixture.h"

namespace {

using ClockTest = MachineTest;

LONGLONG Counter() {
    LARGE_INTEGER count{};
    EXPECT_TRUE(QueryPerformanceCounter(&count));
    return count.QuadPart;
}

}  // namespace

TEST_F(ClockTest, VirtualClockMovesWithSleepAndCounterReads) {
    m.SetClockMode(sim::ClockMode::Virtual);
    LARGE_INTEGER frequency{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 10'000'000);

    const LONGLONG first = Counter();
    EXPECT_NE(first, 0) << "a stopwatch takes 0 for not running";
    EXPECT_EQ(Counter() - first, 10) << "each read costs one microsecond";

    const DWORD tick = GetTickCount();
    const double seconds = m.NowSeconds();
    Sleep(60'000);
    EXPECT_NEAR(m.NowSeconds() - seconds, 60.0, 0.001);
    EXPECT_EQ(GetTickCount() - tick, 60'000u);

    // A loop that only polls the counter still ends.
    const LONGLONG start = Counter();
    int reads = 0;
    while (Counter() - start < 10'000) ++reads;
    EXPECT_EQ(reads, 999);
}

TEST_F(ClockTest, VirtualClockIsSharedByThreads) {
    m.SetClockMode(sim::ClockMode::Virtual);
    const DWORD tick = GetTickCount();
    std::thread other([] { Sleep(1500); });
    other.join();
    Sleep(500);
    EXPECT_EQ(GetTickCount() - tick, 2000u);
}

TEST_F(ClockTest, NoCounterFailsTheQueriesButKeepsTheTickCount) {
    m.SetClockMode(sim::ClockMode::NoCounter);
    LARGE_INTEGER value;
    value.QuadPart = 5;
    EXPECT_FALSE(QueryPerformanceFrequency(&value));
    EXPECT_EQ(value.QuadPart, 0);
    EXPECT_FALSE(QueryPerformanceCounter(&value));
    const DWORD tick = GetTickCount();
    Sleep(1000);
    EXPECT_EQ(GetTickCount() - tick, 1000u);
}

TEST_F(ClockTest, RealCounterNeverGoesBack) {
    const LONGLONG first = Counter();
    EXPECT_GE(Counter(), first);
    m.SetClockMode(sim::ClockMode::Virtual);
    EXPECT_GE(Counter(), first) << "switching to the virtual clock keeps the reading";
}

TEST_F(ClockTest, LastErrorIsPerThread) {
    SetLastError(1300);
    DWORD seen = 1;
    std::thread other([&seen] { seen = GetLastError(); SetLastError(5); });
    other.join();
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(GetLastError(), 1300u);
}
