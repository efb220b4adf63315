// A transport that tells an observer about every command it carries: the
// run log's view of discovery and re-inquiry.
#pragma once

#include "gated_transport.h"

namespace nflash {

class ObservedTransport final : public Transport {
public:
    ObservedTransport(Transport& inner, CommandObserver observer) : inner_(inner), observer_(std::move(observer)) {}

    bool Addressed() const override { return inner_.Addressed(); }
    CommandResult Send(const CommandRequest& request) override {
        const CommandResult result = inner_.Send(request);
        if (observer_) observer_(request, result, Delivery::Sent);
        return result;
    }

private:
    Transport& inner_;
    CommandObserver observer_;
};

}  // namespace nflash
