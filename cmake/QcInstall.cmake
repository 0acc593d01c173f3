# Installed like a desktop program: the program in bin/, its private libraries in
# lib/qingchuan/, the folder-lock tool in libexec/qingchuan/, the templates of a user's first
# cfg.ini and DB.mdb in share/qingchuan/, and the menu entry, icons and AppStream metadata where
# desktops look for them. src/config/AppPaths.cpp knows the same layout from the program's side.
# No cfg.ini goes beside the program: its absence is what makes an installed copy keep its files
# in the user's own folders.
include(GNUInstallDirs)
# Installing (and so packaging) builds nothing more: scripts/test-install.sh builds the installed
# targets first, and the test suite, which is not installed, need not be built to make a package.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(QC_APP_ID io.github.qingchuan.Qingchuan)

install(TARGETS qingchuan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS CameraDll qc_webview LIBRARY DESTINATION lib/qingchuan NAMELINK_SKIP)
install(TARGETS qc_lock RUNTIME DESTINATION libexec/qingchuan)

# The templates, made by the seeding tool of the build into a folder of their own.
set(QC_TEMPLATES ${CMAKE_BINARY_DIR}/templates)
add_custom_command(OUTPUT ${QC_TEMPLATES}/cfg.ini ${QC_TEMPLATES}/DB.mdb
  COMMAND ${CMAKE_COMMAND} -E rm -f ${QC_TEMPLATES}/cfg.ini ${QC_TEMPLATES}/DB.mdb
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QC_TEMPLATES}
  COMMAND qc_seed ${QC_TEMPLATES}
  DEPENDS qc_seed ${PROJECT_SOURCE_DIR}/resources/cfg.ini ${PROJECT_SOURCE_DIR}/resources/schema.sql
  COMMENT "Making the templates of a user's cfg.ini and DB.mdb")
add_custom_target(qc_templates ALL DEPENDS ${QC_TEMPLATES}/cfg.ini ${QC_TEMPLATES}/DB.mdb)
install(FILES ${QC_TEMPLATES}/cfg.ini ${QC_TEMPLATES}/DB.mdb DESTINATION share/qingchuan)

install(FILES ${PROJECT_SOURCE_DIR}/resources/${QC_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/${QC_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(Size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/qingchuan-${Size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${Size}x${Size}/apps RENAME qingchuan.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/qingchuan.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# What Debian asks of every package besides the program: its manual page, its changelog and its
# copyright in usr/share/doc/qingchuan/. The compressed copies are made as Debian's own tools make
# them (gzip -9n: no name or time inside, so the same sources give the same bytes).
set(QC_DEB_RELEASE 1)
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/debian/changelog QC_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT QC_CHANGELOG_TOP MATCHES "^qingchuan \\(${PROJECT_VERSION}-${QC_DEB_RELEASE}\\) ")
  message(FATAL_ERROR "resources/debian/changelog does not begin with version "
    "${PROJECT_VERSION}-${QC_DEB_RELEASE}: add an entry for it")
endif()
set(QC_DOC ${CMAKE_BINARY_DIR}/doc)
set(QC_DOC_GZ ${QC_DOC}/qingchuan.1.gz ${QC_DOC}/changelog.Debian.gz)
add_custom_command(OUTPUT ${QC_DOC_GZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QC_DOC}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/qingchuan.1
    ${QC_DOC}/qingchuan.1
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/debian/changelog
    ${QC_DOC}/changelog.Debian
  COMMAND gzip -9nf ${QC_DOC}/qingchuan.1 ${QC_DOC}/changelog.Debian
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/qingchuan.1 ${PROJECT_SOURCE_DIR}/resources/debian/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(qc_docs ALL DEPENDS ${QC_DOC_GZ})
install(FILES ${QC_DOC}/qingchuan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QC_DOC}/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/resources/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME qingchuan)

# The Debian package: `cpack -G DEB` in the build folder. Its dependencies are computed from the
# binaries by cmake/QcDebDepends.cmake (which says why not by CPack itself); the private libraries
# are found through the program's run path. It has no maintainer scripts: nothing is to be done
# on installing or removing it beyond placing and removing its files.
set(CPACK_PACKAGE_NAME qingchuan)
set(CPACK_PACKAGE_VENDOR "qingchuan")
set(CPACK_PACKAGE_CONTACT "lumenbirk <lumenbirk@163.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "晴川助手 - desktop assistant in the tray")
set(CPACK_PACKAGE_DESCRIPTION
  "Scheduled tasks with slide-up reminders, global hotkeys, a CPU gauge,
browser-window control, screen capture, a chat launcher, folder lock and a
portal browser, all reached from the notification-area icon.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QC_DEB_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Sqlite is loaded as a Qt plugin, so no binary names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/QcDebDepends.cmake)
set(CPACK_STRIP_FILES ON)
include(CPack)
