// The running application's event loop, for the controls' change hooks.
#pragma once

#include "src/framework/framework.h"

namespace fw::detail {

// Null while no application lives: controls built without one (unit tests of
// plain state) keep their state and tell nobody.
inline EventLoop* CurrentLoop() { return Application ? &Application->Loop() : nullptr; }

}  // namespace fw::detail
