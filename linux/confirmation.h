// The question before a flash, asked in the terminal: the window's notice,
// the drives and what each gets, then "[y/N]". Only an answer of y or yes
// goes on; end of input, anything else or an interruption does not.
#pragma once

#include <ostream>
#include <string>

#include "program_context.h"

namespace nflash {

bool Confirm(const std::string& question, std::ostream& prompt, ProgramContext& context);

}  // namespace nflash
