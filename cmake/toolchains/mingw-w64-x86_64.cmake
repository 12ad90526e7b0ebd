# Cross-builds for 64-bit Windows with Debian's mingw-w64. The POSIX thread model gives
# std::thread and std::mutex (through winpthread); the win32 model has neither in GCC 12.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VDRX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VDRX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VDRX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VDRX_MINGW_TRIPLE}-windres)

# Headers and libraries come from the mingw sysroot only, never from the Linux system.
set(CMAKE_FIND_ROOT_PATH /usr/${VDRX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
