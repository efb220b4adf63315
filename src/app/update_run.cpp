#include "update_run.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>

#include "../drive/run_log_lines.h"
#include "../package/settings.h"
#include "flash_worker.h"
#include "run_log.h"
#include "tools/pack/sha256.h"

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

namespace {

void LogFlashStart(const RunDrive& drive, const DriveEntry& entry, const FlashJob& job, const std::string& digest) {
    LogLine(FlashLogText(drive.manager->DriveLabel(), entry.bank, job.imageSize, digest, job.bootCode));
}

}  // namespace

bool StartFlashWorker(RunDrive& drive, const DriveManager& mainManager, std::function<void(fw::TThread*)> onDone) {
    // The bank comes from the row the drive was chosen from.
    const DriveEntry* entry = mainManager.GetEntry(static_cast<std::uint32_t>(drive.row));
    if (drive.failed || drive.manager == nullptr || entry == nullptr) {
        drive.failed = true;
        return false;
    }
    drive.image = ImageOfBank(pkg::ActivePackage(), entry->bank);
    FlashJob job;
    std::memset(&job, 0, sizeof job);
    job.manager = drive.manager.get();
    job.image = drive.image.pointer;
    job.imageSize = drive.image.size;
    job.bootCode = CurrentSettings().bootCode ? 1 : 0;
    if (job.image != nullptr) {
        drive.imageSha256 = pack::Sha256Hex(std::span(job.image, static_cast<std::size_t>(job.imageSize)));
    }
    LogFlashStart(drive, *entry, job, drive.imageSha256.empty() ? "none" : drive.imageSha256);
    auto* worker = new (std::nothrow) FlashWorker(job, std::move(onDone));
    if (worker == nullptr || !worker->Start()) {
        delete worker;
        drive.failed = true;
        return false;
    }
    return true;
}
