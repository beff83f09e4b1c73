# The Debian package: `cmake --build build --target package` (or scripts/package)
# packs what `cmake --install` installs, under /usr.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvx-comm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Halvoren)
set(CPACK_PACKAGE_CONTACT "KVX-COMM maintainers <kvx-comm@halvoren.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure and watch protective relays")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.halvoren.example/)
# Depends from the libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The Qt platform plugins are loaded at run time, so no library names them,
# yet the window cannot open without one.
if(TARGET kvx-comm)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# The long description; CPack puts the summary line before it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "KVX-COMM is a commissioning tool for motor and feeder protective relays
over Modbus RTU, A-B DF1 or Modbus TCP. It identifies the relay, loads
the matching setting definitions, reads, edits and writes setpoints behind
the relay's password, shows metering, status and event records, keeps
setpoint files and plots protection curves.

The package holds the desktop program kvx-comm, the command line kvx-cli
and the relay simulator kvx-relay-sim.")

include(CPack)
