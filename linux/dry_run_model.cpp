#include "dry_run_model.h"

#include <algorithm>
#include <cstring>

#include "wire_command.h"

namespace nflash {

CommandResult DryRunModel::Answer(const CommandRequest& request) {
    CommandResult result;
    result.outcome = CommandOutcome::Good;
    const bool dataIn = request.direction == kDataIn && request.buffer != nullptr;
    const bool dataOut = request.direction == kDataOut && request.buffer != nullptr;
    if (dataIn) std::memset(request.buffer, 0, request.length);
    switch (Classify(request.cdb, request.length)) {
        case WireKind::ImagePiece:
            if (dataOut) {
                written_[BufferOffset(request.cdb)].assign(request.buffer, request.buffer + request.length);
            }
            break;
        case WireKind::ReadBack:
            if (const auto piece = written_.find(BufferOffset(request.cdb)); dataIn && piece != written_.end()) {
                std::copy_n(piece->second.begin(), std::min<std::size_t>(piece->second.size(), request.length),
                            request.buffer);
            }
            break;
        case WireKind::Identify:
            if (dataIn)
                std::copy_n(chipId_.begin(), std::min<std::size_t>(chipId_.size(), request.length), request.buffer);
            break;
        default: break;
    }
    result.transferred = request.length;
    return result;
}

}  // namespace nflash
