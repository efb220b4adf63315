// What a simulated ASPI manager serves: host adapters, the devices at their
// target/LUN slots, and how the manager completes each device's requests.
//
// Both simulated managers read this one model: the host build's machine
// (sim/winsim), whose tests set it field by field, and the test WNASPI32.DLL
// (sim/aspi-dll), which builds it from a scenario file. The request answers
// and the execute path that follow from it are in manager.h; the timing of a
// completion (threads, clocks, events) is each front end's own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "src/platform/aspi_layout.h"

namespace vdrive {
class Drive;
}

namespace aspisim {

// How the manager completes an SC_EXEC_SCSI_CMD for one device. The host
// build's machine offers all four; the DLL offers Background, and Immediate
// with a late event (its event_signal_delay_ms).
enum class Completion : std::uint8_t {
    Synchronous,  // finished before SendASPI32Command returns its final status
    Immediate,    // finished (block written, event set) before the call
                  // returns, yet the call still returns SS_PENDING
    Background,   // returns SS_PENDING; a background thread finishes it after
                  // the drive's latency
    Never,        // stays SS_PENDING; nothing touches the block until the
                  // front end releases it
};

// A target/LUN slot of an ASPI host adapter.
struct Device {
    BYTE deviceType = DTYPE_CDROM;           // the SC_GET_DEV_TYPE answer
    std::shared_ptr<vdrive::Drive> drive{};  // null: SC_EXEC_SCSI_CMD ends in SS_ERR, no answer
    Completion completion = Completion::Background;
    // A CHECK CONDITION ends in SS_COMP with the sense area filled all the
    // same (and SRB_TargStat 02h), as some managers report it; otherwise in
    // SS_ERR.
    bool checkConditionCompletes = false;
    // The event is set a moment after the status is written, as by a manager
    // thread that publishes the block and then calls SetEvent; by then the
    // caller may have closed the event and made another with the same value.
    bool signalsLate = false;
    // The event is set before the final status is written, as by a manager
    // whose store is not yet visible to the caller's processor when it
    // wakes; the status follows a moment later.
    bool signalsBeforeStatus = false;
    // Not 0: SendASPI32Command refuses every SC_EXEC_SCSI_CMD with this code
    // (SS_ASPI_IS_BUSY, an error) and never writes SRB_Status, as a manager
    // out of request slots does.
    BYTE refusesWith = 0;
};

struct Adapter {
    bool inquiryFails = false;  // SC_HA_INQUIRY for this adapter ends in SS_ERR
    std::map<std::pair<BYTE, BYTE>, Device> devices;  // (target, lun) -> device
};

struct ManagerConfig {
    BYTE supportStatus = SS_COMP;   // GetASPI32SupportInfo bits 8-15
    int reportedAdapterCount = -1;  // bits 0-7; -1 = adapters.size()
    std::vector<Adapter> adapters;
    // SC_HA_INQUIRY's HA_Identifier, padded with spaces.
    std::string hostIdentifier = "VIRTUAL HOST";
    // An SC_EXEC_SCSI_CMD with both direction bits set, or a command length
    // of 0 or over 16, ends in SS_INVALID_SRB instead of being run (with no
    // data phase for both bits).
    bool refusesMalformedCommands = false;
};

}  // namespace aspisim
