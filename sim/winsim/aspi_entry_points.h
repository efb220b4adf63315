// The two exports of the simulated ASPI manager, handed out by GetProcAddress.
#pragma once

#include "machine_state.h"

namespace sim {

DWORD __cdecl AspiGetSupportInfo();
DWORD __cdecl AspiSendCommand(void* srb);

// Counts a call made through an entry point while WNASPI32 was not loaded.
void NoteAspiCall(Machine::State& s);

}  // namespace sim
