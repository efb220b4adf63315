// Elapsed-time counter on the high-resolution performance counter.
#pragma once

#include <cstdint>

class Stopwatch {
public:
    // Calibrates the cost of one empty start/stop pair.
    Stopwatch();
    ~Stopwatch();
    Stopwatch(const Stopwatch&) = delete;
    Stopwatch& operator=(const Stopwatch&) = delete;

    void Start(bool reset);
    void Stop();
    void Reset();
    // Seconds since the current run started; 0.0 when not running or unavailable.
    double ElapsedSinceStart();
    // Seconds accumulated by completed runs; read while stopped.
    double Elapsed() const;

    bool Unavailable() const { return unavailable != 0; }

private:
    std::int64_t ReadCounter() const;

    std::int64_t frequency = 0;
    std::int64_t startCount = 0;
    std::int64_t lastCount = 0;
    std::int64_t accumulated = 0;
    std::int64_t overhead = 0;
    std::uint8_t unavailable = 0;
};
