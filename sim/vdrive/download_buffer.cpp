// The 1 MiB download buffer: image pieces in, read-back out, and the commit
// that programs the flash from it.
//
// The commit programs the buffer from offset 0 up to the highest byte an
// image write filled; flash beyond that keeps what it held. A commit with
// nothing written, or without a loader, is refused: a drive must not flash
// an image it never received.
#include <algorithm>
#include <cstring>
#include <vector>

#include "command_set.h"
#include "data_phase.h"
#include "fault_plan.h"
#include "handlers.h"
#include "loader_check.h"
#include "sense.h"

namespace vdrive::detail {

namespace {

bool FitsBuffer(std::uint32_t offset, std::uint32_t length) {
    return offset <= wire::kDownloadBufferSize && length <= wire::kDownloadBufferSize - offset;
}

Outcome WriteImagePiece(DriveState& state, const Request& request) {
    const std::uint32_t offset = Be24(&request.cdb[kBufferOffsetByte]);
    const std::uint32_t length = Be24(&request.cdb[kBufferLengthByte]);
    if (!FitsBuffer(offset, length)) return CheckCondition(kInvalidFieldInCdb);
    if (auto refused = CheckDataOut(request, length)) return *refused;
    if (!state.loaderAccepted) return CheckCondition(kCommandSequenceError);

    if (length > 0) std::memcpy(state.downloadBuffer.data() + offset, request.data, length);
    state.highestWritten = std::max(state.highestWritten, offset + length);
    if (offset == 0) ++state.pass;  // the updater starts every pass at piece 0
    return Good(length);
}

Outcome Commit(DriveState& state, const DriveConfig& config, const Request& request) {
    if (auto refused = CheckNoData(request)) return *refused;
    if (!state.loaderAccepted || state.highestWritten == 0) return CheckCondition(kCommandSequenceError);

    std::copy_n(state.downloadBuffer.begin(), state.highestWritten, state.flash.begin());
    state.revision = config.newRevision;
    state.bootCode = request.cdb[kWriteBufferControlByte] == kCommitWithBootCodeControl;
    ++state.commitCount;
    if (config.unitAttentionAfterCommit) state.unitAttentionPending = true;
    if (config.vanishAfterCommit) state.vanished = true;
    return Good(0);
}

}  // namespace

Outcome WriteBuffer(DriveState& state, const DriveConfig& config, const Request& request, CommandKind kind) {
    if ((request.cdb[1] & 0x1F) != kWriteBufferMode || request.cdb[2] != kBufferId) {
        return CheckCondition(kInvalidFieldInCdb);
    }
    switch (kind) {
    case CommandKind::Commit: return Commit(state, config, request);
    case CommandKind::LoaderUpload: return UploadLoader(state, request);
    default: break;
    }
    if (request.cdb[kWriteBufferControlByte] != kImageControl) return CheckCondition(kInvalidFieldInCdb);
    return WriteImagePiece(state, request);
}

Outcome ReadBuffer(const DriveState& state, const DriveConfig& config, const Request& request) {
    if ((request.cdb[1] & 0x1F) != kReadBufferMode || request.cdb[2] != kBufferId) {
        return CheckCondition(kInvalidFieldInCdb);
    }
    const std::uint32_t offset = Be24(&request.cdb[kBufferOffsetByte]);
    const std::uint32_t length = Be24(&request.cdb[kBufferLengthByte]);
    if (!FitsBuffer(offset, length)) return CheckCondition(kInvalidFieldInCdb);

    std::vector<std::uint8_t> reply(state.downloadBuffer.begin() + offset,
                                    state.downloadBuffer.begin() + offset + length);
    // The last byte is the one spoiled, so only a comparison of the whole
    // piece notices it.
    const int piece = static_cast<int>(offset / wire::kPieceSize);
    if (!reply.empty() && ReadBackCorrupted(state, config, piece)) reply.back() ^= 0xFF;
    return SendIn(request, reply, length);
}

}  // namespace vdrive::detail
