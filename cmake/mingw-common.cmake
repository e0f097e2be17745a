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

# Tests run under the system's 64-bit Wine on x64. This kernel cannot run
# 32-bit code, so x86 tests run under the project's emulated 32-bit Wine
# (tools/x86-wine; `make x86-wine` sets it up).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
  find_program(WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(WINE64 NAMES wine64)
  if(WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE64})
  endif()
else()
  cmake_path(ABSOLUTE_PATH CMAKE_CURRENT_LIST_DIR NORMALIZE OUTPUT_VARIABLE kit_cmake_dir)
  cmake_path(GET kit_cmake_dir PARENT_PATH kit_source_dir)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${kit_source_dir}/tools/x86-wine/wine32)
endif()
set(CMAKE_DLLTOOL ${MINGW_TRIPLE}-dlltool)
