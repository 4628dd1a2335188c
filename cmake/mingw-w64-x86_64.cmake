# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the -posix thread
# model, which has std::thread). Libraries and CMake packages are looked for only
# under the compiler's own root and the prefixes listed in PLANIUM_WINDOWS_ROOTS
# (the cross-built Qt and libxlsxwriter), never among the build machine's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(PLANIUM_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PLANIUM_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PLANIUM_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PLANIUM_MINGW}-windres)
set(CMAKE_AR /usr/bin/${PLANIUM_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${PLANIUM_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

set(PLANIUM_WINDOWS_ROOTS "" CACHE STRING "Prefixes of the libraries cross-built for Windows")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PLANIUM_WINDOWS_ROOTS)
set(CMAKE_FIND_ROOT_PATH /usr/${PLANIUM_MINGW} ${PLANIUM_WINDOWS_ROOTS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
