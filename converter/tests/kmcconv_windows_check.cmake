# Run with -DRUN=<wine wrapper> -DKMCCONV=<kmcconv.exe> -DIMAGES=<images dir> -DFIXTURES=<fixtures dir>
#          -DEXAMPLES=<examples dir> -DWORK=<scratch dir> -P
# The Windows kmcconv as a batch file uses it: the image it writes is byte for byte the one the
# image table holds, the exit status is the converter's result, a refused file writes nothing and
# leaves an earlier image as it was, a usage error is status 2, and no temporary file stays behind.

# The image table's text: hexadecimal bytes, "BB*N" for N copies of BB, "#" to the line's end.
function(expected_hex table out)
  file(STRINGS ${table} lines)
  set(hex "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(REGEX MATCHALL "[0-9a-fA-F]+(\\*[0-9]+)?" tokens "${line}")
    foreach(token IN LISTS tokens)
      if(token MATCHES "^([0-9a-fA-F][0-9a-fA-F])\\*([0-9]+)$")
        string(REPEAT ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} run)
        string(APPEND hex ${run})
      else()
        string(APPEND hex ${token})
      endif()
    endforeach()
  endforeach()
  string(TOLOWER "${hex}" hex)
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

function(run_kmcconv want_status)
  execute_process(COMMAND ${RUN} ${KMCCONV} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL want_status)
    message(FATAL_ERROR "kmcconv ${ARGN}: status ${status}, want ${want_status}\n${out}${err}")
  endif()
  set(last_out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(image ${WORK}/switch.bin)

foreach(row "two-desks;4" "eight-ports;8" "negative-positions;3")
  list(GET row 0 name)
  list(GET row 1 ports)
  run_kmcconv(0 --ports ${ports} -o Z:${image} Z:${EXAMPLES}/${name}.kmc)
  if(NOT last_out MATCHES "^Converted\r?\n$")
    message(FATAL_ERROR "${name}: message '${last_out}', want 'Converted'")
  endif()
  file(READ ${image} written HEX)
  expected_hex(${IMAGES}/${name}.hex want)
  if(NOT written STREQUAL want)
    message(FATAL_ERROR "${name}: the written image differs from ${IMAGES}/${name}.hex")
  endif()
endforeach()

# A name beyond any one legacy code page: the tool's manifest makes narrow paths UTF-8, so the
# command line, the library's open and the image's name all agree on it.
set(wide_name "${WORK}/Grüße Ωmega ✓")
file(COPY_FILE ${EXAMPLES}/two-desks.kmc "${wide_name}.kmc")
run_kmcconv(0 --ports 4 -o "Z:${wide_name}.bin" "Z:${wide_name}.kmc")
file(READ "${wide_name}.bin" written HEX)
expected_hex(${IMAGES}/two-desks.hex want)
if(NOT written STREQUAL want)
  message(FATAL_ERROR "the image of a file with a UTF-8 name differs from two-desks.hex")
endif()
file(REMOVE "${wide_name}.kmc" "${wide_name}.bin")

# A refused file: the builder's code as status, the last good image untouched.
file(READ ${image} before HEX)
run_kmcconv(29 --ports 4 -o Z:${image} Z:${FIXTURES}/builder-29-overlapping-screens.kmc)
run_kmcconv(1 --ports 4 -o Z:${WORK}/new.bin Z:${FIXTURES}/parser-mouse-speed-0.kmc)
file(READ ${image} after HEX)
if(NOT before STREQUAL after OR EXISTS ${WORK}/new.bin)
  message(FATAL_ERROR "a refused file changed or made an image")
endif()
run_kmcconv(2 --ports)
# A folder that cannot be written: status 3, nothing left behind.
run_kmcconv(3 --ports 4 -o Z:${WORK}/missing/switch.bin Z:${EXAMPLES}/two-desks.kmc)

file(GLOB left RELATIVE ${WORK} ${WORK}/*)
if(NOT left STREQUAL "switch.bin")
  message(FATAL_ERROR "left in the folder: ${left}")
endif()
file(REMOVE_RECURSE ${WORK})
message(STATUS "kmcconv.exe: three images byte-equal, refusals and usage errors as expected")
