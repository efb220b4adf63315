#include "command_log_line.h"

#include <cstdio>

namespace {

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

std::string CdbHex(const std::uint8_t* cdb) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < kCdbLength; ++i) {
        text += kDigits[cdb[i] >> 4];
        text += kDigits[cdb[i] & 0x0F];
    }
    return text;
}

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

std::string SenseText(const CommandResult& result) {
    if (result.sense == 0) return "";
    char text[32];
    std::snprintf(text, sizeof text, "sense %x/%02x/%02x", result.SenseKey(), result.Asc(), result.Ascq());
    return text;
}
