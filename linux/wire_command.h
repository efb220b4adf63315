// What a command block is, seen from outside the flash procedure: enough to
// tell the commands that change a drive from those that only ask, and to
// follow a flash's progress from the blocks it sends.
#pragma once

#include <cstdint>
#include <string>

#include "src/drive/command_codes.h"
#include "src/drive/run_log_lines.h"

namespace nflash {

enum class WireKind : std::uint8_t {
    TestUnitReady,
    Inquiry,
    StartStop,     // STOP before the flash: the first command that changes a drive
    Identify,      // DF 11: the flash chip
    LoaderUpload,  // WRITE BUFFER of the chip's loader
    ImagePiece,    // WRITE BUFFER of one 16 KiB piece
    ReadBack,      // READ BUFFER of one piece
    Commit,        // WRITE BUFFER control 80h/A0h: the drive programs its flash
    Other,
};

WireKind Classify(const std::uint8_t* cdb, std::uint32_t length);

// START STOP UNIT and every WRITE BUFFER: what a cancel or a dry run must
// never let through.
bool ChangesDrive(const std::uint8_t* cdb);

// The 24-bit buffer offset of WRITE BUFFER and READ BUFFER (bytes 3 to 5).
std::uint32_t BufferOffset(const std::uint8_t* cdb);

using ::CdbHex;

}  // namespace nflash
