// The least any verified transfer of an image must do per piece: copy it
// into the send buffer, into the drive's buffer, back out into the receive
// buffer, and compare. The floor both transports' transfers are held to.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "src/drive/command_codes.h"

inline void MeasureCopyAndCompareFloor(benchmark::State& state, const std::vector<std::uint8_t>& image) {
    constexpr std::uint32_t kPiece = wire::kPieceSize;
    const auto pieces = static_cast<std::uint32_t>(image.size() / kPiece);
    std::vector<std::uint8_t> send(kPiece), drive(image.size()), receive(kPiece);
    int equal = 0;
    for (auto _ : state) {
        for (std::uint32_t k = 0; k < pieces; ++k) {
            std::memcpy(send.data(), image.data() + k * kPiece, kPiece);
            std::memcpy(drive.data() + k * kPiece, send.data(), kPiece);
            std::memcpy(receive.data(), drive.data() + k * kPiece, kPiece);
            equal += std::memcmp(receive.data(), send.data(), kPiece) == 0;
        }
        benchmark::DoNotOptimize(equal);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(image.size()));
}
