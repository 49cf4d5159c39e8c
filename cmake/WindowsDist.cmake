# The shipped folder of the Windows build: `ninja dist` fills <build>/dist with the programs, the
# conversion library, the Qt DLLs and platform plugin they use and the compiler's runtime, so it
# runs on a machine with nothing installed, and packs it as trevik-<version>-win64.zip (win32 for
# the 32-bit build). Only the programs this build has are shipped.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(trevik_dist_arch win64)
else()
  set(trevik_dist_arch win32)
endif()
set(TREVIK_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(TREVIK_DIST_ZIP ${CMAKE_BINARY_DIR}/trevik-${PROJECT_VERSION}-${trevik_dist_arch}.zip)

set(trevik_dist_programs "")
set(trevik_dist_needs_qt OFF)
foreach(program Trevik trevikctl kmcconv)
  if(TARGET ${program})
    list(APPEND trevik_dist_programs $<TARGET_FILE:${program}>)
  endif()
endforeach()
if(TARGET Trevik OR TARGET trevikctl)
  set(trevik_dist_needs_qt ON)
endif()

set(trevik_dist_qt "")
set(trevik_dist_platforms "")
if(trevik_dist_needs_qt)
  foreach(module Core Gui Widgets)
    list(APPEND trevik_dist_qt ${TREVIK_WINDOWS_KIT}/bin/Qt5${module}.dll)
  endforeach()
  # The one platform plugin of a Windows program; no style plugin: the window keeps Qt's own
  # built-in Windows style.
  list(APPEND trevik_dist_platforms ${TREVIK_WINDOWS_KIT}/plugins/platforms/qwindows.dll)
endif()

set(trevik_dist_depends zentrix)
foreach(program Trevik trevikctl kmcconv)
  if(TARGET ${program})
    list(APPEND trevik_dist_depends ${program})
  endif()
endforeach()

add_custom_target(dist
  COMMAND ${CMAKE_COMMAND}
          "-DDIST=${TREVIK_DIST_DIR}" "-DZIP=${TREVIK_DIST_ZIP}"
          "-DFILES=$<TARGET_FILE:zentrix>;${trevik_dist_programs};${trevik_dist_qt};${TREVIK_MINGW_RUNTIME_DLLS}"
          "-DPLATFORMS=${trevik_dist_platforms}" "-DSTRIP=${CMAKE_STRIP}"
          -P ${PROJECT_SOURCE_DIR}/cmake/make_windows_dist.cmake
  DEPENDS ${trevik_dist_depends}
  COMMENT "Filling ${TREVIK_DIST_DIR} and packing ${TREVIK_DIST_ZIP}"
  VERBATIM)

# Every program of the folder starts with nothing but the folder and the system's DLLs. The
# 32-bit build ships only its library and kmcconv, without a folder of its own.
if(TREVIK_WITH_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_test(NAME dist_programs_start_from_their_folder
           COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/lib/wine-dist-check.sh ${TREVIK_DIST_DIR} ${CMAKE_OBJDUMP} ${TREVIK_WINE_RUN})
  set_tests_properties(dist_programs_start_from_their_folder PROPERTIES LABELS "package;wine" TIMEOUT 300)
  # The shipped program starts from the folder and shows its window with its full title.
  if(TARGET Trevik)
    add_test(NAME dist_trevik_shows_its_window
             COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/lib/wine-window-check.sh ${TREVIK_DIST_DIR} ${TREVIK_WINE_RUN}
                     "Trevik    Version : ${PROJECT_VERSION}    Build : 1612211426" ${CMAKE_BINARY_DIR}/dist-window.png)
    set_tests_properties(dist_trevik_shows_its_window PROPERTIES LABELS "package;wine;ui" TIMEOUT 120)
    # A whole load through the shipped window into a switch behind a Wine port.
    if(TREVIK_LINUX_SIM)
      add_test(NAME dist_trevik_loads_a_switch
               COMMAND ${CMAKE_COMMAND} -E env TREVIK_FAKE_PORT=$<TARGET_FILE:fake_port>
                       sh ${PROJECT_SOURCE_DIR}/loader/device/tests/run_with_switch.sh ${TREVIK_LINUX_SIM}
                       ${TREVIK_WINEPREFIX} 12 ${CMAKE_BINARY_DIR}/switch-images-12 --baud 9600
                       -- bash ${PROJECT_SOURCE_DIR}/scripts/lib/wine-load-check.sh ${TREVIK_DIST_DIR}
                       ${TREVIK_WINE_RUN} ${TREVIK_WINEPREFIX} ${PROJECT_SOURCE_DIR}/examples/two-desks.kmc
                       ${CMAKE_BINARY_DIR}/dist-load.png)
      # Alone: the keys go to whichever window has the focus, and no other window may take it.
      set_tests_properties(dist_trevik_loads_a_switch PROPERTIES LABELS "package;wine;ui" TIMEOUT 240
                           RUN_SERIAL TRUE)
    endif()
  endif()
endif()
