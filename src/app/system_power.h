// The machine's power as Windows reports it (GetSystemPowerStatus), for the
// check before a flash (src/platform/power_check.h), and the window's side
// of that check.
#pragma once

#include "../platform/power_check.h"

// Unknown when the query fails or says 255 (unknown) for the adapter.
PowerState ReadSystemPowerState();

// The check as the window makes it, before a run: a refusal is shown as an
// error dialog (false: the run must not start), a warning as a warning
// dialog (true: the run goes on). Both go to the run log.
bool WindowPowerCheck();
