// The DLL's record of what reached the virtual drives: one line per request,
// written and flushed as it happens so a run that is killed still leaves
// everything up to that point, plus the drives' final state at exit.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace aspidll {

class RequestLog {
public:
    // An empty path gives a log that writes nothing.
    explicit RequestLog(const std::string& path);

    // Appends one line (a line feed is added).
    void Line(const std::string& text);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::mutex mutex_;
    std::unique_ptr<std::FILE, Closer> file_;
};

// "3b0501000000000000a00000": the bytes as lower-case hex, no separators.
std::string Hex(const unsigned char* bytes, std::size_t count);

}  // namespace aspidll
