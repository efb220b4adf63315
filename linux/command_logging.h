// A drive's commands in the run log: each one as it is sent (with the raw
// SG_IO answer in words), planned or withheld, under the drive's log label.
// With no run log nothing is written; the commands go on either way.
#pragma once

#include "observed_transport.h"
#include "optical_drive.h"
#include "program_context.h"
#include "src/drive/transport/sg_io/sg_io_transport.h"

namespace nflash {

// Logs every command it is told of; `transport` (whose last answer a sent
// command's line describes) and `context` must outlive it.
CommandObserver LoggingObserver(ProgramContext& context, const OpticalDrive& drive, SgIoTransport& transport);

// `transport` with every command it carries logged; both must outlive it.
ObservedTransport LoggedTransport(ProgramContext& context, const OpticalDrive& drive, SgIoTransport& transport);

}  // namespace nflash
