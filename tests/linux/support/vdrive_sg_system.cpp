#include "vdrive_sg_system.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

namespace sgsim {
namespace {

constexpr unsigned char kDidNoConnect = 0x01;
constexpr unsigned char kDidTimeOut = 0x03;
constexpr unsigned short kDriverSense = 0x08;
constexpr unsigned int kSgInfoCheck = 0x01;

vdrive::Direction DirectionOf(int sgDirection) {
    switch (sgDirection) {
        case SG_DXFER_TO_DEV: return vdrive::Direction::Out;
        case SG_DXFER_FROM_DEV: return vdrive::Direction::In;
        default: return vdrive::Direction::None;
    }
}

bool ValidHeader(const sg_io_hdr_t& h) {
    return h.interface_id == 'S' && h.cmdp != nullptr && h.cmd_len >= 6 && h.cmd_len <= 16 &&
           (h.dxfer_len == 0 || h.dxferp != nullptr);
}

}  // namespace

bool IsSgNode(const std::string& path) {
    return std::filesystem::path(path).filename().string().rfind("sg", 0) == 0;
}

void FillAnswer(sg_io_hdr_t& header, const vdrive::Outcome& outcome, double& waitedSeconds) {
    header.status = 0;
    header.masked_status = 0;
    header.host_status = 0;
    header.driver_status = 0;
    header.sb_len_wr = 0;
    header.resid = 0;
    header.info = 0;
    const double timeoutSeconds = header.timeout / 1000.0;
    waitedSeconds = outcome.latencySeconds;
    if (header.timeout != 0 && outcome.latencySeconds > timeoutSeconds) {
        waitedSeconds = timeoutSeconds;
        header.host_status = kDidTimeOut;
        header.info = kSgInfoCheck;
    } else if (!outcome.delivered) {
        header.host_status = kDidNoConnect;
        header.info = kSgInfoCheck;
    } else {
        header.status = outcome.scsiStatus;
        header.masked_status = static_cast<unsigned char>(outcome.scsiStatus >> 1);
        header.resid = static_cast<int>(header.dxfer_len - std::min(header.dxfer_len, outcome.transferred));
        if (outcome.scsiStatus == vdrive::kStatusCheckCondition && header.sbp != nullptr) {
            const auto length = std::min<std::size_t>(header.mx_sb_len, outcome.sense.size());
            std::memcpy(header.sbp, outcome.sense.data(), length);
            header.sb_len_wr = static_cast<unsigned char>(length);
            header.driver_status = kDriverSense;
        }
        if (outcome.scsiStatus != vdrive::kStatusGood) header.info = kSgInfoCheck;
    }
    header.duration = static_cast<unsigned int>(waitedSeconds * 1000.0);
}

VdriveSgSystem::VdriveSgSystem(std::function<int()> allocateFd, std::function<void(int)> releaseFd)
    : allocateFd_(std::move(allocateFd)), releaseFd_(std::move(releaseFd)) {}

void VdriveSgSystem::AddNode(const std::string& path, std::shared_ptr<vdrive::Drive> drive, int index) {
    std::lock_guard lock(mutex_);
    nodes_[path] = NodeDrive{std::move(drive), index};
}

void VdriveSgSystem::FailOpen(const std::string& path, int error) {
    std::lock_guard lock(mutex_);
    openErrors_[path] = error;
}

bool VdriveSgSystem::Serves(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return nodes_.contains(path) || openErrors_.contains(path);
}

bool VdriveSgSystem::Owns(int fd) const {
    std::lock_guard lock(mutex_);
    return files_.contains(fd);
}

std::size_t VdriveSgSystem::CommandCount() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

int VdriveSgSystem::NodeUsers(const std::string& path, bool& heldExclusively) const {
    int users = 0;
    heldExclusively = false;
    for (const auto& [fd, file] : files_) {
        if (file.path != path) continue;
        ++users;
        heldExclusively = heldExclusively || file.exclusive;
    }
    return users;
}

int VdriveSgSystem::Open(const char* path, int flags) {
    std::lock_guard lock(mutex_);
    return OpenLocked(path ? path : "", flags);
}

int VdriveSgSystem::OpenLocked(const std::string& path, int flags) {
    if (auto failure = openErrors_.find(path); failure != openErrors_.end()) return -failure->second;
    const auto node = nodes_.find(path);
    if (node == nodes_.end()) return -ENOENT;
    bool held = false;
    const int users = NodeUsers(path, held);
    const bool exclusive = (flags & O_EXCL) != 0;
    const bool refused = IsSgNode(path) ? held || (exclusive && users > 0) : exclusive && held;
    if (refused) return -EBUSY;
    const int fd = allocateFd_ ? allocateFd_() : nextFd_++;
    if (fd < 0) return -EMFILE;
    files_[fd] = OpenFile{path, node->second, exclusive};
    return fd;
}

int VdriveSgSystem::SgIo(int fd, sg_io_hdr_t& header) {
    NodeDrive node;
    {
        std::lock_guard lock(mutex_);
        const auto file = files_.find(fd);
        if (file == files_.end()) return EBADF;
        node = file->second.node;
    }
    if (!ValidHeader(header)) return EINVAL;
    const vdrive::Outcome outcome = node.drive->Execute(header.cmdp, DirectionOf(header.dxfer_direction),
                                                        static_cast<std::uint8_t*>(header.dxferp), header.dxfer_len);
    double waited = 0.0;
    FillAnswer(header, outcome, waited);
    if (realTime_ && waited > 0.0) std::this_thread::sleep_for(std::chrono::duration<double>(waited));
    {
        std::lock_guard lock(mutex_);
        ++commands_;
    }
    if (observer_) observer_(ServedCommand{node.index, &header, outcome});
    return 0;
}

void VdriveSgSystem::Close(int fd) {
    {
        std::lock_guard lock(mutex_);
        if (files_.erase(fd) == 0) return;
    }
    if (releaseFd_) releaseFd_(fd);
}

}  // namespace sgsim
