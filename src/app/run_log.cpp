#include "run_log.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "../drive/run_log_lines.h"
#include "../drive/session/command_watcher.h"
#include "../platform/win32.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

RunLog* processLog = nullptr;

unsigned long ProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

std::string NewFileName() {
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", std::localtime(&now));
    return std::string("norvek-") + stamp + "-" + std::to_string(ProcessId()) + ".log";
}

void LogCommand(const std::string& label, const CommandRequest& request, const CommandResult& result) {
    const std::string sense = SenseText(result);
    LogLine(CommandLogHead("command", label, request) + CommandLogTail(result) + (sense.empty() ? "" : ": " + sense));
}

}  // namespace

std::string DefaultLogDirectory() {
    const char* data = std::getenv("ProgramData");
    if (data == nullptr || *data == 0) return "";
    return (std::filesystem::path(data) / "Norvek" / "Logs").string();
}

std::unique_ptr<RunLog> RunLog::Open(const std::string& requested, std::string& problem) {
    std::string path = requested;
    if (path.empty()) {
        const std::string directory = DefaultLogDirectory();
        if (directory.empty()) {
            problem = "ProgramData is not set; give /log:FILE";
            return nullptr;
        }
        std::error_code error;
        std::filesystem::create_directories(directory, error);
        if (error) {
            problem = "cannot create " + directory + ": " + error.message();
            return nullptr;
        }
        path = (std::filesystem::path(directory) / NewFileName()).string();
    }
    std::unique_ptr<TimedLogFile> file = TimedLogFile::Open(path, problem);
    if (file == nullptr) return nullptr;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return std::unique_ptr<RunLog>(new RunLog(error ? path : absolute.string(), std::move(file)));
}

RunLog::RunLog(std::string path, std::unique_ptr<TimedLogFile> file) : path_(std::move(path)), file_(std::move(file)) {}

RunLog::~RunLog() {
    if (processLog == this) SetProcessRunLog(nullptr);
}

void SetProcessRunLog(RunLog* log) {
    processLog = log;
    SetCommandWatcher(log != nullptr ? CommandWatcher(LogCommand) : CommandWatcher());
}

RunLog* ProcessRunLog() { return processLog; }

void LogLine(const std::string& text) {
    if (processLog != nullptr) processLog->Line(text);
}

std::string RunLogFootnote() { return processLog != nullptr ? "Run log: " + processLog->Path() : ""; }
