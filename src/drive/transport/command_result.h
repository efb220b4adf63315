// What one command came to, as every transport reports it.
#pragma once

#include <cstdint>

// Sense packed as key << 16 | ASC << 8 | ASCQ, and its parts again.
constexpr std::uint32_t PackSenseCode(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    return static_cast<std::uint32_t>(key & 0x0F) << 16 | static_cast<std::uint32_t>(asc) << 8 | ascq;
}
constexpr std::uint8_t SenseKeyOf(std::uint32_t code) { return static_cast<std::uint8_t>(code >> 16); }
constexpr std::uint8_t AscOf(std::uint32_t code) { return static_cast<std::uint8_t>(code >> 8); }
constexpr std::uint8_t AscqOf(std::uint32_t code) { return static_cast<std::uint8_t>(code); }

enum class CommandOutcome : std::uint8_t {
    Good,            // the drive did the command (GOOD or CONDITION MET, no sense data)
    CheckCondition,  // the drive answered with sense data: `sense` says why
    Failed,          // no usable answer: the transport failed, the request was refused,
                     // or the drive answered a status without sense (BUSY, RESERVATION CONFLICT)
    TimedOut,        // no answer within the time-out, or an answer that used all of it
};

struct CommandResult {
    CommandOutcome outcome = CommandOutcome::Failed;
    // Fixed-format sense packed as key << 16 | ASC << 8 | ASCQ; 0 without sense data.
    std::uint32_t sense = 0;
    // Bytes moved in the data phase; meaningful for a good outcome only.
    std::uint32_t transferred = 0;
    // Wall time of the attempt, in seconds.
    double elapsedSeconds = 0.0;

    bool IsGood() const { return outcome == CommandOutcome::Good; }
    std::uint8_t SenseKey() const { return SenseKeyOf(sense); }
    std::uint8_t Asc() const { return AscOf(sense); }
    std::uint8_t Ascq() const { return AscqOf(sense); }
};

// Packs fixed-format sense data (key: byte 2 low nibble, ASC: byte 12,
// ASCQ: byte 13); null or shorter than 14 bytes counts as none.
inline std::uint32_t PackSense(const std::uint8_t* sense, std::uint32_t length) {
    if (sense == nullptr || length < 14) return 0;
    return PackSenseCode(sense[2], sense[12], sense[13]);
}
