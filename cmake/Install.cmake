# Installation.
#
# Linux: Tovel and its companion files go into one folder, lib/tovel/ of the
# prefix (the program looks for them beside itself); bin/tovel starts it;
# share/applications/tovel.desktop and the hicolor icons put it into the
# desktop's application menu. Where the install folder cannot be written,
# Tovel keeps its settings in the per-user folder (~/.config/tovel/).
#
# Windows: Tovel.exe and its companion files go into the prefix itself.
#
#   cmake --install build --prefix ~/.local
if(NOT TARGET Tovel)
  return()
endif()

if(WIN32)
  install(TARGETS Tovel RUNTIME DESTINATION .)
  if(TARGET tovel-cli)
    install(TARGETS tovel-cli RUNTIME DESTINATION .)
  endif()
  install(DIRECTORY ${TOVEL_COMPANION_DIR}/ DESTINATION . USE_SOURCE_PERMISSIONS)
  return()
endif()

set(TOVEL_INSTALL_APPDIR "lib/tovel" CACHE STRING "Folder of Tovel and its companion files, relative to the prefix")
set(TOVEL_INSTALL_BINDIR "bin" CACHE STRING "Folder of the tovel command, relative to the prefix")
set(TOVEL_INSTALL_DATADIR "share" CACHE STRING "Folder of the desktop entry and icons, relative to the prefix")

install(TARGETS Tovel RUNTIME DESTINATION ${TOVEL_INSTALL_APPDIR})
install(DIRECTORY ${TOVEL_COMPANION_DIR}/ DESTINATION ${TOVEL_INSTALL_APPDIR} USE_SOURCE_PERMISSIONS)

# The command: a small launcher that finds the program folder relative to
# itself, so the installed tree can be moved as a whole.
file(RELATIVE_PATH TOVEL_LAUNCHER_TO_APP "/prefix/${TOVEL_INSTALL_BINDIR}" "/prefix/${TOVEL_INSTALL_APPDIR}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tovel-launcher.sh.in ${CMAKE_BINARY_DIR}/install/tovel @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/install/tovel DESTINATION ${TOVEL_INSTALL_BINDIR})

# tovel-cli lives beside Tovel (it reads the same settings file, found from
# its own folder); bin/tovel-cli is a link to it.
if(TARGET tovel-cli)
  install(TARGETS tovel-cli RUNTIME DESTINATION ${TOVEL_INSTALL_APPDIR})
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${TOVEL_INSTALL_BINDIR}\")
    file(CREATE_LINK \"${TOVEL_LAUNCHER_TO_APP}/tovel-cli\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${TOVEL_INSTALL_BINDIR}/tovel-cli\" SYMBOLIC)
  ")
endif()

foreach(size 16 24 32 48 64 128)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/tovel-${size}.png
          DESTINATION ${TOVEL_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tovel.png)
endforeach()

# The desktop entry names the command by its full path in the final prefix,
# which is known only when installing (cmake --install --prefix).
install(CODE "
  set(TOVEL_DESKTOP_EXEC \"\${CMAKE_INSTALL_PREFIX}/${TOVEL_INSTALL_BINDIR}/tovel\")
  set(_tovel_desktop \"\${CMAKE_INSTALL_PREFIX}/${TOVEL_INSTALL_DATADIR}/applications/tovel.desktop\")
  message(STATUS \"Installing: \$ENV{DESTDIR}\${_tovel_desktop}\")
  configure_file(\"${CMAKE_CURRENT_LIST_DIR}/tovel.desktop.in\" \"\$ENV{DESTDIR}\${_tovel_desktop}\" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_tovel_desktop}\")
")

# What software centres show (AppStream), and the file type of .s79
# libraries, so that a file manager offers Tovel for them.
configure_file(${CMAKE_CURRENT_LIST_DIR}/tovel.metainfo.xml.in ${CMAKE_BINARY_DIR}/install/org.example.tovel.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/org.example.tovel.metainfo.xml DESTINATION ${TOVEL_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tovel-mime.xml DESTINATION ${TOVEL_INSTALL_DATADIR}/mime/packages RENAME tovel.xml)

# Manual pages, gzipped as the system's man pages are.
find_program(TOVEL_GZIP gzip)
set(TOVEL_MAN_PAGES tovel tovel-cli)
foreach(page ${TOVEL_MAN_PAGES})
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.1)
  if(TOVEL_GZIP)
    set(packed ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${packed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${TOVEL_GZIP} -9nc ${source} > ${packed}
      DEPENDS ${source}
      COMMENT "Packing the manual page ${page}(1)")
    list(APPEND TOVEL_PACKED_MAN_PAGES ${packed})
    install(FILES ${packed} DESTINATION ${TOVEL_INSTALL_DATADIR}/man/man1)
  else()
    install(FILES ${source} DESTINATION ${TOVEL_INSTALL_DATADIR}/man/man1)
  endif()
endforeach()
if(TOVEL_PACKED_MAN_PAGES)
  add_custom_target(tovel_man_pages ALL DEPENDS ${TOVEL_PACKED_MAN_PAGES})
endif()

# Completion of tovel-cli's commands, options, libraries and routine names in bash.
install(FILES ${PROJECT_SOURCE_DIR}/scripts/completion/tovel-cli.bash
        DESTINATION ${TOVEL_INSTALL_DATADIR}/bash-completion/completions RENAME tovel-cli)
