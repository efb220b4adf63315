// norvek.exe /quiet: the update run with nobody at the screen, for
// deployment tools. No window and no dialog: every drive the package allows
// is flashed, in parallel, as in automatic mode; the package's notice counts
// as accepted by the administrator who chose /quiet; a drive that holds a
// disc where the package asks for the disc check fails (nobody can take the
// disc out); the outcome is the exit code (src/platform/exit_codes.h), the
// run log, and the report when /report: asks for one.
//
// It drives the same run as the window (UpdateRun, StartFlashWorker, the
// flash workers and their terminations through the application's event
// loop), so it needs a live fw::Application; it shows nothing through it.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "../drive/drive_manager.h"
#include "../platform/exit_codes.h"
#include "unattended_report.h"
#include "update_run.h"

struct UnattendedOptions {
    bool noRestart = false;   // leave a restart the package asks for to the caller (3010)
    std::string reportPath;   // empty: no report
    std::string logProblem;   // why the run log could not be opened, if it could not
};

class UnattendedRun {
public:
    explicit UnattendedRun(UnattendedOptions options);
    ~UnattendedRun();
    UnattendedRun(const UnattendedRun&) = delete;
    UnattendedRun& operator=(const UnattendedRun&) = delete;

    // The whole run, from the package to the restart; once.
    norvek::ExitCode Run();
    const UnattendedReport& Report() const { return report_; }

private:
    norvek::ExitCode Execute();
    norvek::ExitCode Stop(norvek::ExitCode code, const std::string& why);
    void Warn(const std::string& warning);
    void DescribeBanks(const pkg::PackageReader& package);
    bool Refused(norvek::ExitCode& code);
    bool CreateMainManager();
    void MatchAll();
    void MatchAndDescribe();
    void ChooseDrives();
    void StartDrives();
    void OnWorkerDone(std::size_t index);
    // The drives' outcomes into the report, their managers freed; true when
    // every drive was flashed.
    bool CollectResults();
    void Reinquire();
    norvek::ExitCode Restart();

    UnattendedOptions options_;
    UnattendedReport report_;
    std::unique_ptr<DriveManager> main_;
    UpdateRun run_;
    std::vector<std::size_t> reportIndex_;  // per run drive: its report entry
    std::vector<std::chrono::steady_clock::time_point> started_;
    int activeWorkers_ = 0;
};
