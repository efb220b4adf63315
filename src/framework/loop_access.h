// The running application's event loop, for the controls' change hooks.
#pragma once

#include <exception>

#include "src/framework/framework.h"

namespace fw::detail {

// Null while no application lives: controls built without one (unit tests of
// plain state) keep their state and tell nobody.
inline EventLoop* CurrentLoop() { return Application ? &Application->Loop() : nullptr; }

// Every event handler the framework raises goes through here, as through the
// message loop: with an application, an exception it throws is shown and goes
// no further, so it never unwinds through the platform's dispatch (undefined
// there) and the window keeps running.
template <typename Handler>
void RaiseEvent(Handler&& handler) {
    if (!Application) {
        handler();
        return;
    }
    try {
        handler();
    } catch (...) {
        Application->ShowException(std::current_exception());
    }
}

}  // namespace fw::detail
