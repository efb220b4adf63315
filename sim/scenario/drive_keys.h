// The per-drive keys of the scenario file and how each one sets the virtual
// drive's configuration (sim/aspi-dll/README.md lists them with their
// DriveConfig fields).
#pragma once

#include <string>

#include "sim/vdrive/drive_config.h"

namespace scenariofile {

// Sets the field that `key` names from `value`. Returns false for a key that
// is not a drive key; throws ScenarioError for a value it cannot take.
bool ApplyDriveKey(vdrive::DriveConfig& config, const std::string& key, const std::string& value);

}  // namespace scenariofile
