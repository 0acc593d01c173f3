# Run by cpack after it has installed the program into its staging folder and before it makes the
# package (CPACK_PRE_BUILD_SCRIPTS): the Debian package's Depends, from the libraries its
# binaries link, found by dpkg-shlibdeps as Debian's own tools find them. CPack's
# CPACK_DEBIAN_PACKAGE_SHLIBDEPS would do the same, but it then also adds a postinst and a postrm
# that run ldconfig whenever a shared library lies under usr/lib, even our private ones, which
# ldconfig never looks at; and a package with a postrm stays registered (state "rc") after
# `dpkg -r`, although it ships no configuration files.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(QcRoot "${CPACK_TEMPORARY_DIRECTORY}")
file(GLOB_RECURSE QcFiles LIST_DIRECTORIES false RELATIVE "${QcRoot}" "${QcRoot}/*")
set(QcBinaries)
foreach(QcFile IN LISTS QcFiles)
  if(NOT IS_SYMLINK "${QcRoot}/${QcFile}")
    file(READ "${QcRoot}/${QcFile}" QcMagic LIMIT 4 HEX)
    if(QcMagic STREQUAL "7f454c46")
      list(APPEND QcBinaries "${QcFile}")
    endif()
  endif()
endforeach()
if(NOT QcBinaries)
  message(FATAL_ERROR "QcDebDepends: no ELF file in ${QcRoot}")
endif()

# dpkg-shlibdeps wants a debian/control, and the DEBIAN folder tells it which tree is the package,
# which is how it resolves the run path $ORIGIN/../lib/qingchuan. Neither may stay in the package.
file(WRITE "${QcRoot}/debian/control" "")
file(MAKE_DIRECTORY "${QcRoot}/DEBIAN")
execute_process(COMMAND dpkg-shlibdeps --ignore-missing-info
    "-l${QcRoot}${CPACK_PACKAGING_INSTALL_PREFIX}/lib/qingchuan" -O ${QcBinaries}
  WORKING_DIRECTORY "${QcRoot}"
  OUTPUT_VARIABLE QcOut ERROR_VARIABLE QcErr RESULT_VARIABLE QcResult
  OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REMOVE_RECURSE "${QcRoot}/debian" "${QcRoot}/DEBIAN")
if(NOT QcResult EQUAL 0 OR NOT QcOut MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "QcDebDepends: dpkg-shlibdeps failed (${QcResult}): ${QcErr}")
endif()
set(QcDepends "${CMAKE_MATCH_1}")
if(CPACK_DEBIAN_PACKAGE_DEPENDS)
  string(APPEND QcDepends ", ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${QcDepends}")
