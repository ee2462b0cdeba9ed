# Cross-build for 64-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-x86-64,
# POSIX threads), used by scripts/ci.d/windows.sh. Only the Qt-free parts are
# built this way (TOVEL_BUILD_GUI=OFF): the distribution has no Qt for MinGW.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Libraries built for the target (GoogleTest) come in through CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Programs that run without the MinGW run-time DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Tests and replays run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# GCC 12 reports a false overlap in libstdc++'s own string code at -O2
# (-Wrestrict, GCC bug 105329); it is not a fault of ours.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
