// Who hears of every command the process's sessions send: the run log.
//
// One process-wide watcher, set at start-up before any session sends and
// cleared when the log goes away; it is called on whichever thread sent the
// command (the UI thread, or a flash worker), once per attempt, after the
// session has recorded the result. It must be thread-safe and must not throw.
#pragma once

#include <functional>
#include <string>

#include "../transport/transport.h"

using CommandWatcher =
    std::function<void(const std::string& driveLabel, const CommandRequest& request, const CommandResult& result)>;

// Null stops the watching. Not to be called while sessions send.
void SetCommandWatcher(CommandWatcher watcher);

void TellCommandWatcher(const std::string& driveLabel, const CommandRequest& request, const CommandResult& result);

// True when a watcher is set: a session need not even name its drive otherwise.
bool CommandWatched();
