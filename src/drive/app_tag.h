// The application object's tag as the drive layer sees it. The window sets it
// at start-up (32767 makes every DriveManager prefer ASPI); the drive layer
// owns the value so that it never depends on the UI framework.
#pragma once

#include <cstdint>

constexpr std::int32_t kPreferAspiTag = 32767;

void SetApplicationTag(std::int32_t tag);
std::int32_t ApplicationTag();
