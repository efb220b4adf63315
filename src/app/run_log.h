// The Windows program's run log: the commands sent to every drive with
// their outcome (sense included) and time, the drives' identities before and
// after, each image's SHA-256 and each drive's result, so that a failure can
// be sent to the vendor with evidence. The lines are those of the Linux
// edition's run log.
//
// Where: the file /log: names, else a new file in %ProgramData%\Norvek\Logs
// named after the time and the process. Every line is flushed as it is
// written, so a crash or a power cut leaves everything up to it, the drive's
// STOP, its last piece and its commit among them.
//
// One log per process: main opens it and makes it the process's log, which
// also makes it hear every command (the drive layer's command watcher). With
// no process log, LogLine does nothing. Thread-safe: every worker writes to it.
#pragma once

#include <memory>
#include <string>

#include "../platform/timed_log_file.h"

class RunLog {
public:
    // Opens `path` for appending, or a new file in DefaultLogDirectory()
    // when `path` is empty. Nothing, and the reason in `problem`, when the
    // file cannot be made.
    static std::unique_ptr<RunLog> Open(const std::string& path, std::string& problem);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    const std::string& Path() const { return path_; }
    // One line, prefixed with the seconds since the log was opened.
    void Line(const std::string& text) { file_->Line(text); }

private:
    RunLog(std::string path, std::unique_ptr<TimedLogFile> file);

    std::string path_;
    std::unique_ptr<TimedLogFile> file_;
};

// %ProgramData%\Norvek\Logs; empty where ProgramData is not set.
std::string DefaultLogDirectory();

// Makes `log` the process's log (null: none) and has it hear every command.
// Only while no drive is being used.
void SetProcessRunLog(RunLog* log);
RunLog* ProcessRunLog();
// A line in the process's log, if there is one.
void LogLine(const std::string& text);
// "Run log: PATH" for a dialog to show apart from its text; empty without a log.
std::string RunLogFootnote();
