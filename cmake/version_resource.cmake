# Gives program `target` the version information Windows shows in the file's properties:
# its file name, a description in `language` (a Windows language identifier, four hexadecimal
# digits) and the project's version. The program alone has it, not the tests that link the
# other resources.
function(vorda_version_resource target file_name description language)
  set(VERSION_FILE_NAME ${file_name})
  set(VERSION_FILE_DESCRIPTION ${description})
  get_filename_component(VERSION_INTERNAL_NAME ${file_name} NAME_WE)
  set(VERSION_LANGUAGE 0x${language})
  # The texts' block is named by their language and code page 1200 (UTF-16).
  set(VERSION_BLOCK ${language}04B0)
  set(script ${CMAKE_BINARY_DIR}/res/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/res/version.rc.in ${script} @ONLY)
  target_sources(${target} PRIVATE ${script})
endfunction()
