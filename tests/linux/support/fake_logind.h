// A private D-Bus daemon with a stand-in for systemd-logind's Inhibit on
// it, so the inhibitor lock can be taken and released in a test exactly as
// on a desktop, and a bus with no logind on it for the warning path.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sgsim {

struct InhibitCall {
    std::string what, who, why, mode;
    int lockReadEnd = -1;  // at end of file once every copy of the lock is closed; -1: refused
};

class FakeLogind {
public:
    // Starts dbus-daemon on a socket in `dir`; with `serveLogind`, a thread
    // owns org.freedesktop.login1 on it. Available() says whether it ran
    // (dbus-daemon may be missing). With `unknownKey`, Inhibit refuses a
    // "what" naming it as an older logind does (InvalidArgs); the refused
    // call is recorded with no lock.
    FakeLogind(const std::filesystem::path& dir, bool serveLogind, std::string unknownKey = "");
    ~FakeLogind();
    FakeLogind(const FakeLogind&) = delete;
    FakeLogind& operator=(const FakeLogind&) = delete;

    bool Available() const { return ready_; }
    std::string Address() const { return "unix:path=" + socket_.string(); }
    std::vector<InhibitCall> Calls() const;

private:
    void Serve();

    std::string unknownKey_;
    std::filesystem::path socket_;
    pid_t daemon_ = -1;
    bool ready_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<bool> serving_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<InhibitCall> calls_;
};

}  // namespace sgsim
