// The updater's main window: start-up, drive list and matching, the update
// run with its progress display, and the final report.
#pragma once

#include <cstdint>
#include <string>

#include "../drive/drive_manager.h"
#include "flash_worker.h"
#include "../framework/framework.h"
#include "../platform/os_info.h"
#include "update_run.h"

class TNorvekMain : public fw::TForm {
public:
    TNorvekMain();
    ~TNorvekMain() override;

    // Controls, in the order the form creates them.
    fw::TBevel Bevel1;
    fw::TLabel Label1;
    fw::TLabel lblMsg;
    fw::TLabel lblPercent;
    fw::TLabel lblUpdateMsg;
    fw::TLabel lblNewFW;
    fw::TLabel lblOldFW;
    fw::TLabel lblTo;
    fw::TComboBox cboDrives;
    fw::TProgressBar pbar;
    fw::TBitBtn cmdUpdate;
    fw::TBitBtn cmdClose;
    fw::TTimer tmr;

    std::int32_t activeWorkers = 0;
    std::int32_t runDriveCount = 0;
    std::uint8_t runSucceeded = 0;
    DriveManager* mainManager = nullptr;
    OsInfo osInfo;
    std::string detectedDrivesText;

    // Event handlers.
    void cmdUpdateClick(void* sender);
    void cmdCloseClick(void* sender);
    void cboDrivesChange(void* sender);
    void tmrTimer(void* sender);
    void OnWorkerDone(fw::TThread* worker);
    void FormDestroy(void* sender);

    void FillDriveList();
    void MatchDrives();
    bool CheckDiscAndTray(DriveManager& m);

    bool RunInProgress() const { return run.InProgress(); }

private:
    bool StartUpFirstHalf();
    void StartUpSecondHalf();
    bool CreateMainManager();
    void ShowAspiLoadError(const DriveManager& m);
    bool ConfirmMatchedDrives();
    bool ConfirmNotice();
    void LockSystemMenu();
    void PostAutomaticRun();

    bool PrepareRunDrives();
    void AddRunDrive(std::int16_t index);
    void StartRunDrives();
    void StartDrive(RunDrive& drive);
    bool TakeExclusiveAccess(RunDrive& drive, const DriveEntry& entry);
    void EndOfStart();
    void EnterRunningState();
    // The session guard (no sleep, no log-off or shutdown): held from the
    // first drive that is checked or started until the run is over.
    void HoldSessionGuard();
    void ReleaseSessionGuard();
    void FinishRun();
    // Whatever way FinishRun is left: the guard released, the run over, the
    // controls usable.
    void EndRun();
    void ReinquireDrives();
    void ReportSuccess();
    void SetRunControlsEnabled(bool enabled);

    UpdateRun run;
    bool sessionGuardHeld_ = false;
};

