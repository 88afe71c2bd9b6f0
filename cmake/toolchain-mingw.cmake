# Cross-compiling for Windows with MinGW-w64's posix-thread compilers.
# VORUD_ARCH (x64 or x86) selects the target; the presets set it.
set(CMAKE_SYSTEM_NAME Windows)

if(NOT VORUD_ARCH)
  set(VORUD_ARCH x64)
endif()
if(VORUD_ARCH STREQUAL "x64")
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  set(_triple x86_64-w64-mingw32)
elseif(VORUD_ARCH STREQUAL "x86")
  set(CMAKE_SYSTEM_PROCESSOR i686)
  set(_triple i686-w64-mingw32)
else()
  message(FATAL_ERROR "VORUD_ARCH must be x64 or x86, not '${VORUD_ARCH}'")
endif()

set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
