// The rule every image obeys: the flash procedure sends an image in whole
// 16 KiB pieces only and commits what it sent, so an image with a partial
// piece would lose its tail, and one of no piece would send nothing, while
// the commit programmed a truncated or stale image and the run reported
// success. The flash procedure refuses such an image before it touches the
// drive; the packer refuses to pack one, and the readers of a packed file
// to take it.
#pragma once

#include <cstdint>

#include "../drive/command_codes.h"

// At least one piece, and no partial one.
constexpr bool IsWholePieces(std::int64_t size) { return size > 0 && size % wire::kPieceSize == 0; }
