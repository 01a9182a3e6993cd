# The CMake package of bin2src: the program as the imported target bin2src::bin2src, and
# bin2src_add_data, which turns a data file into source text at build time for a target.
# bin2src runs on the machine that builds: a cross build finds it on the host,
#     find_package(bin2src 1.0 REQUIRED NO_CMAKE_FIND_ROOT_PATH)
include(${CMAKE_CURRENT_LIST_DIR}/bin2src-targets.cmake)

# bin2src_add_data(<target> <data-file>
#                  NAME <data-name>
#                  [STYLE auto|c|c-string|c-source|c-incbin|c-embed|incbin|gas|nasm|window]   auto by default
#                  [ALIGN <n>] [SECTION <name>]   where the assembler styles put the bytes
#                  [FORMAT c|asm|basic]       the window's format, c by default
#                  [ENCODING utf8|utf16le]    the window's encoding, utf8 by default
#                  [OUTPUT <file>])
#
# Converts <data-file> (relative to the current source folder) whenever it or bin2src changes,
# and lists what it writes among the target's sources, so that it is made before the target is
# built. By default it writes into bin2src-include/bin2src/ in the current binary folder, which
# alone is added to the target's include folders: the program includes "bin2src/<data-name>.h",
# and no generated file can take the place of another header. OUTPUT (relative to the current
# binary folder) puts the file elsewhere, a header beside it, and adds no include folder.
#
# Every style but window and c-string gives the program the header
#     extern const unsigned char <data-name>[<count>];   #define <data-name>_len (sizeof ...)
# auto, the default, is what the target's compiler takes fastest: where GCC or Clang (or a
# compiler as GNU-like) compiles a top-level asm statement with .incbin for the target, c-incbin,
# whose build costs what `objcopy -I binary` costs at any size; else, where it has C23's #embed,
# c-embed; else c-source. It is decided once, when the project is configured, with the C
# compiler or, in a project without C, the C++ compiler.
#   c-string   <data-name>.h, included: static const unsigned char <data-name>[] in string
#              literals, and <data-name>_len.
#   c          <data-name>.h, the same as a brace list.
#   c-source   <data-name>.c (.cpp in a project without C), compiled into the target.
#   c-incbin   the same file, which the assembler fills from <data-file> (GCC or Clang).
#   c-embed    the same file, which the compiler fills from <data-file> with #embed (C23).
#   incbin     <data-name>.s, the same for GNU as: the project enables the language ASM.
#   gas, nasm  <data-name>.s or .asm of .byte or db lines: the project enables ASM or ASM_NASM;
#              they also give the symbol <data-name>_len, the length as a 64-bit word.
#   window     the window's text, included where BYTE is known, a ';' after it:
#                  typedef unsigned char BYTE;
#                  #include "bin2src/<data-name>.c"
#                  ;
# Call the function in the folder that creates the target.
function(bin2src_add_data target data)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "NAME;STYLE;FORMAT;ENCODING;OUTPUT;ALIGN;SECTION" "")
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
    set(arg_STYLE auto)
  endif()
  if(NOT arg_STYLE MATCHES "^(auto|window|c|c-string|c-source|c-incbin|c-embed|incbin|gas|nasm)$")
    message(FATAL_ERROR "bin2src_add_data: STYLE is auto, c, c-string, c-source, c-incbin, c-embed, incbin, gas, "
                        "nasm or window, not '${arg_STYLE}'")
  endif()
  if(NOT arg_STYLE STREQUAL "window" AND (arg_FORMAT OR arg_ENCODING))
    message(FATAL_ERROR "bin2src_add_data: FORMAT and ENCODING belong to STYLE window; STYLE ${arg_STYLE} is UTF-8")
  endif()

  # What the target compiles: the languages enabled in the project decide a C file's extension.
  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  # The styles that an assembler takes, and which.
  set(assembler_incbin ASM)
  set(assembler_gas ASM)
  set(assembler_nasm ASM_NASM)
  if("C" IN_LIST languages)
    set(c_language C)
    set(c_extension c)
  elseif("CXX" IN_LIST languages)
    set(c_language CXX)
    set(c_extension cpp)
  elseif(NOT assembler_${arg_STYLE})
    message(FATAL_ERROR "bin2src_add_data: STYLE ${arg_STYLE} is C or C++, and the project enables neither: "
                        "add C or CXX to project(... LANGUAGES ...)")
  endif()
  if(arg_STYLE STREQUAL "auto")
    _bin2src_fast_style(${c_language} arg_STYLE)
  elseif(arg_STYLE STREQUAL "c-incbin")
    _bin2src_fast_style(${c_language} unused) # and the options it takes
  endif()
  if(assembler_${arg_STYLE} AND NOT assembler_${arg_STYLE} IN_LIST languages)
    message(FATAL_ERROR "bin2src_add_data: STYLE ${arg_STYLE} is assembled as ${assembler_${arg_STYLE}}, which the "
                        "project does not enable: add ${assembler_${arg_STYLE}} to project(... LANGUAGES ...) or "
                        "call enable_language(${assembler_${arg_STYLE}})")
  endif()
  set(placing "")
  if(NOT "${arg_ALIGN}${arg_SECTION}" STREQUAL "")
    if(NOT arg_STYLE MATCHES "^(c-incbin|incbin|gas|nasm)$")
      message(FATAL_ERROR "bin2src_add_data: ALIGN and SECTION place the bytes of the assembler styles "
                          "(c-incbin, incbin, gas, nasm), not of STYLE ${arg_STYLE}")
    endif()
    if(arg_ALIGN)
      list(APPEND placing "--align=${arg_ALIGN}")
    endif()
    if(arg_SECTION)
      list(APPEND placing "--section=${arg_SECTION}")
    endif()
  endif()

  set(extension_c h)
  set(extension_c-string h)
  set(extension_c-source ${c_extension})
  set(extension_c-incbin ${c_extension})
  set(extension_c-embed ${c_extension})
  set(extension_incbin s)
  set(extension_gas s)
  set(extension_nasm asm)
  if(arg_STYLE STREQUAL "window")
    if(NOT arg_FORMAT)
      set(arg_FORMAT c)
    endif()
    if(NOT arg_ENCODING)
      set(arg_ENCODING utf8)
    endif()
    set(format_extension_c c)
    set(format_extension_asm asm)
    set(format_extension_basic bas)
    if(NOT format_extension_${arg_FORMAT})
      message(FATAL_ERROR "bin2src_add_data: FORMAT is c, asm or basic, not '${arg_FORMAT}'")
    endif()
    if(NOT arg_ENCODING MATCHES "^(utf8|utf16le)$")
      message(FATAL_ERROR "bin2src_add_data: ENCODING is utf8 or utf16le, not '${arg_ENCODING}'")
    endif()
    set(extension_window ${format_extension_${arg_FORMAT}})
  endif()

  get_filename_component(data "${data}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  if(arg_OUTPUT)
    get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  else()
    set(include_root "${CMAKE_CURRENT_BINARY_DIR}/bin2src-include")
    set(output "${include_root}/bin2src/${arg_NAME}.${extension_${arg_STYLE}}")
  endif()
  get_filename_component(folder "${output}" DIRECTORY)
  # Only the last extension goes: gen/one.v2.c declares itself in gen/one.v2.h.
  get_filename_component(stem "${output}" NAME_WLE)

  # --force: the data changed, so the text made from it before is replaced. A conversion that
  # fails leaves no file, so the build never takes a half-written one for up to date.
  set(outputs "${output}")
  if(arg_STYLE STREQUAL "window")
    set(convert --format=${arg_FORMAT} --encoding=${arg_ENCODING})
  else()
    set(convert --style=${arg_STYLE} ${placing})
  endif()
  set(also "")
  # The header styles are included by the program; the others are compiled, with a header of
  # their own for it.
  set(included FALSE)
  if(arg_STYLE MATCHES "^(window|c|c-string)$")
    set(included TRUE)
  endif()
  if(NOT included)
    set(header "${folder}/${stem}.h")
    if(header STREQUAL output)
      message(FATAL_ERROR "bin2src_add_data: OUTPUT ${arg_OUTPUT} would be its own header: give it the extension "
                          "${extension_${arg_STYLE}}")
    endif()
    list(APPEND outputs "${header}")
    set(also COMMAND bin2src::bin2src --force --style=c-header "--name=${arg_NAME}" "--output=${header}" "${data}")
  endif()
  add_custom_command(OUTPUT ${outputs}
                     COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}"
                     COMMAND bin2src::bin2src --force ${convert} "--name=${arg_NAME}" "--output=${output}" "${data}"
                     ${also}
                     DEPENDS "${data}" "$<TARGET_FILE:bin2src::bin2src>"
                     COMMENT "Converting ${data} into ${arg_NAME}"
                     VERBATIM)
  target_sources(${target} PRIVATE ${outputs})
  if(included)
    # Included, not compiled by itself.
    set_source_files_properties("${output}" PROPERTIES HEADER_FILE_ONLY ON)
  elseif(arg_STYLE MATCHES "^c-" AND c_language)
    # Compiled in the project's own language whatever OUTPUT's extension: C or C++ takes it.
    set_source_files_properties("${output}" PROPERTIES LANGUAGE ${c_language})
  endif()
  if(arg_STYLE MATCHES "incbin$|embed$")
    # The assembler or the compiler reads the data file itself, which no compiler's list of
    # dependencies names (GCC's and Clang's do not list what .incbin reads).
    set_source_files_properties("${output}" PROPERTIES OBJECT_DEPENDS "${data}")
    if(arg_STYLE STREQUAL "c-incbin" AND BIN2SRC_INCBIN_OPTIONS_${c_language})
      set_source_files_properties("${output}" PROPERTIES COMPILE_OPTIONS "${BIN2SRC_INCBIN_OPTIONS_${c_language}}")
    endif()
  endif()
  if(include_root)
    target_include_directories(${target} PRIVATE "${include_root}")
  endif()
endfunction()

# The fastest style the language's compiler takes, tried once for the build folder on files made
# by bin2src itself: c-incbin, then c-embed, then c-source. Clang's own assembler holds the data
# twice in memory (290 MB for 100 MiB, where GNU as needs 106), so a Clang that can hand the
# file to GNU as does.
function(_bin2src_fast_style language result)
  if(NOT DEFINED BIN2SRC_FAST_STYLE_${language})
    set(probe "${CMAKE_BINARY_DIR}${CMAKE_FILES_DIRECTORY}/bin2src-probe")
    file(MAKE_DIRECTORY "${probe}")
    file(WRITE "${probe}/probe.bin" "1")
    set(extension c)
    if(language STREQUAL "CXX")
      set(extension cpp)
    endif()
    get_target_property(program bin2src::bin2src LOCATION)
    get_property(launcher GLOBAL PROPERTY RULE_LAUNCH_CUSTOM) # what runs the custom commands
    set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
    set(style c-source)
    set(options "")
    set(tries c-incbin:none c-embed:none)
    if(CMAKE_${language}_COMPILER_ID MATCHES "Clang")
      set(tries c-incbin:-fno-integrated-as ${tries})
    endif()
    foreach(try IN LISTS tries)
      string(REPLACE ":" ";" try "${try}")
      list(GET try 0 try_style)
      list(GET try 1 flags)
      if(flags STREQUAL "none")
        set(flags "")
      endif()
      set(source "${probe}/${try_style}.${extension}")
      execute_process(COMMAND ${launcher} "${program}" --force --style=${try_style} --name=bin2src_probe
                              "--output=${source}" "${probe}/probe.bin"
                      RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
      if(NOT failed)
        try_compile(works "${probe}/build" SOURCES "${source}" COMPILE_DEFINITIONS ${flags})
        if(works)
          set(style ${try_style})
          set(options "${flags}")
          break()
        endif()
      endif()
    endforeach()
    message(STATUS "bin2src: the ${language} compiler embeds data as ${style} ${options}")
    set(BIN2SRC_FAST_STYLE_${language} ${style} CACHE INTERNAL "bin2src_add_data's STYLE auto")
    set(BIN2SRC_INCBIN_OPTIONS_${language} "${options}" CACHE INTERNAL "options of bin2src's c-incbin files")
  endif()
  set(${result} ${BIN2SRC_FAST_STYLE_${language}} PARENT_SCOPE)
endfunction()
