# The program's folders are layers, each built as its own libraries and linked in one direction
# only: common <- document <- view, export <- app, cli, with res's headers (the texts and the
# identifiers) under common. A library's include path holds the folders of the layers it links
# and no others, so that an include that runs up the layers names a file that is not there.
#
# The headers stay beside their sources. Each folder has a folder of its own in the build tree,
# layers/<folder>, that holds one link, <folder>, to the folder itself: a target that links the
# layer reads "document/document.h" through it, and no other folder of the tree.
function(vorda_layer target folder)
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  # A quoted include is looked up beside the including file first, so one that climbs out of
  # its folder would pass by the include path: none may.
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h
       ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} climbing REGEX "^[ \t]*#[ \t]*include[ \t]*\"\\.\\./")
    if(climbing)
      message(FATAL_ERROR "${source}: an include out of its folder (${climbing}); name the file from "
                          "its layer's folder, as \"common/text.h\", so that the layers' links hold")
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

if(WIN32)
  # The Windows headers as every Win32 file of the programs and their tests reads them: the
  # UTF-16 functions, without the rarely used parts or the min and max macros, Windows 7's
  # interface.
  add_library(vorda_win32_api INTERFACE)
  target_compile_definitions(vorda_win32_api INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                             _WIN32_WINNT=0x0601)
  # A program entered at wmain or wWinMain, which take the command line in UTF-16, whatever the
  # code page.
  add_library(vorda_wide_entry INTERFACE)
  target_link_libraries(vorda_wide_entry INTERFACE vorda_win32_api)
  target_link_options(vorda_wide_entry INTERFACE -municode)
endif()
