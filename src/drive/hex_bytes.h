// Bytes as every log of the project writes them: two lower-case hex digits
// a byte, with no separator ("3b0501000000004000000000": a command block, a
// sense record, a digest) or a given one ("bf d6 00 01": a chip identity).
// Header-only and standing alone: the simulated drives' logs (the test ASPI
// DLL's, the preload's, the kernel tier's target's) write their lines with
// it too, and the logs are compared with the programs' and with one another
// byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline std::string HexBytes(const std::uint8_t* bytes, std::size_t count, std::string_view separator = {}) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * (2 + separator.size()));
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) text += separator;
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}
