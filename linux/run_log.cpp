#include "run_log.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <system_error>

namespace nflash {
namespace {

namespace fs = std::filesystem;

std::string FileName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &local);
    return std::string("norvek-flash-") + stamp + "-" + std::to_string(getpid()) + ".log";
}

}  // namespace

std::optional<fs::path> DefaultLogDirectory() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        return fs::path(state) / "norvek-flash";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        return fs::path(home) / ".local" / "state" / "norvek-flash";
    }
    return std::nullopt;
}

std::unique_ptr<RunLog> RunLog::Open(const std::optional<fs::path>& requested, std::string& problem) {
    fs::path path;
    if (requested) {
        path = *requested;
    } else {
        const std::optional<fs::path> directory = DefaultLogDirectory();
        if (!directory) {
            problem = "neither XDG_STATE_HOME nor HOME is set; give --log";
            return nullptr;
        }
        std::error_code error;
        fs::create_directories(*directory, error);
        if (error) {
            problem = "cannot create " + directory->string() + ": " + error.message();
            return nullptr;
        }
        path = *directory / FileName();
    }
    std::unique_ptr<TimedLogFile> file = TimedLogFile::Open(path.string(), problem);
    if (file == nullptr) return nullptr;
    return std::unique_ptr<RunLog>(new RunLog(fs::absolute(path), std::move(file)));
}

RunLog::RunLog(fs::path path, std::unique_ptr<TimedLogFile> file) : path_(std::move(path)), file_(std::move(file)) {}

}  // namespace nflash
