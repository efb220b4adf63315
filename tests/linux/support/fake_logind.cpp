#include "fake_logind.h"

#include <fcntl.h>
#include <signal.h>
#include <systemd/sd-bus.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>

namespace sgsim {
namespace {

namespace fs = std::filesystem;

constexpr char kConfig[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";

std::string Config(const fs::path& socket) {
    std::string text = kConfig;
    text.replace(text.find("@SOCKET@"), 8, socket.string());
    return text;
}

bool WaitFor(const std::function<bool()>& ready) {
    for (int i = 0; i < 200; ++i) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool Connectable(const std::string& address) {
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) return false;
    sd_bus_set_address(bus, address.c_str());
    sd_bus_set_bus_client(bus, 1);
    const bool started = sd_bus_start(bus) >= 0;
    sd_bus_flush_close_unref(bus);
    return started;
}

struct Served {
    std::mutex* mutex;
    std::vector<InhibitCall>* calls;
    std::string unknownKey;
};

int OnInhibit(sd_bus_message* message, void* data, sd_bus_error* error) {
    auto* served = static_cast<Served*>(data);
    const char* what = nullptr;
    const char* who = nullptr;
    const char* why = nullptr;
    const char* mode = nullptr;
    const int read = sd_bus_message_read(message, "ssss", &what, &who, &why, &mode);
    if (read < 0) return read;
    // As an older logind answers a key it does not know.
    if (!served->unknownKey.empty() && std::string(what).find(served->unknownKey) != std::string::npos) {
        std::lock_guard lock(*served->mutex);
        served->calls->push_back(InhibitCall{what, who, why, mode, -1});
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "Invalid what argument");
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return -errno;
    {
        std::lock_guard lock(*served->mutex);
        served->calls->push_back(InhibitCall{what, who, why, mode, pipeEnds[0]});
    }
    const int replied = sd_bus_reply_method_return(message, "h", pipeEnds[1]);
    close(pipeEnds[1]);  // the reply carries its own copy
    return replied;
}

}  // namespace

// A socket's path must fit sockaddr_un (108 bytes), which a test's scratch
// folder may not; the socket gets a short name of its own.
FakeLogind::FakeLogind(const fs::path& dir, bool serveLogind, std::string unknownKey)
    : unknownKey_(std::move(unknownKey)),
      socket_(fs::temp_directory_path() /
              ("norvek-bus-" + std::to_string(getpid()) + "-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {
    const fs::path config = dir / "bus.conf";
    std::ofstream(config) << Config(socket_);
    daemon_ = fork();
    if (daemon_ == 0) {
        const std::string argument = "--config-file=" + config.string();
        execlp("dbus-daemon", "dbus-daemon", argument.c_str(), "--nofork", "--nopidfile", nullptr);
        _exit(127);
    }
    // The socket file appears before the daemon listens on it: ready is
    // when a client gets through.
    if (daemon_ < 0 || !WaitFor([this] { return fs::exists(socket_) && Connectable(Address()); })) return;
    if (!serveLogind) {
        ready_ = true;
        return;
    }
    thread_ = std::thread([this] { Serve(); });
    ready_ = WaitFor([this] { return serving_.load(); });
}

FakeLogind::~FakeLogind() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (daemon_ > 0) {
        kill(daemon_, SIGTERM);
        waitpid(daemon_, nullptr, 0);
    }
    std::error_code error;
    fs::remove(socket_, error);
    for (const InhibitCall& call : calls_) {
        if (call.lockReadEnd >= 0) close(call.lockReadEnd);
    }
}

std::vector<InhibitCall> FakeLogind::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void FakeLogind::Serve() {
    static const sd_bus_vtable kVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("Inhibit", "ssss", "h", OnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END,
    };
    Served calls{&mutex_, &calls_, unknownKey_};
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) return;
    sd_bus_set_address(bus, Address().c_str());
    sd_bus_set_bus_client(bus, 1);
    if (sd_bus_start(bus) >= 0 &&
        sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", kVtable,
                                 &calls) >= 0 &&
        sd_bus_request_name(bus, "org.freedesktop.login1", 0) >= 0) {
        serving_ = true;
        while (!stop_) {
            if (sd_bus_process(bus, nullptr) > 0) continue;
            sd_bus_wait(bus, 50'000);
        }
    }
    sd_bus_flush_close_unref(bus);
}

}  // namespace sgsim
