# Cross toolchain for the Windows product: MinGW-w64, 32-bit (i686), posix thread model (its
# C++ library has std::mutex and std::thread), static C and C++ run-time libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VOLKIT_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VOLKIT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VOLKIT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VOLKIT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VOLKIT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing to ship beside the program: the run-time libraries are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Release at -O2: GCC 12's -O3 inlining of std::string makes -Wrestrict report overlaps that
# cannot happen (GCC bug 105651), and warnings are errors. The same false report also appears
# at -O2 in some string code, so that one warning is off for this compiler.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "C flags of a Release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "C++ flags of a Release build")
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
