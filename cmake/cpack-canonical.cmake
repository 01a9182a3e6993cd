# Run by cpack after each package. CPack writes a tarball's or a zip's entries in the order the
# file system lists them, owned by whoever built them, and the ar headers of a Debian package
# with the umask's modes: each package is put in a form that depends on its files alone.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.(tar\\.gz|zip|deb)$")
    execute_process(COMMAND ${CPACK_VORDA_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/canonical_archive.py
                            ${package} ${CPACK_TEMPORARY_DIRECTORY} ${CPACK_VORDA_SOURCE_DATE_EPOCH}
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot write ${package} again in its canonical form")
    endif()
  endif()
endforeach()
