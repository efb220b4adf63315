#include "command_line.h"

#include <cctype>

#include "../platform/exit_codes.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The value of "/name:VALUE" when `argument` is that switch.
bool ValueOf(const std::string& argument, const std::string& name, std::string& value) {
    const std::string prefix = name + ":";
    if (Lower(argument.substr(0, prefix.size())) != prefix) return false;
    value = argument.substr(prefix.size());
    return true;
}

void Take(CommandLine& line, const std::string& argument) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
        line.problem = "not a switch: " + argument;
        return;
    }
    const std::string word = argument.substr(1);
    const std::string lower = Lower(word);
    std::string value;
    if (lower == "quiet") {
        line.quiet = true;
    } else if (lower == "norestart") {
        line.noRestart = true;
    } else if (lower == "?" || lower == "h" || lower == "help") {
        line.help = true;
    } else if (ValueOf(word, "log", value)) {
        line.logPath = value;
        if (value.empty()) line.problem = "/log: needs a file name";
    } else if (ValueOf(word, "report", value)) {
        line.reportPath = value;
        if (value.empty()) line.problem = "/report: needs a file name";
    } else {
        line.problem = "unknown switch: " + argument;
    }
}

std::string CodeLine(norvek::ExitCode code, const char* meaning) {
    return "  " + std::to_string(norvek::Code(code)) + "\t" + meaning + "\n";
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (const std::string& argument : arguments) {
        Take(line, argument);
        if (!line.problem.empty()) return line;
    }
    if (!line.quiet && (line.noRestart || !line.reportPath.empty())) {
        line.problem = "/norestart and /report: go with /quiet";
    }
    return line;
}

std::string UsageText() {
    using norvek::ExitCode;
    std::string text =
        "norvek.exe [/quiet [/norestart] [/report:FILE]] [/log:FILE]\n\n"
        "Without switches the updater shows its window.\n\n"
        // Each switch on a line of its own, its meaning indented under it: a
        // message box's tab stops cannot line up switches of these lengths.
        "/quiet\n    no window and no question: every drive the package allows is flashed; "
        "the package's notice counts as accepted\n"
        "/norestart\n    never restart the computer (exit code 3010 instead)\n"
        "/log:FILE\n    the run log (default %ProgramData%\\Norvek\\Logs)\n"
        "/report:FILE\n    the outcome as one JSON document\n\n"
        "Exit codes with /quiet:\n";
    text += CodeLine(ExitCode::Success, "done: every drive flashed and verified");
    text += CodeLine(ExitCode::RestartRequired, "done; the package asks for a restart, which was not started");
    text += CodeLine(ExitCode::RestartStarted, "done; the restart was started");
    text += CodeLine(ExitCode::NothingToDo, "nothing to do: no drive the package allows");
    text += CodeLine(ExitCode::Refused,
                     "refused, nothing sent: no administrator rights, battery too low, no drive manager");
    text += CodeLine(ExitCode::DriveFailed, "a drive failed");
    text += CodeLine(ExitCode::BadInput, "bad command line, or no firmware in the package");
    text += CodeLine(ExitCode::AnotherCopyRunning, "another copy of the updater is running");
    return text;
}
