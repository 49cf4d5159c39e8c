# The Debian package: cpack -G DEB in the build folder. Everything the project installs goes in
# (the window with its library beside it, trevikctl, kmcconv, the desktop entry and icon); the
# dependencies are computed from the binaries by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME trevik)
set(CPACK_PACKAGE_VENDOR "Velmora Ltd.")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Loads KM configurations into multi-port keyboard-and-mouse switches")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora Ltd.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debug information stays in the build; the package carries what runs.
set(CPACK_STRIP_FILES ON)
# kmcconv finds the library beside it ($ORIGIN); dpkg-shlibdeps must look there too.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/bin")
include(CPack)

if(TREVIK_WITH_TESTS AND TREVIK_WITH_LOADER)
  add_test(NAME package_builds_unpacks_and_runs
           COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/tests/package_test.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  set_tests_properties(package_builds_unpacks_and_runs PROPERTIES LABELS "package" TIMEOUT 300)
endif()
