// The host build's back end.
#include "src/framework/headless/headless_loop.h"

namespace fw {

std::unique_ptr<EventLoop> MakeEventLoop() { return std::make_unique<headless::HeadlessLoop>(); }

}  // namespace fw
