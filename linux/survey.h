// The drive list of a run: every optical drive sysfs names, then (once the
// safety checks allow it) each one's live identity and chip, read with the
// window's discovery commands, and the package's decision for it.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "console.h"
#include "program_context.h"
#include "run_report.h"
#include "src/drive/transport/sg_io/sg_io_transport.h"
#include "src/package/package_reader.h"

namespace nflash {

// One report per drive, in the documented order, with the sysfs identity
// and the decision it gives; nothing is sent.
std::vector<DriveReport> SurveyDrives(const SystemPaths& paths, const pkg::PackageReader& package);

// Reads every drive's identity in table order, through the transport given
// for it in `open` (by index into `drives`), or else through a shared open
// of its command node that is closed again; decides again on the live
// identity. A drive that cannot be opened or does not answer keeps its
// sysfs identity and says why. Once the run is interrupted no further
// command is sent, and the drives not yet read say so. The run log gets
// every command and, for each drive, what was found.
void ReadIdentities(std::vector<DriveReport>& drives, const std::map<std::size_t, SgIoTransport*>& open,
                    const pkg::PackageReader& package, ProgramContext& context);

// For each drive without an sg node, a warning in the report and on the
// console: the sg driver is not loaded. Its commands then go through the
// block node, where the kernel lets only root send vendor commands.
void WarnAboutMissingSgNodes(RunReport& report, Console& console);

}  // namespace nflash
