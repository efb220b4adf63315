#include "exec_request.h"

#include <algorithm>
#include <cstring>

#include "final_status.h"

namespace aspisim {
namespace {

constexpr BYTE kHaStatSelectionTimeout = 0x11;

}  // namespace

std::optional<vdrive::Direction> DirectionOf(BYTE flags) {
    switch (flags & (SRB_DIR_IN | SRB_DIR_OUT)) {
    case SRB_DIR_IN: return vdrive::Direction::In;
    case SRB_DIR_OUT: return vdrive::Direction::Out;
    case 0: return vdrive::Direction::None;
    default: return std::nullopt;
    }
}

Request Take(SRB_ExecSCSICmd& srb, const Device& device) {
    Request request;
    request.srb = &srb;
    request.adapter = srb.SRB_HaId;
    request.target = srb.SRB_Target;
    request.lun = srb.SRB_Lun;
    request.flags = srb.SRB_Flags;
    std::memcpy(request.cdb.data(), srb.CDBByte, request.cdb.size());
    request.cdbLength = std::min<std::size_t>(srb.SRB_CDBLen, request.cdb.size());
    request.direction = DirectionOf(srb.SRB_Flags).value_or(vdrive::Direction::None);
    request.buffer = srb.SRB_BufPointer;
    request.length = srb.SRB_BufLen;
    if (srb.SRB_Flags & SRB_EVENT_NOTIFY) request.event = static_cast<HANDLE>(srb.SRB_PostProc);
    request.device = device;
    return request;
}

vdrive::Outcome Run(const Request& request) {
    if (!request.device.drive) {
        vdrive::Outcome none;
        none.delivered = false;
        return none;
    }
    return request.device.drive->Execute(request.cdb.data(), request.direction, request.buffer, request.length);
}

Answer WriteAnswer(const Request& request, const vdrive::Outcome& outcome) {
    SRB_ExecSCSICmd& srb = *request.srb;
    Answer answer;
    answer.status = FinalStatus(outcome, request.device.checkConditionCompletes);
    if (!outcome.delivered) {
        srb.SRB_HaStat = kHaStatSelectionTimeout;
        srb.SRB_TargStat = 0;
        return answer;
    }
    srb.SRB_HaStat = 0;
    srb.SRB_TargStat = outcome.scsiStatus;
    if (outcome.scsiStatus == vdrive::kStatusCheckCondition) {
        const std::size_t count =
            std::min<std::size_t>({srb.SRB_SenseLen, sizeof srb.SenseArea, outcome.sense.size()});
        std::memcpy(srb.SenseArea, outcome.sense.data(), count);
        answer.senseLength = count;
    }
    return answer;
}

}  // namespace aspisim
