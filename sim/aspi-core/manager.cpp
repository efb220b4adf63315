#include "manager.h"

#include <utility>

#include "adapter_requests.h"
#include "final_status.h"

namespace aspisim {
namespace {

constexpr std::size_t kLongestCommand = 16;

Reply Answered(BYTE& status, BYTE value) {
    StoreStatus(status, value);
    return {Disposition::Answered, value, std::nullopt};
}

bool Malformed(const SRB_ExecSCSICmd& srb) {
    return !DirectionOf(srb.SRB_Flags) || srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > kLongestCommand;
}

}  // namespace

Manager::Manager(ManagerConfig config) : config_(std::move(config)) {}

DWORD Manager::SupportInfo() const { return aspisim::SupportInfo(config_); }

Reply Manager::Send(void* block) {
    auto& header = *static_cast<SRB_Header*>(block);
    switch (header.SRB_Cmd) {
    case SC_HA_INQUIRY:
        return {Disposition::Answered, AnswerHaInquiry(config_, *static_cast<SRB_HAInquiry*>(block)), std::nullopt};
    case SC_GET_DEV_TYPE:
        return {Disposition::Answered, AnswerDeviceType(config_, *static_cast<SRB_GDEVBlock*>(block)), std::nullopt};
    case SC_RESCAN_SCSI_BUS:
        return {Disposition::Answered, AnswerRescan(config_, *static_cast<SRB_RescanPort*>(block)), std::nullopt};
    case SC_EXEC_SCSI_CMD: return Execute(*static_cast<SRB_ExecSCSICmd*>(block));
    default: return Answered(header.SRB_Status, kSsInvalidSrb);
    }
}

// The order of the checks is the order a manager can make them in: the
// block it still owns is not read at all; an unknown address is answered in
// the block; a device out of request slots refuses before it looks further.
Reply Manager::Execute(SRB_ExecSCSICmd& srb) {
    if (Pending(&srb)) return {Disposition::Reused, kSsInvalidSrb, std::nullopt};
    if (srb.SRB_HaId >= config_.adapters.size()) return Answered(srb.SRB_Status, SS_INVALID_HA);
    const Device* device = FindDevice(config_, srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (!device) return Answered(srb.SRB_Status, SS_NO_DEVICE);
    if (device->refusesWith != 0) return {Disposition::Refused, device->refusesWith, std::nullopt};
    if (config_.refusesMalformedCommands && Malformed(srb)) return Answered(srb.SRB_Status, kSsInvalidSrb);
    if (!Hold(&srb)) return {Disposition::Reused, kSsInvalidSrb, std::nullopt};
    StoreStatus(srb.SRB_Status, SS_PENDING);
    return {Disposition::Accepted, SS_PENDING, Take(srb, *device)};
}

void Manager::Complete(const Request& request, BYTE status) {
    {
        std::lock_guard lock(mutex_);
        pending_.erase(request.srb);
    }
    StoreStatus(request.srb->SRB_Status, status);
}

bool Manager::Pending(const void* block) const {
    std::lock_guard lock(mutex_);
    return pending_.contains(block);
}

bool Manager::Hold(const void* block) {
    std::lock_guard lock(mutex_);
    return pending_.insert(block).second;
}

}  // namespace aspisim
