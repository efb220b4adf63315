// The transport of identity reads outside a flash. Once the run is
// interrupted, or once a command of this drive got no answer within its
// time-out, nothing more is sent: the command set's loops (up to ten
// INQUIRYs, up to a hundred TEST UNIT READYs) then end at once, instead of
// a hung drive holding the list for a time-out per command, or a Ctrl-C
// waiting for them.
#pragma once

#include "run_control.h"
#include "src/drive/transport/transport.h"

namespace nflash {

class StoppableTransport final : public Transport {
public:
    StoppableTransport(Transport& inner, const RunControl& control) : inner_(inner), control_(control) {}

    bool Addressed() const override { return inner_.Addressed(); }
    // Failed, without sending, once stopped.
    CommandResult Send(const CommandRequest& request) override {
        if (timedOut_ || control_.Interrupted()) return CommandResult{};
        const CommandResult result = inner_.Send(request);
        timedOut_ = result.outcome == CommandOutcome::TimedOut;
        return result;
    }

    bool TimedOut() const { return timedOut_; }

private:
    Transport& inner_;
    const RunControl& control_;
    bool timedOut_ = false;
};

}  // namespace nflash
