// The DLL's record of what reached the virtual drives: one line per request,
// written and flushed as it happens so a run that is killed still leaves
// everything up to that point, plus the drives' final state at exit.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace vdrive {
class Drive;
}

namespace aspidll {

class RequestLog {
public:
    // An empty path gives a log that writes nothing.
    explicit RequestLog(const std::string& path);

    // Appends one line (a line feed is added).
    void Line(const std::string& text);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::mutex mutex_;
    std::unique_ptr<std::FILE, Closer> file_;
};

// "exec ha=0 target=0 lun=0 cdb=... dir=in len=96 status=01 sense=-": one
// answered command as the DLL logs it, for the drives served elsewhere;
// status is the DLL's SS_COMP (01) when the drive did it, else SS_ERR (04);
// `sense` is hex or "-".
std::string ExecLine(int adapter, int target, int lun, const std::string& cdbHex, const char* direction,
                     unsigned long length, bool done, const std::string& sense);

// The exit report of drive `index` at that address: its flash contents go
// to <logPath>.drive<index>.flash and an "exit" line to `log`.
void LogDriveExit(RequestLog& log, const std::string& logPath, std::size_t index, int adapter, int target, int lun,
                  const vdrive::Drive& drive);

}  // namespace aspidll
