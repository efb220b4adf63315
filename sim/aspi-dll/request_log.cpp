#include "request_log.h"

#include <fstream>
#include <vector>

#include "sim/vdrive/drive.h"

namespace aspidll {

RequestLog::RequestLog(const std::string& path) {
    // Appended to, not truncated: the scripts remove a stale log, and a second
    // process started against the same scenario must not wipe the first's record.
    if (!path.empty()) file_.reset(std::fopen(path.c_str(), "ab"));
}

void RequestLog::Line(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (!file_) return;
    std::fputs(text.c_str(), file_.get());
    std::fputc('\n', file_.get());
    std::fflush(file_.get());
}

std::string ExecLine(int adapter, int target, int lun, const std::string& cdbHex, const char* direction,
                     unsigned long length, bool done, const std::string& sense) {
    constexpr unsigned kDone = 0x01;   // SS_COMP
    constexpr unsigned kError = 0x04;  // SS_ERR
    const unsigned status = done ? kDone : kError;
    char line[512];
    std::snprintf(line, sizeof line, "exec ha=%d target=%d lun=%d cdb=%s dir=%s len=%lu status=%02x sense=%s", adapter,
                  target, lun, cdbHex.c_str(), direction, length, status, sense.c_str());
    return line;
}

void LogDriveExit(RequestLog& log, const std::string& logPath, std::size_t index, int adapter, int target, int lun,
                  const vdrive::Drive& drive) {
    const std::vector<std::uint8_t> flash = drive.FlashContents();
    const std::string path = logPath + ".drive" + std::to_string(index) + ".flash";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(flash.data()), static_cast<std::streamsize>(flash.size()));
    char line[512];
    std::snprintf(line, sizeof line,
                  "exit drive=%zu ha=%d target=%d lun=%d revision=%s commits=%d bootcode=%d loader=%d flash=%s", index,
                  adapter, target, lun, drive.Revision().c_str(), drive.CommitCount(),
                  drive.BootCodeRequested() ? 1 : 0, drive.LoaderAccepted() ? 1 : 0, path.c_str());
    log.Line(line);
}

}  // namespace aspidll
