# cmake -P unpack.cmake -DBUILD= -DZIP= -DDIR=
# Builds the release package of BUILD and unpacks it into DIR, afresh.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target kit_package RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT EXISTS ${ZIP})
  message(FATAL_ERROR "could not make ${ZIP}")
endif()
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
file(ARCHIVE_EXTRACT INPUT ${ZIP} DESTINATION ${DIR})
message(STATUS "${ZIP} unpacked into ${DIR}")
