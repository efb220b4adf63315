#include "run_log_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <system_error>

namespace nflash {

namespace fs = std::filesystem;

std::string RunLogFile::NewFileName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &local);
    return std::string("norvek-flash-") + stamp + "-" + std::to_string(getpid()) + ".log";
}

std::unique_ptr<RunLogFile> RunLogFile::Open(const fs::path& path, bool readable, std::string& problem) {
    constexpr mode_t kReadableMode = 0644;
    std::unique_ptr<TimedLogFile> file = TimedLogFile::Open(path.string(), problem);
    if (file == nullptr) return nullptr;
    if (readable) ::chmod(path.c_str(), kReadableMode);
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return std::unique_ptr<RunLogFile>(new RunLogFile(error ? path : absolute, std::move(file)));
}

RunLogFile::RunLogFile(fs::path path, std::unique_ptr<TimedLogFile> file)
    : path_(std::move(path)), file_(std::move(file)) {}

void RunLogFile::Line(const std::string& text) {
    std::lock_guard lock(mutex_);
    file_->Line(text);
    last_ = text;
}

void RunLogFile::Sync() {
    std::lock_guard lock(mutex_);
    file_->Sync();
    synced_.push_back(last_);
}

std::vector<std::string> RunLogFile::SyncedAfter() const {
    std::lock_guard lock(mutex_);
    return synced_;
}

}  // namespace nflash
