#include "run_control.h"

#include <fcntl.h>
#include <unistd.h>

namespace nflash {

RunControl::RunControl() {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
}

RunControl::~RunControl() {
    for (int fd : wake_) {
        if (fd >= 0) ::close(fd);
    }
}

void RunControl::SetDrives(std::vector<std::string> labels) {
    std::lock_guard lock(mutex_);
    labels_ = std::move(labels);
    drives_.clear();
    for (const std::string& label : labels_) {
        drives_.push_back(interrupted_ || label.empty() ? DriveState::Cancelled : DriveState::Untouched);
    }
}

std::string RunControl::Label(std::size_t drive) const {
    std::lock_guard lock(mutex_);
    return drive < labels_.size() ? labels_[drive] : std::string();
}

bool RunControl::BeginChange(std::size_t drive) {
    std::lock_guard lock(mutex_);
    if (drive >= drives_.size()) return false;
    if (drives_[drive] == DriveState::Untouched) drives_[drive] = DriveState::Changing;
    return drives_[drive] == DriveState::Changing;
}

Interruption RunControl::Interrupt() {
    std::lock_guard lock(mutex_);
    Interruption what;
    what.first = !interrupted_;
    interrupted_ = true;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (labels_[i].empty()) continue;
        if (drives_[i] == DriveState::Untouched) drives_[i] = DriveState::Cancelled;
        if (drives_[i] == DriveState::Changing) {
            what.finishing.push_back(i);
        } else {
            what.cancelled.push_back(i);
        }
    }
    if (what.first && wake_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_[1], &byte, 1);
    }
    return what;
}

bool RunControl::Interrupted() const {
    std::lock_guard lock(mutex_);
    return interrupted_;
}

bool RunControl::Cancelled(std::size_t drive) const {
    std::lock_guard lock(mutex_);
    return drive < drives_.size() && drives_[drive] == DriveState::Cancelled;
}

bool RunControl::Changing(std::size_t drive) const {
    std::lock_guard lock(mutex_);
    return drive < drives_.size() && drives_[drive] == DriveState::Changing;
}

}  // namespace nflash
