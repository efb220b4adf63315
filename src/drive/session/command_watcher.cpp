#include "command_watcher.h"

namespace {
CommandWatcher& Watcher() {
    static CommandWatcher watcher;
    return watcher;
}
}  // namespace

void SetCommandWatcher(CommandWatcher watcher) { Watcher() = std::move(watcher); }

void TellCommandWatcher(const std::string& driveLabel, const CommandRequest& request, const CommandResult& result) {
    if (Watcher()) Watcher()(driveLabel, request, result);
}

bool CommandWatched() { return static_cast<bool>(Watcher()); }
