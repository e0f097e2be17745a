# Tests under Wine: one private prefix in the build tree, one persistent
# wineserver started and stopped by the test run itself (a CTest fixture).
find_program(WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(WINESERVER NAMES wineserver)
set(KIT_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(KIT_WINE_ENV
  "WINEPREFIX=${KIT_WINEPREFIX}"
  "WINESERVER=${WINESERVER}"
  "WINEDEBUG=-all"
  # The simulated services stand in for the platform's, never Wine's builtins.
  "WINEDLLOVERRIDES=tapi32,rasapi32=n")

add_test(NAME wine_up COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/wine-up.sh ${CMAKE_CROSSCOMPILING_EMULATOR} ${WINESERVER})
set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "WINEPREFIX=${KIT_WINEPREFIX}")
add_test(NAME wine_down COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/wine-down.sh ${WINESERVER})
set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "WINEPREFIX=${KIT_WINEPREFIX}")

# add_wine_test(NAME name COMMAND target args... [ENVIRONMENT var=value...])
# A variable given in ENVIRONMENT overrides the one above.
function(add_wine_test)
  cmake_parse_arguments(W "" "NAME;TIMEOUT" "COMMAND;ENVIRONMENT" ${ARGN})
  add_test(NAME ${W_NAME} COMMAND ${W_COMMAND})
  if(NOT W_TIMEOUT)
    set(W_TIMEOUT 600)
  endif()
  set_tests_properties(${W_NAME} PROPERTIES
    FIXTURES_REQUIRED wine RUN_SERIAL ON TIMEOUT ${W_TIMEOUT}
    ENVIRONMENT "${KIT_WINE_ENV};${W_ENVIRONMENT}")
endfunction()
