# Cross build for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads variant, so that
# the C++ runtime links statically with winpthread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# Libraries and headers come from the mingw-w64 sysroot and from the prefixes listed in
# CMAKE_PREFIX_PATH (the cross-built third-party libraries); programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
# BRUSHWRIGHT_WINDOWS_PREFIX: where scripts/build-windows installs the cross-built libraries.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRUSHWRIGHT_WINDOWS_PREFIX)
if(BRUSHWRIGHT_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${BRUSHWRIGHT_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives first: the saver must need nothing beside Windows' own DLLs.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .lib)
