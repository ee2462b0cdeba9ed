# The Debian package: tovel_VERSION_ARCH.deb with what cmake --install puts
# under /usr (see Install.cmake), its Depends computed from the programs by
# dpkg-shlibdeps.
#
#   cmake --build build --target package      (or: cd build && cpack -G DEB)
#
# scripts/ci.d/package.sh builds it and checks what it holds.
if(NOT TARGET Tovel OR NOT UNIX OR APPLE)
  return()
endif()

# Debian wants the licence text and a changelog in the package's documentation folder.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${TOVEL_INSTALL_DATADIR}/doc/tovel)
find_program(TOVEL_GZIP gzip)
if(TOVEL_GZIP)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/package-files/changelog @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package-files/changelog.gz
    COMMAND ${TOVEL_GZIP} -9nc ${CMAKE_BINARY_DIR}/package-files/changelog > ${CMAKE_BINARY_DIR}/package-files/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/package-files/changelog
    COMMENT "Packing the package's changelog")
  add_custom_target(tovel_package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package-files/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/package-files/changelog.gz DESTINATION ${TOVEL_INSTALL_DATADIR}/doc/tovel)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tovel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "C calls of microcontroller library routines, ready to paste")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Tovel developers <tovel@example.org>")
# The summary is the first line of Description; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tovel reads microcontroller library sources (assembler files whose C-callable
routines are announced by prototype comment lines, and C header libraries),
lists their routines, shows a routine's source block, builds a panel of up to
four parameter editors and puts the finished C call on the clipboard.
tovel-cli does the same job from a terminal, an editor or a script.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Tools the programs start themselves: the clipboard of tovel-cli --copy.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wl-clipboard | xclip | xsel")

include(CPack)
