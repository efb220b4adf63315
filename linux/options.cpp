#include "options.h"

#include <CLI/CLI.hpp>

#include <sstream>

namespace nflash {
namespace {

constexpr char kDescription[] =
    "norvek-flash: the firmware updater for the drive a maker's packed updater file names, on Linux.\n"
    "It reads the package and the loaders from the updater file (either Windows edition) and runs the\n"
    "same verified procedure as the Windows program: chip identification, loader upload, every 16 KiB\n"
    "piece written and read back, then the commit.";

constexpr char kExitCodes[] =
    "Exit codes: 0 done, 1 nothing to do, 2 refused (nothing sent), 3 a drive failed,\n"
    "4 bad input (command line, file, package), 5 cancelled before any drive was changed,\n"
    "6 flashed, but a drive reports another revision than the package's.";

// CLI11 words its errors for any program; each line here names this one.
void TakeError(ParsedOptions& parsed, const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        parsed.errors.push_back(line);
        parsed.output += "norvek-flash: " + line + "\n";
    }
}

void NoteWhatWasAsked(ParsedOptions& parsed, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        parsed.json = parsed.json || arg == "--json";
        if (parsed.command.empty() && (arg == "list" || arg == "flash")) parsed.command = arg;
    }
}

}  // namespace

ParsedOptions ParseOptions(int argc, const char* const* argv) {
    Options options;
    CLI::App app(kDescription, "norvek-flash");
    app.footer(kExitCodes);
    app.set_version_flag("--version", std::string("norvek-flash ") + NORVEK_VERSION);
    app.require_subcommand(1);

    CLI::App* list = app.add_subcommand("list", "the optical drives and what the package would do to each");
    list->add_option("UPDATER", options.updater, "the maker's packed updater (.exe)")->required();

    CLI::App* flash = app.add_subcommand("flash", "flash the chosen drives (asks first unless --yes)");
    flash->add_option("UPDATER", options.updater, "the maker's packed updater (.exe)")->required();
    CLI::Option* device = flash->add_option("--device", options.devices, "a drive to flash: /dev/sgN or /dev/srN");
    flash->add_flag("--all-matched", options.allMatched, "every drive the package may update")->excludes(device);
    flash->add_flag("-y,--yes", options.yes, "do not ask for confirmation");
    flash->add_flag("--dry-run", options.dryRun,
                    "do everything up to the first command that changes a drive, and say what would be sent");
    flash->add_flag("--test-loaders", options.testLoaders,
                    "accept a file carrying the generated test loaders (virtual drives only)");

    for (CLI::App* sub : {list, flash}) {
        sub->add_flag("--json", options.json, "print one JSON document and nothing else on standard output");
        sub->add_option("--log", options.log, "the run log file (default: in the user's state directory)");
    }

    ParsedOptions parsed;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = app.exit(error, out, err);
        parsed.code = code == 0 ? ExitCode::Success : ExitCode::BadInput;
        if (code == 0) {
            parsed.output = out.str();
        } else {
            TakeError(parsed, err.str());
            NoteWhatWasAsked(parsed, argc, argv);
        }
        return parsed;
    }
    options.command = flash->parsed() ? Command::Flash : Command::List;
    parsed.options = options;
    return parsed;
}

}  // namespace nflash
