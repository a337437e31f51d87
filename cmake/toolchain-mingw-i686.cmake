# Cross build for Windows with Debian's mingw-w64 (posix thread model, so
# that std::thread and std::mutex exist).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
# Prefix of the binutils (nm, dlltool) of this target.
set(TAVRO_MINGW_PREFIX i686-w64-mingw32-)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Arithmetic in SSE2 registers, as the 64-bit build and the Windows compilers'
# 32-bit builds do: the x87 unit keeps 80-bit intermediates, and a mean that
# lands just below a whole number rounds differently from the double it is.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# Tests run under Wine where it has its 32-bit half (wine32:i386), through
# the script that picks the loader of the program's architecture.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine.sh)
