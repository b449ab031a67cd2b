# GTest::gtest, GTest::gmock and GTest::gtest_main: the system's libraries on
# a native build; in a cross build for Windows, built from the sources that
# Debian's libgtest-dev and libgmock-dev install under /usr/src/googletest.
if(TARGET GTest::gtest)
  return()
endif()

if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest REQUIRED)
  return()
endif()

set(Q17_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
if(NOT EXISTS ${Q17_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${Q17_GOOGLETEST_SOURCE} (Debian: libgtest-dev libgmock-dev)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${Q17_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Someone else's code: its warnings are not ours to fail on.
foreach(t gtest gtest_main gmock gmock_main)
  set_property(TARGET ${t} PROPERTY COMPILE_OPTIONS -w)
  if(NOT TARGET GTest::${t})
    add_library(GTest::${t} ALIAS ${t})
  endif()
endforeach()
