# Cross-builds the 64-bit Windows DLL with Debian's MinGW-w64 compilers. The
# POSIX threads variant is the one whose C++ runtime has std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SEABED_MINGW_PREFIX x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${SEABED_MINGW_PREFIX}-gcc-posix ${SEABED_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${SEABED_MINGW_PREFIX}-g++-posix ${SEABED_MINGW_PREFIX}-g++ REQUIRED)
# The Fortran host of the tests needs gfortran-mingw-w64-x86-64; it is skipped without.
find_program(CMAKE_Fortran_COMPILER NAMES ${SEABED_MINGW_PREFIX}-gfortran-posix ${SEABED_MINGW_PREFIX}-gfortran)
find_program(CMAKE_RC_COMPILER NAMES ${SEABED_MINGW_PREFIX}-windres)
find_program(CMAKE_OBJDUMP NAMES ${SEABED_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${SEABED_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run through Wine when ctest starts them.
find_program(SEABED_WINE NAMES wine wine64)
if(SEABED_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SEABED_WINE})
endif()
