// norvek-flash: the entry. Signals are blocked before any thread exists and
// taken on a thread of their own; the run's report becomes the output and
// the exit code.
#include <unistd.h>

#include <iostream>
#include <string>

#include "commands.h"
#include "privileges.h"
#include "report_json.h"
#include "run_log_place.h"
#include "run_log_text.h"
#include "signal_watcher.h"
#include "src/drive/transport/sg_io/sg_system.h"
#ifdef NORVEK_TEST_BUILD
#include "test_build/environment_roots.h"
#endif

namespace {

std::string CommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) line += ' ';
        line += argv[i];
    }
    return line;
}

// The released program looks at the real machine only; the test build can
// be pointed at one of the tests' making.
nflash::SystemPaths MachineRoots() {
#ifdef NORVEK_TEST_BUILD
    return nflash::RootsFromEnvironment();
#else
    return {};
#endif
}

// The report as the output and the exit code: errors on standard error
// (and in the log), then the JSON document or the log's path.
int Finish(nflash::RunReport& report, const nflash::Options& options, nflash::Console& console,
           nflash::RunLogFile* log) {
    if (log) report.logPath = log->Path().string();
    for (const std::string& error : report.errors) console.Error(error);
    if (log) {
        for (const std::string& error : report.errors) log->Line(nflash::ErrorLogLine(error));
        log->Line(nflash::ExitLogLine(report.code));
    }
    if (options.json) {
        std::cout << nflash::ReportJson(report).dump(2) << "\n";
    } else if (log) {
        console.Say("run log: " + report.logPath);
    }
    return nflash::Code(report.code);
}

// --help and --version on standard output; a bad command line as the error
// text, or as the JSON document when --json was asked for.
int CommandLineEnd(const nflash::ParsedOptions& parsed) {
    if (parsed.code == nflash::ExitCode::Success) {
        std::cout << parsed.output;
    } else if (parsed.json) {
        nflash::RunReport report;
        report.command = parsed.command;
        report.errors = parsed.errors;
        report.code = parsed.code;
        std::cout << nflash::ReportJson(report).dump(2) << "\n";
    } else {
        std::cerr << parsed.output;
    }
    return nflash::Code(parsed.code);
}

}  // namespace

int main(int argc, char** argv) {
    nflash::BlockRunSignals();
    const nflash::ParsedOptions parsed = nflash::ParseOptions(argc, argv);
    if (!parsed.options) return CommandLineEnd(parsed);
    const nflash::Options& options = *parsed.options;

    nflash::RunControl control;
    nflash::Console console(std::cout, std::cerr, isatty(STDOUT_FILENO) == 1, options.json);
    const nflash::SignalWatcher watcher(
        [&](int) { console.Error(nflash::InterruptionText(control.Interrupt(), control)); });

    const nflash::SystemPaths paths = MachineRoots();
    nflash::LogChoice logChoice = nflash::OpenRunLogFor(options, paths, geteuid() == 0);
    if (logChoice.refuse) {
        nflash::RunReport refused;
        refused.command = options.command == nflash::Command::List ? "list" : "flash";
        return Finish(nflash::Stop(refused, nflash::ExitCode::BadInput,
                                   "refused before anything was sent: no run log: " + logChoice.problem),
                      options, console, nullptr);
    }
    if (!logChoice.problem.empty()) console.Warn("no run log: " + logChoice.problem);
    nflash::RunLogFile* log = logChoice.log.get();
    if (log) log->Line(nflash::StartLogLine(CommandLine(argc, argv)));

    nflash::ProgramContext context{paths,
                                   HostSgSystem(),
                                   std::cin,
                                   std::cout,
                                   std::cerr,
                                   STDIN_FILENO,
                                   isatty(STDOUT_FILENO) == 1,
                                   control,
                                   log};
    context.privileges = nflash::ReadPrivileges();
    nflash::RunReport report;
    if (options.command == nflash::Command::List) {
        report = nflash::RunList(options, context, console);
    } else {
        const nflash::JobControlStopsIgnored flashing;
        report = nflash::RunFlash(options, context, console);
    }
    return Finish(report, options, console, log);
}
