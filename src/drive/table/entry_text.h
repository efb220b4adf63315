// A table row's fields as text, for logs and reports.
#pragma once

#include <cstddef>
#include <string>

#include "drive_entry.h"

// A fixed-width field up to its NUL, never past its width.
std::string EntryField(const char* field, std::size_t width);

// "1-0-2-0": adapter, bus, target, lun.
std::string EntryAddress(const DriveEntry& entry);

// "D:" for a drive with a letter, else its address.
std::string EntryLabel(const DriveEntry& entry);
