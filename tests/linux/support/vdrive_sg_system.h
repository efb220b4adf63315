// SG_IO served by virtual drives: what the kernel's sg and sr drivers would
// answer for a vdrive::Drive behind a device node. The unit tests use it as
// the transport's system; the preload library puts it behind the real
// program's open/ioctl/close.
//
// How an outcome of the drive becomes an SG_IO answer:
// - answered: status the drive's, DRIVER_SENSE and up to mx_sb_len bytes
//   of sense with CHECK CONDITION, residual = requested - moved;
// - not delivered (no answer): host status DID_NO_CONNECT, nothing else;
// - slower than the request's time-out: after the time-out, host status
//   DID_TIME_OUT, as the mid-level reports a command it aborted.
// Node semantics, as the kernel keeps them, each for its own node: on an sg
// node O_EXCL fails with EBUSY while the node is open, and any open fails
// with EBUSY while it is held with O_EXCL (the sg driver's rule); on a block
// node (sr) O_EXCL is a claim that fails with EBUSY only while another
// claim is held, and plain opens pass a claim. A node can be made to fail
// opening with any errno.
#pragma once

#include <scsi/sg.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/vdrive/drive.h"
#include "src/drive/transport/sg_io/sg_system.h"

namespace sgsim {

struct NodeDrive {
    std::shared_ptr<vdrive::Drive> drive;
    int index = 0;  // the drive's number in its scenario
};

// What one command came to, for the preload's request log.
struct ServedCommand {
    int driveIndex = 0;
    const sg_io_hdr_t* header = nullptr;  // after the answer was filled in
    vdrive::Outcome outcome;
};

class VdriveSgSystem final : public SgSystem {
public:
    // Descriptors come from `allocateFd` and go back to `releaseFd`
    // (the preload hands out real ones; tests get numbers from 1000 up).
    VdriveSgSystem(std::function<int()> allocateFd = nullptr, std::function<void(int)> releaseFd = nullptr);

    // Every node of a drive reaches the same drive (its sg and its sr node).
    void AddNode(const std::string& path, std::shared_ptr<vdrive::Drive> drive, int index);
    void FailOpen(const std::string& path, int error);
    // Wait the drive's latency on the steady clock (the default), or not.
    void SetRealTime(bool realTime) { realTime_ = realTime; }
    void OnCommand(std::function<void(const ServedCommand&)> observer) { observer_ = std::move(observer); }

    bool Serves(const std::string& path) const;
    bool Owns(int fd) const;

    int Open(const char* path, int flags) override;
    int SgIo(int fd, sg_io_hdr_t& header) override;
    void Close(int fd) override;

    // Commands served so far, in order, across all drives.
    std::size_t CommandCount() const;

private:
    struct OpenFile {
        std::string path;
        NodeDrive node;
        bool exclusive = false;
    };

    int OpenLocked(const std::string& path, int flags);
    int NodeUsers(const std::string& path, bool& heldExclusively) const;

    mutable std::mutex mutex_;
    std::function<int()> allocateFd_;
    std::function<void(int)> releaseFd_;
    std::map<std::string, NodeDrive> nodes_;
    std::map<std::string, int> openErrors_;
    std::map<int, OpenFile> files_;
    std::function<void(const ServedCommand&)> observer_;
    bool realTime_ = true;
    int nextFd_ = 1000;
    std::size_t commands_ = 0;
};

// Whether `path` names an sg node (its name starts "sg") rather than a
// block node.
bool IsSgNode(const std::string& path);

// The answer a drive's outcome gives, as described above; `waitedSeconds`
// is how long the command held the caller (the latency, cut at the time-out).
void FillAnswer(sg_io_hdr_t& header, const vdrive::Outcome& outcome, double& waitedSeconds);

}  // namespace sgsim
