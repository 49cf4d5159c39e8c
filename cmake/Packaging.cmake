# The Debian package: cpack -G DEB in the build folder. Everything the project installs goes in
# (the window with its library beside it, trevikctl, kmcconv, the desktop entry and icon), with
# the manual pages, the copyright file and the changelog Debian wants of every package. The
# texts are in packaging/debian; the pages are made by packaging/ManPages.cmake.
set(CPACK_PACKAGE_NAME trevik)
set(CPACK_PACKAGE_VENDOR "Velmora Ltd.")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Loads KM configurations into multi-port keyboard-and-mouse switches")
# Read here rather than named as CPACK_PACKAGE_DESCRIPTION_FILE, which cpack would XML-escape.
file(READ ${PROJECT_SOURCE_DIR}/packaging/debian/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/description)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Trevik developers <trevik@velmora.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debug information stays in the build; the package carries what runs.
set(CPACK_STRIP_FILES ON)

# The dependencies come from the binaries, through dpkg-shlibdeps run by cpack itself
# (packaging/ShlibDepends.cmake). CPack's own run would also add maintainer scripts calling
# ldconfig because libzentrix.so lies under usr/lib, but the library is private to the
# programs in usr/lib/trevik, which load it from there: the linker cache has no business with it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(trevik_packaged_binaries $<TARGET_FILE:zentrix> $<TARGET_FILE:kmcconv>)
if(TARGET Trevik)
  list(APPEND trevik_packaged_binaries $<TARGET_FILE:Trevik> $<TARGET_FILE:trevikctl>)
endif()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/CPackProjectConfig.cmake CONTENT "\
set(TREVIK_PACKAGED_BINARIES \"${trevik_packaged_binaries}\")
set(TREVIK_SHLIBDEPS_DIR \"${CMAKE_BINARY_DIR}/packaging/shlibdeps\")
include(\"${PROJECT_SOURCE_DIR}/packaging/ShlibDepends.cmake\")
")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/CPackProjectConfig.cmake)

# Compressed as Debian wants, without a name or time stamp, so the same text gives the same bytes.
function(trevik_gzip_9n source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9n -c \"$1\" >\"$2\"" gzip ${source} ${output}
    DEPENDS ${source} VERBATIM)
endfunction()

set(doc_dir ${CMAKE_BINARY_DIR}/packaging/doc)
file(MAKE_DIRECTORY ${doc_dir})
# The project is its own upstream (a native package), so its changelog is changelog.gz.
trevik_gzip_9n(${PROJECT_SOURCE_DIR}/packaging/debian/changelog ${doc_dir}/changelog.gz)
add_custom_target(package_docs ALL DEPENDS ${doc_dir}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${doc_dir}/changelog.gz
        DESTINATION share/doc/trevik)

include(${PROJECT_SOURCE_DIR}/packaging/ManPages.cmake)
include(CPack)

if(TREVIK_WITH_TESTS AND TREVIK_WITH_LOADER)
  add_test(NAME package_builds_unpacks_and_runs
           COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/tests/package_test.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  set_tests_properties(package_builds_unpacks_and_runs PROPERTIES LABELS "package" TIMEOUT 300)
endif()
