#include "fake_upower.h"

#include <systemd/sd-bus.h>

#include <chrono>

namespace sgsim {
namespace {

int OnBattery(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* data, sd_bus_error*) {
    return sd_bus_message_append(reply, "b", static_cast<UPowerState*>(data)->onBattery ? 1 : 0);
}

int IsPresent(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* data, sd_bus_error*) {
    return sd_bus_message_append(reply, "b", static_cast<UPowerState*>(data)->present ? 1 : 0);
}

int Type(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* data, sd_bus_error*) {
    return sd_bus_message_append(reply, "u", static_cast<UPowerState*>(data)->type);
}

int Percentage(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* data, sd_bus_error*) {
    return sd_bus_message_append(reply, "d", static_cast<UPowerState*>(data)->percentage);
}

}  // namespace

FakeUPower::FakeUPower(const std::string& address, UPowerState state) : address_(address), state_(state) {
    thread_ = std::thread([this] { Serve(); });
    for (int i = 0; i < 200 && !serving_ && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

FakeUPower::~FakeUPower() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void FakeUPower::Serve() {
    static const sd_bus_vtable kManager[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_PROPERTY("OnBattery", "b", OnBattery, 0, 0),
        SD_BUS_VTABLE_END,
    };
    static const sd_bus_vtable kDevice[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_PROPERTY("IsPresent", "b", IsPresent, 0, 0),
        SD_BUS_PROPERTY("Type", "u", Type, 0, 0),
        SD_BUS_PROPERTY("Percentage", "d", Percentage, 0, 0),
        SD_BUS_VTABLE_END,
    };
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) >= 0) {
        sd_bus_set_address(bus, address_.c_str());
        sd_bus_set_bus_client(bus, 1);
        if (sd_bus_start(bus) >= 0 &&
            sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/UPower", "org.freedesktop.UPower", kManager,
                                     &state_) >= 0 &&
            sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/UPower/devices/DisplayDevice",
                                     "org.freedesktop.UPower.Device", kDevice, &state_) >= 0 &&
            sd_bus_request_name(bus, "org.freedesktop.UPower", 0) >= 0) {
            serving_ = true;
            while (!stop_) {
                if (sd_bus_process(bus, nullptr) > 0) continue;
                sd_bus_wait(bus, 50'000);
            }
        }
        sd_bus_flush_close_unref(bus);
    }
    done_ = true;
}

}  // namespace sgsim
