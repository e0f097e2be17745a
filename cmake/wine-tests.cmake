# Tests under Wine: one private prefix in the build tree, one persistent
# wineserver started and stopped by the test run itself (a CTest fixture).
# x64 runs under the system's 64-bit Wine, x86 under the emulated 32-bit
# one in a win32 prefix; both use the system's native server.
find_program(WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(WINESERVER NAMES wineserver)
set(KIT_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# Wine turns Windows file names into Unix ones through the locale's
# character set, and the C locale (no LANG, as in a minimal container) has
# no Greek: a UTF-8 locale of our own, present on every Debian. A test that
# sets LC_ALL itself (code page 932) still wins: its ENVIRONMENT comes last.
set(KIT_WINE_PREFIX_ENV "WINEPREFIX=${KIT_WINEPREFIX}" "LANG=C.UTF-8" "LC_ALL=C.UTF-8")
if(KIT_ARCH STREQUAL "x86")
  # The server creates the prefix's registry: it must know the prefix is win32.
  list(APPEND KIT_WINE_PREFIX_ENV "WINEARCH=win32")
endif()
set(KIT_WINE_ENV
  ${KIT_WINE_PREFIX_ENV}
  "WINESERVER=${WINESERVER}"
  "WINEDEBUG=-all"
  # The simulated services stand in for the platform's, never Wine's builtins.
  "WINEDLLOVERRIDES=tapi32,rasapi32=n")

add_test(NAME wine_up COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/wine-up.sh ${CMAKE_CROSSCOMPILING_EMULATOR} ${WINESERVER})
set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine LABELS wine
  ENVIRONMENT "${KIT_WINE_PREFIX_ENV}")
add_test(NAME wine_down COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/wine-down.sh ${WINESERVER})
set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine LABELS wine
  ENVIRONMENT "${KIT_WINE_PREFIX_ENV}")

# add_wine_test(NAME name COMMAND target args... [ENVIRONMENT var=value...])
# A variable given in ENVIRONMENT overrides the one above. Label "wine":
# `ctest -LE wine` runs only the static checks.
function(add_wine_test)
  cmake_parse_arguments(W "" "NAME;TIMEOUT" "COMMAND;ENVIRONMENT" ${ARGN})
  add_test(NAME ${W_NAME} COMMAND ${W_COMMAND})
  if(NOT W_TIMEOUT)
    set(W_TIMEOUT 600)
  endif()
  set_tests_properties(${W_NAME} PROPERTIES
    FIXTURES_REQUIRED wine RUN_SERIAL ON TIMEOUT ${W_TIMEOUT} LABELS wine
    ENVIRONMENT "${KIT_WINE_ENV};${W_ENVIRONMENT}")
endfunction()
