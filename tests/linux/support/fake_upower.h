// A stand-in for UPower on a private bus (a FakeLogind's daemon): the
// manager's OnBattery and the DisplayDevice's IsPresent, Type and
// Percentage, as the desktop's battery icon reads them.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace sgsim {

struct UPowerState {
    bool onBattery = false;
    bool present = true;
    unsigned type = 2;  // 2: battery; 0: unknown (a desktop's DisplayDevice)
    double percentage = 100.0;
};

class FakeUPower {
public:
    // Owns org.freedesktop.UPower on the bus at `address`; Serving() says
    // whether it got there.
    FakeUPower(const std::string& address, UPowerState state);
    ~FakeUPower();
    FakeUPower(const FakeUPower&) = delete;
    FakeUPower& operator=(const FakeUPower&) = delete;

    bool Serving() const { return serving_; }

private:
    void Serve();

    std::string address_;
    UPowerState state_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> serving_{false};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace sgsim
