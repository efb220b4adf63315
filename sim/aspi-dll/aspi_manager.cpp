#include "aspi_manager.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "sim/aspi-common/final_status.h"
#include "src/drive/hex_bytes.h"

namespace aspidll {
namespace {

constexpr BYTE kHostAdapterScsiId = 7;
constexpr BYTE kHaStatusSelectionTimeout = 0x11;
constexpr BYTE kStatusInvalidSrb = 0xE0;  // SS_INVALID_SRB: a command code we do not know

std::string Format(const char* format, auto... args) {
    char line[256];
    std::snprintf(line, sizeof line, format, args...);
    return line;
}

void CopyPadded(BYTE* field, std::size_t size, const char* text) {
    std::memset(field, ' ', size);
    std::memcpy(field, text, std::min(size, std::strlen(text)));
}

vdrive::Direction DirectionOf(BYTE flags) {
    switch (flags & (SRB_DIR_IN | SRB_DIR_OUT)) {
        case SRB_DIR_IN: return vdrive::Direction::In;
        case SRB_DIR_OUT: return vdrive::Direction::Out;
        default: return vdrive::Direction::None;
    }
}

const char* DirectionName(BYTE flags) {
    switch (flags & (SRB_DIR_IN | SRB_DIR_OUT)) {
        case SRB_DIR_IN: return "in";
        case SRB_DIR_OUT: return "out";
        case 0: return "none";
        default: return "both";
    }
}

}  // namespace

AspiManager::AspiManager(const Scenario& scenario, RequestLog& log)
    : supportStatus_(scenario.supportStatus),
      adapterCount_(scenario.adapterCount),
      eventSignalDelayMs_(scenario.eventSignalDelayMs),
      checkConditionCompletes_(scenario.checkConditionCompletes),
      signalBeforeStatus_(scenario.signalBeforeStatus),
      refuseWith_(scenario.refuseWith),
      log_(log) {
    for (const DriveSlot& d : scenario.drives) {
        slots_.push_back(Slot{d.adapter, d.target, d.lun, std::make_unique<vdrive::Drive>(d.config),
                              std::make_unique<CompletionQueue>()});
    }
}

DWORD AspiManager::SupportInfo() {
    const DWORD info = (DWORD{supportStatus_} << 8) | static_cast<BYTE>(adapterCount_);
    log_.Line(Format("support status=%02x adapters=%d", supportStatus_, adapterCount_));
    return info;
}

DWORD AspiManager::Send(void* request) {
    if (request == nullptr) {
        log_.Line("send null");
        return SS_ERR;
    }
    auto* header = static_cast<SRB_Header*>(request);
    switch (header->SRB_Cmd) {
        case SC_HA_INQUIRY: return HaInquiry(*static_cast<SRB_HAInquiry*>(request));
        case SC_GET_DEV_TYPE: return DeviceType(*static_cast<SRB_GDEVBlock*>(request));
        case SC_RESCAN_SCSI_BUS: return Rescan(*static_cast<SRB_RescanPort*>(request));
        case SC_EXEC_SCSI_CMD: return ExecScsi(*static_cast<SRB_ExecSCSICmd*>(request));
        default:
            header->SRB_Status = kStatusInvalidSrb;
            log_.Line(Format("unknown cmd=%02x ha=%d status=%02x", header->SRB_Cmd, header->SRB_HaId,
                             header->SRB_Status));
            return header->SRB_Status;
    }
}

DWORD AspiManager::HaInquiry(SRB_HAInquiry& srb) {
    if (ValidAdapter(srb.SRB_HaId)) {
        srb.HA_Count = static_cast<BYTE>(adapterCount_);
        srb.HA_SCSI_ID = kHostAdapterScsiId;
        CopyPadded(srb.HA_ManagerId, sizeof srb.HA_ManagerId, "ASPI for WIN32");
        CopyPadded(srb.HA_Identifier, sizeof srb.HA_Identifier, "NORVEK VDRIVE");
        std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
        srb.HA_Unique[3] = 16;  // targets per bus
        srb.SRB_Status = SS_COMP;
    } else if (adapterCount_ == 0 && srb.SRB_HaId == 0) {
        // A manager without adapters still answers the first inquiry: that is
        // how a caller learns the count is 0.
        srb.HA_Count = 0;
        srb.SRB_Status = SS_COMP;
    } else {
        srb.SRB_Status = SS_INVALID_HA;
    }
    log_.Line(Format("ha_inquiry ha=%d status=%02x count=%d", srb.SRB_HaId, srb.SRB_Status,
                     srb.HA_Count));
    return srb.SRB_Status;
}

DWORD AspiManager::DeviceType(SRB_GDEVBlock& srb) {
    if (!ValidAdapter(srb.SRB_HaId)) {
        srb.SRB_Status = SS_INVALID_HA;
    } else if (const Slot* slot = Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)) {
        srb.SRB_DeviceType = slot->drive->Config().peripheralType;
        srb.SRB_Status = SS_COMP;
    } else {
        srb.SRB_Status = SS_NO_DEVICE;
    }
    log_.Line(Format("dev_type ha=%d target=%d lun=%d status=%02x type=%02x", srb.SRB_HaId,
                     srb.SRB_Target, srb.SRB_Lun, srb.SRB_Status, srb.SRB_DeviceType));
    return srb.SRB_Status;
}

DWORD AspiManager::Rescan(SRB_RescanPort& srb) {
    srb.SRB_Status = ValidAdapter(srb.SRB_HaId) ? SS_COMP : SS_INVALID_HA;
    log_.Line(Format("rescan ha=%d status=%02x", srb.SRB_HaId, srb.SRB_Status));
    return srb.SRB_Status;
}

DWORD AspiManager::ExecScsi(SRB_ExecSCSICmd& srb) {
    Slot* slot = ValidAdapter(srb.SRB_HaId) ? Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)
                                            : nullptr;
    if (slot == nullptr) {
        // Refused at once: nothing is queued and the event is not signalled,
        // as with a real manager asked for a device it does not have.
        srb.SRB_Status = ValidAdapter(srb.SRB_HaId) ? SS_NO_DEVICE : SS_INVALID_HA;
        log_.Line(Format("exec ha=%d target=%d lun=%d cdb=%s dir=%s len=%lu status=%02x",
                         srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun,
                         HexBytes(srb.CDBByte, std::min<std::size_t>(srb.SRB_CDBLen, 16)).c_str(),
                         DirectionName(srb.SRB_Flags), static_cast<unsigned long>(srb.SRB_BufLen),
                         srb.SRB_Status));
        return srb.SRB_Status;
    }
    if (refuseWith_ != 0) {
        // Refused by the return code alone: the block is left as it came.
        log_.Line(Format("exec ha=%d target=%d lun=%d refused=%02x", srb.SRB_HaId, srb.SRB_Target,
                         srb.SRB_Lun, refuseWith_));
        return static_cast<DWORD>(refuseWith_);
    }
    srb.SRB_Status = SS_PENDING;
    if (eventSignalDelayMs_ > 0) return ExecAnsweringAtOnce(srb, *slot);
    slot->queue->Post([this, &srb, slot] { Finish(srb, *slot, Run(srb, *slot)); });
    return SS_PENDING;
}

// A command the drive answers at once is finished before the call returns;
// its event is set later from the drive's thread, behind whatever that thread
// already has to do. A slower command finishes on that thread as usual.
DWORD AspiManager::ExecAnsweringAtOnce(SRB_ExecSCSICmd& srb, Slot& slot) {
    const Answer answer = Run(srb, slot);
    if (answer.outcome.latencySeconds > 0) {
        slot.queue->Post([this, &srb, &slot, answer] { Finish(srb, slot, answer); });
        return SS_PENDING;
    }
    if (const HANDLE event = Publish(srb, slot, answer)) {
        slot.queue->Post([event, delay = eventSignalDelayMs_] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            SetEvent(event);
        });
    }
    return SS_PENDING;
}

// On the drive's thread: the drive's latency, then the answer, then the
// event; or, with signal_before_status, the event a moment before the
// answer. A hung drive's request is never finished.
void AspiManager::Finish(SRB_ExecSCSICmd& srb, const Slot& slot, const Answer& answer) {
    constexpr auto kStatusStoreDelay = std::chrono::milliseconds(50);
    if (answer.outcome.Hung()) {
        log_.Line(Format("exec ha=%d target=%d lun=%d cdb=%s hung", slot.adapter, slot.target, slot.lun,
                         answer.cdb.c_str()));
        return;
    }
    const double seconds = answer.outcome.latencySeconds;
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const bool notify = (answer.flags & SRB_EVENT_NOTIFY) != 0;
    if (signalBeforeStatus_ && notify) {
        SetEvent(answer.event);
        std::this_thread::sleep_for(kStatusStoreDelay);
        Publish(srb, slot, answer);
        return;
    }
    if (const HANDLE event = Publish(srb, slot, answer)) SetEvent(event);
}

// Everything the caller gave is read here, before the status is written:
// from that moment the caller may reuse the record.
AspiManager::Answer AspiManager::Run(SRB_ExecSCSICmd& srb, Slot& slot) {
    Answer answer;
    answer.flags = srb.SRB_Flags;
    answer.event = static_cast<HANDLE>(srb.SRB_PostProc);
    answer.cdb = HexBytes(srb.CDBByte, std::min<std::size_t>(srb.SRB_CDBLen, 16));
    answer.outcome =
        slot.drive->Execute(srb.CDBByte, DirectionOf(answer.flags), srb.SRB_BufPointer, srb.SRB_BufLen);
    return answer;
}

HANDLE AspiManager::Publish(SRB_ExecSCSICmd& srb, const Slot& slot, const Answer& answer) {
    const vdrive::Outcome& outcome = answer.outcome;
    std::string sense = "-";
    const BYTE status = aspisim::FinalStatus(outcome, checkConditionCompletes_);
    if (!outcome.delivered) {
        srb.SRB_HaStat = kHaStatusSelectionTimeout;
        srb.SRB_TargStat = 0;
    } else {
        srb.SRB_HaStat = 0;
        srb.SRB_TargStat = outcome.scsiStatus;
        if (outcome.scsiStatus == vdrive::kStatusCheckCondition) {
            const std::size_t length = std::min<std::size_t>(srb.SRB_SenseLen, outcome.sense.size());
            std::memcpy(srb.SenseArea, outcome.sense.data(), length);
            sense = HexBytes(outcome.sense.data(), length);
        }
    }
    log_.Line(Format("exec ha=%d target=%d lun=%d cdb=%s dir=%s len=%lu status=%02x sense=%s",
                     slot.adapter, slot.target, slot.lun, answer.cdb.c_str(), DirectionName(answer.flags),
                     static_cast<unsigned long>(srb.SRB_BufLen), status, sense.c_str()));

    srb.SRB_Status = status;
    return (answer.flags & SRB_EVENT_NOTIFY) != 0 ? answer.event : nullptr;
}

AspiManager::Slot* AspiManager::Find(int adapter, int target, int lun) {
    for (Slot& slot : slots_) {
        if (slot.adapter == adapter && slot.target == target && slot.lun == lun) return &slot;
    }
    return nullptr;
}

void AspiManager::WriteExitReport(const std::string& base) {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        LogDriveExit(log_, base, i, slots_[i].adapter, slots_[i].target, slots_[i].lun, *slots_[i].drive);
    }
}

}  // namespace aspidll
