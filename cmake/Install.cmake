# Installing Skiffline as a desktop application, and its Debian package:
#   bin/skiffline, bin/skiffline-cli
#   share/applications/skiffline.desktop
#   share/icons/hicolor/{scalable,<N>x<N>}/apps/skiffline.{svg,png}
#   share/man/man1/skiffline-cli.1.gz
# `cmake --install <build> --prefix ~/.local`, or `cpack -G DEB` in the build
# folder for a .deb whose dependencies dpkg-shlibdeps finds.
include(GNUInstallDirs)

# Installing and packaging take the programs as built: `cmake --build` first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

foreach(program IN ITEMS skiffline skiffline-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET skiffline)
  install(FILES ${PROJECT_SOURCE_DIR}/res/skiffline.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

# The icon: drawn as res/skiffline.svg, rendered at build time into
# ${PROJECT_BINARY_DIR}/res/hicolor/<N>x<N>/apps/skiffline.png.
set(SKIFFLINE_ICON_SIZES 16 32 48 64 128 256 CACHE STRING "Sizes of the installed PNG icons")
if(TARGET skiffline AND EXISTS ${PROJECT_SOURCE_DIR}/res/skiffline.svg)
  install(FILES ${PROJECT_SOURCE_DIR}/res/skiffline.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size IN LISTS SKIFFLINE_ICON_SIZES)
    install(FILES ${PROJECT_BINARY_DIR}/res/hicolor/${size}x${size}/apps/skiffline.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

# The manual page, compressed as Debian wants it (no name or time stamp inside).
if(TARGET skiffline-cli)
  set(SKIFF_MAN_PAGE ${PROJECT_BINARY_DIR}/res/skiffline-cli.1.gz)
  add_custom_command(
    OUTPUT ${SKIFF_MAN_PAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/res
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/res/skiffline-cli.1 > ${SKIFF_MAN_PAGE}
    DEPENDS ${PROJECT_SOURCE_DIR}/res/skiffline-cli.1
    COMMENT "Compressing the manual page"
    VERBATIM)
  add_custom_target(skiffline-man ALL DEPENDS ${SKIFF_MAN_PAGE})
  install(FILES ${SKIFF_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skiffline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Skiffline developers")
set(CPACK_PACKAGE_CONTACT "Skiffline developers <skiffline@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop FTP client with a window and a command-line client")
# The long description; CPack puts the summary above it.
set(CPACK_PACKAGE_DESCRIPTION "\
Skiffline keeps a list of FTP sites, connects to one and works in one window\n\
with four panes: local files, the remote folder, the transfer queue and the\n\
message log. Files and whole folders move both ways. Existing targets are\n\
overwritten, resumed, renamed or skipped, and queues survive restarts.\n\
skiffline-cli runs the same transfers from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME skiffline)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Skiffline developers <skiffline@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: the runtime packages of the linked libraries, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
