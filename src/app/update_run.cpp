#include <cstring>
#include <new>

#include "../drive/drive_commands.h"
#include "../package/settings.h"
#include "messages.h"
#include "norvek_main.h"
#include "run_image.h"

namespace {
constexpr int kProgressSteps = 330;
constexpr std::int32_t kTrayWaitSeconds = 120;
}  // namespace

void TNorvekMain::cmdUpdateClick(void*) {
    // One run at a time: a second start would reset the fields the running
    // workers report to.
    if (runInProgress) return;
    runDriveCount = 0;
    if (!PrepareRunDrives()) return;

    activeWorkers = 0;
    runInProgress = true;
    for (int j = 0; j < runDriveCount; ++j) StartWorker(j);
    if (activeWorkers != 0) {
        EnterRunningState();
    } else {
        FinishRun();
    }
}

// Picks the drives of the run and gives each its own manager. False when the
// user declined to re-flash an up-to-date drive (the program then ends).
bool TNorvekMain::PrepareRunDrives() {
    if (CurrentSettings().autoMode != 0) {
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
    if (entry->upToDate == 1 && CurrentSettings().n2oMessage != 0) {
        if (!fw::MessageDlg(UpToDateText(), fw::DialogKind::Warning, fw::DialogButtons::YesNo)) {
            fw::Application->Terminate();
            return false;
        }
    }
    AddRunDrive(static_cast<std::int16_t>(k));
    return true;
}

void TNorvekMain::AddRunDrive(std::int16_t index) {
    const int j = runDriveCount++;
    runDriveIndex[j] = index;
    DriveManager* m = new (std::nothrow) DriveManager(false);
    if (m != nullptr && !m->Usable()) {
        delete m;
        m = nullptr;
    }
    perDriveManagers[j] = m;
    runDriveFailed[j] = m == nullptr;
    if (m == nullptr) return;
    DriveManager::CopyDiscoveryState(mainManager, m);
    // A drive whose device cannot be opened fails here: its disc check
    // could only ask for ever for a disc it cannot see.
    runDriveFailed[j] = m->SelectDrive(index) != 1;
}

void TNorvekMain::StartWorker(int j) {
    workers[j] = nullptr;
    DriveManager* m = perDriveManagers[j];
    if (m == nullptr || runDriveFailed[j]) return;
    // The bank comes from the row the drive was chosen from.
    const DriveEntry* entry = mainManager->GetEntry(static_cast<std::uint32_t>(runDriveIndex[j]));
    if (entry == nullptr) {
        runDriveFailed[j] = true;
        return;
    }
    SelectRunImage(pkg::ActivePackage(), entry->bank);
    FlashJob job;
    std::memset(&job, 0, sizeof job);
    job.manager = m;
    job.image = CurrentRunImage().pointer;
    job.imageSize = CurrentRunImage().size;
    job.bootCode = CurrentSettings().bootCode != 0 ? 1 : 0;
    job.window = this;
    if (CurrentSettings().chkDisc == 1) CheckDiscAndTray(*m);

    workers[j] = new Parser(job, [this](fw::TThread* worker) { OnWorkerDone(worker); });
    ++activeWorkers;
    workers[j]->Start();
}

void TNorvekMain::EnterRunningState() {
    pbar.SetMin(0);
    pbar.SetMax(kProgressSteps);
    pbar.SetStep(1);
    tmr.SetEnabled(true);
    SetRunControlsEnabled(false);
    lblMsg.SetFontColor(fw::clMaroon);
    fw::Application->Loop().RunStateChanged(true);
}

void TNorvekMain::SetRunControlsEnabled(bool enabled) {
    cmdUpdate.SetEnabled(enabled);
    cmdClose.SetEnabled(enabled);
    cboDrives.SetEnabled(enabled);
}

void TNorvekMain::CheckDiscAndTray(DriveManager& m) {
    lblMsg.SetCaption("Check Disc & Tray Status...");
    for (;;) {
        const bool absent = IsMediumAbsent(m) != 0;
        if (absent && !IsTrayOpen(m)) return;
        if (!absent) {
            lblMsg.SetCaption("Tray Out ...");
            EjectTray(m);
            WaitReady(m, kTrayWaitSeconds);
            if (SenseIs(m, 2, 0x3A)) {
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

void TNorvekMain::OnWorkerDone(fw::TThread*) {
    if (--activeWorkers != 0) return;
    FinishRun();
}

void TNorvekMain::FinishRun() {
    tmr.SetEnabled(false);
    runSucceeded = 1;
    for (int j = 0; j < runDriveCount; ++j) {
        DriveManager* m = perDriveManagers[j];
        if (runDriveFailed[j] || m == nullptr || m->errorCode != 0) runSucceeded = 0;
        delete m;
        perDriveManagers[j] = nullptr;
        workers[j] = nullptr;
    }
    runInProgress = false;
    fw::Application->Loop().RunStateChanged(false);
    pbar.SetPosition(pbar.Max());
    lblPercent.SetCaption("100 %");
    lblMsg.SetCaption("Inquiry ...");
    fw::Application->ProcessMessages();

    ReinquireDrives();
    SetRunControlsEnabled(true);
    if (runSucceeded == 0) {
        fw::Application->Loop().ProgressChanged(pbar.Position(), pbar.Max(), true);
        fw::MessageDlg("Unable to flash firmware. Please contact with your vendor !",
                       fw::DialogKind::Error, fw::DialogButtons::Ok);
        fw::Application->Terminate();
        return;
    }
    ReportSuccess();
}

void TNorvekMain::ReinquireDrives() {
    if (CurrentSettings().autoMode == 0) {
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
    fw::MessageDlg("Firmware has been updated successfully !", fw::DialogKind::Information,
                   fw::DialogButtons::Ok);
    lblMsg.SetCaption("");
    cboDrivesChange(nullptr);
    lblPercent.SetCaption("0 %");
    pbar.SetPosition(0);
    const Settings& settings = CurrentSettings();
    if (settings.reboot != 0) {
        osInfo.Restart();
        fw::Application->Terminate();
    } else if (settings.closeAp != 0) {
        fw::Application->Terminate();
    }
}
