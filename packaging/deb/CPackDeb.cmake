# `cpack` in a build folder makes setupq17_<version>_<arch>.deb of what
# `cmake --install` puts under /usr; dpkg-shlibdeps works out the libraries
# the programs need.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME setupq17)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "SetupQ17 developers")
set(CPACK_PACKAGE_CONTACT "SetupQ17 developers <setupq17@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up and diagnose 2xQ17 tag readers on an RS-485 line")
# The summary is the synopsis line; cpack indents these lines under it and
# turns the empty one into the paragraph mark.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "SetupQ17 is the desktop program with which installers set up and check
2xQ17 two-channel long-range radio tag readers, reached through a serial
port or an FTDI-based USB adapter.

The package also holds q17ctl, the same reader commands for scripts and
whole car parks, q17_exporter, which lets Prometheus watch the readers
between visits, and q17sim, a simulated reader bus for trying it out.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (file dialogs, message-box buttons) in Russian.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://setupq17.github.io/")
set(CPACK_STRIP_FILES ON)
# Control files with the owners and modes Debian expects of them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(q17_deb_control_extra)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${q17_deb_control_extra})
endif()
include(CPack)
