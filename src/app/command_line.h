// The Windows program's command line. Without switches the program is the
// window; with /quiet it runs unattended (unattended_run.h).
//
//   norvek.exe [/quiet [/norestart] [/report:FILE]] [/log:FILE]
//   norvek.exe /?
//
// Switches are case-insensitive and may start with "-" as well as "/".
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    bool quiet = false;
    bool noRestart = false;
    bool help = false;
    std::string logPath;     // empty: the default place
    std::string reportPath;  // empty: no report
    // Not empty: the command line was not understood, and why.
    std::string problem;
};

// `arguments` without the program's own name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage, with the table of exit codes, as /? shows it.
std::string UsageText();
