#include "aspi_manager.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "src/drive/hex_bytes.h"

namespace aspidll {
namespace {

const char* const kHostIdentifier = "NORVEK VDRIVE";

std::string Format(const char* format, auto... args) {
    char line[256];
    std::snprintf(line, sizeof line, format, args...);
    return line;
}

const char* DirectionName(BYTE flags) {
    switch (flags & (SRB_DIR_IN | SRB_DIR_OUT)) {
        case SRB_DIR_IN: return "in";
        case SRB_DIR_OUT: return "out";
        case 0: return "none";
        default: return "both";
    }
}

std::string CdbHex(const std::uint8_t* cdb, std::size_t length) {
    return HexBytes(cdb, std::min<std::size_t>(length, 16));
}

std::string CdbHex(const aspisim::Request& request) { return HexBytes(request.cdb.data(), request.cdbLength); }

}  // namespace

AspiManager::AspiManager(const scenariofile::Scenario& scenario, drivelog::RequestLog& log)
    : eventSignalDelayMs_(scenario.eventSignalDelayMs),
      slots_([&scenario] {
          std::vector<Slot> slots;
          for (const scenariofile::DriveSlot& d : scenario.drives) {
              slots.push_back(Slot{d, std::make_shared<vdrive::Drive>(d.config), std::make_unique<CompletionQueue>()});
          }
          return slots;
      }()),
      core_(CoreConfig(scenario, slots_)),
      log_(log) {}

// Every drive gets the scenario's manager options. A drive on an adapter
// past the count the manager reports cannot be reached, as on a real bus;
// of two drives at one address the first is served.
aspisim::ManagerConfig AspiManager::CoreConfig(const scenariofile::Scenario& scenario, const std::vector<Slot>& slots) {
    aspisim::ManagerConfig config;
    config.supportStatus = scenario.supportStatus;
    config.hostIdentifier = kHostIdentifier;
    config.adapters.resize(static_cast<std::size_t>(scenario.adapterCount));
    const bool late = scenario.eventSignalDelayMs > 0;
    for (const Slot& slot : slots) {
        if (slot.address.adapter >= scenario.adapterCount) continue;
        aspisim::Device device;
        device.deviceType = slot.address.config.peripheralType;
        device.drive = slot.drive;
        device.completion = late ? aspisim::Completion::Immediate : aspisim::Completion::Background;
        device.signalsLate = late;
        device.checkConditionCompletes = scenario.checkConditionCompletes;
        device.signalsBeforeStatus = scenario.signalBeforeStatus;
        device.refusesWith = static_cast<BYTE>(scenario.refuseWith);
        const std::pair<BYTE, BYTE> at{static_cast<BYTE>(slot.address.target), static_cast<BYTE>(slot.address.lun)};
        config.adapters[static_cast<std::size_t>(slot.address.adapter)].devices.emplace(at, device);
    }
    return config;
}

DWORD AspiManager::SupportInfo() {
    const DWORD info = core_.SupportInfo();
    log_.Line(Format("support status=%02x adapters=%d", (info >> 8) & 0xFF, static_cast<int>(info & 0xFF)));
    return info;
}

DWORD AspiManager::Send(void* request) {
    if (request == nullptr) {
        log_.Line("send null");
        return SS_ERR;
    }
    const aspisim::Reply reply = core_.Send(request);
    const auto& srb = *static_cast<const SRB_ExecSCSICmd*>(request);
    switch (reply.disposition) {
        case aspisim::Disposition::Answered: LogAnswered(request); break;
        case aspisim::Disposition::Refused:
            // Refused by the return code alone: the block is left as it came.
            log_.Line(Format("exec ha=%d target=%d lun=%d refused=%02x", srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun,
                             static_cast<unsigned>(reply.code)));
            break;
        case aspisim::Disposition::Reused:
            log_.Line(Format("exec ha=%d target=%d lun=%d reused status=%02x", srb.SRB_HaId, srb.SRB_Target,
                             srb.SRB_Lun, static_cast<unsigned>(reply.code)));
            break;
        case aspisim::Disposition::Accepted: return Start(*reply.request);
    }
    return reply.code;
}

void AspiManager::LogAnswered(const void* request) {
    const auto& header = *static_cast<const SRB_Header*>(request);
    switch (header.SRB_Cmd) {
        case SC_HA_INQUIRY: {
            const auto& srb = *static_cast<const SRB_HAInquiry*>(request);
            log_.Line(Format("ha_inquiry ha=%d status=%02x count=%d", srb.SRB_HaId, srb.SRB_Status, srb.HA_Count));
            break;
        }
        case SC_GET_DEV_TYPE: {
            const auto& srb = *static_cast<const SRB_GDEVBlock*>(request);
            log_.Line(Format("dev_type ha=%d target=%d lun=%d status=%02x type=%02x", srb.SRB_HaId, srb.SRB_Target,
                             srb.SRB_Lun, srb.SRB_Status, srb.SRB_DeviceType));
            break;
        }
        case SC_RESCAN_SCSI_BUS:
            log_.Line(Format("rescan ha=%d status=%02x", header.SRB_HaId, header.SRB_Status));
            break;
        case SC_EXEC_SCSI_CMD: {
            // Refused at once: nothing is queued and the event is not
            // signalled, as with a real manager asked for a device it does
            // not have.
            const auto& srb = *static_cast<const SRB_ExecSCSICmd*>(request);
            log_.Line(Format("exec ha=%d target=%d lun=%d cdb=%s dir=%s len=%lu status=%02x", srb.SRB_HaId,
                             srb.SRB_Target, srb.SRB_Lun, CdbHex(srb.CDBByte, srb.SRB_CDBLen).c_str(),
                             DirectionName(srb.SRB_Flags), static_cast<unsigned long>(srb.SRB_BufLen),
                             srb.SRB_Status));
            break;
        }
        default:
            log_.Line(Format("unknown cmd=%02x ha=%d status=%02x", header.SRB_Cmd, header.SRB_HaId,
                             header.SRB_Status));
    }
}

DWORD AspiManager::Start(const aspisim::Request& request) {
    Slot& slot = SlotOf(request);
    if (request.device.completion == aspisim::Completion::Immediate) return AnswerAtOnce(request, slot);
    slot.queue->Post([this, request] { Finish(request, aspisim::Run(request)); });
    return SS_PENDING;
}

// A command the drive answers at once is finished before the call returns;
// its event is set later from the drive's thread, behind whatever that thread
// already has to do. A slower command finishes on that thread as usual.
DWORD AspiManager::AnswerAtOnce(const aspisim::Request& request, Slot& slot) {
    const vdrive::Outcome outcome = aspisim::Run(request);
    if (outcome.latencySeconds > 0) {
        slot.queue->Post([this, request, outcome] { Finish(request, outcome); });
        return SS_PENDING;
    }
    if (const HANDLE event = Publish(request, outcome)) {
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
void AspiManager::Finish(const aspisim::Request& request, const vdrive::Outcome& outcome) {
    constexpr auto kStatusStoreDelay = std::chrono::milliseconds(50);
    if (outcome.Hung()) {
        log_.Line(Format("exec ha=%d target=%d lun=%d cdb=%s hung", request.adapter, request.target, request.lun,
                         CdbHex(request).c_str()));
        return;
    }
    const double seconds = outcome.latencySeconds;
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    if (request.device.signalsBeforeStatus && request.event) {
        SetEvent(request.event);
        std::this_thread::sleep_for(kStatusStoreDelay);
        Publish(request, outcome);
        return;
    }
    if (const HANDLE event = Publish(request, outcome)) SetEvent(event);
}

HANDLE AspiManager::Publish(const aspisim::Request& request, const vdrive::Outcome& outcome) {
    const aspisim::Answer answer = aspisim::WriteAnswer(request, outcome);
    const std::string sense = answer.senseLength ? HexBytes(outcome.sense.data(), *answer.senseLength) : "-";
    log_.Line(drivelog::ExecLine(request.adapter, request.target, request.lun, CdbHex(request),
                                 DirectionName(request.flags), request.length, answer.status == SS_COMP, sense));
    core_.Complete(request, answer.status);
    return request.event;
}

AspiManager::Slot& AspiManager::SlotOf(const aspisim::Request& request) {
    // The core accepts commands only for drives it was given, and it was
    // given each slot's drive.
    const auto found = std::ranges::find_if(
        slots_, [&request](const Slot& slot) { return slot.drive == request.device.drive; });
    return *found;
}

void AspiManager::WriteExitReport(const std::string& base) {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        drivelog::LogDriveExit(log_, base, i, slots_[i].address, *slots_[i].drive);
    }
}

}  // namespace aspidll
