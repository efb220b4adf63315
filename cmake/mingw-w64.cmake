# What both Windows editions' toolchain files share: the posix-threads
# mingw-w64 compilers for NORVEK_MINGW_TRIPLET, found in their own sysroot,
# linked into self-contained executables.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${NORVEK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVEK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${NORVEK_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${NORVEK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# One self-contained file: no libgcc, libstdc++ or winpthread DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release executables ship without symbol tables.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE_INIT "-s")
