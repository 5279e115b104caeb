# SPDX-License-Identifier: MIT
# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix thread
# model, so std::thread and std::mutex work). Used by the `windows` preset.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNQUILL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TARNQUILL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNQUILL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TARNQUILL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNQUILL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static executables: no libstdc++, libgcc or winpthread DLL to ship or to put
# beside the program under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
