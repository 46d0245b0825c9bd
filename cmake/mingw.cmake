# Cross build for Windows with MinGW-w64 (posix threads, needed by GoogleTest), for the target that
# DBB_ARCH names (the presets set it): x86_64, whose programs run under wine64, or i686, whose
# programs run under Wine's 32-bit loader.
if(NOT DBB_ARCH MATCHES "^(x86_64|i686)$")
  message(FATAL_ERROR "Configure with -DDBB_ARCH=x86_64 or -DDBB_ARCH=i686 (cmake --preset x86_64 does)")
endif()
# The compiler checks configure projects of their own, which must know the target too.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DBB_ARCH)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${DBB_ARCH})
set(CMAKE_C_COMPILER ${DBB_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${DBB_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${DBB_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DBB_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
if(DBB_ARCH STREQUAL "x86_64")
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
endif()
