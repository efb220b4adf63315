#include "timed_log_file.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

std::unique_ptr<TimedLogFile> TimedLogFile::Open(const std::string& path, std::string& problem) {
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        problem = "cannot write " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<TimedLogFile>(new TimedLogFile(file));
}

TimedLogFile::TimedLogFile(std::FILE* file) : file_(file), start_(std::chrono::steady_clock::now()) {}

TimedLogFile::~TimedLogFile() { std::fclose(file_); }

void TimedLogFile::Line(const std::string& text) {
    const std::chrono::duration<double> since = std::chrono::steady_clock::now() - start_;
    std::lock_guard lock(mutex_);
    std::fprintf(file_, "+%.6f %s\n", since.count(), text.c_str());
    std::fflush(file_);
}

void TimedLogFile::Sync() {
    std::lock_guard lock(mutex_);
    std::fflush(file_);
#ifdef _WIN32
    _commit(_fileno(file_));
#else
    fsync(fileno(file_));
#endif
}
