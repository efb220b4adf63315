// Whether drive managers prefer ASPI to pass-through where a working ASPI
// manager exists. The window sets it at start-up from the application
// object's tag (32767 asks for ASPI); the drive layer owns the value so that
// it never depends on the UI framework.
#pragma once

#include <cstdint>

constexpr std::int32_t kPreferAspiTag = 32767;

void SetApplicationTag(std::int32_t tag);
std::int32_t ApplicationTag();
// True when the tag asks for ASPI.
bool PreferAspi();
