# Run by cpack on the staged files before it packs them: the modes in a package depend on the
# files alone, not on the umask of whoever built them (755 for folders and programs, 644 else).
execute_process(COMMAND chmod -R u=rwX,go=rX ${CPACK_TEMPORARY_DIRECTORY} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot set the modes of the files staged in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
