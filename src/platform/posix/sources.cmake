# POSIX half of the platform layer: termios serial ports, TCP sockets for
# ports behind a serial server, port names from
# sysfs and SETUPQ17_PORTS, the D2XX calls over libftdi1 + libusb-1.0, and
# udev's news of devices coming and going (libudev).
# Included from src/CMakeLists.txt, after q17core exists.
find_package(PkgConfig REQUIRED)
pkg_check_modules(Q17_USB REQUIRED IMPORTED_TARGET GLOBAL libftdi1 libusb-1.0)
pkg_check_modules(Q17_UDEV REQUIRED IMPORTED_TARGET GLOBAL libudev)

target_sources(q17core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PosixSerial.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PosixNetSocket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PosixPortNames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LineSpeed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FtdiEeprom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PosixD2xx.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PosixConsole.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PosixSystemView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UdevWatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PosixFileCalls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PosixUserFolder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PosixUserDateTime.cpp
)
target_link_libraries(q17core PRIVATE PkgConfig::Q17_USB PkgConfig::Q17_UDEV)
