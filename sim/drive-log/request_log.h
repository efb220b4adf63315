// The record of what reached the virtual drives, in the test ASPI DLL's
// line format, which every server of virtual drives writes so that their
// logs compare line for line: one line per request, written and flushed as
// it happens so a run that is killed still leaves everything up to that
// point, plus the drives' final state at exit.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "sim/scenario/scenario.h"

namespace vdrive {
class Drive;
}

namespace drivelog {

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
// answered command; status is the ASPI manager's SS_COMP (01) when the
// drive did it, else SS_ERR (04); `sense` is hex or "-".
std::string ExecLine(int adapter, int target, int lun, const std::string& cdbHex, const char* direction,
                     unsigned long length, bool done, const std::string& sense);

// The exit report of drive `index` of the scenario, served at `slot`'s
// address: its flash contents go to <logPath>.drive<index>.flash and an
// "exit" line to `log`.
void LogDriveExit(RequestLog& log, const std::string& logPath, std::size_t index, const scenariofile::DriveSlot& slot,
                  const vdrive::Drive& drive);

}  // namespace drivelog
