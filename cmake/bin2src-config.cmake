# The CMake package of bin2src: the program as the imported target bin2src::bin2src, and
# bin2src_add_data, which turns a data file into source text at build time for a target.
include(${CMAKE_CURRENT_LIST_DIR}/bin2src-targets.cmake)

# bin2src_add_data(<target> <data-file>
#                  NAME <data-name>
#                  [STYLE window|c|c-source|gas|nasm]   window by default
#                  [FORMAT c|asm|basic]      the window's format, c by default
#                  [ENCODING utf8|utf16le]   the window's encoding, utf8 by default, which compilers read
#                  [OUTPUT <file>])
#
# Converts <data-file> (relative to the current source folder) whenever it or bin2src changes,
# into <OUTPUT> (relative to the current binary folder; by default bin2src/<data-name> and the
# style's extension there), and lists that file among the target's sources, so that it is made
# before the target is built. The output's folder is added to the target's include folders.
# Call the function in the folder that creates the target.
#
# STYLE window: the window's text, not compiled by itself: a C declaration reads
# `BYTE <data-name>[]={ ... }` with no ';' after the '}', and is included where BYTE is known,
#     typedef unsigned char BYTE;
#     #include "<data-name>.c"
#     ;
# STYLE c: <data-name>.h, included: static const unsigned char <data-name>[] and <data-name>_len.
# STYLE c-source: <data-name>.c, compiled into the target, with the header <data-name>.h that
#   declares it extern (OUTPUT names the .c; the header stands beside it).
# STYLE gas, nasm: <data-name>.s or .asm, assembled into the target (the project enables the
#   language ASM or ASM_NASM); the program declares extern const unsigned char <data-name>[]
#   and extern const uint64_t <data-name>_len.
function(bin2src_add_data target data)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "NAME;STYLE;FORMAT;ENCODING;OUTPUT" "")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "bin2src_add_data: unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "bin2src_add_data: there is no target '${target}'")
  endif()
  if("${arg_NAME}" STREQUAL "")
    message(FATAL_ERROR "bin2src_add_data: NAME, the data name, is required")
  endif()
  if(NOT arg_STYLE)
    set(arg_STYLE window)
  endif()
  if(NOT arg_STYLE MATCHES "^(window|c|c-source|gas|nasm)$")
    message(FATAL_ERROR "bin2src_add_data: STYLE is window, c, c-source, gas or nasm, not '${arg_STYLE}'")
  endif()
  if(NOT arg_STYLE STREQUAL "window" AND (arg_FORMAT OR arg_ENCODING))
    message(FATAL_ERROR "bin2src_add_data: FORMAT and ENCODING belong to STYLE window; STYLE ${arg_STYLE} is UTF-8")
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
  set(style_extension_c h)
  set(style_extension_c-source c)
  set(style_extension_gas s)
  set(style_extension_nasm asm)
  if(NOT arg_STYLE STREQUAL "window")
    set(extension ${style_extension_${arg_STYLE}})
  endif()
  if(NOT arg_OUTPUT)
    set(arg_OUTPUT bin2src/${arg_NAME}.${extension})
  endif()
  get_filename_component(data "${data}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  get_filename_component(folder "${output}" DIRECTORY)

  # --force: the data changed, so the text made from it before is replaced. A conversion that
  # fails leaves no file, so the build never takes a half-written one for up to date.
  set(outputs "${output}")
  if(arg_STYLE STREQUAL "window")
    set(convert --format=${arg_FORMAT} --encoding=${arg_ENCODING} "--output=${output}")
  else()
    set(convert --style=${arg_STYLE} "--output=${output}")
  endif()
  set(also "")
  if(arg_STYLE STREQUAL "c-source")
    get_filename_component(stem "${output}" NAME_WE)
    set(header "${folder}/${stem}.h")
    list(APPEND outputs "${header}")
    set(also COMMAND bin2src::bin2src --force --style=c-header "--name=${arg_NAME}" "--output=${header}" "${data}")
  endif()
  add_custom_command(OUTPUT ${outputs}
                     COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}"
                     COMMAND bin2src::bin2src --force ${convert} "--name=${arg_NAME}" "${data}"
                     ${also}
                     DEPENDS "${data}" "$<TARGET_FILE:bin2src::bin2src>"
                     COMMENT "Converting ${data} into ${arg_NAME}"
                     VERBATIM)
  target_sources(${target} PRIVATE ${outputs})
  # The window's text and the C style are included, not compiled by themselves.
  if(arg_STYLE STREQUAL "window" OR arg_STYLE STREQUAL "c")
    set_source_files_properties("${output}" PROPERTIES HEADER_FILE_ONLY ON)
  endif()
  target_include_directories(${target} PRIVATE "${folder}")
endfunction()
