#include "flash_progress.h"

#include "wire_command.h"

namespace nflash {

std::string PhaseName(FlashPhase phase) {
    switch (phase) {
        case FlashPhase::Waiting: return "waiting";
        case FlashPhase::Preparing: return "preparing";
        case FlashPhase::Identifying: return "identifying the flash chip";
        case FlashPhase::Loader: return "uploading the loader";
        case FlashPhase::Transfer: return "transferring";
        case FlashPhase::Pausing: return "pausing before the commit";
        case FlashPhase::Committing: return "committing (the drive programs its flash)";
        case FlashPhase::Reinquiring: return "waiting for the drive to answer";
        case FlashPhase::Done: return "done";
        case FlashPhase::Failed: return "failed";
        case FlashPhase::Cancelled: return "cancelled";
    }
    return "?";
}

void FlashProgress::Enter(FlashPhase phase) {
    std::lock_guard lock(mutex_);
    snapshot_.phase = phase;
}

void FlashProgress::Observe(const CommandRequest& request, const CommandResult& result, Delivery delivery) {
    if (delivery == Delivery::Withheld || request.cdb == nullptr) return;
    std::lock_guard lock(mutex_);
    switch (Classify(request.cdb, request.length)) {
        case WireKind::TestUnitReady:
        case WireKind::StartStop: snapshot_.phase = FlashPhase::Preparing; break;
        case WireKind::Identify: snapshot_.phase = FlashPhase::Identifying; break;
        case WireKind::LoaderUpload: snapshot_.phase = FlashPhase::Loader; break;
        case WireKind::ImagePiece:
            snapshot_.phase = FlashPhase::Transfer;
            if (BufferOffset(request.cdb) == 0) {
                ++snapshot_.pass;
                snapshot_.readBack = 0;
            }
            break;
        case WireKind::ReadBack:
            if (result.IsGood()) snapshot_.readBack = BufferOffset(request.cdb) / wire::kPieceSize + 1;
            if (snapshot_.readBack == snapshot_.pieces) snapshot_.phase = FlashPhase::Pausing;
            break;
        case WireKind::Commit: snapshot_.phase = FlashPhase::Committing; break;
        case WireKind::Inquiry:
        case WireKind::Other: break;
    }
}

ProgressSnapshot FlashProgress::Snapshot() const {
    std::lock_guard lock(mutex_);
    return snapshot_;
}

std::string ProgressText(const ProgressSnapshot& s) {
    std::string text;
    if (s.pass > 0) {
        text = "pass " + std::to_string(s.pass) + ", " + std::to_string(s.readBack) + "/" + std::to_string(s.pieces) +
               " pieces verified, ";
    }
    return text + PhaseName(s.phase);
}

}  // namespace nflash
