# The Windows build: the real OS seam, VOLKIT.exe with its resources, and the stand-ins for the
# outside parts.
enable_language(RC)

# windres reads the resource scripts as UTF-8 (the dialog texts are Traditional Chinese).
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

# Vista is the oldest Windows the program supports.
add_library(volkit_win32_api INTERFACE)
target_compile_definitions(volkit_win32_api INTERFACE _WIN32_WINNT=0x0600 WINVER=0x0600 NOMINMAX)

file(GLOB VOLKIT_WIN32_SOURCES CONFIGURE_DEPENDS src/os/win32/*.cpp)
list(FILTER VOLKIT_WIN32_SOURCES EXCLUDE REGEX "/winmain\\.cpp$")
add_library(volkit_win32 STATIC ${VOLKIT_WIN32_SOURCES})
target_include_directories(volkit_win32 PUBLIC src)
target_link_libraries(volkit_win32 PUBLIC volkit_core volkit_warnings volkit_win32_api
                      comctl32 shell32 advapi32 user32 kernel32)

# VOLKIT.exe: PE32, GUI subsystem, static run-time, resources and the administrator manifest.
add_executable(VOLKIT WIN32 src/os/win32/winmain.cpp resources/VOLKIT.rc)
set_target_properties(VOLKIT PROPERTIES OUTPUT_NAME VOLKIT SUFFIX .exe)
target_link_libraries(VOLKIT PRIVATE volkit_core volkit_win32)
target_link_options(VOLKIT PRIVATE -mwindows -s)
set_property(SOURCE resources/VOLKIT.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_SOURCE_DIR}/resources/tools.rc
             ${CMAKE_SOURCE_DIR}/resources/VOLKIT.exe.manifest
             ${CMAKE_SOURCE_DIR}/resources/volkit.ico)

# Stand-ins for the board maker's libraries, Intel's tools and the Windows programs: every
# tools/standins/<name>/CMakeLists.txt is part of the build. A stand-in declares itself with
#   volkit_add_standin(<target> EXECUTABLE|LIBRARY <output file name> <sources>...)
# and lands in ${VOLKIT_STANDIN_DIR} under its real file name (qvx.dll, rstcli.exe, ...).
set(VOLKIT_STANDIN_DIR ${CMAKE_BINARY_DIR}/standins)
function(volkit_add_standin target kind output_name)
  if(kind STREQUAL "EXECUTABLE")
    add_executable(${target} ${ARGN})
  elseif(kind STREQUAL "LIBRARY")
    add_library(${target} SHARED ${ARGN})
    set_target_properties(${target} PROPERTIES PREFIX "")
  else()
    message(FATAL_ERROR "volkit_add_standin: kind must be EXECUTABLE or LIBRARY, not ${kind}")
  endif()
  get_filename_component(base ${output_name} NAME_WE)
  get_filename_component(ext ${output_name} LAST_EXT)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${base} SUFFIX "${ext}"
    RUNTIME_OUTPUT_DIRECTORY ${VOLKIT_STANDIN_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${VOLKIT_STANDIN_DIR}
    # Import libraries per target: two stand-ins may share a file name in different folders.
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${target})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tools/standins/common)
  target_link_libraries(${target} PRIVATE volkit_warnings volkit_win32_api)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()

file(GLOB VOLKIT_STANDIN_LISTS CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/tools/standins/*/CMakeLists.txt)
foreach(list_file IN LISTS VOLKIT_STANDIN_LISTS)
  get_filename_component(standin_dir ${list_file} DIRECTORY)
  add_subdirectory(${standin_dir})
endforeach()

# The tools VOLKIT.exe carries (the rstcli builds, RAIDCfg32 and their batch texts): chosen at
# configure time and included into the resources through resources/tools.rc.
include(${CMAKE_SOURCE_DIR}/cmake/rstcli_tools.cmake)
target_include_directories(VOLKIT PRIVATE ${VOLKIT_TOOLS_RC_DIR})
set_property(SOURCE resources/VOLKIT.rc APPEND PROPERTY OBJECT_DEPENDS
             ${VOLKIT_TOOLS_RC} ${VOLKIT_TOOL_FILES})
if(NOT VOLKIT_RSTCLI_DIR)
  add_dependencies(VOLKIT standin_rstcli)
endif()

# Cross-built test programs run under Wine, each in a fresh prefix copied from the build's base
# prefix (tests/wine/lib.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR
    sh ${CMAKE_SOURCE_DIR}/tests/wine/emulator.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
