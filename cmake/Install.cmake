# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installation into the usual places under the prefix (program, manual page,
# desktop entry, icons in the hicolor theme, AppStream metainfo, Debian's
# copyright and changelog) and the Debian package.
include(GNUInstallDirs)

set(SCANVET_APP_ID example.scanvet.ScanvetAddress)
set(SCANVET_ICON_SIZES 16 32 48 64 128)
set(SCANVET_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(SCANVET_ICON_SVG ${SCANVET_PACKAGING_DIR}/${SCANVET_APP_ID}.svg)
set(SCANVET_ICON_DIR ${CMAKE_BINARY_DIR}/icons/hicolor)
set(SCANVET_PACKAGE scanvet-address)
set(SCANVET_SUMMARY "find out which computers answer in an IPv4 address range")

find_package(Qt6 REQUIRED COMPONENTS Svg)

# The PNG sizes are rendered from the shipped SVG at build time.
add_executable(render_icon ${SCANVET_PACKAGING_DIR}/render_icon.cpp)
target_link_libraries(render_icon PRIVATE Qt6::Gui Qt6::Svg scanvet_warnings)

set(scanvet_icon_pngs "")
foreach(size IN LISTS SCANVET_ICON_SIZES)
  list(APPEND scanvet_icon_pngs ${SCANVET_ICON_DIR}/${size}x${size}/apps/${SCANVET_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${scanvet_icon_pngs}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:render_icon> ${SCANVET_ICON_SVG} ${SCANVET_ICON_DIR} ${SCANVET_APP_ID} ${SCANVET_ICON_SIZES}
  DEPENDS render_icon ${SCANVET_ICON_SVG}
  COMMENT "Rendering the program icon"
  VERBATIM)
add_custom_target(scanvet_icons ALL DEPENDS ${scanvet_icon_pngs})

# Debian's changelog; -n keeps the name and time out of the gzip header.
set(SCANVET_CHANGELOG ${SCANVET_PACKAGING_DIR}/changelog.Debian)
set(SCANVET_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${SCANVET_CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E copy ${SCANVET_CHANGELOG} ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
  COMMAND ${GZIP} -9nf ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
  DEPENDS ${SCANVET_CHANGELOG}
  VERBATIM)
add_custom_target(scanvet_changelog ALL DEPENDS ${SCANVET_CHANGELOG_GZ})

# The manual page carries the date of the latest changelog entry, not the
# build's, so that two builds of one version give the same page.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${SCANVET_CHANGELOG})
file(STRINGS ${SCANVET_CHANGELOG} scanvet_trailer REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX REPLACE "^ -- .*>  " "" scanvet_release_date "${scanvet_trailer}")
execute_process(COMMAND date -u -d "${scanvet_release_date}" +%s
                OUTPUT_VARIABLE SCANVET_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)

# The manual page is scanvet --help itself, so the two cannot disagree.
find_program(HELP2MAN help2man REQUIRED)
set(SCANVET_MANPAGE ${CMAKE_BINARY_DIR}/packaging/scanvet.1)
add_custom_command(OUTPUT ${SCANVET_MANPAGE}.gz
  # No display: a --help that wanted a window fails the build, not hangs it.
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
          SOURCE_DATE_EPOCH=${SCANVET_RELEASE_EPOCH}
          ${HELP2MAN} --no-info --name=${SCANVET_SUMMARY} --version-string=${PROJECT_VERSION}
                      --include=${SCANVET_PACKAGING_DIR}/scanvet.h2m
                      --locale=C.UTF-8 --output=${SCANVET_MANPAGE} $<TARGET_FILE:scanvet>
  COMMAND ${GZIP} -9nf ${SCANVET_MANPAGE}
  DEPENDS scanvet ${SCANVET_PACKAGING_DIR}/scanvet.h2m
  COMMENT "Writing the manual page from scanvet --help"
  VERBATIM)
add_custom_target(scanvet_manpage ALL DEPENDS ${SCANVET_MANPAGE}.gz)

configure_file(${SCANVET_PACKAGING_DIR}/${SCANVET_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${SCANVET_APP_ID}.metainfo.xml @ONLY)

install(TARGETS scanvet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The privileged helper and the window, where scanvet looks for them (base/CompanionProgram.h).
install(TARGETS scanvet-helper scanvet-window RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/scanvet)
install(FILES ${SCANVET_MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${SCANVET_PACKAGING_DIR}/copyright ${SCANVET_CHANGELOG_GZ}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${SCANVET_PACKAGE})
install(FILES ${SCANVET_PACKAGING_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${SCANVET_PACKAGE})
install(FILES ${SCANVET_PACKAGING_DIR}/${SCANVET_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${SCANVET_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS SCANVET_ICON_SIZES)
  install(FILES ${SCANVET_ICON_DIR}/${size}x${size}/apps/${SCANVET_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${SCANVET_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Debian package: cpack -G DEB in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${SCANVET_PACKAGE})
set(CPACK_PACKAGE_VENDOR "Scanvet developers")
set(CPACK_PACKAGE_CONTACT "Scanvet developers <scanvet@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${SCANVET_SUMMARY})
# Lines within lintian's 80 columns; CPack puts the space in front of each.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Scanvet Address pings every address of one IPv4 range in turn and lists"
  "the computers that answered, with their host names. A test can repeat"
  "itself every few minutes; the list and the result sheet can be saved as"
  "plain text.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# postinst gives the helper alone its capability with setcap; ieee-data names
# the makers of the MAC addresses found on the link; the history's SQLite
# driver is a plugin, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin, ieee-data, libqt6sql6-sqlite")
# A history on a PostgreSQL server takes Qt's driver for it, and libpq, which
# the program loads only then.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")

set(SCANVET_INSTALLED_HELPER ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/scanvet/scanvet-helper)
configure_file(${SCANVET_PACKAGING_DIR}/postinst.in ${CMAKE_BINARY_DIR}/packaging/postinst @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
