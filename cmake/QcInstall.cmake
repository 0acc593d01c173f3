# Installed like a desktop program: the program in bin/, its private libraries in
# lib/qingchuan/, the folder-lock tool in libexec/qingchuan/, the templates of a user's first
# cfg.ini and DB.mdb in share/qingchuan/, and the menu entry, icons and AppStream metadata where
# desktops look for them. src/config/AppPaths.cpp knows the same layout from the program's side.
# No cfg.ini goes beside the program: its absence is what makes an installed copy keep its files
# in the user's own folders.
include(GNUInstallDirs)
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

# The Debian package: `cpack -G DEB` in the build folder. Its dependencies are computed from the
# binaries; the private libraries are found through the program's run path.
set(CPACK_PACKAGE_NAME qingchuan)
set(CPACK_PACKAGE_VENDOR "qingchuan")
set(CPACK_PACKAGE_CONTACT "qingchuan developers <qingchuan@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "晴川助手 - desktop assistant in the tray")
set(CPACK_PACKAGE_DESCRIPTION
  "Scheduled tasks with slide-up reminders, global hotkeys, a CPU gauge, browser-window \
control, screen capture, a chat launcher, folder lock and a portal browser, from the tray.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Sqlite is loaded as a Qt plugin, so no binary names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_STRIP_FILES ON)
include(CPack)
