#include "update_run.h"

#include <algorithm>
#include <new>

void UpdateRun::Begin() {
    drives_.clear();
    drives_.reserve(kMaxDrives);
    phase_ = RunPhase::Starting;
}

RunDrive& UpdateRun::Add(const DriveManager& mainManager, std::int16_t row) {
    RunDrive& drive = drives_.emplace_back();
    drive.row = row;
    drive.manager.reset(new (std::nothrow) DriveManager(false));
    if (drive.manager != nullptr && !drive.manager->Usable()) drive.manager.reset();
    if (drive.manager == nullptr) {
        drive.failed = true;
        return drive;
    }
    DriveManager::CopyDiscoveryState(&mainManager, drive.manager.get());
    // A drive whose device cannot be opened fails here: its disc check
    // could only ask for ever for a disc it cannot see.
    drive.failed = drive.manager->SelectDrive(row) != 1;
    return drive;
}

bool UpdateRun::Succeeded() const {
    return std::ranges::all_of(drives_, &RunDrive::Succeeded);
}

void UpdateRun::ReleaseManagers() {
    for (RunDrive& drive : drives_) {
        drive.lock.Release();
        drive.manager.reset();
    }
}
