// The process exit codes of both editions, each number defined here once.
// The README's table and the Windows program's usage text list them too.
//
// 0 to 6 are the project's own (6 only from norvek-flash, which reads the
// drive's revision back after the commit). The Windows installer's codes (1618, 1641,
// 3010) are what deployment tools read by default as "another installation
// is running", "done, the restart was started" and "done, restart needed";
// only the Windows program's unattended mode returns them.
#pragma once

namespace norvek {

enum class ExitCode : int {
    Success = 0,      // done: the drives listed, or every chosen drive flashed and verified
    NothingToDo = 1,  // no drive the package may update (or none chosen)
    Refused = 2,      // a check failed (privileges, power, drive manager, drive state, test loaders on a drive
                      // that is not virtual); nothing that changes a drive was sent
    DriveFailed = 3,  // at least one drive was not flashed
    BadInput = 4,     // bad command line, unreadable file, no or damaged package or loader record, a file
                      // whose PE checksum or signature does not match it
    Cancelled = 5,    // the user declined or interrupted before any drive was changed
    RevisionMismatch = 6,  // committed, but a drive answers with another revision than its bank's
    AnotherCopyRunning = 1618,
    RestartStarted = 1641,
    RestartRequired = 3010,
};

constexpr int Code(ExitCode code) { return static_cast<int>(code); }

}  // namespace norvek
