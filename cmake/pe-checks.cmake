# Static checks of the shipped binaries (both architectures; the x86 ones
# cannot run on this machine, so this is all they get here).
set(KIT_SYSTEM_DLLS KERNEL32.dll USER32.dll msvcrt.dll)

function(kit_pe_check name file)
  cmake_parse_arguments(PE "" "SUBSYSTEM" "EXPORTS" ${ARGN})
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND}
      -DOBJDUMP=${CMAKE_OBJDUMP} -DFILE=${file} -DFORMAT=${KIT_PE_FORMAT}
      -DSUBSYSTEM=${PE_SUBSYSTEM} "-DEXPORTS=${PE_EXPORTS}" "-DALLOWED_DLLS=${KIT_SYSTEM_DLLS}"
      -DARCH=${KIT_ARCH}
      -P ${PROJECT_SOURCE_DIR}/cmake/check-pe.cmake)
endfunction()

kit_pe_check(pe_profmerge $<TARGET_FILE:profmerge> SUBSYSTEM "Windows GUI")
