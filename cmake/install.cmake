# What `cmake --install` puts where, and the packages CPack makes of it.
#   Windows: one folder holding vorda.exe, bin2src.exe, the manual the help command opens from
#            the program's folder, the user's README and the licence as Windows text, the font
#            settings a Wine prefix needs to draw the Japanese texts, and bin2src's CMake
#            package in cmake/.
#   native:  bin/bin2src, its man page, its licence, and the CMake package lib/cmake/bin2src
#            (the imported target bin2src::bin2src and bin2src_add_data).

set(CPACK_PACKAGE_VENDOR "VORDA")
set(CPACK_PACKAGE_CONTACT "VORDA developers <developers@vorda.example>")
find_package(Python3 REQUIRED COMPONENTS Interpreter)

if(WIN32)
  # The manual, built from docs/manual with the project's own script.
  file(GLOB_RECURSE manual_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*)
  set(manual ${PROJECT_BINARY_DIR}/manual/vorda_manual.pdf)
  add_custom_command(OUTPUT ${manual}
                     COMMAND ${CMAKE_COMMAND} -E env VORDA_BUILD=${PROJECT_BINARY_DIR}/manual
                             SOURCE_DATE_EPOCH=${VORDA_SOURCE_DATE_EPOCH}
                             ${PROJECT_SOURCE_DIR}/scripts/build-manual.sh --force
                     DEPENDS ${manual_sources} ${PROJECT_SOURCE_DIR}/res/vorda.rc ${PROJECT_SOURCE_DIR}/res/texts.h
                             ${PROJECT_SOURCE_DIR}/scripts/build-manual.sh
                             ${PROJECT_SOURCE_DIR}/scripts/prepare-manual.py
                             ${PROJECT_SOURCE_DIR}/scripts/render-manual.py
                     COMMENT "Building the manual"
                     VERBATIM)
  add_custom_target(vorda_manual ALL DEPENDS ${manual})

  install(TARGETS vorda RUNTIME DESTINATION .)
  install(TARGETS bin2src EXPORT bin2src RUNTIME DESTINATION .)
  install(FILES ${manual} DESTINATION .)
  # Where find_package looks on Windows, under the folder named in CMAKE_PREFIX_PATH.
  set(package_folder cmake)
  # The README of whoever unpacks the zip, as Notepad shows it: CR LF, the version filled in.
  configure_file(${PROJECT_SOURCE_DIR}/docs/README-windows.txt ${PROJECT_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  # The font settings of the project's Wine prefix, for a prefix of the user's own, in the form
  # regedit reads.
  set(wine_fonts ${PROJECT_BINARY_DIR}/wine-fonts.reg)
  add_custom_command(OUTPUT ${wine_fonts}
                     COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/wine_fonts_reg.py
                             ${PROJECT_SOURCE_DIR}/scripts/wine-settings.reg ${wine_fonts}
                     DEPENDS ${PROJECT_SOURCE_DIR}/cmake/wine_fonts_reg.py
                             ${PROJECT_SOURCE_DIR}/scripts/wine-settings.reg
                     COMMENT "Writing the Wine font settings"
                     VERBATIM)
  add_custom_target(vorda_wine_fonts ALL DEPENDS ${wine_fonts})
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${wine_fonts} DESTINATION .)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
else()
  install(TARGETS bin2src EXPORT bin2src RUNTIME DESTINATION bin)
  install(FILES ${PROJECT_BINARY_DIR}/cli/bin2src.1.gz DESTINATION share/man/man1)
  # Debian's place for the licence, and beside it the changelog Debian asks for, whose one
  # entry is this release, dated with the commit.
  install(FILES LICENSE DESTINATION share/doc/bin2src RENAME copyright)
  set(ENV{SOURCE_DATE_EPOCH} ${VORDA_SOURCE_DATE_EPOCH}) # the time string(TIMESTAMP) takes
  string(TIMESTAMP release_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(WRITE ${PROJECT_BINARY_DIR}/doc/changelog
       "bin2src (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${PROJECT_VERSION} of VORDA's command-line converter.\n\n"
       " -- ${CPACK_PACKAGE_CONTACT}  ${release_date}\n")
  add_custom_command(OUTPUT doc/changelog.gz
                     COMMAND gzip --best --no-name --force --keep doc/changelog
                     DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog)
  add_custom_target(bin2src_changelog ALL DEPENDS doc/changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/doc/changelog.gz DESTINATION share/doc/bin2src)

  set(package_folder lib/cmake/bin2src)
endif()
# bin2src's CMake package, beside the program on either system.
install(EXPORT bin2src NAMESPACE bin2src:: FILE bin2src-targets.cmake DESTINATION ${package_folder})
include(CMakePackageConfigHelpers)
# A program: any consumer can run it, whatever its own pointer size.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/bin2src-config-version.cmake
                                 COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES cmake/bin2src-config.cmake ${PROJECT_BINARY_DIR}/bin2src-config-version.cmake
        DESTINATION ${package_folder})

# ---- Packages
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# The same bytes from the same files, whoever packs them and wherever.
set(CPACK_VORDA_PYTHON ${Python3_EXECUTABLE})
set(CPACK_VORDA_SOURCE_DATE_EPOCH ${VORDA_SOURCE_DATE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-reproducible.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-canonical.cmake)
if(WIN32)
  set(CPACK_PACKAGE_NAME vorda)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME vorda-${PROJECT_VERSION}-win64)
else()
  set(CPACK_PACKAGE_NAME bin2src)
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_PACKAGE_FILE_NAME bin2src-${PROJECT_VERSION}-linux-x86_64)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert binary files into C, assembler or BASIC source data")
  set(CPACK_PACKAGE_DESCRIPTION
      "bin2src turns the bytes of a file into source text for embedding in another\n\
program: a C byte array, assembler DB lines or a BASIC byte array, in UTF-8\n\
or UTF-16LE. It streams in constant memory and never replaces a file unasked.\n\
.\n\
A CMake package comes with it, whose bin2src_add_data() converts a data file\n\
at build time and adds it to a target.")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
