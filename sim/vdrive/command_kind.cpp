#include "command_kind.h"

#include "command_set.h"
#include "loader_check.h"

namespace vdrive::detail {

namespace {

CommandKind ClassifyWriteBuffer(const Request& request, const DriveState& state) {
    const std::uint8_t control = request.cdb[kWriteBufferControlByte];
    if (control == kCommitControl || control == kCommitWithBootCodeControl) return CommandKind::Commit;
    if (IsLoaderUpload(request, state)) return CommandKind::LoaderUpload;
    return CommandKind::ImageWrite;
}

}  // namespace

CommandKind Classify(const Request& request, const DriveState& state) {
    switch (request.cdb[0]) {
    case kOpInquiry: return CommandKind::Inquiry;
    case kOpTestUnitReady: return CommandKind::TestUnitReady;
    case kOpStartStopUnit: return CommandKind::StartStop;
    case kOpGetEventStatus: return CommandKind::EventStatus;
    case kOpVendorIdentify: return CommandKind::Identify;
    case kOpReadBuffer: return CommandKind::ReadBack;
    case kOpWriteBuffer: return ClassifyWriteBuffer(request, state);
    default: return CommandKind::Other;
    }
}

}  // namespace vdrive::detail
