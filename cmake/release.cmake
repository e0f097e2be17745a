# The release package installer authors take: `cmake --install` lays it out,
# the kit_package target zips that layout into package/<name>.zip.
set(KIT_PACKAGE_NAME dialup-kit-${PROJECT_VERSION}-${KIT_ARCH})
set(KIT_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/package/${KIT_PACKAGE_NAME}.zip)
set(KIT_EXAMPLES_DIR ${PROJECT_SOURCE_DIR}/examples)

# What every package holds, besides the example installers (when the source
# has them, under examples/: nsis/, inno/ and msi/).
set(KIT_PACKAGE_FILES
  README.txt bin/Dialkit.dll bin/profmerge.exe include/dialkit.h lib/Dialkit.def lib/libDialkit.a)

install(PROGRAMS $<TARGET_FILE:profmerge> $<TARGET_FILE:Dialkit> DESTINATION bin)
install(FILES ${PROJECT_SOURCE_DIR}/dialkit/dialkit.h DESTINATION include)
install(FILES ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/libDialkit.a DESTINATION lib)
# The export table, for `lib /def:` (Visual C++ import libraries). On x86
# callers reference the stdcall names (ListTAPIModems@8): lib maps those
# decorated entries to the DLL's plain exports, while plain entries would
# leave the callers' references unresolved.
set(kit_def ${PROJECT_SOURCE_DIR}/dialkit/dialkit.def)
set(KIT_README_DEF_NOTE "It lists the exports' plain names.")
if(KIT_ARCH STREQUAL "x86")
  set(kit_def ${PROJECT_SOURCE_DIR}/dialkit/dialkit-x86-implib.def)
  set(KIT_README_DEF_NOTE "It lists the stdcall names (ListTAPIModems@8); lib maps them.")
endif()
install(FILES ${kit_def} DESTINATION lib RENAME Dialkit.def)

# Every package carries all three examples: the Inno Setup and Windows
# Installer ones ship the profile of examples/nsis/. Inno Setup's Setup is a
# 32-bit program: its script takes the x86 package's kit.
set(KIT_README_EXAMPLES "")
if(EXISTS ${KIT_EXAMPLES_DIR})
  install(DIRECTORY ${KIT_EXAMPLES_DIR}/ DESTINATION examples)
  set(KIT_README_EXAMPLES
    "  examples/nsis/      an example NSIS installer that ships and calls them\r\n"
    "  examples/inno/      the same for Inno Setup (32-bit: the x86 package's kit)\r\n"
    "  examples/msi/       a Windows Installer package (WiX) that runs profmerge\r\n")
  string(CONCAT KIT_README_EXAMPLES ${KIT_README_EXAMPLES})
endif()
set(KIT_README_CALLING "WINAPI: stdcall, undecorated names")
set(KIT_MACHINE X86)
if(KIT_ARCH STREQUAL "x64")
  set(KIT_README_CALLING "WINAPI: the x64 calling convention")
  set(KIT_MACHINE X64)
endif()
# Windows readers: CR LF (configure_file leaves the values' line ends alone).
configure_file(${PROJECT_SOURCE_DIR}/release/README.txt.in ${CMAKE_BINARY_DIR}/release/README.txt
  @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/release/README.txt DESTINATION .)

add_custom_target(kit_package
  COMMAND sh ${PROJECT_SOURCE_DIR}/release/make-zip.sh ${CMAKE_BINARY_DIR} ${KIT_PACKAGE_ZIP}
  DEPENDS profmerge Dialkit dialkit_import_library
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  VERBATIM)

# Tests of the package: built once by a fixture, unpacked, then looked at the
# way an installer author would use it.
set(KIT_UNPACKED ${CMAKE_BINARY_DIR}/package/check/unpacked)
add_test(NAME package_build
  COMMAND ${CMAKE_COMMAND} -DZIP=${KIT_PACKAGE_ZIP} -DDIR=${KIT_UNPACKED}
    -DBUILD=${CMAKE_BINARY_DIR} -P ${PROJECT_SOURCE_DIR}/release/unpack.cmake)
set_tests_properties(package_build PROPERTIES FIXTURES_SETUP package)

add_test(NAME package_contents
  COMMAND ${CMAKE_COMMAND} -DZIP=${KIT_PACKAGE_ZIP} -DBUILD=${CMAKE_BINARY_DIR}
    -DUNPACKED=${KIT_UNPACKED} "-DFILES=${KIT_PACKAGE_FILES}" -DEXAMPLES=${KIT_EXAMPLES_DIR}
    -DVERSION=${PROJECT_VERSION} -DARCH=${KIT_ARCH}
    -P ${PROJECT_SOURCE_DIR}/release/check-contents.cmake)
set_tests_properties(package_contents PROPERTIES FIXTURES_REQUIRED package)

# The shipped binaries as unpacked pass the same static checks as the build's.
kit_pe_check(package_pe_profmerge ${KIT_UNPACKED}/bin/profmerge.exe SUBSYSTEM "Windows GUI" MANIFEST)
kit_pe_check(package_pe_dialkit ${KIT_UNPACKED}/bin/Dialkit.dll
  EXPORTS ${KIT_DIALKIT_EXPORTS} POPS8 ${KIT_DIALKIT_POPS8})
set_tests_properties(package_pe_profmerge package_pe_dialkit PROPERTIES FIXTURES_REQUIRED package)

# The README's host example, built against the unpacked package only: it
# must link through lib/libDialkit.a and import Dialkit.dll's plain names.
set(KIT_HOST_DIR ${CMAKE_BINARY_DIR}/package/check/host)
add_test(NAME package_host_build
  COMMAND ${CMAKE_COMMAND} -DREADME=${PROJECT_SOURCE_DIR}/README.md -DCC=${CMAKE_C_COMPILER}
    -DOBJDUMP=${CMAKE_OBJDUMP} -DUNPACKED=${KIT_UNPACKED} -DDIR=${KIT_HOST_DIR}
    -P ${PROJECT_SOURCE_DIR}/release/build-host.cmake)
set_tests_properties(package_host_build PROPERTIES
  FIXTURES_REQUIRED package FIXTURES_SETUP package_host)

# And run under Wine against the simulated services, in the tests' prefix
# (every test there puts the services it needs in the system folder).
if(KIT_RUNS_TESTS)
  add_wine_test(NAME package_host_run
    COMMAND sh ${PROJECT_SOURCE_DIR}/release/run-host.sh
      ${CMAKE_CROSSCOMPILING_EMULATOR} ${KIT_ARCH} ${KIT_UNPACKED} ${KIT_HOST_DIR}
      ${SIMSERVICES_DIR}/full $<TARGET_FILE:pickeranswer>
    TIMEOUT 300)
  set_tests_properties(package_host_run PROPERTIES FIXTURES_REQUIRED "wine;package_host")
endif()

# The example installer script builds from the unpacked package alone, with
# its default kit folder (the package's bin/).
add_test(NAME package_installer_build
  COMMAND ${MAKENSIS} -V2 -DARCH=${KIT_ARCH} -DOUTFILE=${CMAKE_BINARY_DIR}/package/check/dialup-setup.exe
    ${KIT_UNPACKED}/examples/nsis/dialup-setup.nsi)
# And the Windows Installer example, by wixl in the unpacked package.
add_test(NAME package_msi_build
  COMMAND ${WIXL} -a ${KIT_ARCH} -D Arch=${KIT_ARCH} -D KitBin=bin -o ../dialup-example.msi
    examples/msi/dialup-example.wxs
  WORKING_DIRECTORY ${KIT_UNPACKED})
set_tests_properties(package_installer_build package_msi_build PROPERTIES FIXTURES_REQUIRED package)
