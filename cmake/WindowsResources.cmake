# trevik_windows_resources(<target> <description>)
#
# Gives a Windows program its manifest (run as the invoking user; UTF-8 as the narrow-character
# code page) and a version resource from the project's version, both made from the templates
# in loader/app into the target's build folder.
function(trevik_windows_resources target description)
  set(TREVIK_PROGRAM_NAME ${target})
  set(TREVIK_MANIFEST_NAME ${target})
  set(TREVIK_FILE_DESCRIPTION "${description}")
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(TREVIK_MANIFEST_FILE ${dir}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/loader/app/windows_program.manifest.in ${TREVIK_MANIFEST_FILE} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/loader/app/windows_program.rc.in ${dir}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
  # The resource compiler reads the manifest at build time: a change to it rebuilds the resource.
  set_source_files_properties(${dir}/${target}.rc PROPERTIES OBJECT_DEPENDS ${TREVIK_MANIFEST_FILE})
endfunction()
