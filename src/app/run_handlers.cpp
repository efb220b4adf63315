// The update run as the window drives it: the start, each drive's disc
// check and worker, the progress bar, and the report once every drive is in.
#include <utility>

#include "../drive/drive_commands.h"
#include "../package/settings.h"
#include "dialog_texts.h"
#include "norvek_main.h"
#include "run_log.h"
#include "system_power.h"

namespace {
constexpr int kProgressSteps = 330;
constexpr std::int32_t kTrayWaitSeconds = 120;

// Runs `action` when the scope is left, by a return or by an exception.
template <typename Action>
class AtScopeExit {
public:
    explicit AtScopeExit(Action action) : action_(std::move(action)) {}
    ~AtScopeExit() { action_(); }
    AtScopeExit(const AtScopeExit&) = delete;
    AtScopeExit& operator=(const AtScopeExit&) = delete;

private:
    Action action_;
};
}  // namespace

void TNorvekMain::cmdUpdateClick(void*) {
    // One run at a time: a second start would reset the fields the running
    // workers report to.
    if (run.InProgress()) return;
    // Nothing is sent to a drive on a battery too low to finish the flash.
    if (!WindowPowerCheck()) return;
    run.Begin();
    runDriveCount = 0;
    // A preparation that throws must not leave the run half begun: Update
    // and Close would refuse for good.
    bool prepared = false;
    try {
        prepared = PrepareRunDrives();
    } catch (...) {
        run.EnterPhase(RunPhase::Idle);
        throw;
    }
    if (!prepared) {
        run.EnterPhase(RunPhase::Idle);
        return;
    }
    // Nothing on the window may start or end anything while the drives are
    // checked and started: the disc check's dialogs let the user at it.
    SetRunControlsEnabled(false);
    activeWorkers = 0;
    StartRunDrives();
}

// For each drive in turn, its disc check and then its worker. A worker that
// ends meanwhile is counted by OnWorkerDone; the run finishes here when every
// worker has already ended, or later with the last one.
void TNorvekMain::StartRunDrives() {
    auto& drives = run.Drives();
    std::size_t j = 0;
    try {
        for (; j < drives.size(); ++j) StartDrive(drives[j]);
    } catch (...) {
        // The drive that threw and those after it get no worker; the run
        // must still be able to end.
        for (; j < drives.size(); ++j) drives[j].failed = true;
        EndOfStart();
        throw;
    }
    EndOfStart();
}

void TNorvekMain::EndOfStart() {
    run.EnterPhase(RunPhase::Running);
    if (activeWorkers != 0) {
        EnterRunningState();
    } else {
        FinishRun();
    }
}

// Picks the drives of the run and gives each its own manager. False when the
// user declined to re-flash an up-to-date drive (the program then ends).
bool TNorvekMain::PrepareRunDrives() {
    if (CurrentSettings().autoMode) {
        for (std::uint16_t i = 0; i < mainManager->GetDriveCount() && runDriveCount < kMaxDrives; ++i) {
            const DriveEntry* entry = mainManager->GetEntry(i);
            if (entry != nullptr && entry->present == 1 && entry->matched == 1) {
                AddRunDrive(static_cast<std::int16_t>(i));
            }
        }
        return true;
    }
    const int k = cboDrives.ItemIndex();
    const DriveEntry* entry = mainManager->GetEntry(static_cast<std::uint32_t>(k));
    if (entry == nullptr || entry->matched != 1) return false;
    if (entry->upToDate == 1 && CurrentSettings().n2oMessage) {
        if (!fw::MessageDlg(UpToDateText(), fw::DialogKind::Warning, fw::DialogButtons::YesNo)) {
            fw::Application->Terminate();
            return false;
        }
    }
    AddRunDrive(static_cast<std::int16_t>(k));
    return true;
}

void TNorvekMain::AddRunDrive(std::int16_t index) {
    ++runDriveCount;
    const RunDrive& drive = run.Add(*mainManager, index);
    if (drive.manager != nullptr) ShowAspiLoadError(*drive.manager);
}

void TNorvekMain::StartDrive(RunDrive& drive) {
    if (drive.failed) return;
    const DriveEntry* entry = mainManager->GetEntry(static_cast<std::uint32_t>(drive.row));
    if (entry == nullptr || !TakeExclusiveAccess(drive, *entry)) {
        drive.failed = true;
        return;
    }
    // From here on an earlier drive may be flashing, or this one is about to.
    HoldSessionGuard();
    if (CurrentSettings().chkDisc && !CheckDiscAndTray(*drive.manager)) {
        drive.failed = true;
        return;
    }
    // Counted only once its thread runs: a worker that never started sends
    // no termination, and the run would wait for it for ever.
    if (StartFlashWorker(drive, *mainManager, [this](fw::TThread* w) { OnWorkerDone(w); })) ++activeWorkers;
}

// Where the system can lock a drive, the run keeps it to itself from its
// disc check to the end: no other program, media polling or AutoPlay can put
// a command between the download and the commit. A drive another program
// holds is not flashed at all; the user is told which program it is.
bool TNorvekMain::TakeExclusiveAccess(RunDrive& drive, const DriveEntry& entry) {
    if (drive.lock.Take(drive.manager->deviceHandle) != LockOutcome::HeldByOther) return true;
    fw::MessageDlg(DriveInUseText(entry.rootPath, drive.lock.Holder()), fw::DialogKind::Error,
                   fw::DialogButtons::Ok);
    return false;
}

void TNorvekMain::EnterRunningState() {
    pbar.SetMin(0);
    pbar.SetMax(kProgressSteps);
    pbar.SetStep(1);
    tmr.SetEnabled(true);
    lblMsg.SetFontColor(fw::clMaroon);
}

void TNorvekMain::HoldSessionGuard() {
    if (sessionGuardHeld_) return;
    sessionGuardHeld_ = true;
    fw::Application->Loop().RunStateChanged(true);
}

void TNorvekMain::ReleaseSessionGuard() {
    if (!sessionGuardHeld_) return;
    sessionGuardHeld_ = false;
    fw::Application->Loop().RunStateChanged(false);
}

void TNorvekMain::SetRunControlsEnabled(bool enabled) {
    cmdUpdate.SetEnabled(enabled);
    cmdClose.SetEnabled(enabled);
    cboDrives.SetEnabled(enabled);
}

// Asks until the drive holds no disc and has its tray in. A drive that gives
// no answer at all to the readiness command would otherwise read as holding
// a disc for ever, so it fails for this run instead (false).
bool TNorvekMain::CheckDiscAndTray(DriveManager& m) {
    lblMsg.SetCaption("Check Disc & Tray Status...");
    for (;;) {
        const bool absent = IsMediumAbsent(m) != 0;
        if (m.lastStatus == kStatusFailed) return false;
        if (absent && !IsTrayOpen(m)) return true;
        if (!absent) {
            lblMsg.SetCaption("Tray Out ...");
            EjectTray(m);
            WaitReady(m, kTrayWaitSeconds);
            if (SenseIs(m, kMediumNotPresent)) {
                fw::MessageDlg("Please remove the disc.", fw::DialogKind::Warning, fw::DialogButtons::Ok);
            } else {
                fw::MessageDlg(
                    "Disc detected in drive. Unable to eject the disc , maybe locked by other "
                    "program\n\nPlease remove the disc manually.",
                    fw::DialogKind::Warning, fw::DialogButtons::Ok);
            }
        }
        lblMsg.SetCaption("Tray In ...");
        LoadTray(m);
        lblMsg.SetCaption("Waiting Drive Ready ...");
        WaitReady(m, kTrayWaitSeconds);
        if (IsTrayOpen(m)) {
            fw::MessageDlg("Please push the tray in.", fw::DialogKind::Warning, fw::DialogButtons::Ok);
        }
    }
}

// The bar follows the clock, not the workers: full after 33 seconds, then it
// waits with ten dots for the last worker.
void TNorvekMain::tmrTimer(void*) {
    if (pbar.Position() == pbar.Max()) {
        lblMsg.SetCaption("Programming ..........");
        return;
    }
    pbar.StepIt();
    const int p = pbar.Position();
    const int m = pbar.Max();
    lblPercent.SetCaption(std::to_string(p * 100 / m) + " %");
    lblMsg.SetCaption("Programming " + std::string(static_cast<std::size_t>(p % 10), '.'));
}

// A worker that ends while later drives are still being started is only
// counted: the run finishes when the start is over and the last one is in.
void TNorvekMain::OnWorkerDone(fw::TThread*) {
    --activeWorkers;
    if (activeWorkers != 0 || run.Phase() != RunPhase::Running) return;
    FinishRun();
}

// Runs once per run, when no worker is left: only then are the managers
// freed, and only then may the program restart the computer or end.
void TNorvekMain::FinishRun() {
    run.EnterPhase(RunPhase::Finishing);
    const AtScopeExit end([this] { EndRun(); });
    tmr.SetEnabled(false);
    runSucceeded = run.Succeeded() ? 1 : 0;
    run.ReleaseManagers();
    pbar.SetPosition(pbar.Max());
    lblPercent.SetCaption("100 %");
    lblMsg.SetCaption("Inquiry ...");
    fw::Application->ProcessMessages();

    ReinquireDrives();
    SetRunControlsEnabled(true);
    if (runSucceeded == 0) {
        fw::Application->Loop().ProgressChanged(pbar.Position(), pbar.Max(), true);
        fw::MessageDlg("Unable to flash firmware. Please contact with your vendor !",
                       fw::DialogKind::Error, fw::DialogButtons::Ok, RunLogFootnote());
        run.EnterPhase(RunPhase::Idle);
        fw::Application->Terminate();
        return;
    }
    ReportSuccess();
}

// A run that ended in order is Idle by now, its controls set by the report;
// one left by an exception gets its controls back as they were before the
// report.
void TNorvekMain::EndRun() {
    ReleaseSessionGuard();
    if (run.Phase() != RunPhase::Finishing) return;
    SetRunControlsEnabled(true);
    run.EnterPhase(RunPhase::Idle);
}

void TNorvekMain::ReinquireDrives() {
    if (!CurrentSettings().autoMode) {
        const int k = cboDrives.ItemIndex();
        mainManager->SelectDrive(static_cast<std::int16_t>(k));
        RefreshCurrentIdentity(*mainManager);
        FillDriveList();
        cboDrives.SetItemIndex(k);
        return;
    }
    for (std::uint16_t i = 0; i < mainManager->GetDriveCount(); ++i) {
        mainManager->SelectDrive(static_cast<std::int16_t>(i));
        RefreshCurrentIdentity(*mainManager);
    }
    FillDriveList();
    mainManager->CloseDrive();
}

void TNorvekMain::ReportSuccess() {
    lblMsg.SetFontColor(fw::clNavy);
    lblMsg.SetCaption("Done.");
    // Update and Close are enabled again, but the run is not over until
    // this dialog is answered: a start from inside it is refused.
    fw::MessageDlg("Firmware has been updated successfully !", fw::DialogKind::Information,
                   fw::DialogButtons::Ok);
    run.EnterPhase(RunPhase::Idle);
    lblMsg.SetCaption("");
    cboDrivesChange(nullptr);
    lblPercent.SetCaption("0 %");
    pbar.SetPosition(0);
    const Settings& settings = CurrentSettings();
    if (settings.reboot) {
        // The restart asks every window whether the session may end, this
        // one included.
        ReleaseSessionGuard();
        osInfo.Restart();
        fw::Application->Terminate();
    } else if (settings.closeAp) {
        fw::Application->Terminate();
    }
}
