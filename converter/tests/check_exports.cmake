# Run with -DLIBRARY=<libzentrix.so> -DNM=<nm>: the library's dynamic symbol table must define
# exactly the two exported calls among its functions, nothing of the parser or the C++ runtime.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(functions "")
foreach(line IN LISTS lines)
  # "<address> <type> <name>"; T, W and i are code (text, weak, indirect).
  if(line MATCHES "^[0-9a-fA-F]+ [TWi] ([^ @]+)")
    list(APPEND functions ${CMAKE_MATCH_1})
  endif()
endforeach()
list(SORT functions)
if(NOT functions STREQUAL "convert_d;get_version")
  message(FATAL_ERROR "exported functions are '${functions}', want 'convert_d;get_version'")
endif()
message(STATUS "exported functions: ${functions}")
