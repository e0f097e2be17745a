# The example installer (examples/nsis), built from this tree's binaries by
# Debian's makensis (x86-unicode or amd64-unicode stub, matching the
# architecture). Its CMake lines live here: examples/nsis ships as it is.
find_program(MAKENSIS makensis REQUIRED)
set(KIT_INSTALLER ${CMAKE_BINARY_DIR}/examples/nsis/dialup-setup-${KIT_ARCH}.exe)
add_custom_command(
  OUTPUT ${KIT_INSTALLER}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/examples/nsis
  COMMAND ${MAKENSIS} -V2 -DARCH=${KIT_ARCH} -DKIT_BIN=${CMAKE_BINARY_DIR}/bin
          -DOUTFILE=${KIT_INSTALLER} ${PROJECT_SOURCE_DIR}/examples/nsis/dialup-setup.nsi
  DEPENDS ${PROJECT_SOURCE_DIR}/examples/nsis/dialup-setup.nsi ${PROJECT_SOURCE_DIR}/examples/nsis/dialup.ini
    Dialkit profmerge
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${KIT_INSTALLER})
