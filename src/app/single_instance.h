// One updater at a time on the machine: a second copy must not discover the
// drives, since its INQUIRY and TEST UNIT READY would reach a drive in
// mid-flash.
#pragma once

// True when this is the only running copy. Otherwise, with
// `showRunningCopy`, the running copy's window is brought to the front; the
// caller should exit at once.
bool ClaimSingleInstance(bool showRunningCopy = true);
