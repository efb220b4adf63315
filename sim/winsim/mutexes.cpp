// CreateMutexA: named mutexes, which the updater uses to find another
// running copy of itself. A second creation of a name answers the existing
// mutex with ERROR_ALREADY_EXISTS, as on Windows.
#include <algorithm>
#include <string>

#include "machine_state.h"

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR name) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    const std::string text = name ? name : "";
    if (!s.kernelNamespaces && text.find('\\') != std::string::npos) {
        sim::SetError(ERROR_INVALID_NAME);
        return nullptr;
    }
    const bool exists = !text.empty() && std::ranges::find(s.mutexNames, text) != s.mutexNames.end();
    if (!exists) s.mutexNames.push_back(text);
    sim::HandleEntry entry;
    entry.kind = sim::HandleKind::Mutex;
    const HANDLE handle = s.NewHandle(entry);
    sim::SetError(exists ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

void sim::Machine::SetKernelNamespaces(bool known) {
    std::lock_guard lock(state_->mutex);
    state_->kernelNamespaces = known;
}

std::vector<std::string> sim::Machine::MutexNames() const {
    std::lock_guard lock(state_->mutex);
    return state_->mutexNames;
}
