#include "inhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace nflash {
namespace {

constexpr std::uint64_t kCallTimeoutMicroseconds = 5'000'000;

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

class BusError {
public:
    ~BusError() { sd_bus_error_free(&error_); }
    sd_bus_error* get() { return &error_; }
    std::string Text(int code) const { return sd_bus_error_is_set(&error_) ? error_.message : std::strerror(-code); }

private:
    sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

Inhibition Without(const std::string& reason) {
    Inhibition inhibition;
    inhibition.warning = "no inhibitor lock (" + reason +
                         "): shutdown and sleep are not blocked during the flash; do not turn the computer off";
    return inhibition;
}

int CallInhibit(sd_bus* bus, const std::string& what, const std::string& why, BusError& error,
                sd_bus_message*& reply) {
    return sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                              "org.freedesktop.login1.Manager", "Inhibit", error.get(), &reply, "ssss", what.c_str(),
                              kInhibitWho, why.c_str(), kInhibitMode);
}

}  // namespace

InhibitorLock::~InhibitorLock() {
    if (fd_ >= 0) ::close(fd_);
}

Inhibition TakeInhibitorLock(const std::string& why) {
    sd_bus* raw = nullptr;
    const int opened = sd_bus_open_system(&raw);
    if (opened < 0) return Without(std::string("cannot reach the system bus: ") + std::strerror(-opened));
    const std::unique_ptr<sd_bus, BusCloser> bus(raw);
    sd_bus_set_method_call_timeout(bus.get(), kCallTimeoutMicroseconds);

    const std::string every = std::string(kInhibitWhat) + ":" + kInhibitRebootKey;
    BusError error;
    sd_bus_message* rawReply = nullptr;
    int called = CallInhibit(bus.get(), every, why, error, rawReply);
    if (called < 0 && sd_bus_error_has_name(error.get(), SD_BUS_ERROR_INVALID_ARGS)) {
        BusError older;
        called = CallInhibit(bus.get(), kInhibitWhat, why, older, rawReply);
        if (called < 0) return Without("logind: " + older.Text(called));
    }
    if (called < 0) return Without("logind: " + error.Text(called));
    const std::unique_ptr<sd_bus_message, MessageUnref> reply(rawReply);

    int fd = -1;
    const int read = sd_bus_message_read(reply.get(), "h", &fd);
    if (read < 0) return Without(std::string("logind's answer: ") + std::strerror(-read));
    // The descriptor belongs to the message; the lock needs its own.
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (own < 0) return Without(std::string("cannot keep the lock: ") + std::strerror(errno));
    Inhibition inhibition;
    inhibition.lock.emplace(own);
    return inhibition;
}

}  // namespace nflash
