#include "run_log_place.h"

#include <sys/stat.h>

#include <cstdlib>
#include <system_error>

namespace nflash {
namespace {

namespace fs = std::filesystem;

constexpr fs::perms kSystemFolderMode = fs::perms(0755);

// The folder with every missing part made; a system folder gets its mode
// whatever the umask says.
bool MakeFolder(const fs::path& folder, bool system, std::string& problem) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error && system) fs::permissions(folder, kSystemFolderMode, fs::perm_options::replace, error);
    if (error) problem = "cannot create " + folder.string() + ": " + error.message();
    return !error;
}

}  // namespace

std::optional<fs::path> DefaultLogDirectory(const SystemPaths& paths, bool root) {
    if (root) return paths.logRoot / "norvek-flash";
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        return fs::path(state) / "norvek-flash";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        return fs::path(home) / ".local" / "state" / "norvek-flash";
    }
    return std::nullopt;
}

LogChoice OpenRunLogFor(const Options& options, const SystemPaths& paths, bool root) {
    LogChoice choice;
    if (options.log) {
        choice.log = RunLogFile::Open(*options.log, false, choice.problem);
        choice.refuse = choice.log == nullptr;
        return choice;
    }
    if (options.command == Command::List) return choice;
    const std::optional<fs::path> folder = DefaultLogDirectory(paths, root);
    if (!folder) {
        choice.problem = "neither XDG_STATE_HOME nor HOME is set; give --log";
        return choice;
    }
    if (MakeFolder(*folder, root, choice.problem)) {
        choice.log = RunLogFile::Open(*folder / RunLogFile::NewFileName(), root, choice.problem);
    }
    return choice;
}

}  // namespace nflash
