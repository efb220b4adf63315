#include "adapter_requests.h"

#include <algorithm>
#include <cstring>

#include "final_status.h"

namespace aspisim {
namespace {

constexpr BYTE kHostAdapterScsiId = 7;
constexpr BYTE kTargetsPerBus = 16;
constexpr BYTE kLunsPerTarget = 8;

void CopyPadded(BYTE (&field)[16], const std::string& text) {
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
}

bool ValidAdapter(const ManagerConfig& config, BYTE adapter) { return adapter < config.adapters.size(); }

BYTE Answer(BYTE& status, BYTE value) {
    StoreStatus(status, value);
    return value;
}

}  // namespace

DWORD SupportInfo(const ManagerConfig& config) {
    const int count =
        config.reportedAdapterCount >= 0 ? config.reportedAdapterCount : static_cast<int>(config.adapters.size());
    return (DWORD{config.supportStatus} << 8) | static_cast<DWORD>(count & 0xFF);
}

BYTE AnswerHaInquiry(const ManagerConfig& config, SRB_HAInquiry& srb) {
    const std::size_t count = config.adapters.size();
    if (!ValidAdapter(config, srb.SRB_HaId) && !(srb.SRB_HaId == 0 && count == 0))
        return Answer(srb.SRB_Status, SS_INVALID_HA);
    if (count > 0 && config.adapters[srb.SRB_HaId].inquiryFails) return Answer(srb.SRB_Status, SS_ERR);
    srb.HA_Count = static_cast<BYTE>(std::min<std::size_t>(count, 0xFF));
    srb.HA_SCSI_ID = kHostAdapterScsiId;
    CopyPadded(srb.HA_ManagerId, "ASPI for WIN32");
    CopyPadded(srb.HA_Identifier, config.hostIdentifier);
    std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
    srb.HA_Unique[3] = kTargetsPerBus;  // maximum targets
    return Answer(srb.SRB_Status, SS_COMP);
}

const Device* FindDevice(const ManagerConfig& config, BYTE adapter, BYTE target, BYTE lun) {
    if (!ValidAdapter(config, adapter) || target >= kTargetsPerBus || lun >= kLunsPerTarget) return nullptr;
    const auto& devices = config.adapters[adapter].devices;
    const auto found = devices.find({target, lun});
    return found == devices.end() ? nullptr : &found->second;
}

BYTE AnswerDeviceType(const ManagerConfig& config, SRB_GDEVBlock& srb) {
    if (!ValidAdapter(config, srb.SRB_HaId)) return Answer(srb.SRB_Status, SS_INVALID_HA);
    const Device* device = FindDevice(config, srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (!device) return Answer(srb.SRB_Status, SS_NO_DEVICE);
    srb.SRB_DeviceType = device->deviceType;
    return Answer(srb.SRB_Status, SS_COMP);
}

BYTE AnswerRescan(const ManagerConfig& config, SRB_RescanPort& srb) {
    return Answer(srb.SRB_Status, ValidAdapter(config, srb.SRB_HaId) ? SS_COMP : SS_INVALID_HA);
}

}  // namespace aspisim
