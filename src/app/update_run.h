// One update run: the drives taking part, each with its own manager and
// image, and the phase the run is in.
//
// The phases keep a run from ending while it is still being built. Showing a
// dialog runs the platform's modal loop, which delivers worker terminations
// and timer ticks, so a worker can end while a later drive's disc check is
// still asking the user: its end is counted, but the run finishes only once
// every drive has been started or has failed (phase Running) and the last
// worker is in.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../drive/drive_manager.h"
#include "../drive/exclusive_access.h"
#include "../framework/framework.h"
#include "run_image.h"

enum class RunPhase {
    Idle,       // no run: a start is accepted
    Starting,   // drives are being chosen, checked and started
    Running,    // every drive has its worker or has failed; waiting for the workers
    Finishing,  // the last worker is in: report, re-inquiry, restart or close
};

struct RunDrive {
    // The start-up manager's table row the drive was chosen from.
    std::int16_t row = 0;
    // The drive's own manager; null when it could not be made. Its worker
    // uses it until the worker's termination has been delivered.
    std::unique_ptr<DriveManager> manager;
    // The drive locked for this program while the run lasts; declared after
    // the manager so that it unlocks before the manager closes the device.
    ExclusiveDriveLock lock;
    RunImage image;
    // The image's SHA-256, once its worker was started; for logs and reports.
    std::string imageSha256;
    // Failed before a worker could flash it: no manager, not opened, held
    // by another program, no answer during the disc check, or no thread.
    // Nothing was written to it.
    bool failed = false;

    bool Succeeded() const { return !failed && manager != nullptr && manager->errorCode == 0; }
};

// Starts the worker that flashes `drive`: its image from the bank matching
// gave its row in `mainManager`, the job filled from the settings, the
// worker made with `onDone` as its termination and started. False, with
// the drive failed, when the row is gone or no thread could be made; a
// worker that never started sends no termination.
bool StartFlashWorker(RunDrive& drive, const DriveManager& mainManager, std::function<void(fw::TThread*)> onDone);

class UpdateRun {
public:
    RunPhase Phase() const { return phase_; }
    bool InProgress() const { return phase_ != RunPhase::Idle; }
    void EnterPhase(RunPhase phase) { phase_ = phase; }

    // Forgets the previous run's drives and enters Starting.
    void Begin();
    // A new drive from `row`, its manager made and selected; failed when it
    // could not be.
    RunDrive& Add(const DriveManager& mainManager, std::int16_t row);
    std::vector<RunDrive>& Drives() { return drives_; }
    // True when every drive of the run succeeded.
    bool Succeeded() const;
    // Unlocks every drive and frees its manager; only once no worker uses one.
    void ReleaseManagers();

private:
    RunPhase phase_ = RunPhase::Idle;
    std::vector<RunDrive> drives_;
};
