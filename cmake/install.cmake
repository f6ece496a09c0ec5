# Installing Ostra like a desktop program, and its Debian package.
#
#   <prefix>/lib/ostra/            the program folder: executable, its
#                                  download module and cue player, sounds,
#                                  help
#   <prefix>/bin/ostra             a link to the executable
#   <prefix>/share/applications/   the menu entry
#   <prefix>/share/icons/hicolor/  the emblem, as SVG and PNG sizes
#   <prefix>/share/metainfo/       the software-centre description
#
# The program folder is not writable there, so the program keeps its files
# in the user's data folder (src/app/data_folder.h).

set(OSTRA_APP_ID org.example.ostra)
set(OSTRA_ICON_SIZES 16 22 24 32 48 64 128 256)

# The PNG sizes of the emblem, drawn by the program's own artwork code.
add_executable(ostra_render_icons ${CMAKE_SOURCE_DIR}/tools/render_icons.cpp)
target_link_libraries(ostra_render_icons PRIVATE ostra_core)
set(OSTRA_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(OSTRA_ICON_PNGS)
foreach(s ${OSTRA_ICON_SIZES})
  list(APPEND OSTRA_ICON_PNGS ${OSTRA_ICON_DIR}/${s}x${s}/apps/${OSTRA_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${OSTRA_ICON_PNGS}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:ostra_render_icons> ${OSTRA_ICON_DIR} ${OSTRA_APP_ID} ${OSTRA_ICON_SIZES}
  DEPENDS ostra_render_icons ${CMAKE_SOURCE_DIR}/data/icons/ostra.svg
  COMMENT "Rendering the program icon" VERBATIM)
add_custom_target(ostra_icons ALL DEPENDS ${OSTRA_ICON_PNGS})

# The link <prefix>/bin/ostra -> ../lib/ostra/ostra, made here and installed
# as a link. Its name is the executable's, so that both starts share the
# one-copy lock (named after the executable the link resolves to).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-link)
file(CREATE_LINK ../lib/ostra/ostra ${CMAKE_BINARY_DIR}/install-link/ostra SYMBOLIC)

install(TARGETS ostra RUNTIME DESTINATION lib/ostra)
# Loaded, or started, from the executable's folder when needed.
install(TARGETS ostra_downloads LIBRARY DESTINATION lib/ostra)
install(TARGETS ostra_cue RUNTIME DESTINATION lib/ostra)
install(FILES ${OSTRA_DATA_FILES} DESTINATION lib/ostra)
install(FILES ${CMAKE_BINARY_DIR}/install-link/ostra DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/ostra.svg
  DESTINATION share/icons/hicolor/scalable/apps RENAME ${OSTRA_APP_ID}.svg)
install(DIRECTORY ${OSTRA_ICON_DIR}/ DESTINATION share/icons/hicolor)
install(FILES ${CMAKE_SOURCE_DIR}/data/${OSTRA_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The menu entry names the installed link by its full path, which is known
# only when installing (`cmake --install --prefix` may choose another).
install(CODE "set(OSTRA_DESKTOP_IN \"${CMAKE_SOURCE_DIR}/data/${OSTRA_APP_ID}.desktop.in\")
  set(OSTRA_DESKTOP_OUT \"${CMAKE_BINARY_DIR}/install-desktop/${OSTRA_APP_ID}.desktop\")")
install(CODE [[
  set(OSTRA_DESKTOP_EXEC "${CMAKE_INSTALL_PREFIX}/bin/ostra")
  string(REPLACE "%" "%%" OSTRA_DESKTOP_EXEC "${OSTRA_DESKTOP_EXEC}")
  if(NOT OSTRA_DESKTOP_EXEC MATCHES "^[A-Za-z0-9/._+%:@,=-]+$")
    # A quoted argument: \ " ` $ escaped by a backslash, and every backslash
    # doubled once more by the string escapes of the entry file.
    string(REPLACE "\\" "\\\\\\\\" OSTRA_DESKTOP_EXEC "${OSTRA_DESKTOP_EXEC}")
    string(REPLACE "\"" "\\\\\"" OSTRA_DESKTOP_EXEC "${OSTRA_DESKTOP_EXEC}")
    string(REPLACE "`" "\\\\`" OSTRA_DESKTOP_EXEC "${OSTRA_DESKTOP_EXEC}")
    string(REPLACE "$" "\\\\$" OSTRA_DESKTOP_EXEC "${OSTRA_DESKTOP_EXEC}")
    set(OSTRA_DESKTOP_EXEC "\"${OSTRA_DESKTOP_EXEC}\"")
  endif()
  configure_file("${OSTRA_DESKTOP_IN}" "${OSTRA_DESKTOP_OUT}" @ONLY)
  file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE FILES "${OSTRA_DESKTOP_OUT}")
]])

# The Debian package (scripts/package.sh): always for /usr, whatever prefix
# the build folder was configured with.
set(OSTRA_PACKAGE_MAINTAINER "Ostra developers <maintainer@ostra.example.org>" CACHE STRING
  "Maintainer field of the Debian package")
string(TIMESTAMP OSTRA_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP OSTRA_PACKAGE_YEAR "%Y" UTC)
configure_file(${CMAKE_SOURCE_DIR}/data/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/debian/copyright.in ${CMAKE_BINARY_DIR}/debian/copyright @ONLY)
# Debian wants the change log and the manual page compressed.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz ${CMAKE_BINARY_DIR}/debian/ostra.1.gz
  COMMAND gzip -n -9 -c ${CMAKE_BINARY_DIR}/debian/changelog > ${CMAKE_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/data/ostra.1 > ${CMAKE_BINARY_DIR}/debian/ostra.1.gz
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog ${CMAKE_SOURCE_DIR}/data/ostra.1 VERBATIM)
add_custom_target(ostra_compressed_docs ALL
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz ${CMAKE_BINARY_DIR}/debian/ostra.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
  DESTINATION share/doc/ostra)
install(FILES ${CMAKE_BINARY_DIR}/debian/ostra.1.gz DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ostra developers")
set(CPACK_PACKAGE_CONTACT "${OSTRA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "memory-load monitor for the desktop")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://ostra.example.org/")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${OSTRA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the X11 platform
# plugin; the sound server's plugin and the default event sound.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcanberra-pulse, sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above is the synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Ostra sits as a narrow, always-on-top panel at the edge of the screen, or
only as an animated icon in the notification area, and once a second reads
how much of the machine's memory is in use. It keeps a time-stamped history
of the changes, warns with a blinking window and a sound when the load
passes a limit or jumps too fast, measures how much memory a chosen program
adds, and reminds you to take a break.")
include(CPack)
