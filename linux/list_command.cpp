// norvek-flash list: the drives and what the package would do to each,
// read with the window's discovery commands; nothing that changes a drive.
#include "commands.h"
#include "file_report.h"
#include "report_text.h"
#include "src/package/settings.h"
#include "survey.h"
#include "updater_file.h"

namespace nflash {

RunReport RunList(const Options& options, ProgramContext& context, Console& console) {
    RunReport report;
    report.command = "list";
    const LoadedFile loaded = LoadUpdaterFile(options.updater, true);
    if (!loaded.file) return Stop(report, loaded.code, loaded.message);
    const UpdaterFile& file = *loaded.file;
    ReadSettings(file.Package());
    report.drives = SurveyDrives(context.paths, file.Package());
    WarnAboutMissingSgNodes(report, console);
    ReadIdentities(report.drives, {}, file.Package(), context);
    if (context.control.Interrupted()) {
        return Stop(Described(report, file, context.log), ExitCode::Cancelled,
                    "interrupted: the list stopped before every drive was read");
    }
    for (DriveReport& r : report.drives) {
        if (r.answered && TestLoadersForbid(r.identity, file.loaders.testSet)) r.problem = kTestLoadersOnVirtualDrivesOnly;
    }

    Described(report, file, context.log);
    console.Say(FileText(*report.file));
    console.Say(report.drives.empty() ? "no optical drive found" : "drives:");
    for (const DriveReport& drive : report.drives) console.Say("  " + DriveLine(drive));
    return report;
}

}  // namespace nflash
