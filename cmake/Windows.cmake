# The Windows build: cross-compiled with mingw-w64 (cmake/toolchains), against the kit that
# scripts/install-windows-kit.sh builds (Qt, GoogleTest, Google Benchmark for the target), and
# tested under Wine in a prefix of the build folder's own.

if(TREVIK_SANITIZE OR TREVIK_FUZZ)
  message(FATAL_ERROR "The sanitizer and fuzz builds are Linux builds; configure them without a Windows toolchain.")
endif()

# Programs carry a manifest and a version resource (WindowsResources.cmake).
enable_language(RC)

if(DEFINED ENV{TREVIK_KIT_CACHE})
  set(trevik_kit_cache $ENV{TREVIK_KIT_CACHE})
else()
  set(trevik_kit_cache $ENV{HOME}/.cache/trevik)
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(trevik_default_kit ${trevik_kit_cache}/qt-5.15.8-mingw64)
  set(trevik_wine_arch win64)
else()
  set(trevik_default_kit ${trevik_kit_cache}/mingw32)
  set(trevik_wine_arch win32)
endif()
set(TREVIK_WINDOWS_KIT ${trevik_default_kit} CACHE PATH "The Windows kit: Qt and the test libraries built for this target")
list(APPEND CMAKE_PREFIX_PATH ${TREVIK_WINDOWS_KIT})

# The compiler's runtime DLLs, which every program but the conversion library needs beside it.
set(TREVIK_MINGW_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${found}" AND EXISTS "${found}")
    get_filename_component(found "${found}" REALPATH)
    list(APPEND TREVIK_MINGW_RUNTIME_DLLS ${found})
  endif()
endforeach()
set(trevik_dll_dirs "")
foreach(dll IN LISTS TREVIK_MINGW_RUNTIME_DLLS)
  get_filename_component(dir ${dll} DIRECTORY)
  list(APPEND trevik_dll_dirs ${dir})
endforeach()
if(EXISTS ${TREVIK_WINDOWS_KIT}/bin)
  list(APPEND trevik_dll_dirs ${TREVIK_WINDOWS_KIT}/bin)
endif()
list(REMOVE_DUPLICATES trevik_dll_dirs)
string(REPLACE ";" ":" TREVIK_WINE_DLL_DIRS "${trevik_dll_dirs}")

# Programs built here run through a wrapper with this build's own prefix and DLL folders:
# ctest, test discovery and scripts all start them the same way (build/wine-run PROGRAM ...).
set(TREVIK_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(TREVIK_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
file(WRITE ${TREVIK_WINE_RUN}
  "#!/bin/sh\n"
  "# Made by CMake: runs a program of this build under Wine (scripts/lib/wine-run.sh).\n"
  "export TREVIK_WINEPREFIX='${TREVIK_WINEPREFIX}' TREVIK_WINEARCH='${trevik_wine_arch}'\n"
  "# An empty TREVIK_WINE_DLL_DIRS from the caller stays empty: a folder must then bring its DLLs.\n"
  ": \"\${TREVIK_WINE_DLL_DIRS=${TREVIK_WINE_DLL_DIRS}}\"\n"
  "export TREVIK_WINE_DLL_DIRS\n"
  "exec '${PROJECT_SOURCE_DIR}/scripts/lib/wine-run.sh' \"\$@\"\n")
file(CHMOD ${TREVIK_WINE_RUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TREVIK_WINE_RUN})

# Paths that test programs read at run time: Wine sees the Linux root as drive Z:.
set(TREVIK_TEST_PATH_PREFIX "Z:")

include(${CMAKE_CURRENT_LIST_DIR}/WindowsResources.cmake)
