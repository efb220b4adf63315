#include "request_log.h"

namespace aspidll {

RequestLog::RequestLog(const std::string& path) {
    // Appended to, not truncated: the scripts remove a stale log, and a second
    // process started against the same scenario must not wipe the first's record.
    if (!path.empty()) file_.reset(std::fopen(path.c_str(), "ab"));
}

void RequestLog::Line(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (!file_) return;
    std::fputs(text.c_str(), file_.get());
    std::fputc('\n', file_.get());
    std::fflush(file_.get());
}

std::string Hex(const unsigned char* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace aspidll
