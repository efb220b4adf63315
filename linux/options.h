// The command line of norvek-flash, parsed.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "exit_codes.h"

namespace nflash {

enum class Command { List, Flash };

struct Options {
    Command command = Command::List;
    std::filesystem::path updater;
    std::vector<std::filesystem::path> devices;  // --device, in the order given
    bool allMatched = false;
    bool yes = false;
    bool dryRun = false;
    bool json = false;
    bool testLoaders = false;
    std::optional<std::filesystem::path> log;
};

struct ParsedOptions {
    std::optional<Options> options;  // empty: the program ends with `code`
    ExitCode code = ExitCode::Success;
    std::string output;  // --help or --version text (stdout), or the error (stderr), every line "norvek-flash: ..."
    std::vector<std::string> errors;  // the error's lines, without the program's name
    bool json = false;   // --json was among the arguments: the error goes out as the JSON document
    std::string command;  // "list" or "flash" when the arguments named one
};

ParsedOptions ParseOptions(int argc, const char* const* argv);

}  // namespace nflash
