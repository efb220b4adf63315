// norvek-flash flash: every check first, then the drives' identities, the
// question, the inhibitor lock and the flash itself.
#include <algorithm>
#include <numeric>
#include <optional>

#include "command_logging.h"
#include "commands.h"
#include "confirmation.h"
#include "drive_access.h"
#include "drive_choice.h"
#include "drive_return.h"
#include "exit_precedence.h"
#include "file_report.h"
#include "flash_threads.h"
#include "held_drives.h"
#include "inhibitor.h"
#include "machine_power.h"
#include "privileges.h"
#include "report_text.h"
#include "safety_checks.h"
#include "src/app/dialog_texts.h"
#include "src/package/settings.h"
#include "survey.h"
#include "updater_file.h"

namespace nflash {
namespace {

constexpr char kNeedsPrivileges[] =
    "flashing needs root or CAP_SYS_RAWIO: the kernel lets anyone who may write /dev/sgN send WRITE BUFFER, "
    "so this program asks for what raw device access asks for. Run it with sudo.";

constexpr char kInterruptedText[] = "interrupted before any drive was changed";

std::string Joined(const std::vector<std::string>& lines) {
    return std::accumulate(
        lines.begin(), lines.end(), std::string(),
        [](const std::string& all, const std::string& line) { return all.empty() ? line : all + "\n" + line; });
}

// Chooses, among the candidates, the drives the package admits by their
// live identity; says why each other candidate is left alone. False when
// there is none: the report then ends the run, saying why.
bool ChooseByLiveIdentity(RunReport& report, const std::vector<std::size_t>& candidates, Console& console) {
    bool any = false;
    bool realDrive = false;
    for (std::size_t i : candidates) {
        DriveReport& r = report.drives[i];
        const bool onlyVirtual = r.answered && TestLoadersForbid(r.identity, report.file->testLoaders);
        realDrive = realDrive || onlyVirtual;
        r.chosen = r.answered && r.decision.matched && !onlyVirtual;
        any = any || r.chosen;
        if (!r.chosen) {
            const std::string why = onlyVirtual ? std::string(kTestLoadersOnVirtualDrivesOnly)
                                    : r.answered ? "the package does not allow it (" + r.identity.Text() + ")"
                                                 : r.problem;
            report.warnings.push_back(r.drive.CommandPath().string() + " left alone: " + why);
            console.Warn(report.warnings.back());
        }
    }
    if (any) return true;
    if (realDrive) {
        Stop(report, ExitCode::Refused,
             std::string("refused, nothing that changes a drive was sent: ") + kTestLoadersOnVirtualDrivesOnly);
    } else {
        Stop(report, ExitCode::NothingToDo, "no drive to flash: the package allows none of those chosen");
    }
    return false;
}

// The drives, then the window's notice; a second question, the window's own,
// when a drive is already at the new revision.
bool Agreed(const RunReport& report, std::ostream& prompt, ProgramContext& context) {
    std::string drives = "Drives to flash:";
    bool upToDate = false;
    for (const DriveReport& r : report.drives) {
        if (!r.chosen) continue;
        drives += "\n  ";
        drives += DriveLine(r);
        upToDate = upToDate || r.decision.upToDate;
    }
    prompt << drives << "\n\n";
    if (!Confirm(NoticeText(report.file->driveName, CurrentSettings().nbWarning), prompt, context)) return false;
    return !upToDate || Confirm(UpToDateText(), prompt, context);
}

void Summarise(RunReport& report, Console& console) {
    for (const DriveReport& r : report.drives) {
        if (r.chosen) console.Say(OutcomeText(r));
    }
}

// The drives a run may touch, held for it.
struct Prepared {
    std::vector<std::size_t> candidates;
    HeldDrives held;
};

// Everything before the first command: privileges, sysfs, the choice of
// drives, their safety and their exclusive opens. Nothing when the run
// stops here; the report then says why.
std::optional<Prepared> Prepare(RunReport& report, const Options& options, const UpdaterFile& file,
                                ProgramContext& context) {
    if (!context.privileges.MayFlash()) {
        Stop(report, ExitCode::Refused, kNeedsPrivileges);
        return std::nullopt;
    }
    report.drives = SurveyDrives(context.paths, file.Package());
    if (report.drives.empty()) {
        Stop(report, ExitCode::NothingToDo,
             std::string("no optical drive found (in ") + (context.paths.sys / "bus/scsi/devices").string() + ")");
        return std::nullopt;
    }
    Prepared prepared;
    const Candidates chosen = ChooseCandidates(report.drives, options, file.Package().DriveName());
    if (chosen.indexes.empty()) {
        Stop(report, chosen.code, chosen.problem);
        return std::nullopt;
    }
    prepared.candidates = chosen.indexes;
    std::vector<std::string> problems;
    for (std::size_t i : chosen.indexes) {
        for (const std::string& p : SafetyProblems(report.drives[i], context.paths)) problems.push_back(p);
    }
    if (problems.empty()) {
        prepared.held = HoldForFlash(report.drives, chosen.indexes, context);
        problems = prepared.held.problems;
    }
    if (!problems.empty()) {
        Stop(report, ExitCode::Refused, std::string("refused, nothing was sent:\n") + Joined(problems));
        return std::nullopt;
    }
    return prepared;
}

std::string DiscProblem(const std::string& node, DiscState state) {
    const std::string asks = node + ": the package asks for an empty drive with its tray closed, and ";
    switch (state) {
        case DiscState::Empty: return {};
        case DiscState::DiscIn: return asks + "it holds a disc: take it out, close the tray and run again";
        case DiscState::TrayOpen: return asks + "its tray is open: close it and run again";
        case DiscState::NoAnswer: return asks + "it did not answer the disc check";
    }
    return {};
}

// CHKDISC, before anything changes a drive: every chosen drive empty, with
// its tray in. A drive that is not is left as it is, and the run refused.
std::vector<std::string> DiscProblems(const RunReport& report, HeldDrives& held, ProgramContext& context) {
    std::vector<std::string> problems;
    for (auto& [i, drive] : held.drives) {
        const DriveReport& r = report.drives[i];
        if (!r.chosen) continue;
        ObservedTransport logged = LoggedTransport(context, r.drive, *drive.transport);
        const std::string problem = DiscProblem(r.drive.CommandPath().string(), CheckDiscAndTray(logged));
        if (!problem.empty()) problems.push_back(problem);
    }
    return problems;
}

// After an --all-matched run, the drives that were not flashed are asked
// for their identity too, as the window re-inquires every drive after an
// automatic run.
void ReinquireOthers(RunReport& report, ProgramContext& context) {
    for (DriveReport& r : report.drives) {
        if (!r.chosen) r.after = ReinquireNode(r.drive, context);
    }
}

void SayRestart(RunReport& report, Console& console) {
    const bool flashed = std::any_of(report.drives.begin(), report.drives.end(),
                                     [](const DriveReport& r) { return r.result == DriveResult::Flashed; });
    report.restartRequested = CurrentSettings().reboot && flashed;
    if (report.restartRequested) {
        console.Say("the maker asks for a restart of the computer after this update; norvek-flash does not restart "
                    "it: restart it when nothing else needs it");
    }
}

Inhibition Inhibit(RunReport& report, Console& console) {
    Inhibition inhibition =
        TakeInhibitorLock("Flashing drive firmware: an interrupted flash can leave a drive unusable");
    if (!inhibition.lock) {
        report.warnings.push_back(inhibition.warning);
        console.Warn(inhibition.warning);
    }
    return inhibition;
}

}  // namespace

RunReport RunFlash(const Options& options, ProgramContext& context, Console& console) {
    RunReport report;
    report.command = "flash";
    report.dryRun = options.dryRun;
    const LoadedFile loaded = LoadUpdaterFile(options.updater, options.testLoaders);
    if (!loaded.file) return Stop(report, loaded.code, loaded.message);
    const UpdaterFile& file = *loaded.file;
    ReadSettings(file.Package());

    std::optional<Prepared> prepared = Prepare(report, options, file, context);
    WarnAboutMissingSgNodes(report, console);
    if (!prepared) return Described(report, file, context.log);
    if (!PowerAllowsFlash(report, context, options.dryRun, console)) return Described(report, file, context.log);
    std::map<std::size_t, SgIoTransport*> open;
    for (auto& [i, drive] : prepared->held.drives) open[i] = drive.transport.get();
    ReadIdentities(report.drives, open, file.Package(), context);
    console.Say(FileText(*Described(report, file, context.log).file));
    if (context.control.Interrupted()) return Stop(report, ExitCode::Cancelled, kInterruptedText);
    if (!ChooseByLiveIdentity(report, prepared->candidates, console)) return report;
    if (CurrentSettings().chkDisc) {
        if (const auto problems = DiscProblems(report, prepared->held, context); !problems.empty()) {
            return Stop(report, ExitCode::Refused, "refused, nothing was sent to change any drive:\n" + Joined(problems));
        }
    }
    if (!options.yes && !options.dryRun && !Agreed(report, options.json ? context.err : context.out, context)) {
        return Stop(report, ExitCode::Cancelled, "cancelled, nothing was sent to change any drive");
    }
    if (context.control.Interrupted()) return Stop(report, ExitCode::Cancelled, kInterruptedText);

    Inhibition inhibition;
    if (!options.dryRun) inhibition = Inhibit(report, console);
    FlashChosenDrives(report, prepared->held, file, options.dryRun ? RunMode::DryRun : RunMode::Flash, context,
                      console);
    if (options.allMatched && !options.dryRun) ReinquireOthers(report, context);
    Summarise(report, console);
    SayRestart(report, console);
    report.code = RunOutcome(report);
    return report;
}

std::string InterruptionText(const Interruption& what, const RunControl& control) {
    if (what.cancelled.empty() && what.finishing.empty()) {
        return "interrupted: stopping before any drive is changed";
    }
    std::vector<std::string> lines;
    for (std::size_t i : what.finishing) {
        lines.push_back(control.Label(i) +
                        " is being flashed and must finish: stopped now, the drive could be left without working "
                        "firmware. Waiting for it.");
    }
    if (what.first) {
        for (std::size_t i : what.cancelled) lines.push_back(control.Label(i) + " cancelled: nothing was changed.");
    }
    return std::string("interrupted: ") + Joined(lines);
}

}  // namespace nflash
