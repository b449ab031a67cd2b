# Cross build for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
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

# Programs that run on a bare Windows machine without the compiler's DLLs
# (libstdc++, libgcc, and winpthread of the -posix thread model).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
