// Flash chip identification and the loader upload that precedes the image.
#pragma once

#include <cstdint>

#include "chip_table.h"

class DriveSession;

// Copies the entry's loader from `loaders` to the start of writeBuffer;
// nullptr for -1.
std::uint8_t* StageLoader(DriveSession& m, LoaderStore loaders, int entry);
// Identifies the chip and sends its loader from `loaders` with its header.
// 1: sent and accepted.
std::uint8_t IdentifyChipAndUploadLoader(DriveSession& m, LoaderStore loaders);
