# Two builds of one commit give the same bytes, whatever folder they are made in and whenever.

# The time that generated files carry (the man page's date, the manual's fonts, the packages'
# file times): SOURCE_DATE_EPOCH when the caller gives one, else the time of the commit.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VORDA_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE VORDA_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_failed ERROR_QUIET)
  if(git_failed OR NOT VORDA_SOURCE_DATE_EPOCH)
    # A source tree without its history: the time of the file that holds the version.
    file(TIMESTAMP ${PROJECT_SOURCE_DIR}/CMakeLists.txt VORDA_SOURCE_DATE_EPOCH "%s" UTC)
  endif()
endif()
if(NOT VORDA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds, not '${VORDA_SOURCE_DATE_EPOCH}'")
endif()

# The folders of the source and of the build leave no trace in what the compiler writes
# (__FILE__, debug information).
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
if(WIN32)
  # The PE header's time stamp would be the link's time.
  add_link_options(-Wl,--no-insert-timestamp)
endif()
