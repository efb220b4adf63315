#include "run_log.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        problem = "cannot write " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<RunLog>(new RunLog(fs::absolute(path), file));
}

RunLog::RunLog(fs::path path, std::FILE* file)
    : path_(std::move(path)), file_(file), start_(std::chrono::steady_clock::now()) {}

void RunLog::Line(const std::string& text) {
    const std::chrono::duration<double> since = std::chrono::steady_clock::now() - start_;
    std::lock_guard lock(mutex_);
    std::fprintf(file_.get(), "+%.6f %s\n", since.count(), text.c_str());
    std::fflush(file_.get());
}

}  // namespace nflash
