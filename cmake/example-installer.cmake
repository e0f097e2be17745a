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

# The Windows Installer example (examples/msi), built by Debian's wixl for
# this architecture. wixl takes the kit's folder relative to the folder it
# runs in.
find_program(WIXL wixl REQUIRED)
set(KIT_MSI ${CMAKE_BINARY_DIR}/examples/msi/dialup-example-${KIT_ARCH}.msi)
add_custom_command(
  OUTPUT ${KIT_MSI}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/examples/msi
  COMMAND ${WIXL} -a ${KIT_ARCH} -D Arch=${KIT_ARCH} -D KitBin=bin -o ${KIT_MSI}
          ${PROJECT_SOURCE_DIR}/examples/msi/dialup-example.wxs
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/examples/msi/dialup-example.wxs ${PROJECT_SOURCE_DIR}/examples/nsis/dialup.ini
    profmerge
  VERBATIM)
add_custom_target(msi_package ALL DEPENDS ${KIT_MSI})

# The Inno Setup example (examples/inno) is built under the 32-bit Wine
# where it runs (tools/inno-compile.sh), by the ISCC.exe that
# tools/setup-debian.sh installs from package-lock.json.
set(KIT_ISCC ${PROJECT_SOURCE_DIR}/node_modules/innosetup/bin/ISCC.exe)
set(KIT_INNO_SETUP ${CMAKE_BINARY_DIR}/examples/inno/dialup-setup-inno.exe)
