# The manual pages, made at build time so they say what the built programs say: trevikctl's and
# kmcconv's from their own --help by help2man (packaging/man/help2man-page.sh), Trevik's from the
# hand-written page (the window has no --help). All are dated by the newest changelog entry, so
# a rebuild gives the same bytes, and go to share/man/man1. Without help2man there are no pages.
find_program(HELP2MAN_EXECUTABLE help2man)
if(NOT HELP2MAN_EXECUTABLE)
  message(WARNING "help2man not found: no manual pages (scripts/install-deps.sh installs it)")
  return()
endif()

set(man_source ${PROJECT_SOURCE_DIR}/packaging/man)
set(man_dir ${CMAKE_BINARY_DIR}/packaging/man)
file(MAKE_DIRECTORY ${man_dir})
execute_process(COMMAND dpkg-parsechangelog -l ${PROJECT_SOURCE_DIR}/packaging/debian/changelog -S Timestamp
                OUTPUT_VARIABLE man_epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)
set(man_pages)

# A sanitizer build's programs report Qt's own start-up allocations as leaks at exit; reading
# their help is no place for that.
function(trevik_help2man_page target)
  set(page ${man_dir}/${target}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 SOURCE_DATE_EPOCH=${man_epoch}
            bash ${man_source}/help2man-page.sh $<TARGET_FILE:${target}> ${man_source}/${target}.h2m
                 ${PROJECT_VERSION} ${page}
    DEPENDS ${target} zentrix ${man_source}/help2man-page.sh ${man_source}/${target}.h2m
    COMMENT "Manual page of ${target}" VERBATIM)
  set(man_pages ${man_pages} ${page} PARENT_SCOPE)
endfunction()

trevik_help2man_page(kmcconv)
if(TARGET Trevik)
  trevik_help2man_page(trevikctl)
  set(ENV{SOURCE_DATE_EPOCH} ${man_epoch})
  string(TIMESTAMP TREVIK_MAN_DATE "%B %Y" UTC)
  unset(ENV{SOURCE_DATE_EPOCH})
  configure_file(${man_source}/Trevik.1.in ${man_dir}/Trevik.1 @ONLY)
  trevik_gzip_9n(${man_dir}/Trevik.1 ${man_dir}/Trevik.1.gz)
  list(APPEND man_pages ${man_dir}/Trevik.1.gz)
endif()

add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION share/man/man1)
