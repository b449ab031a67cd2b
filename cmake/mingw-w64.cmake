# Cross build for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The compilers and search rules are those of the Qt build's toolchain.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-posix.cmake)

# Programs that run on a bare Windows machine without the compiler's DLLs
# (libstdc++, libgcc, and winpthread of the -posix thread model).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
