# Cross build for 64-bit Windows against a Qt cross-built with mingw-w64's
# -posix compilers: the same compilers and the shared run time Qt's DLLs
# use, shipped beside the programs. Chain-loaded by Qt's toolchain file:
#   cmake -DCMAKE_TOOLCHAIN_FILE=<qt>/lib/cmake/Qt6/qt.toolchain.cmake \
#         -DQT_CHAINLOAD_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(Q17_MINGW_PREFIX x86_64-w64-mingw32)
# The -posix thread model: the -win32 one has no std::mutex or std::thread,
# which GoogleTest and Qt need.
set(CMAKE_C_COMPILER ${Q17_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${Q17_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${Q17_MINGW_PREFIX}-windres)

# Look for libraries and headers in the target's tree only; run the build's
# own tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${Q17_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
