// The worker thread class: suspended creation, one run, termination handed to
// the UI thread through the event loop.
#include <stdexcept>
#include <system_error>
#include <thread>

#include "src/framework/framework.h"
#include "src/framework/loop_access.h"

namespace fw {

struct TThread::Impl {
    std::thread thread;
    EventLoop* loop = nullptr;
    std::exception_ptr fatal;
};

TThread::TThread() : impl_(std::make_unique<Impl>()) {}

TThread::~TThread() {
    // An owner that frees a thread it did not let run to its delivery still
    // must not leave it running against a freed object.
    if (impl_->thread.joinable()) impl_->thread.join();
}

bool TThread::Start() {
    if (impl_->loop) throw std::logic_error("thread started twice");
    if (!Application) throw std::logic_error("thread started without an application");
    EventLoop& loop = Application->Loop();
    // Announced before the thread exists: it may end, and post its
    // termination, before the constructor of std::thread returns.
    if (!loop.ThreadStarting(this)) return false;
    impl_->loop = &loop;
    try {
        impl_->thread = std::thread([this] { Body(); });
    } catch (const std::system_error&) {
        impl_->loop = nullptr;
        loop.ThreadNotStarted(this);
        return false;
    }
    return true;
}

void TThread::Body() {
    // Whatever Execute throws stays on this thread: the UI still has to
    // hear that the worker ended, or a run would never complete.
    try {
        Execute();
    } catch (...) {
        impl_->fatal = std::current_exception();
    }
    impl_->loop->PostTermination(this);
}

void TThread::DeliverTermination() {
    if (impl_->thread.joinable()) impl_->thread.join();
    // The object is freed whatever the handler does, exception included.
    if (OnTerminate) detail::RaiseEvent([this] { OnTerminate(this); });
    if (FreeOnTerminate) delete this;
}

std::exception_ptr TThread::FatalException() const { return impl_->fatal; }

}  // namespace fw
