// The running application's event loop, for the controls' change hooks.
#pragma once

#include <utility>

#include "src/framework/framework.h"

namespace fw::detail {

// Null while no application lives: controls built without one (unit tests of
// plain state) keep their state and tell nobody.
inline EventLoop* CurrentLoop() { return Application ? &Application->Loop() : nullptr; }

// Every event handler the framework raises goes through here: with an
// application, an exception is shown and stops at this boundary.
template <typename Handler>
void RaiseEvent(Handler&& handler) {
    if (Application) {
        Application->HandleEvent(std::forward<Handler>(handler));
    } else {
        handler();
    }
}

}  // namespace fw::detail
