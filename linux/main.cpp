// norvek-flash: the entry. Signals are blocked before any thread exists and
// taken on a thread of their own; the run's report becomes the output and
// the exit code.
#include <unistd.h>

#include <iostream>
#include <string>

#include "commands.h"
#include "privileges.h"
#include "report_json.h"
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

}  // namespace

int main(int argc, char** argv) {
    nflash::BlockRunSignals();
    const nflash::ParsedOptions parsed = nflash::ParseOptions(argc, argv);
    if (!parsed.options) {
        (parsed.code == nflash::ExitCode::Success ? std::cout : std::cerr) << parsed.output;
        return nflash::Code(parsed.code);
    }
    const nflash::Options& options = *parsed.options;

    nflash::RunControl control;
    nflash::Console console(std::cout, std::cerr, isatty(STDOUT_FILENO) == 1, options.json);
    const nflash::SignalWatcher watcher(
        [&](int) { console.Error(nflash::InterruptionText(control.Interrupt(), control)); });

    std::string logProblem;
    const auto log = nflash::RunLog::Open(options.log, logProblem);
    if (!log) console.Warn("no run log: " + logProblem);
    if (log) log->Line(std::string("norvek-flash ") + NORVEK_VERSION + ": " + CommandLine(argc, argv));

    nflash::ProgramContext context{MachineRoots(),
                                   HostSgSystem(),
                                   std::cin,
                                   std::cout,
                                   std::cerr,
                                   STDIN_FILENO,
                                   isatty(STDOUT_FILENO) == 1,
                                   control,
                                   log.get()};
    context.privileges = nflash::ReadPrivileges();
    nflash::RunReport report = options.command == nflash::Command::List ? nflash::RunList(options, context, console)
                                                                        : nflash::RunFlash(options, context, console);
    if (log) report.logPath = log->Path().string();
    for (const std::string& error : report.errors) console.Error(error);
    if (log) {
        for (const std::string& error : report.errors) log->Line("error " + error);
        log->Line("exit " + std::to_string(nflash::Code(report.code)));
    }
    if (options.json) {
        std::cout << nflash::ReportJson(report).dump(2) << "\n";
    } else if (log) {
        console.Say("run log: " + report.logPath);
    }
    return nflash::Code(report.code);
}
