// Program entry: the command line, the one-copy rule and the run log, then
// the main window and its message loop, or the unattended run.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "../framework/framework.h"
#include "../platform/exit_codes.h"
#include "../platform/win32.h"
#include "command_line.h"
#include "norvek_main.h"
#include "run_log.h"
#include "single_instance.h"
#include "unattended_run.h"

namespace {

using norvek::Code;
using norvek::ExitCode;

int ShowUsage(const CommandLine& line) {
    const bool bad = !line.problem.empty();
    const std::string text = bad ? line.problem + "\n\n" + UsageText() : UsageText();
    MessageBoxA(nullptr, text.c_str(), "Norvek", MB_OK | (bad ? MB_ICONERROR : MB_ICONINFORMATION));
    return Code(bad ? ExitCode::BadInput : ExitCode::Success);
}

int RunWindow() {
    fw::TApplication application(fw::MakeEventLoop());
    // Handlers' exceptions stop at the framework's dispatch; what is left is
    // the window's construction and destruction.
    try {
        TNorvekMain window;
        application.MainForm = &window;
        application.Run();
        application.MainForm = nullptr;
    } catch (...) {
        application.ShowException(std::current_exception());
    }
    return 0;
}

int RunQuiet(const CommandLine& line, const std::string& logProblem) {
    fw::TApplication application(fw::MakeEventLoop());
    try {
        UnattendedRun run({line.noRestart, line.reportPath, logProblem});
        return Code(run.Run());
    } catch (const std::exception& e) {
        LogLine(std::string("stopped by an internal error: ") + e.what());
    } catch (...) {
        LogLine("stopped by an internal error");
    }
    return Code(ExitCode::DriveFailed);
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    // Unattended, a command line it does not understand ends it at once:
    // no box waits for a click nobody will give.
    if (line.quiet && !line.problem.empty()) return Code(ExitCode::BadInput);
    if (line.help || !line.problem.empty()) return ShowUsage(line);
    if (!ClaimSingleInstance(!line.quiet)) return line.quiet ? Code(ExitCode::AnotherCopyRunning) : 0;

    std::string logProblem;
    const std::unique_ptr<RunLog> log = RunLog::Open(line.logPath, logProblem);
    // A log the administrator named must be written, or nothing is done.
    if (log == nullptr && line.quiet && !line.logPath.empty()) return Code(ExitCode::BadInput);
    SetProcessRunLog(log.get());
    const int code = line.quiet ? RunQuiet(line, logProblem) : RunWindow();
    SetProcessRunLog(nullptr);
    return code;
}
