// What tests and the DLL's exit report read from a drive, and the few things
// a user does to it by hand. Every access takes the drive's lock, so a test
// may look while a worker thread is still sending commands.
#include <algorithm>

#include "drive.h"
#include "drive_state.h"

namespace vdrive {

std::vector<CommandRecord> Drive::Commands() const {
    std::lock_guard lock(mutex_);
    return state_->log;
}

std::vector<std::array<std::uint8_t, 12>> Drive::CommandBlocks() const {
    std::lock_guard lock(mutex_);
    std::vector<std::array<std::uint8_t, 12>> blocks;
    blocks.reserve(state_->log.size());
    for (const CommandRecord& record : state_->log) blocks.push_back(record.cdb);
    return blocks;
}

std::vector<std::uint8_t> Drive::FlashContents() const {
    std::lock_guard lock(mutex_);
    return state_->flash;
}

std::string Drive::Revision() const {
    std::lock_guard lock(mutex_);
    return state_->revision;
}

bool Drive::BootCodeRequested() const {
    std::lock_guard lock(mutex_);
    return state_->bootCode;
}

int Drive::CommitCount() const {
    std::lock_guard lock(mutex_);
    return state_->commitCount;
}

bool Drive::LoaderAccepted() const {
    std::lock_guard lock(mutex_);
    return state_->loaderAccepted;
}

std::vector<std::uint8_t> Drive::DownloadBuffer(std::uint32_t offset, std::uint32_t length) const {
    std::lock_guard lock(mutex_);
    const std::vector<std::uint8_t>& buffer = state_->downloadBuffer;
    const std::size_t from = std::min<std::size_t>(offset, buffer.size());
    const std::size_t to = from + std::min<std::size_t>(length, buffer.size() - from);
    return {buffer.begin() + static_cast<std::ptrdiff_t>(from), buffer.begin() + static_cast<std::ptrdiff_t>(to)};
}

bool Drive::DiscPresent() const {
    std::lock_guard lock(mutex_);
    return state_->discPresent;
}

bool Drive::TrayOpen() const {
    std::lock_guard lock(mutex_);
    return state_->trayOpen;
}

void Drive::SetDiscPresent(bool present) {
    std::lock_guard lock(mutex_);
    state_->discPresent = present;
}

void Drive::SetTrayOpen(bool open) {
    std::lock_guard lock(mutex_);
    state_->trayOpen = open;
}

}  // namespace vdrive
