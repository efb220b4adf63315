#include "data_phase.h"

#include <algorithm>
#include <cstring>

#include "sense.h"

namespace vdrive::detail {

std::uint32_t Be16(const std::uint8_t* field) {
    return (static_cast<std::uint32_t>(field[0]) << 8) | field[1];
}

std::uint32_t Be24(const std::uint8_t* field) {
    return (static_cast<std::uint32_t>(field[0]) << 16) | (static_cast<std::uint32_t>(field[1]) << 8) |
           field[2];
}

Outcome SendIn(const Request& request, std::span<const std::uint8_t> reply, std::uint32_t allocation) {
    const std::uint32_t wanted = std::min<std::uint32_t>(static_cast<std::uint32_t>(reply.size()), allocation);
    if (wanted == 0) return Good(0);
    if (request.direction != Direction::In || request.data == nullptr) return CheckCondition(kDataPhaseError);
    // A host buffer shorter than the allocation gets what fits: the
    // transfer count tells the host it came up short.
    const std::uint32_t moved = std::min(wanted, request.length);
    if (moved > 0) std::memcpy(request.data, reply.data(), moved);
    return Good(moved);
}

std::optional<Outcome> CheckDataOut(const Request& request, std::uint32_t parameterLength) {
    if (parameterLength == 0) return std::nullopt;
    const bool offered = request.direction == Direction::Out && request.data != nullptr &&
                         request.length >= parameterLength;
    if (offered) return std::nullopt;
    return CheckCondition(kDataPhaseError);
}

std::optional<Outcome> CheckNoData(const Request& request) {
    if (request.direction == Direction::None || request.length == 0) return std::nullopt;
    return CheckCondition(kDataPhaseError);
}

}  // namespace vdrive::detail
