# GoogleTest and GoogleMock for the Windows build, compiled from Debian's sources with the cross
# compiler. The test programs run under Wine through the cross-compiling emulator.
set(VOLKIT_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${VOLKIT_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${VOLKIT_GTEST_SOURCE} (package googletest)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
# SYSTEM: their headers do not fall under the project's warning flags.
add_subdirectory(${VOLKIT_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

foreach(name gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${name})
    add_library(GTest::${name} ALIAS ${name})
  endif()
endforeach()
