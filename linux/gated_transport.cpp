#include "gated_transport.h"

#include <algorithm>

#include "wire_command.h"

namespace nflash {

GatedTransport::GatedTransport(Transport& drive, RunControl& control, std::size_t index, RunMode mode,
                               std::array<std::uint8_t, 4> chipId, CommandObserver observer)
    : drive_(drive), control_(control), index_(index), mode_(mode), model_(chipId), observer_(std::move(observer)) {}

CommandResult GatedTransport::Report(const CommandRequest& request, CommandResult result, Delivery delivery) {
    if (observer_) observer_(request, result, delivery);
    return result;
}

CommandResult GatedTransport::Send(const CommandRequest& request) {
    if (request.cdb == nullptr) return drive_.Send(request);
    // Cancelled before it changed anything: not even the readiness polls
    // go on, the worker ends at once.
    if (!changing_ && control_.Cancelled(index_)) withheld_ = true;
    if (!withheld_ && !changing_ && ChangesDrive(request.cdb)) {
        changing_ = mode_ == RunMode::DryRun || control_.BeginChange(index_);
        withheld_ = !changing_;
    }
    // A cancelled drive gets nothing more: the procedure runs on to its end
    // against failures, which is quick and leaves the drive as it was.
    if (withheld_) return Report(request, CommandResult{}, Delivery::Withheld);
    if (mode_ == RunMode::DryRun && changing_) {
        PlannedCommand planned;
        std::copy_n(request.cdb, kCdbLength, planned.cdb.begin());
        planned.direction = request.direction;
        planned.length = request.length;
        plan_.push_back(planned);
        return Report(request, model_.Answer(request), Delivery::Planned);
    }
    return Report(request, drive_.Send(request), Delivery::Sent);
}

}  // namespace nflash
