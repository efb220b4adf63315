#include "unattended_run.h"

#include <new>
#include <span>

#include "../drive/drive_commands.h"
#include "../drive/run_log_lines.h"
#include "../drive/table/entry_text.h"
#include "../drive/transport_preference.h"
#include "../framework/framework.h"
#include "../package/settings.h"
#include "../platform/win32.h"
#include "drive_table_log.h"
#include "own_file_check.h"
#include "run_log.h"
#include "system_power.h"
#include "table_matching.h"
#include "tools/pack/sha256.h"

#ifdef _WIN32
#include <shlobj.h>
#endif

namespace {

using norvek::ExitCode;
using Clock = std::chrono::steady_clock;

constexpr std::int32_t kTrayWaitSeconds = 120;

// Why the drive may not be flashed now, or nothing. Without anyone at the
// screen a disc cannot be taken out: a drive holding one fails, its tray is
// not opened. An open tray is closed, as the window does.
std::string DiscCheckProblem(DriveManager& m) {
    bool absent = IsMediumAbsent(m) != 0;
    if (m.lastStatus == kStatusFailed) return "no answer to TEST UNIT READY";
    if (!absent) return "a disc is in the drive (the package asks for an empty drive)";
    if (IsTrayOpen(m)) {
        LoadTray(m);
        WaitReady(m, kTrayWaitSeconds);
        absent = IsMediumAbsent(m) != 0;
        if (!absent) return "a disc is in the drive (the package asks for an empty drive)";
        if (IsTrayOpen(m)) return "the tray does not close";
    }
    return "";
}

bool Administrator() {
    OsInfo os;
    // The older family has no administrators; its drives are reached through ASPI.
    return !os.IsNtFamily() || IsUserAnAdmin();
}

}  // namespace

UnattendedRun::UnattendedRun(UnattendedOptions options) : options_(std::move(options)) {}

UnattendedRun::~UnattendedRun() = default;

ExitCode UnattendedRun::Run() {
    const ExitCode code = Execute();
    report_.exitCode = norvek::Code(code);
    if (ProcessRunLog() != nullptr) report_.logPath = ProcessRunLog()->Path();
    LogLine("exit code " + std::to_string(report_.exitCode));
    if (!options_.reportPath.empty() && !WriteReport(report_, options_.reportPath)) {
        LogLine("cannot write the report " + options_.reportPath);
    }
    return code;
}

ExitCode UnattendedRun::Stop(ExitCode code, const std::string& why) {
    report_.errors.push_back(why);
    LogLine("stopped: " + why);
    return code;
}

void UnattendedRun::Warn(const std::string& warning) {
    report_.warnings.push_back(warning);
    LogLine("warning: " + warning);
}

ExitCode UnattendedRun::Execute() {
    const pkg::PackageReader package = pkg::ActivePackage();
    report_.title = package.Title();
    report_.version = package.Version();
    report_.driveName = package.DriveName();
    LogLine("unattended run (/quiet) of \"" + report_.title + "\" " + report_.version + " for " + report_.driveName);
    if (!options_.logProblem.empty()) Warn("no run log: " + options_.logProblem);
    if (const auto problem = OwnFileProblem()) return Stop(ExitCode::BadInput, *problem);
    ReadSettings(package);
    const Settings& settings = CurrentSettings();
    if (settings.howManyBin == 0) return Stop(ExitCode::BadInput, "no firmware in the package");
    DescribeBanks(package);
    if (settings.warning) LogLine("the package's notice counts as accepted: the updater was started with /quiet");

    ExitCode refusal = ExitCode::Success;
    if (Refused(refusal)) return refusal;
    if (!CreateMainManager()) return Stop(ExitCode::Refused, "no drive manager: no way to reach the drives");
    MatchAndDescribe();
    ChooseDrives();
    if (run_.Drives().empty()) return Stop(ExitCode::NothingToDo, "no drive the package allows");

    // The machine stays up (no sleep) from the first drive's disc check to
    // the last worker's end, as for the window's run.
    fw::Application->Loop().RunStateChanged(true);
    StartDrives();
    // The run's end comes as the last worker's termination, delivered by
    // the application's loop.
    if (activeWorkers_ != 0) fw::Application->Run();
    fw::Application->Loop().RunStateChanged(false);
    const bool succeeded = CollectResults();
    Reinquire();
    if (!succeeded) return Stop(ExitCode::DriveFailed, "a drive was not flashed");
    return settings.reboot ? Restart() : ExitCode::Success;
}

void UnattendedRun::DescribeBanks(const pkg::PackageReader& package) {
    for (int b = 0; b < pkg::BanksInUse(CurrentSettings().howManyBin); ++b) {
        const RunImage image = ImageOfBank(package, b);
        ReportBank bank{b + 1, image.offset, image.size, package.NewRevision(b), ""};
        if (image.pointer != nullptr) {
            bank.sha256 = pack::Sha256Hex(std::span(image.pointer, static_cast<std::size_t>(image.size)));
        }
        report_.banks.push_back(bank);
    }
}

// The checks before anything reaches a drive: rights, then power.
bool UnattendedRun::Refused(ExitCode& code) {
    if (!Administrator()) {
        code = Stop(ExitCode::Refused, "administrator rights are needed to reach the drives");
        return true;
    }
    const PowerState power = ReadSystemPowerState();
    LogLine("power: " + PowerStateText(power));
    const PowerJudgement judgement = JudgePower(power);
    if (judgement.verdict == PowerVerdict::Refuse) {
        code = Stop(ExitCode::Refused, judgement.text);
        return true;
    }
    if (judgement.verdict == PowerVerdict::Warn) Warn(judgement.text);
    return false;
}

// As the window's: ASPI preferred where it works; a manager whose buffers
// could not be allocated counts as not made.
bool UnattendedRun::CreateMainManager() {
    SetApplicationTag(kPreferAspiTag);
    fw::Application->Tag = kPreferAspiTag;
    main_.reset(new (std::nothrow) DriveManager(true));
    if (main_ != nullptr && main_->aspiLoadError) {
        Warn(std::string(main_->aspiLoadError->caption) + " " + main_->aspiLoadError->text);
    }
    if (main_ != nullptr && !main_->Usable()) main_.reset();
    return main_ != nullptr;
}

void UnattendedRun::MatchAll() {
    MatchTable(*main_);
    for (std::uint16_t i = 0; i < main_->GetDriveCount(); ++i) {
        const DriveEntry& e = main_->table.drives[i];
        if (e.present == 1 && TestBuildLeavesAlone(e)) {
            Warn(EntryLabel(e) + " left alone: this test build flashes only the project's virtual drives");
        }
    }
}

void UnattendedRun::MatchAndDescribe() {
    MatchAll();
    const pkg::PackageReader package = pkg::ActivePackage();
    for (std::uint16_t i = 0; i < main_->GetDriveCount(); ++i) {
        const DriveEntry& e = main_->table.drives[i];
        if (e.present != 1) continue;
        ReportDrive drive;
        drive.device = EntryLabel(e);
        drive.address = EntryAddress(e);
        drive.identity = RowIdentity(e);
        drive.chipId = ChipIdText(e.chipId);
        drive.matched = e.matched == 1;
        if (drive.matched) {
            drive.bank = e.bank + 1;
            drive.to = package.NewRevision(e.bank);
            drive.upToDate = e.upToDate == 1;
        }
        report_.drives.push_back(drive);
    }
    LogDriveTable(*main_);
    main_->CloseDrive();
}

// Every present, matched drive, in table order, as automatic mode chooses.
void UnattendedRun::ChooseDrives() {
    run_.Begin();
    std::size_t reportEntry = 0;
    for (std::uint16_t i = 0; i < main_->GetDriveCount(); ++i) {
        const DriveEntry* e = main_->GetEntry(i);
        if (e == nullptr || e->present != 1) continue;
        if (e->matched == 1 && run_.Drives().size() < static_cast<std::size_t>(kMaxDrives)) {
            report_.drives[reportEntry].chosen = true;
            RunDrive& drive = run_.Add(*main_, static_cast<std::int16_t>(i));
            reportIndex_.push_back(reportEntry);
            if (drive.failed) report_.drives[reportEntry].error = "the drive could not be opened";
        }
        ++reportEntry;
    }
    started_.assign(run_.Drives().size(), Clock::now());
}

void UnattendedRun::StartDrives() {
    auto& drives = run_.Drives();
    for (std::size_t j = 0; j < drives.size(); ++j) {
        RunDrive& drive = drives[j];
        ReportDrive& entry = report_.drives[reportIndex_[j]];
        if (drive.failed) continue;
        // As in the window's run: a drive another program holds is not
        // flashed; the others are kept from everyone else until the end.
        if (drive.lock.Take(drive.manager->deviceHandle) == LockOutcome::HeldByOther) {
            drive.failed = true;
            entry.error = "the drive is held by another program" +
                          (drive.lock.Holder().empty() ? std::string() : " (" + drive.lock.Holder() + ")");
            LogLine(drive.manager->DriveLabel() + ": " + entry.error);
            continue;
        }
        if (CurrentSettings().chkDisc) {
            const std::string problem = DiscCheckProblem(*drive.manager);
            if (!problem.empty()) {
                drive.failed = true;
                entry.error = problem;
                LogLine("disc check " + drive.manager->DriveLabel() + ": " + problem);
                continue;
            }
        }
        started_[j] = Clock::now();
        if (StartFlashWorker(drive, *main_, [this, j](fw::TThread*) { OnWorkerDone(j); })) {
            ++activeWorkers_;
        } else {
            entry.error = "no thread could be made for the drive";
        }
    }
    run_.EnterPhase(RunPhase::Running);
}

void UnattendedRun::OnWorkerDone(std::size_t index) {
    const std::chrono::duration<double> took = Clock::now() - started_[index];
    report_.drives[reportIndex_[index]].seconds = took.count();
    if (--activeWorkers_ == 0) fw::Application->Terminate();
}

bool UnattendedRun::CollectResults() {
    run_.EnterPhase(RunPhase::Finishing);
    auto& drives = run_.Drives();
    for (std::size_t j = 0; j < drives.size(); ++j) {
        ReportDrive& entry = report_.drives[reportIndex_[j]];
        entry.result = drives[j].Succeeded() ? "flashed" : "failed";
        if (!drives[j].Succeeded() && entry.error.empty())
            entry.error = "the image was not written, verified and committed";
        entry.imageSha256 = drives[j].imageSha256;
    }
    const bool succeeded = run_.Succeeded();
    run_.ReleaseManagers();
    return succeeded;
}

// Every drive is asked again, as automatic mode does: the log and the
// report show what each drive says after the run.
void UnattendedRun::Reinquire() {
    for (std::uint16_t i = 0; i < main_->GetDriveCount(); ++i) {
        main_->SelectDrive(static_cast<std::int16_t>(i));
        RefreshCurrentIdentity(*main_);
    }
    main_->CloseDrive();
    MatchAll();
    LogDriveTable(*main_);
    std::size_t reportEntry = 0;
    for (std::uint16_t i = 0; i < main_->GetDriveCount(); ++i) {
        const DriveEntry* e = main_->GetEntry(i);
        if (e == nullptr || e->present != 1) continue;
        if (report_.drives[reportEntry].chosen) report_.drives[reportEntry].after = RowIdentity(*e);
        ++reportEntry;
    }
    run_.EnterPhase(RunPhase::Idle);
}

ExitCode UnattendedRun::Restart() {
    if (options_.noRestart) {
        LogLine("the package asks for a restart; left to the caller (/norestart)");
        return ExitCode::RestartRequired;
    }
    LogLine("restarting the computer, as the package asks");
    if (OsInfo().Restart()) return ExitCode::RestartStarted;
    Warn("the restart the package asks for was refused (no shutdown privilege?)");
    return ExitCode::RestartRequired;
}
