# The 64-bit Windows edition (norvek64.exe), cross-built with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NORVEK_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
