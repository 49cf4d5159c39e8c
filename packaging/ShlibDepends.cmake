# Read by cpack before it makes a package (CPACK_PROJECT_CONFIG_FILE): the Debian package's
# Depends, from dpkg-shlibdeps on the built binaries. The library they share is found beside
# them and, being private to the package, brings no dependency of its own.
#
# In: TREVIK_PACKAGED_BINARIES (the binaries' paths), TREVIK_SHLIBDEPS_DIR (a scratch folder).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
list(GET TREVIK_PACKAGED_BINARIES 0 first_binary)
get_filename_component(binary_dir "${first_binary}" DIRECTORY)
# dpkg-shlibdeps wants to stand in a source package: an empty debian/control will do.
file(WRITE "${TREVIK_SHLIBDEPS_DIR}/debian/control" "")
execute_process(
  COMMAND dpkg-shlibdeps -O "-l${binary_dir}" ${TREVIK_PACKAGED_BINARIES}
  WORKING_DIRECTORY "${TREVIK_SHLIBDEPS_DIR}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE substvars
  ERROR_VARIABLE diagnostics)
if(NOT result EQUAL 0 OR NOT substvars MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps found no dependencies (exit ${result}):\n${substvars}${diagnostics}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
