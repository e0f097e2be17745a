# Static checks of the shipped binaries (both architectures), beside the
# behaviour tests under Wine.
set(KIT_SYSTEM_DLLS KERNEL32.dll USER32.dll msvcrt.dll)
# The shipped 32-bit binaries stay under 24 KB.
set(KIT_MAX_BYTES "")
if(KIT_ARCH STREQUAL "x86")
  set(KIT_MAX_BYTES 24576)
endif()

function(kit_pe_check name file)
  cmake_parse_arguments(PE "MANIFEST" "SUBSYSTEM" "EXPORTS;POPS8" ${ARGN})
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND}
      -DOBJDUMP=${CMAKE_OBJDUMP} -DFILE=${file} -DFORMAT=${KIT_PE_FORMAT}
      -DSUBSYSTEM=${PE_SUBSYSTEM} "-DEXPORTS=${PE_EXPORTS}" "-DALLOWED_DLLS=${KIT_SYSTEM_DLLS}"
      "-DPOPS8=${PE_POPS8}" -DMAX_BYTES=${KIT_MAX_BYTES}
      -DARCH=${KIT_ARCH} -DMANIFEST=${PE_MANIFEST} -DWINDRES=${CMAKE_RC_COMPILER}
      -P ${PROJECT_SOURCE_DIR}/cmake/check-pe.cmake)
endfunction()

kit_pe_check(pe_profmerge $<TARGET_FILE:profmerge> SUBSYSTEM "Windows GUI" MANIFEST)

# Neither telephony nor remote access in the import table: both are bound at
# run time, so Dialkit loads where either is missing.
set(KIT_DIALKIT_EXPORTS ListTAPIModems@2 ListRASConnections@3 LoadTAPILib@4 UnLoadTAPILib@5
  LoadRASLib@6 UnLoadRASLib@7 ListTAPIModemsQuiet@8 ListTAPIModemsW@9 ListTAPIModemsQuietW@10
  ListRASConnectionsW@11)
set(KIT_DIALKIT_POPS8 "")
if(KIT_ARCH STREQUAL "x86")
  set(KIT_DIALKIT_POPS8 ListTAPIModems ListRASConnections ListTAPIModemsQuiet ListTAPIModemsW
    ListTAPIModemsQuietW ListRASConnectionsW)
endif()
kit_pe_check(pe_dialkit $<TARGET_FILE:Dialkit>
  EXPORTS ${KIT_DIALKIT_EXPORTS} POPS8 ${KIT_DIALKIT_POPS8})
