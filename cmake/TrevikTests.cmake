# trevik_discover_tests(<target> LABELS <label>... [PROPERTIES <name> <value>...])
#
# Registers every GoogleTest case of <target> with CTest, one entry per case, with all the
# given labels. gtest_discover_tests alone splits a list handed to PROPERTIES LABELS into
# separate properties, so only the first label would stick; the labels are set instead by a
# file that CTest reads right after the target's discovered list.
#
# Under Wine (a Windows build) every start of a program costs a Wine process, so the whole
# program is one CTest entry instead; a failure still names its case in the output.
function(trevik_discover_tests target)
  cmake_parse_arguments(arg "" "" "LABELS;PROPERTIES" ${ARGN})
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS "${arg_LABELS};wine" ${arg_PROPERTIES})
    return()
  endif()
  set(list_var ${target}_discovered)
  if(arg_PROPERTIES)
    gtest_discover_tests(${target} TEST_LIST ${list_var} DISCOVERY_TIMEOUT 60 PROPERTIES ${arg_PROPERTIES})
  else()
    gtest_discover_tests(${target} TEST_LIST ${list_var} DISCOVERY_TIMEOUT 60)
  endif()
  set(label_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake)
  file(WRITE ${label_file} "set_tests_properties(\${${list_var}} PROPERTIES LABELS \"${arg_LABELS}\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_file})
endfunction()
