#include "console.h"

#include <chrono>

namespace nflash {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);
constexpr std::uint32_t kPiecesPerLine = 16;  // plain output: a line every 16 pieces

// What is worth a plain line: the phase, the pass and every 16th piece.
std::string LineKey(const ProgressSnapshot& s) {
    return PhaseName(s.phase) + "/" + std::to_string(s.pass) + "/" + std::to_string(s.readBack / kPiecesPerLine);
}

}  // namespace

Console::Console(std::ostream& out, std::ostream& err, bool terminal, bool json)
    : out_(out), err_(err), terminal_(terminal), json_(json) {}

Console::~Console() { StopProgress(); }

void Console::Above(std::ostream& stream, const std::string& text) {
    // On a terminal the progress block is drawn last; a message goes above it.
    if (terminal_ && drawn_) out_ << "\x1b[" << rows_.size() << "A\x1b[J";
    stream << text << "\n" << std::flush;
    if (terminal_ && drawn_) {
        drawn_ = false;
        DrawLocked();
    }
}

void Console::Say(const std::string& text) {
    if (json_) return;
    std::lock_guard lock(mutex_);
    Above(out_, text);
}

void Console::Warn(const std::string& text) {
    std::lock_guard lock(mutex_);
    Above(err_, "norvek-flash: warning: " + text);
}

void Console::Error(const std::string& text) {
    std::lock_guard lock(mutex_);
    Above(err_, "norvek-flash: " + text);
}

void Console::StartProgress(std::vector<Row> rows) {
    if (json_) return;
    {
        std::lock_guard lock(mutex_);
        rows_ = std::move(rows);
        shown_.assign(rows_.size(), "");
        stop_ = false;
    }
    thread_ = std::thread([this] { Loop(); });
}

void Console::StopProgress() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::lock_guard lock(mutex_);
    rows_.clear();
    drawn_ = false;
}

void Console::Loop() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        DrawLocked();
        wake_.wait_for(lock, kRedrawInterval, [this] { return stop_; });
    }
    DrawLocked();
}

void Console::DrawLocked() {
    if (!terminal_) {
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const ProgressSnapshot s = rows_[i].progress->Snapshot();
            const std::string key = LineKey(s);
            if (key == shown_[i]) continue;
            shown_[i] = key;
            out_ << rows_[i].label << ": " << ProgressText(s) << "\n";
        }
        out_ << std::flush;
        return;
    }
    if (drawn_) out_ << "\x1b[" << rows_.size() << "A";
    for (const Row& row : rows_)
        out_ << "\r\x1b[2K" << row.label << ": " << ProgressText(row.progress->Snapshot()) << "\n";
    out_ << std::flush;
    drawn_ = true;
}

}  // namespace nflash
