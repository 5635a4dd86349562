# Cross build for 64-bit Windows with Debian's mingw-w64 (x86_64-w64-mingw32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LUMETRA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LUMETRA_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${LUMETRA_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${LUMETRA_MINGW_PREFIX}-windres)
find_program(LUMETRA_WIDL ${LUMETRA_MINGW_PREFIX}-widl REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${LUMETRA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run on a bare Windows: the C and C++ runtimes are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# -O2 rather than -O3: GCC 12's -O3 reports false -Wrestrict overlaps inside
# libstdc++'s string code for this target.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Release flags")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Release flags")
