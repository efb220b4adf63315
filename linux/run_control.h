// Who may still stop a run. A drive may be cancelled until its first
// command that changes it (the STOP before the loader); from then on it
// must be finished, because a drive left between its loader and its commit
// may not start again. An interruption (Ctrl-C, SIGTERM) cancels every
// drive that has not begun to change and lets the others finish.
//
// Shared by the signal thread and the drives' workers; every member takes
// the one lock.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace nflash {

struct Interruption {
    bool first = false;                  // the first interruption of this run
    std::vector<std::size_t> cancelled;  // drives of the run cancelled by it (or before it)
    std::vector<std::size_t> finishing;  // drives already changing, which carry on
};

class RunControl {
public:
    RunControl();
    ~RunControl();
    RunControl(const RunControl&) = delete;
    RunControl& operator=(const RunControl&) = delete;

    // The drives of the run, by their index in the drive list, each with a
    // label for the messages; an empty label marks a drive that takes no
    // part (it counts as cancelled and is never reported). Before this, an
    // interruption simply cancels the whole run.
    void SetDrives(std::vector<std::string> labels);
    std::string Label(std::size_t drive) const;

    // Asked before a drive's first changing command. True: go ahead; the
    // drive can no longer be cancelled. False: the run was interrupted
    // first, and the drive is cancelled.
    bool BeginChange(std::size_t drive);

    Interruption Interrupt();
    bool Interrupted() const;
    bool Cancelled(std::size_t drive) const;
    bool Changing(std::size_t drive) const;

    // Readable once the run has been interrupted: lets a thread that waits
    // for input (the confirmation) wait for an interruption too.
    int WakeFd() const { return wake_[0]; }

private:
    enum class DriveState : unsigned char { Untouched, Changing, Cancelled };

    mutable std::mutex mutex_;
    bool interrupted_ = false;
    std::vector<DriveState> drives_;
    std::vector<std::string> labels_;
    int wake_[2] = {-1, -1};
};

}  // namespace nflash
