#include "run_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <system_error>

namespace nflash {

namespace fs = std::filesystem;

std::string RunLog::NewFileName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &local);
    return std::string("norvek-flash-") + stamp + "-" + std::to_string(getpid()) + ".log";
}

std::unique_ptr<RunLog> RunLog::Open(const fs::path& path, bool readable, std::string& problem) {
    constexpr mode_t kReadableMode = 0644;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kReadableMode);
    if (fd >= 0 && readable) ::fchmod(fd, kReadableMode);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "a");
    if (file == nullptr) {
        problem = "cannot write " + path.string() + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return std::unique_ptr<RunLog>(new RunLog(error ? path : absolute, file));
}

RunLog::RunLog(fs::path path, std::FILE* file)
    : path_(std::move(path)), file_(file), start_(std::chrono::steady_clock::now()) {}

void RunLog::Line(const std::string& text) {
    const std::chrono::duration<double> since = std::chrono::steady_clock::now() - start_;
    std::lock_guard lock(mutex_);
    std::fprintf(file_.get(), "+%.6f %s\n", since.count(), text.c_str());
    std::fflush(file_.get());
    last_ = text;
}

void RunLog::Sync() {
    std::lock_guard lock(mutex_);
    std::fflush(file_.get());
    ::fsync(::fileno(file_.get()));
    synced_.push_back(last_);
}

std::vector<std::string> RunLog::SyncedAfter() const {
    std::lock_guard lock(mutex_);
    return synced_;
}

}  // namespace nflash
