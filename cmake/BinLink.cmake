# trevik_install_bin_link(<program>)
#
# At install time, bin/<program> becomes a link to ../lib/trevik/<program>: the programs live
# beside the conversion library they load (or link with $ORIGIN), and the shell finds them in
# bin/. The link is made under DESTDIR and the install prefix, so --prefix and cpack both work.
function(trevik_install_bin_link program)
  install(CODE "
    set(bin_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${bin_dir}\")
    file(CREATE_LINK ../lib/trevik/${program} \"\${bin_dir}/${program}\" SYMBOLIC)
  ")
endfunction()
