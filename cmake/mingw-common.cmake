# The -posix compilers give GoogleTest its std::mutex; the products use no threads.
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_MC_COMPILER ${MINGW_TRIPLE}-windmc)
set(CMAKE_OBJDUMP ${MINGW_TRIPLE}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Only the 64-bit loader can run here; x86 binaries are checked statically.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
  find_program(WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(WINE64 NAMES wine64)
  if(WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE64})
  endif()
endif()
