# Win32 half of the platform layer: serial ports, the registry's port list
# (advapi32), Winsock for ports behind a serial server (ws2_32) and
# ftd2xx.dll, which is loaded at run time and so not linked.
target_sources(q17core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SerialWin32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/D2xxWin32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Win32Console.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SystemViewWin32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeviceWatchWin32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileCallsWin32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SystemText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UserFolderWin32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UserDateTimeWin32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WinsockNetSocket.cpp
)
# shell32: CommandLineToArgvW.
target_link_libraries(q17core PUBLIC advapi32 shell32 ws2_32)
