// Where a run talks to the person at the terminal: messages on standard
// output (none with --json, whose document is the only thing there),
// warnings and errors on standard error, and while drives are flashed one
// progress line per drive: redrawn in place on a terminal, written as plain
// lines when a change is worth a line otherwise. Thread-safe: the workers'
// progress and the signal thread's notes go through the one lock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "flash_progress.h"

namespace nflash {

class Console {
public:
    Console(std::ostream& out, std::ostream& err, bool terminal, bool json);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    void Say(const std::string& text);
    void Warn(const std::string& text);
    void Error(const std::string& text);

    struct Row {
        std::string label;
        const FlashProgress* progress;
    };
    void StartProgress(std::vector<Row> rows);
    void StopProgress();

private:
    void Loop();
    void DrawLocked();
    void Above(std::ostream& stream, const std::string& text);

    std::ostream& out_;
    std::ostream& err_;
    const bool terminal_;
    const bool json_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Row> rows_;
    std::vector<std::string> shown_;  // per row: the last text drawn or written
    bool drawn_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace nflash
