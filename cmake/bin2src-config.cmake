# The CMake package of bin2src: the program as the imported target bin2src::bin2src, and
# bin2src_add_data, which turns a data file into source text at build time for a target.
include(${CMAKE_CURRENT_LIST_DIR}/bin2src-targets.cmake)

# bin2src_add_data(<target> <data-file>
#                  NAME <data-name>
#                  [FORMAT c|asm|basic]      c by default
#                  [ENCODING utf8|utf16le]   utf8 by default, which compilers read
#                  [OUTPUT <file>])
#
# Converts <data-file> (relative to the current source folder) whenever it or bin2src changes,
# into <OUTPUT> (relative to the current binary folder; by default bin2src/<data-name>.c,
# .asm or .bas there), and lists that file among the target's sources, so that it is made
# before the target is built. It is not compiled by itself: a C declaration reads
# `BYTE <data-name>[]={ ... }` with no ';' after the '}', and is included where BYTE is known,
#     typedef unsigned char BYTE;
#     #include "<data-name>.c"
#     ;
# The output's folder is added to the target's include folders for that. Call the function
# in the folder that creates the target.
function(bin2src_add_data target data)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "NAME;FORMAT;ENCODING;OUTPUT" "")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "bin2src_add_data: unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "bin2src_add_data: there is no target '${target}'")
  endif()
  if("${arg_NAME}" STREQUAL "")
    message(FATAL_ERROR "bin2src_add_data: NAME, the data name, is required")
  endif()
  if(NOT arg_FORMAT)
    set(arg_FORMAT c)
  endif()
  if(NOT arg_ENCODING)
    set(arg_ENCODING utf8)
  endif()
  if(arg_FORMAT STREQUAL "c" OR arg_FORMAT STREQUAL "asm")
    set(extension ${arg_FORMAT})
  elseif(arg_FORMAT STREQUAL "basic")
    set(extension bas)
  else()
    message(FATAL_ERROR "bin2src_add_data: FORMAT is c, asm or basic, not '${arg_FORMAT}'")
  endif()
  if(NOT arg_ENCODING MATCHES "^(utf8|utf16le)$")
    message(FATAL_ERROR "bin2src_add_data: ENCODING is utf8 or utf16le, not '${arg_ENCODING}'")
  endif()
  if(NOT arg_OUTPUT)
    set(arg_OUTPUT bin2src/${arg_NAME}.${extension})
  endif()
  get_filename_component(data "${data}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  get_filename_component(folder "${output}" DIRECTORY)

  # --force: the data changed, so the text made from it before is replaced. A conversion that
  # fails leaves no file, so the build never takes a half-written one for up to date.
  add_custom_command(OUTPUT "${output}"
                     COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}"
                     COMMAND bin2src::bin2src --force --format=${arg_FORMAT} --encoding=${arg_ENCODING}
                             "--name=${arg_NAME}" "--output=${output}" "${data}"
                     DEPENDS "${data}" "$<TARGET_FILE:bin2src::bin2src>"
                     COMMENT "Converting ${data} into ${arg_NAME}"
                     VERBATIM)
  target_sources(${target} PRIVATE "${output}")
  set_source_files_properties("${output}" PROPERTIES HEADER_FILE_ONLY ON)
  target_include_directories(${target} PRIVATE "${folder}")
endfunction()
