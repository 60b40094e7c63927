# Cross-compiling okacore.dll for 32-bit Windows with Debian's mingw-w64
# compilers. The posix-threads variant is the one with std::thread and
# std::mutex (the win32-threads variant lacks them).
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#
# Debian packages: g++-mingw-w64-i686-posix, libz-mingw-w64-dev.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(OKACORE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${OKACORE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OKACORE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${OKACORE_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${OKACORE_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${OKACORE_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")
set(CMAKE_DLLTOOL ${OKACORE_MINGW_TRIPLE}-dlltool CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${OKACORE_MINGW_TRIPLE}-objdump CACHE FILEPATH "")
set(CMAKE_NM ${OKACORE_MINGW_TRIPLE}-nm CACHE FILEPATH "")

# Libraries and headers come only from the target's sysroot; build tools
# from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${OKACORE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing built here runs on the build machine.
set(OKACORE_TESTS OFF CACHE BOOL "" FORCE)
set(OKACORE_BENCH OFF CACHE BOOL "" FORCE)
set(OKACORE_TOOLS OFF CACHE BOOL "" FORCE)
