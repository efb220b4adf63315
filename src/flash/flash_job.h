// What the window hands a worker for one drive.
#pragma once

#include <cstdint>

class DriveManager;

struct FlashJob {
    DriveManager* manager;       // the drive's own manager, owned by the window
    const std::uint8_t* image;   // the bank's image inside the package's image area
    std::int32_t imageSize;
    std::uint8_t bootCode;       // commit with boot code (A0h) instead of 80h
};

// The program's one exception class; never leaves a worker thread.
class ErrCodeException {
public:
    explicit ErrCodeException(std::uint8_t c) : code(c) {}
    std::uint8_t code;
};

constexpr std::uint8_t kFlashFailed = 42;
