// Writes one firmware image into one drive and commits it.
#pragma once

#include <cstdint>

#include "../drive/command_codes.h"
#include "chip_table.h"

class DriveSession;
class Stopwatch;

constexpr std::uint32_t kPieceSize = wire::kPieceSize;
constexpr int kMaxPasses = 3;

// The session's drive must be open. The loader for its chip comes from
// `loaders`. 1: committed; 0: failed.
std::uint8_t FlashFirmware(DriveSession& m, LoaderStore loaders, const std::uint8_t* image,
                           std::int32_t imageSize, std::uint8_t bootCode);
// Up to three passes of write-and-read-back of every 16 KB piece. A piece
// verifies only when the read-back moved all its bytes (the transport's
// count) and they equal what was written.
std::uint8_t WriteAndVerifyImage(DriveSession& m, const std::uint8_t* image,
                                 std::int32_t imageSize);
// Waits `seconds` by the stopwatch (the tick count without one); a worker
// has no messages to dispatch meanwhile.
void PauseWithMessages(Stopwatch& stopwatch, double seconds);
