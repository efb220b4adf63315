#include "run_log_lines.h"

#include <cstdio>

#include "hex_bytes.h"
#include "table/drive_entry.h"

namespace {

constexpr std::size_t kChipIdLength = sizeof DriveEntry::chipId;

const char* OutcomeWord(CommandOutcome outcome) {
    switch (outcome) {
        case CommandOutcome::Good: return "good";
        case CommandOutcome::CheckCondition: return "check";
        case CommandOutcome::Failed: return "failed";
        case CommandOutcome::TimedOut: return "timed-out";
    }
    return "?";
}

const char* DirectionWord(std::uint8_t direction) {
    return direction == kDataOut ? "out" : direction == kDataIn ? "in" : "none";
}

}  // namespace

std::string CdbHex(const std::uint8_t* cdb) { return HexBytes(cdb, kCdbLength); }

std::string CommandLogHead(const char* word, const std::string& label, const CommandRequest& request) {
    return std::string(word) + " " + label + " " + CdbHex(request.cdb) + " " + DirectionWord(request.direction) +
           " " + std::to_string(request.length);
}

std::string CommandLogTail(const CommandResult& result) {
    char tail[96];
    std::snprintf(tail, sizeof tail, " -> %s %u bytes %.3f ms", OutcomeWord(result.outcome),
                  static_cast<unsigned>(result.transferred), result.elapsedSeconds * 1000.0);
    return tail;
}

std::string FlashLogText(const std::string& label, int bank, std::int32_t imageSize, const std::string& sha256,
                         bool bootCode) {
    return "flash " + label + " bank " + std::to_string(bank + 1) + " image " + std::to_string(imageSize) +
           " bytes sha256 " + sha256 + (bootCode ? ", commit with boot code (a0)" : ", commit (80)");
}

std::string SenseText(const CommandResult& result) {
    if (result.sense == 0) return "";
    char text[32];
    std::snprintf(text, sizeof text, "sense %x/%02x/%02x", result.SenseKey(), result.Asc(), result.Ascq());
    return text;
}

std::string QuotedIdentityText(const std::string& vendor, const std::string& product, const std::string& revision) {
    return "\"" + vendor + "\" \"" + product + "\" \"" + revision + "\"";
}

std::string IdentityLogText(const std::string& vendor, const std::string& product, const std::string& revision,
                            const std::string& vendorSpecific) {
    return QuotedIdentityText(vendor, product, revision) + " vendor-specific \"" + vendorSpecific + "\"";
}

std::string ChipIdText(const std::uint8_t* chip) { return HexBytes(chip, kChipIdLength, " "); }
