# 64-bit Windows, for tovak.sph: the posix-thread variant of mingw-w64
# (GoogleTest needs its std::thread), and Wine's 64-bit loader to run what it
# builds, in a prefix of its own (a prefix made before wine64 was installed
# can run 32-bit programs only).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
find_program(TOVAK_WINE wine64 PATHS /usr/lib/wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TOVAK_WINE})
set(TOVAK_WINEPREFIX "$ENV{HOME}/.wine64" CACHE PATH "Wine prefix for the 64-bit tests")
