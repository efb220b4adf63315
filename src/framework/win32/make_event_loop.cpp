// The Windows build's back end.
#include "src/framework/win32/win32_loop.h"

namespace fw {

std::unique_ptr<EventLoop> MakeEventLoop() { return std::make_unique<win32::Win32Loop>(); }

}  // namespace fw
