// How one virtual drive behaves. The defaults are a healthy VELMORA
// DVDRW KTV-360R at revision 1.00 with a disc in and the tray closed, whose
// flash chip (BF D6 00 01) is in the chip table; every field below is a way
// to make it less healthy.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "src/drive/command_codes.h"

namespace vdrive {

// The kinds of command the drive tells apart; faults and latencies aim at them.
enum class CommandKind : std::uint8_t {
    Any,            // matches every command
    Inquiry,        // 12
    TestUnitReady,  // 00
    StartStop,      // 1B
    EventStatus,    // 4A
    Identify,       // DF 11
    LoaderUpload,   // 3B control 7F, or control 00 at 80000h while the drive waits for a 4-byte-header loader
    ImageWrite,     // 3B control 00, every other one
    ReadBack,       // 3C
    Commit,         // 3B control 80 or A0
    Other,          // anything else, including unknown opcodes
};

struct SenseCode {
    std::uint8_t key = 0;  // sense byte 2 as sent: flag bits (ILI 20h, EOM 40h) may sit above the key
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
};

enum class FaultEffect : std::uint8_t {
    CheckCondition,  // the drive answers with `sense`
    NotDelivered,    // the transport reports that the command got no answer
    Busy,            // SCSI status BUSY (08h) without sense data
    ConditionMet,    // SCSI status CONDITION MET (04h) without sense data: a success
                     // status other than GOOD (the drive's state stays as it was)
    Hangs,           // no answer at all: the command takes for ever (Outcome::Hung),
                     // and the host gives up at its own time-out
};

// Makes commands of one kind fail instead of running: the `nth` command of
// that kind (1-based, counted from the drive's creation) and the `count` - 1
// after it; count 0 means every one from the nth on. A failed command has no
// effect on the drive's state.
struct CommandFault {
    CommandKind kind = CommandKind::Any;
    int nth = 1;
    int count = 1;
    FaultEffect effect = FaultEffect::CheckCondition;
    SenseCode sense{0x04, 0x44, 0x00};  // hardware error, internal target failure
    double extraSeconds = 0.0;          // added to the command's latency (e.g. a hung command)
};

// Corrupts what READ BUFFER returns for piece `piece` (buffer offset
// piece × 4000h) during pass `pass`; the download buffer itself stays right.
// Passes are counted by image writes at offset 0: the nth such write starts
// pass n, which is how the updater restarts a pass. Pass 0: every pass.
struct ReadBackFault {
    int piece = 0;
    int pass = 0;
};

// A data-in command of one kind moves at most `bytes` bytes, however many
// the host asked for: the drive ends the data phase early, as one whose
// answer is shorter than the allocation does, and the transfer count says
// so. The host's buffer beyond them is left as it was.
struct ShortReply {
    CommandKind kind = CommandKind::Any;
    std::uint32_t bytes = 0;
};

// Extra seconds a command of one kind takes (a tray movement, programming
// the flash), on top of the per-command latency and the transfer time.
struct KindLatency {
    CommandKind kind = CommandKind::Any;
    double seconds = 0.0;
};

struct DriveConfig {
    // ---- identity (INQUIRY) ----------------------------------------------------------
    // Space-padded or cut to 8, 16, 4 and 16 characters in the reply. The
    // vendor-specific bytes mark every virtual drive as one (a test build
    // flashes no other); a test models a real drive by giving other bytes.
    std::string vendor = "VELMORA ";
    std::string product = "DVDRW KTV-360R  ";
    std::string revision = "1.00";
    std::string vendorSpecific = wire::kVirtualDriveMarker;
    std::uint8_t peripheralType = 5;  // CD-ROM device
    bool blankIdentity = false;       // bytes 8-51 of the reply all zero
    // The revision the drive reports after a successful commit.
    std::string newRevision = "1.05";

    // ---- flash chip (DF 11) ------------------------------------------------------------
    std::array<std::uint8_t, 4> chipId{0xBF, 0xD6, 0x00, 0x01};  // chip table entry 2
    bool identifyAllZero = false;  // 128 zero bytes instead of the chip id
    // Reply bytes from 4 on (cut to 124); the rest of the reply stays zero.
    std::vector<std::uint8_t> identifyTail;

    // ---- readiness (TEST UNIT READY) -----------------------------------------------------
    // Both counted from the first TEST UNIT READY the drive receives; while
    // either lasts the drive answers 2/04/01 (becoming ready).
    int becomingReadyPolls = 0;
    double becomingReadySeconds = 0.0;
    bool neverReady = false;          // 2/04/01 for ever
    bool unitAttention = false;       // one 6/29/00, cleared once reported
    bool unitAttentionForever = false;
    bool unitAttentionAfterCommit = false;  // the reset after programming raises one

    // ---- tray and disc -----------------------------------------------------------------
    bool discPresent = true;
    bool trayOpen = false;
    bool ejectLocked = false;  // eject of a loaded disc fails with 5/53/02, the disc stays
    // The user lifts the disc off the tray once it has come out.
    bool discTakenWhenEjected = true;
    bool eventStatusSupported = true;  // false: 4A answers 5/20/00

    // ---- faults ------------------------------------------------------------------------
    std::vector<CommandFault> faults;
    std::vector<ReadBackFault> readBackFaults;
    bool vanishAfterCommit = false;  // every command after the commit goes unanswered
    std::vector<ShortReply> shortReplies;

    // ---- timing ------------------------------------------------------------------------
    // Reported in Outcome::latencySeconds; the drive itself never waits.
    double commandSeconds = 0.0;  // every command
    double bytesPerSecond = 0.0;  // data phase speed; 0: instant
    std::vector<KindLatency> latencies;
    // Seconds on the clock the drive's time-based states follow; empty: the
    // steady clock. The simulated machine plugs its own clock in here.
    std::function<double()> clock;
};

}  // namespace vdrive
