// The exit codes of norvek-flash (also in the man page and the README).
#pragma once

namespace nflash {

enum class ExitCode : int {
    Success = 0,      // done: the drives listed, or every chosen drive flashed and verified
    NothingToDo = 1,  // no drive the package may update (or none chosen)
    Refused = 2,      // a safety check failed; nothing was sent to any drive
    DriveFailed = 3,  // at least one drive was not flashed
    BadInput = 4,     // bad command line, unreadable file, no or damaged package or loader record
    Cancelled = 5,    // the user declined or interrupted before any drive was changed
    RevisionMismatch = 6,  // committed, but a drive answers with another revision than its bank's
};

constexpr int Code(ExitCode code) { return static_cast<int>(code); }

}  // namespace nflash
