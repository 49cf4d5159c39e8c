# Cross-compiling for Windows (x86_64) with Debian's mingw-w64, posix threads flavour.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TREVIK_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TREVIK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TREVIK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TREVIK_MINGW_TRIPLE}-windres)

# Libraries and headers come from the mingw sysroot and the kit (CMAKE_PREFIX_PATH); the
# build machine's own programs still run (moc, rcc, uic of the kit are host programs).
set(CMAKE_FIND_ROOT_PATH /usr/${TREVIK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Tests built here run under Wine.
find_program(TREVIK_WINE NAMES wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TREVIK_WINE})
