// The command interpreter: every block is logged, classified, checked
// against the fault plan and the pending unit attention, then run by its
// family's handler, and given the latency the configuration asks for.
#include "drive.h"

#include <algorithm>

#include "command_kind.h"
#include "command_log.h"
#include "drive_state.h"
#include "fault_plan.h"
#include "handlers.h"
#include "sense.h"

namespace vdrive {

namespace {

using detail::DriveState;
using detail::Request;

Outcome Unanswered() {
    Outcome outcome;
    outcome.delivered = false;
    return outcome;
}

Outcome Run(DriveState& state, const DriveConfig& config, const Request& request, CommandKind kind) {
    if (auto attention = detail::TakeUnitAttention(state, config, request)) return *attention;
    switch (kind) {
    case CommandKind::Inquiry: return detail::Inquiry(state, config, request);
    case CommandKind::TestUnitReady: return detail::TestUnitReady(state, config, request);
    case CommandKind::StartStop: return detail::StartStopUnit(state, config, request);
    case CommandKind::EventStatus: return detail::GetEventStatus(state, config, request);
    case CommandKind::Identify: return detail::VendorIdentify(config, request);
    case CommandKind::ReadBack: return detail::ReadBuffer(state, config, request);
    case CommandKind::LoaderUpload:
    case CommandKind::ImageWrite:
    case CommandKind::Commit: return detail::WriteBuffer(state, config, request, kind);
    case CommandKind::Any:
    case CommandKind::Other: break;
    }
    return detail::CheckCondition(detail::kInvalidOpcode);
}

// A short reply: the drive stops the data phase after its bytes, so no
// more than that reaches the host's buffer.
void CutShortReply(const DriveConfig& config, CommandKind kind, Request& request) {
    if (request.direction != Direction::In) return;
    for (const ShortReply& cut : config.shortReplies) {
        if (cut.kind == kind || cut.kind == CommandKind::Any) {
            request.length = std::min(request.length, cut.bytes);
        }
    }
}

double LatencyOf(const DriveConfig& config, CommandKind kind, std::uint32_t transferred) {
    double seconds = config.commandSeconds;
    if (config.bytesPerSecond > 0.0) seconds += transferred / config.bytesPerSecond;
    for (const KindLatency& extra : config.latencies) {
        if (extra.kind == kind || extra.kind == CommandKind::Any) seconds += extra.seconds;
    }
    return seconds;
}

}  // namespace

Drive::Drive(DriveConfig config)
    : config_(std::move(config)), state_(std::make_shared<State>(config_)) {}

Outcome Drive::Execute(const std::uint8_t* cdb, Direction direction, std::uint8_t* data,
                       std::uint32_t length) {
    if (cdb == nullptr) return Unanswered();
    Request request;
    std::copy_n(cdb, request.cdb.size(), request.cdb.begin());
    request.direction = direction;
    request.data = data;
    request.length = length;

    std::lock_guard lock(mutex_);
    detail::RecordCommand(*state_, request);
    if (state_->vanished) return Unanswered();

    const CommandKind kind = detail::Classify(request, *state_);
    CutShortReply(config_, kind, request);
    const CommandFault* fault = detail::CountAndFindFault(*state_, config_, kind);
    Outcome outcome = fault != nullptr ? detail::FaultOutcome(*fault) : Run(*state_, config_, request, kind);
    outcome.latencySeconds += LatencyOf(config_, kind, outcome.transferred);
    if (fault != nullptr) outcome.latencySeconds += fault->extraSeconds;
    return outcome;
}

}  // namespace vdrive
